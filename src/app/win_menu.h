// The menu pane: a framed box at the bottom right of the main window with the buttons "Copy
// to Disk" and "Push to Server", which start the copy and push jobs on the selected files,
// and "Config", which opens the settings window. The two job buttons are greyed while no
// file is selected.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// Enables the two job buttons for `selected` files above 0 (and redraws them), greys them
// for 0 (cleared and redrawn in the disabled look).
void Menu_Buttons_Enable(int selected);

// 1 while the job buttons are enabled.
int Menu_Buttons_Enabled();

// Shows the "Config" button pressed while the settings window is open (`open` 1), raised
// again when it closes.
void Menu_Config_Show(int open);

// The procedure of the menu pane's class.
intptr_t Menu_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
