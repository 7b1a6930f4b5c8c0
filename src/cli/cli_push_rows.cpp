// The push result list: the status meanings, the row writers for CSV and for JSON
// (kept valid by writing each row over the closing bracket), and the readers that give
// back the rows not stored. The JSON reader takes the array of flat objects that the
// writer makes (strings, null, true, false, numbers), not JSON at large.
#include "cli/cli_push_rows.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "cli/cli_json.h"

namespace {

const char CSV_HEADER[] = "path,sop_instance_uid,status,meaning,stored\n";
const char JSON_CLOSE[] = "\n]\n";  // after the last row; each row is written over it
const long JSON_CLOSE_SIZE = sizeof JSON_CLOSE - 1;

// Statuses of the C-STORE response (PS3.4 Annex B and PS3.7 Annex C), whole or by
// their high byte or nibble.
struct Status_Text {
  int value, mask;
  const char *meaning;
};

const int WHOLE = 0xFFFF, HIGH_BYTE = 0xFF00, HIGH_NIBBLE = 0xF000;

const Status_Text STATUS_TEXTS[] = {
    {0x0000, WHOLE, "Success"},
    {0xB000, WHOLE, "Warning: coercion of data elements"},
    {0xB006, WHOLE, "Warning: elements discarded"},
    {0xB007, WHOLE, "Warning: data set does not match SOP class"},
    {0x0110, WHOLE, "Failure: processing failure"},
    {0x0111, WHOLE, "Failure: duplicate SOP instance"},
    {0x0117, WHOLE, "Failure: invalid SOP instance"},
    {0x0122, WHOLE, "Refused: SOP class not supported"},
    {0x0124, WHOLE, "Refused: not authorized"},
    {0x0210, WHOLE, "Failure: duplicate invocation"},
    {0x0211, WHOLE, "Failure: unrecognized operation"},
    {0x0212, WHOLE, "Failure: mistyped argument"},
    {0x0213, WHOLE, "Failure: resource limitation"},
    {0xFE00, WHOLE, "Cancel"},
    {0xA700, HIGH_BYTE, "Refused: out of resources"},
    {0xA900, HIGH_BYTE, "Error: data set does not match SOP class"},
    {0xC000, HIGH_NIBBLE, "Error: cannot understand"},
    {0xB000, HIGH_NIBBLE, "Warning"},
    {0xA000, HIGH_NIBBLE, "Failure"},
};

bool Ends_With_Ignoring_Case(const std::string &text, const char *tail)
{
  size_t length = std::strlen(tail);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, tail) == 0;
}


// ---- CSV ----------------------------------------------------------------------------------

std::string Csv_Field(const std::string &value)
{
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Splits `text` into records of fields. Returns 0 with `why` at an unterminated quote.
int Csv_Records(const std::string &text, std::vector<std::vector<std::string>> *records, std::string *why)
{
  std::vector<std::string> fields(1);
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"' && fields.back().empty()) {
      size_t close = i + 1;
      for (;; close += 2) {
        close = text.find('"', close);
        if (close == std::string::npos) {
          *why = "a quote opened in record " + std::to_string(records->size() + 1) + " is never closed";
          return 0;
        }
        if (close + 1 >= text.size() || text[close + 1] != '"') break;
      }
      for (size_t k = i + 1; k < close; k++) {
        fields.back() += text[k];
        if (text[k] == '"') k++;
      }
      i = close + 1;
    } else if (c == ',') {
      fields.emplace_back();
      i++;
    } else if (c == '\n' || c == '\r') {
      records->push_back(fields);
      fields.assign(1, "");
      i += c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    } else {
      fields.back() += c;
      i++;
    }
  }
  if (fields.size() > 1 || !fields[0].empty()) records->push_back(fields);
  return 1;
}

int Csv_Not_Stored(const std::string &text, std::vector<std::string> *paths, std::string *why)
{
  std::vector<std::vector<std::string>> records;
  if (!Csv_Records(text, &records, why)) return 0;
  const std::string header(CSV_HEADER, sizeof CSV_HEADER - 2);  // without its line feed
  if (records.empty() || records[0].size() != 5 || records[0][0] + "," + records[0][1] + "," + records[0][2] + "," +
                                                        records[0][3] + "," + records[0][4] != header) {
    *why = "the first line is not \"" + header + "\"";
    return 0;
  }
  for (size_t r = 1; r < records.size(); r++) {
    const std::vector<std::string> &fields = records[r];
    if (fields.size() != 5 || (fields[4] != "yes" && fields[4] != "no")) {
      *why = "record " + std::to_string(r + 1) + " is not 5 fields ending in yes or no";
      return 0;
    }
    if (fields[4] == "no") paths->push_back(fields[0]);
  }
  return 1;
}

// ---- JSON ---------------------------------------------------------------------------------

// A reader over the text, for the writer's own array of flat objects.
struct Json_Reader {
  explicit Json_Reader(const std::string &json) : text(json) {}
  const std::string &text;
  size_t at = 0;
  std::string why;

  void Space()
  {
    while (at < text.size() && std::strchr(" \t\r\n", text[at])) at++;
  }
  bool Take(char c)
  {
    Space();
    if (at < text.size() && text[at] == c) {
      at++;
      return true;
    }
    return false;
  }
  bool Fail(const char *what)
  {
    if (why.empty()) why = std::string(what) + " at byte " + std::to_string(at);
    return false;
  }
  // Appends the UTF-8 form of `code`; \udcXX gives back the byte XX (cli/cli_json.h).
  static void Append_Code(std::string &out, unsigned code)
  {
    if (code >= 0xDC80 && code <= 0xDCFF) out += (char)(code & 0xFF);
    else if (code < 0x80) out += (char)code;
    else if (code < 0x800) {
      out += (char)(0xC0 | (code >> 6));
      out += (char)(0x80 | (code & 0x3F));
    } else {
      out += (char)(0xE0 | (code >> 12));
      out += (char)(0x80 | ((code >> 6) & 0x3F));
      out += (char)(0x80 | (code & 0x3F));
    }
  }
  bool String(std::string *out)
  {
    if (!Take('"')) return Fail("a string was expected");
    while (at < text.size() && text[at] != '"') {
      char c = text[at++];
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (at >= text.size()) break;
      char e = text[at++];
      const char *plain = std::strchr("\"\\/bfnrt", e);
      if (!plain) {
        if (e != 'u' || at + 4 > text.size()) return Fail("a bad escape");
        char *end = nullptr;
        const std::string digits = text.substr(at, 4);
        unsigned code = (unsigned)std::strtoul(digits.c_str(), &end, 16);
        if (*end) return Fail("a bad \\u escape");
        Append_Code(*out, code);
        at += 4;
      } else {
        *out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
      }
    }
    if (at >= text.size()) return Fail("a string is not closed");
    at++;
    return true;
  }
  // A value other than a string: null, true, false or a number, as written.
  bool Word(std::string *out)
  {
    Space();
    size_t start = at;
    while (at < text.size() && (std::isalnum((unsigned char)text[at]) || std::strchr("+-.", text[at]))) at++;
    *out = text.substr(start, at - start);
    return at > start || Fail("a value was expected");
  }
  // One object: fills *path and *stored (1 true, 0 false, -1 absent).
  bool Object(std::string *path, int *stored)
  {
    if (!Take('{')) return Fail("an object was expected");
    *stored = -1;
    bool has_path = false;
    if (Take('}')) return Fail("an empty row");
    do {
      std::string key, value;
      if (!String(&key) || !Take(':')) return Fail("a key was expected");
      Space();
      bool text_value = at < text.size() && text[at] == '"';
      if (!(text_value ? String(&value) : Word(&value))) return false;
      if (key == "path" && text_value) {
        *path = value;
        has_path = true;
      } else if (key == "stored") {
        *stored = value == "true" ? 1 : value == "false" ? 0 : -1;
      }
    } while (Take(','));
    if (!Take('}')) return Fail("the object is not closed");
    return (has_path && *stored >= 0) || Fail("a row without its path or stored true or false");
  }
};

int Json_Not_Stored(const std::string &text, std::vector<std::string> *paths, std::string *why)
{
  Json_Reader reader(text);
  bool good = reader.Take('[') || reader.Fail("the list does not start with [");
  if (good && !reader.Take(']')) {
    do {
      std::string path;
      int stored = 0;
      good = reader.Object(&path, &stored);
      if (good && !stored) paths->push_back(path);
    } while (good && reader.Take(','));
    good = good && (reader.Take(']') || reader.Fail("the list is not closed"));
  }
  reader.Space();
  if (good && reader.at != text.size()) good = reader.Fail("text after the list");
  if (!good) *why = reader.why;
  return good ? 1 : 0;
}

}  // namespace

std::string Push_Status_Hex(int status)
{
  if (status < 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", (unsigned)status);
  return text;
}

bool Push_Rows_Named(const std::string &path)
{
  return Ends_With_Ignoring_Case(path, ".csv") || Ends_With_Ignoring_Case(path, ".json");
}

const char *Push_Status_Meaning(int status)
{
  if (status < 0) return "no response";
  for (const Status_Text &entry : STATUS_TEXTS)
    if ((status & entry.mask) == entry.value) return entry.meaning;
  return "unknown status";
}

int Push_Rows_Open(Push_Rows_File *list, const std::string &path, std::string *why)
{
  const bool json = Ends_With_Ignoring_Case(path, ".json");
  if (!Push_Rows_Named(path)) {
    *why = "the result file must end in .csv or .json";
    return 0;
  }
  FILE *file = std::fopen(path.c_str(), "w");
  if (!file) {
    *why = std::strerror(errno);
    return 0;
  }
  list->file = file;
  list->json = json;
  list->rows = 0;
  const bool written = json ? std::fputs("[", file) >= 0 && std::fputs(JSON_CLOSE, file) >= 0 &&
                                  std::fseek(file, -JSON_CLOSE_SIZE, SEEK_CUR) == 0
                            : std::fputs(CSV_HEADER, file) >= 0;
  if (!written || std::fflush(file) != 0) {
    *why = std::strerror(errno);
    std::fclose(file);
    list->file = nullptr;
    return 0;
  }
  return 1;
}

int Push_Rows_Write(Push_Rows_File *list, const Push_Row &row)
{
  if (!list->file) return 0;
  std::string text;
  if (list->json) {
    text = list->rows ? ",\n{" : "\n{";
    Json_Key(text, "path", true);
    Json_Text(text, row.path.c_str());
    Json_Key(text, "sop_instance_uid");
    Json_Text(text, row.sop_instance.c_str());
    Json_Key(text, "status");
    if (row.status < 0) text += "null";
    else Json_Text(text, Push_Status_Hex(row.status).c_str());
    Json_Key(text, "meaning");
    Json_Text(text, row.meaning.c_str());
    Json_Key(text, "stored");
    text += row.stored ? "true}" : "false}";
    text += JSON_CLOSE;
  } else {
    text = Csv_Field(row.path) + "," + Csv_Field(row.sop_instance) + "," + Push_Status_Hex(row.status) + "," +
           Csv_Field(row.meaning) + "," + (row.stored ? "yes" : "no") + "\n";
  }
  list->rows++;
  bool written = std::fwrite(text.data(), 1, text.size(), list->file) == text.size() && std::fflush(list->file) == 0;
  if (written && list->json) written = std::fseek(list->file, -JSON_CLOSE_SIZE, SEEK_CUR) == 0;
  return written ? 1 : 0;
}

int Push_Rows_Close(Push_Rows_File *list)
{
  if (!list->file) return 1;
  int closed = std::fclose(list->file) == 0;
  list->file = nullptr;
  return closed;
}

int Push_Rows_Not_Stored(const std::string &path, std::vector<std::string> *paths, std::string *why)
{
  const bool json = Ends_With_Ignoring_Case(path, ".json");
  if (!Push_Rows_Named(path)) {
    *why = "the result file must end in .csv or .json";
    return 0;
  }
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *why = std::strerror(errno);
    return 0;
  }
  std::string text;
  char block[65536];
  for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) {
    *why = std::strerror(EIO);
    return 0;
  }
  return json ? Json_Not_Stored(text, paths, why) : Csv_Not_Stored(text, paths, why);
}
