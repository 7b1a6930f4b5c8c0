// The settings window ("Harrowdesk Configuration"): a tab bar of three pages, "Copy", "Push"
// and "Audit", whose choices take effect at once in the in-memory settings; the "Done" button
// of any page saves every setting and closes the window, its close box closes it without
// saving. One window at a time; the tab bar, the pages and the selected page are kept
// between openings.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

struct Tools_Device;

// Opens the settings window when it is not open: sets the open flag, shows the menu pane's
// "Config" button pressed and creates the 700 x 600 window at the default position.
// Returns 1 when the window was opened; returns 0 when it is open already (nothing happens)
// or when it could not be created (three MSG_ERRLOG lines). User-interface thread.
int Config_Open();

// 1 while the settings window is open.
int Config_Is_Open();

// The settings window while it is open, else null.
Window_Handle Config_Window();

// Page numbers, in the order of the tabs.
enum { CONFIG_PAGE_COPY = 0, CONFIG_PAGE_PUSH = 1, CONFIG_PAGE_AUDIT = 2, CONFIG_PAGES = 3 };

// Where things are drawn in the settings window (drawing coordinates, y upwards): the widget
// of page `page` named `name` (a row's label names its list or pane; "Done"; "folder.rgb";
// "copy tree"), or "tab" for the page's tab. Null when there is none or the window was never
// laid out.
const Tools_Device *Config_Widget(int page, const char *name);

// The page shown (0 "Copy", 1 "Push", 2 "Audit").
int Config_Page_Selected();

// The procedure of the class "Config".
intptr_t Config_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
