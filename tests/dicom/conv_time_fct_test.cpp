// Dates and times: resolution by template, the checks (centuries, swapped fields, the
// Y2K repair, year bounds), time fractions and normalisation, comparisons, text forms.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "dicom/conv_time_fct.h"

static std::string Or_None(const char *text) { return text ? text : "(none)"; }

TEST(DateResolution, TemplatesWithAndWithoutSeparators)
{
  struct Case {
    const char *text, *tmplt;
    int old_dates;
    int year, month, day;  // 0, 0, 0: not valid
    const char *message;
  } cases[] = {
      {"20240131", "yyyymmdd", 0, 2024, 1, 31, nullptr},
      {"240131", "yymmdd", 0, 2024, 1, 31, nullptr},
      {"2024.01.31", "yyyy.mm.dd", 0, 2024, 1, 31, nullptr},
      {"99.12.31", "yy.mm.dd", 0, 1999, 12, 31, nullptr},
      {"13.01.2024", "mm.dd.yyyy", 0, 2024, 1, 13, nullptr},
      {"12 Jan 2024", "dd mmm yyyy", 0, 2024, 1, 12, nullptr},
      {"12 janv 2024", "dd mmmm yyyy", 0, 2024, 1, 12, nullptr},
      {"12 Jan 2024", "dd ccc yyyy", 0, 2024, 1, 12, nullptr},
      {"31/12/2001 10:00", "dd/mm/yyyy", 0, 2001, 12, 31, nullptr},
      {"31JAN2024", "ddmmmyyyy", 0, 2024, 1, 31, nullptr},
      // "juin" cut to a three-letter field is no month.
      {"12 juin 2024", "dd mmm yyyy", 0, 0, 0, 0, "invalid month in date (=0)"},
      {"2024013", "yyyymmdd", 0, 0, 0, 0, "Unable to extract date from string"},
      {"2024-01", "yyyy-mm-dd", 0, 0, 0, 0, "Unable to extract date from string"},
      {"2024-01-31", "yyyymmdd", 0, 0, 0, 0, "Missmatch between date string (2024-01-31) and template (yyyymmdd)"},
      {"20240131", "yyyy.mm.dd", 0, 0, 0, 0, "Missmatch between date string (20240131) and template (yyyy.mm.dd)"},
      {"20240131", "hhmmss", 0, 0, 0, 0, "Missmatch between date string (20240131) and template (hhmmss)"},
      {"  240131", "yymmdd", 0, 0, 0, 0, nullptr},
      {"00000000", "yyyymmdd", 0, 0, 0, 0, nullptr},
  };
  for (const Case &c : cases) {
    Ardent_Date date = {};
    ASSERT_EQ(Make_Ardent_Date_From_Str(&date, c.text, c.tmplt), 2) << c.text;
    std::string message = Or_None(Check_Ardent_Date(&date, c.old_dates));
    EXPECT_EQ(message, Or_None(c.message)) << c.text << " / " << c.tmplt;
    EXPECT_EQ(date.type, c.year ? 1 : 0) << c.text;
    EXPECT_EQ(Ardent_Date_Year(&date), c.year) << c.text;
    EXPECT_EQ(Ardent_Date_Month(&date), c.month) << c.text;
    EXPECT_EQ(Ardent_Date_Day(&date), c.day) << c.text;
    EXPECT_EQ(date.date_str, nullptr);
    Free_Ardent_Date(&date);
  }
}

TEST(DateCheck, CenturiesYearBoundsAndTheY2KRepair)
{
  struct Case {
    int year;
    int old_dates;
    int want_year;  // 0: invalid
    const char *message;
  } cases[] = {
      {59, 0, 2059, "invalid year in date (=2059)"},
      {50, 0, 2050, nullptr},
      {60, 0, 1960, "invalid year in date (=1960)"},
      {85, 0, 1985, nullptr},
      {9, 1, 2009, nullptr},
      {10, 1, 1910, nullptr},
      {2085, 0, 1985, "fixed a probable Y2K bug. Year in date changed from (2085) to (1985)"},
      {2075, 0, 0, "invalid year in date (=2075)"},
      {2085, 1, 0, "invalid year in date (=2085)"},
      {1980, 0, 0, "invalid year in date (=1980)"},
      {1981, 0, 1981, nullptr},
      {1801, 1, 1801, nullptr},
      {1800, 1, 0, "invalid year in date (=1800)"},
      {2050, 0, 2050, nullptr},
      {2051, 0, 0, "invalid year in date (=2051)"},
  };
  for (const Case &c : cases) {
    Ardent_Date date = {};
    Ardent_Date_Set(&date, c.year, 6, 15);
    std::string message = Or_None(Check_Ardent_Date(&date, c.old_dates));
    EXPECT_EQ(message, Or_None(c.message)) << c.year << " old " << c.old_dates;
    if (c.want_year == 0 || (c.message && std::string(c.message).rfind("invalid", 0) == 0)) {
      EXPECT_EQ(date.type, 0) << c.year;
    } else {
      EXPECT_EQ(Ardent_Date_Year(&date), c.want_year) << c.year;
    }
  }
  // Day and month bounds come before the year's.
  Ardent_Date date = {};
  Ardent_Date_Set(&date, 2024, 14, 13);
  EXPECT_EQ(Or_None(Check_Ardent_Date(&date, 0)), "invalid month in date (=14)");
  Ardent_Date_Set(&date, 2024, 1, 32);
  EXPECT_EQ(Or_None(Check_Ardent_Date(&date, 0)), "invalid day in date (=32)");
  Ardent_Date_Set(&date, 2024, 1, 0);
  EXPECT_EQ(Or_None(Check_Ardent_Date(&date, 0)), "invalid day in date (=0)");
}

TEST(DateResolution, TheDefaultTemplateWinsAndAnEmptyOneFails)
{
  Ardent_Date date = {};
  Make_Ardent_Date_From_Str(&date, "31.01.2024", "yyyymmdd");
  Ardent_Date_Default_Template("dd.mm.yyyy");
  EXPECT_EQ(Check_Ardent_Date(&date, 0), nullptr);
  Ardent_Date_Default_Template("");
  EXPECT_EQ(Ardent_Date_Day_Number(&date), 31 + 372 * 2024 + 31 - 736592);

  EXPECT_EQ(Make_Ardent_Date_From_Str(&date, "20240131", ""), 0);
  EXPECT_EQ(Make_Ardent_Date_From_Str(&date, "", "yyyymmdd"), 0);
  Ardent_Date no_text = {};
  no_text.type = 2;
  EXPECT_EQ(Or_None(Check_Ardent_Date(&no_text, 0)), "Unable to extract date from empty string");
  EXPECT_EQ(no_text.type, 0);
}

TEST(TimeResolution, FieldsFractionsAndFailures)
{
  struct Case {
    const char *text, *tmplt;
    int hour, minute;
    float second;
    const char *message;
  } cases[] = {
      {"101530.5", "hhmmss.ffffff", 10, 15, 30.5f, nullptr},
      {"101530.123456", "hhmmss.ffffff", 10, 15, 30.123456f, nullptr},
      {"10:15:30.5", "hh:mm:ss.ffff", 10, 15, 30.5f, nullptr},
      {"1015", "hhmmss.ffffff", 10, 15, 0, nullptr},
      {"10", "hhmmss", 10, 0, 0, nullptr},
      // No point where the template has one: no fraction.
      {"101530 5", "hhmmss.ffffff", 10, 15, 30, nullptr},
      {"1", "hhmmss", 0, 0, 0, "Unable to extract time from string (=1)"},
      {"101530", "hhss", 0, 0, 0, "invalid time template (hhss)"},
  };
  for (const Case &c : cases) {
    Ardent_Time time = {};
    ASSERT_EQ(Make_Ardent_Time_From_Str(&time, c.text, c.tmplt), 2) << c.text;
    EXPECT_EQ(Or_None(Ardent_Time_Resolve(&time)), Or_None(c.message)) << c.text;
    EXPECT_EQ(time.type, c.message ? 0 : 1) << c.text;
    EXPECT_EQ(Ardent_Time_Hour(&time), c.hour) << c.text;
    EXPECT_EQ(Ardent_Time_Minute(&time), c.minute) << c.text;
    EXPECT_FLOAT_EQ(Ardent_Time_Second(&time), c.second) << c.text;
    Free_Ardent_Time(&time);
  }
}

TEST(TimeResolution, NormalisationCarriesAndWraps)
{
  struct Case {
    int hour, minute;
    float second;
    int want_hour, want_minute;
    float want_second;
  } cases[] = {
      {10, 59, 75, 11, 0, 15},
      {23, 59, 60, 0, 0, 0},
      {10, 0, -5, 9, 59, 55},
      {0, 0, -1, 23, 59, 59},
      {25, 70, 0, 2, 10, 0},
  };
  for (const Case &c : cases) {
    Ardent_Time time = {};
    Ardent_Time_Set(&time, c.hour, c.minute, c.second);
    EXPECT_EQ(Ardent_Time_Resolve(&time), nullptr);
    EXPECT_EQ(time.hour, c.want_hour) << c.hour << ":" << c.minute << ":" << c.second;
    EXPECT_EQ(time.minute, c.want_minute) << c.hour << ":" << c.minute << ":" << c.second;
    EXPECT_FLOAT_EQ(time.second, c.want_second);
  }
  // Values far out of range are brought back without overflow.
  Ardent_Time wild = {};
  Ardent_Time_Set(&wild, 200, 250, 1e30f);
  EXPECT_EQ(Ardent_Time_Seconds(&wild), INT_MAX);
  EXPECT_EQ(Ardent_Time_Resolve(&wild), nullptr);
  EXPECT_LT(wild.hour, 24);
  EXPECT_LT(wild.minute, 60);
  EXPECT_LT(wild.second, 60);
  Ardent_Time_Set_Hours(&wild, 1e300);
  EXPECT_LT(wild.hour, 24);
  Ardent_Time_Set_Hours(&wild, -1.5);
  EXPECT_EQ(wild.hour, 22);
  EXPECT_EQ(wild.minute, 30);

  Ardent_Time time = {};
  Ardent_Time_Set_Hours(&time, 10.2625);
  EXPECT_EQ(Ardent_Time_Seconds(&time), 10 * 3600 + 15 * 60 + 45);
  EXPECT_NEAR(Ardent_Time_Hours(&time), 10.2625, 1e-6);
}

TEST(DateTimeText, DICOMAndDisplayForms)
{
  struct Case {
    const char *date_text;  // "yyyymmdd" or nullptr
    const char *time_text;  // "hhmmss.ffffff" or nullptr
    const char *dicom, *display;
  } cases[] = {
      {"20240131", "101530.5", "20240131101530.500000", "31 Jan 2024  10:15:30.500"},
      {"20240131", "101530", "20240131101530", "31 Jan 2024  10:15:30"},
      {"20240131", "101530.0004", "20240131101530", "31 Jan 2024  10:15:30"},
      {"20240131", "101529.9995", "20240131101530", "31 Jan 2024  10:15:30"},
      {"20240131", "101559.9995", "20240131101559", "31 Jan 2024  10:15:59"},
      {nullptr, "101530", "101530", "10:15:30"},
      {"20240131", nullptr, "20240131", "31 Jan 2024"},
      {nullptr, nullptr, "", ""},
  };
  for (const Case &c : cases) {
    Ardent_Date date = {};
    Ardent_Time time = {};
    if (c.date_text) Make_Ardent_Date_From_Str(&date, c.date_text, "yyyymmdd");
    if (c.time_text) Make_Ardent_Time_From_Str(&time, c.time_text, "hhmmss.ffffff");
    Ardent_Date date_copy = {};
    Ardent_Time time_copy = {};
    ASSERT_EQ(Copy_Ardent_Date(&date_copy, &date), 1);
    ASSERT_EQ(Copy_Ardent_Time(&time_copy, &time), 1);
    EXPECT_EQ(std::string(Ardent_Date_Time_To_DICOM(&date, &time)), c.dicom);
    EXPECT_EQ(std::string(Ardent_Date_Time_To_Display(&date_copy, &time_copy)), c.display);
    Free_Ardent_Date(&date);
    Free_Ardent_Time(&time);
    Free_Ardent_Date(&date_copy);
    Free_Ardent_Time(&time_copy);
  }
  EXPECT_EQ(Ardent_Date_Time_To_Display(nullptr, nullptr), nullptr);
}

TEST(DateTimeCompare, WeightsByField)
{
  Ardent_Date a = {}, b = {}, unresolved = {};
  Ardent_Date_Set(&a, 2024, 1, 31);
  Ardent_Date_Set(&b, 2024, 2, 1);
  Make_Ardent_Date_From_Str(&unresolved, "20240131", "yyyymmdd");
  EXPECT_EQ(Compare_Ardent_Date(&a, &b), -10);
  EXPECT_EQ(Compare_Ardent_Date(&b, &a), 10);
  EXPECT_EQ(Compare_Ardent_Date(&a, &a), 0);
  EXPECT_EQ(Compare_Ardent_Date(&unresolved, &a), -1000);
  EXPECT_EQ(Compare_Ardent_Date(&a, nullptr), 1000);
  EXPECT_EQ(Compare_Ardent_Date(nullptr, &unresolved), 0);
  Ardent_Date_Set(&b, 2023, 12, 31);
  EXPECT_EQ(Compare_Ardent_Date(&a, &b), 100);
  Free_Ardent_Date(&unresolved);

  Ardent_Time t1 = {}, t2 = {};
  Ardent_Time_Set(&t1, 10, 15, 30.5f);
  Ardent_Time_Set(&t2, 10, 15, 30.25f);
  EXPECT_EQ(Compare_Ardent_Time(&t1, &t2), 1);
  Ardent_Time_Set(&t2, 9, 59, 59);
  EXPECT_EQ(Compare_Ardent_Time(&t1, &t2), 100);
}

TEST(MonthNames, EnglishAndFrenchPrefixes)
{
  struct Case {
    const char *text;
    int month;
  } cases[] = {{"jan", 1},  {"FEV", 2},   {"Feb", 2},   {"avr", 4}, {"juin", 6}, {"jun", 6},  {"juillet", 7},
               {"jul", 7},  {"aou", 8},   {"AUG", 8},   {"dec", 12}, {"jui", 0}, {"mai", 0},  {"", 0}};
  for (const Case &c : cases) EXPECT_EQ(Month_From_Name(c.text), c.month) << c.text;
  EXPECT_STREQ(Month_Name(1), "Jan");
  EXPECT_STREQ(Month_Name(12), "Dec");
  EXPECT_STREQ(Month_Name(0), "???");
  EXPECT_STREQ(Month_Name(13), "???");
}
