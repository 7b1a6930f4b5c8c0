// Check lists: the choices share the width equally; each shows a 10-pixel box and its
// text left-aligned after it.
#include "tools/checklist.h"

#include "tools/tools.h"
#include "tools/y_font.h"
#include "util/message_log.h"

int CheckLists::Init(CheckList &list, Window_Handle window, const char *const *texts)
{
  if (texts) {
    list.List.clear();
    for (const char *const *t = texts; *t && **t; t++) list.List.push_back(*t);
  }
  if (list.List.empty()) {
    Message_Log(window, MSG_WARNING, "device->List is empty");
    Message_Log(window, MSG_WARNING, "Problems in CheckLists::Init()");
    return 0;
  }
  if (Tools_Init_Widget(list, window, "CheckLists::Init")) list.Adjust();
  return 1;
}

void CheckList::Adjust()
{
  Tools_Check_State(*this, "CheckList::Adjust");
  Tools_Clip_To_Rect(*this);
}

int CheckLists::Choice_At(CheckList &list, int x, int y)
{
  int count = (int)list.List.size();
  if (count == 0 || list.width < 1 || y < list.y || y >= list.y + list.height || x < list.x) return -1;
  int index = (x - list.x) * count / list.width;
  return index < count ? index : -1;
}

void CheckLists::Draw(CheckList &list)
{
  Tools_Check_State(list, "CheckLists::Draw");
  if (list.width < 1 || list.height < 1) return;
  Tools::Fill(list, 0, list.x, list.x + list.width - 1, list.y, list.y + list.height - 1);
  int count = (int)list.List.size();
  for (int i = 0; i < count; i++) {
    int left = list.x + i * list.width / count, right = list.x + (i + 1) * list.width / count - 1;
    int middle = list.y + list.height / 2;
    int bx1 = left + 4, bx2 = left + 15, by1 = middle - 6, by2 = middle + 5;
    Tools_Device box = list;
    box.options = 0;
    box.red = box.green = box.blue = (list.options & CHECKLIST_NO_SELECT) ? 200 : 245;
    Tools::Fill(box, 0, bx1, bx2, by1, by2);
    Tools::Cadre(box, 0, 1, 1, bx1, bx2, by1, by2);
    if (i == list.selected) Tools::Fill_Select(box, 1, nullptr, 0, 1, 2, bx1, bx2, by1, by2);
    Tools::Text(list, list.font, list.List[i].c_str(), (list.options & OPT_HIGHLIGHT_TEXT) | OPT_TEXT_LEFT,
                bx2 - 2, list.y, right - bx2 + 2, list.height);
    if (i == list.hover && !(list.options & CHECKLIST_NO_SELECT)) Tools::Cadre_Outline(list, left, right, list.y, list.y + list.height - 1);
  }
}

int CheckLists::Read(CheckList &list)
{
  Tools_Check_State(list, "CheckLists::Read");
  return list.selected;
}

int CheckLists::Select(CheckList &list, int mode)
{
  Tools_Check_State(list, "CheckLists::Select");
  int mx = 0, my = 0, index = -1;
  if (Tools_Mouse_In(list.window, mx, my)) index = CheckLists::Choice_At(list, mx, my);
  if ((mode & 0xF) == 4) return index >= 0;
  if (list.options & CHECKLIST_NO_SELECT) return 0;
  if ((mode & 0xF) == 2 && index >= 0) {
    list.selected = index;
    list.hover = index;
    CheckLists::Draw(list);
    return 1;
  }
  if (index != list.hover) {
    list.hover = index;
    CheckLists::Draw(list);
  }
  return index >= 0;
}

void CheckLists::Deselect(CheckList &list)
{
  Tools_Check_State(list, "CheckLists::Deselect");
  if (list.hover == -1) return;
  list.hover = -1;
  CheckLists::Draw(list);
}
