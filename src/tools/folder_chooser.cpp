// The folder chooser window. Its record lives in the window's data from WM_CREATE to
// WM_DESTROY; the answer is kept in a small table after the window is gone, so the
// caller can still read it.
#include "tools/folder_chooser.h"

#include <map>
#include <memory>

#include "platform/window/window_messages.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/button.h"
#include "tools/dirtree.h"
#include "tools/keys.h"
#include "tools/tools.h"

struct Chooser {
  Dir_Tree tree;
  Button ok, cancel;
  std::string start;
  int wheel = 0;
};

static std::map<Window_Handle, std::pair<int, std::string>> answers;  // -1 open, 0 cancelled, 1 chosen

static void Chooser_Layout(Window_Handle window, Chooser &c, int width, int height)
{
  int m = TOOLS_MARGIN, bh = TOOLS_BUTTON_HEIGHT;
  c.tree.x = (uint16_t)m;
  c.tree.y = (uint16_t)(2 * m + bh);
  c.tree.width = (int16_t)(width - 2 * m);
  c.tree.height = (int16_t)(height - 3 * m - bh);
  c.tree.red = c.tree.green = c.tree.blue = 200;
  c.tree.font_style = "bold";
  c.tree.font_size = 10;
  c.tree.title = "Folder:";
  DirTrees::Init(c.tree, window);
  Button *buttons[2] = {&c.ok, &c.cancel};
  const char *labels[2] = {"OK", "Cancel"};
  for (int i = 0; i < 2; i++) {
    Button &b = *buttons[i];
    b.text = labels[i];
    b.name = labels[i];
    b.width = 90;
    b.height = (int16_t)bh;
    b.x = (uint16_t)(width - m - (2 - i) * 96);
    b.y = (uint16_t)m;
    b.font_style = "bold";
    b.font_size = 10;
    Buttons::Init(b, window);
  }
}

static void Chooser_Paint(Window_Handle window, Chooser &c)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
  Tools_Device back;
  back.window = window;
  back.state = 1;
  back.width = (int16_t)width;
  back.height = (int16_t)height;
  back.y = 1;
  Tools::Clear(back, TOOLS_GREY);
  DirTrees::Dir_Tree_Draw2(c.tree);
  c.ok.Draw();
  c.cancel.Draw();
}

static void Chooser_Answer(Window_Handle window, Chooser &c, int chosen)
{
  std::string path = DirTrees::Read(c.tree);
  answers[window] = {chosen && !path.empty() ? 1 : 0, chosen ? path : std::string()};
  Window_Destroy(window);
}

static intptr_t Chooser_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  Chooser *c = (Chooser *)Window_Get_Data(window);
  switch (message) {
  case WM_CREATE:
    Window_Set_Data(window, lparam ? (void *)lparam : nullptr);
    return 0;
  case WM_SIZE:
    if (c && Point_X(lparam) > 0) {
      Chooser_Layout(window, *c, Point_X(lparam), Point_Y(lparam));
      if (!c->start.empty()) DirTrees::Set_Path(c->tree, c->start), c->start.clear();
    }
    return 0;
  case WM_PAINT:
    if (c) Chooser_Paint(window, *c);
    return 0;
  case WM_MOUSEMOVE:
    if (!c) return 0;
    Tools_Set_Mouse_From_Message(window, lparam);
    DirTrees::Select(c->tree, (wparam & MK_LBUTTON) ? 1 : 0);
    c->ok.Select(0);
    c->cancel.Select(0);
    return 0;
  case WM_LBUTTONDOWN:
    if (!c) return 0;
    Tools_Set_Mouse_From_Message(window, lparam);
    if (c->ok.Select(2)) Chooser_Answer(window, *c, 1);
    else if (c->cancel.Select(2)) Chooser_Answer(window, *c, 0);
    else DirTrees::Select(c->tree, 2);
    return 0;
  case WM_LBUTTONUP:
    if (c) Tools_Set_Mouse_From_Message(window, lparam), DirTrees::Select(c->tree, 0);
    return 0;
  case WM_MOUSEWHEEL:
    if (!c) return 0;
    c->wheel += Wheel_Delta(wparam);
    if (c->wheel / 120 != 0) DirTrees::Scroll(c->tree, -(c->wheel / 120));
    c->wheel %= 120;
    return 0;
  case WM_KEYDOWN:
  case WM_CHAR: {
    if (!c) return 0;
    int key = Tools_Key_Translate(window, message, wparam, lparam);
    if (key == 0x0D || key == 0x100D) Chooser_Answer(window, *c, 1);
    else if (key == 0x1068 || key == 0x1062) DirTrees::Scroll(c->tree, key == 0x1068 ? -1 : 1);
    return 0;
  }
  case WM_CLOSE:
    if (c) Chooser_Answer(window, *c, 0);
    return 0;
  case WM_DESTROY:
    if (answers.count(window) == 0) answers[window] = {0, ""};
    if (c) {
      Window_Set_Data(window, nullptr);
      delete c;
    }
    return 0;
  default:
    return Window_Default_Proc(window, message, wparam, lparam);
  }
}

Window_Handle Folder_Chooser_Open(Window_Handle owner, const char *title, const std::string &start)
{
  static bool registered = false;
  if (!registered) {
    Window_Class chooser_class;
    chooser_class.name = "Folder_Chooser";
    chooser_class.procedure = Chooser_Proc;
    chooser_class.background = 0xAAAAAA;
    registered = Window_Class_Register(chooser_class);
    if (!registered) return nullptr;
  }
  auto c = std::make_unique<Chooser>();
  c->start = start;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = 420, height = 480;
  if (owner && Window_Get_Position(Window_Get_Top(owner), &x, &y)) x += 40, y += 40;
  Chooser *record = c.release();
  Window_Handle window = Window_Create(0, "Folder_Chooser", title ? title : "Choose a folder",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height, owner, 0, record);
  if (!window) {
    delete record;
    return nullptr;
  }
  answers[window] = {-1, ""};
  return window;
}

int Folder_Chooser_State(Window_Handle chooser, std::string &folder)
{
  auto found = answers.find(chooser);
  if (found == answers.end()) return 0;
  if (found->second.first == 1) folder = found->second.second;
  int state = found->second.first;
  if (state != -1) answers.erase(found);
  return state;
}

int Folder_Choose(Window_Handle owner, const char *title, const std::string &start, std::string &folder)
{
  Window_Handle window = Folder_Chooser_Open(owner, title, start);
  if (!window) return 0;
  Window_Handle previous = Window_Set_Modal(window);
  Window_Message msg;
  while (Window_Is_Window(window)) {
    int got = Window_Get_Message(&msg);
    if (got <= 0) {
      if (got == 0) Window_Post_Quit((int)msg.wparam);
      if (Window_Is_Window(window)) Window_Destroy(window);
      break;
    }
    Window_Translate_Message(&msg);
    Window_Dispatch_Message(&msg);
  }
  Window_Set_Modal(previous);
  return Folder_Chooser_State(window, folder) == 1;
}
