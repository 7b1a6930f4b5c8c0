// The toolkit's text decoding: UTF-8 turned into code points (stray bytes as their
// Latin-1 characters) and the widths of accented names measured through Tools::. The
// glyphs of characters Liberation Sans lacks are checked with the platform fonts.
#include <string>

#include "tools/tools.h"
#include "tools/y_font.h"
#include "tools_fixture.h"

// ---- decoding ---------------------------------------------------------------------------

TEST(Y_Wide, utf8_becomes_code_points_and_each_stray_byte_its_latin1_character)
{
  struct Case {
    const char *name, *text;
    std::wstring wide;
  } cases[] = {
      {"one byte", "Aa~", L"Aa~"},
      {"two bytes", "\xC3\x84" "x", L"\u00C4x"},
      {"three bytes", "\xE2\x82\xAC", L"\u20AC"},
      {"four bytes", "\xF0\x9F\x98\x80", std::wstring(1, (wchar_t)0x1F600)},
      {"highest code point", "\xF4\x8F\xBF\xBF", std::wstring(1, (wchar_t)0x10FFFF)},
      {"overlong two bytes", "\xC0\xAF", L"\u00C0\u00AF"},
      {"overlong three bytes", "\xE0\x80\xAF", L"\u00E0\u0080\u00AF"},
      {"overlong four bytes", "\xF0\x80\x80\xAF", L"\u00F0\u0080\u0080\u00AF"},
      {"surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u0080"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", L"\u00F4\u0090\u0080\u0080"},
      {"truncated at the end", "ab\xC3", L"ab\u00C3"},
      {"truncated before ASCII", "\xE2\x82" "A", L"\u00E2\u0082A"},
      {"truncated four bytes", "\xF0\x9F\x98", L"\u00F0\u009F\u0098"},
      {"lone continuation", "a\x80" "b\xBF", L"a\u0080b\u00BF"},
      {"bytes never in UTF-8", "\xFF\xFE\xF5\xC1", L"\u00FF\u00FE\u00F5\u00C1"},
      {"latin-1 name", "\xC4neas", L"\u00C4neas"},
      {"control bytes left out, tab kept", "a\x01" "b\tc\n\x1F", L"ab\tc"},
      {"empty", "", L""},
  };
  for (const Case &c : cases) EXPECT_EQ(Y_Wide(c.text), c.wide) << c.name;
  EXPECT_EQ(Y_Wide(nullptr), L"");
}

// ---- measuring ---------------------------------------------------------------------------

TEST_F(Tools_Test, an_accented_name_in_utf8_measures_as_its_thirteen_latin1_characters)
{
  const Y_Font *font = Y_Create_Font(window, "Arial", "", "", 12);
  ASSERT_NE(font, nullptr);
  const char *utf8 = "\xC3\x84neas^R\xC3\xBC" "diger", *latin1 = "\xC4neas^R\xFC" "diger";
  EXPECT_EQ(Y_Wide(utf8).size(), 13u);
  EXPECT_EQ(Y_Wide(utf8), Y_Wide(latin1));
  int width = Tools::Text_Width(font, utf8);
  EXPECT_EQ(width, Tools::Text_Width(font, latin1));
  EXPECT_EQ(width, Y_Text_Extent(font, L"\u00C4neas^R\u00FCdiger"));
  EXPECT_LT(width, Y_Text_Extent(font, L"\u00C3\u0084neas^R\u00C3\u00BCdiger"));  // not 15 characters
}
