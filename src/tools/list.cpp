// Lists of item buttons.
#include "tools/list.h"

#include <algorithm>

#include "tools/tools.h"

void Lists::Init(List &list, Window_Handle window)
{
  if (Tools_Init_Widget(list, window, "Lists::Init")) list.Adjust();
}

int Lists::Add(List &list, const char *text)
{
  Button item;
  item.text = text ? text : "";
  item.name = item.text;
  item.font_face = list.font_face;
  item.font_style = list.font_style;
  item.font_size = list.font_size;
  item.depth = 2;
  list.Item.push_back(item);
  if (list.state) list.Adjust();
  return (int)list.Item.size() - 1;
}

// 1 when the item lies wholly inside the list's item area.
static bool Item_Inside(const List &list, const Button &item)
{
  int right = list.x + list.width - ((list.options & LIST_SLIDER) ? TOOLS_SLIDER_WIDTH : 0);
  return item.x >= list.x && item.y >= list.y && item.x + item.width <= right && item.y + item.height <= list.y + list.height;
}

void Lists::Update(List &list)
{
  int count = (int)list.Item.size();
  list.offset = std::clamp(list.offset, 0, std::max(0, count - 1));
  for (int i = 0; i < count; i++) {
    Button &item = list.Item[i];
    item.x = (uint16_t)std::max(0, list.x + list.start_x + (i - list.offset) * list.step_x);
    item.y = (uint16_t)std::max(0, list.y + list.start_y + (i - list.offset) * list.step_y);
    item.width = (int16_t)list.item_width;
    item.height = (int16_t)list.item_height;
    item.pressed = i == list.selected;
    item.options = list.options & 0x02;
    uint32_t face = i == list.selected ? Tools_Shade(Tools_Colour(list), 45) : Tools_Colour(list);
    Tools_Set_Colour(item, face);
    Buttons::Init(item, list.window);
  }
}

void List::Adjust()
{
  Tools_Check_State(*this, "List::Adjust");
  Tools_Clip_To_Rect(*this);
  if (options & LIST_SLIDER)
    Sliders::Place(slider, *this, true, x + width - TOOLS_SLIDER_WIDTH, y, TOOLS_SLIDER_WIDTH, height,
                   std::max(0, (int)Item.size() - 1), offset);
  Lists::Update(*this);
}

void List::Draw()
{
  Tools_Check_State(*this, "List::Draw");
  if (width < 1 || height < 1) return;
  Tools::Fill(*this, 0, x, x + width - 1, y, y + height - 1);
  for (Button &item : Item)
    if (Item_Inside(*this, item)) item.Draw();
  if (options & LIST_SLIDER) Sliders::Draw(slider);
}

int List::Read()
{
  Tools_Check_State(*this, "List::Read");
  return selected;
}

int List::Select(int mode)
{
  Tools_Check_State(*this, "List::Select");
  if ((options & LIST_SLIDER) && Sliders::Select(slider, mode) && (mode & 0xF) != 4) {
    int wanted = (int)(slider.value + 0.5);
    if (wanted != offset) {
      offset = wanted;
      Lists::Update(*this);
      Draw();
    }
    if ((mode & 0xF) == 2) return 1;
  }
  int hit = -1;
  for (int i = 0; i < (int)Item.size(); i++) {
    Button &item = Item[i];
    if (!Item_Inside(*this, item)) {
      item.hover = 2;
      continue;
    }
    if (item.Select(mode) && hit < 0) hit = i;
  }
  if (hit >= 0 && (mode & 0xF) == 2 && !(options & 0x02) && hit != selected) {
    selected = hit;
    Lists::Update(*this);
    Draw();
  }
  return hit >= 0;
}

void Lists::Scroll(List &list, int steps)
{
  Tools_Check_State(list, "Lists::Scroll");
  list.offset = std::clamp(list.offset + steps, 0, std::max(0, (int)list.Item.size() - 1));
  if (list.options & LIST_SLIDER) list.slider.value = list.offset;
  Lists::Update(list);
  list.Draw();
}
