// Text_Escape: one pass over the bytes; a control byte becomes its visible form, a font
// byte (when asked) becomes \xNN together with the continuation bytes of its UTF-8
// character, everything else is copied.
#include "util/text_escape.h"

#include <cstdio>

static void Append_Hex(std::string &out, unsigned char c)
{
  char hex[5];
  std::snprintf(hex, sizeof hex, "\\x%02X", c);
  out += hex;
}

void Text_Escape_Control(std::string &out, unsigned char c)
{
  switch (c) {
  case '\n': out += "\\n"; break;
  case '\r': out += "\\r"; break;
  case '\t': out += "\\t"; break;
  default: Append_Hex(out, c); break;
  }
}

static bool Is_Continuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

std::string Text_Escape(const char *text, unsigned flags)
{
  std::string out;
  if (!text) return out;
  for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
    // The bytes kept as they are go over in one run.
    const unsigned char *run = p;
    while (*p && !Text_Is_Control(*p) && *p != '\\' && !(*p >= 0xF0 && *p <= 0xF2)) p++;
    out.append((const char *)run, (size_t)(p - run));
    if (!*p) break;
    if (Text_Is_Control(*p)) {
      Text_Escape_Control(out, *p);
    } else if (*p == '\\' && (flags & TEXT_ESCAPE_BACKSLASH)) {
      out += "\\\\";
    } else if (*p >= 0xF0 && *p <= 0xF2 && (flags & TEXT_ESCAPE_MARKUP)) {
      Append_Hex(out, *p);
      for (int n = 0; n < 3 && Is_Continuation(p[1]); n++) Append_Hex(out, *++p);
    } else {
      out += (char)*p;
    }
  }
  return out;
}
