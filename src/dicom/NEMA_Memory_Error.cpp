// Allocation-failure reports of the DICOM library, and the string copies that report.
#include "dicom/NEMA_Memory_Error.h"

#include <cstdlib>
#include <cstring>

#include "util/message_log.h"

void NEMA_Memory_Error(int line, const char *unit, const char *how, const char *var, long dim1, long dim2)
{
  Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in %s (var=%s, dim=%ldx%ld)", line, unit, how,
              var, dim1, dim2);
}

char *NEMA_Strndup(const char *text, size_t length, int line, const char *unit, const char *var)
{
  char *copy = strndup(text, length);
  if (!copy) Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", line, unit, var);
  return copy;
}

char *NEMA_Strdup(const char *text, int line, const char *unit, const char *var)
{
  return NEMA_Strndup(text, std::strlen(text), line, unit, var);
}
