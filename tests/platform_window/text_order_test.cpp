// Display order of lines holding right-to-left scripts: reordered runs inside a
// left-to-right line, Arabic joining forms, and lines of other scripts left untouched.
#include "platform/window/text_order.h"

#include <gtest/gtest.h>

namespace {

std::wstring Ordered(std::wstring text)
{
  Text_Display_Order(&text);
  return text;
}

TEST(Text_Display_Order, a_hebrew_name_after_a_latin_caption_is_drawn_from_its_last_letter)
{
  // "patient: " stays first; the two Hebrew words and the comma between them run right to left.
  EXPECT_EQ(Ordered(L"patient: \u05E9\u05E8\u05D5\u05DF, \u05D3\u05D1\u05D5\u05E8\u05D4\tid"),
            L"patient: \u05D4\u05E8\u05D5\u05D1\u05D3 ,\u05DF\u05D5\u05E8\u05E9\tid");
}

TEST(Text_Display_Order, arabic_letters_take_their_joining_forms)
{
  std::wstring shown = Ordered(L"\u0642\u0628\u0627\u0646\u064A");  // a name of five joined letters
  ASSERT_EQ(shown.size(), 5u);
  for (wchar_t c : shown) EXPECT_TRUE(c >= 0xFE70 && c <= 0xFEFF) << std::hex << (int)c;
}

TEST(Text_Display_Order, lines_without_right_to_left_letters_are_left_as_they_are)
{
  for (const wchar_t *line : {L"", L"Buc, J\u00E9r\u00F4me", L"\u3084\u307E\u3060\t(1 study)", L"123 (456)"})
    EXPECT_EQ(Ordered(line), line);
}

}  // namespace
