// The tree pane's procedure and the two folder trees.
#include "app/win_tree.h"

#include "app/list_thread.h"
#include "app/win_main.h"
#include "app/win_pane.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/dirtree.h"

namespace {

Dir_Tree source_tree, destination_tree;
int wheel_sum;

constexpr int TREE_GREY = 170;

void Place(Window_Handle window)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
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

int Left_Button_Mode() { return (Window_Mouse_Keys() & MK_LBUTTON) ? 1 : 0; }

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
  switch (message) {
  case WM_SIZE: Place(window); return 0;
  case WM_PAINT: DirTrees::Dir_Tree_Draw2(source_tree); return 0;
  case WM_MOUSEMOVE:
    Pane_Mouse_Moved(window);
    DirTrees::Select(source_tree, Left_Button_Mode());
    return 0;
  case WM_LBUTTONDOWN:
    Pane_Button_Pressed(window);
    if (DirTrees::Select(source_tree, 2) == 2) Scan_Start(DirTrees::Read(source_tree).c_str());
    return 0;
  case WM_LBUTTONUP:
    Main_Window_End_Drag();
    DirTrees::Select(source_tree, 0);
    return 0;
  case WM_PANE_MOUSE_LEFT: DirTrees::Select(source_tree, 0); return 0;
  case WM_MOUSEWHEEL: {
    int steps = Pane_Wheel_Steps(wheel_sum, wparam);
    if (steps) DirTrees::Scroll(source_tree, -steps);
    return 0;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_CHAR:
  case WM_SYSCHAR:
    if (Pane_Key_Is(Pane_Key(window, message, wparam, lparam), 'D')) Pane_Save_Directory();
    return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}
