// Common steps of the widget families' Init and Adjust.
#include "tools/tools_widget.h"

#include <cstdlib>

#include "tools/y_font.h"

int Tools_Depth(int depth) { return depth == 0 ? TOOLS_BEVEL : std::abs(depth); }

void Tools_Font_Make(Tools_Device &device)
{
  if (device.font && device.font_made_size == device.font_size) return;
  const char *style = device.font_style.c_str();
  device.font = Y_Create_Font(device.window, device.font_face.c_str(), style, style, device.font_size);
  device.font_made_size = device.font_size;
}

void Tools_Clip_To_Rect(Tools_Device &device)
{
  device.clip_x = (int16_t)device.x;
  device.clip_y = (int16_t)device.y;
  device.clip_width = device.width;
  device.clip_height = device.height;
}

int Tools_Init_Widget(Tools_Device &device, Window_Handle window, const char *operation)
{
  Tools_Init_Device(device, window, operation);
  if (device.width < 1 || device.height < 1) return 0;
  Tools_Default_Colour(device);
  Tools_Clip_To_Rect(device);
  Tools_Font_Make(device);
  return 1;
}
