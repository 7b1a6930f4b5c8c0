// The settings window's entry points, until the window itself exists.
#include "app/win_config.h"

#include "platform/window/window_system.h"

int Config_Open(Window_Handle) { return 0; }

int Config_Is_Open() { return 0; }

intptr_t Config_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Window_Default_Proc(window, message, wparam, lparam);
}
