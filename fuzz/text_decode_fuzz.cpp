// The libFuzzer target of the text decoder. An input is a character set line, a VR
// selector byte and the value bytes: everything before the first line feed is the text
// of (0008,0005) (no line feed: an empty one), the next byte picks the VR from a table
// of text and non-text VRs, the rest is the value. Each value is decoded twice (the
// thread's converters must come back to their initial state) and its ASCII form made;
// the target stops the run when the decoding is not valid UTF-8, when the two
// decodings differ, or when the ASCII form holds a byte outside 0x20 to 0x7E.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dicom/DICOM_Text_Decode.h"
#include "dicom/NEMA_Tag_Attribute.h"

static const uint16_t VRS[] = {
    DICOM_VR_PN, DICOM_VR_LO, DICOM_VR_SH, DICOM_VR_ST, DICOM_VR_LT, DICOM_VR_UT, DICOM_VR_UC,
    DICOM_VR_CS, DICOM_VR_UI, DICOM_VR_OB, 0,
};

// Whether `text` is well-formed UTF-8 (NUL allowed; no overlong forms, no surrogates).
static bool Valid_UTF_8(const std::string &text)
{
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = (unsigned char)text[i];
    size_t count = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (count == 0 || i + count > text.size()) return false;
    uint32_t code = count == 1 ? lead : lead & (0x7F >> count);
    for (size_t k = 1; k < count; k++) {
      unsigned char next = (unsigned char)text[i + k];
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static const uint32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < SMALLEST[count] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += count;
  }
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  const char *bytes = (const char *)data;
  std::string input(bytes, size);
  size_t line_end = input.find('\n');
  std::string character_set = line_end == std::string::npos ? "" : input.substr(0, line_end);
  size_t at = line_end == std::string::npos ? 0 : line_end + 1;
  if (at >= size) return 0;
  uint16_t vr = VRS[(uint8_t)bytes[at] % (sizeof VRS / sizeof VRS[0])];
  at++;

  std::string first, second;
  int result = DICOM_Text_Decode(bytes + at, size - at, character_set.c_str(), vr, &first);
  if (DICOM_Text_Decode(bytes + at, size - at, character_set.c_str(), vr, &second) != result || first != second)
    std::abort();
  if (!Valid_UTF_8(first)) std::abort();
  for (char c : DICOM_Text_To_ASCII(first))
    if ((unsigned char)c < 0x20 || (unsigned char)c > 0x7E) std::abort();
  return 0;
}
