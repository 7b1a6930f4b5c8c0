// The result list of harrowdesk-cli push: one row per file tried (path, SOP Instance
// UID, the C-STORE response status in hex, its meaning, stored yes or no), written as
// the job goes and read back to push again the files that were not stored. The format
// follows the file's extension:
//   .csv   a header line "path,sop_instance_uid,status,meaning,stored", then one line
//          per file; fields holding a comma, a quote or a line break are quoted, a
//          quote doubled. A missing status is an empty field.
//   .json  one JSON array of objects {"path", "sop_instance_uid", "status", "meaning",
//          "stored"}; "status" is a string ("0xA700") or null, "stored" true or false.
//          The file is valid JSON after every row: each row is written over the array's
//          closing bracket and the bracket written again after it.
// Each row is flushed, so that an interrupted push leaves an accurate list of the files
// it got to.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What a status of the C-STORE response means: "Success", "Refused: out of resources"
// (0xA7xx), ... ; "no response" for a negative status (none came). A static text.
const char *Push_Status_Meaning(int status);

// "0xA700" for a status; "" for a negative one (none came).
std::string Push_Status_Hex(int status);

// True when `path` names a list: it ends in .csv or .json, in any case.
bool Push_Rows_Named(const std::string &path);

// One row of the list.
struct Push_Row {
  std::string path;
  std::string sop_instance;  // empty when not read
  int status = -1;           // the response's status, or -1 when none came
  std::string meaning;       // Push_Status_Meaning(status), or why the file was not sent
  bool stored = false;
};

// The list being written. Not thread-safe: one writer (the push worker) at a time.
struct Push_Rows_File {
  FILE *file = nullptr;
  bool json = false;
  int rows = 0;
};

// Makes (or empties) the list file `path`: .csv or .json by its extension, any case.
// Returns 1 with the header written; returns 0 with `why` set (an unknown extension,
// or the system's error text when it cannot be written).
int Push_Rows_Open(Push_Rows_File *list, const std::string &path, std::string *why);

// Appends `row` and flushes it. Returns 0 when the write failed.
int Push_Rows_Write(Push_Rows_File *list, const Push_Row &row);

// Closes the list. Returns 0 when the close failed (the list may be cut).
int Push_Rows_Close(Push_Rows_File *list);

// Reads the list file `path` (either format, by its extension) and gives the paths of
// the rows not stored, in the file's order. Returns 1; returns 0 with `why` set when
// the file cannot be read or is not such a list (the line or place named).
int Push_Rows_Not_Stored(const std::string &path, std::vector<std::string> *paths, std::string *why);
