// The platform fonts against the real Liberation Sans files: matching Arial in its three
// styles, the point-to-pixel scale, metrics, widths, and the pixels drawn (ink inside the
// character cell, clipping, colour and alpha blending, vertical text).
#include <gtest/gtest.h>

#include <algorithm>

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
