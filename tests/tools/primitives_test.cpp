// The drawing surface and the Tools:: primitives, checked through the window's pixels.
#include <atomic>
#include <chrono>
#include <thread>

#include "tools/tools.h"
#include "tools/wait_cursor.h"
#include "tools/y_surface.h"
#include "tools_fixture.h"

// Bevels: for each depth, the colours of the k-th frame line on the bottom/right and the
// left/top edges of a frame on a (100, 100, 100) widget.
struct Bevel_Case {
  int depth, pressed, k;
  uint32_t bottom_right, top_left;
};

TEST_F(Tools_Test, BevelsUseTheSteppedColoursAtDepthsOneAndFour)
{
  const Bevel_Case cases[] = {
      {1, 0, 1, RGB(20, 20, 20), RGB(180, 180, 180)},   // raised, full step of 80
      {1, 1, 1, RGB(180, 180, 180), RGB(0, 0, 0)},      // sunken: +80 / -(80 + 40)
      {4, 0, 1, RGB(20, 20, 20), RGB(180, 180, 180)},   // raised, steps of 20: t = 80
      {4, 0, 2, RGB(40, 40, 40), RGB(160, 160, 160)},   // t = 60
      {4, 0, 4, RGB(80, 80, 80), RGB(120, 120, 120)},   // t = 20
      {4, 1, 1, RGB(120, 120, 120), RGB(40, 40, 40)},   // sunken: +20 / -60
      {4, 1, 3, RGB(160, 160, 160), RGB(0, 0, 0)},      // +60 / -100
  };
  for (const Bevel_Case &c : cases) {
    Tools_Device d;
    Place(d, 0, 0, kWidth, kHeight, 100);
    d.state = 1;
    Tools::Cadre(d, 0, c.pressed, c.depth, 50, 150, 50, 150);
    SCOPED_TRACE("depth " + std::to_string(c.depth) + " pressed " + std::to_string(c.pressed) + " k " + std::to_string(c.k));
    EXPECT_EQ(Pixel(50, 100), RGB(0, 0, 0));                    // the black outline
    EXPECT_EQ(Pixel(100, 50 + c.k), c.bottom_right);             // bottom edge
    EXPECT_EQ(Pixel(150 - c.k, 100), c.bottom_right);            // right edge
    EXPECT_EQ(Pixel(50 + c.k, 100), c.top_left);                 // left edge
    EXPECT_EQ(Pixel(100, 150 - c.k), c.top_left);                // top edge
  }
}

TEST_F(Tools_Test, BevelWithoutOutlineLeavesTheBoundsAlone)
{
  Tools_Device d;
  Place(d, 0, 0, kWidth, kHeight, 100);
  d.state = 1;
  Tools::Fill(d, 0, 40, 160, 40, 160);
  Tools::Cadre(d, OPT_NO_OUTLINE, 0, 2, 50, 150, 50, 150);
  EXPECT_EQ(Pixel(50, 100), RGB(100, 100, 100));
}

TEST_F(Tools_Test, FillsHonourTheNoBackgroundOptionAndTheSkipFlag)
{
  struct { uint32_t options; int skip; bool drawn; } cases[] = {{0, 0, true}, {OPT_NO_BACKGROUND, 0, false}, {0, 0x10, false}};
  for (auto &c : cases) {
    Tools_Device d;
    Place(d, 0, 0, kWidth, kHeight, 60);
    d.state = 1;
    d.options = c.options;
    Tools::Clear(d, RGB(0, 0, 0));
    Tools::Fill(d, c.skip, 10, 20, 10, 20);
    EXPECT_EQ(Pixel(15, 15), c.drawn ? RGB(60, 60, 60) : RGB(0, 0, 0));
  }
}

TEST_F(Tools_Test, FixedColourFillsUseTheirColours)
{
  Tools_Device d;
  Place(d, 0, 0, kWidth, kHeight);
  d.state = 1;
  Tools::Fill_Grey(d, 0, 9, 0, 9);
  Tools::Fill_Red(d, 10, 19, 0, 9);
  Tools::Fill_Yellow(d, 20, 29, 0, 9);
  Tools::Fill_Blue(d, 30, 39, 0, 9);
  Tools::Fill_Green(d, 40, 49, 0, 9);
  Tools::Fill_Select(d, 1, nullptr, 0, 2, 1, 60, 80, 0, 20);
  EXPECT_EQ(Pixel(5, 5), RGB(170, 170, 170));
  EXPECT_EQ(Pixel(15, 5), RGB(255, 0, 0));
  EXPECT_EQ(Pixel(25, 5), RGB(255, 255, 0));
  EXPECT_EQ(Pixel(35, 5), RGB(0, 0, 255));
  EXPECT_EQ(Pixel(45, 5), RGB(0, 255, 0));
  EXPECT_EQ(Pixel(70, 10), RGB(230, 100, 100));
  EXPECT_EQ(Pixel(62, 10), RGB(0, 0, 0));  // inside the bevel and margin: untouched
}

TEST_F(Tools_Test, ClearCoversOneMorePixelRightAndBelowAndSkipsEmptyWidgets)
{
  Tools_Device d;
  Place(d, 20, 20, 10, 10, 90);
  d.state = 1;
  Tools::Clear(d, RGB(200, 10, 10));
  EXPECT_EQ(Pixel(30, 19), RGB(200, 10, 10));
  EXPECT_EQ(Pixel(31, 25), RGB(0, 0, 0));
  Message_Capture capture;
  Tools_Device empty;
  Place(empty, 100, 100, 0, 10);
  empty.state = 1;
  Tools::Clear(empty, RGB(255, 255, 255));
  EXPECT_EQ(Pixel(100, 105), RGB(0, 0, 0));
  EXPECT_TRUE(capture.messages.empty());
}

TEST_F(Tools_Test, UninitialisedOrDamagedWidgetsWarnOnceAndDrawAnyway)
{
  struct { uint8_t state; const char *line; } cases[] = {{0, "   you must call *_Init() first"},
                                                         {0x40, "   bad data in device's structure"}};
  for (auto &c : cases) {
    Message_Capture capture;
    Tools_Device d;
    Place(d, 0, 0, 50, 50);
    d.name = "probe";
    d.state = c.state;
    Tools::Clear(d, RGB(1, 2, 3));
    Tools::Clear(d, RGB(1, 2, 3));
    EXPECT_EQ(capture.Count(MSG_TRACE, "Tools: WARNING ! "), 1);
    EXPECT_EQ(capture.Count(MSG_TRACE, c.line), 1);
    EXPECT_EQ(capture.Count(MSG_TRACE, "   type: Tools::Clear   name: probe"), 1);
    EXPECT_EQ(d.state, 2);
    EXPECT_EQ(Pixel(10, 10), RGB(1, 2, 3));
  }
}

TEST_F(Tools_Test, XorRectangleDrawnTwiceRestoresThePixels)
{
  Tools_Device d;
  Place(d, 0, 0, kWidth, kHeight, 77);
  d.state = 1;
  Tools::Fill(d, 0, 0, 100, 0, 100);
  Tools::Xor_Rectangle(d, 10, 60, 10, 40, RGB(255, 255, 0));
  EXPECT_EQ(Pixel(10, 10), RGB(77 ^ 255, 77 ^ 255, 77));
  EXPECT_EQ(Pixel(35, 40), RGB(77 ^ 255, 77 ^ 255, 77));
  EXPECT_EQ(Pixel(35, 25), RGB(77, 77, 77));
  Tools::Xor_Rectangle(d, 10, 60, 10, 40, RGB(255, 255, 0));
  for (int x : {10, 35, 60}) EXPECT_EQ(Pixel(x, 10), RGB(77, 77, 77));
  EXPECT_EQ(Pixel(60, 40), RGB(77, 77, 77));
}

TEST_F(Tools_Test, ArrowsPointTheirWayAndNeedAnIncreasingBox)
{
  Tools_Device d;
  Place(d, 0, 0, kWidth, kHeight);
  d.state = 1;
  Tools::Arrow(d, 0, 0, 40, 0, 40);   // up: the face is wide at the bottom, narrow at the top
  EXPECT_EQ(Pixel(20, 14), RGB(216, 216, 216));
  EXPECT_EQ(Pixel(10, 28), RGB(0, 0, 0));
  Tools::Arrow(d, 3, 100, 100, 0, 40);  // no box: nothing drawn
  for (int x = 95; x <= 105; x++) EXPECT_EQ(Pixel(x, 20), RGB(0, 0, 0));
}

TEST_F(Tools_Test, ClipRectangleLimitsEveryPrimitive)
{
  Tools_Device d;
  Place(d, 0, 0, kWidth, kHeight, 200);
  d.state = 1;
  d.clip_x = 10, d.clip_y = 10, d.clip_width = 20, d.clip_height = 20;
  Tools::Fill(d, 0, 0, 100, 0, 100);
  EXPECT_EQ(Pixel(15, 15), RGB(200, 200, 200));
  EXPECT_EQ(Pixel(30, 15), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(15, 9), RGB(0, 0, 0));
}

TEST_F(Tools_Test, TextIsDrawnInTheColourOfItsOptions)
{
  struct { uint32_t options; uint32_t colour; } cases[] = {
      {0, RGB(0, 0, 0)}, {OPT_HIGHLIGHT_TEXT, RGB(64, 64, 230)}, {OPT_WHITE_TEXT, RGB(255, 255, 255)},
      {OPT_HIGHLIGHT_TEXT | OPT_WHITE_TEXT, RGB(64, 64, 230)}};
  for (auto &c : cases) {
    Tools_Device d;
    Place(d, 0, 0, kWidth, kHeight, 128);
    d.state = 1;
    Tools::Fill(d, 0, 0, 200, 0, 60);
    Tools::Text(d, nullptr, "MMMM", c.options | OPT_TEXT_LEFT, 0, 0, 200, 60);
    int found = 0;
    for (int x = 0; x < 80; x++)
      for (int y = 0; y < 60; y++) found += Pixel(x, y) == c.colour;
    EXPECT_GT(found, 20) << std::hex << c.options;
  }
}

TEST_F(Tools_Test, TextWidthCountsTabsAsThreeAverageCharactersMore)
{
  int plain = Tools::Text_Width(nullptr, "ab");
  int tabbed = Tools::Text_Width(nullptr, "a\tb");
  EXPECT_GT(plain, 0);
  EXPECT_GT(tabbed, plain + 10);
  EXPECT_EQ(Tools::Text_Width(nullptr, nullptr), 0);
}

TEST_F(Tools_Test, SecondContextOnTheSameThreadIsReportedAndOtherThreadsWait)
{
  Message_Capture capture;
  Y_Context *first = Y_GetDC(window, "first");
  ASSERT_NE(first, nullptr);
  Y_Context *second = Y_GetDC(window, "second");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Y_GetDC(second) DC not released! (prev=first)"), 1);
  std::atomic<bool> entered{false};
  std::thread other([&] {
    Y_Context *mine = Y_GetDC(window, "worker");
    entered = true;
    if (mine) Y_ReleaseDC(window, mine);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(entered);
  Y_ReleaseDC(window, first);  // `first` is gone: the context now held is `second`
  EXPECT_EQ(capture.Count(MSG_TRACE, "Y_ReleaseDC() wrong DC!"), 0);
  other.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(capture.Count(MSG_TRACE, "DC not released"), 1);
}

TEST_F(Tools_Test, SetupOnAWindowThatIsGoneFailsWithItsTrace)
{
  Message_Capture capture;
  Window_Destroy(window);
  EXPECT_EQ(Y_setup(window, nullptr, "Tools::Fill"), nullptr);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Y_setup(Tools::Fill) GetDC failed"), 1);
  Y_release();
  EXPECT_EQ(capture.Count(MSG_TRACE, "Y_release() Failed!"), 1);
}

TEST_F(Tools_Test, WaitCursorWinsUntilTheCounterFallsBackAndThenTheWantedShapeReturns)
{
  Set_Cursor_Shape(CURSOR_SIZE_WE);
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_SIZE_WE);
  Set_Wait_Flag(1);
  Set_Wait_Flag(1);
  Set_Cursor_Shape(CURSOR_ARROW);             // asked for while waiting: remembered only
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_WAIT);
  Set_Wait_Flag(0);
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_WAIT);
  Set_Wait_Flag(0);
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_ARROW);
  Set_Wait_Flag(0);                           // below 0: ignored
  EXPECT_EQ(Wait_Flag_Count(), 0);
}
