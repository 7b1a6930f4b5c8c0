// Widget behaviour: mouse sequences fed to Select, checked through return values, hover
// states, Read and the pixels of the headless window.
#include "tools/box.h"
#include "tools/button.h"
#include "tools/checklist.h"
#include "tools/list.h"
#include "tools/slider.h"
#include "tools/tabs.h"
#include "tools/tools.h"
#include "tools_fixture.h"

class Widgets_Test : public Tools_Test {
protected:
  // Puts a marker pixel at (x, y), so that a later redraw shows by its absence.
  void Mark(int x, int y)
  {
    Tools_Device d;
    Place(d, 0, 0, kWidth, kHeight);
    d.state = 1;
    Tools::Fill_Green(d, x, x, y, y);
  }
};

TEST_F(Widgets_Test, ButtonIsRedrawnOnceOnEnteringAndOnceOnLeaving)
{
  Button b;
  Place(b, 50, 50, 100, 30);
  b.text = "Go";
  Buttons::Init(b, window);
  b.Draw();
  struct Step { int x, y, returns, hover; bool redrawn; } steps[] = {
      {100, 65, 1, 1, true},    // enter: highlighted face
      {105, 60, 1, 1, false},   // inside again: no redraw
      {10, 10, 0, 2, true},     // leave: normal face
      {12, 12, 0, 2, false},    // outside again: no redraw
      {100, 65, 1, 1, true},    // re-enter
  };
  for (const Step &s : steps) {
    Mark(56, 56);
    Mouse_At(s.x, s.y);
    EXPECT_EQ(b.Select(0), s.returns);
    EXPECT_EQ(b.hover, s.hover);
    EXPECT_EQ(Pixel(56, 56) != RGB(0, 255, 0), s.redrawn);
    if (s.redrawn) {
      EXPECT_EQ(Pixel(56, 56), s.hover == 1 ? RGB(230, 100, 100) : RGB(170, 170, 170));
    }
  }
}

TEST_F(Widgets_Test, SelectWithMode4OnlyTests)
{
  Button b;
  Place(b, 50, 50, 100, 30);
  Buttons::Init(b, window);
  CheckList list;
  Place(list, 50, 100, 200, 24);
  const char *texts[] = {"no", "yes", ""};
  CheckLists::Init(list, window, texts);
  Slider s;
  Place(s, 50, 150, 200, 16);
  s.value = 30;
  Sliders::Init(s, window);
  struct { int x, y; } points[] = {{60, 60}, {200, 110}, {150, 158}, {5, 5}};
  for (auto &p : points) {
    Mouse_At(p.x, p.y);
    Mark(52, 52);
    b.Select(4);
    CheckLists::Select(list, 4);
    Sliders::Select(s, 4 | 2);
    EXPECT_EQ(b.hover, 0);
    EXPECT_EQ(list.hover, -1);
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(s.value, 30);
    EXPECT_EQ(s.thumb_state, 0);
    EXPECT_EQ(Pixel(52, 52), RGB(0, 255, 0));
  }
  Mouse_At(60, 60);
  EXPECT_EQ(b.Select(4), 1);
  Mouse_At(5, 5);
  EXPECT_EQ(b.Select(4), 0);
}

TEST_F(Widgets_Test, ButtonsWithoutSelectionIgnoreTheMouse)
{
  Button b;
  Place(b, 50, 50, 100, 30);
  b.options = BUTTON_NO_SELECT;
  Buttons::Init(b, window);
  Mouse_At(60, 60);
  EXPECT_EQ(b.Select(2), 0);
  EXPECT_EQ(b.hover, 0);
  EXPECT_EQ(b.Select(4), 1);
  b.pressed = 1;
  EXPECT_EQ(b.Read(), 1);
}

TEST_F(Widgets_Test, ButtonLampTakesTheColourOfItsValue)
{
  struct { int lamp; uint32_t options; uint32_t colour; } cases[] = {
      {0, BUTTON_LAMP, RGB(170, 170, 170)}, {2, BUTTON_LAMP, RGB(255, 255, 0)},
      {1, BUTTON_LAMP | BUTTON_LAMP_COLOURS, RGB(0, 200, 0)}, {2, BUTTON_LAMP | BUTTON_LAMP_COLOURS, RGB(0, 0, 255)},
      {3, BUTTON_LAMP | BUTTON_LAMP_COLOURS, RGB(255, 255, 0)}, {9, BUTTON_LAMP | BUTTON_LAMP_COLOURS, RGB(255, 0, 0)}};
  for (auto &c : cases) {
    Button b;
    Place(b, 50, 50, 100, 30);
    b.options = c.options;
    b.lamp = (int16_t)c.lamp;
    Buttons::Init(b, window);
    b.Draw();
    EXPECT_EQ(Pixel(50 + 3 + 5, 65), c.colour) << c.lamp;
  }
}

TEST_F(Widgets_Test, CheckListSelectsThePressedChoiceAndRefusesAnEmptyList)
{
  CheckList list;
  Place(list, 20, 20, 300, 24);
  const char *texts[] = {"no subdir", "Study ID", "Patient ID", ""};
  ASSERT_EQ(CheckLists::Init(list, window, texts), 1);
  EXPECT_LT(CheckLists::Read(list), 0);
  Mouse_At(20 + 150, 30);
  EXPECT_EQ(CheckLists::Select(list, 0), 1);   // hover only
  EXPECT_EQ(CheckLists::Read(list), -1);
  EXPECT_EQ(CheckLists::Select(list, 2), 1);   // press
  EXPECT_EQ(CheckLists::Read(list), 1);
  Mouse_At(5, 5);
  EXPECT_EQ(CheckLists::Select(list, 2), 0);
  EXPECT_EQ(CheckLists::Read(list), 1);
  list.options = 0x40000063;                   // disabled
  Mouse_At(20 + 250, 30);
  EXPECT_EQ(CheckLists::Select(list, 2), 0);
  EXPECT_EQ(CheckLists::Read(list), 1);

  Message_Capture capture(9);
  CheckList empty;
  const char *none[] = {""};
  EXPECT_EQ(CheckLists::Init(empty, window, none), 0);
  EXPECT_EQ(capture.Count(0, "device->List is empty"), 1);
  EXPECT_EQ(capture.Count(0, "Problems in CheckLists::Init()"), 1);
}

TEST_F(Widgets_Test, SliderValuesAtTheTrackEndsAndScrollBounds)
{
  Slider s;
  Place(s, 50, 50, 216, 16);  // arrows 16 wide, bevel 1: the track runs from x 67 to x 248
  s.minimum = 10;
  s.maximum = 110;
  s.step = 25;
  s.value = 40;
  Sliders::Init(s, window);
  ASSERT_EQ(s.table.size(), 182u);
  struct { int x; double value; } reads[] = {
      {67, 10}, {248, 110}, {66, 10}, {249, 110}, {60, 40}, {260, 40}, {158, 10 + 100.0 * 91 / 181}};
  for (auto &r : reads) {
    Mouse_At(r.x, 58);
    EXPECT_DOUBLE_EQ(Sliders::Read(s), r.value) << r.x;
  }
  EXPECT_EQ(Sliders::Scroll(s, 10), 110);
  EXPECT_EQ(Sliders::Scroll(s, -1), 85);
  EXPECT_EQ(Sliders::Scroll(s, -10), 10);
  s.options |= SLIDER_REVERSE;
  EXPECT_EQ(Sliders::Scroll(s, -1), 35);
  s.options = SLIDER_NO_SELECT;
  EXPECT_EQ(Sliders::Scroll(s, 3), 35);
}

TEST_F(Widgets_Test, SliderPressAndDragFollowTheMouse)
{
  Slider s;
  Place(s, 20, 20, 16, 216);
  s.options = SLIDER_VERTICAL;
  s.maximum = 181;
  Sliders::Init(s, window);
  struct { int y, mode; double value; int held; } steps[] = {
      {235 - 3, 2, 0, 0},         // press on the top arrow: one step towards the top (minimum)
      {28, 2, 1, 0},              // press on the bottom arrow: one step down
      {235 - 17 - 90, 2, 90, 1},  // press on the track: jumps there and holds the thumb
      {235 - 17 - 120, 1, 120, 1},// drag
      {235 - 17 - 120, 0, 120, 0},// release
  };
  for (auto &st : steps) {
    Mouse_At(28, st.y);
    Sliders::Select(s, st.mode);
    EXPECT_DOUBLE_EQ(s.value, st.value) << st.y;
    EXPECT_EQ(s.thumb_state, st.held) << st.y;
  }
}

TEST_F(Widgets_Test, TabBarReadsTheTabUnderTheMouseAndSkipsDisabledTabs)
{
  Tabs_Bar bar;
  Place(bar, 10, 200, 300, 26);
  Tabs::Init(bar, window);
  Tabs::Add(bar, "Copy", 150, 150, 170);
  Tabs::Add(bar, "Push", 150, 170, 150);
  Tabs::Add(bar, "Audit", 170, 150, 150);
  bar.Item[2].options = 0x02;
  Tabs::Draw(bar);
  Tabs::Page(bar, 100);
  EXPECT_EQ(Pixel(150, 150), RGB(150, 150, 170));  // the page takes the selected tab's colour
  struct { int x, y, index; } reads[] = {{20, 210, 0}, {140, 210, 1}, {250, 210, -1}, {20, 150, -1}, {350, 210, -1}};
  for (auto &r : reads) {
    Mouse_At(r.x, r.y);
    EXPECT_EQ(Tabs::Select(bar, 0), r.index) << r.x << "," << r.y;
  }
  EXPECT_EQ(Tabs::Choose(bar, 2), 1);
  EXPECT_EQ(Tabs::Choose(bar, 3), 0);
}

TEST_F(Widgets_Test, ListSelectsThePressedItemAndScrolls)
{
  List list;
  Place(list, 10, 10, 300, 40);
  Lists::Init(list, window);
  for (const char *item : {"by File", "by Study ID", "by Date", "by Patient ID", "by Name"}) Lists::Add(list, item);
  list.start_x = 2, list.start_y = 5, list.step_x = 100, list.item_width = 96, list.item_height = 25;
  list.Adjust();
  list.Draw();
  Mouse_At(10 + 2 + 100 + 10, 25);
  EXPECT_EQ(list.Select(2), 1);
  EXPECT_EQ(list.Read(), 1);
  Mouse_At(10 + 2 + 400 + 10, 25);   // "by Name" lies outside the list: not hit
  EXPECT_EQ(list.Select(2), 0);
  EXPECT_EQ(list.Item[4].hover, 2);
  Lists::Scroll(list, 2);
  Mouse_At(10 + 2 + 200 + 10, 25);   // now "by Name" is the third visible item
  EXPECT_EQ(list.Select(2), 1);
  EXPECT_EQ(list.Read(), 4);
}

TEST_F(Widgets_Test, BoxSelectUpdatesItsOutlineOnlyOnChange)
{
  Box box;
  Place(box, 20, 20, 100, 60);
  Boxs::Init(box, window);
  box.Draw();
  Mouse_At(50, 50);
  EXPECT_EQ(box.Select(0), 1);
  EXPECT_EQ(Pixel(20 + 4, 50), RGB(64, 64, 230));
  EXPECT_EQ(box.Read(), 0);
  Mouse_At(5, 5);
  EXPECT_EQ(box.Select(0), 0);
  EXPECT_NE(Pixel(20 + 4, 50), RGB(64, 64, 230));
}
