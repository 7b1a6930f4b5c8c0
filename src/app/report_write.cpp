// Report_Write: both reports are composed in memory, row by row, and then written to
// their files with CR LF line ends. Texts taken from the catalogue (header values, file
// names) are made safe for their format: every control byte is written as a visible
// escape ("\n", "\t", "\xNN"), so that a value never splits a CSV cell or line nor
// puts a raw control byte into either file; backslashes and braces are escaped in the
// RTF document; and a CSV cell that a spreadsheet would read as a formula gets a
// leading apostrophe, so that opening a report never runs what a file's header holds.
//
// Index: names and paths / texts / CSV / RTF / files / Report_Write.
#include "app/report_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "app/configuration.h"
#include "app/report_template.h"
#include "app/list_text.h"
#include "dicom/NEMA_db.h"
#include "dicom/conv_name_fct.h"
#include "platform/os/os_files.h"
#include "platform/os/os_paths.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/text_escape.h"
#include "util/utf8.h"

enum {
  REPORT_NAME_MAX = 118,
  RTF_UNKNOWN = '?',  // the fallback byte of a character the code page lacks
};

// ---- names and paths ---------------------------------------------------------------------------

std::string Report_Name(const char *folder)
{
  if (!folder || !*folder) return "";
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path == "/") return "root";
  std::string name = path.substr(path.rfind('/') + 1);
  return name.substr(0, REPORT_NAME_MAX);
}

int Report_Paths(int order, const std::string &name, const std::string &out_dir, std::string *rtf, std::string *csv)
{
  static const char *const order_word[SORT_ORDERS] = {"File", "Study", "Date", "PID", "Name"};
  if (order < 0 || order >= SORT_ORDERS) return 0;
  std::string folder = out_dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string stem = folder + "Dir_" + order_word[order] + "_" + name;
  *rtf = stem + ".rtf";
  *csv = stem + ".csv";
  return 1;
}

// ---- texts ---------------------------------------------------------------------------------------

// The fallback of a \uN escape: the character's byte in the document's code page (1252)
// when it has one, else "?", always in the \'hh form: readers that know \uN skip it as
// one character, and some skip a whole run of plain letters after \uN instead.
static std::string Rtf_Fallback(int32_t c)
{
  static const uint16_t cp1252_high[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  int byte = c >= 0xA0 && c <= 0xFF ? c : -1;
  for (int i = 0; byte < 0 && i < 32; i++)
    if (cp1252_high[i] == c) byte = 0x80 + i;
  char text[8];
  std::snprintf(text, sizeof text, "\\'%02x", byte < 0 ? RTF_UNKNOWN : byte);
  return text;
}

// A value as RTF text: control bytes escaped as in the CSV, backslashes and braces
// escaped, characters beyond ASCII as \uN escapes (UTF-16 units, signed, as RTF wants
// them) with their code-page fallback; a byte that is not UTF-8 (a file name in another
// encoding) is written as the code-page byte it always was.
static std::string Rtf_Escape(const std::string &text)
{
  std::string escaped = Text_Escape(text.c_str(), 0), out;
  const unsigned char *p = (const unsigned char *)escaped.data(), *end = p + escaped.size();
  while (p < end) {
    const unsigned char *start = p;
    int32_t c = Utf8_Next(&p, end);
    char unit[16];
    if (c == UTF8_INVALID) {
      std::snprintf(unit, sizeof unit, "\\'%02x", *start);
      out += unit;
    } else if (c < 0x80) {
      if (c == '\\' || c == '{' || c == '}') out += '\\';
      out += (char)c;
    } else if (c < 0x10000) {
      std::snprintf(unit, sizeof unit, "\\u%d", (int)(int16_t)(uint16_t)c);
      out += unit + Rtf_Fallback(c);
    } else {
      int32_t v = c - 0x10000;
      std::snprintf(unit, sizeof unit, "\\u%d", (int)(int16_t)(uint16_t)(0xD800 + (v >> 10)));
      out += unit + Rtf_Fallback(-1);
      std::snprintf(unit, sizeof unit, "\\u%d", (int)(int16_t)(uint16_t)(0xDC00 + (v & 0x3FF)));
      out += unit + Rtf_Fallback(-1);
    }
  }
  return out;
}

// A plain number: an optional sign, digits with at most one decimal point, and an
// optional exponent ("-12", "+3.5", "-1.2e-3"). A spreadsheet reads it as the number.
static bool Plain_Number(const char *text)
{
  const char *p = text;
  if (*p == '+' || *p == '-') p++;
  int digits = 0;
  while (*p >= '0' && *p <= '9') p++, digits++;
  if (*p == '.') {
    p++;
    while (*p >= '0' && *p <= '9') p++, digits++;
  }
  if (!digits) return false;
  if (*p == 'e' || *p == 'E') {
    p++;
    if (*p == '+' || *p == '-') p++;
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9') p++;
  }
  return *p == 0;
}

// Whether a spreadsheet would take the cell `text` for a formula: it begins with "=",
// "+", "-", "@", a tab or a carriage return and is not a plain number.
static bool Formula_Like(const char *text)
{
  return text[0] && std::strchr("=+-@\t\r", text[0]) && !Plain_Number(text);
}

// A cell from a header value or a file name: control bytes escaped, and a leading
// apostrophe before a text that would be read as a formula.
static std::string Csv_Cell(const char *text)
{
  if (!text) return "";
  std::string cell = Text_Escape(text, 0);
  return Formula_Like(text) ? "'" + cell : cell;
}

static std::string Study_Name(const item_study *study)
{
  return Rtf_Escape(List_Text_Name(*study));
}

static std::string Study_Date(const item_study *study)
{
  char text[STUDY_DATE_TEXT];
  return List_Text_Date(*study, text);
}

static std::string Format(const char *format, int value, const char *word = "")
{
  char text[64];
  std::snprintf(text, sizeof text, format, value, word);
  return text;
}

// ---- CSV -------------------------------------------------------------------------------------------

static const char *const level_caption[REPORT_LEVELS] = {"Study Header", "Series Header", "Image Header"};
static const char *const level_closing[REPORT_LEVELS] = {"Nb Series\tNb Files\tFrom\tTo", "Nb Files\tFrom\tTo",
                                                         "File name"};

static void Csv_Head(std::string &csv)
{
  csv += "sep=\t\n";
  for (int level = 0; level < REPORT_LEVELS; level++) {
    const Catalogue_Template &columns = Report_Template_Of(level);
    if (columns.count == 0) continue;
    std::string names = std::string(level_caption[level]) + "\t", tags = "\t";
    for (int i = 0; i < columns.count; i++) {
      uint16_t group = columns.group[i], element = columns.element[i];
      if (group == 0 && element == 0) {
        names += "\t";
        tags += "\t";
        continue;
      }
      const NEMA_db_Entry *entry = NEMA_db_Lookup(group, element);
      names += std::string(entry ? entry->name : "Unknown tag") + "\t";
      char tag[32];
      std::snprintf(tag, sizeof tag, "=\"(%04X,%04X)\"%c", group, element, '\t');
      tags += tag;
    }
    csv += names + level_closing[level] + "\n" + tags + "\n";
  }
}

// The template cells of one record, each followed by a tab; an empty column stays empty.
static std::string Csv_Columns(int level, char **info)
{
  const Catalogue_Template &columns = Report_Template_Of(level);
  std::string cells;
  for (int i = 0; i < columns.count; i++) {
    bool empty = columns.group[i] == 0 && columns.element[i] == 0;
    cells += Csv_Cell(empty ? nullptr : Catalogue_Info_Text(info, i)) + "\t";
  }
  return cells;
}

static void Csv_Row(std::string &csv, const List_Tree *node)
{
  int level = node->kind == LIST_STUDY ? REPORT_STUDY : node->kind == LIST_SERIES ? REPORT_SERIES
            : node->kind == LIST_IMAGE ? REPORT_IMAGE : -1;
  if (level < 0 || Report_Template_Of(level).count == 0) return;
  if (level == REPORT_STUDY) {
    const item_study *study = (const item_study *)node->item;
    csv += "Study\t" + Csv_Columns(level, study->DICOM_Info) + Format("(%d series)\t", study->nb_child) +
           Format("(%d files)\t", study->nb_file) + Csv_Cell(study->first_file);
    if (study->nb_file > 1) csv += "\t" + Csv_Cell(study->last_file);
  } else if (level == REPORT_SERIES) {
    const item_series *series = (const item_series *)node->item;
    csv += "Series\t" + Csv_Columns(level, series->DICOM_Info) + Format("(%d images)\t", node->nb_child) +
           Csv_Cell(series->first_file);
    if (node->nb_child > 1) csv += "\t" + Csv_Cell(series->last_file);
  } else {
    const item_file *file = (const item_file *)node->item;
    csv += "Image\t" + Csv_Columns(level, file->DICOM_Info) + Csv_Cell(file->path);
  }
  csv += "\n";
}

// ---- RTF -------------------------------------------------------------------------------------------

static void Rtf_Head(std::string &rtf, const std::string &name)
{
  rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033";
  rtf += "{\\fonttbl\\f0\\fswiss Arial;}\n";
  rtf += "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green100\\blue0;}\n";
  rtf += "\\par{\\b " + Rtf_Escape(name) + "}\n";
}

// The study line: its layout follows bits 0x01, 0x02 and 0x04 of flag_print.
static std::string Rtf_Study(const item_study *study, int depth, int order, int print)
{
  std::string patient = "{\\cf3 patient: \\cf1\\b " + Study_Name(study) + "}, \t";
  std::string id = Rtf_Escape(List_Text_Or_Missing(study->Study_ID));
  std::string text;
  if (print & 0x02) {
    text.assign(4 * (size_t)depth, ' ');
    std::string date = "{\\cf3 " + Study_Date(study) + "}\t";
    std::string study_piece = "{\\cf3 study:} {\\cf1\\b " + id + "}\t";
    if (print & 0x04)
      text += (order != SORT_PATIENT_NAME ? patient : "") + study_piece + (order != SORT_STUDY_DATE ? date : "");
    else
      text += study_piece + (order == SORT_STUDY_DATE ? patient : date);
    std::string folders;
    for (int i = 0; i < CATALOGUE_FOLDERS; i++)
      if (study->folder[i][0]) folders += (folders.empty() ? "" : "\t") + Rtf_Escape(study->folder[i]);
    return text + "{\\cf2\\b " + folders + "}";
  }
  if (print & 0x01) {
    text.assign((size_t)depth, '\t');
    std::string study_piece = "{\\cf3 study: \\cf1\\b " + id + "}\t";
    std::string patient_piece = order != SORT_PATIENT_NAME ? patient : "";
    text += (print & 0x04) ? patient_piece + study_piece : study_piece + patient_piece;
    if (order != SORT_PATIENT_ID) text += "{\\cf3 id: \\cf1\\b " + Rtf_Escape(List_Text_Or_Missing(study->Patient_ID)) + "}";
  }
  return text;
}

static void Rtf_Row(std::string &rtf, const List_Row &row, int order, int print)
{
  const List_Tree *node = row.node;
  std::string indent((size_t)row.depth, '\t'), value;
  List_Text_Value(*node, value);
  std::string caption = List_Text_Caption(*node);
  const item_study *first = (const item_study *)node->item;  // group and study rows
  switch (node->kind) {
  case LIST_FILE:
    rtf += indent + caption + " " + Rtf_Escape(value);
    break;
  case LIST_GROUP_NAME:
    rtf += "\\par\n{\\cf1\\b " + Rtf_Escape(value) + "}\t{\\cf3id:} {\\cf1\\b " +
           Rtf_Escape(List_Text_Or_Missing(first->Patient_ID)) + "}";
    break;
  case LIST_GROUP_PID:
    rtf += "\\par\n{\\cf3" + caption + "} {\\cf1\\b " + Rtf_Escape(value) + "}\t{\\cf1\\b " + Study_Name(first) + "}";
    break;
  case LIST_GROUP_DATE:
    rtf += "\\par\n" + indent + "{\\cf3 " + caption + " \\cf1\\b " + Rtf_Escape(value) + "}" +
           Format("\t{\\cf3(%d stud%s)}", node->nb_child, node->nb_child == 1 ? "y" : "ies");
    break;
  case LIST_STUDY:
    rtf += Rtf_Study(first, row.depth, order, print);
    break;
  case LIST_SERIES:
    rtf += indent + caption + " {\\b " + Rtf_Escape(value) + "}" + Format("\t(%d images)", node->nb_child);
    break;
  case LIST_IMAGE:
    rtf += indent + caption + " {\\b " + Rtf_Escape(value) + "}\t(file " +
           Rtf_Escape(List_Text_Or_Missing(((const item_file *)node->item)->path)) + ")";
    break;
  default:  // the root and directories: an empty paragraph
    break;
  }
  rtf += "\\par\n";
}

// ---- files -------------------------------------------------------------------------------------------

// Creates (or empties) a report file for the user alone, refusing a symbolic link, a
// FIFO or another user's file in its place. Returns the descriptor, or -1 with errno set.
static int Report_Create(const std::string &path)
{
  Os_Own_File_Fault fault;
  return Os_Own_File_Open(path, OS_OWN_FILE_REPLACE, &fault);
}

// Writes `text` with every line feed stored as CR LF, then closes the file. Returns 1, or
// 0 after reporting a failed write.
static int Report_Fill(int fd, const std::string &text, const std::string &path)
{
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  int code = Os_Write_All(fd, bytes.data(), bytes.size()) ? 0 : errno;
  if (close(fd) != 0 && code == 0) code = errno;
  if (code == 0) return 1;
  Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Unable to write report file %s", Log_Value_Escape(path).c_str());
  Message_Log(nullptr, MSG_WARNING, "\t\t %s", Error_Text(code));
  return 0;
}

// ---- Report_Write ------------------------------------------------------------------------------------

int Report_Write(const List_Rows &rows, int order, const char *folder, const char *out_dir)
{
  std::string name = Report_Name(folder), rtf_path, csv_path;
  if (name.empty()) return 0;
  if (!Report_Paths(order, name, out_dir ? out_dir : Os_Temp_Dir(), &rtf_path, &csv_path)) return 0;
  Message_Log(nullptr, MSG_REPORT, "     in %s", Log_Value_Escape(rtf_path).c_str());

  int rtf_fd = Report_Create(rtf_path);
  if (rtf_fd < 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Unable to open RTF dir file");
    Message_Log(nullptr, MSG_WARNING, "\t\t %s", Error_Text(errno));
    return 0;
  }
  int csv_fd = Report_Create(csv_path);
  if (csv_fd < 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Unable to open \"csv\" file");
    Message_Log(nullptr, MSG_WARNING, "\t\t %s", Error_Text(errno));
    close(rtf_fd);
    return 0;
  }

  int print = flag_print;
  std::string rtf, csv;
  Rtf_Head(rtf, name);
  Csv_Head(csv);
  for (int i = 0; i < rows.nb_row; i++) {
    Rtf_Row(rtf, rows.row[i], order, print);
    Csv_Row(csv, rows.row[i].node);
  }
  rtf += " }";
  int rtf_done = Report_Fill(rtf_fd, rtf, rtf_path);
  int csv_done = Report_Fill(csv_fd, csv, csv_path);
  return rtf_done && csv_done;
}
