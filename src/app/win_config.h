// The settings window and the server pane. Their window classes are registered at start-up;
// the window itself is not built yet: Config_Open opens nothing, and both procedures leave
// every message to the window system's default handling.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// Opens the settings window over `owner` when it is not open. Returns 1 when it is open
// afterwards; returns 0 (nothing opened, nothing logged) while the window is not built.
int Config_Open(Window_Handle owner);

// 1 while the settings window is open.
int Config_Is_Open();

// The procedure of the class "Config".
intptr_t Config_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
