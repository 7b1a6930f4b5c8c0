// The main window procedure: the panes and the splitter bars between them. While a bar is
// dragged the panes wait out of sight, so that only the bars move with the mouse; they are
// laid out again when the button is released.
#include "app/win_main.h"

#include "app/job.h"
#include "app/win_layout.h"
#include "app/win_pane.h"
#include "app/win_text.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/button.h"
#include "tools/wait_cursor.h"
#include "util/message_log.h"

Window_Handle main_window;

namespace {

struct Main_State {
  Main_Layout layout;
  Button bars[2];  // SPLIT_FIRST - 1 and SPLIT_SECOND - 1
  Window_Handle panes[PANE_COUNT] = {};
  bool over_bar = false;  // the resize cursor is shown
};

Main_State main_state;

constexpr const char *PANE_CLASSES[PANE_COUNT] = {"TREE", "LIST", "TEXT", "MENU"};
constexpr int PANE_IDS[PANE_COUNT] = {PANE_ID_TREE, PANE_ID_LIST, PANE_ID_TEXT, PANE_ID_MENU};

void Move_Pane(Window_Handle pane, const Pane_Rect &rect)
{
  Window_Move(pane, rect.x, rect.y, rect.width, rect.height, 0);
}

// Places the two bars at the splits, for the current height.
void Place_Bars(Window_Handle window)
{
  for (int bar = SPLIT_FIRST; bar <= SPLIT_SECOND; bar++) {
    Button &button = main_state.bars[bar - 1];
    Pane_Rect rect = Main_Layout_Bar(main_state.layout, bar);
    button.options = OPT_PICTURE_ON_COLOUR;
    button.name = bar == SPLIT_FIRST ? "split 1" : "split 2";
    button.x = (uint16_t)rect.x;
    button.y = (uint16_t)rect.y;
    button.width = (int16_t)rect.width;
    button.height = (int16_t)rect.height;
    Buttons::Init(button, window);
  }
}

// Lays the panes out at the splits, or out of sight while a bar is dragged.
void Layout_Panes(Window_Handle window)
{
  Pane_Rect rects[PANE_COUNT];
  Main_Layout_Panes(main_state.layout, rects);
  for (int p = 0; p < PANE_COUNT; p++)
    Move_Pane(main_state.panes[p], main_state.layout.drag ? Main_Layout_Hidden_Pane(main_state.layout) : rects[p]);
  Place_Bars(window);
  Window_Invalidate(window, 1);
}

int Create_Panes(Window_Handle window)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
  main_state.layout = Main_Layout();
  main_state.layout.width = width;
  main_state.layout.height = height;
  Pane_Rect rects[PANE_COUNT];
  Main_Layout_Created_Panes(main_state.layout, rects);
  for (int p = 0; p < PANE_COUNT; p++) {
    main_state.panes[p] = Window_Create(0, PANE_CLASSES[p], "", WS_CHILD | WS_VISIBLE, rects[p].x, rects[p].y,
                                        rects[p].width, rects[p].height, window, PANE_IDS[p], nullptr);
    if (!main_state.panes[p]) return -1;
  }
  Place_Bars(window);
  return 0;
}

// The bar under the last mouse position (SPLIT_FIRST, SPLIT_SECOND), or SPLIT_NONE.
int Bar_Under_Mouse()
{
  for (int bar = SPLIT_FIRST; bar <= SPLIT_SECOND; bar++)
    if (main_state.bars[bar - 1].Select(4)) return bar;
  return SPLIT_NONE;
}

// Hover faces of the bars and the resize cursor over them.
void Refresh_Bars()
{
  for (Button &bar : main_state.bars) bar.Select(0);
  bool over = main_state.layout.drag != SPLIT_NONE || Bar_Under_Mouse() != SPLIT_NONE;
  if (over != main_state.over_bar) {
    main_state.over_bar = over;
    Set_Cursor_Shape(over ? CURSOR_SIZE_WE : CURSOR_ARROW);
  }
}

// The cursor's position as the last mouse position (when the window loses the focus).
void Store_Cursor()
{
  int x = 0, y = 0;
  Window_Cursor_Position(&x, &y);
  Tools_Set_Mouse(x, y);
}

void On_Mouse_Move(Window_Handle window, intptr_t lparam)
{
  Tools_Set_Mouse_From_Message(window, lparam);
  if (main_state.layout.drag != SPLIT_NONE) {
    Main_Layout_Drag(main_state.layout, Point_X(lparam));
    Place_Bars(window);
    Window_Invalidate(window, 1);
  }
  Refresh_Bars();
}

void On_Button_Down(Window_Handle window, intptr_t lparam)
{
  Tools_Set_Mouse_From_Message(window, lparam);
  Window_Set_Focus(window);
  int bar = Bar_Under_Mouse();
  if (bar == SPLIT_NONE) return;
  main_state.layout.drag = bar;
  Window_Set_Capture(window);
  Layout_Panes(window);
}

void On_Key(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  int code = Pane_Key(window, message, wparam, lparam);
  if (Pane_Key_Is(code, 'D')) Pane_Save_Directory();
}

}  // namespace

Window_Handle Main_Pane(int pane) { return pane >= 0 && pane < PANE_COUNT ? main_state.panes[pane] : nullptr; }

int Main_Is_Own(Window_Handle window)
{
  if (!window) return 0;
  if (window == main_window) return 1;
  for (Window_Handle pane : main_state.panes)
    if (pane == window) return 1;
  return 0;
}

void Main_Window_End_Drag()
{
  if (main_state.layout.drag == SPLIT_NONE) return;
  main_state.layout.drag = SPLIT_NONE;
  if (Window_Get_Capture() == main_window) Window_Release_Capture();
  Layout_Panes(main_window);
  Refresh_Bars();
}

void Main_Window_Bars_Left()
{
  if (main_window) Refresh_Bars();
}

intptr_t Main_Window_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  switch (message) {
  case WM_CREATE:
    main_window = window;
    return Create_Panes(window);
  case WM_SIZE:
    if (Point_X(lparam) == 0) return 0;
    Main_Layout_Resize(main_state.layout, Point_X(lparam), Point_Y(lparam));
    Layout_Panes(window);
    return 0;
  case WM_LBUTTONDOWN: On_Button_Down(window, lparam); return 0;
  case WM_MOUSEMOVE: On_Mouse_Move(window, lparam); return 0;
  case WM_LBUTTONUP: Main_Window_End_Drag(); return 0;
  case WM_PAINT:
    for (Button &bar : main_state.bars) bar.Draw();
    return 0;
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_CHAR:
  case WM_SYSCHAR: On_Key(window, message, wparam, lparam); return 0;
  case WM_THREAD_MESSAGE: Message_Pane_Drain(); return 0;
  case WM_JOB_RESCAN: Job_Rescan_Run(); return 0;
  case WM_KILLFOCUS: Store_Cursor(); return 0;
  case WM_DESTROY:
    main_window = nullptr;
    for (Window_Handle &pane : main_state.panes) pane = nullptr;
    Window_Post_Quit(0);
    return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}
