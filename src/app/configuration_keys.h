// The one table of the settings store's keys: for each key its name, the kind of value
// it holds (which says how it is stored, shown and checked) and the process-wide
// setting it binds. Configuration_Read and Configuration_Write walk it in order; the
// CLI's config command lists, shows and sets keys through it; a settings window can
// check an entered value with it. The table is constant; the settings it binds are
// changed on the main thread only (configuration.h).
#pragma once

#include <cstddef>
#include <string>

// The longest text a text setting holds; a longer stored text is cut when read.
enum { CONFIGURATION_TEXT_MAX = 255 };

// What a key holds. The byte kinds are stored as 4-byte integers of which the program
// keeps the low byte, the timeouts as 4-byte integers, the rest as texts.
enum Configuration_Kind {
  KEY_FLAG,            // 0 or 1 ("no" or "yes" taken too)
  KEY_SUB_DIR,         // the copy folders: ones digit study level 0-3, tens digit series level 0-2
  KEY_PRINT,           // the report layout bits: 1, 2, 5 or 6
  KEY_TIMEOUT,         // seconds, 0 (no limit) to TIMEOUT_MAX
  KEY_FOLDER,          // an existing folder, absolute, ending in "/"
  KEY_FOLDER_OR_NONE,  // the same, or "" for none
  KEY_FILE_NAME,       // a file name without a folder
  KEY_AE_TITLE,        // 1 to 16 characters, no backslash, no control character
  KEY_HOST,            // a host name or address, or "none" for no server yet
  KEY_PORT,            // a TCP port as decimal text, 1 to 65535
};

// One key of the store. Exactly one of the four bindings is set.
struct Configuration_Key {
  const char *name;         // the key's file name in the store
  Configuration_Kind kind;
  unsigned char *byte;      // byte kinds
  bool *flag;               // a flag kept as a bool (the audit flag)
  int *number;              // the timeouts
  std::string *text;        // text kinds
  const char *missing;      // text kinds: the trace written when the key is missing
};

// Every key, in the order in which the store is read and written.
extern const Configuration_Key configuration_keys[];
extern const size_t configuration_key_count;

// The key named `name`, or null when there is none. The record is constant and static.
const Configuration_Key *Configuration_Key_Find(const char *name);

// The setting's current value as text: integers as decimal numbers, flags as "0" or
// "1", folders, titles and names as they stand.
std::string Configuration_Key_Text(const Configuration_Key &key);

// Checks `value` for `key` and gives its stored form in `*normal`: words of the
// settings window's choice lists become their number, a folder becomes absolute with a
// trailing "/", a port loses its leading zeros. Returns 1 when the value is accepted;
// returns 0 with `*why` holding what the key accepts ("a port from 1 to 65535"), and
// `*normal` untouched. Reports nothing itself. Reads the file system for folder keys.
int Configuration_Key_Check(const Configuration_Key &key, const char *value, std::string *normal, std::string *why);

// Checks `value` as Configuration_Key_Check does and, when it is accepted, makes it the
// setting's value in memory. Returns 1, or 0 with `*why` set and the setting unchanged.
// Main thread only.
int Configuration_Key_Assign(const Configuration_Key &key, const char *value, std::string *why);
