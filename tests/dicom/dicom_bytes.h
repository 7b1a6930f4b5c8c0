// Hand-built DICOM byte streams for the reader tests: elements in explicit or implicit
// VR, little or big endian, items and delimiters, and Part 10 files around them.
#pragma once

#include <cstdint>
#include <string>

struct Dicom_Bytes {
  std::string bytes;
  bool big = false;  // numbers written big endian

  Dicom_Bytes &Raw(const std::string &more)
  {
    bytes += more;
    return *this;
  }
  Dicom_Bytes &U16(uint16_t v)
  {
    if (big) bytes += {(char)(v >> 8), (char)v};
    else bytes += {(char)v, (char)(v >> 8)};
    return *this;
  }
  Dicom_Bytes &U32(uint32_t v)
  {
    if (big) return U16((uint16_t)(v >> 16)).U16((uint16_t)v);
    return U16((uint16_t)v).U16((uint16_t)(v >> 16));
  }
  Dicom_Bytes &Tag(uint16_t group, uint16_t element) { return U16(group).U16(element); }
  // Explicit VR element; VRs with a reserved field get a 32-bit length.
  Dicom_Bytes &Explicit(uint16_t group, uint16_t element, const std::string &VR, const std::string &value,
                        int32_t length = -2)
  {
    Tag(group, element).Raw(VR);
    uint32_t n = length == -2 ? (uint32_t)value.size() : (uint32_t)length;
    static const std::string long_form = "OB OW OF OD OL OV SQ SV UC UN UR UT UV";
    if (long_form.find(VR) != std::string::npos) U16(0).U32(n);
    else U16((uint16_t)n);
    return Raw(value);
  }
  Dicom_Bytes &Implicit(uint16_t group, uint16_t element, const std::string &value, int32_t length = -2)
  {
    return Tag(group, element).U32(length == -2 ? (uint32_t)value.size() : (uint32_t)length).Raw(value);
  }
  Dicom_Bytes &Item(int32_t length = -1) { return Implicit(0xFFFE, 0xE000, "", length); }
  Dicom_Bytes &Item_End() { return Implicit(0xFFFE, 0xE00D, "", 0); }
  Dicom_Bytes &Sequence_End() { return Implicit(0xFFFE, 0xE0DD, "", 0); }
};

// A UID padded with a NUL to an even length.
inline std::string Even(std::string uid)
{
  if (uid.size() & 1) uid += '\0';
  return uid;
}

// A Part 10 file: preamble, "DICM", the meta group (explicit little endian) naming
// `syntax`, then `data_set` as given.
inline std::string Part10_File(const std::string &syntax, const std::string &data_set)
{
  Dicom_Bytes meta;
  meta.Explicit(0x0002, 0x0001, "OB", std::string("\0\1", 2))
      .Explicit(0x0002, 0x0002, "UI", Even("1.2.840.10008.5.1.4.1.1.7"))
      .Explicit(0x0002, 0x0010, "UI", Even(syntax));
  Dicom_Bytes group_length;
  group_length.Tag(0x0002, 0x0000).Raw("UL").U16(4).U32((uint32_t)meta.bytes.size());
  return std::string(128, '\0') + "DICM" + group_length.bytes + meta.bytes + data_set;
}
