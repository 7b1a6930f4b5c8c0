// The platform fonts: a face name, weight and slant matched by fontconfig ("Arial",
// "Arial:bold" and "Arial:italic" resolve to the metric-compatible Liberation Sans faces),
// rendered with FreeType as grey-level anti-aliased glyphs, hinted, with whole-pixel
// advances like the Windows text output the program was drawn for. Sizes are pixel heights
// of the character cell without internal leading (a negative lfHeight); points become pixels
// at 96 dots per inch. Glyphs are drawn into a window surface, clipped, coloured and blended
// by their coverage and an overall alpha.
//
// Text is wide (wchar_t, one Unicode code point per element). Characters below 0x20 (tab
// included) are neither measured nor drawn: the callers give tabs and markup their meaning.
// A character the font's face has no glyph for is drawn, and measured, with the glyph of
// a fallback font that fontconfig finds for it (CJK, Arabic ... beside Liberation Sans);
// when no installed font has it, the face's .notdef box stands in.
// Every function may be called from any thread; one lock serialises FreeType.
//
// Index: creating fonts / metrics and measuring / drawing.
#pragma once

#include <cstdint>

#include "platform/window/window_system.h"

struct Font_Record;
typedef Font_Record *Font_Handle;

enum { FONT_WEIGHT_NORMAL = 400, FONT_WEIGHT_BOLD = 700 };

// ---- creating fonts ---------------------------------------------------------------------------------

// Points to pixels at 96 dpi, rounded to nearest (12 points give 16 pixels).
int Font_Points_To_Pixels(int points);

// Makes a font: `face` (null or "" gives "Arial"), `weight` (600 and above is bold),
// `italic` (non-zero), `pixel_height` (the em height, 1..1000).
// The match is checked: when the family found is not the one asked for (Arial counting as
// Liberation Sans), one MSG_WARNING per face names both, and the match is used.
// Returns the font (release it with Font_Release); returns null after a MSG_ERRLOG report
// when no face can be matched or loaded, or the height is out of range.
Font_Handle Font_Create(const char *face, int weight, int italic, int pixel_height);

// Deletes a font. Null and the system font are ignored.
void Font_Release(Font_Handle font);

// The font that stands in when a widget has none: Liberation Sans bold, 13 pixels. It lives
// for the whole run; null only when not even that face can be loaded (reported once).
Font_Handle Font_System();

// ---- metrics and measuring ---------------------------------------------------------------------------

struct Font_Metrics {
  int ascent = 0;         // pixels above the baseline
  int descent = 0;        // pixels below the baseline
  int height = 0;         // ascent + descent: the line height
  int average_width = 0;  // the face's average character width (OS/2 xAvgCharWidth, as
                          // tmAveCharWidth), else the advance of "x"
  int max_width = 0;      // the widest advance of the face at this size
};

// Fills `metrics`. Returns 1; returns 0 for a null font, `metrics` untouched.
int Font_Get_Metrics(Font_Handle font, Font_Metrics *metrics);

// The family fontconfig matched ("Liberation Sans"), owned by the font; "" for null.
const char *Font_Family(Font_Handle font);

// The width in pixels of `count` characters of `text` (count < 0: up to the terminating 0):
// the sum of the advances. 0 for a null font or text.
int Font_Text_Width(Font_Handle font, const wchar_t *text, int count);

// The block that vertical text takes: one character per line, at most 128 characters;
// width = the widest character, height = lines x line height. Outputs 0 for null.
void Font_Vertical_Size(Font_Handle font, const wchar_t *text, int count, int *width, int *height);

// ---- drawing ---------------------------------------------------------------------------------------

// Draws `count` characters (count < 0: up to the terminating 0) on one line, the top of the
// line cell at (x, top) in the surface's client coordinates (y downwards), in `colour`
// (0x00RRGGBB) blended by coverage x alpha / 255. Pixels outside the surface's clip rectangle
// are not touched. Returns the x after the last character.
// Precondition: the caller holds the surface (Window_Surface_Get) or owns the frame alone.
int Font_Draw_Text(Font_Handle font, const Window_Surface &surface, int x, int top, const wchar_t *text,
                   int count, uint32_t colour, int alpha);

// Draws vertical text: one character per line, each centred in a column of the width that
// Font_Vertical_Size gives, starting at (x, top); at most 128 characters.
void Font_Draw_Vertical(Font_Handle font, const Window_Surface &surface, int x, int top, const wchar_t *text,
                        int count, uint32_t colour, int alpha);
