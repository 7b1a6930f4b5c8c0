// Reading definition files: bytes into text lines, text lines into attribute lines
// (markers, depth, tag, tokens, the value stored by its VR), attribute lines into the
// flat list of a data set. A file is read whole, then split: the files are small, and
// a regular file is the only kind accepted, so that a FIFO in the module folder cannot
// hold the reader.
//
// Index: warnings / text lines / tokens and values / attribute lines / flat list.
#include "dicom/NEMA_Read_Definition.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dicom/NEMA_Little_Endian.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

enum {
  VALUE_MAX = 1024,          // bytes of a value given on a line
  FORM_FEED = 0x0C,
  DELETE_BYTE = 0x7F,
  QUOTE_LEFT_CP1252 = 0x91,  // the curly quotes of Windows' code page 1252
  QUOTE_RIGHT_CP1252 = 0x92,
  C1_LAST = 0x9F,            // 0x80 to 0x9F: control bytes in ISO 8859-1
};

// The lead-in of the line that follows a file warning and says what is wrong.
#define FOLLOW_UP "\n    \xF1\t\t\x02 "

// ---- warnings ---------------------------------------------------------------------------------

// One warning: the file and line (as "reading file" for faults of the bytes, "reading
// Attribute file" for faults of the attribute), then the formatted fault.
static void File_Warning(Window_Handle owner, bool attribute, const std::string &name, int number, const char *format,
                         ...) __attribute__((format(printf, 5, 6)));
static void File_Warning(Window_Handle owner, bool attribute, const std::string &name, int number, const char *format,
                         ...)
{
  char fault[DICOM_DEFINITION_LINE_MAX + 256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(fault, sizeof fault, format, args);
  va_end(args);
  NEMA_Warning(owner, "reading %sfile:\x01%s\x02 line:\x01%d\x02" FOLLOW_UP "%s", attribute ? "Attribute " : "",
               name.c_str(), number, fault);
}

// ---- text lines -------------------------------------------------------------------------------

// The whole of the regular file `path` in `bytes`; false when it cannot be read.
static bool File_Bytes(const std::string &path, std::string &bytes)
{
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (ok) {
    bytes.resize((size_t)info.st_size);
    size_t done = 0;
    while (ok && done < bytes.size()) {
      ssize_t got = read(fd, &bytes[done], bytes.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) ok = got == 0;
      if (got <= 0) break;
      done += (size_t)got;
    }
    bytes.resize(done);
  }
  close(fd);
  return ok;
}

static std::string Trim(const std::string &text)
{
  size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

// Splits a line at its first ';' outside double quotes and keeps it when it has text.
static void Text_Line_Add(const std::string &line, int number, std::vector<DICOM_Definition_Text> &lines)
{
  size_t comment = std::string::npos;
  bool quoted = false;
  for (size_t i = 0; i < line.size() && comment == std::string::npos; i++) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) comment = i;
  }
  std::string text = Trim(line.substr(0, comment));
  if (text.empty()) return;
  lines.push_back({text, comment == std::string::npos ? "" : Trim(line.substr(comment + 1)), number});
}

// A byte no text of these files holds: a control byte of ASCII or ISO 8859-1. The
// curly left quote (0x91) is not one: include lines read it as a quote.
static bool Is_Control(unsigned char c)
{
  return c < ' ' || c == DELETE_BYTE || (c >= 0x80 && c <= C1_LAST && c != QUOTE_LEFT_CP1252);
}

int DICOM_Definition_Text_Read(Window_Handle owner, const std::string &path, const std::string &name,
                               std::vector<DICOM_Definition_Text> &lines)
{
  std::string bytes;
  if (!File_Bytes(path, bytes)) return 0;
  std::string line;
  int number = 1;
  bool ended = false;  // by a form feed or an overlong line
  for (size_t i = 0; i < bytes.size() && !ended; i++) {
    unsigned char c = (unsigned char)bytes[i];
    if (c == '\n') {
      Text_Line_Add(line, number++, lines);
      line.clear();
      continue;
    }
    if (c == '\r') continue;
    if (c == FORM_FEED) {
      ended = true;
      continue;
    }
    if (c == '\t') {
      c = ' ';
    } else if (c == QUOTE_RIGHT_CP1252) {
      c = '\'';
    } else if (Is_Control(c)) {
      File_Warning(owner, false, name, number, "Bad charact. 0x\x01%x\x02 (pos:\x01%d\x02)", c, (int)line.size() + 1);
    }
    if (line.size() == DICOM_DEFINITION_LINE_MAX) {
      File_Warning(owner, false, name, number, "Line too long (>%d)", DICOM_DEFINITION_LINE_MAX);
      ended = true;
      continue;
    }
    line += (char)c;
  }
  if (!ended && !Trim(line).empty())
    File_Warning(owner, false, name, number, "Last line without line feed (not used)");
  return 1;
}

// ---- tokens and values ------------------------------------------------------------------------

// The blank-separated tokens of `text`; a double-quoted run is never split.
static std::vector<std::string> Tokens(const std::string &text)
{
  std::vector<std::string> tokens;
  std::string token;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ' ' && !quoted) {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) tokens.push_back(token);
  return tokens;
}

// `text` without its enclosing double quotes.
static std::string Unquote(const std::string &text)
{
  size_t start = !text.empty() && text.front() == '"' ? 1 : 0;
  size_t end = text.size() > start && text.back() == '"' ? text.size() - 1 : text.size();
  return text.substr(start, end - start);
}

static bool Starts_With(const std::string &text, const char *prefix)
{
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// One number of a binary value, in [low, high], into `out`; false when it is none.
static bool Put_Integer(std::string &out, const std::string &part, int base, long long low, long long high, int bytes)
{
  if (part.empty()) return false;
  char *end;
  errno = 0;
  long long number = std::strtoll(part.c_str(), &end, base);
  if (*end || errno || number < low || number > high) return false;
  NEMA_Append_Little_Endian(out, (uint64_t)number, bytes);
  return true;
}

static bool Put_Real(std::string &out, const std::string &part, bool single)
{
  if (part.empty()) return false;
  char *end;
  double number = std::strtod(part.c_str(), &end);
  if (*end || !std::isfinite(number)) return false;
  uint64_t bits = 0;
  if (single) {
    float narrow = (float)number;
    uint32_t narrow_bits;
    std::memcpy(&narrow_bits, &narrow, sizeof narrow);
    bits = narrow_bits;
  } else {
    std::memcpy(&bits, &number, sizeof number);
  }
  NEMA_Append_Little_Endian(out, bits, single ? 4 : 8);
  return true;
}

// One backslash-separated number of a value of `vr` into `out`.
static bool Put_Number(std::string &out, uint16_t vr, const std::string &part)
{
  switch (vr) {
  case DICOM_VR_US: return Put_Integer(out, part, 10, 0, UINT16_MAX, 2);
  case DICOM_VR_AT: return Put_Integer(out, part, 16, 0, UINT16_MAX, 2);
  case DICOM_VR_SS: return Put_Integer(out, part, 10, INT16_MIN, INT16_MAX, 2);
  case DICOM_VR_UL: return Put_Integer(out, part, 10, 0, UINT32_MAX, 4);
  case DICOM_VR_SL: return Put_Integer(out, part, 10, INT32_MIN, INT32_MAX, 4);
  case DICOM_VR_FL: return Put_Real(out, part, true);
  case DICOM_VR_FD: return Put_Real(out, part, false);
  default: return false;
  }
}

// Whether a line can give a value of `vr` as backslash-separated numbers.
static bool Takes_Numbers(uint16_t vr)
{
  std::string probe;
  return Put_Number(probe, vr, "0");
}

// The value `text` stored by `vr` in `out`: text padded to an even length, numbers
// little endian. False when the VR takes no value from a line, a number is bad or the
// value is longer than VALUE_MAX bytes.
static bool Value_By_VR(uint16_t vr, const std::string &text, std::string &out)
{
  out.clear();
  if (DICOM_VR_Is_Text(vr)) {
    out = text;
    if (out.size() & 1) out += DICOM_VR_Padding(vr);
  } else if (!Takes_Numbers(vr)) {
    return false;
  } else if (!text.empty()) {
    size_t start = 0;
    for (;;) {
      size_t end = text.find('\\', start);
      std::string part = Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (!Put_Number(out, vr, part)) return false;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return out.size() <= VALUE_MAX;
}

// ---- attribute lines ------------------------------------------------------------------------------

static const char *Skip_Blanks(const char *p)
{
  while (*p == ' ') p++;
  return p;
}

// The flags of the markers at `*p` (! = - +, in this order), moving `*p` past them.
static uint16_t Markers(const char **p)
{
  static const struct {
    char marker;
    uint16_t flag;
  } markers[] = {{'!', DICOM_FLAG_FORCED}, {'=', DICOM_FLAG_DEFAULT}, {'-', DICOM_FLAG_REMOVE}, {'+', DICOM_FLAG_APPEND}};
  uint16_t flags = 0;
  for (const auto &m : markers)
    if (**p == m.marker) {
      flags |= m.flag;
      *p = Skip_Blanks(*p + 1);
    }
  return flags;
}

static bool Hex4(const char *p, uint16_t *value)
{
  unsigned number = 0;
  for (int i = 0; i < 4; i++) {
    char c = p[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    number = number << 4 | (unsigned)digit;
  }
  *value = (uint16_t)number;
  return true;
}

// "(gggg,eeee)" at `p`; false when it is not there.
static bool Tag(const char *p, uint16_t *group, uint16_t *element)
{
  return p[0] == '(' && Hex4(p + 1, group) && p[5] == ',' && Hex4(p + 6, element) && p[10] == ')';
}

enum { TAG_TEXT = 11 };  // "(gggg,eeee)"

namespace {
// What the tokens of one line give.
struct Tokens_Read {
  bool has_value = false;
  std::string value;
  int16_t type = 0;
  uint16_t VR = 0;
  std::string description;
};
}  // namespace

// The type of "type=X" ("1", "1C", "2", "2C" or "3"), or 0.
static int16_t Type_Code(const std::string &text)
{
  static const char *const types[] = {"1", "1C", "2", "2C", "3"};
  std::string upper = text;
  for (char &c : upper) c = (char)std::toupper((unsigned char)c);
  for (const char *type : types)
    if (upper == type) return (int16_t)DICOM_VR_Code(type[0], type[1] ? type[1] : ' ');
  return 0;
}

// The VR of "VR=XX" (alternatives after a backslash allowed), or 0.
static uint16_t VR_Code(const std::string &text)
{
  if (text.size() < 2 || (text.size() > 2 && text[2] != '\\')) return 0;
  uint16_t vr = DICOM_VR_Code(text[0], text[1]);
  return DICOM_VR_Is_Standard(vr) ? vr : 0;
}

// Reads the tokens after the tag; a faulty token is left out with its warning.
static Tokens_Read Read_Tokens(Window_Handle owner, const std::string &rest, const DICOM_Definition_Text &line,
                               const std::string &name)
{
  Tokens_Read got;
  for (const std::string &token : Tokens(rest)) {
    if (token.front() == '"') {
      got.has_value = true;
      got.value = Unquote(token);
    } else if (Starts_With(token, "type=")) {
      if (!(got.type = Type_Code(Unquote(token.substr(5)))))
        File_Warning(owner, true, name, line.number, "Syntax error\"type=xx\" (=\x01%s\x02)", token.c_str());
    } else if (Starts_With(token, "desc=")) {
      got.description = Unquote(token.substr(5));
    } else if (Starts_With(token, "VR=")) {
      if (!(got.VR = VR_Code(Unquote(token.substr(3)))))
        File_Warning(owner, true, name, line.number, "Syntax error\"VR=xx\" (=\x01%s\x02)", token.c_str());
    } else if (!Starts_With(token, "VN=")) {
      File_Warning(owner, true, name, line.number, "Syntax error (=\x01%s\x02)", token.c_str());
    }
  }
  return got;
}

// The dictionary's first VR of a tag, 0 when it has none (RT: the table names none).
static uint16_t Dictionary_VR(const NEMA_db_Entry *entry)
{
  if (!entry || entry->VR_count < 1 || entry->VR[0] == DICOM_VR_RT) return 0;
  return entry->VR[0];
}

// Fills `out` from an attribute line whose markers and depth are read; `p` is at the tag.
static bool Attribute_Line(Window_Handle owner, const char *p, const DICOM_Definition_Text &line,
                           const std::string &name, DICOM_Definition_Line &out)
{
  uint16_t group, element;
  if (!Tag(p, &group, &element)) {
    File_Warning(owner, true, name, line.number, "Syntax error: expecting \"(xxxx,yyyy) ...\" instead of \"\x01%s\x02\"",
                 line.text.c_str());
    return false;
  }
  Tokens_Read got = Read_Tokens(owner, p + TAG_TEXT, line, name);
  DICOM_Attribute &r = out.fields;
  r.group = group;
  r.element = element;
  r.mode = NEMA_MODE_EXPLICIT;
  r.dictionary = NEMA_db_Lookup(group, element);
  r.VR = got.VR ? got.VR : Dictionary_VR(r.dictionary);
  r.type = got.type ? got.type : (int16_t)DICOM_VR_Code('3', ' ');
  out.description = got.description;
  if (r.VR == DICOM_VR_SQ) {
    r.size = -1;
  } else if (got.has_value) {
    if (Value_By_VR(r.VR, got.value, out.value)) {
      r.size = (int32_t)out.value.size();
    } else {
      out.value.clear();
      File_Warning(owner, true, name, line.number, "Problem with value (=\x01%s\x02)", got.value.c_str());
    }
  }
  return true;
}

// Where the macro name of an include line starts ("#include", or "include" with any
// first character), or nullptr for another line.
static const char *Include_Word(const char *p)
{
  static const char word[] = "nclude";
  size_t length = sizeof word - 1;
  if (*p && !std::strncmp(p + 1, word, length)) return p + 1 + length;
  if (*p == '#' && p[1] && !std::strncmp(p + 2, word, length)) return p + 2 + length;
  return nullptr;
}

// The macro name of an include line: the rest after "?nclude", without its quotes.
static std::string Macro_Name(const char *rest)
{
  std::string macro;
  for (const char *c = rest; *c; c++)
    if (*c != '"' && *c != '\'' && (unsigned char)*c != QUOTE_LEFT_CP1252 && (unsigned char)*c != QUOTE_RIGHT_CP1252)
      macro += *c;
  return Trim(macro);
}

int DICOM_Definition_Parse(Window_Handle owner, const std::vector<DICOM_Definition_Text> &text, const std::string &name,
                           const DICOM_Include_Reader &include, std::vector<DICOM_Definition_Line> &lines)
{
  size_t before = lines.size();
  for (const DICOM_Definition_Text &line : text) {
    const char *p = line.text.c_str();
    uint16_t flags = Markers(&p);
    int depth = 0;
    for (; *p == '>'; p = Skip_Blanks(p + 1)) depth++;
    const char *macro_text = Include_Word(p);
    if (macro_text) {
      std::string macro = Macro_Name(macro_text), why;
      const std::vector<DICOM_Definition_Line> *macro_lines = include(macro, why);
      if (!macro_lines) {
        File_Warning(owner, true, name, line.number, "%s", why.c_str());
        continue;
      }
      if (lines.size() - before + macro_lines->size() > (size_t)DICOM_DEFINITION_LINES_MAX) {
        File_Warning(owner, true, name, line.number, "Too many lines with the includes (>%d)", DICOM_DEFINITION_LINES_MAX);
        break;
      }
      Message_Log(owner, MSG_TRACE + 3, "-> insert new macro(%08x) in list %08x", (unsigned)(uintptr_t)macro_lines,
                  (unsigned)(uintptr_t)&lines);
      for (DICOM_Definition_Line included : *macro_lines) {
        included.depth += depth;
        lines.push_back(std::move(included));
      }
      continue;
    }
    DICOM_Definition_Line read{depth, {}, "", "", name, line.number};
    read.fields.flags = DICOM_ORIGIN_MODULE | flags;
    if (Attribute_Line(owner, p, line, name, read)) lines.push_back(std::move(read));
  }
  return (int)(lines.size() - before);
}

// ---- flat list --------------------------------------------------------------------------------

namespace {
// The walk over the lines: how many items are open, and whether the last record can
// open a sequence (an SQ must be closed; one without VR may become a sequence).
struct Nesting {
  Window_Handle owner;
  DICOM_Sequence_Root top;
  DICOM_Attribute *list;
  int open;
  DICOM_Attribute *last;  // the last record of a line
  bool failed;
};
}  // namespace

static void Structure_Add(Nesting &n, uint16_t element, int32_t size)
{
  DICOM_Attribute record{};
  record.flags = DICOM_ORIGIN_MODULE;
  record.mode = NEMA_MODE_EXPLICIT;
  record.group = 0xFFFE;
  record.element = element;
  record.size = size;
  if (!DICOM_Attribute_Insert(n.owner, &n.top, &n.list, &record)) n.failed = true;
}

static void Item_Open(Nesting &n)
{
  Structure_Add(n, 0xE000, -1);
  n.open++;
}

static void Item_Close(Nesting &n)
{
  Structure_Add(n, 0xE00D, 0);
  Structure_Add(n, 0xE0DD, 0);
  n.open--;
}

// Opens the item that a deeper line needs below the last record, or closes the last
// record's empty sequence.
static void Open_Or_Close_Last(Nesting &n, int depth)
{
  DICOM_Attribute *last = n.last;
  n.last = nullptr;
  if (!last) return;
  if (depth > n.open && (last->VR == DICOM_VR_SQ || !last->VR)) {
    last->VR = DICOM_VR_SQ;
    last->size = -1;
    Item_Open(n);
  } else if (last->VR == DICOM_VR_SQ) {
    Structure_Add(n, 0xE0DD, 0);
  }
}

static void Line_Add(Nesting &n, const DICOM_Definition_Line &line)
{
  Open_Or_Close_Last(n, line.depth);
  while (n.open > line.depth) Item_Close(n);
  if (line.depth > n.open)
    File_Warning(n.owner, true, line.file, line.number, "Nesting deeper than its sequence (=\x01%04x,%04x\x02)",
                 line.fields.group, line.fields.element);
  DICOM_Attribute record = line.fields;
  record.data = line.value.empty() ? nullptr : (unsigned char *)line.value.data();
  record.description = line.description.empty() ? nullptr : (char *)line.description.c_str();
  if (!(n.last = DICOM_Attribute_Insert(n.owner, &n.top, &n.list, &record))) n.failed = true;
}

DICOM_Attribute *DICOM_Definition_List(Window_Handle owner, const std::vector<DICOM_Definition_Line> &lines)
{
  Nesting n{owner, {}, nullptr, 0, nullptr, false};
  for (size_t i = 0; i < lines.size() && !n.failed; i++) Line_Add(n, lines[i]);
  if (!n.failed) Open_Or_Close_Last(n, 0);
  while (!n.failed && n.open > 0) Item_Close(n);
  if (n.failed) DICOM_Attribute_Delete(owner, &n.top, &n.list, 0xFFFF, 0xFFFF);
  return n.list;
}
