// The platform fonts. fontconfig turns a face name, weight and slant into a font file
// ("Arial" gives Liberation Sans, its metric-compatible stand-in); FreeType renders its
// glyphs hinted and anti-aliased at a pixel height, with whole-pixel advances, and each
// font keeps the glyphs it has rendered. Drawing blends a glyph's coverage, scaled by an
// overall alpha, over the framebuffer pixels inside the surface's clip rectangle.
// FreeType objects are not thread-safe, so one lock covers every call here.
//
// A character the font's face has no glyph for (Japanese in Liberation Sans) is taken
// from a fallback face: fontconfig names the font nearest to the face, weight and slant
// that covers it, loaded once per file and size and shared by all fonts for the run.
// Each font remembers which face draws each such character, so measuring and drawing
// always agree; when no font covers it, the face's own .notdef box stands in.
//
// Index: library and cache / matching / fallback faces / creating and releasing /
// measuring / drawing.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/window/font.h"
#include "util/message_log.h"

// ---- library and cache --------------------------------------------------------------------------------------------

struct Glyph {
  int advance = 0;               // pixels to the next character
  int left = 0, top = 0;         // bitmap position: right of the pen, above the baseline
  int width = 0, height = 0;
  std::vector<uint8_t> coverage;  // width x height, 0..255
};

struct Font_Record {
  FT_Face face = nullptr;
  std::string family;
  std::string asked;  // the face name asked for: fallback faces are matched near it
  int weight = FONT_WEIGHT_NORMAL, italic = 0;
  int pixel_height = 0;
  bool system = false;
  Font_Metrics metrics;
  std::unordered_map<uint32_t, Glyph> glyphs;
  // Characters this face lacks -> the face that draws them (this one: none covers them).
  std::unordered_map<uint32_t, Font_Record *> sources;
  std::vector<Font_Record *> fallbacks;  // the fallback faces used so far, first used first
};

static std::mutex font_lock;
static FT_Library library = nullptr;
enum { GLYPH_CACHE_LIMIT = 4096, SOURCE_CACHE_LIMIT = 4096, VERTICAL_LIMIT = 128, FULL_COVERAGE = 255 };
enum { BITS_PER_BYTE = 8 };

static Font_Record *Source_Of(Font_Record *font, uint32_t code);

// Starts FreeType and fontconfig once (font_lock held). Returns 1 when both run.
static int Library_Ready()
{
  if (!library && FT_Init_FreeType(&library) != 0) library = nullptr;
  static bool fontconfig = FcInit() == FcTrue;
  return library && fontconfig;
}

// Copies a rendered bitmap into the glyph's coverage: grey levels as they are, the
// one-bit pixels of a face's embedded bitmaps (CJK faces carry them for small sizes) as
// none or full coverage. Other pixel modes leave the glyph without ink.
static void Coverage_Copy(const FT_Bitmap &bitmap, Glyph *glyph)
{
  bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  if ((bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && !mono) || !bitmap.buffer) return;
  glyph->width = (int)bitmap.width;
  glyph->height = (int)bitmap.rows;
  glyph->coverage.resize((size_t)glyph->width * (size_t)glyph->height);
  for (int row = 0; row < glyph->height; row++) {
    const unsigned char *source = bitmap.buffer + (long)row * bitmap.pitch;
    uint8_t *target = glyph->coverage.data() + (size_t)row * (size_t)glyph->width;
    for (int column = 0; column < glyph->width; column++) {
      int bit = BITS_PER_BYTE - 1 - column % BITS_PER_BYTE;
      target[column] = mono ? ((source[column / BITS_PER_BYTE] >> bit) & 1) * FULL_COVERAGE : source[column];
    }
  }
}

// The glyph of a character, from the face that draws it, rendered on first use and kept
// by that face (font_lock held). A character no face can render gets an empty glyph of
// advance 0.
static const Glyph &Glyph_Of(Font_Record *font, uint32_t code)
{
  font = Source_Of(font, code);
  auto found = font->glyphs.find(code);
  if (found != font->glyphs.end()) return found->second;
  if (font->glyphs.size() >= GLYPH_CACHE_LIMIT) font->glyphs.clear();
  Glyph &glyph = font->glyphs[code];
  if (FT_Load_Char(font->face, code, FT_LOAD_DEFAULT | FT_LOAD_RENDER) != 0) return glyph;
  FT_GlyphSlot slot = font->face->glyph;
  glyph.advance = (int)((slot->advance.x + 32) >> 6);
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  Coverage_Copy(slot->bitmap, &glyph);
  return glyph;
}

// ---- matching -----------------------------------------------------------------------------------------------------

enum { FONT_WEIGHT_BOLD_FROM = 600 };  // weights from here on are matched as bold

// Adds the weight and slant of a font to a fontconfig pattern.
static void Pattern_Add_Style(FcPattern *pattern, int weight, int italic)
{
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= FONT_WEIGHT_BOLD_FROM ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
}

// Asks fontconfig for the file of a face. Returns 1 with the file, face index and family.
static int Font_Match(const char *face, int weight, int italic, std::string *file, int *index, std::string *family)
{
  FcPattern *pattern = FcPatternCreate();
  if (!pattern) return 0;
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)face);
  Pattern_Add_Style(pattern, weight, italic);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return 0;
  FcChar8 *matched_file = nullptr, *matched_family = nullptr;
  int found = FcPatternGetString(match, FC_FILE, 0, &matched_file) == FcResultMatch;
  if (found) {
    *file = (const char *)matched_file;
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    *family = FcPatternGetString(match, FC_FAMILY, 0, &matched_family) == FcResultMatch
                  ? (const char *)matched_family : "";
  }
  FcPatternDestroy(match);
  return found;
}

// Warns once per face name when the family found is neither the one asked for nor, for
// "Arial", its stand-in Liberation Sans.
static void Family_Check(const char *face, const std::string &family)
{
  bool expected = strcasecmp(face, family.c_str()) == 0 ||
                  (strcasecmp(face, "Arial") == 0 && strcasecmp(family.c_str(), "Liberation Sans") == 0);
  static std::set<std::string> warned;
  if (expected || !warned.insert(face).second) return;
  Message_Log(nullptr, MSG_WARNING, "Font \"%s\" is drawn with \"%s\" (install fonts-liberation for Arial)", face,
              family.c_str());
}

// ---- fallback faces -----------------------------------------------------------------------------------------------

// The fallback faces loaded so far, by file, face index and pixel height; shared by every
// font and kept for the run. A null entry is a file that could not be used.
static auto &fallback_faces = *new std::map<std::tuple<std::string, int, int>, Font_Record *>;

// Asks fontconfig for the scalable font nearest to `font`'s face, weight, slant and size
// whose character set holds `code` (font_lock held). Returns 1 with its file and index.
static int Fallback_Match(const Font_Record *font, uint32_t code, std::string *file, int *index)
{
  FcPattern *pattern = FcPatternCreate();
  FcCharSet *wanted = FcCharSetCreate();
  int found = 0;
  if (pattern && wanted && FcCharSetAddChar(wanted, code)) {
    FcPatternAddString(pattern, FC_FAMILY, (const FcChar8 *)font->asked.c_str());
    Pattern_Add_Style(pattern, font->weight, font->italic);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, font->pixel_height);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    // The sorted list, not the single best match: that one is returned even when it
    // lacks the character.
    FcFontSet *sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    for (int i = 0; sorted && !found && i < sorted->nfont; i++) {
      FcPattern *candidate = sorted->fonts[i];
      FcCharSet *covered = nullptr;
      FcBool scalable = FcFalse;
      FcChar8 *candidate_file = nullptr;
      if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &covered) != FcResultMatch ||
          !FcCharSetHasChar(covered, code) || FcPatternGetBool(candidate, FC_SCALABLE, 0, &scalable) != FcResultMatch ||
          !scalable || FcPatternGetString(candidate, FC_FILE, 0, &candidate_file) != FcResultMatch)
        continue;
      *file = (const char *)candidate_file;
      if (FcPatternGetInteger(candidate, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
      found = 1;
    }
    if (sorted) FcFontSetDestroy(sorted);
  }
  if (wanted) FcCharSetDestroy(wanted);
  if (pattern) FcPatternDestroy(pattern);
  return found;
}

// The shared fallback face of a file at a pixel height, loaded on first use (font_lock
// held). Returns null when the file cannot be loaded or sized.
static Font_Record *Fallback_Face(const std::string &file, int index, int pixel_height)
{
  auto key = std::make_tuple(file, index, pixel_height);
  auto found = fallback_faces.find(key);
  if (found != fallback_faces.end()) return found->second;
  Font_Record *&entry = fallback_faces[key];
  FT_Face ft_face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &ft_face) != 0) return nullptr;
  if (FT_Set_Pixel_Sizes(ft_face, 0, (FT_UInt)pixel_height) != 0) {
    FT_Done_Face(ft_face);
    return nullptr;
  }
  entry = new Font_Record;
  entry->face = ft_face;
  entry->family = ft_face->family_name ? ft_face->family_name : "";
  entry->pixel_height = pixel_height;
  return entry;
}

// A fallback face that has a glyph for `code`: one this font already uses, else the one
// fontconfig finds (font_lock held). Returns null when none has it.
static Font_Record *Fallback_For(Font_Record *font, uint32_t code)
{
  for (Font_Record *fallback : font->fallbacks)
    if (FT_Get_Char_Index(fallback->face, code) != 0) return fallback;
  std::string file;
  int index = 0;
  if (!Fallback_Match(font, code, &file, &index)) return nullptr;
  Font_Record *fallback = Fallback_Face(file, index, font->pixel_height);
  if (!fallback || FT_Get_Char_Index(fallback->face, code) == 0) return nullptr;
  font->fallbacks.push_back(fallback);
  return fallback;
}

// The face that draws `code` for this font: its own when it has a glyph, else a fallback
// face, else its own (the .notdef box). Decided once per character (font_lock held).
static Font_Record *Source_Of(Font_Record *font, uint32_t code)
{
  if (FT_Get_Char_Index(font->face, code) != 0) return font;
  auto found = font->sources.find(code);
  if (found != font->sources.end()) return found->second;
  if (font->sources.size() >= SOURCE_CACHE_LIMIT) font->sources.clear();
  Font_Record *fallback = Fallback_For(font, code);
  Font_Record *source = fallback ? fallback : font;
  font->sources[code] = source;
  return source;
}

// ---- creating and releasing -----------------------------------------------------------------------------------------

static void Metrics_Fill(Font_Record *font)
{
  const FT_Size_Metrics &size = font->face->size->metrics;
  Font_Metrics &metrics = font->metrics;
  metrics.ascent = (int)((size.ascender + 63) >> 6);
  metrics.descent = (int)((-size.descender + 63) >> 6);
  metrics.height = metrics.ascent + metrics.descent;
  metrics.max_width = (int)((size.max_advance + 63) >> 6);
  const TT_OS2 *os2 = (const TT_OS2 *)FT_Get_Sfnt_Table(font->face, FT_SFNT_OS2);
  if (os2 && os2->xAvgCharWidth > 0 && font->face->units_per_EM)
    metrics.average_width =
        (int)(((long)os2->xAvgCharWidth * font->pixel_height + font->face->units_per_EM / 2) / font->face->units_per_EM);
  else
    metrics.average_width = Glyph_Of(font, 'x').advance;
}

int Font_Points_To_Pixels(int points) { return (points * 96 + (points >= 0 ? 36 : -36)) / 72; }

Font_Handle Font_Create(const char *face, int weight, int italic, int pixel_height)
{
  if (!face || !face[0]) face = "Arial";
  if (pixel_height < 1 || pixel_height > 1000) {
    Message_Log(nullptr, MSG_ERRLOG, "Font_Create(%s): height %d is out of range", face, pixel_height);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(font_lock);
  std::string file, family;
  int index = 0;
  FT_Face ft_face = nullptr;
  if (!Library_Ready() || !Font_Match(face, weight, italic, &file, &index, &family) ||
      FT_New_Face(library, file.c_str(), index, &ft_face) != 0) {
    Message_Log(nullptr, MSG_ERRLOG, "Font_Create: no font file for \"%s\" (weight %d%s)", face, weight,
                italic ? ", italic" : "");
    return nullptr;
  }
  if (FT_Set_Pixel_Sizes(ft_face, 0, (FT_UInt)pixel_height) != 0) {
    Message_Log(nullptr, MSG_ERRLOG, "Font_Create: %s cannot be sized to %d pixels", file.c_str(), pixel_height);
    FT_Done_Face(ft_face);
    return nullptr;
  }
  Family_Check(face, family);
  Font_Record *font = new Font_Record;
  font->face = ft_face;
  font->family = family;
  font->asked = face;
  font->weight = weight;
  font->italic = italic;
  font->pixel_height = pixel_height;
  Metrics_Fill(font);
  return font;
}

void Font_Release(Font_Handle font)
{
  if (!font || font->system) return;
  std::lock_guard<std::mutex> lock(font_lock);
  FT_Done_Face(font->face);
  delete font;
}

Font_Handle Font_System()
{
  static Font_Handle system = [] {
    Font_Handle font = Font_Create("Arial", FONT_WEIGHT_BOLD, 0, 13);
    if (font) font->system = true;
    return font;
  }();
  return system;
}

// ---- measuring ------------------------------------------------------------------------------------------------------

static int Text_Length(const wchar_t *text, int count)
{
  if (!text) return 0;
  if (count >= 0) return count;
  int length = 0;
  while (text[length]) length++;
  return length;
}

int Font_Get_Metrics(Font_Handle font, Font_Metrics *metrics)
{
  if (!font) return 0;
  *metrics = font->metrics;
  return 1;
}

const char *Font_Family(Font_Handle font) { return font ? font->family.c_str() : ""; }

// The advance of a character (font_lock held); 0 below blank.
static int Advance(Font_Record *font, wchar_t character)
{
  return (uint32_t)character < 0x20 ? 0 : Glyph_Of(font, (uint32_t)character).advance;
}

int Font_Text_Width(Font_Handle font, const wchar_t *text, int count)
{
  if (!font) return 0;
  int length = Text_Length(text, count), width = 0;
  std::lock_guard<std::mutex> lock(font_lock);
  for (int i = 0; i < length; i++) width += Advance(font, text[i]);
  return width;
}

// The column width of vertical text (font_lock held).
static int Vertical_Width(Font_Record *font, const wchar_t *text, int length)
{
  int width = 0;
  for (int i = 0; i < length; i++) width = std::max(width, Advance(font, text[i]));
  return width;
}

void Font_Vertical_Size(Font_Handle font, const wchar_t *text, int count, int *width, int *height)
{
  *width = *height = 0;
  if (!font) return;
  int length = std::min(Text_Length(text, count), (int)VERTICAL_LIMIT);
  std::lock_guard<std::mutex> lock(font_lock);
  *width = Vertical_Width(font, text, length);
  *height = length * font->metrics.height;
}

// ---- drawing --------------------------------------------------------------------------------------------------------

// Blends one glyph with its bitmap origin at (x, y) in client coordinates.
static void Glyph_Blit(const Glyph &glyph, const Window_Surface &surface, int x, int y, uint32_t colour, int alpha)
{
  int frame_x = surface.origin_x + x, frame_y = surface.origin_y + y;
  int first_row = std::max(0, surface.clip_top - frame_y);
  int last_row = std::min(glyph.height, surface.clip_bottom - frame_y);
  int first_column = std::max(0, surface.clip_left - frame_x);
  int last_column = std::min(glyph.width, surface.clip_right - frame_x);
  uint32_t red = (colour >> 16) & 0xFF, green = (colour >> 8) & 0xFF, blue = colour & 0xFF;
  for (int row = first_row; row < last_row; row++) {
    const uint8_t *coverage = glyph.coverage.data() + (size_t)row * (size_t)glyph.width;
    uint32_t *pixel = surface.frame->Row(frame_y + row) + frame_x;
    for (int column = first_column; column < last_column; column++) {
      uint32_t a = (uint32_t)coverage[column] * (uint32_t)alpha / 255;
      if (a == 0) continue;
      uint32_t old = pixel[column], keep = 255 - a;
      uint32_t r = (red * a + ((old >> 16) & 0xFF) * keep + 127) / 255;
      uint32_t g = (green * a + ((old >> 8) & 0xFF) * keep + 127) / 255;
      uint32_t b = (blue * a + (old & 0xFF) * keep + 127) / 255;
      pixel[column] = (r << 16) | (g << 8) | b;
    }
  }
}

// Draws a run of characters (font_lock held); returns the pen's x afterwards.
static int Draw_Run(Font_Record *font, const Window_Surface &surface, int x, int top, const wchar_t *text,
                    int length, uint32_t colour, int alpha)
{
  int baseline = top + font->metrics.ascent;
  for (int i = 0; i < length; i++) {
    if ((uint32_t)text[i] < 0x20) continue;
    const Glyph &glyph = Glyph_Of(font, (uint32_t)text[i]);
    Glyph_Blit(glyph, surface, x + glyph.left, baseline - glyph.top, colour, alpha);
    x += glyph.advance;
  }
  return x;
}

static bool Can_Draw(Font_Handle font, const Window_Surface &surface, const wchar_t *text)
{
  return font && text && surface.frame && surface.clip_right > surface.clip_left &&
         surface.clip_bottom > surface.clip_top && surface.clip_left >= 0 && surface.clip_top >= 0 &&
         surface.clip_right <= surface.frame->width && surface.clip_bottom <= surface.frame->height;
}

int Font_Draw_Text(Font_Handle font, const Window_Surface &surface, int x, int top, const wchar_t *text, int count,
                   uint32_t colour, int alpha)
{
  int length = Text_Length(text, count);
  if (!font || length == 0) return x;
  std::lock_guard<std::mutex> lock(font_lock);
  if (!Can_Draw(font, surface, text)) {
    for (int i = 0; i < length; i++) x += Advance(font, text[i]);
    return x;
  }
  return Draw_Run(font, surface, x, top, text, length, colour, std::clamp(alpha, 0, 255));
}

void Font_Draw_Vertical(Font_Handle font, const Window_Surface &surface, int x, int top, const wchar_t *text,
                        int count, uint32_t colour, int alpha)
{
  int length = std::min(Text_Length(text, count), (int)VERTICAL_LIMIT);
  std::lock_guard<std::mutex> lock(font_lock);
  if (!Can_Draw(font, surface, text)) return;
  int column = Vertical_Width(font, text, length);
  for (int i = 0; i < length; i++) {
    int left = x + (column - Advance(font, text[i])) / 2;
    Draw_Run(font, surface, left, top + i * font->metrics.height, text + i, 1, colour, std::clamp(alpha, 0, 255));
  }
}
