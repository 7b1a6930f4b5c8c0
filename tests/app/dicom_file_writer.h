// Writes small DICOM files (explicit VR little endian) for tests: a preamble, "DICM",
// the file meta group and the elements given, in tag order. Strings are padded to an
// even length (UI with NUL, others with a blank). A few kilobytes of pixel data make
// the file long enough that a copy has more than one block to move.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

struct Part10_Element {
  uint16_t group, element;
  const char *vr;
  std::string value;
};

inline void Part10_Put16(std::string &out, uint16_t v) { out += (char)(v & 0xFF), out += (char)(v >> 8); }
inline void Part10_Put32(std::string &out, uint32_t v)
{
  Part10_Put16(out, (uint16_t)(v & 0xFFFF));
  Part10_Put16(out, (uint16_t)(v >> 16));
}

inline void Part10_Element_Write(std::string &out, const Part10_Element &e)
{
  std::string value = e.value;
  if (value.size() % 2) value += std::string(e.vr) == "UI" ? '\0' : ' ';
  Part10_Put16(out, e.group);
  Part10_Put16(out, e.element);
  out += e.vr;
  std::string vr = e.vr;
  if (vr == "OB" || vr == "OW" || vr == "SQ" || vr == "UN" || vr == "UT") {
    Part10_Put16(out, 0);
    Part10_Put32(out, (uint32_t)value.size());
  } else {
    Part10_Put16(out, (uint16_t)value.size());
  }
  out += value;
}

// The bytes of a CT image file with `elements` (SOP class and instance, study and series
// UIDs are added when missing) and `pixels` bytes of pixel data.
inline std::string Part10_Bytes(std::vector<Part10_Element> elements, const std::string &instance, size_t pixels = 30000)
{
  auto has = [&](uint16_t g, uint16_t e) {
    return std::any_of(elements.begin(), elements.end(), [&](const Part10_Element &x) { return x.group == g && x.element == e; });
  };
  const char *ct = "1.2.840.10008.5.1.4.1.1.2";
  if (!has(0x0008, 0x0016)) elements.push_back({0x0008, 0x0016, "UI", ct});
  if (!has(0x0008, 0x0018)) elements.push_back({0x0008, 0x0018, "UI", instance});
  if (!has(0x0020, 0x000D)) elements.push_back({0x0020, 0x000D, "UI", "1.2.3.4"});
  if (!has(0x0020, 0x000E)) elements.push_back({0x0020, 0x000E, "UI", "1.2.3.4.1"});
  std::string pixel_bytes(pixels, '\0');
  for (size_t i = 0; i < pixels; i++) pixel_bytes[i] = (char)(i * 7 + instance.size());
  elements.push_back({0x7FE0, 0x0010, "OW", pixel_bytes});
  std::stable_sort(elements.begin(), elements.end(), [](const Part10_Element &a, const Part10_Element &b) {
    return a.group != b.group ? a.group < b.group : a.element < b.element;
  });
  std::string meta;
  Part10_Element_Write(meta, {0x0002, 0x0001, "OB", std::string("\0\1", 2)});
  Part10_Element_Write(meta, {0x0002, 0x0002, "UI", ct});
  Part10_Element_Write(meta, {0x0002, 0x0003, "UI", instance});
  Part10_Element_Write(meta, {0x0002, 0x0010, "UI", "1.2.840.10008.1.2.1"});
  std::string out(128, '\0');
  out += "DICM";
  std::string length;
  Part10_Put32(length, (uint32_t)meta.size());
  Part10_Element_Write(out, {0x0002, 0x0000, "UL", length});
  out += meta;
  for (const Part10_Element &e : elements) Part10_Element_Write(out, e);
  return out;
}
