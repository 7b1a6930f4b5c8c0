// Fonts of the toolkit: Y_Create_Font turns a face, weight, style and point size into a
// font of the platform's renderer (fontconfig and FreeType), and the measuring and
// drawing calls used by the Tools:: text primitives. Texts are the program's narrow
// strings, UTF-8, decoded to code points before they are measured or drawn; a byte that
// is not part of a well-formed UTF-8 character stands for its Latin-1 character.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os/window_handle.h"

struct Y_Context;
struct Font_Record;
typedef Font_Record Y_Font;

// Gives a font. `face` defaults to "Arial"; `weight` "bold" gives 700, anything else the
// normal weight; `style` "i" or "o" gives italic; a size below 1 is 12 points. Points are
// turned into pixels at 96 dots per inch. Fonts are shared: each face, weight, slant and
// size is made once and kept for the run, so widgets (plain records without a
// destructor) can hold them without owning them. Returns the font; returns nullptr when
// face, weight and style are all null, or when the font cannot be made (then
// "WARNING: in Y_Create_Font()" and "Unable to allocate font:(name:%s height:%d
// weight:%d )" go to the error log, for the first failure of the run only).
Y_Font *Y_Create_Font(Window_Handle window, const char *face, const char *weight, const char *style, int size);

// The font that stands in when a widget has none (the platform's system font, kept for
// the run). Returns nullptr only when no font can be made at all.
Y_Font *Y_System_Font();

// Line height and ascent in pixels; 0 for nullptr.
int Y_Font_Height(const Y_Font *font);
int Y_Font_Ascent(const Y_Font *font);

// The UTF-8 text decoded to code points, control characters (below 0x20, except tab)
// left out. Names on disk may hold any bytes: each byte outside a well-formed character
// becomes its Latin-1 character, so nothing is lost and such a name shows as it always
// did. Right-to-left scripts come out in display order (Text_Display_Order), ready to be
// measured and drawn. A null text gives "".
std::wstring Y_Wide(const char *text);

// Width in pixels of a widened text (tabs count as three average characters more).
int Y_Text_Extent(const Y_Font *font, const std::wstring &text);

// Draws a widened text on one line whose box spans y_bottom .. y_bottom + height - 1,
// from x, in the packed colour (transparent background), clipped by the context. Returns
// the x after the text (x for an empty text or no font).
int Y_Draw_Text(Y_Context &context, const Y_Font *font, int x, int y_bottom, const std::wstring &text,
                 uint32_t colour);
