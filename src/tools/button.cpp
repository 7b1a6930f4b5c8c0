// Buttons: Init, Adjust, Draw, Read and Select.
#include "tools/button.h"

#include "tools/tools.h"
#include "tools/y_font.h"

void Buttons::Init(Button &button, Window_Handle window)
{
  Tools_Init_Widget(button, window, "Buttons::Init");
}

void Button::Adjust()
{
  Tools_Check_State(*this, "Button::Adjust");
  Tools_Clip_To_Rect(*this);
}

// Fills the lamp at the left inside the bevel and frames it sunken.
static void Draw_Lamp(Button &button, int inset)
{
  uint32_t colour = TOOLS_GREY;
  if (button.lamp != 0) colour = TOOLS_YELLOW;
  if (button.lamp != 0 && (button.options & BUTTON_LAMP_COLOURS))
    colour = button.lamp == 1 ? Tools_Pack(0, 200, 0) : button.lamp == 2 ? TOOLS_BLUE : button.lamp == 3 ? TOOLS_YELLOW : TOOLS_RED;
  int x1 = button.x + inset + 2, x2 = x1 + 7, y1 = button.y + inset + 2, y2 = button.y + button.height - 1 - inset - 2;
  Tools_Device lamp = button;
  lamp.options = 0;
  Tools_Set_Colour(lamp, colour);
  Tools::Fill(lamp, 0, x1, x2, y1, y2);
  Tools::Cadre(lamp, OPT_NO_OUTLINE, 1, 1, x1 - 1, x2 + 1, y1 - 1, y2 + 1);
}

void Button::Draw()
{
  Tools_Check_State(*this, "Button::Draw");
  if (width < 1 || height < 1) return;
  int x2 = x + width - 1, y2 = y + height - 1;
  if (options & BUTTON_FLAT) {
    Tools::Cadre_Outline(*this, x, x2, y, y2);
    Tools::Text(*this, font, text.c_str(), options, x, y, width, height);
    return;
  }
  if (options & OPT_NO_BACKGROUND) return;
  int depth_used = Tools_Depth(depth);
  Tools::Cadre(*this, options, pressed == 1, depth_used, x, x2, y, y2);
  bool pictures = options & (BUTTON_PICTURE | OPT_PICTURE_ON_COLOUR);
  const Tools_Picture *face = pictures ? (hover == 1 ? &face_high : &face_normal) : nullptr;
  Tools::Fill_Select(*this, hover == 1 && !pictures, face, 0, depth_used, 0, x, x2, y, y2);
  int shift = 0;
  if (options & BUTTON_LAMP) {
    Draw_Lamp(*this, depth_used);
    shift = 8;
  }
  Tools::Text(*this, font, text.c_str(), options, x + shift, y, width - shift, height);
}

int Button::Read()
{
  Tools_Check_State(*this, "Button::Read");
  return pressed;
}

int Button::Select(int mode)
{
  Tools_Check_State(*this, "Button::Select");
  int inside = Tools_Mouse_Over(*this, x, y, width, height);
  if ((mode & 0xF) == 4) return inside;
  if (options & BUTTON_NO_SELECT) return 0;
  if (options & (OPT_NO_BACKGROUND | BUTTON_PICTURE)) {
    hover = inside ? 1 : 2;
    return inside;
  }
  if (Tools_Hover_Update(hover, inside)) Draw();
  return inside;
}

int Buttons::Select(Button *buttons, int count, int mode)
{
  int hit = -1;
  for (int i = 0; i < count; i++)
    if (buttons[i].Select(mode) && hit < 0) hit = i;
  return hit;
}

int Buttons::Load_Faces(Button &button, const std::string &folder, const std::string &file, uint32_t normal, uint32_t high)
{
  int border = Tools_Depth(button.depth);
  return Picture_Load(button, folder, file, normal, border, button.face_normal) &&
         Picture_Load(button, folder, file, high, border, button.face_high);
}
