// Message boxes. On a display the box is a small topmost window of its own class: an icon
// disc, the text wrapped to lines, and one or two buttons; it is made modal and run by a
// nested message loop until a button, a key or the close box answers it. The box draws
// itself with the platform fonts and plain fills (the widget toolkit sits above this
// layer). Without a display (headless, or the system not started) the box is written to
// standard error and answered from the scripted replies.
//
// Index: scripted replies / text layout / drawing / the box window / Message_Box.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/window/font.h"
#include "platform/window/message_box.h"
#include "platform/window/window_internal.h"
#include "util/message_log.h"

static const char *const BOX_CLASS = "Harrowdesk Message Box";
static std::atomic<int> boxes_answered{0};

// ---- scripted replies -------------------------------------------------------------------------------------------

static std::mutex script_lock;
static std::deque<int> script;
static bool script_from_environment = false;

// Appends the replies of a comma-separated list (script_lock held).
static void Script_Append(const char *answers)
{
  std::string word;
  for (const char *p = answers;; p++) {
    if (*p && *p != ',') {
      if (*p != ' ') word += *p;
      continue;
    }
    if (strcasecmp(word.c_str(), "yes") == 0) script.push_back(IDYES);
    else if (strcasecmp(word.c_str(), "no") == 0) script.push_back(IDNO);
    else if (strcasecmp(word.c_str(), "ok") == 0) script.push_back(IDOK);
    else if (!word.empty()) Message_Log(nullptr, MSG_WARNING, "Message_Box_Script: unknown answer \"%s\"", word.c_str());
    word.clear();
    if (!*p) break;
  }
}

void Message_Box_Script(const char *answers)
{
  std::lock_guard<std::mutex> lock(script_lock);
  script_from_environment = true;  // an explicit script replaces the environment's
  script.clear();
  if (answers) Script_Append(answers);
}

int Message_Box_Count() { return boxes_answered; }

// The safe answer of a box nobody answered: OK, or No for a question.
static int Default_Answer(unsigned type) { return (type & 0x0F) == MB_YESNO ? IDNO : IDOK; }

// Answers a box from the script and writes it to standard error.
static int Box_Scripted(const char *text, const char *caption, unsigned type)
{
  int answer = Default_Answer(type);
  {
    std::lock_guard<std::mutex> lock(script_lock);
    if (!script_from_environment) {
      script_from_environment = true;
      if (const char *env = getenv("HARROWDESK_BOX_ANSWERS")) Script_Append(env);
    }
    if (!script.empty()) {
      int scripted = script.front();
      script.pop_front();
      bool question = (type & 0x0F) == MB_YESNO;
      if (question ? scripted != IDOK : scripted == IDOK) answer = scripted;
    }
  }
  const char *word = answer == IDYES ? "Yes" : answer == IDNO ? "No" : "OK";
  fprintf(stderr, "[box] %s: %s -> %s\n", caption, text, word);
  boxes_answered++;
  return answer;
}

// ---- text layout --------------------------------------------------------------------------------------------------

// UTF-8 when the text is valid UTF-8, else one character per byte (Latin-1).
static std::wstring Wide_Text(const char *text)
{
  std::wstring wide;
  const unsigned char *p = (const unsigned char *)text;
  for (; *p; p++) {
    unsigned code = *p, extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
    bool valid = code < 0x80 || (code >= 0xC2 && code <= 0xF4);
    for (unsigned k = 1; valid && k <= extra; k++) valid = (p[k] & 0xC0) == 0x80;
    if (!valid || code < 0x80) {
      wide += (wchar_t)code;
      continue;
    }
    code &= 0x3F >> extra;
    for (unsigned k = 1; k <= extra; k++) code = (code << 6) | (p[k] & 0x3F);
    wide += (wchar_t)code;
    p += extra;
  }
  return wide;
}

// Splits a paragraph into lines at most `limit` pixels wide, at blanks where possible.
static void Wrap_Paragraph(Font_Handle font, const std::wstring &paragraph, int limit, std::vector<std::wstring> *lines)
{
  std::wstring line;
  size_t start = 0;
  while (start <= paragraph.size()) {
    size_t end = paragraph.find(L' ', start);
    if (end == std::wstring::npos) end = paragraph.size();
    std::wstring word = paragraph.substr(start, end - start);
    std::wstring joined = line.empty() ? word : line + L" " + word;
    if (Font_Text_Width(font, joined.c_str(), -1) <= limit) {
      line = joined;
    } else {
      if (!line.empty()) lines->push_back(line);
      line.clear();
      for (wchar_t character : word) {  // a word wider than the box is cut anywhere
        if (!line.empty() && Font_Text_Width(font, (line + character).c_str(), -1) > limit) {
          lines->push_back(line);
          line.clear();
        }
        line += character;
      }
    }
    start = end + 1;
  }
  lines->push_back(line);
}

// ---- the box record and drawing ----------------------------------------------------------------------------------

static const int PAD = 16, ICON = 32, GAP = 14, BUTTON_HEIGHT = 26, BUTTON_GAP = 10, TEXT_LIMIT = 440;

struct Box {
  unsigned type = MB_OK;
  std::vector<std::wstring> lines;
  Font_Handle font = nullptr, icon_font = nullptr;
  int line_height = 0, width = 0, height = 0;
  int button_count = 1, button_width = 80, buttons_x = 0, buttons_y = 0;
  int hover = -1, pressed = -1;  // button index under the mouse, and held
  int answer = 0;
};

static const wchar_t *Button_Label(const Box &box, int index)
{
  if (box.button_count == 1) return L"OK";
  return index == 0 ? L"Yes" : L"No";
}

static int Button_Answer(const Box &box, int index)
{
  if (box.button_count == 1) return IDOK;
  return index == 0 ? IDYES : IDNO;
}

static void Box_Layout(Box *box, const char *text)
{
  Font_Metrics metrics;
  Font_Get_Metrics(box->font, &metrics);
  box->line_height = metrics.height;
  std::wstring wide = Wide_Text(text);
  std::replace(wide.begin(), wide.end(), L'\t', L' ');
  size_t start = 0;
  for (;;) {
    size_t end = wide.find(L'\n', start);
    Wrap_Paragraph(box->font, wide.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start),
                   TEXT_LIMIT, &box->lines);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  int text_width = 0;
  for (const auto &line : box->lines) text_width = std::max(text_width, Font_Text_Width(box->font, line.c_str(), -1));
  box->button_count = (box->type & 0x0F) == MB_YESNO ? 2 : 1;
  int buttons_width = box->button_count * box->button_width + (box->button_count - 1) * BUTTON_GAP;
  int content_height = std::max(ICON, (int)box->lines.size() * box->line_height);
  box->width = std::max({PAD + ICON + GAP + text_width + PAD, buttons_width + 2 * PAD, 260});
  box->buttons_x = (box->width - buttons_width) / 2;
  box->buttons_y = PAD + content_height + 18;
  box->height = box->buttons_y + BUTTON_HEIGHT + PAD;
}

static void Fill(const Window_Surface &surface, int x, int y, int width, int height, uint32_t colour)
{
  int left = std::max(surface.clip_left, surface.origin_x + x);
  int right = std::min(surface.clip_right, surface.origin_x + x + width);
  int top = std::max(surface.clip_top, surface.origin_y + y);
  int bottom = std::min(surface.clip_bottom, surface.origin_y + y + height);
  for (int row = top; row < bottom; row++) std::fill(surface.frame->Row(row) + left, surface.frame->Row(row) + right, colour);
}

// A one-pixel frame: top and left edges in `light`, bottom and right in `dark`.
static void Frame(const Window_Surface &surface, int x, int y, int width, int height, uint32_t light, uint32_t dark)
{
  Fill(surface, x, y, width, 1, light);
  Fill(surface, x, y, 1, height, light);
  Fill(surface, x, y + height - 1, width, 1, dark);
  Fill(surface, x + width - 1, y, 1, height, dark);
}

static void Draw_Icon(const Box &box, const Window_Surface &surface)
{
  unsigned icon = box.type & 0xF0;
  uint32_t disc = 0x2050C8, mark_colour = 0xFFFFFF;
  const wchar_t *mark = L"i";
  if (icon == MB_ICONERROR) disc = 0xC82828, mark = L"!";
  else if (icon == MB_ICONQUESTION) mark = L"?";
  else if (icon == MB_ICONWARNING) disc = 0xF0C800, mark = L"!", mark_colour = 0x000000;
  int radius = ICON / 2, centre_x = PAD + radius, centre_y = PAD + radius;
  for (int dy = -radius; dy < radius; dy++)
    for (int dx = -radius; dx < radius; dx++) {
      int distance = (2 * dx + 1) * (2 * dx + 1) + (2 * dy + 1) * (2 * dy + 1);
      if (distance <= 4 * radius * radius) Fill(surface, centre_x + dx, centre_y + dy, 1, 1, disc);
    }
  Font_Metrics metrics;
  if (!Font_Get_Metrics(box.icon_font, &metrics)) return;
  int mark_width = Font_Text_Width(box.icon_font, mark, -1);
  Font_Draw_Text(box.icon_font, surface, centre_x - mark_width / 2, centre_y - metrics.height / 2, mark, -1,
                 mark_colour, 255);
}

static void Draw_Button(const Box &box, const Window_Surface &surface, int index)
{
  int x = box.buttons_x + index * (box.button_width + BUTTON_GAP), y = box.buttons_y;
  bool pressed = box.pressed == index && box.hover == index;
  Fill(surface, x, y, box.button_width, BUTTON_HEIGHT, box.hover == index ? 0xE6E6E6 : 0xD0D0D0);
  Frame(surface, x, y, box.button_width, BUTTON_HEIGHT, 0x000000, 0x000000);
  if (pressed) Frame(surface, x + 1, y + 1, box.button_width - 2, BUTTON_HEIGHT - 2, 0x6E6E6E, 0xF0F0F0);
  else Frame(surface, x + 1, y + 1, box.button_width - 2, BUTTON_HEIGHT - 2, 0xFFFFFF, 0x6E6E6E);
  if (index == 0) Frame(surface, x + 3, y + 3, box.button_width - 6, BUTTON_HEIGHT - 6, 0x4040E6, 0x4040E6);
  const wchar_t *label = Button_Label(box, index);
  int label_x = x + (box.button_width - Font_Text_Width(box.font, label, -1)) / 2 + (pressed ? 1 : 0);
  int label_y = y + (BUTTON_HEIGHT - box.line_height) / 2 + (pressed ? 1 : 0);
  Font_Draw_Text(box.font, surface, label_x, label_y, label, -1, 0x000000, 255);
}

static void Box_Draw(Window_Handle window, const Box &box)
{
  Window_Surface surface;
  if (!Window_Surface_Get(window, &surface)) return;
  Fill(surface, 0, 0, surface.width, surface.height, 0xD8D8D8);
  Draw_Icon(box, surface);
  int text_x = PAD + ICON + GAP;
  int text_y = PAD + std::max(0, (ICON - (int)box.lines.size() * box.line_height) / 2);
  for (size_t i = 0; i < box.lines.size(); i++)
    Font_Draw_Text(box.font, surface, text_x, text_y + (int)i * box.line_height, box.lines[i].c_str(), -1, 0x000000,
                   255);
  for (int index = 0; index < box.button_count; index++) Draw_Button(box, surface, index);
  Window_Surface_Release(window);
}

// ---- the box window -----------------------------------------------------------------------------------------------

static int Button_At(const Box &box, intptr_t lparam)
{
  int x = Point_X(lparam), y = Point_Y(lparam);
  if (y < box.buttons_y || y >= box.buttons_y + BUTTON_HEIGHT) return -1;
  for (int index = 0; index < box.button_count; index++) {
    int left = box.buttons_x + index * (box.button_width + BUTTON_GAP);
    if (x >= left && x < left + box.button_width) return index;
  }
  return -1;
}

static intptr_t Box_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  Box *box = (Box *)Window_Get_Data(window);
  if (message == WM_CREATE) Window_Set_Data(window, lparam ? (void *)lparam : nullptr);
  if (!box) return Window_Default_Proc(window, message, wparam, lparam);
  bool question = box->button_count == 2;
  switch (message) {
  case WM_PAINT: Box_Draw(window, *box); return 0;
  case WM_MOUSEMOVE: {
    int hover = Button_At(*box, lparam);
    if (hover != box->hover) {
      box->hover = hover;
      Box_Draw(window, *box);
    }
    return 0;
  }
  case WM_LBUTTONDOWN:
    box->pressed = box->hover = Button_At(*box, lparam);
    if (box->pressed >= 0) Window_Set_Capture(window);
    Box_Draw(window, *box);
    return 0;
  case WM_LBUTTONUP: {
    int released = Button_At(*box, lparam);
    if (box->pressed >= 0 && released == box->pressed) box->answer = Button_Answer(*box, released);
    box->pressed = -1;
    Window_Release_Capture();
    Box_Draw(window, *box);
    return 0;
  }
  case WM_KEYDOWN:
    if (wparam == VK_RETURN || wparam == VK_SPACE) box->answer = question ? IDYES : IDOK;
    else if (wparam == VK_ESCAPE) box->answer = question ? IDNO : IDOK;
    else if (question && wparam == 'Y') box->answer = IDYES;
    else if (question && wparam == 'N') box->answer = IDNO;
    return 0;
  case WM_CLOSE: box->answer = question ? IDNO : IDOK; return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}

// The box's screen position: centred over the owner's window, else on the screen.
static void Box_Place(Window_Handle owner, const Box &box, int *x, int *y)
{
  int left = 0, top = 0, width = 0, height = 0;
  Window_Handle owner_top = Window_Get_Top(owner);
  if (!owner_top || !Window_Get_Position(owner_top, &left, &top) || !Window_Get_Client_Size(owner_top, &width, &height))
    Window_Screen_Size(&width, &height);
  *x = std::max(0, left + (width - box.width) / 2);
  *y = std::max(0, top + (height - box.height) / 2);
}

// Shows the box and runs the nested loop (user-interface thread). Returns the answer, or 0
// when no window could be made.
static int Box_Run(Window_Handle owner, const char *text, const char *caption, unsigned type)
{
  if (!Window_Class_Exists(BOX_CLASS)) {
    Window_Class box_class;
    box_class.name = BOX_CLASS;
    box_class.procedure = Box_Proc;
    if (!Window_Class_Register(box_class)) return 0;
  }
  Box box;
  box.type = type;
  box.font = Font_Create("Arial", FONT_WEIGHT_NORMAL, 0, 15);
  box.icon_font = Font_Create("Arial", FONT_WEIGHT_BOLD, 0, 22);
  if (!box.font) {
    Font_Release(box.icon_font);
    return 0;
  }
  Box_Layout(&box, text);
  int x, y;
  Box_Place(owner, box, &x, &y);
  Window_Handle window = Window_Create(WS_EX_TOPMOST, BOX_CLASS, caption, WS_CAPTION | WS_SYSMENU, x, y, box.width,
                                       box.height, owner, 0, &box);
  int answer = 0;
  if (window) {
    Window_Handle previous_modal = Window_Set_Modal(window);
    Window_Handle previous_focus = Window_Get_Focus();
    Window_Show(window, SW_SHOW);
    Window_Raise(window);
    Window_Set_Focus(window);
    bool quit = false;
    int quit_value = 0;
    Window_Message msg;
    while (!box.answer && Window_Is_Window(window)) {
      int got = Window_Get_Message(&msg);
      if (got <= 0) {
        quit = got == 0;
        quit_value = (int)(intptr_t)msg.wparam;
        break;
      }
      Window_Translate_Message(&msg);
      Window_Dispatch_Message(&msg);
    }
    answer = box.answer ? box.answer : Default_Answer(type);
    Window_Destroy(window);
    Window_Set_Modal(previous_modal);
    if (Window_Is_Window(previous_focus)) Window_Set_Focus(previous_focus);
    if (quit) Window_Post_Quit(quit_value);
    boxes_answered++;
  }
  Font_Release(box.font);
  Font_Release(box.icon_font);
  return answer;
}

// ---- Message_Box ------------------------------------------------------------------------------------------------------

int Message_Box(Window_Handle owner, const char *text, const char *caption, unsigned type)
{
  if (!text) text = "";
  if (!caption || !caption[0]) caption = (type & 0xF0) == MB_ICONERROR ? "Error" : "Harrowdesk";
  int answer = 0;
  if (Window_System_Backend() == WINDOW_BACKEND_SDL)
    answer = (int)Window_Run_On_UI([&]() -> intptr_t { return Box_Run(owner, text, caption, type); });
  return answer ? answer : Box_Scripted(text, caption, type);
}

int Message_Box_For_Log(Window_Handle owner, int kind, const char *text, const char *caption)
{
  if (kind == MSG_QUESTION) return Message_Box(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
  Message_Box(owner, text, caption, MB_OK | (kind == MSG_ERROR ? MB_ICONERROR : MB_ICONINFORMATION));
  return 1;
}
