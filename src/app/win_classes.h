// The window classes of the desktop program: the main window, the progress window, the
// four panes the main window makes (tree, list, message text, menu), the server pane and the
// settings window, each with its name, background and procedure.
#pragma once

#include "platform/os/window_handle.h"

// The main window's class name, also its title (two blanks after the apostrophe-s).
extern const char MAIN_WINDOW_CLASS[];

// Registers the eight classes in their fixed order: the main window, "Progress", "TREE",
// "LIST", "TEXT", "PORT", "MENU", "Config". Returns 1 when all are registered; returns 0 at
// the first one the window system refuses (it reports why).
// Precondition: the window system runs on this thread.
int Window_Classes_Register();
