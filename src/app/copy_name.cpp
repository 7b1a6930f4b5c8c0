// Naming of copied files: the cleaning rules, the DICOMDIR-compatible scheme and the
// ordinary scheme. Folder texts are cut, trimmed and cleaned, then split into components
// at backslashes; a component that would step out of the target folder ("." or "..")
// has its dots replaced, and empty components are skipped, so that joining the
// components below the target folder always stays inside it.
#include "app/copy_name.h"

#include <cstdio>

#include "util/message_log.h"
#include "util/path_split.h"

// ---- cleaning rules ---------------------------------------------------------------------

std::string Copy_Clean_DICOMDIR(const std::string &text)
{
  std::string out;
  for (unsigned char c : text) {
    if (c >= 'a' && c <= 'z') out += (char)(c - 'a' + 'A');
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_') out += (char)c;
  }
  return out;
}

std::string Copy_Trim(const std::string &text)
{
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\n");
  return text.substr(first, last - first + 1);
}

std::string Copy_Clean_File(const std::string &text)
{
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = (unsigned char)text[i];
    if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1) continue;
    bool forbidden = c < 0x20 || c > 0x7E || (c == ':' && out.size() != 1);
    for (const char *p = "\"*/<>?|"; *p; p++)
      if (c == (unsigned char)*p) forbidden = true;
    out += forbidden ? '_' : (char)c;
  }
  return out;
}

// ---- components -------------------------------------------------------------------------

// A component that names the folder itself or its parent gets its dots replaced; an
// empty one becomes "_" (only file names reach here empty).
static std::string Component_Safe(const std::string &component)
{
  if (component.empty()) return "_";
  if (component == "." || component == "..") return std::string(component.size(), '_');
  return component;
}

// Appends the components of a cleaned folder text, split at backslashes, to `folders`.
static void Folders_Append(std::vector<std::string> *folders, const std::string &text)
{
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) folders->push_back(Component_Safe(text.substr(start, end - start)));
    start = end + 1;
  }
}

// A folder name as the naming buffers hold it: cut, trimmed, cleaned for file names.
static std::string Folder_Text(const std::string &value)
{
  return Copy_Clean_File(Copy_Trim(value.substr(0, COPY_FOLDER_NAME_MAX)));
}

static std::string Format_Number(const char *format, int value)
{
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// ---- DICOMDIR-compatible scheme ---------------------------------------------------------

// The letter of an acquisition number: A for none, A to Y for 1 to 25, the digits 0 to 9
// for 26 to 35, and from 36 on the letters again (with a warning).
static char Acquisition_Letter(int number)
{
  if (number == 0) return 'A';
  if (number <= 25) return (char)(64 + number);
  if (number <= 35) return (char)('0' + number - 26);
  Message_Log(nullptr, MSG_THREAD,
              "\xF1\x05WARNING:\x01 Acquisistion number is to big for DICOMDIR rename (%d)", number);
  return (char)(65 + (number - 1) % 26);
}

Copy_Name Copy_Name_DICOMDIR(const Copy_Values &values)
{
  Copy_Name name;
  std::string patient;
  if (!values.patient_id.empty()) patient = "P" + Copy_Clean_DICOMDIR(values.patient_id);
  else if (!values.study_id.empty()) patient = "E" + Copy_Clean_DICOMDIR(values.study_id);
  patient = patient.substr(0, 8);
  if (!patient.empty()) name.folders.push_back(patient);

  int series = values.series_number;
  if (series != 0) {
    if (series >= 10000000) {
      Message_Log(nullptr, MSG_THREAD,
                  "\xF1\x05WARNING:\x01 Series number is to big for DICOMDIR rename (%d)", series);
      series %= 1000000;
    }
    name.folders.push_back(Format_Number("S%07d", series));
  }

  int image = values.image_number;
  if (image >= 100000) {
    Message_Log(nullptr, MSG_THREAD,
                "\xF1\x05WARNING:\x01 Image number is to big for DICOMDIR rename (%d)", image);
    image %= 100000;
  }
  name.file = Acquisition_Letter(values.acquisition_number) + Format_Number("%05d", image);
  return name;
}

// ---- ordinary scheme --------------------------------------------------------------------

// The study-level folder value: the first non-empty value in the order the ones digit
// of flag_sub_dir names, or "" for no study-level folder.
static std::string Study_Folder_Value(const Copy_Values &values, int sub_dir)
{
  const std::string *order[3];
  switch (sub_dir % 10) {
  case 1: order[0] = &values.study_id, order[1] = &values.patient_id, order[2] = &values.patient_name; break;
  case 2: order[0] = &values.patient_id, order[1] = &values.patient_name, order[2] = &values.study_id; break;
  case 3: order[0] = &values.patient_name, order[1] = &values.patient_id, order[2] = &values.study_id; break;
  default: return "";
  }
  for (const std::string *value : order)
    if (!value->empty()) return *value;
  return "";
}

// The file name of the ordinary scheme: built from study, series and image, or the
// source's base name without an ordinary extension. Backslashes in it would only be
// odd characters on this system; they become "_" so that the name stays one component.
static std::string Ordinary_File(const Copy_Values &values, int standard_name, const char *source)
{
  std::string file;
  if (standard_name) {
    char buffer[64];
    std::string study = Copy_Clean_File(values.study_id);
    if (values.acquisition_number != 0)
      std::snprintf(buffer, sizeof buffer, "_S%03d_%c%04d", values.series_number,
                    (char)(64 + values.acquisition_number % 26), values.image_number);
    else
      std::snprintf(buffer, sizeof buffer, "_S%03d_I%04d", values.series_number, values.image_number);
    file = "E" + study + buffer;
  } else {
    std::string extension;  // asked for, so that numeric and long extensions stay in the name
    Path_Split(source, nullptr, &file, &extension);
  }
  for (char &c : file)
    if (c == '\\') c = '_';
  return Component_Safe(file);
}

Copy_Name Copy_Name_Ordinary(const Copy_Values &values, int sub_dir, int standard_name, const char *source)
{
  Copy_Name name;
  Folders_Append(&name.folders, Folder_Text(Study_Folder_Value(values, sub_dir)));
  std::string series;
  if (sub_dir >= 20 && !values.series_desc.empty()) series = values.series_desc;
  else if (sub_dir >= 10) series = Format_Number("%03d", values.series_number);
  Folders_Append(&name.folders, Folder_Text(series));
  name.file = Ordinary_File(values, standard_name, source);
  return name;
}
