// JSON text for the commands that print JSON: strings are the bytes they are given;
// valid UTF-8 passes as it is, any other byte is written as the escape \udcXX (the form
// Python's surrogateescape reads back to the same byte), so paths with any bytes
// survive the round trip.
#include "cli/cli_json.h"

#include <cstdio>

// The length of the valid UTF-8 sequence at `text`, or 0 when it is not one.
static size_t Utf8_Length(const unsigned char *text)
{
  unsigned char lead = text[0];
  size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
  if (length == 0 || lead > 0xF4) return 0;
  for (size_t i = 1; i < length; i++)
    if ((text[i] & 0xC0) != 0x80) return 0;
  unsigned code = length == 2 ? ((lead & 0x1F) << 6) | (text[1] & 0x3F)
                  : length == 3 ? ((lead & 0x0F) << 12) | ((text[1] & 0x3F) << 6) | (text[2] & 0x3F)
                                : ((lead & 0x07) << 18) | ((text[1] & 0x3F) << 12) | ((text[2] & 0x3F) << 6) | (text[3] & 0x3F);
  bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

void Json_Text(std::string &out, const char *text)
{
  if (!text) {
    out += "null";
    return;
  }
  out += '"';
  char escape[8];
  for (const unsigned char *p = (const unsigned char *)text; *p;) {
    unsigned char c = *p;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
      p++;
    } else if (c < 0x20) {
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
      p++;
    } else if (c < 0x80) {
      out += (char)c;
      p++;
    } else if (size_t length = Utf8_Length(p)) {
      out.append((const char *)p, length);
      p += length;
    } else {
      std::snprintf(escape, sizeof escape, "\\udc%02x", c);
      out += escape;
      p++;
    }
  }
  out += '"';
}

void Json_Key(std::string &out, const char *key, bool first)
{
  if (!first) out += ", ";
  Json_Text(out, key);
  out += ": ";
}

