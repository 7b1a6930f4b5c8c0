// The platform fonts against the real Liberation Sans files: matching Arial in its three
// styles, the point-to-pixel scale, metrics, widths, and the pixels drawn (ink inside the
// character cell, clipping, colour and alpha blending, vertical text), and characters
// that Liberation Sans lacks, drawn from fallback fonts or as its .notdef box.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/window/font.h"
#include "support/test_support.h"

namespace {

struct Font_Owner {  // releases the font at the end of the test
  Font_Handle font;
  explicit Font_Owner(Font_Handle made) : font(made) {}
  ~Font_Owner() { Font_Release(font); }
};

struct Canvas {
  Framebuffer frame;
  Window_Surface surface;
  Canvas(int width, int height, uint32_t fill = 0xFFFFFF)
  {
    frame.Resize(width, height, fill);
    surface = Window_Surface_Of_Frame(&frame);
  }
  int Ink(uint32_t paper = 0xFFFFFF) const
  {
    return (int)std::count_if(frame.pixels.begin(), frame.pixels.end(), [&](uint32_t p) { return p != paper; });
  }
};

}  // namespace

TEST(Font, arial_in_its_three_styles_resolves_to_liberation_sans)
{
  Message_Capture capture;
  struct Case {
    const char *face;
    int weight, italic;
  } cases[] = {{"Arial", 400, 0}, {"Arial", 700, 0}, {"Arial", 400, 1}, {"arial", 700, 1}, {nullptr, 400, 0}, {"", 400, 0}};
  for (const Case &c : cases) {
    Font_Owner owner(Font_Create(c.face, c.weight, c.italic, 16));
    ASSERT_NE(owner.font, nullptr) << (c.face ? c.face : "(null)");
    EXPECT_STREQ(Font_Family(owner.font), "Liberation Sans");
  }
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
}

TEST(Font, bold_is_wider_and_italic_draws_other_pixels)
{
  Font_Owner regular(Font_Create("Arial", 400, 0, 16)), bold(Font_Create("Arial", 700, 0, 16)),
      italic(Font_Create("Arial", 400, 1, 16));
  const wchar_t *text = L"Harrowdesk";
  EXPECT_GT(Font_Text_Width(bold.font, text, -1), Font_Text_Width(regular.font, text, -1));
  Canvas upright(120, 24), slanted(120, 24);
  Font_Draw_Text(regular.font, upright.surface, 2, 2, text, -1, 0, 255);
  Font_Draw_Text(italic.font, slanted.surface, 2, 2, text, -1, 0, 255);
  EXPECT_NE(upright.frame.pixels, slanted.frame.pixels);
}

TEST(Font, points_become_pixels_at_96_dpi)
{
  struct Case {
    int points, pixels;
  } cases[] = {{12, 16}, {9, 12}, {10, 13}, {14, 19}, {8, 11}, {72, 96}, {0, 0}};
  for (const Case &c : cases) EXPECT_EQ(Font_Points_To_Pixels(c.points), c.pixels) << c.points;
}

TEST(Font, metrics_of_16_pixel_liberation_sans)
{
  Font_Owner owner(Font_Create("Arial", 400, 0, 16));
  Font_Metrics metrics;
  ASSERT_EQ(Font_Get_Metrics(owner.font, &metrics), 1);
  // hhea ascender 1854 and descender -434 of 2048 units, rounded outwards at 16 pixels.
  EXPECT_EQ(metrics.ascent, 15);
  EXPECT_EQ(metrics.descent, 4);
  EXPECT_EQ(metrics.height, 19);
  EXPECT_EQ(metrics.average_width, 9);  // xAvgCharWidth 1176 of 2048 units
  EXPECT_GE(metrics.max_width, Font_Text_Width(owner.font, L"W", -1));
  EXPECT_EQ(Font_Get_Metrics(nullptr, &metrics), 0);
}

TEST(Font, widths_add_up_and_control_characters_take_no_room)
{
  Font_Owner owner(Font_Create("Arial", 400, 0, 16));
  int w = Font_Text_Width(owner.font, L"W", -1);
  EXPECT_GT(w, 10);
  EXPECT_EQ(Font_Text_Width(owner.font, L"WWW", -1), 3 * w);
  EXPECT_EQ(Font_Text_Width(owner.font, L"WWW", 2), 2 * w);
  EXPECT_EQ(Font_Text_Width(owner.font, L"", -1), 0);
  EXPECT_EQ(Font_Text_Width(owner.font, L"Hello\tWorld\x01", -1), Font_Text_Width(owner.font, L"HelloWorld", -1));
  EXPECT_EQ(Font_Text_Width(nullptr, L"W", -1), 0);
  EXPECT_EQ(Font_Text_Width(owner.font, nullptr, -1), 0);
}

TEST(Font, ink_stays_inside_the_character_cell)
{
  Font_Owner owner(Font_Create("Arial", 400, 0, 16));
  Font_Metrics metrics;
  Font_Get_Metrics(owner.font, &metrics);
  Canvas canvas(80, 40);
  int end = Font_Draw_Text(owner.font, canvas.surface, 10, 5, L"Hg", -1, 0x000000, 255);
  EXPECT_EQ(end, 10 + Font_Text_Width(owner.font, L"Hg", -1));
  ASSERT_GT(canvas.Ink(), 20);
  for (int y = 0; y < canvas.frame.height; y++)
    for (int x = 0; x < canvas.frame.width; x++)
      if (canvas.frame.Row(y)[x] != 0xFFFFFF) {
        EXPECT_GE(x, 10);
        EXPECT_LT(x, end + 1);
        EXPECT_GE(y, 5);
        EXPECT_LT(y, 5 + metrics.height);
      }
}

TEST(Font, drawing_is_clipped_to_the_surface_clip)
{
  Font_Owner owner(Font_Create("Arial", 700, 0, 20));
  Canvas canvas(100, 40);
  canvas.surface.clip_left = 20;
  canvas.surface.clip_right = 40;
  canvas.surface.clip_top = 10;
  canvas.surface.clip_bottom = 20;
  Font_Draw_Text(owner.font, canvas.surface, 0, 0, L"MMMMMM", -1, 0, 255);
  EXPECT_GT(canvas.Ink(), 0);
  for (int y = 0; y < canvas.frame.height; y++)
    for (int x = 0; x < canvas.frame.width; x++)
      if (canvas.frame.Row(y)[x] != 0xFFFFFF) {
        EXPECT_TRUE(x >= 20 && x < 40 && y >= 10 && y < 20) << x << "," << y;
      }
  Canvas far(30, 30);  // text wholly outside the frame touches nothing
  Font_Draw_Text(owner.font, far.surface, -500, -500, L"MMMM", -1, 0, 255);
  Font_Draw_Text(owner.font, far.surface, 500, 500, L"MMMM", -1, 0, 255);
  EXPECT_EQ(far.Ink(), 0);
}

TEST(Font, full_coverage_takes_the_colour_and_half_alpha_blends_halfway)
{
  Font_Owner owner(Font_Create("Arial", 700, 0, 60));
  Canvas solid(60, 80), half(60, 80);
  Font_Draw_Text(owner.font, solid.surface, 5, 5, L"I", -1, 0xFF0000, 255);
  Font_Draw_Text(owner.font, half.surface, 5, 5, L"I", -1, 0xFF0000, 128);
  size_t stem = std::find(solid.frame.pixels.begin(), solid.frame.pixels.end(), 0xFF0000u) - solid.frame.pixels.begin();
  ASSERT_LT(stem, solid.frame.pixels.size()) << "no fully covered pixel";
  uint32_t blended = half.frame.pixels[stem];
  EXPECT_EQ(blended >> 16, 0xFFu);
  EXPECT_NEAR((int)((blended >> 8) & 0xFF), 127, 1);
  EXPECT_NEAR((int)(blended & 0xFF), 127, 1);
  Canvas none(60, 80);
  Font_Draw_Text(owner.font, none.surface, 5, 5, L"I", -1, 0xFF0000, 0);
  EXPECT_EQ(none.Ink(), 0);
}

TEST(Font, vertical_text_stacks_one_character_per_line_up_to_128)
{
  Font_Owner owner(Font_Create("Arial", 400, 0, 16));
  Font_Metrics metrics;
  Font_Get_Metrics(owner.font, &metrics);
  int width = 0, height = 0;
  Font_Vertical_Size(owner.font, L"iWi", -1, &width, &height);
  EXPECT_EQ(width, Font_Text_Width(owner.font, L"W", -1));
  EXPECT_EQ(height, 3 * metrics.height);
  std::wstring long_text(200, L'x');
  Font_Vertical_Size(owner.font, long_text.c_str(), -1, &width, &height);
  EXPECT_EQ(height, 128 * metrics.height);
  Canvas canvas(40, 3 * metrics.height);
  Font_Draw_Vertical(owner.font, canvas.surface, 0, 0, L"III", -1, 0, 255);
  for (int line = 0; line < 3; line++) {  // ink in every line's band
    int ink = 0;
    for (int y = line * metrics.height; y < (line + 1) * metrics.height; y++)
      for (int x = 0; x < canvas.frame.width; x++) ink += canvas.frame.Row(y)[x] != 0xFFFFFF;
    EXPECT_GT(ink, 5) << line;
  }
}

TEST(Font, bad_heights_fail_with_one_report_and_an_unknown_face_warns_once)
{
  Message_Capture capture;
  EXPECT_EQ(Font_Create("Arial", 400, 0, 0), nullptr);
  EXPECT_EQ(Font_Create("Arial", 400, 0, 1001), nullptr);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "out of range"), 2);
  Font_Owner first(Font_Create("Harrowdesk No Such Face", 400, 0, 12));
  Font_Owner second(Font_Create("Harrowdesk No Such Face", 700, 0, 12));
  ASSERT_NE(first.font, nullptr);  // fontconfig's fallback is used
  EXPECT_EQ(capture.Count(MSG_WARNING, "Harrowdesk No Such Face"), 1);
}

TEST(Font, the_system_font_lives_for_the_run)
{
  Font_Handle system = Font_System();
  ASSERT_NE(system, nullptr);
  Font_Release(system);  // ignored
  EXPECT_EQ(Font_System(), system);
  EXPECT_GT(Font_Text_Width(system, L"OK", -1), 0);
}

// ---- characters the face lacks -------------------------------------------------------------

namespace {

// Whether fontconfig lists any font covering `code` (the fallback can only find those).
bool Installed_Font_Covers(unsigned code)
{
  char command[64];
  snprintf(command, sizeof command, "fc-list ':charset=%x' file 2>/dev/null", code);
  FILE *list = popen(command, "r");
  if (!list) return false;
  char line[512];
  bool found = fgets(line, sizeof line, list) != nullptr;
  pclose(list);
  return found;
}

// One character drawn alone, black on white, at the left of a 60 x 40 canvas.
std::vector<uint32_t> Drawn_Alone(Font_Handle font, wchar_t character)
{
  Canvas canvas(60, 40);
  wchar_t text[2] = {character, 0};
  Font_Draw_Text(font, canvas.surface, 2, 2, text, -1, 0x000000, 255);
  return canvas.frame.pixels;
}

// The folder of the Liberation Sans file that fontconfig finds; "" when none.
std::string Liberation_Folder()
{
  FILE *match = popen("fc-match -f '%{file}' 'Liberation Sans' 2>/dev/null", "r");
  if (!match) return "";
  char line[512] = "";
  if (!fgets(line, sizeof line, match)) line[0] = 0;
  pclose(match);
  std::string file = line;
  return file.find('/') == std::string::npos ? "" : file.substr(0, file.rfind('/'));
}

const wchar_t UNASSIGNED = 0xE000;  // private use: no installed font has a glyph for it

}  // namespace

TEST(Font, characters_the_face_lacks_are_drawn_from_a_fallback_font)
{
  struct Case {
    const char *script;
    const wchar_t *text;
  } cases[] = {
      {"Japanese kanji", L"\u5C71\u7530\u592A\u90CE"}, {"Japanese kana", L"\u3084\u307E\u3060"},
      {"Korean", L"\uD64D\uAE38\uB3D9"},                {"Chinese", L"\u738B\u5C0F\u660E"},
      {"Hebrew", L"\u05D3\u05D5\u05D3"},                {"Arabic", L"\u0645\u062D\u0645\u062F"},
  };
  Font_Owner owner(Font_Create("Arial", 400, 0, 16));
  ASSERT_NE(owner.font, nullptr);
  std::vector<uint32_t> notdef = Drawn_Alone(owner.font, UNASSIGNED);
  int checked = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.script);
    if (!Installed_Font_Covers((unsigned)c.text[0])) {
      std::printf("%s not checked: no installed font covers it (install fonts-wqy-zenhei)\n", c.script);
      continue;
    }
    checked++;
    for (const wchar_t *p = c.text; *p; p++) {
      std::vector<uint32_t> glyph = Drawn_Alone(owner.font, *p);
      EXPECT_NE(glyph, notdef) << std::hex << (unsigned)*p;
      EXPECT_GT(std::count_if(glyph.begin(), glyph.end(), [](uint32_t pixel) { return pixel != 0xFFFFFF; }), 10)
          << std::hex << (unsigned)*p;
    }
    Canvas canvas(200, 40);
    int end = Font_Draw_Text(owner.font, canvas.surface, 5, 5, c.text, -1, 0, 255);
    EXPECT_EQ(end, 5 + Font_Text_Width(owner.font, c.text, -1));  // measuring and drawing agree
  }
  if (checked == 0) GTEST_SKIP() << "no installed font covers any of these scripts (install fonts-wqy-zenhei)";
}

TEST(Font, without_a_fallback_font_a_lacking_character_draws_the_notdef_box)
{
  // A fontconfig of the Liberation fonts only: nothing covers Japanese. It must be read
  // before fontconfig starts, so the check runs in a fresh process.
  std::string liberation = Liberation_Folder();
  if (liberation.empty()) GTEST_SKIP() << "fc-match finds no Liberation Sans file";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::string config = ::testing::TempDir() + "harrowdesk_liberation_only.conf";
        FILE *file = fopen(config.c_str(), "w");
        if (!file) _exit(2);
        fprintf(file, "<?xml version=\"1.0\"?>\n<fontconfig><dir>%s</dir>"
                      "<cachedir>%sharrowdesk_fontconfig_cache</cachedir></fontconfig>\n",
                liberation.c_str(), ::testing::TempDir().c_str());
        fclose(file);
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
        Font_Handle font = Font_Create("Arial", 400, 0, 16);
        if (!font) _exit(3);
        bool same = Drawn_Alone(font, 0x5C71) == Drawn_Alone(font, UNASSIGNED) &&
                    Font_Text_Width(font, L"\u5C71", -1) == Font_Text_Width(font, &UNASSIGNED, 1) &&
                    Font_Text_Width(font, L"A", -1) > 0;
        _exit(same ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
