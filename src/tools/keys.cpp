// Key translation. A key-down that will also come as a character (letters, digits,
// punctuation, Enter, Backspace, Tab, Escape) gives 0 and the character gives the code;
// keys that make no character give their code at once. The last key-down is remembered
// so that the character of a keypad key can be marked as such.
#include "tools/keys.h"

#include "platform/window/window_input.h"
#include "platform/window/window_messages.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"

static thread_local int last_key = 0;           // virtual key of the last key-down
static thread_local bool last_extended = false;

static int Modifiers()
{
  int bits = 0;
  if (Window_Key_Is_Down(VK_SHIFT)) bits |= 0x100;
  if (Window_Key_Is_Down(VK_CONTROL)) bits |= 0x200;
  if (Window_Key_Is_Down(VK_MENU)) bits |= 0x400;
  return bits;
}

// The keypad position (0x60 + digit) of a navigation key, or 0.
static int Navigation_Code(int key)
{
  switch (key) {
  case VK_INSERT: return 0x60;
  case VK_END: return 0x61;
  case VK_DOWN: return 0x62;
  case VK_NEXT: return 0x63;
  case VK_LEFT: return 0x64;
  case VK_RIGHT: return 0x66;
  case VK_HOME: return 0x67;
  case VK_UP: return 0x68;
  case VK_PRIOR: return 0x69;
  case VK_DELETE: return 0x6E;
  default: return 0;
  }
}

static int Key_Down_Code(int key, bool extended)
{
  int modifiers = Modifiers();
  if (int navigation = Navigation_Code(key)) return 0x1000 | navigation | modifiers;
  if (key == VK_RETURN && extended) return 0x100D | (modifiers & ~0x100);
  if (key >= VK_F1 && key < VK_F1 + 12) return 0x1000 | key | modifiers;
  bool letter_or_digit = (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z');
  if (letter_or_digit && (modifiers & 0x600)) return key | modifiers;
  return 0;
}

static int Char_Code(Window_Handle window, unsigned character)
{
  int modifiers = Modifiers();
  if (character == 0x1B) {
    Window_Post(Window_Get_Top(window), WM_CLOSE, 0, 0);
    return 0x1B;
  }
  if (character == 0x0D && last_key == VK_RETURN && last_extended) return 0;  // keypad Enter: given by the key-down
  if (character < 0x20 && character != 0x08 && character != 0x09 && character != 0x0D) return 0;
  if (character > 0xFF) return 0;
  if (modifiers & 0x600 && character >= 0x20) return 0;  // Ctrl/Alt with a key: given by the key-down
  if (last_key >= VK_NUMPAD0 && last_key <= VK_NUMPAD0 + 9) return 0x2000 | (int)character;
  if (last_key >= VK_MULTIPLY && last_key <= VK_DIVIDE) return 0x1000 | (int)character;
  return (int)character | (modifiers & 0x100);
}

int Tools_Key_Translate(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    last_key = (int)wparam;
    last_extended = ((uint32_t)lparam & KF_EXTENDED_BIT) != 0;
    return Key_Down_Code(last_key, last_extended);
  }
  if (message == WM_CHAR || message == WM_SYSCHAR) return Char_Code(window, (unsigned)wparam);
  return 0;
}
