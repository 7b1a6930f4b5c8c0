// The DICOM library's allocation-failure reports and the allocators that make them.
// Every failed allocation is one MSG_ERROR naming the source unit, its line and the
// variable, in the fixed texts the whole program uses.
#pragma once

#include <cstddef>

// Logs "line %-4d of %s \nmemory error in <how> (var=%s, dim=%dx%d)" as MSG_ERROR, where
// `how` is "malloc", "calloc" or "realloc".
void NEMA_Memory_Error(int line, const char *unit, const char *how, const char *var, long dim1, long dim2);

// Returns a malloc'ed copy of `text` (owned by the caller, freed with free), or nullptr
// after logging "line %-4d of %s \nmemory error in strdup (var=%s)" as MSG_ERROR.
// `text` must not be null.
char *NEMA_Strdup(const char *text, int line, const char *unit, const char *var);

// Like NEMA_Strdup for the first `length` bytes of `text` (a NUL among them ends the copy).
char *NEMA_Strndup(const char *text, size_t length, int line, const char *unit, const char *var);
