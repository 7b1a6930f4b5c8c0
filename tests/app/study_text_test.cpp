// Study texts: the capitalised display name and the date text.
#include "app/study_text.h"

#include <gtest/gtest.h>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"

namespace {

TEST(StudyText, NamesAreCapitalisedWordByWord)
{
  const std::pair<const char *, const char *> cases[] = {
      {"DOE^JOHN", "Doe, John"},
      {"o'brien^ann-marie", "O'Brien, Ann-Marie"},
      {"SMITH^JOHN^\"JJ\"", "Smith, John \"JJ\""},  // quoted text stays as it is
      {"MCDONALD^J.R.", "Mcdonald, J.R."},
  };
  for (const auto &c : cases) {
    Ardent_Name name{};
    Make_Ardent_Name_From_Str(&name, c.first, 1);
    EXPECT_EQ(Study_Name_Capitalised(&name), c.second) << c.first;
    Free_Ardent_Name(&name);
  }
  EXPECT_EQ(Study_Name_Capitalised(nullptr), "");
}

TEST(StudyText, DateTextOnlyForResolvedDates)
{
  char text[STUDY_DATE_TEXT];
  Ardent_Date date{};
  Ardent_Date_Set(&date, 2024, 1, 5);
  EXPECT_EQ(Study_Date_Text(&date, text), 1);
  EXPECT_STREQ(text, "05 Jan 2024");
  Make_Ardent_Date_From_Str(&date, "20241399", "yyyymmdd");
  Check_Ardent_Date(&date, 0);  // invalid: no date
  EXPECT_EQ(Study_Date_Text(&date, text), 0);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Study_Date_Text(nullptr, text), 0);
  Free_Ardent_Date(&date);
}

}  // namespace
