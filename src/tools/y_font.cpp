// Y_Create_Font (with its table of shared fonts), the UTF-8 decoding of the program's
// texts, and the text measuring and drawing that the Tools:: primitives use, on the
// platform's fontconfig and FreeType fonts (which take glyphs a face lacks from another
// font). Tabs are not drawn by the platform; here each one advances three average
// character widths, in measuring and drawing alike.
//
// Index: fonts / UTF-8 / measuring and drawing.
#include "tools/y_font.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/window/font.h"
#include "platform/window/text_order.h"
#include "tools/y_surface.h"
#include "util/message_log.h"
#include "util/utf8.h"

// ---- fonts -------------------------------------------------------------------------------

static std::atomic<bool> font_failure_reported{false};
static std::mutex fonts_lock;
// The fonts made so far, kept for the run (never destroyed, so they outlive every widget).
static auto &fonts = *new std::map<std::tuple<std::string, int, int, int>, Font_Handle>;

Y_Font *Y_Create_Font(Window_Handle window, const char *face, const char *weight, const char *style, int size)
{
  if (!face && !weight && !style) return nullptr;
  if (!face || !*face) face = "Arial";
  int font_weight = (weight && strcmp(weight, "bold") == 0) ? FONT_WEIGHT_BOLD : FONT_WEIGHT_NORMAL;
  int italic = style && (strcmp(style, "i") == 0 || strcmp(style, "o") == 0);
  if (size < 1) size = 12;
  int height = Font_Points_To_Pixels(size);
  std::lock_guard<std::mutex> guard(fonts_lock);
  auto key = std::make_tuple(std::string(face), font_weight, italic, height);
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second;
  // No drawing context is taken here: the platform's fonts need none, and taking the
  // drawing lock under fonts_lock would invert the order of a worker that makes a font
  // while it draws.
  Font_Handle font = Font_Create(face, font_weight, italic, height);
  if (font) fonts[key] = font;
  if (!font && !font_failure_reported.exchange(true)) {
    Message_Log(window, MSG_ERRLOG, "WARNING: in Y_Create_Font()");
    Message_Log(window, MSG_ERRLOG, "Unable to allocate font:(name:%s height:%d weight:%d )", face, -height,
                font_weight);
  }
  return font;
}

Y_Font *Y_System_Font() { return Font_System(); }

static Font_Metrics Metrics_Of(const Y_Font *font)
{
  Font_Metrics metrics;
  Font_Get_Metrics(const_cast<Y_Font *>(font), &metrics);
  return metrics;
}

int Y_Font_Height(const Y_Font *font) { return Metrics_Of(font).height; }
int Y_Font_Ascent(const Y_Font *font) { return Metrics_Of(font).ascent; }

// ---- UTF-8 ----------------------------------------------------------------------------

std::wstring Y_Wide(const char *text)
{
  std::wstring wide;
  if (!text) return wide;
  const unsigned char *p = (const unsigned char *)text, *end = p + strlen(text);
  while (p < end) {
    const unsigned char *start = p;
    int32_t code = Utf8_Next(&p, end);
    if (code == UTF8_INVALID) code = *start;  // a stray byte: its Latin-1 character
    if (code >= 0x20 || code == '\t') wide.push_back((wchar_t)code);
  }
  Text_Display_Order(&wide);
  return wide;
}

// ---- measuring and drawing ---------------------------------------------------------------

// Walks the text as runs between tabs: `run` gets each run's start and length, tabs add
// their advance to the running x. Returns the x after the text.
template <typename Run>
static int Walk_Runs(const Y_Font *font, const std::wstring &text, int x, Run run)
{
  int tab = 3 * Metrics_Of(font).average_width;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\t', start);
    if (end == std::wstring::npos) end = text.size();
    x = run(start, end - start, x);
    if (end == text.size()) break;
    x += tab;
    start = end + 1;
  }
  return x;
}

int Y_Text_Extent(const Y_Font *font, const std::wstring &text)
{
  if (!font) return 0;
  Font_Handle handle = const_cast<Y_Font *>(font);
  return Walk_Runs(font, text, 0, [&](size_t start, size_t count, int x) {
    return x + Font_Text_Width(handle, text.data() + start, (int)count);
  });
}

int Y_Draw_Text(Y_Context &context, const Y_Font *font, int x, int y_bottom, const std::wstring &text,
                uint32_t colour)
{
  if (!font || text.empty()) return x;
  Font_Handle handle = const_cast<Y_Font *>(font);
  int top = Y_Height(context) - y_bottom - Y_Font_Height(font);
  uint32_t rgb = Y_To_Frame(colour);
  return Walk_Runs(font, text, x, [&](size_t start, size_t count, int at) {
    if (count == 0) return at;
    return Font_Draw_Text(handle, context.surface, at, top, text.data() + start, (int)count, rgb, 255);
  });
}
