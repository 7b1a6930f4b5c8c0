// UTF-8 decoding by the rules of RFC 3629: shortest forms only, no surrogates, nothing
// above U+10FFFF.
#include "util/utf8.h"

namespace {
bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

const int32_t SURROGATE_FIRST = 0xD800, SURROGATE_LAST = 0xDFFF, CODE_POINT_MAX = 0x10FFFF;
}  // namespace

int32_t Utf8_Next(const unsigned char **p, const unsigned char *end)
{
  const unsigned char *s = *p;
  unsigned char lead = *s;
  int extra;
  int32_t value, smallest;
  if (lead < 0x80) {
    *p = s + 1;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, value = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, value = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, value = lead & 0x07, smallest = 0x10000;
  } else {
    *p = s + 1;
    return UTF8_INVALID;
  }
  if (end - s <= extra) {
    *p = s + 1;
    return UTF8_INVALID;
  }
  for (int i = 1; i <= extra; i++) {
    if (!Continuation(s[i])) {
      *p = s + 1;
      return UTF8_INVALID;
    }
    value = value << 6 | (s[i] & 0x3F);
  }
  if (value < smallest || value > CODE_POINT_MAX || (value >= SURROGATE_FIRST && value <= SURROGATE_LAST)) {
    *p = s + 1;
    return UTF8_INVALID;
  }
  *p = s + extra + 1;
  return value;
}

void Utf8_Append(std::string &out, uint32_t c)
{
  if (c < 0x80) {
    out += (char)c;
  } else if (c < 0x800) {
    out += (char)(0xC0 | c >> 6);
    out += (char)(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += (char)(0xE0 | c >> 12);
    out += (char)(0x80 | (c >> 6 & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  } else {
    out += (char)(0xF0 | c >> 18);
    out += (char)(0x80 | (c >> 12 & 0x3F));
    out += (char)(0x80 | (c >> 6 & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  }
}
