// UTF-8, one character at a time: for the places that turn text into code points (RTF
// escapes, capitalisation of names, drawing, character-set decoding). A byte that starts
// no valid character is reported as such and stepped over alone, so that no byte of a
// text is ever lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum {
  UTF8_INVALID = -1,   // what Utf8_Next returns for a byte that starts no character
  UTF8_BYTES_MAX = 4,  // the longest character
};

// Decodes the character at *p (text ends at `end`) and moves *p past it. Returns its code
// point; returns UTF8_INVALID and moves one byte for a lone continuation byte, an overlong
// form, a surrogate, a value above U+10FFFF or a sequence cut short.
int32_t Utf8_Next(const unsigned char **p, const unsigned char *end);

// Appends the UTF-8 form of `code_point` (at most U+10FFFF, not a surrogate) to `out`.
void Utf8_Append(std::string &out, uint32_t code_point);
