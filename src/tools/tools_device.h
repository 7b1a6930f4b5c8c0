// The device header that every widget record starts with, the option bits the drawing
// primitives read, colour packing, and the checks every widget operation shares: the
// state-byte warning and the hover test against the process-wide last mouse position.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os/window_handle.h"

struct Font_Record;

// Option bits read by the primitives (widgets add their own).
constexpr uint32_t OPT_NO_BACKGROUND = 0x01;
constexpr uint32_t OPT_VERTICAL_TEXT = 0x04;
constexpr uint32_t OPT_HIGHLIGHT_TEXT = 0x20;
constexpr uint32_t OPT_PICTURE_ON_COLOUR = 0x40;
constexpr uint32_t OPT_TEXT_TOP = 0x200;
constexpr uint32_t OPT_TEXT_BOTTOM = 0x400;
constexpr uint32_t OPT_TEXT_LEFT = 0x2000;
constexpr uint32_t OPT_TEXT_RIGHT = 0x4000;
constexpr uint32_t OPT_WHITE_TEXT = 0x40000;
constexpr uint32_t OPT_NO_OUTLINE = 0x400000;

// Toolkit metrics shared by every pane.
enum { TOOLS_BEVEL = 3, TOOLS_MARGIN = 6, TOOLS_SLIDER_WIDTH = 16, TOOLS_BUTTON_HEIGHT = 25 };

// The leading fields of every widget. The owner fills them, then calls the family's Init.
struct Tools_Device {
  uint32_t options = 0;
  std::string name;                  // used in warnings ("no name" when empty)
  uint16_t x = 0, y = 0;             // bottom-left corner, y growing upwards
  int16_t width = 0, height = 0;     // below 1: the widget draws nothing
  std::string font_face = "Arial";   // face and style handed to Y_Create_Font
  std::string font_style;
  int16_t font_size = 0;             // points; below 1 means 12
  int16_t red = 0, green = 0, blue = 0, alpha = 0;
  int16_t clip_x = 0, clip_y = 0, clip_width = 0, clip_height = 0;
  Window_Handle window = nullptr;
  Font_Record *font = nullptr;       // shared (Y_Create_Font); the system font when absent
  int16_t font_made_size = -1;       // the size `font` was made for
  uint8_t state = 0;                 // 0x01/0x02 once initialised
};

// Clamps a component to 0..255.
int Tools_Clamp(int value);

// Packs four components (each clamped) as red in the low byte, then green, blue, alpha.
uint32_t Tools_Pack(int red, int green, int blue, int alpha = 0);

// The device's own colour, packed.
uint32_t Tools_Colour(const Tools_Device &device);

// The packed colour lightened (amount > 0) or darkened (amount < 0) on red, green and
// blue; alpha is kept.
uint32_t Tools_Shade(uint32_t packed, int amount);

// Sets the device's red, green and blue from a packed colour (alpha kept).
void Tools_Set_Colour(Tools_Device &device, uint32_t packed);

// Sets the default grey (170, 170, 170) when red, green and blue are all 0.
void Tools_Default_Colour(Tools_Device &device);

// The state-byte check at the top of every operation. When neither bit 0x01 nor 0x02 is
// set, writes the three-line warning naming `operation` and the widget, and sets the
// state to 2 so that the warning comes once. Returns 1 when the state was good.
int Tools_Check_State(Tools_Device &device, const char *operation);

// Marks the device initialised and takes `window` when given. Writes the "you must
// provide a window" warning when neither the call nor the device names a window.
void Tools_Init_Device(Tools_Device &device, Window_Handle window, const char *operation);

// The process-wide last mouse position, in screen coordinates, stored by the window
// procedures on every mouse message.
void Tools_Set_Mouse(int screen_x, int screen_y);
void Tools_Get_Mouse(int &screen_x, int &screen_y);

// Stores the point of a mouse message to `window` (its lparam: client coordinates) as the
// last mouse position. Nothing for a dead window.
void Tools_Set_Mouse_From_Message(Window_Handle window, intptr_t lparam);

// The last mouse position in `window`'s drawing coordinates (y upwards). Returns 0
// when the window is unknown, leaving x and y untouched.
int Tools_Mouse_In(Window_Handle window, int &x, int &y);

// Whether the last mouse position lies in the rectangle x..x+width-1, y..y+height-1 of
// the device's window.
int Tools_Mouse_Over(const Tools_Device &device, int x, int y, int width, int height);

// The hover helper shared by every family: `inside` gives the new hover state (1 over,
// 2 not); returns 1 when the state changed (so the face must be redrawn).
int Tools_Hover_Update(uint8_t &hover, int inside);
