// The menu pane's procedure. A press on a job button shows it pressed while the job starts
// (the starter only prepares the job and its worker thread), then releases it.
#include "app/win_menu.h"

#include <vector>

#include "app/menu_copy.h"
#include "app/menu_push.h"
#include "app/win_config.h"
#include "app/win_list.h"
#include "app/win_main.h"
#include "app/win_pane.h"
#include "platform/window/window_system.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/tools.h"

namespace {

// The disabled look: no background, no hover, the label in the highlight colour.
constexpr uint32_t BUTTON_DISABLED = OPT_NO_BACKGROUND | BUTTON_NO_SELECT | OPT_HIGHLIGHT_TEXT;
constexpr uint32_t MENU_BOX_OPTIONS = OPT_TEXT_BOTTOM | OPT_PICTURE_ON_COLOUR | BOX_NO_HOVER;

constexpr int BUTTON_COPY = 0, BUTTON_PUSH = 1, BUTTON_CONFIG = 2, MENU_BUTTONS = 3;

struct Menu_State {
  Box box;
  Button buttons[MENU_BUTTONS];
  bool enabled = false;
};

Menu_State menu;

const char *const LABELS[MENU_BUTTONS] = {"Copy to Disk", "Push to Server", "Config"};

void Size(Window_Handle window, int width, int height)
{
  Box &box = menu.box;
  box.options = MENU_BOX_OPTIONS;
  box.name = "win_menu";
  box.x = 0;
  box.y = 0;
  box.width = (int16_t)width;
  box.height = (int16_t)height;
  box.font_style = "bold";
  box.font_size = 14;
  Boxs::Init(box, window);
  // From the bottom up: "Config", "Push to Server", "Copy to Disk".
  const int inner_x = TOOLS_BEVEL + 2, inner_width = width - 2 * TOOLS_BEVEL - 4;
  const int gap = (height - 2 * TOOLS_BEVEL - MENU_BUTTONS * TOOLS_BUTTON_HEIGHT) / (MENU_BUTTONS + 1);
  for (int b = 0; b < MENU_BUTTONS; b++) {
    Button &button = menu.buttons[b];
    button.text = LABELS[b];
    button.name = LABELS[b];
    if (b != BUTTON_CONFIG) button.options = menu.enabled ? 0 : BUTTON_DISABLED;
    int row = MENU_BUTTONS - 1 - b;  // 0 at the bottom
    button.x = (uint16_t)inner_x;
    button.y = (uint16_t)(TOOLS_BEVEL + gap + row * (TOOLS_BUTTON_HEIGHT + gap));
    button.width = (int16_t)inner_width;
    button.height = TOOLS_BUTTON_HEIGHT;
    button.font_style = "bold";
    button.font_size = 10;
    Buttons::Init(button, window);
  }
}

void Paint()
{
  menu.box.Draw();
  for (Button &button : menu.buttons) button.Draw();
}

// Shows `button` pressed while `start` runs.
template <class Start> void Press(Button &button, Start start)
{
  button.pressed = 1;
  button.Draw();
  start();
  button.pressed = 0;
  button.Draw();
}

void Button_Down()
{
  int hit = Buttons::Select(menu.buttons, MENU_BUTTONS, 2);
  if (hit == BUTTON_CONFIG) {
    if (!Config_Is_Open()) Config_Open();
  } else if (hit == BUTTON_COPY && menu.enabled) {
    Press(menu.buttons[BUTTON_COPY], [] { Copy_Start(main_window, List_Pane_Root()); });
  } else if (hit == BUTTON_PUSH && menu.enabled) {
    Press(menu.buttons[BUTTON_PUSH], [] { Push_Start(List_Pane_Selected_Files()); });
  }
}

void Mouse_Move(int mode) { Buttons::Select(menu.buttons, MENU_BUTTONS, mode); }
void Mouse_Left() { Buttons::Select(menu.buttons, MENU_BUTTONS, 0); }

Pane_Handlers menu_pane = {Size, Paint, Mouse_Move, Button_Down, nullptr, Mouse_Left, nullptr, nullptr, 0};

}  // namespace

void Menu_Buttons_Enable(int selected)
{
  menu.enabled = selected > 0;
  for (int b : {BUTTON_COPY, BUTTON_PUSH}) {
    Button &button = menu.buttons[b];
    button.options = menu.enabled ? 0 : BUTTON_DISABLED;
    button.hover = 0;
    if (!button.state) continue;
    if (!menu.enabled) Tools::Clear(button, Tools_Colour(menu.box));
    button.Draw();
  }
}

int Menu_Buttons_Enabled() { return menu.enabled; }

void Menu_Config_Show(int open)
{
  Button &button = menu.buttons[BUTTON_CONFIG];
  button.pressed = open ? 1 : 0;
  if (button.state && Window_Is_Window(button.window)) button.Draw();
}

intptr_t Menu_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Pane_Dispatch(menu_pane, window, message, wparam, lparam);
}
