// The "Copy" page of the settings window: the copy folder (a folder tree), the five choices
// of how copies are named and filed, whether copies become moves, and "Done". A DICOMDIR-
// compatible copy names files and folders its own way, so choosing it greys the four
// choices it overrides.
#include <algorithm>

#include "app/configuration.h"
#include "app/win_config.h"
#include "app/win_config_page.h"
#include "app/win_tree.h"
#include "tools/dirtree.h"
#include "tools/tools.h"

namespace {

enum { ROW_DICOMDIR = 0, ROW_OVERWRITE = 1, ROW_RENAME = 2, ROW_STUDY = 3, ROW_SERIES = 4, NAMING_ROWS = 5 };
constexpr int LONG_LABEL = 450, FOLDER_LABEL = 155;

struct Copy_Page {
  bool ready = false;
  Box naming, deleting;
  Config_Choice rows[NAMING_ROWS];
  Config_Choice delete_row;
  Button done;
};

Copy_Page page;

Dir_Tree &Tree() { return Tree_Destination(); }

// The series list shows the tens digit (2 for every value from 20 up), the study list the
// ones digit.
int Series_Index() { return std::min(flag_sub_dir / 10, 2); }
int Study_Index() { return flag_sub_dir % 10; }

void Layout(Window_Handle window, int x, int y, int width, int height, uint32_t colour)
{
  const int naming_height = Config_Box_Height(NAMING_ROWS, "File Creation Parameters");
  const int deleting_height = Config_Box_Height(1, nullptr);
  Config_Button_Place(page.done, window, x, y, width, colour, "Done");
  int deleting_y = y + CONFIG_ROW + TOOLS_MARGIN;
  Config_Box_Place(page.deleting, window, x, deleting_y, width, deleting_height, colour, nullptr);
  int naming_y = deleting_y + deleting_height + TOOLS_MARGIN;
  Config_Box_Place(page.naming, window, x, naming_y, width, naming_height, colour, "File Creation Parameters");

  const int inner_x = Config_Box_Inner_X(page.naming), inner_width = Config_Box_Inner_Width(page.naming);
  const bool dicomdir = flag_dicomdir == 1;
  struct Row {
    const char *label;
    int label_width;
    const char *const *choices;
    int selected;
    bool enabled;
  } rows[NAMING_ROWS] = {
      {"Create DICOMDIR compatible names and dir. ?", LONG_LABEL, CONFIG_YES_NO, flag_dicomdir, true},
      {"Overwrite existing files ?", LONG_LABEL, CONFIG_YES_NO, flag_overwrite, true},
      {"Rename files with \"ExxxxSyyyIzzzz.dcm\" file names ?", LONG_LABEL, CONFIG_YES_NO, flag_standard_name, true},
      {"study subdir name:", FOLDER_LABEL, CONFIG_STUDY_FOLDER, Study_Index(), !dicomdir},
      {"series subdir name:", FOLDER_LABEL, CONFIG_SERIES_FOLDER, Series_Index(), !dicomdir},
  };
  for (int r = 0; r < NAMING_ROWS; r++)
    Config_Choice_Place(page.rows[r], window, inner_x, Config_Box_Row(page.naming, r), inner_width, rows[r].label_width,
                        0, colour, rows[r].label, rows[r].choices, rows[r].selected, rows[r].enabled);
  Config_Choice_Place(page.delete_row, window, Config_Box_Inner_X(page.deleting), Config_Box_Row(page.deleting, 0),
                      Config_Box_Inner_Width(page.deleting), Config_Box_Inner_Width(page.deleting) - CONFIG_LIST_WIDTH,
                      CONFIG_LIST_WIDTH, colour, "Delete files once they are copied ?", CONFIG_YES_NO, delete_copy,
                      true);

  Dir_Tree &tree = Tree();
  tree.name = "copy tree";
  tree.title = "Copy file to:";
  int tree_y = naming_y + naming_height + TOOLS_MARGIN;
  Config_Place(tree, x, tree_y, width, y + height - tree_y, colour);
  DirTrees::Init(tree, window);
  page.ready = true;
}

void Paint()
{
  if (!page.ready) return;
  DirTrees::Dir_Tree_Draw2(Tree());
  page.naming.Draw();
  for (Config_Choice &row : page.rows) Config_Choice_Draw(row);
  page.deleting.Draw();
  Config_Choice_Draw(page.delete_row);
  page.done.Draw();
}

// "yes" greys the overwrite, rename, study and series choices; "no" makes them usable.
void Dicomdir_Chosen()
{
  bool enabled = page.rows[ROW_DICOMDIR].list.selected == 0;
  for (int r = ROW_OVERWRITE; r < NAMING_ROWS; r++) Config_Choice_Enable(page.rows[r], enabled);
  Config_Repaint();
}

void Click(int state)
{
  if (!page.ready) return;
  if (state != 2) {
    DirTrees::Select(Tree(), 0);
    return;
  }
  if (Config_Done_Pressed(page.done)) return;
  if (DirTrees::Select(Tree(), 2) == 2) dir_copy = DirTrees::Read(Tree());
  unsigned char *stored[NAMING_ROWS] = {&flag_dicomdir, &flag_overwrite, &flag_standard_name, nullptr, nullptr};
  for (int r = 0; r < NAMING_ROWS; r++) {
    if (!CheckLists::Select(page.rows[r].list, 2)) continue;
    int index = page.rows[r].list.selected;
    if (stored[r]) *stored[r] = (unsigned char)index;
    else flag_sub_dir = (unsigned char)(10 * page.rows[ROW_SERIES].list.selected + page.rows[ROW_STUDY].list.selected);
    if (r == ROW_DICOMDIR) Dicomdir_Chosen();
  }
  if (CheckLists::Select(page.delete_row.list, 2)) delete_copy = (unsigned char)page.delete_row.list.selected;
}

void Mouse_Move(int mode)
{
  if (!page.ready) return;
  DirTrees::Select(Tree(), mode);
  for (Config_Choice &row : page.rows) CheckLists::Select(row.list, mode);
  CheckLists::Select(page.delete_row.list, mode);
  page.done.Select(mode);
}

void Wheel(int steps)
{
  if (page.ready) DirTrees::Scroll(Tree(), -steps);
}

void Key(int) {}

const Tools_Device *Widget(const char *name)
{
  return Config_Find(name, {&page.rows[0].list, &page.rows[1].list, &page.rows[2].list, &page.rows[3].list,
                            &page.rows[4].list, &page.delete_row.list, &page.done, &Tree()});
}

}  // namespace

const Config_Page config_copy_page = {Layout, Paint, Click, Key, Wheel, Mouse_Move, Widget};
