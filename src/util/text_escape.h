// Visible escapes for bytes that must not reach a log, audit or report file as they are.
// A path or a header value comes from outside the program and may hold any byte: a line
// feed in a file name would start a forged line in the audit trail, and a byte equal to
// one of the message pane's markup bytes would be taken for a colour or font code (and
// dropped from every file). Escaped, such a byte is written as text ("\n", "\r", "\t",
// "\xNN") and the line still names the real file. Bytes of 0x80 and above are kept as
// they are (names are UTF-8), except the markup bytes 0xF0..0xF2 when asked for.
#pragma once

#include <string>

// The message pane's markup bytes: the colours 0x01..0x06 and the fonts 0xF0..0xF2.
inline bool Text_Is_Markup(unsigned char c) { return (c >= 0x01 && c <= 0x06) || (c >= 0xF0 && c <= 0xF2); }

// The control bytes: below 0x20, and 0x7F.
inline bool Text_Is_Control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Appends the visible form of the control byte `c` to `out`: "\n", "\r", "\t", else
// "\xNN" with two upper-case hexadecimal digits.
void Text_Escape_Control(std::string &out, unsigned char c);

enum : unsigned {
  // Also escape the font bytes 0xF0..0xF2, each with the UTF-8 continuation bytes
  // (0x80..0xBF, at most three) that follow it, so that no stray half of a character
  // is left behind: for texts that reach the message pane and the log files.
  TEXT_ESCAPE_MARKUP = 0x01,
  // Also write "\" as "\\", so that a name holding a backslash and an "n" reads back
  // apart from one holding a line feed.
  TEXT_ESCAPE_BACKSLASH = 0x02,
};

// The text with every control byte escaped (see Text_Escape_Control), plus what `flags`
// adds. A null text gives "". The result is the caller's.
std::string Text_Escape(const char *text, unsigned flags);
