// The table of the settings store's keys and the checks of a value by its kind. A check
// turns a value into the one form the store keeps (a number for the words of a choice
// list, an absolute folder with its trailing "/", a port without leading zeros), so a
// value shown after it was set reads back exactly as it is stored.
//
// Index: the table / choice words / checks by kind / the public operations.
#include "app/configuration_keys.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <strings.h>
#include <vector>

#include "app/configuration.h"
#include "util/message_log.h"
#include "util/text_escape.h"
#include "util/utility_directory.h"

// ---- the table ------------------------------------------------------------------------

namespace {

const char LOCAL_AET_MISSING[] = "Unable to get local AET from registry";

// The table's rows by binding: a byte, the audit flag, a timeout, a text.
constexpr Configuration_Key Byte(const char *name, Configuration_Kind kind, unsigned char *byte)
{
  return {name, kind, byte, nullptr, nullptr, nullptr, nullptr};
}
constexpr Configuration_Key Timeout(const char *name, int *seconds)
{
  return {name, KEY_TIMEOUT, nullptr, nullptr, seconds, nullptr, nullptr};
}
constexpr Configuration_Key Text(const char *name, Configuration_Kind kind, std::string *text, const char *missing)
{
  return {name, kind, nullptr, nullptr, nullptr, text, missing};
}

}  // namespace

const Configuration_Key configuration_keys[] = {
    Byte("flag_sub_dir", KEY_SUB_DIR, &flag_sub_dir),
    Byte("flag_standard_name", KEY_FLAG, &flag_standard_name),
    Byte("flag_overwrite", KEY_FLAG, &flag_overwrite),
    Byte("flag_dicomdir", KEY_FLAG, &flag_dicomdir),
    Byte("delete_copy", KEY_FLAG, &delete_copy),
    Text("dir_copy", KEY_FOLDER_OR_NONE, &dir_copy, LOCAL_AET_MISSING),
    {"flag_audit", KEY_FLAG, nullptr, &log_state.flag_audit, nullptr, nullptr, nullptr},
    Text("file_audit", KEY_FILE_NAME, &log_state.file_audit, LOCAL_AET_MISSING),
    Text("dir_audit", KEY_FOLDER_OR_NONE, &log_state.dir_audit, LOCAL_AET_MISSING),
    Byte("flag_part_10", KEY_FLAG, &flag_part_10),
    Byte("flag_print", KEY_PRINT, &flag_print),
    Byte("flag_fail", KEY_FLAG, &flag_fail),
    Text("dir_fail", KEY_FOLDER, &dir_fail, LOCAL_AET_MISSING),
    Text("local_AET", KEY_AE_TITLE, &local_AET, LOCAL_AET_MISSING),
    Text("server_AET", KEY_AE_TITLE, &server_AET, "Unable to get sercer's AET from registry"),
    Text("server_peer", KEY_HOST, &server_peer, "Unable to get server's peer from registry"),
    Text("server_port", KEY_PORT, &server_port, "Unable to get server's port from registry"),
    Byte("delete_push", KEY_FLAG, &delete_push),
    Timeout("timeout_connect", &timeout_connect),
    Timeout("timeout_acse", &timeout_acse),
    Timeout("timeout_dimse", &timeout_dimse),
};
const size_t configuration_key_count = sizeof configuration_keys / sizeof configuration_keys[0];

// ---- choice words ---------------------------------------------------------------------

namespace {

// The choices of the settings window's lists, by index.
const char *const YES_NO[] = {"no", "yes"};
const char *const STUDY_FOLDER[] = {"no subdir", "Study ID", "Patient ID", "Patient Name"};
const char *const SERIES_FOLDER[] = {"no subdir", "Series ID", "Series Desc."};
const char *const PRINT_MODE[] = {"per db", "per media"};

enum {
  SUB_DIR_SERIES_STEP = 10,  // flag_sub_dir = 10 x series index + study index
  PRINT_PER_MEDIA = 0x01,    // flag_print: "per media"
  PRINT_PER_DB = 0x02,       // flag_print: "per db"
  PRINT_ID_INVALID = 0x04,   // flag_print: the study ID is not valid
  PORT_MAX = 65535,
  AE_TITLE_MAX = 16,
  HOST_NAME_MAX_SIZE = 253,  // the longest DNS name
};
const char WORD_SEPARATOR = '/';  // between the two words of a two-list value

// The index of `word` among `choices` (case ignored), or -1.
template <size_t N> int Choice_Index(const char *const (&choices)[N], const std::string &word)
{
  for (size_t i = 0; i < N; i++)
    if (!strcasecmp(choices[i], word.c_str())) return (int)i;
  return -1;
}

// "a, b or c" of the choices, each in double quotes.
template <size_t N> std::string Choice_List(const char *const (&choices)[N])
{
  std::string list;
  for (size_t i = 0; i < N; i++) {
    if (i) list += i + 1 == N ? " or " : ", ";
    list += std::string("\"") + choices[i] + "\"";
  }
  return list;
}

// Splits "FIRST/SECOND" into two choice indexes; false unless both are choices.
template <size_t N, size_t M>
bool Two_Choices(const std::string &value, const char *const (&first)[N], const char *const (&second)[M], int *a,
                 int *b)
{
  size_t slash = value.find(WORD_SEPARATOR);
  if (slash == std::string::npos) return false;
  *a = Choice_Index(first, value.substr(0, slash));
  *b = Choice_Index(second, value.substr(slash + 1));
  return *a >= 0 && *b >= 0;
}

// ---- checks by kind -------------------------------------------------------------------

// A decimal number of at most `digits` digits, no sign, no blank. Stores it in *number.
bool Decimal_Read(const std::string &value, size_t digits, int *number)
{
  if (value.empty() || value.size() > digits || value.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *number = std::stoi(value);
  return true;
}

bool Has_Control(const std::string &value)
{
  for (unsigned char c : value)
    if (Text_Is_Control(c)) return true;
  return false;
}

bool Flag_Check(const std::string &value, std::string *normal)
{
  int index = Choice_Index(YES_NO, value);
  if (value == "0" || value == "1") index = value[0] - '0';
  if (index < 0) return false;
  *normal = std::to_string(index);
  return true;
}

bool Sub_Dir_Check(const std::string &value, std::string *normal)
{
  int number = 0, study = 0, series = 0;
  if (Decimal_Read(value, 2, &number)) {
    study = number % SUB_DIR_SERIES_STEP;
    series = number / SUB_DIR_SERIES_STEP;
  } else if (!Two_Choices(value, STUDY_FOLDER, SERIES_FOLDER, &study, &series)) {
    return false;
  }
  if (study >= (int)std::size(STUDY_FOLDER) || series >= (int)std::size(SERIES_FOLDER)) return false;
  *normal = std::to_string(SUB_DIR_SERIES_STEP * series + study);
  return true;
}

bool Print_Check(const std::string &value, std::string *normal)
{
  int number = 0, mode = 0, valid = 0;
  if (Decimal_Read(value, 1, &number)) {
    const int layout = number & ~PRINT_ID_INVALID;
    if (layout != PRINT_PER_MEDIA && layout != PRINT_PER_DB) return false;
  } else if (Two_Choices(value, PRINT_MODE, YES_NO, &mode, &valid)) {
    number = (mode ? PRINT_PER_MEDIA : PRINT_PER_DB) | (valid ? 0 : PRINT_ID_INVALID);
  } else {
    return false;
  }
  *normal = std::to_string(number);
  return true;
}

bool Timeout_Check(const std::string &value, std::string *normal)
{
  int seconds = 0;
  if (!Decimal_Read(value, 4, &seconds) || seconds > TIMEOUT_MAX) return false;
  *normal = std::to_string(seconds);
  return true;
}

// The absolute `path` without empty, "." and ".." components, ending in "/". A ".."
// goes up one name, as the shell's "cd" does it, not through a link.
std::string Folder_Plain(const std::string &path)
{
  std::vector<std::string> names;
  size_t at = 0;
  while (at <= path.size()) {
    size_t end = path.find('/', at);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(at, end - at);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    at = end + 1;
  }
  std::string plain = "/";
  for (const std::string &name : names) plain += name + "/";
  return plain;
}

// An existing folder, made absolute from the working folder, with a trailing "/".
bool Folder_Check(const std::string &value, bool none_allowed, std::string *normal)
{
  if (value.empty()) {
    if (none_allowed) normal->clear();
    return none_allowed;
  }
  if (Has_Control(value)) return false;
  std::string folder = value;
  if (folder[0] != '/') {
    char *here = getcwd(nullptr, 0);
    if (!here) return false;
    folder = std::string(here) + "/" + folder;
    free(here);
  }
  folder = Folder_Plain(folder);
  if (folder.size() > CONFIGURATION_TEXT_MAX || !Directory_Exists(folder.c_str())) return false;
  *normal = folder;
  return true;
}

bool File_Name_Check(const std::string &value, std::string *normal)
{
  if (value.empty() || value.size() > CONFIGURATION_TEXT_MAX || value == "." || value == ".." ||
      value.find('/') != std::string::npos || Has_Control(value))
    return false;
  *normal = value;
  return true;
}

// 1 to 16 characters of the default character repertoire without backslash, not all
// blanks (blanks around a title are padding).
bool AE_Title_Check(const std::string &value, std::string *normal)
{
  if (value.empty() || value.size() > AE_TITLE_MAX || value.find_first_not_of(' ') == std::string::npos) return false;
  for (unsigned char c : value)
    if (c < ' ' || c > '~' || c == '\\') return false;
  *normal = value;
  return true;
}

bool Host_Check(const std::string &value, std::string *normal)
{
  if (value.empty() || value.size() > HOST_NAME_MAX_SIZE) return false;
  for (unsigned char c : value)
    if (!isalnum(c) && !std::strchr(".-_:", c)) return false;
  *normal = value;
  return true;
}

bool Port_Check(const std::string &value, std::string *normal)
{
  const size_t digits = value.find_first_not_of('0');
  int port = 0;
  if (digits == std::string::npos || !Decimal_Read(value.substr(digits), 5, &port) || port > PORT_MAX) return false;
  *normal = std::to_string(port);
  return true;
}

// What a key of `kind` accepts, for a refusal.
std::string Accepted(Configuration_Kind kind)
{
  switch (kind) {
  case KEY_FLAG:
    return "0 or 1 (\"no\" or \"yes\")";
  case KEY_SUB_DIR:
    return "10 x series folder + study folder, study folder 0 to 3 (" + Choice_List(STUDY_FOLDER) +
           "), series folder 0 to 2 (" + Choice_List(SERIES_FOLDER) + "), or the two words as \"STUDY/SERIES\"";
  case KEY_PRINT:
    return "1 (per media), 2 (per db), 5 or 6 (the same with a study ID that is not valid), or \"MODE/VALID\" with "
           "MODE " + Choice_List(PRINT_MODE) + " and VALID (is the study ID valid?) " + Choice_List(YES_NO);
  case KEY_TIMEOUT:
    return "seconds from 0 (no limit) to " + std::to_string(TIMEOUT_MAX);
  case KEY_FOLDER:
    return "an existing folder (at most " + std::to_string(CONFIGURATION_TEXT_MAX) + " characters)";
  case KEY_FOLDER_OR_NONE:
    return "an existing folder (at most " + std::to_string(CONFIGURATION_TEXT_MAX) + " characters), or \"\" for none";
  case KEY_FILE_NAME:
    return "a file name of 1 to " + std::to_string(CONFIGURATION_TEXT_MAX) +
           " characters without \"/\" or control characters";
  case KEY_AE_TITLE:
    return "an AE title of 1 to " + std::to_string(AE_TITLE_MAX) +
           " characters without backslash or control characters, not only blanks";
  case KEY_HOST:
    return "a host name or address of 1 to " + std::to_string(HOST_NAME_MAX_SIZE) +
           " letters, digits, \".\", \"-\", \"_\" or \":\" (\"none\": no server yet)";
  case KEY_PORT:
    return "a port from 1 to " + std::to_string(PORT_MAX);
  }
  return "";
}

}  // namespace

// ---- the public operations ------------------------------------------------------------

const Configuration_Key *Configuration_Key_Find(const char *name)
{
  for (const Configuration_Key &key : configuration_keys)
    if (name && !std::strcmp(key.name, name)) return &key;
  return nullptr;
}

std::string Configuration_Key_Text(const Configuration_Key &key)
{
  if (key.byte) return std::to_string(*key.byte);
  if (key.flag) return *key.flag ? "1" : "0";
  if (key.number) return std::to_string(*key.number);
  return *key.text;
}

int Configuration_Key_Check(const Configuration_Key &key, const char *value, std::string *normal, std::string *why)
{
  const std::string text = value ? value : "";
  std::string checked;
  bool accepted = false;
  switch (key.kind) {
  case KEY_FLAG: accepted = Flag_Check(text, &checked); break;
  case KEY_SUB_DIR: accepted = Sub_Dir_Check(text, &checked); break;
  case KEY_PRINT: accepted = Print_Check(text, &checked); break;
  case KEY_TIMEOUT: accepted = Timeout_Check(text, &checked); break;
  case KEY_FOLDER: accepted = Folder_Check(text, false, &checked); break;
  case KEY_FOLDER_OR_NONE: accepted = Folder_Check(text, true, &checked); break;
  case KEY_FILE_NAME: accepted = File_Name_Check(text, &checked); break;
  case KEY_AE_TITLE: accepted = AE_Title_Check(text, &checked); break;
  case KEY_HOST: accepted = Host_Check(text, &checked); break;
  case KEY_PORT: accepted = Port_Check(text, &checked); break;
  }
  if (!accepted) {
    *why = Accepted(key.kind);
    return 0;
  }
  *normal = checked;
  return 1;
}

int Configuration_Key_Assign(const Configuration_Key &key, const char *value, std::string *why)
{
  std::string normal;
  if (!Configuration_Key_Check(key, value, &normal, why)) return 0;
  if (key.byte) *key.byte = (unsigned char)std::stoi(normal);
  else if (key.flag) *key.flag = normal == "1";
  else if (key.number) *key.number = std::stoi(normal);
  else *key.text = normal;
  return 1;
}
