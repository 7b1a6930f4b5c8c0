// Dates and times: the records, kept unresolved (the text as read with the template that
// reads it) until first use, then resolved into numbers; their checks (two-digit years,
// swapped month and day, the Y2K fault of some writers), normalisation, comparisons and
// text forms, and the month names.
#pragma once

#include <cstdint>

// A date. Type 2 holds `date_str` and `date_template` (malloc'ed, owned); types 0 and 1
// hold none. Zero-initialise before first use; release with Free_Ardent_Date.
struct Ardent_Date {
  int8_t type;    // 0 = no date, 1 = resolved, 2 = unresolved text
  uint16_t year;  // four digits once checked
  uint8_t month;  // 1 to 12
  uint8_t day;    // 1 to 31
  char *date_str;
  char *date_template;
};

// A time, in the same three states as a date.
struct Ardent_Time {
  int8_t type;     // 0 = no time, 1 = resolved, 2 = unresolved text
  uint8_t hour;    // 0 to 23
  uint8_t minute;  // 0 to 59
  float second;    // seconds with fraction
  char *time_str;
  char *time_template;
};

// Templates are letters y, m, c, d (dates) and h, m, s, f (times) with optional
// separators: "yyyymmdd", "yymmdd", "yyyy.mm.dd", "dd mmm yyyy", "hhmmss.ffffff",
// "hh:mm:ss.ffff". A non-empty default template (at most 63 characters) is used
// instead of every record's own. Both start empty; set them before reading starts.
void Ardent_Date_Default_Template(const char *date_template);
void Ardent_Time_Default_Template(const char *time_template);

// ---- making and releasing -------------------------------------------------------------------
// Every setter releases the strings of an unresolved record first.

// Stores `text` (its first 12 characters) and `date_template` unresolved (type 2).
// Returns 2; returns 0 when either is null or empty (the record is then left alone) or
// a copy cannot be made (reported as MSG_ERROR; the record is then type 0).
int Make_Ardent_Date_From_Str(Ardent_Date *date, const char *text, const char *date_template);
// Stores `text`, cut to the template's length (at most 79), and `time_template`
// unresolved. Returns as Make_Ardent_Date_From_Str.
int Make_Ardent_Time_From_Str(Ardent_Time *time, const char *text, const char *time_template);

void Ardent_Date_Set(Ardent_Date *date, int year, int month, int day);   // type 1
void Ardent_Date_Set_Today(Ardent_Date *date);                           // local calendar date
void Ardent_Time_Set(Ardent_Time *time, int hour, int minute, float second);  // type 1, as given
void Ardent_Time_Set_Now(Ardent_Time *time);                             // local clock, whole seconds
void Ardent_Time_Set_Hours(Ardent_Time *time, double hours);             // decimal hours modulo 24, e.g. 10.25

// Copies every field; the strings of an unresolved source are duplicated. `target` must
// be a valid record (its own strings are released). Returns 1, or 0 after reporting a
// failed copy (target then type 0).
int Copy_Ardent_Date(Ardent_Date *target, const Ardent_Date *source);
int Copy_Ardent_Time(Ardent_Time *target, const Ardent_Time *source);

// Release the strings of an unresolved record and zero it. Null is allowed.
void Free_Ardent_Date(Ardent_Date *date);
void Free_Ardent_Time(Ardent_Time *time);

// ---- reading -------------------------------------------------------------------------------------
// The getters return 0 for a record that is not resolved.

int Ardent_Date_Year(const Ardent_Date *date);
int Ardent_Date_Month(const Ardent_Date *date);
int Ardent_Date_Day(const Ardent_Date *date);
int Ardent_Time_Hour(const Ardent_Time *time);
int Ardent_Time_Minute(const Ardent_Time *time);
float Ardent_Time_Second(const Ardent_Time *time);

// day + 372 x year + 31 x month - 736592: increases with the date (not a day count).
int Ardent_Date_Day_Number(const Ardent_Date *date);
// Whole seconds since midnight.
int Ardent_Time_Seconds(const Ardent_Time *time);
// Decimal hours, hour + minute / 60 + second / 3600.
double Ardent_Time_Hours(const Ardent_Time *time);

// Resolves an unresolved date and checks it. Two-digit years get a century (with
// `old_dates` 0: 00-59 -> 2000s, 60-99 -> 1900s; otherwise 00-09 -> 2000s, 10-99 ->
// 1900s); a month above 12 with a day of 12 or less is swapped with the day; years must
// lie in 1981..2050 (old_dates 0) or 1801..2050, except that 2081..2099 (old_dates 0) are
// taken as the Y2K fault and lowered by 100. Returns nullptr when the date is valid or
// empty; otherwise a message, and the date is type 0 (the Y2K message leaves it valid).
// A formatted message lives in a rotating pool (valid for the next 127 calls).
const char *Check_Ardent_Date(Ardent_Date *date, int old_dates);

// Resolves an unresolved time, then normalises any resolved time (seconds and minutes
// carried, hours modulo 24). Returns nullptr, or a message when resolution failed (the
// time is then type 0); formatted messages as for Check_Ardent_Date.
const char *Ardent_Time_Resolve(Ardent_Time *time);

// Orders two dates: a missing or unresolved one first (-1000/1000, 0 when both are);
// then year (+-100), month (+-10), day (+-1); 0 when equal.
int Compare_Ardent_Date(const Ardent_Date *a, const Ardent_Date *b);
// Orders two times likewise: hour (+-100), minute (+-10), second (+-1).
int Compare_Ardent_Time(const Ardent_Time *a, const Ardent_Time *b);

// ---- text forms -----------------------------------------------------------------------------------
// Both resolve their records first (the date with old_dates 0). The text lives in one
// buffer per function, overwritten by the next call: not for concurrent use.

// "20240131101530.500000": date "%4d%02d%02d", time "%02d%02d" and seconds ("%02d" when
// the fraction is below 0.001 or above 0.999, else "%09.6f"). "" when neither is there.
const char *Ardent_Date_Time_To_DICOM(Ardent_Date *date, Ardent_Time *time);
// "31 Jan 2024  10:15:30.500": date "%02d %s %4d", two spaces, time "%02d:%02d" and
// ":%02d" or ":%06.3f". nullptr only when both records are null.
const char *Ardent_Date_Time_To_Display(Ardent_Date *date, Ardent_Time *time);

// 1 to 12 for a month name in English or French (jan, feb/fev, ..., juin/jun, juil/jul,
// aug/aou, ...), compared without regard to case at the start of `text`; 0 otherwise.
int Month_From_Name(const char *text);
// "Jan" to "Dec" for 1 to 12, "???" otherwise. Static text.
const char *Month_Name(int month);
