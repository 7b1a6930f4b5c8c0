// The definition-file format shared by the module, attribute, include and private
// dictionary files of the module folder: lines of text with ';' comments, each line an
// attribute "(gggg,eeee) type=1 VR=US desc=... "value"" behind optional markers
// (! forced, = default, - removed, + append) and one '>' per level of sequence nesting,
// or an include line naming a macro file whose lines are read in at the include line's
// depth. Reading is in three steps: text lines, attribute lines, then the flat list
// that a header reader would have made of the same data set (sequences, items and
// their delimiters as records), ready to be nested by DICOM_Attribute_Format_Move.
//
// Every fault of a file is one warning of the library's warning kind naming the file
// and line, followed by one line that says what is wrong; the faulty token, byte or
// line is left out and reading goes on, except after an overlong line, which ends the
// file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

enum {
  DICOM_DEFINITION_LINE_MAX = 2048,     // longest line, in bytes
  DICOM_DEFINITION_LINES_MAX = 100000,  // most attribute lines of one file with its includes
};

// One line of text: trimmed, tabs read as blanks, without its comment (kept apart).
struct DICOM_Definition_Text {
  std::string text;     // before the first ';' outside double quotes, trimmed; never empty
  std::string comment;  // after that ';', trimmed; "" when the line has none
  int number;           // line number in the file, from 1
};

// Reads the text lines of the file `path`; `name` names it in warnings. Bytes: tab reads
// as a blank, carriage return is dropped, line feed ends a line, form feed ends the
// file, 0x92 reads as an apostrophe; another control byte stays, with a warning "Bad
// charact." (the curly left quote 0x91 stays without one); a line over
// DICOM_DEFINITION_LINE_MAX bytes ends the file with a warning; a last line without its
// line feed is not used (a warning says so). Empty lines are skipped. Returns 1 with
// the lines appended to `lines`; returns 0 when the file cannot be opened or read, or is
// no regular file (nothing reported: callers report in their own words), `lines` untouched.
int DICOM_Definition_Text_Read(Window_Handle owner, const std::string &path, const std::string &name,
                               std::vector<DICOM_Definition_Text> &lines);

// One attribute line, read and checked. `fields` is the record it describes: origin
// DICOM_ORIGIN_MODULE with the flags of the line's markers, mode little endian
// (NEMA_MODE_EXPLICIT), type "3 " unless given, the VR given or else the dictionary's
// first, size that of the value (-1 for a sequence); its `data` and `description` are
// null, the value and description being held here.
struct DICOM_Definition_Line {
  int depth;               // nesting depth: its '>' count plus that of the include line it came through
  DICOM_Attribute fields;
  std::string value;       // the value bytes, stored by VR (little endian numbers)
  std::string description;
  std::string file;        // the file and line it was read from, for warnings
  int number;
};

// The lines of the macro `macro` of an include line (depth 0 for the macro's own top),
// or nullptr when there are none, with `why` saying why (it is written in a warning).
typedef std::function<const std::vector<DICOM_Definition_Line> *(const std::string &macro, std::string &why)>
    DICOM_Include_Reader;

// Reads the attribute lines of `text` (the text lines of the file `name`) into `lines`,
// in order, with the lines of each included macro in place of the include line. An
// include line is one whose text after its markers and its '>' is #include or include
// (the i of any case) and the macro name, as in #include "Code_Sequence"; the quotes of
// the name (also 0x91, 0x92 and ') are dropped; `include` gives the macro's lines.
// Faulty tokens are left out of their line with a warning; a line that is no attribute
// is skipped with a warning; an include that would make the file's lines more than
// DICOM_DEFINITION_LINES_MAX (macros including one macro many times over) ends the file
// with a warning. Returns the number of lines appended.
int DICOM_Definition_Parse(Window_Handle owner, const std::vector<DICOM_Definition_Text> &text, const std::string &name,
                           const DICOM_Include_Reader &include, std::vector<DICOM_Definition_Line> &lines);

// The flat list of `lines`, in order, as a header reader makes it from a stream: an SQ
// line (or a line without VR followed by deeper lines, which then becomes one) opens a
// sequence of undefined length, its deeper lines go into one item (FFFE,E000); going
// back to a shallower depth closes the item (FFFE,E00D) and the sequence (FFFE,E0DD); a
// sequence without deeper lines gets its delimiter at once; every item and sequence
// still open is closed at the end. Those records have origin DICOM_ORIGIN_MODULE and no
// VR. A line deeper than the sequence above it allows is taken at the deepest depth it
// can have, with a warning. Returns the list (owned by the caller, to be nested with
// DICOM_Attribute_Format_Move and freed with DICOM_Attribute_Delete), nullptr when
// `lines` is empty or memory runs out (reported).
DICOM_Attribute *DICOM_Definition_List(Window_Handle owner, const std::vector<DICOM_Definition_Line> &lines);
