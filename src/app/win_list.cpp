// The list pane's procedure: layout, drawing, the mouse on the selector, slider, buttons
// and rows, and the refreshes the jobs ask for. The rows and the selection rules are those
// of list_rows; the view's drawing and its mapping of points to rows are list_graph's.
//
// Index: state and layout / rows and drawing / refresh / mouse and keys / procedure.
#include "app/win_list.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "app/catalogue.h"
#include "app/list_graph.h"
#include "app/list_rows.h"
#include "app/list_thread.h"
#include "app/report_write.h"
#include "app/win_main.h"
#include "app/win_menu.h"
#include "app/win_pane.h"
#include "app/win_tree.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/icon.h"
#include "tools/list.h"
#include "tools/slider.h"
#include "tools/text_pane.h"
#include "tools/tools.h"
#include "util/message_log.h"

namespace {

// ---- state and layout -------------------------------------------------------------------

constexpr int BUTTON_DOWN = 0, BUTTON_UP = 1, BUTTON_REPORT = 2, LIST_BUTTONS = 3;
constexpr int NARROW_PANE = 500, BUTTON_GAP = 2;

constexpr uint32_t OUTER_BOX_OPTIONS = OPT_PICTURE_ON_COLOUR | BOX_NO_HOVER;
constexpr uint32_t AREA_BOX_OPTIONS = OPT_PICTURE_ON_COLOUR;
constexpr uint32_t VIEW_OPTIONS = 0x10;
constexpr uint32_t FACE_NORMAL = 170 | 170 << 8 | 170 << 16;
constexpr uint32_t FACE_HIGH = 102 | 100 << 8 | 100 << 16;
constexpr uint32_t VIEW_COLOUR = 236 | 236 << 8 | 236 << 16;

// Refresh requests waiting for the pane, one bit per mode.
enum { WANT_REDRAW = 0x01, WANT_SORT = 0x02, WANT_SCAN = 0x04 };

const char *const BUTTON_PICTURES[LIST_BUTTONS] = {"but_left.tga", "but_right.tga", "but_save.tga"};

struct List_Pane_State {
  Window_Handle window = nullptr;
  Box outer, area;
  Button buttons[LIST_BUTTONS];
  bool faces_loaded = false;
  Text_Pane status;
  List selector;
  Slider slider;
  Tools_Device view;
  List_Rows rows = {};
  int order = SORT_FILE;
  int offset = 0;           // pixels the view is scrolled down by the slider
  bool dragging = false;    // a selection drag is under way
  int drag_x = 0, drag_y = 0;   // where it began, in the pane's drawing coordinates
  bool band = false;        // a rubber band is drawn
  int band_x = 0, band_y = 0;   // its far corner
  bool listed = false;      // the catalogue is complete: a scan has refreshed the pane since
                            // the last one started (until then it is being rebuilt)
  std::atomic<int> wanted{0};
};

List_Pane_State pane;

void Place_Device(Tools_Device &device, int x, int y, int width, int height)
{
  device.x = (uint16_t)std::max(0, x);
  device.y = (uint16_t)std::max(0, y);
  device.width = (int16_t)std::max(0, width);
  device.height = (int16_t)std::max(0, height);
}

void Place_Buttons()
{
  for (int b = 0; b < LIST_BUTTONS; b++) {
    Button &button = pane.buttons[b];
    button.options = BUTTON_PICTURE;
    button.name = BUTTON_PICTURES[b];
    Place_Device(button, TOOLS_BEVEL + 2 + b * (TOOLS_BUTTON_HEIGHT + BUTTON_GAP), TOOLS_BEVEL + 2,
                 TOOLS_BUTTON_HEIGHT, TOOLS_BUTTON_HEIGHT);
    Buttons::Init(button, pane.window);
  }
  if (pane.faces_loaded) return;
  pane.faces_loaded = true;
  for (int b = 0; b < LIST_BUTTONS; b++)
    Buttons::Load_Faces(pane.buttons[b], Icon_Folder(), BUTTON_PICTURES[b], FACE_NORMAL, FACE_HIGH);
}

void Place_Selector(int width, int height)
{
  List &selector = pane.selector;
  bool narrow = width <= NARROW_PANE;
  int selector_height = narrow ? 2 * TOOLS_BUTTON_HEIGHT + TOOLS_MARGIN : TOOLS_BUTTON_HEIGHT + 2 * TOOLS_MARGIN;
  int inner = width - 2 * TOOLS_BEVEL - 2;
  selector.name = "order";
  selector.font_style = "bold";
  selector.font_size = 10;
  Place_Device(selector, TOOLS_BEVEL + 1, height - 1 - TOOLS_BEVEL - selector_height, inner, selector_height);
  if (narrow) {
    // Two items one above the other, the others reached with the selector's slider.
    selector.options = LIST_SLIDER;
    selector.item_width = inner - TOOLS_SLIDER_WIDTH - 2 * BUTTON_GAP;
    selector.item_height = TOOLS_BUTTON_HEIGHT;
    selector.start_x = BUTTON_GAP;
    selector.start_y = selector_height - TOOLS_BUTTON_HEIGHT - BUTTON_GAP;
    selector.step_x = 0;
    selector.step_y = -(TOOLS_BUTTON_HEIGHT + BUTTON_GAP);
  } else {
    selector.options = 0;
    selector.item_width = (inner - 2 * BUTTON_GAP) / SORT_ORDERS - BUTTON_GAP;
    selector.item_height = TOOLS_BUTTON_HEIGHT;
    selector.start_x = BUTTON_GAP + 1;
    selector.start_y = TOOLS_MARGIN;
    selector.step_x = selector.item_width + BUTTON_GAP;
    selector.step_y = 0;
  }
  if (selector.Item.empty())
    for (int order = 0; order < SORT_ORDERS; order++) Lists::Add(selector, List_Order_Name(order));
  selector.selected = pane.order;
  Lists::Init(selector, pane.window);
}

// Lays the pane out for its client size, from the bottom up.
void Place(int width, int height)
{
  Box &outer = pane.outer;
  outer.options = OUTER_BOX_OPTIONS;
  outer.name = "win_list";
  outer.font_style = "bold";
  outer.font_size = 14;
  Place_Device(outer, 1, 1, width - 2, height - 2);
  Boxs::Init(outer, pane.window);
  Place_Buttons();

  Text_Pane &status = pane.status;
  int status_x = TOOLS_BEVEL + 2 + LIST_BUTTONS * (TOOLS_BUTTON_HEIGHT + BUTTON_GAP) + 4;
  status.options = OPT_TEXT_BOTTOM;
  status.name = "status";
  status.font_style = "bold";
  status.font_size = 14;
  status.depth = 1;
  Place_Device(status, status_x, TOOLS_BEVEL + 2, width - status_x - TOOLS_BEVEL - 3, TOOLS_BUTTON_HEIGHT);
  Texts::Init(status, pane.window);

  Place_Selector(width, height);

  Box &area = pane.area;
  int area_y = TOOLS_BEVEL + 2 + TOOLS_BUTTON_HEIGHT + BUTTON_GAP;
  area.options = AREA_BOX_OPTIONS;
  area.name = "list area";
  Place_Device(area, TOOLS_BEVEL + 1, area_y, width - 2 * TOOLS_BEVEL - 2, pane.selector.y - BUTTON_GAP - area_y);
  Boxs::Init(area, pane.window);

  Tools_Device &view = pane.view;
  view.options = VIEW_OPTIONS;
  view.name = "list view";
  Tools_Set_Colour(view, VIEW_COLOUR);
  Place_Device(view, area.x + TOOLS_BEVEL, area.y + TOOLS_BEVEL, area.width - 2 * TOOLS_BEVEL - TOOLS_SLIDER_WIDTH,
               area.height - 2 * TOOLS_BEVEL);
  List_Graph_Init(view, pane.window);
}

// ---- rows and drawing -----------------------------------------------------------------------

// Fits the slider to the rows and keeps the offset within its range.
void Fit_Slider()
{
  Slider &slider = pane.slider;
  int range = List_Graph_Slider_Range(pane.view, pane.rows.nb_row);
  pane.offset = std::clamp(pane.offset, 0, range);
  slider.step = LIST_ROW_HEIGHT;
  Sliders::Place(slider, pane.area, true, pane.view.x + pane.view.width, pane.view.y, TOOLS_SLIDER_WIDTH,
                 pane.view.height, range, pane.offset);
  if (range == 0) slider.options |= SLIDER_NO_SELECT;
  else slider.options &= ~SLIDER_NO_SELECT;
}

void Draw_Slider()
{
  if (pane.slider.maximum > 0) Sliders::Draw(pane.slider);
  else Tools::Fill(pane.area, 0, pane.slider.x, pane.slider.x + pane.slider.width - 1, pane.slider.y,
                   pane.slider.y + pane.slider.height - 1);
}

void Draw_View()
{
  pane.band = false;
  std::string folder = Tree_Pane_Folder();
  if (folder.empty()) Tools::Fill(pane.view, 0, pane.view.x, pane.view.x + pane.view.width - 1, pane.view.y,
                                  pane.view.y + pane.view.height - 1);
  else List_Graph_Draw(pane.view, pane.rows, pane.offset, folder.c_str());
}

void Show_Count(int count)
{
  if (count > 0) Text::Write(pane.status, "%d File%s selected", count, count == 1 ? "" : "s");
  else Text::Write(pane.status, "%s", "");
  Menu_Buttons_Enable(count);
}

// After the rows changed: the slider, the count of selected files, and the view.
void Show_Rows()
{
  Fit_Slider();
  Show_Count(List_Rows_Count_Selected(pane.rows));
  if (!pane.window) return;
  Draw_Slider();
  Draw_View();
}

// Lists the tree of the current order again (none while a scan rebuilds the catalogue)
// and redraws the view.
void Rebuild()
{
  List_Rows_Build(pane.rows, pane.listed ? List_Tree_Get(pane.order) : nullptr);
  Show_Rows();
}

void Draw_All()
{
  pane.outer.Draw();
  Text::Draw(pane.status);
  pane.area.Draw();
  Draw_Slider();
  pane.selector.Draw();
  for (Button &button : pane.buttons) button.Draw();
  Draw_View();
}

// ---- refresh ----------------------------------------------------------------------------------

void Serve_Refresh()
{
  int wanted = pane.wanted.exchange(0);
  if (wanted & WANT_SCAN) {
    pane.order = SORT_FILE;
    pane.selector.selected = SORT_FILE;
    pane.selector.offset = 0;
    if (pane.selector.state) {
      Lists::Update(pane.selector);
      pane.selector.Draw();
    }
    pane.offset = 0;
    pane.listed = true;
    Rebuild();
  } else if (wanted & WANT_SORT) {
    Rebuild();
  } else if (wanted & WANT_REDRAW) {
    List_Rows_Update_States(pane.rows);
    Draw_View();
  }
}

// ---- mouse and keys -----------------------------------------------------------------------------

// The last mouse position in the pane's drawing coordinates.
bool Mouse_Point(int &x, int &y) { return Tools_Mouse_In(pane.window, x, y) != 0; }

// The row number under `y`, counted on past both ends of the list (negative above the first
// row, the row count and more below the last): a drag's range is clamped to the list.
int Row_Under(int y)
{
  int first_top = List_Graph_Row_Bottom(pane.view, pane.offset, 0) + LIST_ROW_HEIGHT - 1;
  int below = first_top - y;
  return below >= 0 ? below / LIST_ROW_HEIGHT : -1 - (-below - 1) / LIST_ROW_HEIGHT;
}

bool In_View(int x, int y)
{
  const Tools_Device &v = pane.view;
  return x >= v.x && x < v.x + v.width && y >= v.y && y < v.y + v.height;
}

int Modifiers()
{
  int modifiers = 0;
  if (Window_Key_Is_Down(VK_SHIFT)) modifiers |= LIST_SELECT_SHIFT;
  if (Window_Key_Is_Down(VK_CONTROL)) modifiers |= LIST_SELECT_CTRL;
  return modifiers;
}

// Draws (or erases: XOR) the rubber band from the drag start to (x, y), kept on the view, so
// that a redraw of the view always takes the whole band away.
void Band_Xor(int x, int y)
{
  const Tools_Device &v = pane.view;
  auto inside_x = [&](int at) { return std::clamp(at, (int)v.x, v.x + v.width - 1); };
  auto inside_y = [&](int at) { return std::clamp(at, (int)v.y, v.y + v.height - 1); };
  int x1 = inside_x(pane.drag_x), x2 = inside_x(x), y1 = inside_y(pane.drag_y), y2 = inside_y(y);
  Tools::Xor_Rectangle(pane.outer, std::min(x1, x2), std::max(x1, x2), std::min(y1, y2), std::max(y1, y2),
                       TOOLS_YELLOW);
}

void Band_Follow(int x, int y)
{
  if (pane.band) Band_Xor(pane.band_x, pane.band_y);
  Band_Xor(x, y);
  pane.band = true;
  pane.band_x = x;
  pane.band_y = y;
}

void Scroll_View(double value)
{
  pane.offset = (int)(value + 0.5);
  Draw_View();
}

void Level_Step(Button &button, int step)
{
  button.pressed = 1;
  button.Draw();
  if (List_Rows_Level_Change(pane.rows, step)) Rebuild();
  button.pressed = 0;
  button.Draw();
}

void Mouse_Move(int mode)
{
  pane.selector.Select(mode);
  Buttons::Select(pane.buttons, LIST_BUTTONS, mode);
  if (pane.slider.thumb_state) {
    Sliders::Select(pane.slider, mode);
    Scroll_View(pane.slider.value);
    return;
  }
  Sliders::Select(pane.slider, mode);
  int x = 0, y = 0;
  if (pane.dragging && Mouse_Point(x, y)) Band_Follow(x, y);
}

void Button_Down()
{
  if (pane.slider.maximum > 0 && Sliders::Select(pane.slider, 2)) {
    Scroll_View(pane.slider.value);
    Window_Set_Capture(pane.window);
    return;
  }
  int before = pane.selector.selected;
  if (pane.selector.Select(2)) {
    if (pane.selector.selected != before) List_Pane_Set_Order(pane.selector.selected);
    return;
  }
  switch (Buttons::Select(pane.buttons, LIST_BUTTONS, 2)) {
  case BUTTON_DOWN: Level_Step(pane.buttons[BUTTON_DOWN], -1); return;
  case BUTTON_UP: Level_Step(pane.buttons[BUTTON_UP], +1); return;
  case BUTTON_REPORT:
    Message_Log(main_window, MSG_REPORT, "Creating Reports");
    List_Pane_Write_Reports();
    return;
  default: break;
  }
  int x = 0, y = 0;
  if (!Mouse_Point(x, y) || !In_View(x, y)) return;
  int row = Row_Under(y);
  if (List_Rows_Toggle(pane.rows, row, List_Graph_Column_At(pane.view, x))) {
    Rebuild();
    return;
  }
  if (!Modifiers()) {
    List_Rows_Select(pane.rows, -1, -1, 0);
    Draw_View();
  }
  pane.rows.drag_start = row;
  pane.dragging = true;
  pane.drag_x = x;
  pane.drag_y = y;
  Window_Set_Capture(pane.window);
}

void Button_Up()
{
  if (Window_Get_Capture() == pane.window) Window_Release_Capture();
  if (pane.slider.thumb_state) {
    Sliders::Select(pane.slider, 0);
    return;
  }
  if (!pane.dragging) return;
  pane.dragging = false;
  if (pane.band) Band_Xor(pane.band_x, pane.band_y);
  pane.band = false;
  int x = 0, y = 0;
  Mouse_Point(x, y);
  int row = Row_Under(y);
  Show_Count(List_Rows_Select(pane.rows, pane.rows.drag_start, row, Modifiers()));
  pane.rows.drag_start = -1;
  Draw_View();
}

void Wheel(int steps, int screen_x, int screen_y)
{
  Tools_Set_Mouse(screen_x, screen_y);
  if (pane.selector.Select(4)) {
    Lists::Scroll(pane.selector, -steps);
    return;
  }
  Scroll_View(Sliders::Scroll(pane.slider, -steps));
}

void Key(int code)
{
  if (Pane_Key_Is(code, 'D')) {
    Message_Log(main_window, MSG_REPORT, "Creating Reports");
    List_Pane_Write_Reports();
  } else if (Pane_Key_Is(code, 'E')) {
    if (List_Rows_Level_Change(pane.rows, List_Rows_Level_Repeat(pane.rows))) Rebuild();
  }
}

void Mouse_Left()
{
  pane.selector.Select(0);
  Buttons::Select(pane.buttons, LIST_BUTTONS, 0);
  Sliders::Select(pane.slider, 0);
}

void Size(Window_Handle, int width, int height)
{
  Place(width, height);
  Fit_Slider();
}

Pane_Handlers list_pane = {Size, Draw_All, Mouse_Move, Button_Down, Button_Up, Mouse_Left, Wheel, Key, 0};

}  // namespace

// ---- procedure ----------------------------------------------------------------------------------

void List_Pane_Refresh(int mode)
{
  if (mode == LIST_REFRESH_CLEAR) {
    // Requests still waiting came from jobs on the catalogue about to be freed.
    pane.wanted = 0;
    pane.listed = false;
    List_Rows_Build(pane.rows, nullptr);
    pane.offset = 0;
    if (pane.window && Window_System_Is_UI_Thread()) Show_Rows();
    return;
  }
  pane.wanted.fetch_or(mode == LIST_REFRESH_SCAN ? WANT_SCAN : mode == LIST_REFRESH_SORT ? WANT_SORT : WANT_REDRAW);
  Window_Post_Unique(pane.window, WM_LIST_REFRESH, 0, 0);
}

int List_Pane_Order() { return pane.order; }

void List_Pane_Set_Order(int order)
{
  if (order < 0 || order >= SORT_ORDERS) return;
  pane.order = order;
  pane.selector.selected = order;
  if (pane.selector.state) {
    Lists::Update(pane.selector);
    pane.selector.Draw();
  }
  pane.offset = 0;
  Rebuild();
}

const List_Rows &List_Pane_Rows() { return pane.rows; }

const Tools_Device &List_Pane_View() { return pane.view; }

int List_Pane_Offset() { return pane.offset; }

std::string List_Pane_Status() { return pane.status.state ? Text::Read(pane.status) : std::string(); }

List_Tree *List_Pane_Root() { return pane.rows.root; }

std::vector<item_file *> List_Pane_Selected_Files()
{
  item_file **files = nullptr;
  int count = 0;
  List_Rows_Collect_Selected(pane.rows, &files, &count);
  std::vector<item_file *> selected(files, files + count);
  std::free(files);
  return selected;
}

void List_Pane_Write_Reports() { Report_Write(pane.rows, pane.order, Dir_List.path, nullptr); }

intptr_t List_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  switch (message) {
  case WM_CREATE:
    pane.window = window;
    List_Rows_Init(pane.rows);
    return 0;
  case WM_LIST_REFRESH: Serve_Refresh(); return 0;
  case WM_DESTROY:
    List_Rows_Free(pane.rows);
    Text::Cleanup(pane.status);
    pane.window = nullptr;
    return 0;
  default: return Pane_Dispatch(list_pane, window, message, wparam, lparam);
  }
}
