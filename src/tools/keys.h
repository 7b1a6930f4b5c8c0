// The key translation: a key or character message becomes one integer code.
//
//   low byte    the character (or the key's code)
//   0x100       Shift held        0x200 Ctrl held        0x400 Alt held
//   0x1000      a key of the extended or numeric keypad: Insert 0x1060, End 0x1061,
//               Down 0x1062, Page Down 0x1063, Left 0x1064, Right 0x1066, Home 0x1067,
//               Up 0x1068, Page Up 0x1069, Delete 0x106E, keypad Enter 0x100D, keypad
//               operators 0x1000 + their character; function keys 0x1070 + n - 1
//   0x2000      a digit typed on the keypad (0x2000 + '0' ... '9')
//
// Characters arrive as WM_CHAR; keys without a character (navigation, function keys,
// Ctrl or Alt with a letter or digit) as WM_KEYDOWN. Escape also posts WM_CLOSE to the
// window's top-level window.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// Returns the code of a WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR or WM_SYSCHAR message, or 0
// when the message carries no key for the toolkit (key releases, the key-down half of a
// character, control characters that the key-down already gave).
int Tools_Key_Translate(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
