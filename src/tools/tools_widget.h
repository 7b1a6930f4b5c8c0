// What every widget family's Init and Adjust share: the default depth, the font, the
// clip rectangle, and the common Init steps.
#pragma once

#include "tools/tools_device.h"

// The bevel depth to use: the absolute value, or the toolkit's default (3) for 0.
int Tools_Depth(int depth);

// Makes the widget's font when it has none or its size changed since it was made.
void Tools_Font_Make(Tools_Device &device);

// Sets the clip rectangle to the widget's own rectangle.
void Tools_Clip_To_Rect(Tools_Device &device);

// The common Init: marks the state initialised, takes the window (warning when there is
// none), and unless the widget is smaller than one pixel sets the default colour, the
// clip and the font. Returns 1 when the widget has a size, 0 when it is below one pixel.
int Tools_Init_Widget(Tools_Device &device, Window_Handle window, const char *operation);
