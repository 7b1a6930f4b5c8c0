// Icons and pictures drawn into the window: transparency, blending over the widget
// colour, the cache, and the warnings for missing files.
#include "tools/button.h"
#include "tools/icon.h"
#include "tools/picture.h"
#include "tools_fixture.h"

// A 2 x 2 24-bit TGA: black (transparent) at the top left, red elsewhere.
static std::string Tiny_TGA()
{
  std::string b(18, '\0');
  b[2] = 2, b[12] = 2, b[14] = 2, b[16] = 24;
  const unsigned char rows[12] = {0, 0, 200, 0, 0, 200,   // bottom row: red, red (blue, green, red)
                                  0, 0, 0, 0, 0, 200};    // top row: black, red
  return b + std::string((const char *)rows, 12);
}

class Icon_Test : public Tools_Test {
protected:
  void SetUp() override
  {
    Tools_Test::SetUp();
    Icon_Cache_Clear();
    ASSERT_TRUE(Write_File(env.temp() + "tiny.tga", Tiny_TGA()));
  }
  void TearDown() override
  {
    Icon_Cache_Clear();
    Tools_Test::TearDown();
  }
  Scoped_Temp_Env env;
};

TEST_F(Icon_Test, BlackBackgroundOfA24BitTGAShowsTheWidgetColour)
{
  Tools_Device d;
  Place(d, 10, 10, 50, 50, 90);
  d.state = 1;
  Icon_Draw_Image(d, 20, 20, env.temp().c_str(), "tiny.tga");
  EXPECT_EQ(Pixel(20, 21), RGB(89, 89, 89));    // transparent: (90 * 255) / 256 of the widget colour
  EXPECT_EQ(Pixel(21, 21), RGB(199, 0, 0));     // opaque red: 200 * 255 / 256
  EXPECT_EQ(Pixel(20, 20), RGB(199, 0, 0));
  EXPECT_EQ(Pixel(22, 20), RGB(0, 0, 0));       // beside the icon: untouched
}

TEST_F(Icon_Test, MissingIconIsWarnedAboutOnceAndThenDrawsNothing)
{
  Message_Capture capture;
  Tools_Device d;
  Place(d, 0, 0, 100, 100);
  d.state = 1;
  for (int i = 0; i < 3; i++) Icon_Draw_Image(d, 5, 5, env.temp().c_str(), "icon_gone.rgb");
  EXPECT_EQ(capture.Count(MSG_WARNING, "icon_gone.rgb"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[ENOENT]"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Icon_Read_RGB() File:icon Line:"), 1);
  EXPECT_EQ(Pixel(6, 6), RGB(0, 0, 0));
  ASSERT_NE(Icon_Cache_Find("icon_gone.rgb"), nullptr);
  EXPECT_TRUE(Icon_Cache_Find("icon_gone.rgb")->bgra.empty());
}

TEST_F(Icon_Test, IconsOfTheWrongKindAreRefused)
{
  struct { const char *name; const char *warning; } cases[] = {{"tiny.rgb", "tiny.rgb should be RGBA"},
                                                               {"flat.tga", "flat.tga should be RGB"}};
  std::string flat(18, '\0');
  flat[2] = 2, flat[12] = 1, flat[14] = 1, flat[16] = 32;
  ASSERT_TRUE(Write_File(env.temp() + "flat.tga", flat + std::string(4, '\x7f')));
  ASSERT_TRUE(Write_File(env.temp() + "tiny.rgb", Tiny_TGA()));
  for (auto &c : cases) {
    Message_Capture capture;
    Icon_Entry entry;
    Tools_Device d;
    EXPECT_EQ(Icon_Read(d, env.temp(), c.name, entry), 0);
    EXPECT_EQ(capture.Count(MSG_WARNING, c.warning), 1) << c.name;
  }
}

TEST_F(Icon_Test, ShippedIconsAreCachedWithBothChannelOrders)
{
  Tools_Device d;
  Place(d, 0, 0, 100, 100, 170);
  d.state = 1;
  std::string folder = Shipped_Icons();
  Icon_Draw_Image(d, 10, 10, folder.c_str(), "icon_fixed.rgb");
  const Icon_Entry *entry = Icon_Cache_Find("icon_fixed.rgb");
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->width, 16);
  for (size_t i = 0; i < entry->bgra.size(); i++) {
    const uint8_t *p = entry->rgba.data() + 4 * i;
    EXPECT_EQ(entry->bgra[i], (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
  }
  EXPECT_EQ(Pixel(10, 25), RGB(169, 169, 169));  // the icon's transparent corner shows the widget
}

TEST_F(Icon_Test, PictureOnTheWidgetColourIsScaledIntoTheFrame)
{
  Button b;
  Place(b, 0, 0, 25, 25);
  b.options = OPT_PICTURE_ON_COLOUR;
  Buttons::Init(b, window);
  std::string folder = Shipped_Icons();
  ASSERT_EQ(Buttons::Load_Faces(b, folder, "but_left.tga", RGB(170, 170, 170), RGB(102, 100, 100)), 1);
  EXPECT_EQ(b.face_normal.width, 25);
  EXPECT_EQ(b.face_high.height, 25);
  EXPECT_EQ(b.face_normal.pixels[0] & 0xFFFFFF, 0xAAAAAAu);  // the border is the colour
  EXPECT_EQ(b.face_high.pixels[0] & 0xFFFFFF, 0x666464u);
  Message_Capture capture;
  Tools_Picture untouched;
  EXPECT_EQ(Picture_Load(b, folder, "no_such.tga", 0, 3, untouched), 0);
  EXPECT_TRUE(untouched.pixels.empty());
  EXPECT_EQ(capture.Count(MSG_WARNING, "no_such.tga"), 1);
}
