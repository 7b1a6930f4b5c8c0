// The three column templates of the CSV report (study, series and image level): which
// DICOM attributes become report columns. Each is read once at start-up from a text file
// in the installation folder; a missing file gives the built-in default columns.
#pragma once

#include <string>

#include "app/catalogue.h"

enum { REPORT_LINE_MAX = 259 };  // characters per template line

// Report levels, in loading order.
enum { REPORT_STUDY = 0, REPORT_SERIES = 1, REPORT_IMAGE = 2, REPORT_LEVELS = 3 };

// The process-wide template of a level (template_study, template_series or
// template_image of the catalogue): filled by Report_Templates_Load before any scan,
// read-only afterwards.
Catalogue_Template &Report_Template_Of(int level);

// The template file name of a level: "CSV_Template_Study.txt", "CSV_Template_Series.txt"
// or "CSV_Template_Image.txt".
const char *Report_Template_File(int level);

// Reads the template of `level` from `folder` (ending with "/") into `tmpl`, replacing
// what it held. The file format, one line at a time (a line feed ends a line, a form feed
// ends the line and the file, carriage returns are dropped):
// - blanks and tabs around the line are ignored; a line starting with "(" holds one
//   column as "(gggg,eeee)" in hexadecimal; every other line is a note;
// - a byte that is neither printable nor a tab is kept, with a warning;
// - a line holding a 260th character fails the load.
// A line starting with "(" that holds no column, and columns beyond CATALOGUE_INFO_MAX, are
// passed over with a warning.
// Returns 1 when the template is filled: from the file, or from the level's default
// columns when the file cannot be opened (after the report "no CSV ... template found").
// Returns 0 after a read error or an over-long line, reported through Message_Log; `tmpl`
// then holds the columns read before the fault.
int Report_Template_Load(Catalogue_Template &tmpl, int level, const std::string &folder);

// Loads the study, series and image templates from `folder` into the catalogue's
// template_study, template_series and template_image, in that order. Returns 1 when all three loaded; returns 0 at the first that fails
// (start-up then ends).
int Report_Templates_Load(const std::string &folder);
