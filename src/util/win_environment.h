// The settings store: one small file per key under the application-data folder,
// <app data>/ArdentVale/<section>/<key>. An integer is 4 little-endian bytes; a text is
// its bytes without terminator. Folders are created 0700 and files 0600: the settings
// name the server that receives patient data. A key's file is replaced whole (written
// beside it under a temporary name, synced, renamed over it), so it never holds a cut
// value, whatever stops the write.
#pragma once

#include <cstdint>

// Reads an integer key. Returns 1 when the key's file holds 4 bytes (little endian) or
// 1 byte (a flag: the high bytes zero); `value` then holds it. Returns 0, leaving `value`
// untouched, after tracing the failure (kind 11): no file, or a file of another length,
// such as a number typed in by hand, which is no stored value.
int Environment_Get_Value_Int(const char *section, const char *key, int32_t *value);

// Reads a text key (at most 1024 bytes). Returns the text in a process-wide buffer that
// the next call overwrites, or nullptr after tracing the failure (kind 11).
// Main thread only.
const char *Environment_Get_Value_String(const char *section, const char *key);

// Writes an integer key as 4 little-endian bytes, creating the folders as needed.
// Returns 1 when the whole value is on disk; returns 0 after tracing the failure, with
// the key's old file (or none) in place and no temporary file left behind. (Only when
// the folder itself cannot be synced after the rename does the new value stand while
// 0 is returned.)
int Environment_Set_Value_Int(const char *section, const char *key, int32_t value);

// Writes a text key (null or "" writes an empty file), the same way and with the same
// returns as Environment_Set_Value_Int.
int Environment_Set_Value_String(const char *section, const char *key, const char *text);
