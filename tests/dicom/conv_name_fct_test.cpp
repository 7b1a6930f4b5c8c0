// Person names: DICOM components, free text in its three separator forms, comparison
// order and the four text forms.
#include <gtest/gtest.h>

#include <string>

#include "dicom/NEMA_Log.h"
#include "dicom/conv_name_fct.h"
#include "support/test_support.h"

static std::string Or_None(const char *text) { return text ? text : "(none)"; }

struct Name_Result {
  const char *family, *given, *middle, *prefix, *suffix;
  int count;
};

static void Expect_Name(const Ardent_Name &name, const Name_Result &want, const std::string &context)
{
  EXPECT_EQ(Or_None(name.family), Or_None(want.family)) << context;
  EXPECT_EQ(Or_None(name.given), Or_None(want.given)) << context;
  EXPECT_EQ(Or_None(name.middle), Or_None(want.middle)) << context;
  EXPECT_EQ(Or_None(name.prefix), Or_None(want.prefix)) << context;
  EXPECT_EQ(Or_None(name.suffix), Or_None(want.suffix)) << context;
  EXPECT_EQ(name.count, want.count) << context;
}

TEST(NamesFromParts, ComponentsAreTrimmedCutAndCounted)
{
  Ardent_Name name = {};
  ASSERT_EQ(Make_Ardent_Name_From_Parts(&name, "  Doe  ", "John", "", "Dr", nullptr), 1);
  Expect_Name(name, {"Doe", "John", nullptr, "Dr", nullptr, 2}, "Doe^John^^Dr");

  // A blank component leaves the one already there; a long one is cut to 64 characters
  // before trimming, and double spaces collapse.
  std::string long_family(70, 'x');
  ASSERT_EQ(Make_Ardent_Name_From_Parts(&name, long_family.c_str(), " \t ", "Van  Der", nullptr, "Jr\n"), 1);
  Expect_Name(name, {std::string(64, 'x').c_str(), "John", "Van Der", "Dr", "Jr", 3}, "second fill");
  Free_Ardent_Name(&name);
  EXPECT_EQ(name.count, 0);
  EXPECT_EQ(name.family, nullptr);

  // UTF-8 names are cut at 64 characters, never inside one; a stray byte counts as one.
  std::string kana, cut_kana;
  for (int i = 0; i < 70; i++) kana += "\xE3\x82\x84";
  for (int i = 0; i < 64; i++) cut_kana += "\xE3\x82\x84";
  std::string stray = std::string(63, 'x') + "\xE9\xE3\x82\x84";
  Ardent_Name wide = {};
  ASSERT_EQ(Make_Ardent_Name_From_Parts(&wide, kana.c_str(), stray.c_str(), nullptr, nullptr, nullptr), 1);
  Expect_Name(wide, {cut_kana.c_str(), (std::string(63, 'x') + "\xE9").c_str(), nullptr, nullptr, nullptr, 2},
              "UTF-8 cut");
  Free_Ardent_Name(&wide);
}

TEST(NamesFromText, SeparatorFormsAndFreeTextRules)
{
  struct Case {
    const char *text;
    int order;
    Name_Result want;
  } cases[] = {
      // DICOM form: always family first, whatever the order.
      {"Smith^John^Q^Dr^III", 3, {"Smith", "John", "Q", "Dr", "III", 3}},
      {"Smith^John", 0, {"Smith", "John", nullptr, nullptr, nullptr, 2}},
      // Comma form.
      {"Smith, John", 1, {"Smith", "John", nullptr, nullptr, nullptr, 2}},
      {"Dr. Smith, John", 1, {"Smith", "John", nullptr, "Dr", nullptr, 2}},
      // Free text: an initial between two long words is the middle name.
      {"John A Smith", 3, {"Smith", "John", "A", nullptr, nullptr, 3}},
      {"John A Smith", 1, {"John", "Smith", "A", nullptr, nullptr, 3}},
      {"J. Smith Walker", 1, {"Smith", "J. Walker", nullptr, nullptr, nullptr, 2}},
      // "J.Smith": a point gets a space after it.
      {"J.Smith", 1, {"J.", "Smith", nullptr, nullptr, nullptr, 2}},
      // A two-letter word without a point is no initial.
      {"John Li Smith", 1, {"John", "Li Smith", nullptr, nullptr, nullptr, 2}},
      // A short leading "Dr" is the title.
      {"Dr John Smith", 1, {"John", "Smith", nullptr, "Dr", nullptr, 2}},
      // The given name's trailing single letter is a middle initial.
      {"Smith John Q", 1, {"Smith", "John", "Q", nullptr, nullptr, 3}},
      // Five words: the fifth is also the suffix.
      {"Smith John Paul George Jr", 1, {"Smith", "John Paul George Jr", nullptr, nullptr, "Jr", 2}},
      {"  Smith    John  ", 1, {"Smith", "John", nullptr, nullptr, nullptr, 2}},
      {"Madonna", 1, {"Madonna", nullptr, nullptr, nullptr, nullptr, 1}},
  };
  for (const Case &c : cases) {
    Ardent_Name name = {};
    ASSERT_EQ(Make_Ardent_Name_From_Str(&name, c.text, c.order), 1) << c.text;
    Expect_Name(name, c.want, std::string(c.text) + " order " + std::to_string(c.order));
    Free_Ardent_Name(&name);
  }
}

TEST(NamesFromText, NothingChangesForEmptyBlankOrDefinedNames)
{
  Message_Capture capture(1);
  Ardent_Name name = {};
  EXPECT_EQ(Make_Ardent_Name_From_Str(&name, "", 1), 1);
  EXPECT_EQ(Make_Ardent_Name_From_Str(&name, "    ", 1), 1);
  EXPECT_EQ(name.count, 0);
  EXPECT_EQ(capture.Count(MSG_TRACE, "input string is empty"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "input string is only spaces"), 1);

  ASSERT_EQ(Make_Ardent_Name_From_Str(&name, "Doe^Jane", 1), 1);
  EXPECT_EQ(Make_Ardent_Name_From_Str(&name, "Roe^Richard", 1), 1);
  EXPECT_STREQ(name.family, "Doe");
  EXPECT_EQ(capture.Count(MSG_TRACE, "Name already defined"), 1);
  Free_Ardent_Name(&name);
}

TEST(NamesFromText, MoreThanFiveComponentsAreWarnedOf)
{
  Message_Capture capture(1);
  NEMA_Warning_Kind = MSG_WARNING;
  Ardent_Name name = {};
  ASSERT_EQ(Make_Ardent_Name_From_Str(&name, "A^B^C^D^E^F", 1), 1);
  NEMA_Warning_Kind = 0;
  EXPECT_STREQ(name.suffix, "E^F");
  EXPECT_EQ(capture.Count(MSG_WARNING, "WARING:\x02 Invalid name string (\x01" "A^B^C^D^E^F\x02)"), 1);
  Free_Ardent_Name(&name);
}

TEST(NameCompare, OrderByPresenceFamilyThenGiven)
{
  Ardent_Name doe = {}, doe_john = {}, doe_jane = {}, roe = {}, given_only = {}, empty = {};
  Make_Ardent_Name_From_Parts(&doe, "Doe", nullptr, nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&doe_john, "DOE", "john", nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&doe_jane, "doe", "Jane", nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&roe, "Roe", nullptr, nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&given_only, nullptr, "Anne", nullptr, nullptr, nullptr);
  EXPECT_EQ(Compare_Ardent_Name(nullptr, nullptr), 0);
  EXPECT_EQ(Compare_Ardent_Name(&empty, &doe), -1000);
  EXPECT_EQ(Compare_Ardent_Name(&doe, nullptr), 1000);
  EXPECT_EQ(Compare_Ardent_Name(&given_only, &doe), -100);
  EXPECT_EQ(Compare_Ardent_Name(&doe, &doe_john), -10);
  EXPECT_GT(Compare_Ardent_Name(&doe_john, &doe_jane), 0);
  EXPECT_LT(Compare_Ardent_Name(&doe_jane, &roe), 0);
  Ardent_Name copy = {};
  ASSERT_EQ(Copy_Ardent_Name(&copy, &doe_jane), 1);
  EXPECT_EQ(Compare_Ardent_Name(&copy, &doe_jane), 0);
  for (Ardent_Name *name : {&doe, &doe_john, &doe_jane, &roe, &given_only, &copy}) Free_Ardent_Name(name);
}

TEST(NameText, FourFormsDropWhatIsAbsent)
{
  struct Case {
    const char *family, *given, *middle, *prefix, *suffix;
    const char *dicom, *display, *file, *natural;
  } cases[] = {
      {"Doe", nullptr, nullptr, nullptr, "Jr", "Doe^^^^Jr", "Doe Jr", "Doe, Jr", "Doe  Jr"},
      {"Doe", "John", nullptr, nullptr, nullptr, "Doe^John", "Doe, John", "Doe, John", "John Doe "},
      {"Doe", "John", "A", "Dr", "III", "Doe^John^A^Dr^III", "Dr Doe, John A III", "Dr Doe, John A III",
       "Dr John A Doe  III"},
      {"Doe", nullptr, nullptr, nullptr, nullptr, "Doe", "Doe", "Doe,", "Doe "},
  };
  for (const Case &c : cases) {
    Ardent_Name name = {};
    Make_Ardent_Name_From_Parts(&name, c.family, c.given, c.middle, c.prefix, c.suffix);
    char out[80];
    EXPECT_STREQ(Ardent_Name_To_DICOM(&name, out, sizeof out), c.dicom);
    EXPECT_STREQ(Ardent_Name_To_Display(&name), c.display);
    EXPECT_STREQ(Ardent_Name_To_File(&name), c.file);
    EXPECT_STREQ(Ardent_Name_To_Natural(&name), c.natural);
    Free_Ardent_Name(&name);
  }
  Ardent_Name empty = {};
  char out[4] = "abc";
  EXPECT_EQ(Ardent_Name_To_DICOM(&empty, out, sizeof out), nullptr);
  EXPECT_EQ(Ardent_Name_To_Display(&empty), nullptr);
  EXPECT_EQ(Ardent_Name_To_Natural(nullptr), nullptr);

  // The DICOM form is cut to the caller's buffer.
  Ardent_Name name = {};
  Make_Ardent_Name_From_Parts(&name, "Doe", "John", nullptr, nullptr, nullptr);
  EXPECT_STREQ(Ardent_Name_To_DICOM(&name, out, sizeof out), "Doe");
  Free_Ardent_Name(&name);
}

TEST(NameText, PoolResultsStayValidFor127Calls)
{
  Ardent_Name first = {}, other = {};
  Make_Ardent_Name_From_Parts(&first, "First", nullptr, nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&other, "Other", nullptr, nullptr, nullptr, nullptr);
  const char *kept = Ardent_Name_To_Display(&first);
  for (int i = 0; i < 127; i++) Ardent_Name_To_Display(&other);
  EXPECT_STREQ(kept, "First");
  Free_Ardent_Name(&first);
  Free_Ardent_Name(&other);
}
