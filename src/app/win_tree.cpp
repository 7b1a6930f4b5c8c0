// The tree pane's procedure and the two folder trees.
#include "app/win_tree.h"

#include "app/list_thread.h"
#include "app/win_main.h"
#include "app/win_pane.h"
#include "platform/window/window_system.h"
#include "tools/dirtree.h"

namespace {

Dir_Tree source_tree, destination_tree;

constexpr int TREE_GREY = 170;

void Size(Window_Handle window, int width, int height)
{
  Dir_Tree &tree = source_tree;
  tree.name = "win_tree";
  tree.x = 0;
  tree.y = 0;
  tree.width = (int16_t)width;
  tree.height = (int16_t)height;
  tree.red = tree.green = tree.blue = TREE_GREY;
  tree.font_style = "bold";
  tree.font_size = 10;
  DirTrees::Init(tree, window);
}

void Paint() { DirTrees::Dir_Tree_Draw2(source_tree); }
void Mouse_Move(int mode) { DirTrees::Select(source_tree, mode); }
void Mouse_Left() { DirTrees::Select(source_tree, 0); }
void Wheel(int steps, int, int) { DirTrees::Scroll(source_tree, -steps); }

// A press on a folder's name scans that folder.
void Button_Down()
{
  if (DirTrees::Select(source_tree, 2) == 2) Scan_Start(DirTrees::Read(source_tree).c_str());
}

Pane_Handlers tree_pane = {Size, Paint, Mouse_Move, Button_Down, Mouse_Left, Mouse_Left, Wheel, nullptr, 0};

}  // namespace

Dir_Tree &Tree_Source() { return source_tree; }
Dir_Tree &Tree_Destination() { return destination_tree; }

void Tree_Panes_Init()
{
  source_tree = Dir_Tree();
  destination_tree = Dir_Tree();
  destination_tree.title = "Copy file to:";
}

int Tree_Pane_Open(const std::string &folder)
{
  if (!DirTrees::Set_Path(source_tree, folder)) return 0;
  if (source_tree.state) DirTrees::Dir_Tree_Draw2(source_tree);
  return Scan_Start(source_tree.selected_path.c_str());
}

std::string Tree_Pane_Folder() { return source_tree.selected_path; }

intptr_t Tree_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Pane_Dispatch(tree_pane, window, message, wparam, lparam);
}
