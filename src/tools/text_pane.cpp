// Text panes. The lines keep the program's UTF-8 texts decoded to code points, display
// codes included; drawing walks each visible line, drawing the run before each code in
// the current colour and font and then switching. The pane's lines and view are changed
// and drawn under the drawing lock, because workers write into the progress window's pane.
//
// A line holds three kinds of elements: characters (their code points; the colour codes
// 0x01..0x06 among them), font codes, and raw bytes, the bytes of a text that are no
// well-formed UTF-8 (a file name on disk may hold any bytes). Font codes and raw bytes
// are stored above U+10FFFF, where no character can be taken for them: the font byte
// 0xF1 and the character U+00F1 stay apart. A raw byte is drawn as its Latin-1
// character and read back as the byte itself, so a path written to a field reads back
// unchanged.
//
// Index: line elements / layout / drawing / writing / input and scrolling / Init and cleanup.
#include "tools/text_pane.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tools/tools.h"
#include "tools/y_font.h"
#include "tools/y_surface.h"
#include "util/utf8.h"

// Holds the drawing lock for a scope.
struct Pane_Lock {
  Pane_Lock() { Window_Drawing_Lock(); }
  ~Pane_Lock() { Window_Drawing_Unlock(); }
};

// ---- line elements -----------------------------------------------------------------------

enum : wchar_t {
  COLOUR_CODE_FIRST = 0x01,  // blue ... green: the colour codes, stored as they are
  COLOUR_CODE_LAST = 0x06,
  FIRST_SHOWN = 0x20,        // below: codes and control characters, never drawn (tab aside)
  FONT_CODE = 0x110000,      // + 0, 1, 2: the font bytes 0xF0..0xF2 (regular, bold, italic)
  RAW_BYTE = 0x110100,       // + the byte: a byte that is no well-formed UTF-8
};
enum : unsigned char { FONT_BYTE_FIRST = 0xF0, FONT_BYTE_LAST = 0xF2 };
enum : unsigned char {
  UTF8_CONTINUATION_MASK = 0xC0,  // a continuation byte is 10xxxxxx
  UTF8_CONTINUATION_BITS = 0x80,
  UTF8_LEAD_LOWEST = 0xC2,        // the lowest byte that starts a character of two bytes or more
  UTF8_CONTINUATIONS_MAX = 3,
};

static bool Is_Font_Code(wchar_t c) { return c >= FONT_CODE && c <= FONT_CODE + (FONT_BYTE_LAST - FONT_BYTE_FIRST); }

// The character drawn for an element: itself, the Latin-1 character of a raw byte; 0 for
// a code or a control character (a tab is drawn: it advances).
static wchar_t Shown(wchar_t c)
{
  if (c >= RAW_BYTE) return c - RAW_BYTE;
  if (Is_Font_Code(c) || (c < FIRST_SHOWN && c != L'\t')) return 0;
  return c;
}

// ---- layout -------------------------------------------------------------------------------

struct Pane_Area {
  int x1, x2, y1, y2, rows;
};

static Pane_Area Area_Of(const Text_Pane &pane)
{
  int d = Tools_Depth(pane.depth);
  Pane_Area area;
  area.x1 = pane.x + d + 4;
  area.x2 = pane.x + pane.width - 1 - d - 2 - ((pane.options & TEXT_VSCROLL) ? TOOLS_SLIDER_WIDTH : 0);
  area.y1 = pane.y + d + 1 + ((pane.options & TEXT_HSCROLL) ? TOOLS_SLIDER_WIDTH : 0);
  area.y2 = pane.y + pane.height - 1 - d - 1;
  area.rows = pane.line_height > 0 ? std::max(1, (area.y2 - area.y1 + 1) / pane.line_height) : 1;
  return area;
}

// The width of a line without its display codes, in the bold face (the widest).
static int Line_Width(const Text_Pane &pane, const std::wstring &line)
{
  std::wstring shown;
  for (wchar_t c : line)
    if (wchar_t character = Shown(c)) shown.push_back(character);
  const Font_Record *font = pane.fonts[1] ? pane.fonts[1] : pane.font ? pane.font : Y_System_Font();
  return Y_Text_Extent(font, shown);
}

static int Bottom_Line_Max(const Text_Pane &pane) { return std::max(0, (int)pane.lines.size() - Area_Of(pane).rows); }

void Texts::Rescale_Cursor(Text_Pane &pane)
{
  int d = Tools_Depth(pane.depth);
  Pane_Area area = Area_Of(pane);
  int vbar_y = pane.y + d + ((pane.options & TEXT_HSCROLL) ? TOOLS_SLIDER_WIDTH : 0);
  double bottom = Bottom_Line_Max(pane);
  pane.hbar.step = std::max(1, 4 * pane.char_width);
  Sliders::Place(pane.vbar, pane, true, pane.x + pane.width - 1 - d - TOOLS_SLIDER_WIDTH, vbar_y, TOOLS_SLIDER_WIDTH,
                 pane.y + pane.height - d - vbar_y, bottom, pane.at_newest ? bottom : pane.top_line);
  Sliders::Place(pane.hbar, pane, false, pane.x + d, pane.y + d, area.x2 + 2 - pane.x - d, TOOLS_SLIDER_WIDTH,
                 std::max(0, pane.widest - (area.x2 - area.x1 + 1)), pane.scroll_x);
}

// ---- drawing --------------------------------------------------------------------------------

static uint32_t Code_Colour(wchar_t code)
{
  static const uint32_t colours[7] = {0, TOOLS_BLUE, TOOLS_BLACK, TOOLS_WHITE, TOOLS_RED, TOOLS_YELLOW,
                                      Tools_Pack(0, 160, 0)};
  return colours[code];
}

// Draws one line with its display codes from x, its line box from y_bottom.
static void Draw_Line(Y_Context &context, const Text_Pane &pane, const std::wstring &line, int x, int y_bottom)
{
  uint32_t colour = TOOLS_BLACK;
  const Font_Record *font = pane.fonts[0] ? pane.fonts[0] : Y_System_Font();
  std::wstring run;
  auto flush = [&]() {
    if (run.empty()) return;
    Y_Draw_Text(context, font, x, y_bottom, run, colour);
    x += Y_Text_Extent(font, run);
    run.clear();
  };
  for (wchar_t c : line) {
    if (c >= COLOUR_CODE_FIRST && c <= COLOUR_CODE_LAST) {
      flush();
      colour = Code_Colour(c);
    } else if (Is_Font_Code(c)) {
      flush();
      const Font_Record *chosen = pane.fonts[c - FONT_CODE];
      if (chosen) font = chosen;
    } else if (wchar_t character = Shown(c)) {
      run.push_back(character);
    }
  }
  flush();
}

void Text::Draw(Text_Pane &pane)
{
  Tools_Check_State(pane, "Text::Draw");
  if (pane.width < 1 || pane.height < 1) return;
  Pane_Lock lock;
  int d = Tools_Depth(pane.depth), x2 = pane.x + pane.width - 1, y2 = pane.y + pane.height - 1;
  Tools::Fill(pane, 0, pane.x, x2, pane.y, y2);
  Tools::Cadre(pane, pane.options & OPT_NO_OUTLINE, 1, d, pane.x, x2, pane.y, y2);
  Pane_Area area = Area_Of(pane);
  Tools_Device inside = pane;
  inside.clip_x = (int16_t)area.x1;
  inside.clip_y = (int16_t)area.y1;
  inside.clip_width = (int16_t)(area.x2 - area.x1 + 1);
  inside.clip_height = (int16_t)(area.y2 - area.y1 + 1);
  if (inside.clip_width > 0 && inside.clip_height > 0 && pane.line_height > 0) {
    int count = (int)pane.lines.size();
    int first = pane.at_newest ? Bottom_Line_Max(pane) : std::clamp(pane.top_line, 0, Bottom_Line_Max(pane));
    int shown = std::min(area.rows, count - first);
    int top = area.y2 + 1;
    if (area.rows == 1 && !(pane.options & OPT_TEXT_BOTTOM))
      top = area.y1 + (area.y2 - area.y1 + 1 + pane.line_height) / 2;
    Y_Scope dc(inside, "Text::Draw");
    for (int r = 0; dc && r < shown; r++)
      Draw_Line(*dc, pane, pane.lines[first + r], area.x1 - pane.scroll_x, top - (r + 1) * pane.line_height);
  }
  if (pane.options & TEXT_VSCROLL) Sliders::Draw(pane.vbar);
  if (pane.options & TEXT_HSCROLL) Sliders::Draw(pane.hbar);
}

void Texts::Re_Write(Text_Pane &pane) { Text::Draw(pane); }

// ---- writing ----------------------------------------------------------------------------------

// A text cut to the buffer may end inside a UTF-8 character: that part is dropped
// rather than shown as stray bytes.
static void Drop_Cut_Character(char *text, size_t length)
{
  size_t lead = length;  // walk back over the last character's continuation bytes
  while (lead > 0 && length - lead < UTF8_CONTINUATIONS_MAX &&
         ((unsigned char)text[lead - 1] & UTF8_CONTINUATION_MASK) == UTF8_CONTINUATION_BITS)
    lead--;
  if (lead == 0 || (unsigned char)text[lead - 1] < UTF8_LEAD_LOWEST) return;  // no longer character begins there
  const unsigned char *p = (const unsigned char *)text + lead - 1;
  if (Utf8_Next(&p, (const unsigned char *)text + length) == UTF8_INVALID) text[lead - 1] = 0;
}

// Appends a text to the newest line: a line feed starts a new line, a carriage return
// is left out, UTF-8 becomes characters (the colour codes among them), and a byte that
// starts no character becomes a font code when it is a font byte, else a raw byte. So a
// font byte that starts a well-formed four-byte character is that character; the display
// codes never do, since the text after a code starts with no continuation byte.
static void Lines_Append(Text_Pane &pane, const char *text)
{
  const unsigned char *p = (const unsigned char *)text, *end = p + strlen(text);
  while (p < end) {
    unsigned char first = *p;
    int32_t code = Utf8_Next(&p, end);
    if (code == '\n') pane.lines.emplace_back();
    else if (code == UTF8_INVALID && first >= FONT_BYTE_FIRST && first <= FONT_BYTE_LAST)
      pane.lines.back().push_back((wchar_t)(FONT_CODE + (first - FONT_BYTE_FIRST)));
    else if (code == UTF8_INVALID) pane.lines.back().push_back((wchar_t)(RAW_BYTE + first));
    else if (code != '\r') pane.lines.back().push_back((wchar_t)code);
  }
}

// Adds (replace = false) or replaces the newest line with the formatted text.
static void Pane_Put(Text_Pane &pane, bool replace, const char *operation, const char *format, va_list args)
{
  if (pane.state == 0) return;
  Tools_Check_State(pane, operation);
  char text[256];
  int length = vsnprintf(text, sizeof text, format, args);
  if (length >= (int)sizeof text) Drop_Cut_Character(text, sizeof text - 1);
  Pane_Lock lock;
  if ((replace || (pane.options & TEXT_ONE_LINE)) && !pane.lines.empty()) pane.lines.pop_back();
  if (pane.options & TEXT_ONE_LINE) pane.lines.clear();
  size_t first_new = pane.lines.size();
  pane.lines.emplace_back();
  Lines_Append(pane, text);
  for (size_t i = first_new; i < pane.lines.size(); i++) pane.widest = std::max(pane.widest, Line_Width(pane, pane.lines[i]));
  while (pane.lines.size() > TEXT_MAX_LINES) pane.lines.pop_front();
  if (pane.options & TEXT_VSCROLL) pane.at_newest = true;
  if (pane.options & TEXT_HSCROLL) pane.scroll_x = 0;
  Texts::Rescale_Cursor(pane);
  Text::Draw(pane);
}

void Text::Write(Text_Pane &pane, const char *format, ...)
{
  va_list args;
  va_start(args, format);
  Pane_Put(pane, false, "Text::Write", format, args);
  va_end(args);
}

void Text::OverWrite(Text_Pane &pane, const char *format, ...)
{
  va_list args;
  va_start(args, format);
  Pane_Put(pane, true, "Text::OverWrite", format, args);
  va_end(args);
}

std::string Text::Read(Text_Pane &pane)
{
  Tools_Check_State(pane, "Text::Read");
  std::string text;
  if (pane.lines.empty()) return text;
  for (wchar_t c : pane.lines.back()) {
    if (c >= RAW_BYTE) text.push_back((char)(c - RAW_BYTE));
    else if (c >= FIRST_SHOWN && !Is_Font_Code(c)) Utf8_Append(text, (uint32_t)c);
  }
  return text;
}

int Texts::Read_Echo(Text_Pane &pane, std::string &text)
{
  if (!pane.entry_done) return 0;
  pane.entry_done = false;
  text = Text::Read(pane);
  return 1;
}

// ---- input and scrolling -------------------------------------------------------------------------

int Text::Input(Text_Pane &pane, int key)
{
  Tools_Check_State(pane, "Text::Input");
  int code = key & 0xFF;
  if (key == 0x100D || (key & ~0x100) == 0x0D) {
    pane.entry_done = true;
    return 1;
  }
  if (key & 0x600 || (key & 0x1000)) return 0;
  Pane_Lock lock;
  if (pane.lines.empty()) pane.lines.emplace_back();
  std::wstring &line = pane.lines.back();
  if (code == 0x08) {
    if (!line.empty()) line.pop_back();
  } else if (code >= 0x20) {
    line.push_back((wchar_t)code);
  } else {
    return 0;
  }
  pane.entry_done = false;
  Text::Draw(pane);
  return 0;
}

void Text::Scroll(Text_Pane &pane, int steps)
{
  Tools_Check_State(pane, "Text::Scroll");
  Pane_Lock lock;
  int max = Bottom_Line_Max(pane);
  int top = pane.at_newest ? max : pane.top_line;
  top = std::clamp(top - steps, 0, max);
  pane.top_line = top;
  pane.at_newest = top >= max;
  Texts::Rescale_Cursor(pane);
  Text::Draw(pane);
}

int Text::Select(Text_Pane &pane, int mode)
{
  Tools_Check_State(pane, "Text::Select");
  int inside = Tools_Mouse_Over(pane, pane.x, pane.y, pane.width, pane.height);
  if ((mode & 0xF) == 4) return inside;
  Pane_Lock lock;
  bool moved = false;
  if (pane.options & TEXT_VSCROLL) {
    Sliders::Select(pane.vbar, mode);
    int top = (int)(pane.vbar.value + 0.5);
    if (top != (pane.at_newest ? Bottom_Line_Max(pane) : pane.top_line)) {
      pane.top_line = top;
      pane.at_newest = top >= Bottom_Line_Max(pane);
      moved = true;
    }
  }
  if (pane.options & TEXT_HSCROLL) {
    Sliders::Select(pane.hbar, mode);
    if ((int)pane.hbar.value != pane.scroll_x) {
      pane.scroll_x = (int)pane.hbar.value;
      moved = true;
    }
  }
  if (moved) Text::Draw(pane);
  return inside;
}

// ---- Init and cleanup -------------------------------------------------------------------------------

void Texts::Init(Text_Pane &pane, Window_Handle window)
{
  if (!Tools_Init_Widget(pane, window, "Texts::Init")) return;
  const char *face = pane.font_face.c_str();
  if (!pane.fonts[0] || pane.font_made_size != pane.font_size) {
    pane.fonts[0] = Y_Create_Font(pane.window, face, "", "", pane.font_size);
    pane.fonts[1] = Y_Create_Font(pane.window, face, "bold", "", pane.font_size);
    pane.fonts[2] = Y_Create_Font(pane.window, face, "", "i", pane.font_size);
  }
  const Font_Record *regular = pane.fonts[0] ? pane.fonts[0] : Y_System_Font();
  pane.line_height = 0;
  for (const Font_Record *font : pane.fonts) pane.line_height = std::max(pane.line_height, Y_Font_Height(font));
  if (pane.line_height == 0) pane.line_height = Y_Font_Height(regular);
  pane.char_width = Y_Text_Extent(regular, L"H");
  Texts::Rescale_Cursor(pane);
}

void Text::Cleanup(Text_Pane &pane)
{
  Pane_Lock lock;
  pane.lines.clear();
  for (Font_Record *&font : pane.fonts) font = nullptr;
}
