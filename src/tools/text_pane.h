// Text panes: up to 4096 scrolling lines, newest at the bottom, drawn with display codes
// (colours and fonts switched inside a line), an input line for one-line fields, and
// optional vertical and horizontal scroll bars. The message pane, the progress window's
// text area, the list pane's status and the settings fields are text panes.
//
// Display codes: 0x01 blue, 0x02 black, 0x03 white, 0x04 red, 0x05 yellow, 0x06 green
// (0, 160, 0); 0xF0 regular, 0xF1 bold, 0xF2 italic. Each line starts black and regular.
// Texts are UTF-8; a font byte that starts a well-formed four-byte character is that
// character, and a byte that is no well-formed UTF-8 shows as its Latin-1 character.
//
// Options: 0x02 one line (Write replaces the line instead of adding one), 0x400 the
// newest line sits at the bottom even when the pane shows one line, 0x10000000
// horizontal scroll bar, 0x20000000 vertical scroll bar (each returns to the newest line
// after Write).
#pragma once

#include <deque>
#include <string>

#include "tools/slider.h"
#include "tools/tools_widget.h"

constexpr uint32_t TEXT_ONE_LINE = 0x02;
constexpr uint32_t TEXT_HSCROLL = 0x10000000;
constexpr uint32_t TEXT_VSCROLL = 0x20000000;
enum { TEXT_MAX_LINES = 4096 };

struct Text_Pane : Tools_Device {
  std::deque<std::wstring> lines;  // oldest first; code points, codes kept (see text_pane.cpp)
  Font_Record *fonts[3] = {nullptr, nullptr, nullptr};  // regular, bold, italic (shared)
  int line_height = 0;             // pixels per line
  int char_width = 0;              // width of "H"
  int16_t depth = 1;
  int top_line = 0;                // index of the oldest line shown when scrolled back
  bool at_newest = true;           // the view follows the newest line
  int scroll_x = 0;                // horizontal offset in pixels
  bool entry_done = false;         // Enter completed the input line
  int widest = 0;                  // widest line written so far, in pixels
  Slider vbar, hbar;
};

namespace Texts {
// Marks the pane initialised, makes its three fonts from its face and size and measures
// the line height and the width of "H".
void Init(Text_Pane &pane, Window_Handle window);
// Redraws every line (after the owner changed the lines or the size).
void Re_Write(Text_Pane &pane);
// Returns 1 and the input line in `text` when Enter completed it since the last call
// (and clears that mark); returns 0 otherwise.
int Read_Echo(Text_Pane &pane, std::string &text);
// Fits the scroll bars to the number and width of the lines.
void Rescale_Cursor(Text_Pane &pane);
}  // namespace Texts

namespace Text {
// Formats (printf-style, cut to 255 characters) and appends: one new line, and a further
// one for each line feed in the text; with option 0x02 the text replaces the pane's one
// line. Redraws. A pane never initialised ignores the call; a damaged one warns first.
void Write(Text_Pane &pane, const char *format, ...) __attribute__((format(printf, 2, 3)));
// The same, but the text replaces the newest line.
void OverWrite(Text_Pane &pane, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Draws the frame, the visible lines with their display codes and the scroll bars.
void Draw(Text_Pane &pane);
// The newest line, without display codes, in UTF-8; the bytes it was written with that
// were no well-formed UTF-8 come back as they were.
std::string Read(Text_Pane &pane);
// Edits the newest line with a translated key: printable characters are added,
// Backspace (8) removes the last character (all the bytes of a UTF-8 one), Enter (0x0D, keypad 0x100D) completes the entry.
// Returns 1 when the entry was completed, 0 otherwise.
int Input(Text_Pane &pane, int key);
// Passes the mouse to the scroll bars (dragging, arrows) and moves the view with them.
// Returns 1 when the mouse is over the pane (mode 4 only tests).
int Select(Text_Pane &pane, int mode);
// Scrolls the view by `steps` lines (positive: older lines) and redraws.
void Scroll(Text_Pane &pane, int steps);
// Frees the lines and forgets the fonts.
void Cleanup(Text_Pane &pane);
}  // namespace Text
