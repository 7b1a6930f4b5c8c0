// Thousands separators and size texts at their boundaries.
#include "app/number_text.h"

#include <gtest/gtest.h>

TEST(Number_Text, thousands_separators_at_each_group_boundary)
{
  const struct {
    long long count;
    const char *text;
  } cases[] = {{0, "0"},           {999, "999"},           {1000, "1,000"},          {1500, "1,500"},
               {100000, "100,000"}, {1234567, "1,234,567"}, {1000000000, "1,000,000,000"},
               {2147483647, "2,147,483,647"}, {1234567890123LL, "1,234,567,890,123"}, {-1234, "-1,234"}};
  for (const auto &test : cases) EXPECT_EQ(test.text, Number_Text_Thousands(test.count)) << test.count;
}

TEST(Number_Text, size_texts_change_unit_at_each_power_of_1024)
{
  const struct {
    int64_t bytes;
    const char *text;
  } cases[] = {{0, "0 bytes"},
               {1023, "1023 bytes"},
               {1024, "1.00 Kb"},
               {1048575, "1024.00 Kb"},
               {1048576, "1.00 Mb"},
               {10000000, "9.54 Mb"},
               {(1LL << 30) - 1, "1024.00 Mb"},
               {1LL << 30, "1.00 Gb"},
               {(1LL << 40) - 1, "1024.00 Gb"},
               {1LL << 40, "1.00 Tb"}};
  for (const auto &test : cases) EXPECT_EQ(test.text, Number_Text_Size(test.bytes)) << test.bytes;
}
