// The table of the program's window classes, registered in its order at start-up.
#include "app/win_classes.h"

#include "app/win_config.h"
#include "app/win_list.h"
#include "app/win_main.h"
#include "app/win_menu.h"
#include "app/win_port.h"
#include "app/win_text.h"
#include "app/win_tree.h"
#include "platform/window/window_system.h"
#include "tools/progress_window.h"
#include "tools/tools.h"

const char MAIN_WINDOW_CLASS[] = "ArdentVale's  Harrowdesk 1.0 Rev-7";

// The settings window's background: the button-face colour of the desktop it came from.
static constexpr uint32_t BUTTON_FACE = 0xF0F0F0;
static constexpr uint32_t GREY = 0xAAAAAA;  // (170, 170, 170)

int Window_Classes_Register()
{
  const Window_Class classes[] = {
      {MAIN_WINDOW_CLASS, Main_Window_Proc, GREY, "ICON1"},
      {PROGRESS_CLASS, Progress_Window_Proc, PROGRESS_BACKGROUND, "ICON1"},
      {"TREE", Tree_Pane_Proc, WINDOW_NO_BACKGROUND, "ICON1"},
      {"LIST", List_Pane_Proc, WINDOW_NO_BACKGROUND, "ICON1"},
      {"TEXT", Text_Pane_Proc, WINDOW_NO_BACKGROUND, "ICON1"},
      {"PORT", Port_Proc, WINDOW_NO_BACKGROUND, "ICON1"},
      {"MENU", Menu_Pane_Proc, WINDOW_NO_BACKGROUND, "ICON1"},
      {"Config", Config_Proc, BUTTON_FACE, "ICON2"},
  };
  for (const Window_Class &window_class : classes)
    if (!Window_Class_Register(window_class)) return 0;
  return 1;
}
