// The RTF and CSV reports of the catalogue view: what the view lists at that moment, in
// its order and with its open and closed nodes. The RTF document is for reading and
// printing; the tab-separated CSV file, whose columns the three templates choose, is for
// a spreadsheet. Both are written in one pass over the same rows.
#pragma once

#include <string>

#include "app/list_rows.h"

// The report name of a scanned folder: its last path component ("/data/CT 7/" and
// "/data/CT 7" give "CT 7"), cut to 118 characters; "root" for "/" itself. Returns ""
// for an absent or empty folder.
std::string Report_Name(const char *folder);

// The two report paths for `order` (0 to 4) in `out_dir` (ending with "/"):
// "Dir_File_%s.rtf" and "Dir_File_%s.csv" with the report name, and their Study, Date,
// PID and Name forms for orders 1 to 4. Returns 0 for an order outside 0 to 4.
int Report_Paths(int order, const std::string &name, const std::string &out_dir, std::string *rtf, std::string *csv);

// Writes the RTF and CSV reports of `rows` (the view of the tree of `order`) for the
// scanned `folder` into `out_dir` (nullptr: the temp folder), replacing older reports.
// Writes "     in %s" with the RTF path (MSG_REPORT) first. The files are created for
// the user alone (0600), never through a symbolic link and never into a FIFO, another
// user's file or a file with other hard links (platform/os/os_files.h). Lines end in
// CR LF. No value (header value, file name) puts a raw control byte into either file
// (they are written as "\n", "\t", "\xNN"), and a CSV cell from a value that begins
// with "=", "+", "-", "@", a tab or a carriage return and is not a plain number starts
// with an apostrophe, so that a spreadsheet never reads it as a formula.
// Returns 1 when both files were written. Returns 0 without writing for an absent
// folder; returns 0 after reporting through Message_Log (MSG_WARNING) when a file cannot
// be created or written (a CSV file that cannot be created leaves the RTF file empty).
// Preconditions: the report templates are loaded; the rows belong to a tree of `order`.
int Report_Write(const List_Rows &rows, int order, const char *folder, const char *out_dir);
