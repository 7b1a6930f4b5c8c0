// Escaping of outside values and cleaning of message texts: which bytes become visible
// escapes, which markup is dropped, and that UTF-8 names survive.
#include "util/text_escape.h"

#include <gtest/gtest.h>

#include "util/message_log.h"

namespace {

struct Escape_Case {
  const char *name;
  const char *text;
  unsigned flags;
  const char *expected;
};

}  // namespace

TEST(Text_Escape, control_bytes_always_become_visible_and_flags_add_markup_and_backslashes)
{
  const Escape_Case cases[] = {
      {"a line feed, a carriage return and a tab", "a\nb\rc\td", 0, "a\\nb\\rc\\td"},
      {"other control bytes and DEL as \\xNN", "\x01\x1B[2J\x7F", 0, "\\x01\\x1B[2J\\x7F"},
      {"the colour markup bytes are control bytes", "\x02\x06", TEXT_ESCAPE_MARKUP, "\\x02\\x06"},
      {"UTF-8 is kept", "caf\xC3\xA9 \xE2\x82\xAC", TEXT_ESCAPE_MARKUP, "caf\xC3\xA9 \xE2\x82\xAC"},
      {"a font byte is kept without the flag", "x\xF1y", 0, "x\xF1y"},
      {"a font byte alone is escaped with the flag", "x\xF1y", TEXT_ESCAPE_MARKUP, "x\\xF1y"},
      {"a 4-byte character led by 0xF0 is escaped whole", "\xF0\x9F\x98\x80!", TEXT_ESCAPE_MARKUP,
       "\\xF0\\x9F\\x98\\x80!"},
      {"bytes 0xF3 and above are no markup", "\xF3\xFF", TEXT_ESCAPE_MARKUP, "\xF3\xFF"},
      {"backslashes are kept without the flag", "a\\nb", 0, "a\\nb"},
      {"backslashes are doubled with the flag", "a\\nb", TEXT_ESCAPE_BACKSLASH, "a\\\\nb"},
      {"an empty text", "", TEXT_ESCAPE_MARKUP, ""},
  };
  for (const Escape_Case &c : cases) EXPECT_EQ(Text_Escape(c.text, c.flags), c.expected) << c.name;
  EXPECT_EQ(Text_Escape(nullptr, 0), "");
}

TEST(Text_Escape, a_name_with_a_line_feed_and_one_with_backslash_n_stay_apart_as_log_values)
{
  EXPECT_EQ(Log_Value_Escape("a\nb"), "a\\nb");
  EXPECT_EQ(Log_Value_Escape("a\\nb"), "a\\\\nb");
  EXPECT_EQ(Log_Value_Escape("b\x01\xF1" "c.dcm"), "b\\x01\\xF1c.dcm");
  EXPECT_EQ(Log_Value_Escape(std::string("/data/\xC3\xA9t\xC3\xA9/x.dcm")), "/data/\xC3\xA9t\xC3\xA9/x.dcm");
  EXPECT_EQ(Log_Value_Escape((const char *)nullptr), "");
}

TEST(Log_Text_Clean, markup_is_dropped_and_only_the_box_form_keeps_line_feeds)
{
  const struct {
    const char *text, *box, *line;
  } cases[] = {
      {"\xF1\x04WARNING!\x02 disk\tfull", "WARNING! disk\tfull", "WARNING! disk\tfull"},
      {"line %-4d of x \nmemory error", "line %-4d of x \nmemory error", "line %-4d of x \\nmemory error"},
      {"cr\rlf\n", "cr\\rlf\n", "cr\\rlf\\n"},
      {"esc\x1B[31m", "esc\\x1B[31m", "esc\\x1B[31m"},
      {"\xC3\xA9\xF0\xFF", "\xC3\xA9\xFF", "\xC3\xA9\xFF"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Log_Text_Clean(c.text), c.box) << c.text;
    EXPECT_EQ(Log_Line_Clean(c.text), c.line) << c.text;
  }
}
