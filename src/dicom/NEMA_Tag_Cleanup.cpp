// Attribute cleanup by VR, byte-order repair and sorting. A cleanup copies the value
// into a working text, runs the steps that its VR's rule names (padding, character set,
// each value cut to its maximum length, even length; or the size check of stored
// numbers; plus the legacy forms of dates, times, ages and integers), stores the result
// as a new value when it changed, and then checks the value count against the
// dictionary. Every message starts with the tag and VR of the record, so the log tells
// which attribute was mended.
//
// Multi-valued dates and times are mended value by value, so a list of dates such as
// 20240131\19991201 survives its cleanup; IS values are range-checked exactly against
// the 32-bit range; the sort keeps item and delimiter records in place (an item record
// first in its item, the item delimiter last, a sequence delimiter right after its
// sequence) and keeps every list's link to its last record right, because appending
// relies on it.
//
// Index: messages / values / shared steps / dates, times, ages and integers / rules by
//        VR / value count / cleanup / byte order / sort.
#include "dicom/NEMA_Tag_Cleanup.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

static const char UNIT[] = "NEMA_Tag_Cleanup";

enum { MESSAGE_MAX = 2048, SHOWN_ENDS = 20, LEAD_NONE = -1 };

// The item and delimiter tags of group FFFE.
enum : uint16_t { ITEM_GROUP = 0xFFFE, ITEM_START = 0xE000, ITEM_END = 0xE00D, SEQUENCE_END = 0xE0DD };

// ---- messages -------------------------------------------------------------------------------------

namespace {
// One cleanup under way: the record, its value as a working text, and the message
// prefix naming its tag and VR.
struct Cleanup {
  Window_Handle owner;
  DICOM_Attribute *record;
  std::string value;
  char prefix[64];
};
}  // namespace

static uint16_t Record_VR(const DICOM_Attribute *record)
{
  return record->VR ? record->VR : (uint16_t)record->dictionary_VR;
}

static Cleanup Cleanup_Start(Window_Handle owner, DICOM_Attribute *record)
{
  Cleanup c{owner, record, {}, {}};
  if (record->data && record->size > 0) c.value.assign((const char *)record->data, (size_t)record->size);
  uint16_t VR = Record_VR(record);
  std::snprintf(c.prefix, sizeof c.prefix, "    (\x01%04x\x02,\x01%04x\x02) VR=%c%c", record->group,
                record->element, VR ? (char)(VR >> 8) : '-', VR ? (char)(VR & 0xFF) : '-');
  return c;
}

// The cleanup's two kinds of message, each after the record's prefix: a notice,
// something mended in place (padding, characters, old syntax, a trailing backslash),
// written after the byte 0x02 with the library's notice kind; a warning, a value cut,
// converted or refused, written after the warning markup with the library's warning kind.
enum Say_Kind { SAY_NOTICE, SAY_WARNING };

static void Say(const Cleanup &c, Say_Kind kind, const char *format, va_list args)
{
  char text[MESSAGE_MAX];
  std::vsnprintf(text, sizeof text, format, args);
  if (kind == SAY_NOTICE) NEMA_Notice(c.owner, "\x02%s %s", c.prefix, text);
  else NEMA_Warning(c.owner, "%s %s", c.prefix, text);
}

static void Notice(const Cleanup &c, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void Notice(const Cleanup &c, const char *format, ...)
{
  va_list args;
  va_start(args, format);
  Say(c, SAY_NOTICE, format, args);
  va_end(args);
}

static void Warning(const Cleanup &c, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void Warning(const Cleanup &c, const char *format, ...)
{
  va_list args;
  va_start(args, format);
  Say(c, SAY_WARNING, format, args);
  va_end(args);
}

// ---- values ---------------------------------------------------------------------------------------

// The values of a text, cut at every backslash (an empty text gives one empty value).
static std::vector<std::string> Split(const std::string &text)
{
  std::vector<std::string> values;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\\', start);
    values.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return values;
    start = end + 1;
  }
}

static std::string Join(const std::vector<std::string> &values)
{
  std::string text;
  for (size_t i = 0; i < values.size(); i++) text += (i ? "\\" : "") + values[i];
  return text;
}

static void Trim_Spaces(std::string &text)
{
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, first);
}

// A long text as its first and last 20 characters around "...".
static std::string Abbreviated(const std::string &text)
{
  if (text.size() <= 2 * SHOWN_ENDS) return text;
  return text.substr(0, SHOWN_ENDS) + "..." + text.substr(text.size() - SHOWN_ENDS);
}

// The decimal value of the digits among text[from, from + count).
static int Digits(const std::string &text, size_t from, size_t count)
{
  int value = 0;
  for (size_t i = from; i < from + count && i < text.size(); i++)
    if (std::isdigit((unsigned char)text[i])) value = value * 10 + (text[i] - '0');
  return value;
}

// ---- shared steps ---------------------------------------------------------------------------------

// Trailing pad characters go. A value that ends in the other pad character (NUL for a
// space-padded VR, space for a NUL-padded one) was padded wrongly: those bytes go too,
// with a notice, and the step ends. Otherwise leading `lead` characters go (LEAD_NONE:
// none).
static void DICOM_Tag_Cleanup_Padding(Cleanup &c, int lead, char pad)
{
  std::string &value = c.value;
  const std::string shown = value;
  const char wrong = pad == ' ' ? '\0' : ' ';
  bool wrongly_padded = false;
  while (!value.empty() && (value.back() == pad || value.back() == wrong)) {
    wrongly_padded |= value.back() == wrong;
    value.pop_back();
  }
  if (wrongly_padded) {
    if (pad == ' ')
      Notice(c, "invalid padding char used in \"\x01%s\x02\" (NULL instead of SPACE)", shown.c_str());
    else
      Notice(c, "invalid padding char used in \"\x01%s\x02\" (SPACE instead of NULL)", shown.c_str());
    return;
  }
  if (lead == LEAD_NONE) return;
  size_t first = value.find_first_not_of((char)lead);
  value.erase(0, first == std::string::npos ? value.size() : first);
}

// Removes the characters that are not in `allowed`, with a notice counting them.
static void DICOM_Tag_Cleanup_Charset(Cleanup &c, const char *allowed)
{
  std::string kept;
  int removed = 0;
  for (char ch : c.value) {
    if (ch && std::strchr(allowed, ch))
      kept += ch;
    else
      removed++;
  }
  if (!removed) return;
  Notice(c, "\x01%d\x02 char in \"\x01%s\x02\" not from set \"\x01%s\x02\"", removed, c.value.c_str(), allowed);
  c.value = kept;
}

// AE: characters outside printable ASCII become '_'.
static void Cleanup_Printable(Cleanup &c)
{
  int replaced = 0;
  for (char &ch : c.value) {
    if ((unsigned char)ch < ' ' || (unsigned char)ch > '~') {
      ch = '_';
      replaced++;
    }
  }
  if (replaced) Notice(c, "\x01%d\x02 Invalid character in data", replaced);
}

// Splits the value at its backslashes (a trailing backslash of a standard group goes
// first), trims each value, cuts each one longer than `max` to `max`, and joins them
// again. Returns the number of values.
static int DICOM_Tag_Cleanup_Text_Multiple(Cleanup &c, size_t max)
{
  if (!(c.record->group & 1) && !c.value.empty() && c.value.back() == '\\') {
    c.value.pop_back();
    Notice(c, "Removed last char (=\\) from string!");
    c.record->flags |= DICOM_FLAG_REPAIRED;
  }
  std::vector<std::string> values = Split(c.value);
  for (std::string &value : values) {
    Trim_Spaces(value);
    if (value.size() <= max) continue;
    std::string kept = value.substr(0, max), tail = value.substr(max);
    Warning(c, "String too long! (\x01%d\x02/vs/\x01%d\x02 max) Truncated to \"\x01%s\x02\"(\x04%s\x02)",
            (int)value.size(), (int)max, kept.c_str(), tail.c_str());
    value = kept;
    Trim_Spaces(value);
    c.record->flags |= DICOM_FLAG_REPAIRED;
  }
  c.value = Join(values);
  return (int)values.size();
}

// Cuts a single text longer than `max` (0: no limit) to `max`.
static void DICOM_Tag_Cleanup_Text_Length(Cleanup &c, size_t max)
{
  if (!max || c.value.size() <= max) return;
  std::string kept = c.value.substr(0, max), tail = c.value.substr(max);
  Warning(c, "String too long! (\x01%d\x02/vs/\x01%d\x02 max) Truncated to \"\x01%s\x02\"(\x04%s\x02) ",
          (int)c.value.size(), (int)max, Abbreviated(kept).c_str(), Abbreviated(tail).c_str());
  c.value = kept;
  c.record->flags |= DICOM_FLAG_REPAIRED;
}

static void Pad_Even(Cleanup &c, char pad)
{
  if (c.value.size() % 2) c.value.push_back(pad);
}

// ---- dates, times, ages and integers ------------------------------------------------------------

static std::string Date_Text(int year, int month, int day)
{
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return text;
}

// DA, value by value: yyyymmdd stays; yymmdd and yyyy.mm.dd are rewritten as yyyymmdd;
// a year 2000 written 19100 (which pushed the day's last digit out) and any other size
// refuse the value. Returns 1, or 0 when a value is refused.
static int Cleanup_Dates(Cleanup &c, int *count)
{
  DICOM_Tag_Cleanup_Charset(c, "0123456789.\\");
  std::vector<std::string> values = Split(c.value);
  for (std::string &value : values) {
    if (value.empty() || value.size() == 8) continue;
    const std::string old = value;
    if (value.size() == 6) {
      int yy = Digits(value, 0, 2);
      value = Date_Text(yy + (yy >= 60 ? 1900 : 2000), Digits(value, 2, 2), Digits(value, 4, 2));
    } else if (value.size() == 10 && value.compare(0, 2, "19") == 0 && value[5] == '.') {
      char meant[32];
      std::snprintf(meant, sizeof meant, "%04d%s", 1900 + Digits(value, 2, 3), value.c_str() + 5);
      Warning(c, "Y2K bug! \x01%s\x02 = \x01%7.7s\x02? (Rejected since last digit of day is lost!)", value.c_str(),
              meant);
      return 0;
    } else if (value.size() == 10) {
      value = Date_Text(Digits(value, 0, 4), Digits(value, 5, 2), Digits(value, 8, 2));
    } else {
      Warning(c, "Invalid data! Expecting 6, 8 or 10 bytes but got \x01%d\x02 bytes", (int)value.size());
      return 0;
    }
    Notice(c, "Old syntax! \x01%s\x02 changed to \x01%s\x02", old.c_str(), value.c_str());
    c.record->flags |= DICOM_FLAG_REPAIRED;
  }
  c.value = Join(values);
  *count = (int)values.size();
  return 1;
}

// TM, value by value: the separators of hh:mm:ss.frac and hh.mm.ss go.
static void Cleanup_Time_Separators(Cleanup &c)
{
  std::vector<std::string> values = Split(c.value);
  bool changed = false;
  for (std::string &value : values) {
    if (value.size() <= 2 || (value[2] != ':' && value[2] != '.')) continue;
    const std::string old = value;
    if (value.size() > 5 && (value[5] == ':' || value[5] == '.')) value.erase(5, 1);
    value.erase(2, 1);
    Notice(c, "Old syntax! \x01%s\x02 changed to \x01%s\x02", old.c_str(), value.c_str());
    changed = true;
  }
  if (!changed) return;
  c.value = Join(values);
  c.record->flags |= DICOM_FLAG_REPAIRED;
}

// AS: nnnD, nnnW, nnnM or nnnY. Two or three characters are right-aligned with zeros, a
// longer value keeps its last four; a shorter one is kept with a warning.
static void Cleanup_Age(Cleanup &c)
{
  DICOM_Tag_Cleanup_Charset(c, "0123456789DWMY");
  size_t size = c.value.size();
  if (size < 2) {
    Warning(c, "Invalid data! Expecting 4 bytes but got \x01%d\x02 bytes", (int)size);
  } else if (size != 4) {
    c.value = size < 4 ? std::string(4 - size, '0') + c.value : c.value.substr(size - 4);
    c.record->flags |= DICOM_FLAG_REPAIRED;
  }
}

enum { IS_MAX = 12 };

// IS written with a decimal point: each value becomes its integer part (truncated
// toward zero). Values beyond the 32-bit range keep all their digits here, so that the
// range check refuses them rather than an overflow wrapping them into range.
static void Cleanup_Integer_Decimals(Cleanup &c)
{
  if (c.value.find('.') == std::string::npos) return;
  std::vector<std::string> values = Split(c.value);
  for (std::string &value : values) {
    std::string text = value;
    Trim_Spaces(text);
    double number = std::strtod(text.c_str(), nullptr);
    if (text.empty() || !std::isfinite(number)) continue;
    char whole[400];
    std::snprintf(whole, sizeof whole, "%.0f", std::trunc(number) + 0.0);  // + 0.0: no "-0"
    value = whole;
    if (value.size() > IS_MAX) {
      value.resize(IS_MAX);
      Warning(c, "Value truncated to 12 bytes length (=\x01%s\x02)", value.c_str());
    }
  }
  std::string converted = Join(values);
  Warning(c, "Invalid data! Converted from \"\x01%s\x02\" to \"\x01%s\x02\"", c.value.c_str(), converted.c_str());
  c.value = converted;
  c.record->flags |= DICOM_FLAG_REPAIRED;
}

// Whether the integer text `value` (spaces and signs ignored, a leading '-' making it
// negative) lies in -2147483648..2147483647.
static bool In_Int32_Range(const std::string &value)
{
  size_t first = value.find_first_not_of(' ');
  bool negative = first != std::string::npos && value[first] == '-';
  std::string digits;
  for (char ch : value)
    if (std::isdigit((unsigned char)ch) && (ch != '0' || !digits.empty())) digits += ch;
  if (digits.size() != 10) return digits.size() < 10;
  return digits <= (negative ? "2147483648" : "2147483647");
}

// Refuses an IS value that lies outside the 32-bit range, setting DICOM_FLAG_INVALID.
static int DICOM_Tag_Cleanup_Valid_Int(Cleanup &c)
{
  for (const std::string &value : Split(c.value)) {
    if (In_Int32_Range(value)) continue;
    Warning(c, "Value out of range (\x01%s\x02 \\vs\\ -2**31 to 2**31 - 1)", value.c_str());
    c.record->flags |= DICOM_FLAG_INVALID;
    return 0;
  }
  return 1;
}

// ---- rules by VR ----------------------------------------------------------------------------------

namespace {
// The text VRs that hold several values: an optional first step, padding, character
// set, an optional check, each value cut to `max`, even length with `pad`.
struct Text_Rule {
  uint16_t VR;
  void (*reshape)(Cleanup &);  // first step, or null
  bool padding;                // the padding step is taken
  int lead;                    // leading character removed by it, or LEAD_NONE
  char pad;                    // trailing pad character, also the even-length pad
  const char *set;             // allowed characters, or null for any
  int (*check)(Cleanup &);     // after the character set: 0 refuses the value; or null
  size_t max;                  // maximum length of one value
};

// The single texts: padding (trailing spaces), length cut, even length.
struct Single_Text_Rule {
  uint16_t VR;
  size_t max;  // 0: no limit
};

// Stored numbers: the size must be a multiple of `unit`.
struct Number_Rule {
  uint16_t VR;
  int unit;
  const char *expecting;  // the unit as the warning names it
  bool counted;           // one value per unit (else the whole value is one)
  int swab;               // the byte-order unit
};
}  // namespace

static const Text_Rule TEXT_RULES[] = {
    {DICOM_VR_AE, Cleanup_Printable, false, LEAD_NONE, ' ', nullptr, nullptr, 16},
    {DICOM_VR_CS, nullptr, true, ' ', ' ', "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ \\", nullptr, 16},
    {DICOM_VR_DS, nullptr, true, ' ', ' ', "0123456789+-Ee. \\", nullptr, 16},
    {DICOM_VR_DT, nullptr, true, LEAD_NONE, ' ', "0123456789+-. \\", nullptr, 26},
    {DICOM_VR_IS, Cleanup_Integer_Decimals, true, ' ', ' ', "0123456789+- \\", DICOM_Tag_Cleanup_Valid_Int, IS_MAX},
    {DICOM_VR_LO, nullptr, true, ' ', ' ', nullptr, nullptr, 64},
    {DICOM_VR_PN, nullptr, false, LEAD_NONE, ' ', nullptr, nullptr, 320},
    {DICOM_VR_SH, nullptr, true, ' ', ' ', nullptr, nullptr, 16},
    {DICOM_VR_TM, Cleanup_Time_Separators, true, LEAD_NONE, ' ', "0123456789. \\", nullptr, 16},
    {DICOM_VR_UI, nullptr, true, LEAD_NONE, '\0', "0123456789. \\", nullptr, 64},
};

static const Single_Text_Rule SINGLE_TEXT_RULES[] = {
    {DICOM_VR_LT, 10240},
    {DICOM_VR_ST, 1024},
    {DICOM_VR_UT, 0},
};

static const Number_Rule NUMBER_RULES[] = {
    {DICOM_VR_AT, 4, "multiple 2*\"Unigned Short\"", true, 2},
    {DICOM_VR_FD, 8, "\"Floation Point Double\"", true, 8},
    {DICOM_VR_FL, 4, "\"Floation Point\"", true, 4},
    {DICOM_VR_OF, 4, "\"Other Float\"", false, 4},
    {DICOM_VR_OW, 2, "\"Other Word\"", false, 2},
    {DICOM_VR_SL, 4, "\"Signed Long\"", true, 4},
    {DICOM_VR_SS, 2, "\"Signed Short\"", true, 2},
    {DICOM_VR_UL, 4, "\"Unsigned Long\"", true, 4},
    {DICOM_VR_US, 2, "\"Unsigned Short\"", true, 2},
};

template <typename Rule, size_t N> static const Rule *Find_Rule(const Rule (&rules)[N], uint16_t VR)
{
  for (const Rule &rule : rules)
    if (rule.VR == VR) return &rule;
  return nullptr;
}

static int Clean_Text(Cleanup &c, const Text_Rule &rule, int *count)
{
  if (rule.reshape) rule.reshape(c);
  if (rule.padding) DICOM_Tag_Cleanup_Padding(c, rule.lead, rule.pad);
  if (rule.set) DICOM_Tag_Cleanup_Charset(c, rule.set);
  if (rule.check && !rule.check(c)) return 0;
  *count = DICOM_Tag_Cleanup_Text_Multiple(c, rule.max);
  Pad_Even(c, rule.pad);
  return 1;
}

static int Clean_Single_Text(Cleanup &c, const Single_Text_Rule &rule)
{
  DICOM_Tag_Cleanup_Padding(c, LEAD_NONE, ' ');
  DICOM_Tag_Cleanup_Text_Length(c, rule.max);
  Pad_Even(c, ' ');
  return 1;
}

static int Clean_Number(Cleanup &c, const Number_Rule &rule, int *count)
{
  if (c.value.size() % (size_t)rule.unit) {
    Warning(c, "Invalid data! Expecting %s but got \x01%d\x02 bytes", rule.expecting, (int)c.value.size());
    return 0;
  }
  *count = rule.counted ? (int)(c.value.size() / (size_t)rule.unit) : 1;
  return 1;
}

enum { CLEANUP_FAILED = 0, CLEANUP_DONE = 1, CLEANUP_NO_RULE = 2 };

// Runs the cleanup of `VR`; `*count` receives the number of values.
static int Clean_By_VR(Cleanup &c, uint16_t VR, int *count)
{
  *count = 1;
  if (const Text_Rule *rule = Find_Rule(TEXT_RULES, VR)) return Clean_Text(c, *rule, count);
  if (const Single_Text_Rule *rule = Find_Rule(SINGLE_TEXT_RULES, VR)) return Clean_Single_Text(c, *rule);
  if (const Number_Rule *rule = Find_Rule(NUMBER_RULES, VR)) return Clean_Number(c, *rule, count);
  switch (VR) {
  case DICOM_VR_DA: return Cleanup_Dates(c, count);
  case DICOM_VR_AS: Cleanup_Age(c); return CLEANUP_DONE;
  case DICOM_VR_OB:
  case DICOM_VR_SQ:
  case DICOM_VR_UN: return CLEANUP_DONE;
  default: return CLEANUP_NO_RULE;
  }
}

// ---- value count ----------------------------------------------------------------------------------

// Checks `count` against the first VM range of the record's dictionary entry. Returns
// 1 when it fits or there is nothing to check; else sets DICOM_FLAG_INVALID and returns 0.
static int Check_Value_Count(Cleanup &c, int count)
{
  DICOM_Attribute *record = c.record;
  const NEMA_db_Entry *entry = record->dictionary ? record->dictionary : NEMA_db_Lookup(record->group, record->element);
  if (!entry || entry->VR_count < 1 || entry->retired) return 1;
  int low = entry->VM[0][0], high = entry->VM[0][1];
  if (low == high && count != low)
    Warning(c, "Invalid number of values in data!, Expecting VN=\x01%d\x02 but got \x01%d\x02 values", low, count);
  else if (count < low && high < 0)
    Warning(c, "Not enough values in data! Expecting VN=\x01%d\x02-n but got \x01%d\x02 values", low, count);
  else if (count < low)
    Warning(c, "Not enough values in data! Expecting VN=\x01%d\x02-\x01%d\x02 but got \x01%d\x02 values", low, high,
            count);
  else if (high > 0 && count > high)
    Warning(c, "To many values in data! Expecting VN=\x01%d\x02-\x01%d\x02 but got \x01%d\x02 values", low, high,
            count);
  else
    return 1;
  record->flags |= DICOM_FLAG_INVALID;
  return 0;
}

// ---- cleanup ------------------------------------------------------------------------------------------

// Makes the working text the record's value when it changed. Returns 1, or 0 when
// memory runs out (reported).
static int Store_Value(Cleanup &c)
{
  DICOM_Attribute *record = c.record;
  const std::string &value = c.value;
  if (value.size() == (size_t)record->size && !std::memcmp(value.data(), record->data, value.size())) return 1;
  if (value.empty()) {
    DICOM_Attribute_Value_Release(record);
    return 1;
  }
  unsigned char *bytes = (unsigned char *)std::malloc(value.size());
  if (!bytes) {
    NEMA_Memory_Error(__LINE__, UNIT, "malloc", "tag->data", (long)value.size(), 1);
    return 0;
  }
  std::memcpy(bytes, value.data(), value.size());
  DICOM_Attribute_Value_Release(record);
  record->data = bytes;
  record->size = (int32_t)value.size();
  return 1;
}

int DICOM_Attribute_Cleanup_Tag(Window_Handle owner, DICOM_Attribute *record)
{
  if (!record->data || record->size <= 0) return 1;
  Cleanup c = Cleanup_Start(owner, record);
  int count = 1;
  int result = Clean_By_VR(c, Record_VR(record), &count);
  if (result == CLEANUP_NO_RULE) return 0;
  if (result == CLEANUP_FAILED || !Store_Value(c)) {
    DICOM_Attribute_Value_Release(record);
    return 0;
  }
  if (!record->data) return 1;
  return Check_Value_Count(c, count);
}

// ---- byte order -------------------------------------------------------------------------------------

int DICOM_Attribute_Cleanup_Swab(Window_Handle owner, DICOM_Attribute *record)
{
  if (!record->data || record->size <= 0 || !(record->mode & NEMA_MODE_BIG_ENDIAN)) return 1;
  const Number_Rule *rule = Find_Rule(NUMBER_RULES, Record_VR(record));
  if (rule && record->size % rule->swab) {
    Cleanup c = Cleanup_Start(owner, record);
    Warning(c, "Invalid data! Expecting %s but got \x01%d\x02 bytes", rule->expecting, record->size);
    return 0;
  }
  if (rule)
    for (int32_t at = 0; at < record->size; at += rule->swab) std::reverse(record->data + at, record->data + at + rule->swab);
  record->mode &= (uint8_t)~NEMA_MODE_BIG_ENDIAN;
  return 1;
}

// ---- sort -----------------------------------------------------------------------------------------------

namespace {
// A run of records that moves as one: a record and the sequence delimiters after it.
struct Sort_Unit {
  DICOM_Attribute *first, *tail;
  int rank;      // item records first, item delimiters last, the rest between
  uint32_t tag;  // group and element
};
}  // namespace

enum { RANK_ITEM = 0, RANK_ATTRIBUTE = 1, RANK_ITEM_END = 2 };

static bool Is_Tag(const DICOM_Attribute *r, uint16_t group, uint16_t element)
{
  return r->group == group && r->element == element;
}

static void Sort_List(Window_Handle owner, DICOM_Attribute **list, int level)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Sort(level=%d)", level);
  std::vector<Sort_Unit> units;
  for (DICOM_Attribute *r = *list; r; r = r->next) {
    if (Is_Tag(r, ITEM_GROUP, SEQUENCE_END) && !units.empty()) {
      units.back().tail = r;
      continue;
    }
    int rank = Is_Tag(r, ITEM_GROUP, ITEM_START) ? RANK_ITEM : Is_Tag(r, ITEM_GROUP, ITEM_END) ? RANK_ITEM_END : RANK_ATTRIBUTE;
    units.push_back({r, r, rank, (uint32_t)r->group << 16 | r->element});
  }
  std::stable_sort(units.begin(), units.end(), [](const Sort_Unit &a, const Sort_Unit &b) {
    return a.rank != b.rank ? a.rank < b.rank : a.tag < b.tag;
  });
  DICOM_Attribute *tail = nullptr;
  for (const Sort_Unit &unit : units) {
    if (tail)
      tail->next = unit.first;
    else
      *list = unit.first;
    tail = unit.tail;
  }
  if (tail) tail->next = nullptr;
  for (DICOM_Attribute *r = *list; r; r = r->next) {
    r->last = r == *list ? tail : nullptr;
    for (int32_t i = 0; i < r->count; i++)
      if (r->item[i]) Sort_List(owner, &r->item[i], level + 1);
  }
}

int DICOM_Attribute_Sort(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute **list)
{
  DICOM_Attribute **head = list ? DICOM_Attribute_List_Head(root, list) : nullptr;
  if (head && *head) Sort_List(owner, head, root->Sequence_Depth);
  return 1;
}
