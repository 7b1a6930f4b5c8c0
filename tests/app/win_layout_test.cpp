// The main window's layout rules: the pane rectangles of a split, the size rule that pulls
// the splits in for narrow windows, and the drag limits by which each bar pushes the other
// so that the list pane keeps its width.
#include "app/win_layout.h"

#include <gtest/gtest.h>

namespace {

Main_Layout Sized(int width, int height, int split1 = SPLIT_FIRST_START, int split2 = SPLIT_SECOND_START)
{
  Main_Layout layout;
  layout.split1 = split1;
  layout.split2 = split2;
  Main_Layout_Resize(layout, width, height);
  return layout;
}

void Expect_Rect(const Pane_Rect &rect, int x, int y, int width, int height)
{
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(Main_Layout, the_default_window_lays_the_four_panes_out_between_the_two_bars)
{
  Main_Layout layout = Sized(900, 600);
  ASSERT_EQ(layout.split1, 200);
  ASSERT_EQ(layout.split2, 620);
  Pane_Rect panes[PANE_COUNT];
  Main_Layout_Panes(layout, panes);
  Expect_Rect(panes[PANE_TREE], 1, 1, 199, 598);
  Expect_Rect(panes[PANE_LIST], 208, 1, 412, 598);
  Expect_Rect(panes[PANE_TEXT], 628, 1, 270, 501);  // 600 - 3 x (6 + 25) - 6
  Expect_Rect(panes[PANE_MENU], 628, 506, 270, 93);
  Pane_Rect bar = Main_Layout_Bar(layout, SPLIT_SECOND);
  Expect_Rect(bar, 620, 2, 8, 596);
}

TEST(Main_Layout, the_panes_and_bars_never_overlap_and_leave_the_bars_their_gap)
{
  Main_Layout layout = Sized(1200, 800, 333, 777);
  Pane_Rect panes[PANE_COUNT];
  Main_Layout_Panes(layout, panes);
  EXPECT_EQ(panes[PANE_TREE].x + panes[PANE_TREE].width, layout.split1);
  EXPECT_EQ(panes[PANE_LIST].x, layout.split1 + SPLIT_BAR_WIDTH);
  EXPECT_EQ(panes[PANE_LIST].x + panes[PANE_LIST].width, layout.split2);
  EXPECT_EQ(panes[PANE_TEXT].x, layout.split2 + SPLIT_BAR_WIDTH);
  EXPECT_LT(panes[PANE_TEXT].y + panes[PANE_TEXT].height, panes[PANE_MENU].y);
  EXPECT_EQ(panes[PANE_MENU].y + panes[PANE_MENU].height, 799);
}

TEST(Main_Layout, the_size_rule_pulls_the_splits_in_for_narrow_windows)
{
  struct Case {
    int width, split1, split2, want1, want2;
  } cases[] = {
      {900, 200, 620, 200, 620},  // wide enough: unchanged
      {700, 200, 620, 200, 600},  // second split at width - 100
      {500, 300, 620, 250, 400},  // ... and the first pushed left to keep 150
      {399, 200, 620, 150, 300},  // below 400: 300 and 150
      {300, 200, 620, 150, 300},
  };
  for (const Case &c : cases) {
    Main_Layout layout = Sized(c.width, 600, c.split1, c.split2);
    EXPECT_EQ(layout.split1, c.want1) << c.width;
    EXPECT_EQ(layout.split2, c.want2) << c.width;
  }
}

TEST(Main_Layout, a_minimised_window_of_width_0_changes_nothing)
{
  Main_Layout layout = Sized(900, 600);
  Main_Layout_Resize(layout, 0, 0);
  EXPECT_EQ(layout.width, 900);
  EXPECT_EQ(layout.split2, 620);
}

TEST(Main_Layout, dragging_the_first_bar_right_pushes_the_second_to_keep_the_list_pane)
{
  Main_Layout layout = Sized(900, 600);
  layout.drag = SPLIT_FIRST;
  Main_Layout_Drag(layout, 505);  // the bar sits 5 pixels left of the mouse
  EXPECT_EQ(layout.split1, 500);
  EXPECT_EQ(layout.split2, 650);
  Main_Layout_Drag(layout, 2000);  // no further than 250 from the right edge
  EXPECT_EQ(layout.split1, 650);
  EXPECT_EQ(layout.split2, 800);
  Main_Layout_Drag(layout, 0);  // nor left of 150; the second bar stays where it was pushed
  EXPECT_EQ(layout.split1, 150);
  EXPECT_EQ(layout.split2, 800);
}

TEST(Main_Layout, dragging_the_second_bar_left_pushes_the_first)
{
  Main_Layout layout = Sized(900, 600);
  layout.drag = SPLIT_SECOND;
  Main_Layout_Drag(layout, 320);
  EXPECT_EQ(layout.split2, 315);
  EXPECT_EQ(layout.split1, 165);
  Main_Layout_Drag(layout, 10);  // no further left than 300
  EXPECT_EQ(layout.split2, 300);
  EXPECT_EQ(layout.split1, 150);
  Main_Layout_Drag(layout, 5000);  // nor closer than 100 to the right edge
  EXPECT_EQ(layout.split2, 800);
  EXPECT_EQ(layout.split1, 150);
}

TEST(Main_Layout, a_drag_without_a_bar_moves_nothing)
{
  Main_Layout layout = Sized(900, 600);
  Main_Layout_Drag(layout, 400);
  EXPECT_EQ(layout.split1, 200);
  EXPECT_EQ(layout.split2, 620);
}

}  // namespace
