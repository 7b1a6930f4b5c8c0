// Naming of copied files: from the values of a file's header to the folders and the
// file name the copy job gives it below the target folder. Two schemes: a DICOMDIR-
// compatible one, where every component is at most 8 characters of A-Z, 0-9 and "_",
// and an ordinary one with readable folder names (study level and series level chosen
// by flag_sub_dir) and, with flag_standard_name, a name built from study, series and
// image. Everything here is a pure function of its arguments, except the warnings about
// numbers too large for the DICOMDIR scheme, which go to the message log.
//
// Header values are untrusted: a name never leads out of the target folder. The folder
// part is returned as separate components (never empty, never "." or ".."), and the
// file name is one component.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The naming values of one file, as the copy job reads them from its header.
struct Copy_Values {
  std::string study_id;        // Study ID, trimmed; "" when absent
  std::string patient_name;    // Patient's Name in its file-name form; "" when absent
  std::string patient_id;      // Patient ID, trimmed; "" when absent
  int32_t series_number = 0;   // Series Number, absolute value; never 0 after reading
  std::string series_desc;     // Series Description, trimmed; "" when absent
  int32_t acquisition_number = 0;  // Acquisition Number, absolute value; 0 when absent
  int32_t image_number = 0;    // Instance Number, absolute value; never 0 after reading
};

// Where a file goes below the target folder.
struct Copy_Name {
  std::vector<std::string> folders;  // folder components, outermost first (may be none)
  std::string file;                  // the file name
};

enum { COPY_FOLDER_NAME_MAX = 79 };  // a folder name is cut to this many characters

// Keeps digits, upper-case letters and "_", turns lower-case letters into upper case and
// drops every other character.
std::string Copy_Clean_DICOMDIR(const std::string &text);
// Removes leading blanks and tabs and trailing blanks, tabs and newlines.
std::string Copy_Trim(const std::string &text);
// Cleans a text for a file name: a backslash after the first character loses any
// backslash that follows it; the characters " * / : < > ? | and every byte outside
// printable ASCII become "_", except a colon as the second character. Backslashes stay
// (they separate nested folders in a folder name).
std::string Copy_Clean_File(const std::string &text);

// The DICOMDIR-compatible name: patient folder "P" + patient ID (else "E" + study ID,
// else none), series folder "S%07d", file name of the acquisition letter and "%05d" of
// the image number. Numbers too large are reduced with a MSG_THREAD warning. Never fails.
Copy_Name Copy_Name_DICOMDIR(const Copy_Values &values);

// The ordinary name. `sub_dir` is flag_sub_dir (ones digit: study-level folder source,
// whole value: series-level folder); `standard_name` is flag_standard_name; `source` is
// the source file's path, whose base name (without an ordinary extension) is kept when
// `standard_name` is 0. Never fails.
Copy_Name Copy_Name_Ordinary(const Copy_Values &values, int sub_dir, int standard_name, const char *source);
