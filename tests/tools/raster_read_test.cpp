// The SGI and TGA readers on hand-built files, on files written by another program
// (Pillow), and on the project's own icons; and the 4 x 4 down-scaling.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools_fixture.h"
#include "tools/picture.h"
#include "tools/raster_read.h"

// A 512-byte SGI header: magic, storage, 1 byte per channel, dimension 3, size, channels.
static std::vector<uint8_t> SGI_Header(int storage, int width, int height, int channels)
{
  std::vector<uint8_t> b(512, 0);
  b[0] = 0x01, b[1] = 0xDA;                // magic 474
  b[2] = (uint8_t)storage, b[3] = 1;       // storage, bytes per channel
  b[5] = 3;                                // dimension
  b[7] = (uint8_t)width, b[9] = (uint8_t)height, b[11] = (uint8_t)channels;
  return b;
}

static void Put_BE32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
  for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

// 2 x 2 RGBA, bottom row first in the file: bottom (red, green), top (blue, white); alpha
// 255 except the top-right pixel (10).
static const uint8_t kPlanes[4][2][2] = {
    {{255, 0}, {0, 255}},    // red: bottom row, top row
    {{0, 255}, {0, 255}},    // green
    {{0, 0}, {255, 255}},    // blue
    {{255, 255}, {255, 10}}, // alpha
};

static void Expect_Sample(const Raster_Image &image)
{
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  const uint8_t expected[16] = {0, 0, 255, 255, 255, 255, 255, 10,   // top row: blue, white
                                255, 0, 0, 255, 0, 255, 0, 255};     // bottom row: red, green
  EXPECT_EQ(std::vector<uint8_t>(image.rgba.begin(), image.rgba.end()), std::vector<uint8_t>(expected, expected + 16));
}

TEST(Raster_Read, VerbatimSGIWithFourChannelsIsReadTopDown)
{
  std::vector<uint8_t> file = SGI_Header(0, 2, 2, 4);
  for (auto &plane : kPlanes)
    for (auto &row : plane) file.insert(file.end(), row, row + 2);
  Raster_Image image;
  int channels = 0;
  std::string why;
  ASSERT_EQ(Raster_Decode_SGI(file, image, channels, why), 1) << why;
  EXPECT_EQ(channels, 4);
  Expect_Sample(image);
}

TEST(Raster_Read, RunLengthSGIWithFourChannelsIsReadTopDown)
{
  std::vector<uint8_t> file = SGI_Header(1, 2, 2, 4);
  file.resize(512 + 8 * 8);  // offset and length tables: 4 channels x 2 rows
  int line = 0;
  for (auto &plane : kPlanes)
    for (auto &row : plane) {
      Put_BE32(file, 512 + 4 * line, (uint32_t)file.size());
      std::vector<uint8_t> packed;
      if (row[0] == row[1]) packed = {2, row[0], 0};            // a run of two
      else packed = {0x82, row[0], row[1], 0};                   // two literal bytes
      Put_BE32(file, 512 + 32 + 4 * line, (uint32_t)packed.size());
      file.insert(file.end(), packed.begin(), packed.end());
      line++;
    }
  Raster_Image image;
  int channels = 0;
  std::string why;
  ASSERT_EQ(Raster_Decode_SGI(file, image, channels, why), 1) << why;
  Expect_Sample(image);

  std::vector<uint8_t> overrun = file;
  overrun[file.size() - 4] = 5;  // the last run repeats five times in a line of two
  EXPECT_EQ(Raster_Decode_SGI(overrun, image, channels, why), 0);
  std::vector<uint8_t> outside = file;
  Put_BE32(outside, 512, 0xFFFFFF00);  // a scanline offset past the end
  EXPECT_EQ(Raster_Decode_SGI(outside, image, channels, why), 0);
}

TEST(Raster_Read, BadSGIHeadersAreRefused)
{
  struct { const char *what; std::vector<uint8_t> file; } cases[] = {
      {"short", std::vector<uint8_t>(100, 0)},
      {"wrong magic", std::vector<uint8_t>(600, 0)},
      {"two bytes per channel", [] { auto b = SGI_Header(0, 2, 2, 4); b[3] = 2; b.resize(600); return b; }()},
      {"five channels", [] { auto b = SGI_Header(0, 2, 2, 5); b.resize(600); return b; }()},
      {"truncated pixels", SGI_Header(0, 2, 2, 4)},
      {"zero width", [] { auto b = SGI_Header(0, 0, 2, 4); b.resize(600); return b; }()},
  };
  for (auto &c : cases) {
    Raster_Image image;
    image.width = 7;
    int channels = 0;
    std::string why;
    EXPECT_EQ(Raster_Decode_SGI(c.file, image, channels, why), 0) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    EXPECT_EQ(image.width, 7) << c.what;
  }
}

// An 18-byte TGA header of type 2 with the given size and depth, bottom row first.
static std::vector<uint8_t> TGA_Header(int width, int height, int depth)
{
  std::vector<uint8_t> b(18, 0);
  b[2] = 2;
  b[12] = (uint8_t)width, b[14] = (uint8_t)height, b[16] = (uint8_t)depth;
  return b;
}

TEST(Raster_Read, BlackPixelsOfA24BitTGAAreTransparent)
{
  std::vector<uint8_t> file = TGA_Header(2, 1, 24);
  const uint8_t pixels[6] = {0, 0, 0, 30, 20, 10};  // black, then blue 30 green 20 red 10
  file.insert(file.end(), pixels, pixels + 6);
  Raster_Image image;
  int depth = 0;
  std::string why;
  ASSERT_EQ(Raster_Decode_TGA(file, image, depth, why), 1) << why;
  EXPECT_EQ(depth, 24);
  EXPECT_EQ(image.rgba, (std::vector<uint8_t>{0, 0, 0, 0, 10, 20, 30, 255}));
}

TEST(Raster_Read, TGADepthsOtherThan24And32AndTruncatedFilesAreRefused)
{
  struct { const char *what; std::vector<uint8_t> file; int result; } cases[] = {
      {"32 bits keep alpha", [] { auto b = TGA_Header(1, 1, 32); b.insert(b.end(), {1, 2, 3, 4}); return b; }(), 1},
      {"16 bits", [] { auto b = TGA_Header(1, 1, 16); b.insert(b.end(), {1, 2}); return b; }(), 0},
      {"run-length type", [] { auto b = TGA_Header(1, 1, 24); b[2] = 10; b.insert(b.end(), {1, 2, 3}); return b; }(), 0},
      {"truncated", TGA_Header(4, 4, 24), 0},
      {"header only", std::vector<uint8_t>(10, 0), 0},
  };
  for (auto &c : cases) {
    Raster_Image image;
    int depth = 0;
    std::string why;
    EXPECT_EQ(Raster_Decode_TGA(c.file, image, depth, why), c.result) << c.what;
    if (c.result) {
      EXPECT_EQ(image.rgba, (std::vector<uint8_t>{3, 2, 1, 4}));
    }
  }
}

TEST(Raster_Read, PicturesWrittenByPillowReadTheSame)
{
  Scoped_Temp_Env env;
  std::string sgi = env.temp() + "p.rgb", tga = env.temp() + "p.tga";
  int status = 1;
  Run_Command("/usr/bin/python3 -c \"from PIL import Image\n"
              "im = Image.new('RGBA', (3, 2))\n"
              "im.putdata([(255,0,0,255),(0,255,0,128),(0,0,255,0),(9,8,7,6),(50,60,70,80),(1,1,1,255)])\n"
              "im.save('" + sgi + "', 'SGI')\n"
              "im.convert('RGB').save('" + tga + "', 'TGA', compression=None)\"", &status);
  if (status != 0) GTEST_SKIP() << "Pillow is not available";
  std::vector<uint8_t> bytes;
  ASSERT_EQ(Raster_Load_File(sgi, bytes), 1);
  Raster_Image image;
  int channels = 0;
  std::string why;
  ASSERT_EQ(Raster_Decode_SGI(bytes, image, channels, why), 1) << why;
  EXPECT_EQ(channels, 4);
  EXPECT_EQ(image.rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0,
                                              9, 8, 7, 6, 50, 60, 70, 80, 1, 1, 1, 255}));
  ASSERT_EQ(Raster_Load_File(tga, bytes), 1);
  ASSERT_EQ(Raster_Decode_TGA(bytes, image, channels, why), 1) << why;
  EXPECT_EQ(image.rgba, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                              9, 8, 7, 255, 50, 60, 70, 255, 1, 1, 1, 255}));
}

TEST(Raster_Read, EveryShippedIconDecodesWithItsChannels)
{
  const char *names[] = {"icon_select_yes.rgb", "icon_select_part.rgb", "icon_select_no.rgb", "icon_copy_yes.rgb",
                         "icon_copy_no.rgb", "icon_copy_part.rgb", "icon_mycomputer.rgb", "icon_floppy.rgb",
                         "icon_fixed.rgb", "icon_cdrom.rgb", "icon_remote.rgb", "folder.rgb",
                         "but_left.tga", "but_right.tga", "but_save.tga"};
  for (const char *name : names) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(Raster_Load_File(Shipped_Icons() + name, bytes), 1) << name;
    Raster_Image image;
    int kind = 0;
    std::string why;
    bool tga = std::string(name).find(".tga") != std::string::npos;
    ASSERT_EQ(tga ? Raster_Decode_TGA(bytes, image, kind, why) : Raster_Decode_SGI(bytes, image, kind, why), 1) << name;
    EXPECT_EQ(kind, tga ? 24 : 4) << name;
    EXPECT_GE(image.width, 16) << name;
  }
}

TEST(Raster_Read, ScalingAveragesFourByFourSamplesWithOneFactor)
{
  Raster_Image image;
  image.width = 8;
  image.height = 4;
  image.rgba.assign(8 * 4 * 4, 0);
  for (int y = 0; y < 4; y++)
    for (int x = 4; x < 8; x++) image.rgba[(y * 8 + x) * 4] = 200;  // right half red 200
  Raster_Image small = Picture_Scale(image, 2, 2);  // factor max(8/2, 4/2) = 4
  ASSERT_EQ(small.width, 2);
  ASSERT_EQ(small.height, 1);
  EXPECT_EQ(small.rgba[0], 0);
  EXPECT_EQ(small.rgba[4], 200);
  Raster_Image same = Picture_Scale(image, 8, 8);
  EXPECT_EQ(same.width, 8);
}
