// Text panes: lines added by Write and OverWrite, the display codes as drawn pixels,
// the input line, the line limit and the silent refusal of a pane never initialised.
#include "tools/text_pane.h"
#include "tools/y_font.h"
#include "tools_fixture.h"

class Text_Pane_Test : public Tools_Test {
protected:
  void SetUp() override
  {
    Tools_Test::SetUp();
    Place(pane, 10, 10, 380, 200, 220);
    pane.font_style = "";
    pane.font_size = 12;
    Texts::Init(pane, window);
  }
  void TearDown() override
  {
    Text::Cleanup(pane);
    Tools_Test::TearDown();
  }
  // The first and last x inside the pane of pixels of `colour` in rows y1..y2, and
  // their count; first -1 when none.
  struct Ink { int first = -1, last = -1, count = 0; };
  Ink Extent(uint32_t colour, int y1, int y2)
  {
    Ink ink;
    for (int x = 14; x < 370; x++)
      for (int y = y1; y <= y2; y++)
        if (Pixel(x, y) == colour) {
          if (ink.first < 0) ink.first = x;
          ink.last = x;
          ink.count++;
        }
    return ink;
  }
  // Rows of the n-th line from the top (the pane shows its few lines from the top).
  int Line_Top(int n) { return 10 + 200 - 1 - 2 - n * pane.line_height; }
  int Line_Bottom(int n) { return Line_Top(n) - pane.line_height + 1; }
  Text_Pane pane;
};

TEST_F(Text_Pane_Test, OneLineFeedBetweenTwoWordsAddsTwoLines)
{
  Text::Write(pane, "first");
  size_t before = pane.lines.size();
  Text::Write(pane, "alpha\nbeta");
  ASSERT_EQ(pane.lines.size(), before + 2);
  EXPECT_EQ(pane.lines[before], L"alpha");
  EXPECT_EQ(pane.lines[before + 1], L"beta");
  Text::OverWrite(pane, "gamma %d", 3);
  EXPECT_EQ(pane.lines.size(), before + 2);
  EXPECT_EQ(Text::Read(pane), "gamma 3");
}

TEST_F(Text_Pane_Test, BoldRedWarningThenBoldBlackText)
{
  Text::Write(pane, "\xF1\x04WARNING!\x02 and then the rest");
  Text::Write(pane, "\x04WARNING!\x02 and then the rest");  // the same in the regular face
  Ink red = Extent(RGB(255, 0, 0), Line_Bottom(0), Line_Top(0));
  Ink black = Extent(RGB(0, 0, 0), Line_Bottom(0), Line_Top(0));
  ASSERT_GE(red.first, 0);
  ASSERT_GE(black.first, 0);
  EXPECT_LT(red.last, black.first);  // the red word first, the black text after it
  Ink red_regular = Extent(RGB(255, 0, 0), Line_Bottom(1), Line_Top(1));
  Ink black_regular = Extent(RGB(0, 0, 0), Line_Bottom(1), Line_Top(1));
  EXPECT_GT(red.count, red_regular.count * 5 / 4);      // bold strokes carry more ink
  EXPECT_GT(black.count, black_regular.count * 5 / 4);  // and the face stays bold after 0x02
}

TEST_F(Text_Pane_Test, LinesStartBlackAndRegularAndCodesAreNotDrawn)
{
  Text::Write(pane, "\x01" "blue");
  Text::Write(pane, "plain");
  EXPECT_EQ(pane.lines[0], L"\x01" L"blue");
  EXPECT_GE(Extent(RGB(0, 0, 255), Line_Bottom(0), Line_Top(0)).first, 0);
  EXPECT_GE(Extent(RGB(0, 0, 0), Line_Bottom(1), Line_Top(1)).first, 0);
  EXPECT_LT(Extent(RGB(0, 0, 255), Line_Bottom(1), Line_Top(1)).first, 0);
}

TEST_F(Text_Pane_Test, InputEditsTheLineAndEnterCompletesIt)
{
  Text_Pane field;
  Place(field, 10, 250, 200, 25, 240);
  field.options = TEXT_ONE_LINE;
  Texts::Init(field, window);
  Text::Write(field, "AE");
  struct { int key, completed; } keys[] = {{'X', 0}, {0x08, 0}, {'T' | 0x100, 0}, {0x1064, 0}, {'1' | 0x200, 0}, {0x0D, 1}};
  for (auto &k : keys) EXPECT_EQ(Text::Input(field, k.key), k.completed) << std::hex << k.key;
  std::string text;
  EXPECT_EQ(Texts::Read_Echo(field, text), 1);
  EXPECT_EQ(text, "AET");
  EXPECT_EQ(Texts::Read_Echo(field, text), 0);
  Text::Write(field, "fresh");
  EXPECT_EQ(field.lines.size(), 1u);
  EXPECT_EQ(Text::Read(field), "fresh");
  Text::Cleanup(field);
}

TEST_F(Text_Pane_Test, KeepsTheNewest4096LinesAndCutsLongTexts)
{
  for (int i = 0; i < 4100; i++) pane.lines.push_back(L"x");
  Text::Write(pane, "%s", std::string(400, 'y').c_str());
  EXPECT_EQ(pane.lines.size(), 4096u);
  EXPECT_EQ(pane.lines.back().size(), 255u);
}

TEST_F(Text_Pane_Test, PaneNeverInitialisedIgnoresWritesAndADamagedOneWarns)
{
  Message_Capture capture;
  Text_Pane fresh;
  Text::Write(fresh, "lost");
  EXPECT_TRUE(fresh.lines.empty());
  EXPECT_TRUE(capture.messages.empty());
  Text_Pane damaged;
  Place(damaged, 0, 0, 100, 40);
  damaged.state = 0x10;
  Text::OverWrite(damaged, "kept");
  EXPECT_EQ(capture.Count(MSG_TRACE, "   type: Text::OverWrite"), 1);
  EXPECT_EQ(damaged.lines.size(), 1u);
}

TEST_F(Text_Pane_Test, ScrollingShowsOlderLinesAndWriteReturnsToTheNewest)
{
  pane.options = TEXT_VSCROLL;
  Texts::Init(pane, window);
  for (int i = 0; i < 40; i++) Text::Write(pane, "line %d", i);
  EXPECT_TRUE(pane.at_newest);
  Text::Scroll(pane, 5);
  EXPECT_FALSE(pane.at_newest);
  int top_line = pane.top_line;
  Text::Scroll(pane, 1000);
  EXPECT_EQ(pane.top_line, 0);
  EXPECT_LT(0, top_line);
  Text::Write(pane, "newest");
  EXPECT_TRUE(pane.at_newest);
}

// ---- UTF-8 ------------------------------------------------------------------------------

TEST_F(Text_Pane_Test, written_text_reads_back_byte_for_byte)
{
  struct Case {
    const char *name, *text, *read;
  } cases[] = {
      {"accented name", "\xC3\x84neas^R\xC3\xBC" "diger", "\xC3\x84neas^R\xC3\xBC" "diger"},
      {"japanese name", "\xE5\xB1\xB1\xE7\x94\xB0^\xE5\xA4\xAA\xE9\x83\x8E", "\xE5\xB1\xB1\xE7\x94\xB0^\xE5\xA4\xAA\xE9\x83\x8E"},
      {"four-byte character starting with 0xF0", "a\xF0\x9F\x98\x80" "b", "a\xF0\x9F\x98\x80" "b"},
      {"the same escaped for the pane", "\\xF0\\x9F\\x98\\x80", "\\xF0\\x9F\\x98\\x80"},
      {"U+00F1 is a letter, not a font code", "Espa\xC3\xB1" "a/", "Espa\xC3\xB1" "a/"},
      {"latin-1 path with stray bytes", "/data/caf\xE9/\x80\xFF", "/data/caf\xE9/\x80\xFF"},
      {"cut character before a colour code", "\xE2\x82\x01x", "\xE2\x82x"},
      {"font byte before ASCII is markup", "\xF1 Done \x04ok", " Done ok"},
      {"font byte before a letter is markup", "\xF2\xC3\x84rger", "\xC3\x84rger"},
  };
  for (const Case &c : cases) {
    Text::Write(pane, "%s", c.text);
    EXPECT_EQ(Text::Read(pane), c.read) << c.name;
  }
}

TEST_F(Text_Pane_Test, utf8_and_its_latin1_equivalent_draw_the_same_pixels)
{
  Text::Write(pane, "\xC3\x84neas^R\xC3\xBC" "diger");
  Text::Write(pane, "\xC4neas^R\xFC" "diger");
  EXPECT_EQ(pane.lines[0].size(), 13u);
  int rows = pane.line_height;
  for (int r = 0; r < rows; r++)
    for (int x = 14; x < 370; x++)
      ASSERT_EQ(Pixel(x, Line_Bottom(0) + r), Pixel(x, Line_Bottom(1) + r)) << x << "," << r;
  EXPECT_GE(Extent(RGB(0, 0, 0), Line_Bottom(0), Line_Top(0)).first, 0);
}

TEST_F(Text_Pane_Test, bold_markup_still_switches_the_face_before_utf8_text)
{
  Text::Write(pane, "\xF1\x04\xC3\x84RGER\x02 danach");
  Text::Write(pane, "\x04\xC3\x84RGER\x02 danach");
  Ink bold = Extent(RGB(255, 0, 0), Line_Bottom(0), Line_Top(0));
  Ink regular = Extent(RGB(255, 0, 0), Line_Bottom(1), Line_Top(1));
  ASSERT_GE(regular.first, 0);
  EXPECT_GT(bold.count, regular.count * 5 / 4);
}

TEST_F(Text_Pane_Test, backspace_removes_a_whole_character_and_typed_latin1_reads_as_utf8)
{
  Text_Pane field;
  Place(field, 10, 250, 200, 25, 240);
  field.options = TEXT_ONE_LINE;
  Texts::Init(field, window);
  Text::Write(field, "Zo\xC3\xAB\xE5\xB1\xB1");
  struct {
    int key;
    const char *read;
  } steps[] = {{0x08, "Zo\xC3\xAB"}, {0x08, "Zo"}, {0xF1, "Zo\xC3\xB1"}, {0xF0, "Zo\xC3\xB1\xC3\xB0"}, {0x08, "Zo\xC3\xB1"}};
  for (auto &step : steps) {
    Text::Input(field, step.key);
    EXPECT_EQ(Text::Read(field), step.read) << std::hex << step.key;
  }
  Text::Cleanup(field);
}

TEST_F(Text_Pane_Test, a_text_cut_to_255_bytes_drops_a_split_character)
{
  std::string long_text(254, 'x');
  Text::Write(pane, "%s\xC3\x84", long_text.c_str());  // the two-byte character straddles the cut
  EXPECT_EQ(Text::Read(pane), long_text);
  Text::Write(pane, "%s\xC3\x84", std::string(253, 'y').c_str());  // it fits
  EXPECT_EQ(Text::Read(pane), std::string(253, 'y') + "\xC3\x84");
}
