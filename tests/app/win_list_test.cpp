// The list pane and the menu pane on the headless backend, over a real scan of files written
// here: the file order after a scan, clicks on glyphs opening and closing nodes, clicks and
// drags selecting files with the Shift and Ctrl rules, the count in the status text in the
// singular and plural, the job buttons greyed and active (pixels read back), the order
// selector starting a sort while the selection stays, the level buttons, the wheel, and the
// reports written by the key D.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/catalogue.h"
#include "app/dicom_file_writer.h"
#include "app/gui_fixture.h"
#include "app/job.h"
#include "app/list_graph.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/win_layout.h"
#include "app/win_menu.h"
#include "tools/text_pane.h"
#include "tools/tools_device.h"

namespace {

struct Point_In_Window {
  int x, y;  // the main window's client coordinates
};

class List_Pane_Test : public Gui_Test {
protected:
  // Two studies in two folders: "first" with 2 images, "second" with `second_files`.
  void Scan(int second_files = 3)
  {
    folder_ = env_.root() + "images/";
    Write_Study("first", "1.2.3.1", 2);
    Write_Study("second", "1.2.3.2", second_files);
    ASSERT_EQ(Tree_Pane_Open(folder_), 1);
    ASSERT_TRUE(Pump_Until([] { return List_Pane_Rows().nb_row > 0; }));
    Scan_Wait();
    Pump();
  }

  void Write_Study(const std::string &name, const std::string &uid, int files)
  {
    std::filesystem::create_directories(folder_ + name);
    for (int i = 1; i <= files; i++) {
      std::string instance = uid + ".9." + std::to_string(i);
      Write_File(folder_ + name + "/IM" + std::to_string(i) + ".dcm",
                 Part10_Bytes({{0x0020, 0x000D, "UI", uid}, {0x0020, 0x000E, "UI", uid + ".1"},
                               {0x0020, 0x0010, "SH", name}, {0x0020, 0x0013, "IS", std::to_string(i)}},
                              instance, 64));
    }
  }

  // The main window's client point of row `row`'s text (well right of its glyph).
  Point_In_Window Row_Point(int row)
  {
    const Tools_Device &view = List_Pane_View();
    int pane_x = 0, pane_y = 0, width = 0, height = 0;
    Pane_Rect_Of(PANE_LIST, &pane_x, &pane_y, &width, &height);
    int bottom = List_Graph_Row_Bottom(view, List_Pane_Offset(), row);
    return {pane_x + view.x + 150, pane_y + height - 1 - (bottom + LIST_ROW_HEIGHT / 2)};
  }

  // The point of the glyph of `row` at `depth`.
  Point_In_Window Glyph_Point(int row, int depth)
  {
    Point_In_Window point = Row_Point(row);
    int pane_x = 0, pane_y = 0, width = 0, height = 0;
    Pane_Rect_Of(PANE_LIST, &pane_x, &pane_y, &width, &height);
    point.x = pane_x + List_Pane_View().x + 2 * TOOLS_MARGIN + 20 * (depth - 1) + 7;
    return point;
  }

  void Click_Row(int row) { Click(Row_Point(row).x, Row_Point(row).y); }

  void With_Key(int key, int row)
  {
    Window_Input_Key(window, key, 0, 1);
    Click_Row(row);
    Window_Input_Key(window, key, 0, 0);
    Pump();
  }

  std::string Status() { return List_Pane_Status(); }

  // The colour of the main window's pixel at (x, y), 0x00RRGGBB.
  uint32_t Pixel(int x, int y)
  {
    Window_Surface surface;
    if (!Window_Surface_Get(window, &surface)) return 0xFFFFFFFF;
    uint32_t p = surface.frame->Row(surface.origin_y + y)[surface.origin_x + x];
    Window_Surface_Release(window);
    return p & 0xFFFFFF;
  }

  // The pixel one inside the top-left corner of the "Copy to Disk" button: a raised bevel's
  // light edge while enabled, the highlight outline while greyed.
  uint32_t Copy_Button_Corner()
  {
    int x = 0, y = 0, width = 0, height = 0;
    Pane_Rect_Of(PANE_MENU, &x, &y, &width, &height);
    return Pixel(x + TOOLS_BEVEL + 2 + 1, y + TOOLS_BEVEL + 3 + 1);
  }

  Scoped_Temp_Env env_;
  std::string folder_;
};

constexpr uint32_t OUTLINE = 64 << 16 | 64 << 8 | 230;  // the highlight colour, 0x00RRGGBB

TEST_F(List_Pane_Test, a_scan_lists_the_file_order_with_nothing_selected_and_the_job_buttons_greyed)
{
  Scan();
  const List_Rows &rows = List_Pane_Rows();
  ASSERT_EQ(rows.nb_row, 3);  // the folder, "first" and "second", closed
  EXPECT_EQ(rows.row[0].node->kind, LIST_ROOT);
  EXPECT_EQ(List_Pane_Order(), SORT_FILE);
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Menu_Buttons_Enabled(), 0);
  EXPECT_EQ(Copy_Button_Corner(), OUTLINE);
}

TEST_F(List_Pane_Test, the_scans_own_refresh_lists_the_rows_while_its_worker_is_still_ending)
{
  Scan();
  ASSERT_EQ(Job_Claim(JOB_SCAN), 1);  // as while the worker writes its last lines
  List_Pane_Refresh(LIST_REFRESH_SCAN);
  Pump();
  EXPECT_EQ(List_Pane_Rows().nb_row, 3);
  Job_Unclaim(JOB_SCAN);
}

TEST_F(List_Pane_Test, a_click_on_a_row_selects_exactly_its_files_and_the_count_agrees_in_number)
{
  Scan();
  Click_Row(2);
  EXPECT_EQ(Status(), "3 Files selected");
  EXPECT_EQ(Menu_Buttons_Enabled(), 1);
  EXPECT_NE(Copy_Button_Corner(), OUTLINE);
  Click(Glyph_Point(1, 1).x, Glyph_Point(1, 1).y);  // opens "first": its two files follow it
  ASSERT_EQ(List_Pane_Rows().nb_row, 5);
  Click_Row(2);
  EXPECT_EQ(Status(), "1 File selected");
  std::vector<item_file *> files = List_Pane_Selected_Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(std::string(files[0]->path), folder_ + "first/IM1.dcm");
}

TEST_F(List_Pane_Test, ctrl_toggles_rows_and_shift_extends_the_last_range)
{
  Scan();
  Click(Glyph_Point(1, 1).x, Glyph_Point(1, 1).y);  // rows: root, first, IM1, IM2, second
  Click_Row(2);
  With_Key(VK_CONTROL, 4);  // adds the three files of "second"
  EXPECT_EQ(Status(), "4 Files selected");
  With_Key(VK_CONTROL, 4);  // and takes them away again
  EXPECT_EQ(Status(), "1 File selected");
  With_Key(VK_SHIFT, 3);  // above the last range (row 4): from row 3 down to it, nothing else
  EXPECT_EQ(Status(), "4 Files selected");
  Click_Row(2);
  With_Key(VK_SHIFT, 3);  // below the last range (row 2): from it down to row 3
  EXPECT_EQ(Status(), "2 Files selected");
}

TEST_F(List_Pane_Test, a_drag_selects_the_rows_it_covered_and_a_click_beside_the_rows_clears)
{
  Scan();
  Press(Row_Point(1).x, Row_Point(1).y);
  Move(Row_Point(2).x, Row_Point(2).y + 3);
  Release(Row_Point(2).x, Row_Point(2).y + 3);
  EXPECT_EQ(Status(), "5 Files selected");
  Click(Row_Point(8).x, Row_Point(8).y);  // below the last row
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(Menu_Buttons_Enabled(), 0);
  EXPECT_EQ(Copy_Button_Corner(), OUTLINE);
}

TEST_F(List_Pane_Test, the_rubber_band_is_drawn_while_dragging_and_gone_after)
{
  Scan();
  Point_In_Window from = Row_Point(1), to = Row_Point(2);
  uint32_t before = Pixel(from.x, from.y);
  Press(from.x, from.y);
  Move(to.x + 20, to.y + 5);
  EXPECT_EQ(Pixel(from.x, from.y), before ^ 0xFFFF00) << "the band's corner, XOR yellow";
  Release(to.x + 20, to.y + 5);
  EXPECT_NE(Pixel(from.x, from.y), before ^ 0xFFFF00);
}

TEST_F(List_Pane_Test, choosing_by_study_id_sorts_and_keeps_the_selection)
{
  Scan();
  Click_Row(1);
  ASSERT_EQ(Status(), "2 Files selected");
  List_Pane_Set_Order(SORT_STUDY_ID);
  ASSERT_TRUE(Pump_Until([] { return List_Pane_Rows().root != nullptr; }));
  Sort_Wait();
  Pump();
  const List_Rows &rows = List_Pane_Rows();
  ASSERT_EQ(rows.nb_row, 3);
  EXPECT_EQ(rows.row[1].node->kind, LIST_STUDY);
  EXPECT_EQ(Status(), "2 Files selected");
  EXPECT_EQ(List_Pane_Order(), SORT_STUDY_ID);
}

TEST_F(List_Pane_Test, the_level_up_button_opens_a_level_and_e_repeats_it)
{
  Scan();
  int x = 0, y = 0, width = 0, height = 0;
  Pane_Rect_Of(PANE_LIST, &x, &y, &width, &height);
  // The second button of the bottom row.
  Click(x + TOOLS_BEVEL + 2 + TOOLS_BUTTON_HEIGHT + 2 + 12, y + height - 1 - (TOOLS_BEVEL + 2 + 12));
  EXPECT_EQ(List_Pane_Rows().nb_row, 8);  // both folders open
  EXPECT_STREQ(Message_Pane_Last_Line(), "Expand to level: 2");
  Move(x + 100, y + 200);
  Key('E', 'e');
  EXPECT_STREQ(Message_Pane_Last_Line(), "Expand to level: 3");
}

TEST_F(List_Pane_Test, the_wheel_scrolls_rows_that_do_not_fit)
{
  Scan(60);
  Click(Glyph_Point(2, 1).x, Glyph_Point(2, 1).y);  // open "second": 60 rows more
  ASSERT_EQ(List_Pane_Rows().nb_row, 63);
  Point_In_Window at = Row_Point(3);
  Window_Input_Mouse_Move(window, at.x, at.y);
  int sx = at.x, sy = at.y;
  Window_Client_To_Screen(window, &sx, &sy);
  Window_Input_Mouse_Wheel(window, -3 * 120, sx, sy);  // three steps towards the user: down
  Pump();
  EXPECT_EQ(List_Pane_Offset(), 3 * LIST_ROW_HEIGHT);
  Click(at.x, at.y);  // where row 3 was, row 6 is now
  std::vector<item_file *> files = List_Pane_Selected_Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(List_Pane_Rows().row[6].node->item, files[0]);
}

TEST_F(List_Pane_Test, the_key_d_writes_the_reports_of_the_current_order)
{
  Scan();
  Move(Row_Point(1).x, Row_Point(1).y);
  Key('D', 'd');
  EXPECT_EQ(std::string(Message_Pane_Last_Line()), "     in " + env_.temp() + "Dir_File_images.rtf");
  struct stat info;
  EXPECT_EQ(stat((env_.temp() + "Dir_File_images.rtf").c_str(), &info), 0);
  EXPECT_EQ(stat((env_.temp() + "Dir_File_images.csv").c_str(), &info), 0);
}

}  // namespace
