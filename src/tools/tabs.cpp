// Tab bars and tab items.
#include "tools/tabs.h"

#include <algorithm>

#include "tools/tools.h"

void TabItems::Init(TabItem &item, Window_Handle window)
{
  if (Tools_Init_Widget(item, window, "TabItems::Init")) TabItems::Adjust(item);
}

void TabItems::Adjust(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Adjust");
  Tools_Clip_To_Rect(item);
}

// The tab's own device with its clip widened downwards, so that a selected tab can
// reach over the page's top line.
static Tools_Device Tab_Reach(const TabItem &item)
{
  Tools_Device reach = item;
  reach.clip_y = (int16_t)(item.y - 2);
  reach.clip_height = (int16_t)(item.height + 2);
  return reach;
}

void TabItems::Cadre(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Cadre");
  int x1 = item.x, x2 = item.x + item.width - 1, y2 = item.y + item.height - 1;
  int bottom = item.selected ? item.y - 2 : item.y;
  Tools_Device frame = Tab_Reach(item);
  uint32_t dark = Tools_Shade(Tools_Colour(item), -70);
  Tools::Line(frame, x1, bottom, x1, y2 - 3, TOOLS_WHITE);
  Tools::Line(frame, x1, y2 - 3, x1 + 3, y2, TOOLS_WHITE);
  Tools::Line(frame, x1 + 3, y2, x2 - 3, y2, TOOLS_WHITE);
  Tools::Line(frame, x2 - 2, y2 - 1, x2, y2 - 3, dark);
  Tools::Line(frame, x2, y2 - 3, x2, bottom, dark);
}

void TabItems::Cadre_Outline(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Cadre_Outline");
  Tools::Cadre_Outline(item, item.x + 2, item.x + item.width - 3, item.y + 1, item.y + item.height - 3);
}

void TabItems::Fill_Select(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Fill_Select");
  Tools_Device face = Tab_Reach(item);
  uint32_t colour = item.selected ? Tools_Colour(item) : Tools_Shade(Tools_Colour(item), -25);
  Tools_Set_Colour(face, colour);
  int y2 = item.y + item.height - 1;
  Tools::Fill(face, 0, item.x + 1, item.x + item.width - 2, item.selected ? item.y - 2 : item.y, y2 - 3);
  Tools::Fill(face, 0, item.x + 3, item.x + item.width - 4, y2 - 3, y2 - 1);
}

void TabItems::Draw(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Draw");
  if (item.width < 1 || item.height < 1) return;
  TabItems::Fill_Select(item);
  TabItems::Cadre(item);
  if (item.hover == 1 && !(item.options & 0x02)) TabItems::Cadre_Outline(item);
  Tools::Text(item, item.font, item.text.c_str(), item.options, item.x, item.y + 1,
              item.width, item.height - 2);
}

int TabItems::Read(TabItem &item)
{
  Tools_Check_State(item, "TabItems::Read");
  if (item.options & 0x02) return 0;
  return Tools_Mouse_Over(item, item.x, item.y, item.width, item.height);
}

int TabItems::Select(TabItem &item, int mode)
{
  Tools_Check_State(item, "TabItems::Select");
  int inside = TabItems::Read(item);
  if ((mode & 0xF) == 4 || (item.options & 0x02)) return inside;
  if (Tools_Hover_Update(item.hover, inside)) TabItems::Draw(item);
  return inside;
}

void Tabs::Init(Tabs_Bar &bar, Window_Handle window)
{
  if (Tools_Init_Widget(bar, window, "Tabs::Init")) Tabs::Adjust(bar);
}

int Tabs::Add(Tabs_Bar &bar, const char *text, int red, int green, int blue)
{
  TabItem item;
  item.text = text ? text : "";
  item.name = item.text;
  item.red = (int16_t)red;
  item.green = (int16_t)green;
  item.blue = (int16_t)blue;
  item.font_face = bar.font_face;
  item.font_style = bar.font_style;
  item.font_size = bar.font_size;
  bar.Item.push_back(item);
  Tabs::Adjust(bar);
  return (int)bar.Item.size() - 1;
}

void Tabs::Adjust(Tabs_Bar &bar)
{
  Tools_Check_State(bar, "Tabs::Adjust");
  Tools_Clip_To_Rect(bar);
  int count = (int)bar.Item.size();
  if (count == 0) return;
  int each = std::min<int>(bar.tab_width, (bar.width - 4) / count);
  for (int i = 0; i < count; i++) {
    TabItem &item = bar.Item[i];
    item.x = (uint16_t)(bar.x + 2 + i * each);
    item.y = bar.y;
    item.width = (int16_t)(each - 1);
    item.height = (int16_t)(bar.height - 2);
    item.selected = i == bar.selected;
    TabItems::Init(item, bar.window);
  }
}

void Tabs::Draw(Tabs_Bar &bar)
{
  Tools_Check_State(bar, "Tabs::Draw");
  if (bar.width < 1 || bar.height < 1) return;
  Tools::Fill(bar, 0, bar.x, bar.x + bar.width - 1, bar.y, bar.y + bar.height - 1);
  for (size_t i = 0; i < bar.Item.size(); i++) {
    bar.Item[i].selected = (int)i == bar.selected;
    if ((int)i != bar.selected) TabItems::Draw(bar.Item[i]);
  }
  if (bar.selected >= 0 && bar.selected < (int)bar.Item.size()) TabItems::Draw(bar.Item[bar.selected]);
}

void Tabs::Page(Tabs_Bar &bar, int page_height)
{
  Tools_Check_State(bar, "Tabs::Page");
  if (bar.width < 1 || page_height < 1 || bar.Item.empty()) return;
  const TabItem &chosen = bar.Item[std::clamp(bar.selected, 0, (int)bar.Item.size() - 1)];
  Tools_Device page = bar;
  page.red = chosen.red;
  page.green = chosen.green;
  page.blue = chosen.blue;
  page.clip_width = 0;
  int x1 = bar.x, x2 = bar.x + bar.width - 1, y2 = bar.y - 1, y1 = y2 - page_height + 1;
  Tools::Fill(page, 0, x1, x2, y1, y2);
  Tools::Line(page, x1, y1, x1, y2, TOOLS_WHITE);
  Tools::Line(page, x1, y2, x2, y2, TOOLS_WHITE);
  Tools::Line(page, x1 + 1, y1, x2, y1, TOOLS_ARROW_FACE);
  Tools::Line(page, x2, y1, x2, y2 - 1, TOOLS_ARROW_FACE);
  if (bar.selected >= 0 && bar.selected < (int)bar.Item.size()) {
    const TabItem &tab = bar.Item[bar.selected];
    Tools::Fill(page, 0, tab.x + 1, tab.x + tab.width - 2, y2, y2);
  }
}

int Tabs::Read(Tabs_Bar &bar)
{
  Tools_Check_State(bar, "Tabs::Read");
  if (!Tools_Mouse_Over(bar, bar.x, bar.y, bar.width, bar.height)) return -1;
  for (size_t i = 0; i < bar.Item.size(); i++)
    if (TabItems::Read(bar.Item[i])) return (int)i;
  return -1;
}

int Tabs::Select(Tabs_Bar &bar, int mode)
{
  Tools_Check_State(bar, "Tabs::Select");
  for (TabItem &item : bar.Item) TabItems::Select(item, mode);
  return Tabs::Read(bar);
}

int Tabs::Choose(Tabs_Bar &bar, int index)
{
  if (index < 0 || index >= (int)bar.Item.size()) return 0;
  bar.selected = index;
  Tabs::Draw(bar);
  return 1;
}
