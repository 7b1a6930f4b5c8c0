// Dates and times. A value read from a file is kept as its text and the template that
// reads it; it is resolved into numbers the first time somebody looks at it, so that
// reading a header costs no parsing for values nobody uses. Resolution reads fields by
// the template (with separators: field by field; without: by the template's letter
// positions); the check then repairs what writers commonly get wrong: two-digit years,
// month and day exchanged, and years pushed a century ahead by Y2K faults.
//
// Index: settings and making / reading / date resolution and check / time resolution /
//        comparisons / text forms / month names.
#include "dicom/conv_time_fct.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Pool.h"

static const char UNIT[] = "conv_time_fct";

enum { TEMPLATE_SETTING = 64, DATE_TEXT_MAX = 12, TIME_TEXT_MAX = 79, MESSAGE_TEXT = 80 };

static char default_date_template[TEMPLATE_SETTING];
static char default_time_template[TEMPLATE_SETTING];

void Ardent_Date_Default_Template(const char *date_template)
{
  std::snprintf(default_date_template, sizeof default_date_template, "%s", date_template ? date_template : "");
}

void Ardent_Time_Default_Template(const char *time_template)
{
  std::snprintf(default_time_template, sizeof default_time_template, "%s", time_template ? time_template : "");
}

// A message formatted into the next slot of `pool`.
static const char *Pool_Message(std::atomic<unsigned> &next, char (*pool)[MESSAGE_TEXT], const char *format, ...)
    __attribute__((format(printf, 3, 4)));
static const char *Pool_Message(std::atomic<unsigned> &next, char (*pool)[MESSAGE_TEXT], const char *format, ...)
{
  char *slot = pool[NEMA_Pool_Next(next)];
  va_list args;
  va_start(args, format);
  std::vsnprintf(slot, MESSAGE_TEXT, format, args);
  va_end(args);
  return slot;
}

// A whole number as int, held to int's range (NaN gives 0).
static int Clamped_Int(double value)
{
  if (std::isnan(value)) return 0;
  return (int)std::clamp(value, (double)INT_MIN, (double)INT_MAX);
}

// ---- making and releasing ---------------------------------------------------------------------

// Replaces the two strings of an unresolved record by copies of `text` (cut to
// `text_max`) and `tmplt`. Returns 2, or 0 after a failed copy (both strings then null).
static int Store_Unresolved(char **text_field, char **template_field, const char *text, size_t text_max,
                            const char *tmplt, const char *text_var, const char *template_var)
{
  std::free(*text_field);
  std::free(*template_field);
  *text_field = NEMA_Strndup(text, text_max, __LINE__, UNIT, text_var);
  *template_field = NEMA_Strdup(tmplt, __LINE__, UNIT, template_var);
  if (*text_field && *template_field) return 2;
  std::free(*text_field);
  std::free(*template_field);
  *text_field = *template_field = nullptr;
  return 0;
}

int Make_Ardent_Date_From_Str(Ardent_Date *date, const char *text, const char *date_template)
{
  if (!text || !*text || !date_template || !*date_template) return 0;
  if (date->type != 2) date->date_str = date->date_template = nullptr;
  int type = Store_Unresolved(&date->date_str, &date->date_template, text, DATE_TEXT_MAX, date_template,
                              "date->date_str", "date->date_template");
  date->type = (int8_t)type;
  date->year = date->month = date->day = 0;
  return type;
}

int Make_Ardent_Time_From_Str(Ardent_Time *time, const char *text, const char *time_template)
{
  if (!text || !*text || !time_template || !*time_template) return 0;
  if (time->type != 2) time->time_str = time->time_template = nullptr;
  size_t length = std::strlen(time_template);
  int type = Store_Unresolved(&time->time_str, &time->time_template, text,
                              std::min(length, (size_t)TIME_TEXT_MAX), time_template, "time->time_str",
                              "time->time_template");
  time->type = (int8_t)type;
  time->hour = time->minute = 0;
  time->second = 0;
  return type;
}

void Free_Ardent_Date(Ardent_Date *date)
{
  if (!date) return;
  if (date->type == 2) {
    std::free(date->date_str);
    std::free(date->date_template);
  }
  *date = Ardent_Date{};
}

void Free_Ardent_Time(Ardent_Time *time)
{
  if (!time) return;
  if (time->type == 2) {
    std::free(time->time_str);
    std::free(time->time_template);
  }
  *time = Ardent_Time{};
}

void Ardent_Date_Set(Ardent_Date *date, int year, int month, int day)
{
  Free_Ardent_Date(date);
  date->type = 1;
  date->year = (uint16_t)year;
  date->month = (uint8_t)month;
  date->day = (uint8_t)day;
}

void Ardent_Date_Set_Today(Ardent_Date *date)
{
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  Ardent_Date_Set(date, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

void Ardent_Time_Set(Ardent_Time *time, int hour, int minute, float second)
{
  Free_Ardent_Time(time);
  time->type = 1;
  time->hour = (uint8_t)hour;
  time->minute = (uint8_t)minute;
  time->second = second;
}

void Ardent_Time_Set_Now(Ardent_Time *time)
{
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  Ardent_Time_Set(time, local.tm_hour, local.tm_min, (float)local.tm_sec);
}

void Ardent_Time_Set_Hours(Ardent_Time *time, double hours)
{
  hours = std::isfinite(hours) ? std::fmod(hours, 24.0) : 0;
  if (hours < 0) hours += 24;
  double hour = std::floor(hours);
  double minutes = (hours - hour) * 60;
  double minute = std::floor(minutes);
  Ardent_Time_Set(time, (int)hour, (int)minute, (float)((minutes - minute) * 60));
}

int Copy_Ardent_Date(Ardent_Date *target, const Ardent_Date *source)
{
  Free_Ardent_Date(target);
  *target = *source;
  if (source->type != 2) {
    target->date_str = target->date_template = nullptr;
    return 1;
  }
  target->date_str = target->date_template = nullptr;
  target->type = (int8_t)Store_Unresolved(&target->date_str, &target->date_template, source->date_str,
                                          DATE_TEXT_MAX, source->date_template, "dest->date_str",
                                          "dest->date_template");
  return target->type == 2;
}

int Copy_Ardent_Time(Ardent_Time *target, const Ardent_Time *source)
{
  Free_Ardent_Time(target);
  *target = *source;
  if (source->type != 2) {
    target->time_str = target->time_template = nullptr;
    return 1;
  }
  target->time_str = target->time_template = nullptr;
  target->type = (int8_t)Store_Unresolved(&target->time_str, &target->time_template, source->time_str,
                                          TIME_TEXT_MAX, source->time_template, "dest->time_str",
                                          "dest->time_template");
  return target->type == 2;
}

// ---- reading ------------------------------------------------------------------------------------------

int Ardent_Date_Year(const Ardent_Date *date) { return date && date->type == 1 ? date->year : 0; }
int Ardent_Date_Month(const Ardent_Date *date) { return date && date->type == 1 ? date->month : 0; }
int Ardent_Date_Day(const Ardent_Date *date) { return date && date->type == 1 ? date->day : 0; }
int Ardent_Time_Hour(const Ardent_Time *time) { return time && time->type == 1 ? time->hour : 0; }
int Ardent_Time_Minute(const Ardent_Time *time) { return time && time->type == 1 ? time->minute : 0; }
float Ardent_Time_Second(const Ardent_Time *time) { return time && time->type == 1 ? time->second : 0; }

int Ardent_Date_Day_Number(const Ardent_Date *date)
{
  if (!date || date->type != 1) return 0;
  return date->day + 372 * date->year + 31 * date->month - 736592;
}

int Ardent_Time_Seconds(const Ardent_Time *time)
{
  if (!time || time->type != 1) return 0;
  return Clamped_Int(std::trunc(time->second) + 60.0 * time->minute + 3600.0 * time->hour);
}

double Ardent_Time_Hours(const Ardent_Time *time)
{
  if (!time || time->type != 1) return 0;
  return time->hour + time->minute / 60.0 + time->second / 3600.0;
}

// ---- date resolution and check ---------------------------------------------------------------------

// The decimal value of the leading digits of `field` (0 when there are none).
static int Decimal(const char *field)
{
  int value = 0;
  for (const char *p = field; std::isdigit((unsigned char)*p) && value < 100000; p++) value = value * 10 + (*p - '0');
  return value;
}

// The three fields of a date as text, each at most 4 characters.
struct Date_Fields {
  char day[3], month[4], year[5];
  bool has_day, has_month, has_year;
};

static void Take(char *out, size_t size, const char *from, size_t count, bool *found)
{
  std::snprintf(out, size, "%.*s", (int)count, from);
  *found = true;
}

// The text's separator: its first character among positions 1 to 5 that is neither a
// letter nor a digit; 0 when there is none.
static char Text_Separator(const char *text)
{
  if (!text[0]) return 0;
  for (int i = 1; i <= 5 && text[i]; i++)
    if (!std::isalnum((unsigned char)text[i])) return text[i];
  return 0;
}

// The template's separator: its first character among positions 0 to 5 that is none of
// c, d, m, y; 0 when there is none.
static char Template_Separator(const char *tmplt)
{
  for (int i = 0; i <= 5 && tmplt[i]; i++)
    if (!std::strchr("cdmy", tmplt[i])) return tmplt[i];
  return 0;
}

// Splits `text` at `separator` into three fields (the third keeps any later separator).
static int Split_Three(char *text, char separator, char *fields[3])
{
  int count = 0;
  fields[count++] = text;
  for (char *p = text; *p && count < 3; p++)
    if (*p == separator) {
      *p = '\0';
      fields[count++] = p + 1;
    }
  return count;
}

static void Read_Separated(const char *text, char text_separator, const char *tmplt, char template_separator,
                           Date_Fields *out)
{
  char text_copy[DATE_TEXT_MAX + 1], template_copy[TEMPLATE_SETTING];
  std::snprintf(text_copy, sizeof text_copy, "%s", text);
  std::snprintf(template_copy, sizeof template_copy, "%s", tmplt);
  char *text_fields[3], *template_fields[3];
  int text_count = Split_Three(text_copy, text_separator, text_fields);
  int template_count = Split_Three(template_copy, template_separator, template_fields);
  if (text_count == 3 && std::strlen(text_fields[2]) > 2) {
    char *end = text_fields[2] + 2;
    while (std::isdigit((unsigned char)*end)) end++;
    *end = '\0';
  }
  for (int i = 0; i < text_count && i < template_count; i++) {
    const char *field = text_fields[i];
    switch (template_fields[i][0]) {
    case 'd': Take(out->day, sizeof out->day, field, 2, &out->has_day); break;
    case 'm':
    case 'c': Take(out->month, sizeof out->month, field, 3, &out->has_month); break;
    case 'y': Take(out->year, sizeof out->year, field, 4, &out->has_year); break;
    default: break;
    }
  }
}

// Takes `count` characters of `text` at the position of the template's first `letter`,
// or `long_count` when the template repeats the letter `repeat` places further on.
static void Take_At(const char *text, const char *tmplt, char letter, int repeat, size_t count, size_t long_count,
                    char *out, size_t size, bool *found)
{
  const char *at = std::strchr(tmplt, letter);
  if (!at) return;
  size_t position = (size_t)(at - tmplt);
  if ((size_t)repeat < std::strlen(at) && at[repeat] == letter) count = long_count;
  if (position + count > std::strlen(text)) return;
  Take(out, size, text + position, count, found);
}

static void Read_Positional(const char *text, const char *tmplt, Date_Fields *out)
{
  Take_At(text, tmplt, 'd', 0, 2, 2, out->day, sizeof out->day, &out->has_day);
  Take_At(text, tmplt, 'm', 2, 2, 3, out->month, sizeof out->month, &out->has_month);
  Take_At(text, tmplt, 'y', 3, 2, 4, out->year, sizeof out->year, &out->has_year);
}

// The pool of the date messages.
static std::atomic<unsigned> date_message_next{0};
static char date_message_pool[NEMA_POOL_SLOTS][MESSAGE_TEXT];

// Resolves a type-2 date into year, month and day (type 1), or type 0 with a message.
static const char *Resolve_Date(Ardent_Date *date)
{
  const char *text = date->date_str;
  const char *tmplt = default_date_template[0] ? default_date_template : date->date_template;
  const char *message = nullptr;
  Date_Fields fields = {};
  if (!text) {
    message = "Unable to extract date from empty string";
  } else if (!std::strncmp(text, "  ", 2)) {
    message = nullptr;
  } else if (!tmplt || !*tmplt) {
    message = "Unable to extract date with empty template";
  } else {
    char text_separator = Text_Separator(text), template_separator = Template_Separator(tmplt);
    if ((text_separator != 0) != (template_separator != 0))
      message = Pool_Message(date_message_next, date_message_pool, "Missmatch between date string (%s) and template (%s)", text, tmplt);
    else if (text_separator)
      Read_Separated(text, text_separator, tmplt, template_separator, &fields);
    else
      Read_Positional(text, tmplt, &fields);
    if (!message && !(fields.has_day && fields.has_month && fields.has_year))
      message = "Unable to extract date from string";
  }
  bool resolved = fields.has_day && fields.has_month && fields.has_year && !message;
  Free_Ardent_Date(date);
  if (!resolved) return message;
  date->type = 1;
  date->day = (uint8_t)Decimal(fields.day);
  date->year = (uint16_t)Decimal(fields.year);
  date->month = (uint8_t)(std::strlen(fields.month) == 3 ? Month_From_Name(fields.month) : Decimal(fields.month));
  return nullptr;
}

const char *Check_Ardent_Date(Ardent_Date *date, int old_dates)
{
  if (!date) return nullptr;
  if (date->type == 2) {
    const char *message = Resolve_Date(date);
    if (date->type != 1) return message;
  }
  if (date->type != 1) return nullptr;
  if (!date->year && !date->month && !date->day) {
    date->type = 0;
    return nullptr;
  }
  int year = date->year;
  if (year < 100) year += old_dates ? (year < 10 ? 2000 : 1900) : (year < 60 ? 2000 : 1900);
  if (date->month > 12 && date->day <= 12) {
    uint8_t month = date->month;
    date->month = date->day;
    date->day = month;
  }
  date->year = (uint16_t)year;
  if (date->day == 0 || date->day > 31) {
    date->type = 0;
    return Pool_Message(date_message_next, date_message_pool, "invalid day in date (=%d)", date->day);
  }
  if (date->month == 0 || date->month > 12) {
    date->type = 0;
    return Pool_Message(date_message_next, date_message_pool, "invalid month in date (=%d)", date->month);
  }
  if (year > (old_dates ? 1800 : 1980) && year <= 2050) return nullptr;
  if (!old_dates && year >= 2081 && year <= 2099) {
    date->year = (uint16_t)(year - 100);
    return Pool_Message(date_message_next, date_message_pool, "fixed a probable Y2K bug. Year in date changed from (%d) to (%d)", year, year - 100);
  }
  date->type = 0;
  return Pool_Message(date_message_next, date_message_pool, "invalid year in date (=%d)", year);
}

// ---- time resolution ------------------------------------------------------------------------------------

// The value of up to two digits of `text` at `position`, when the text reaches it.
static int Two_Digits_At(const char *text, size_t length, size_t position)
{
  if (position >= length) return 0;
  char field[3];
  std::snprintf(field, sizeof field, "%s", text + position);
  return Decimal(field);
}

// The fraction of a second at the template's f run, or 0 when the text has none there.
static double Fraction_At(const char *text, size_t length, const char *tmplt, size_t f)
{
  if (f >= length) return 0;
  if (f > 0 && tmplt[f - 1] == '.' && text[f - 1] != '.') return 0;
  size_t digits = std::strspn(tmplt + f, "f");
  char number[48] = "0.";
  size_t used = 2;
  for (size_t i = 0; i < digits && used + 1 < sizeof number && std::isdigit((unsigned char)text[f + i]); i++)
    number[used++] = text[f + i];
  number[used] = '\0';
  return std::strtod(number, nullptr);
}

// Carries seconds and minutes, keeping each in range, and takes hours modulo 24.
static void Normalise_Time(Ardent_Time *time)
{
  double second = std::isfinite(time->second) ? time->second : 0;
  double carry = std::floor(second / 60);
  second -= carry * 60;
  if (second < 0 || second >= 60) second = 0;  // precision lost in a huge value
  double minute = time->minute + carry;
  double hours = std::floor(minute / 60);
  minute -= hours * 60;
  double hour = std::fmod(time->hour + hours, 24.0);
  if (hour < 0) hour += 24;
  time->second = (float)second;
  time->minute = (uint8_t)minute;
  time->hour = (uint8_t)hour;
}

const char *Ardent_Time_Resolve(Ardent_Time *time)
{
  static std::atomic<unsigned> next{0};
  static char pool[NEMA_POOL_SLOTS][MESSAGE_TEXT];
  if (!time) return nullptr;
  if (time->type == 2) {
    const char *text = time->time_str;
    const char *tmplt = default_time_template[0] ? default_time_template : time->time_template;
    const char *message = nullptr;
    if (!text) message = "Unable to extract date from empty string";
    else if (!tmplt || !*tmplt) message = "Unable to extract time with empty template";
    const char *h = message ? nullptr : std::strchr(tmplt, 'h');
    const char *m = message ? nullptr : std::strchr(tmplt, 'm');
    const char *s = message ? nullptr : std::strchr(tmplt, 's');
    const char *f = message ? nullptr : std::strchr(tmplt, 'f');
    size_t length = text ? std::strlen(text) : 0;
    if (!message && (!h || !m || !s))
      message = Pool_Message(next, pool, "invalid time template (%s)", tmplt);
    else if (!message && length < (size_t)(h - tmplt) + 2)
      message = Pool_Message(next, pool, "Unable to extract time from string (=%s)", text);
    if (message) {
      Free_Ardent_Time(time);
      return message;
    }
    int hour = Two_Digits_At(text, length, (size_t)(h - tmplt));
    int minute = Two_Digits_At(text, length, (size_t)(m - tmplt));
    double second = Two_Digits_At(text, length, (size_t)(s - tmplt));
    if (f) second += Fraction_At(text, length, tmplt, (size_t)(f - tmplt));
    Free_Ardent_Time(time);
    time->type = 1;
    time->hour = (uint8_t)hour;
    time->minute = (uint8_t)minute;
    time->second = (float)second;
  }
  if (time->type == 1) Normalise_Time(time);
  return nullptr;
}

// ---- comparisons ----------------------------------------------------------------------------------------------

// -1000/1000 when exactly one side is missing or unresolved; 0 when both are; 1 when
// both can be compared.
static int Compare_Presence(bool a_present, bool b_present)
{
  if (a_present && b_present) return 1;
  if (a_present == b_present) return 0;
  return a_present ? 1000 : -1000;
}

static int Weighted(double a, double b, int weight) { return a < b ? -weight : (a > b ? weight : 0); }

int Compare_Ardent_Date(const Ardent_Date *a, const Ardent_Date *b)
{
  int presence = Compare_Presence(a && a->type == 1, b && b->type == 1);
  if (presence != 1) return presence;
  if (a->year != b->year) return Weighted(a->year, b->year, 100);
  if (a->month != b->month) return Weighted(a->month, b->month, 10);
  return Weighted(a->day, b->day, 1);
}

int Compare_Ardent_Time(const Ardent_Time *a, const Ardent_Time *b)
{
  int presence = Compare_Presence(a && a->type == 1, b && b->type == 1);
  if (presence != 1) return presence;
  if (a->hour != b->hour) return Weighted(a->hour, b->hour, 100);
  if (a->minute != b->minute) return Weighted(a->minute, b->minute, 10);
  return Weighted(a->second, b->second, 1);
}

// ---- text forms ------------------------------------------------------------------------------------------------

// Resolves both records when they are there; true for each that is then resolved.
static void Resolve_Both(Ardent_Date *date, Ardent_Time *time, bool *has_date, bool *has_time)
{
  if (date && date->type == 2) Check_Ardent_Date(date, 0);
  if (time && time->type == 2) Ardent_Time_Resolve(time);
  *has_date = date && date->type == 1;
  *has_time = time && time->type == 1;
}

// The seconds as "%02d" when their fraction is below 0.001 or above 0.999 (rounded up,
// but never to 60: the minute is not carried), else with `fraction_format`.
static void Print_Seconds(char *out, size_t size, float second, const char *whole_format, const char *fraction_format)
{
  double whole = std::floor(second), fraction = second - whole;
  if (fraction < 0.001) std::snprintf(out, size, whole_format, Clamped_Int(whole));
  else if (fraction > 0.999) std::snprintf(out, size, whole_format, Clamped_Int(std::min(whole + 1, 59.0)));
  else std::snprintf(out, size, fraction_format, (double)second);
}

const char *Ardent_Date_Time_To_DICOM(Ardent_Date *date, Ardent_Time *time)
{
  static char text[64];
  bool has_date, has_time;
  Resolve_Both(date, time, &has_date, &has_time);
  text[0] = '\0';
  size_t used = 0;
  if (has_date) used = (size_t)std::snprintf(text, sizeof text, "%4d%02d%02d", date->year, date->month, date->day);
  if (has_time) {
    used += (size_t)std::snprintf(text + used, sizeof text - used, "%02d%02d", time->hour, time->minute);
    Print_Seconds(text + used, sizeof text - used, time->second, "%02d", "%09.6f");
  }
  return text;
}

const char *Ardent_Date_Time_To_Display(Ardent_Date *date, Ardent_Time *time)
{
  static char text[64];
  if (!date && !time) return nullptr;
  bool has_date, has_time;
  Resolve_Both(date, time, &has_date, &has_time);
  text[0] = '\0';
  size_t used = 0;
  if (has_date)
    used = (size_t)std::snprintf(text, sizeof text, "%02d %s %4d", date->day, Month_Name(date->month), date->year);
  if (has_time) {
    used += (size_t)std::snprintf(text + used, sizeof text - used, "%s%02d:%02d", has_date ? "  " : "", time->hour,
                                  time->minute);
    Print_Seconds(text + used, sizeof text - used, time->second, ":%02d", ":%06.3f");
  }
  return text;
}

// ---- month names ----------------------------------------------------------------------------------------------

int Month_From_Name(const char *text)
{
  static const char *const names[] = {"jan", "fev",  "feb", "mar", "avr",  "apr", "may", "juin", "jun", "juil",
                                      "jul", "aou", "aug", "sep", "oct", "nov", "dec"};
  static const int months[] = {1, 2, 2, 3, 4, 4, 5, 6, 6, 7, 7, 8, 8, 9, 10, 11, 12};
  if (!text) return 0;
  for (size_t i = 0; i < sizeof months / sizeof months[0]; i++)
    if (!strncasecmp(text, names[i], std::strlen(names[i]))) return months[i];
  return 0;
}

const char *Month_Name(int month)
{
  static const char *const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return month >= 1 && month <= 12 ? names[month - 1] : "???";
}
