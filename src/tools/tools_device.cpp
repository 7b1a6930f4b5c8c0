// Colour packing and the checks every widget operation starts with: the state byte, the
// window an Init needs, and the hover state against the last mouse position.
#include "tools/tools_device.h"

#include <atomic>

#include "platform/window/window_system.h"
#include "util/message_log.h"

int Tools_Clamp(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

uint32_t Tools_Pack(int red, int green, int blue, int alpha)
{
  return (uint32_t)Tools_Clamp(red) | (uint32_t)Tools_Clamp(green) << 8 | (uint32_t)Tools_Clamp(blue) << 16 |
         (uint32_t)Tools_Clamp(alpha) << 24;
}

uint32_t Tools_Colour(const Tools_Device &device)
{
  return Tools_Pack(device.red, device.green, device.blue, device.alpha);
}

uint32_t Tools_Shade(uint32_t packed, int amount)
{
  return Tools_Pack((int)(packed & 0xFF) + amount, (int)(packed >> 8 & 0xFF) + amount,
                    (int)(packed >> 16 & 0xFF) + amount, (int)(packed >> 24));
}

void Tools_Set_Colour(Tools_Device &device, uint32_t packed)
{
  device.red = (int16_t)(packed & 0xFF);
  device.green = (int16_t)(packed >> 8 & 0xFF);
  device.blue = (int16_t)(packed >> 16 & 0xFF);
}

void Tools_Default_Colour(Tools_Device &device)
{
  if (device.red == 0 && device.green == 0 && device.blue == 0) device.red = device.green = device.blue = 170;
}

static const char *Device_Name(const Tools_Device &device)
{
  return device.name.empty() ? "no name" : device.name.c_str();
}

int Tools_Check_State(Tools_Device &device, const char *operation)
{
  if (device.state & 0x03) return 1;
  Message_Log(device.window, MSG_TRACE, "Tools: WARNING ! ");
  Message_Log(device.window, MSG_TRACE, device.state == 0 ? "   you must call *_Init() first"
                                                          : "   bad data in device's structure");
  Message_Log(device.window, MSG_TRACE, "   type: %s   name: %s\n", operation, Device_Name(device));
  device.state = 2;
  return 0;
}

void Tools_Init_Device(Tools_Device &device, Window_Handle window, const char *operation)
{
  device.state = 0x01;
  if (window) device.window = window;
  if (device.window) return;
  Message_Log(nullptr, MSG_TRACE, "Tools: WARNING ! ");
  Message_Log(nullptr, MSG_TRACE, "   you must provide a window");
  Message_Log(nullptr, MSG_TRACE, "   type: %s   name: %s", operation, Device_Name(device));
}

static std::atomic<int64_t> last_mouse{0};

void Tools_Set_Mouse(int screen_x, int screen_y)
{
  last_mouse = (int64_t)(uint32_t)screen_x << 32 | (uint32_t)screen_y;
}

void Tools_Set_Mouse_From_Message(Window_Handle window, intptr_t lparam)
{
  int x = Point_X(lparam), y = Point_Y(lparam);
  if (Window_Client_To_Screen(window, &x, &y)) Tools_Set_Mouse(x, y);
}

void Tools_Get_Mouse(int &screen_x, int &screen_y)
{
  int64_t packed = last_mouse;
  screen_x = (int)(uint32_t)(packed >> 32);
  screen_y = (int)(uint32_t)packed;
}

int Tools_Mouse_Over(const Tools_Device &device, int x, int y, int width, int height)
{
  int mx, my;
  if (!Tools_Mouse_In(device.window, mx, my)) return 0;
  return mx >= x && mx < x + width && my >= y && my < y + height;
}

int Tools_Hover_Update(uint8_t &hover, int inside)
{
  uint8_t wanted = inside ? 1 : 2;
  if (hover == wanted) return 0;
  hover = wanted;
  return 1;
}

int Tools_Mouse_In(Window_Handle window, int &x, int &y)
{
  int sx, sy, width, height;
  Tools_Get_Mouse(sx, sy);
  if (!Window_Get_Client_Size(window, &width, &height) || !Window_Screen_To_Client(window, &sx, &sy)) return 0;
  x = sx;
  y = height - 1 - sy;
  return 1;
}
