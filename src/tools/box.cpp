// Boxes and labels.
#include "tools/box.h"

#include "tools/tools.h"
#include "tools/y_font.h"

void Boxs::Init(Box &box, Window_Handle window)
{
  Tools_Init_Widget(box, window, "Boxs::Init");
}

void Box::Adjust()
{
  Tools_Check_State(*this, "Box::Adjust");
  Tools_Clip_To_Rect(*this);
}

int Box::Caption_Height()
{
  if (text.empty()) return 0;
  return Y_Font_Height(font ? font : Y_System_Font()) + 4;
}

void Box::Draw()
{
  Tools_Check_State(*this, "Box::Draw");
  if (width < 1 || height < 1) return;
  int x2 = x + width - 1, y2 = y + height - 1, d = Tools_Depth(depth);
  Tools::Fill(*this, 0, x, x2, y, y2);
  Tools::Cadre(*this, options, pressed == 1, d, x, x2, y, y2);
  if (hover == 1 && !(options & BOX_NO_HOVER)) Tools::Cadre_Outline(*this, x + d, x2 - d, y + d, y2 - d);
  if (text.empty()) return;
  uint32_t place = options & (OPT_TEXT_RIGHT | OPT_WHITE_TEXT | OPT_HIGHLIGHT_TEXT);
  if (!(place & OPT_TEXT_RIGHT)) place |= OPT_TEXT_LEFT;
  int band = Caption_Height();
  Tools::Text(*this, font, text.c_str(), place, x + d, y2 - d - band + 1, width - 2 * d, band);
}

int Box::Read()
{
  Tools_Check_State(*this, "Box::Read");
  return 0;
}

int Box::Select(int mode)
{
  Tools_Check_State(*this, "Box::Select");
  int inside = Tools_Mouse_Over(*this, x, y, width, height);
  if ((mode & 0xF) == 4 || (options & BOX_NO_HOVER)) return inside;
  if (Tools_Hover_Update(hover, inside)) Draw();
  return inside;
}

int Boxs::Select(Box *boxes, int count, int mode)
{
  int hit = -1;
  for (int i = 0; i < count; i++)
    if (boxes[i].Select(mode) && hit < 0) hit = i;
  return hit;
}

void Labels::Init(Label &label, Window_Handle window)
{
  Tools_Init_Widget(label, window, "Labels::Init");
}

void Labels::Draw(Label &label)
{
  Tools_Check_State(label, "Labels::Draw");
  if (label.width < 1 || label.height < 1) return;
  Tools::Fill(label, 0, label.x, label.x + label.width - 1, label.y, label.y + label.height - 1);
  Tools::Text(label, label.font, label.text.c_str(), label.options, label.x, label.y, label.width, label.height);
}
