// The settings window's procedure: the tab bar along the top, and below it the page of the
// selected tab, driven through the page table (layout, paint, click, key, wheel, mouse move).
#include "app/win_config.h"

#include <cerrno>
#include <string>

#include "app/win_config_page.h"
#include "app/win_menu.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/keys.h"
#include "tools/tabs.h"
#include "tools/tools_device.h"
#include "util/error_text.h"
#include "util/message_log.h"

namespace {

enum { TAB_HEIGHT = 25, WHEEL_STEP = 120, CONFIG_WIDTH = 700, CONFIG_HEIGHT = 600 };

struct Page_Entry {
  const char *tab;
  uint32_t colour;
  const Config_Page *page;
};

const Page_Entry PAGES_TABLE[CONFIG_PAGES] = {
    {"Copy", 150 | 150 << 8 | 170 << 16, &config_copy_page},
    {"Push", 150 | 170 << 8 | 150 << 16, &config_push_page},
    {"Audit", 170 | 150 << 8 | 150 << 16, &config_audit_page},
};

struct Config_State {
  Window_Handle window = nullptr;  // while open
  Tabs_Bar tabs;
  int wheel_sum = 0;
};

Config_State config;

const Config_Page &Selected_Page() { return *PAGES_TABLE[config.tabs.selected].page; }

// The tab bar along the top, and the selected page in the rectangle below it.
void Layout(Window_Handle window, int width, int height)
{
  Tabs_Bar &tabs = config.tabs;
  tabs.name = "config tabs";
  tabs.x = TOOLS_MARGIN;
  tabs.y = (uint16_t)(height - TAB_HEIGHT);
  tabs.width = (int16_t)(width - 2 * TOOLS_MARGIN);
  tabs.height = TAB_HEIGHT;
  tabs.font_style = "bold";
  tabs.font_size = 11;
  Tabs::Init(tabs, window);
  if (tabs.Item.empty())
    for (const Page_Entry &entry : PAGES_TABLE)
      Tabs::Add(tabs, entry.tab, entry.colour & 0xFF, entry.colour >> 8 & 0xFF, entry.colour >> 16 & 0xFF);
  Tabs::Adjust(tabs);
  Selected_Page().layout(window, 2 * TOOLS_MARGIN, 2 * TOOLS_MARGIN, width - 4 * TOOLS_MARGIN,
                         height - 4 * TOOLS_MARGIN - TAB_HEIGHT, PAGES_TABLE[tabs.selected].colour);
}

void Paint(Window_Handle window)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
  Tabs::Draw(config.tabs);
  Tabs::Page(config.tabs, height - 2 * TOOLS_MARGIN - TAB_HEIGHT);
  Selected_Page().paint();
}

void Button_Down(Window_Handle window, intptr_t lparam)
{
  Tools_Set_Mouse_From_Message(window, lparam);
  int tab = Tabs::Read(config.tabs);
  if (tab >= 0 && tab != config.tabs.selected) {
    config.tabs.selected = tab;
    int width = 0, height = 0;
    Window_Get_Client_Size(window, &width, &height);
    Layout(window, width, height);
    Paint(window);
  }
  Selected_Page().click(2);
}

void Wheel(uintptr_t wparam)
{
  config.wheel_sum += Wheel_Delta(wparam);
  if (config.wheel_sum > -WHEEL_STEP && config.wheel_sum < WHEEL_STEP) return;
  int steps = config.wheel_sum / WHEEL_STEP;
  config.wheel_sum %= WHEEL_STEP;
  Selected_Page().wheel(steps);
}

}  // namespace

Window_Handle Config_Window() { return config.window; }

int Config_Is_Open() { return config.window != nullptr; }

const Tools_Device *Config_Widget(int page, const char *name)
{
  if (page < 0 || page >= CONFIG_PAGES || !name) return nullptr;
  if (std::string(name) == "tab") return page < (int)config.tabs.Item.size() ? &config.tabs.Item[page] : nullptr;
  return PAGES_TABLE[page].page->widget(name);
}

int Config_Page_Selected() { return config.tabs.selected; }

void Config_Repaint() { Window_Invalidate(config.window, 1); }

int Config_Open()
{
  if (config.window) return 0;
  Menu_Config_Show(1);
  Window_Handle window = Window_Create(WS_EX_ACCEPTFILES, "Config", "Harrowdesk Configuration",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CONFIG_WIDTH,
                                       CONFIG_HEIGHT, nullptr, 0, nullptr);
  if (!window) {
    int error = errno;
    Menu_Config_Show(0);
    Message_Log(nullptr, MSG_ERRLOG, "file:%s line:%d", Log_Source_Name(__FILE__), __LINE__);
    Message_Log(nullptr, MSG_ERRLOG, "in CreateWindow()");
    Message_Log(nullptr, MSG_ERRLOG, "%s", Error_Text(error));
    return 0;
  }
  return 1;
}

intptr_t Config_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  switch (message) {
  case WM_CREATE: config.window = window; return 0;
  case WM_SIZE:
    if (Point_X(lparam) > 0) Layout(window, Point_X(lparam), Point_Y(lparam));
    return 0;
  case WM_PAINT: Paint(window); return 0;
  case WM_LBUTTONDOWN: Button_Down(window, lparam); return 0;
  case WM_LBUTTONUP:
    Tools_Set_Mouse_From_Message(window, lparam);
    Selected_Page().click(0);
    return 0;
  case WM_MOUSEMOVE: {
    Tools_Set_Mouse_From_Message(window, lparam);
    int mode = (wparam & MK_LBUTTON) ? 1 : 0;
    Tabs::Select(config.tabs, mode);
    Selected_Page().mouse_move(mode);
    return 0;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_CHAR:
  case WM_SYSCHAR: {
    int code = Tools_Key_Translate(window, message, wparam, lparam);
    if (code) Selected_Page().key(code);
    return 0;
  }
  case WM_MOUSEWHEEL: Wheel(wparam); return 0;
  case WM_DESTROY:
    config.window = nullptr;
    Menu_Config_Show(0);
    return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}
