// The element header reader over hand-built streams: each encoding of the mode byte,
// items and delimiters, truncated and malformed headers, the length limit, lengths that
// cannot be followed, and each manufacturer repair; and the common case (headers
// decoded straight from memory) giving what the general reader gives, messages and all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_TAG.h"
#include "dicom_bytes.h"
#include "support/test_support.h"

namespace {

struct Expected {
  int ok;
  uint16_t group, element;
  const char *VR;  // "" for none
  int32_t length;
  int64_t position;  // where the source stands after the header
};

struct Case {
  const char *name;
  std::string bytes;
  int mode;
  int64_t limit;
  Expected expected;
};

std::string B(std::initializer_list<int> bytes)
{
  std::string s;
  for (int b : bytes) s += (char)b;
  return s;
}

void Check(const Case &c, bool fuji = false)
{
  NEMA_Source source;
  NEMA_Source_Memory(&source, c.bytes.data(), (int64_t)c.bytes.size(), "test");
  uint16_t group = 0, element = 0;
  int16_t VR = 0;
  int32_t length = 0;
  int ok = fuji ? NEMA_Get_Data_Element_Fuji(nullptr, &source, c.mode, &group, &element, &VR, &length, c.limit)
                : NEMA_Get_Data_Element(nullptr, &source, c.mode, &group, &element, &VR, &length, c.limit);
  ASSERT_EQ(ok, c.expected.ok) << c.name;
  if (!ok) return;
  EXPECT_EQ(group, c.expected.group) << c.name;
  EXPECT_EQ(element, c.expected.element) << c.name;
  std::string vr = VR ? std::string{(char)((uint16_t)VR >> 8), (char)(VR & 0xFF)} : "";
  EXPECT_EQ(vr, c.expected.VR) << c.name;
  EXPECT_EQ(length, c.expected.length) << c.name;
  EXPECT_EQ(source.offset, c.expected.position) << c.name;
}

TEST(Element_Header, explicit_little_endian_layouts)
{
  const Case cases[] = {
      {"DA has a 2-byte length", Dicom_Bytes().Explicit(0x0008, 0x0020, "DA", "20240131").bytes, 0x08, 0,
       {1, 0x0008, 0x0020, "DA", 8, 8}},
      {"OW has a reserved field and a 4-byte length", Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OW", "0123").bytes, 0x08,
       0, {1, 0x7FE0, 0x0010, "OW", 4, 12}},
      {"UC (newer long VR) has a 4-byte length", Dicom_Bytes().Explicit(0x0018, 0x9445, "UC", "ab").bytes, 0x08, 0,
       {1, 0x0018, 0x9445, "UC", 2, 12}},
      {"an unknown upper-case VR has a 2-byte length", Dicom_Bytes().Explicit(0x0009, 0x1000, "XX", "abcd").bytes,
       0x08, 0, {1, 0x0009, 0x1000, "XX", 4, 8}},
      {"a 16-bit length is unsigned", Dicom_Bytes().Tag(0x0008, 0x1030).Raw("LO").U16(0xFFF0).bytes, 0x08, 0,
       {1, 0x0008, 0x1030, "LO", 0xFFF0, 8}},
      {"non-letter VR bytes are an implicit 32-bit length", Dicom_Bytes().Implicit(0x0009, 0x1010, "abcd").bytes, 0x08,
       0, {1, 0x0009, 0x1010, "", 4, 8}},
      {"an item tag has no VR", Dicom_Bytes().Item(10).bytes, 0x08, 0, {1, 0xFFFE, 0xE000, "", 10, 8}},
      {"an undefined SQ length is -1", Dicom_Bytes().Explicit(0x0008, 0x1140, "SQ", "", -1).bytes, 0x08, 0,
       {1, 0x0008, 0x1140, "SQ", -1, 12}},
  };
  for (const Case &c : cases) Check(c);
}

TEST(Element_Header, implicit_and_meta_group)
{
  Dicom_Bytes big;
  big.big = true;
  const Case cases[] = {
      {"implicit element", Dicom_Bytes().Implicit(0x0010, 0x0010, "Doe^J ").bytes, 0x00, 0,
       {1, 0x0010, 0x0010, "", 6, 8}},
      {"implicit pixel data written as explicit OB", Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OB", "", -1).bytes, 0x00,
       0, {1, 0x7FE0, 0x0010, "OB", -1, 12}},
      {"group 0002 is explicit little endian in a big-endian mode",
       Dicom_Bytes().Explicit(0x0002, 0x0010, "UI", Even("1.2.840.10008.1.2")).bytes, 0x09, 0,
       {1, 0x0002, 0x0010, "UI", 18, 8}},
      {"group 0002 written implicit is read implicit", Dicom_Bytes().Implicit(0x0002, 0x0010, "12").bytes, 0x08, 0,
       {1, 0x0002, 0x0010, "", 2, 8}},
  };
  for (const Case &c : cases) Check(c);
}

TEST(Element_Header, byte_orders_of_modes_1_2_and_3)
{
  Dicom_Bytes big;
  big.big = true;
  const Case cases[] = {
      {"explicit big endian", Dicom_Bytes(big).Explicit(0x0008, 0x0020, "DA", "20240131").bytes, 0x09, 0,
       {1, 0x0008, 0x0020, "DA", 8, 8}},
      {"implicit big endian", Dicom_Bytes(big).Implicit(0x0010, 0x0010, "ab").bytes, 0x01, 0,
       {1, 0x0010, 0x0010, "", 2, 8}},
      // mode 0x02: group and element swapped, the length's pairs swapped.
      {"pairs swapped", B({0x00, 0x10, 0x00, 0x10, 0x00, 0x06, 0x00, 0x00}), 0x02, 0, {1, 0x0010, 0x0010, "", 6, 8}},
      // mode 0x03: group swapped twice, element as it stands, the length's pairs reversed.
      {"big endian and pairs swapped", B({0x10, 0x00, 0x10, 0x00, 0x00, 0x00, 0x06, 0x00}), 0x03, 0,
       {1, 0x0010, 0x0010, "", 6, 8}},
  };
  for (const Case &c : cases) Check(c);
}

TEST(Element_Header, truncated_and_malformed_headers_fail)
{
  const Case cases[] = {
      {"one byte", B({0x08}), 0x08, 0, {0, 0, 0, "", 0, 0}},
      {"a tag without a length", Dicom_Bytes().Tag(0x0010, 0x0010).bytes, 0x00, 0, {0, 0, 0, "", 0, 0}},
      {"a VR without a length", Dicom_Bytes().Tag(0x0010, 0x0010).Raw("PN").bytes, 0x08, 0, {0, 0, 0, "", 0, 0}},
      {"a long VR without its length", Dicom_Bytes().Tag(0x7FE0, 0x0010).Raw("OB").U16(0).bytes, 0x08, 0,
       {0, 0, 0, "", 0, 0}},
      {"a length below -1", Dicom_Bytes().Implicit(0x0010, 0x0010, "", -3).bytes, 0x00, 0, {0, 0, 0, "", 0, 0}},
      {"an item tag in the wrong byte order", B({0xFF, 0xFE, 0xE0, 0x00, 0, 0, 0, 0}), 0x00, 0, {0, 0, 0, "", 0, 0}},
      {"a sequence delimiter at the very end counts as read", Dicom_Bytes().Tag(0xFFFE, 0xE0DD).bytes, 0x08, 0,
       {1, 0xFFFE, 0xE0DD, "", 0, 4}},
      {"an item delimiter at the very end counts as read", Dicom_Bytes().Tag(0xFFFE, 0xE00D).bytes, 0x00, 0,
       {1, 0xFFFE, 0xE00D, "", 0, 4}},
  };
  for (const Case &c : cases) Check(c);
}

TEST(Element_Header, length_limit)
{
  std::string ten = Dicom_Bytes().Implicit(0x0010, 0x0010, "", 10).bytes;
  const Case cases[] = {
      {"a length below the limit passes", ten, 0x00, 11, {1, 0x0010, 0x0010, "", 10, 8}},
      {"a length equal to the limit fails", ten, 0x00, 10, {0, 0, 0, "", 0, 0}},
      {"no limit", ten, 0x00, 0, {1, 0x0010, 0x0010, "", 10, 8}},
      {"an undefined length passes any limit", Dicom_Bytes().Explicit(0x0008, 0x1140, "SQ", "", -1).bytes, 0x08, 1,
       {1, 0x0008, 0x1140, "SQ", -1, 12}},
      {"an implicit length inside an explicit stream is limited too",
       Dicom_Bytes().Implicit(0x0009, 0x1010, "", 100).bytes, 0x08, 100, {0, 0, 0, "", 0, 0}},
  };
  for (const Case &c : cases) Check(c);
}

// A length the walk cannot follow: the reader fails and says so once, naming the tag,
// the offset of the element and the source.
struct Length_Fault_Case {
  const char *name;
  std::string element;  // written after 6 bytes of other data, so the element is at offset 6
  int mode;
  bool fuji;
  const char *tag;  // "(gggg,eeee)"
  const char *why;
};

TEST(Element_Header, lengths_of_2_31_and_above_and_forbidden_undefined_lengths_end_the_walk_with_one_warning)
{
  Dicom_Bytes big;
  big.big = true;
  const Length_Fault_Case cases[] = {
      {"implicit length 0x80000000", Dicom_Bytes().Implicit(0x0010, 0x0010, "", (int32_t)0x80000000).bytes, 0x00,
       false, "(0010,0010)", "length 80000000 is 2^31 bytes or more"},
      {"implicit length 0xFFFFFFFD, just below undefined",
       Dicom_Bytes().Implicit(0x0008, 0x0020, "", (int32_t)0xFFFFFFFD).bytes, 0x00, false, "(0008,0020)",
       "length FFFFFFFD is 2^31 bytes or more"},
      {"explicit OB with a 32-bit length of 0xF0000000",
       Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OB", "", (int32_t)0xF0000000).bytes, 0x08, false, "(7fe0,0010)",
       "length F0000000 is 2^31 bytes or more"},
      {"explicit big-endian UN of 0x80000001",
       Dicom_Bytes(big).Explicit(0x0009, 0x1001, "UN", "", (int32_t)0x80000001).bytes, 0x09, false, "(0009,1001)",
       "length 80000001 is 2^31 bytes or more"},
      {"an implicit element inside an explicit stream, 0x90000000",
       Dicom_Bytes().Implicit(0x0009, 0x1010, "", (int32_t)0x90000000).bytes, 0x08, false, "(0009,1010)",
       "length 90000000 is 2^31 bytes or more"},
      {"an item of 0x80000000", Dicom_Bytes().Item((int32_t)0x80000000).bytes, 0x08, false, "(fffe,e000)",
       "length 80000000 is 2^31 bytes or more"},
      {"UT with an undefined length", Dicom_Bytes().Explicit(0x0008, 0x0119, "UT", "", -1).bytes, 0x08, false,
       "(0008,0119)", "an undefined length, which VR UT does not allow"},
      {"OF with an undefined length", Dicom_Bytes().Explicit(0x7FE0, 0x0008, "OF", "", -1).bytes, 0x08, false,
       "(7fe0,0008)", "an undefined length, which VR OF does not allow"},
      {"an item delimiter with an undefined length", Dicom_Bytes().Implicit(0xFFFE, 0xE00D, "", -1).bytes, 0x00,
       false, "(fffe,e00d)", "a delimiter with an undefined length"},
      {"a sequence delimiter with an undefined length", Dicom_Bytes().Implicit(0xFFFE, 0xE0DD, "", -1).bytes, 0x08,
       false, "(fffe,e0dd)", "a delimiter with an undefined length"},
      {"Fuji LO with a 32-bit length of 0x80000000",
       Dicom_Bytes().Tag(0x0010, 0x0010).Raw("LO").U32(0x80000000).bytes, 0x00, true, "(0010,0010)",
       "length 80000000 is 2^31 bytes or more"},
      {"Fuji DA with an undefined length", Dicom_Bytes().Tag(0x0008, 0x0020).Raw("DA").U32(0xFFFFFFFF).bytes, 0x00,
       true, "(0008,0020)", "an undefined length, which VR DA does not allow"},
  };
  for (const Length_Fault_Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = std::string(6, 'x') + c.element + std::string(16, '\0');
    Message_Capture capture(0);
    NEMA_Source source;
    NEMA_Source_Memory(&source, bytes.data(), (int64_t)bytes.size(), "hostile.dcm");
    ASSERT_EQ(NEMA_Source_Seek(nullptr, &source, 6), 1);
    uint16_t group, element;
    int16_t VR;
    int32_t length;
    int ok = c.fuji ? NEMA_Get_Data_Element_Fuji(nullptr, &source, c.mode, &group, &element, &VR, &length, 0)
                    : NEMA_Get_Data_Element(nullptr, &source, c.mode, &group, &element, &VR, &length, 0);
    EXPECT_EQ(ok, 0);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].first, MSG_WARNING);
    EXPECT_EQ(capture.messages[0].second, std::string("\xF1\x04" "ERROR:\x02 Tag ") + c.tag +
                                              " at offset 6 of hostile.dcm: " + c.why + "; reading stops there");
  }
}

TEST(Element_Header, undefined_lengths_where_they_are_allowed_pass_without_a_message)
{
  Message_Capture capture(0);
  const Case cases[] = {
      {"an item", Dicom_Bytes().Item(-1).bytes, 0x08, 0, {1, 0xFFFE, 0xE000, "", -1, 8}},
      {"an implicit element (a sequence of unknown VR)", Dicom_Bytes().Implicit(0x0009, 0x1020, "", -1).bytes, 0x00,
       0, {1, 0x0009, 0x1020, "", -1, 8}},
      {"UN", Dicom_Bytes().Explicit(0x0009, 0x1030, "UN", "", -1).bytes, 0x08, 0, {1, 0x0009, 0x1030, "UN", -1, 12}},
      {"OW pixel data", Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OW", "", -1).bytes, 0x08, 0,
       {1, 0x7FE0, 0x0010, "OW", -1, 12}},
      {"a length of 0x7FFFFFFF with no limit",
       Dicom_Bytes().Implicit(0x0010, 0x0010, "", 0x7FFFFFFF).bytes, 0x00, 0, {1, 0x0010, 0x0010, "", 0x7FFFFFFF, 8}},
  };
  for (const Case &c : cases) Check(c);
  EXPECT_TRUE(capture.messages.empty());
}

TEST(Element_Header, vendor_repairs)
{
  std::string jpeg = B({0xFF, 0xD8, 0xFF, 0xE0, 0xAA, 0xBB, 0xFF, 0xD9, 0x00, 0x00});
  std::string raw_jpeg = Dicom_Bytes().Implicit(0x7FE0, 0x0010, "", -1).Raw(jpeg).bytes;
  std::string no_end = Dicom_Bytes().Implicit(0x7FE0, 0x0010, "", -1).Raw(B({0xFF, 0xD8, 0xFF, 0xE0, 1, 2})).bytes;
  const Case cases[] = {
      {"Philips item tag (3F3F,3F00)", B({0x3F, 0x3F, 0x00, 0x3F, 0x04, 0, 0, 0}), 0x08, 0,
       {1, 0xFFFE, 0xE000, "", 4, 8}},
      {"Philips (3F3F,003F) itself is left", Dicom_Bytes().Implicit(0x3F3F, 0x003F, "", 2).bytes, 0x00, 0,
       {1, 0x3F3F, 0x003F, "", 2, 8}},
      {"Siemens (0040,0275) with a reserved length is skipped as (FFFF,FFFF)",
       Dicom_Bytes().Tag(0x0040, 0x0275).Raw("SQ").U16(8).bytes, 0x08, 0, {1, 0xFFFF, 0xFFFF, "OB", 8, 8}},
      {"Siemens (0040,0275) with a zero reserved field is a sequence",
       Dicom_Bytes().Explicit(0x0040, 0x0275, "SQ", "", -1).bytes, 0x08, 0, {1, 0x0040, 0x0275, "SQ", -1, 12}},
      {"Siemens UL of 6 holding spaces becomes CS of 4",
       Dicom_Bytes().Explicit(0x0009, 0x1010, "UL", "      ").bytes, 0x08, 0, {1, 0x0009, 0x1010, "CS", 4, 8}},
      {"Siemens UL of 6 holding data is left", Dicom_Bytes().Explicit(0x0009, 0x1010, "UL", "abcdef").bytes, 0x08, 0,
       {1, 0x0009, 0x1010, "UL", 6, 8}},
      {"Siemens raw JPEG pixel data gets its length", raw_jpeg, 0x00, 1000, {1, 0x7FE0, 0x0010, "", 8, 8}},
      {"Siemens raw JPEG without a limit fails", raw_jpeg, 0x00, 0, {0, 0, 0, "", 0, 0}},
      {"Siemens raw JPEG without an end marker fails", no_end, 0x00, 1000, {0, 0, 0, "", 0, 0}},
      {"GE length 13 becomes 10 under quirk code 0x10", Dicom_Bytes().Implicit(0x0019, 0x1010, "", 13).bytes, 0x10,
       0, {1, 0x0019, 0x1010, "", 10, 8}},
      {"length 13 stays without the quirk code", Dicom_Bytes().Implicit(0x0019, 0x1010, "", 13).bytes, 0x00, 0,
       {1, 0x0019, 0x1010, "", 13, 8}},
  };
  for (const Case &c : cases) Check(c);
}

TEST(Element_Header, repairs_are_reported_only_under_the_warning_kind)
{
  Message_Capture capture(0);
  std::string bytes = Dicom_Bytes().Implicit(0x0019, 0x1010, "", 13).bytes;
  Check({"silent", bytes, 0x10, 0, {1, 0x0019, 0x1010, "", 10, 8}});
  EXPECT_TRUE(capture.messages.empty());
  NEMA_Warning_Kind = MSG_WARNING;
  Check({"reported", bytes, 0x10, 0, {1, 0x0019, 0x1010, "", 10, 8}});
  NEMA_Warning_Kind = 0;
  ASSERT_EQ(capture.messages.size(), 1u);
  EXPECT_EQ(capture.messages[0].second,
            "    \xF1\x05WARNING:\x02 Fix GE bug: lenght from 13 to 10 in tag (0019,1010)");
}

TEST(Element_Header, fuji_streams_carry_32_bit_lengths_after_every_VR)
{
  const Case cases[] = {
      {"DA with a 32-bit length", Dicom_Bytes().Tag(0x0008, 0x0020).Raw("DA").U32(8).bytes, 0x00, 0,
       {1, 0x0008, 0x0020, "DA", 8, 10}},
      {"an item stays implicit", Dicom_Bytes().Item(6).bytes, 0x00, 0, {1, 0xFFFE, 0xE000, "", 6, 8}},
      {"no GE repair", Dicom_Bytes().Tag(0x0019, 0x1010).Raw("LO").U32(13).bytes, 0x10, 0,
       {1, 0x0019, 0x1010, "LO", 13, 10}},
  };
  for (const Case &c : cases) Check(c, true);
}

// ---- the common case against the general reader ---------------------------------------------

// What one read of a header gives: the return, the outputs, where the source stands and
// the messages below the trace kinds.
struct Header_Read {
  int ok = 0;
  uint16_t group = 0, element = 0;
  int16_t VR = 0;
  int32_t length = 0;
  int64_t offset = 0;
  std::vector<std::string> messages;
  bool operator==(const Header_Read &) const = default;
};

// Reads the header of `bytes` with the trace at `level` (the common case is taken with
// the trace off; from level 4 on, every header goes through the general reader).
Header_Read Read_At_Level(const std::string &bytes, int mode, int64_t limit, signed char level)
{
  Message_Capture capture(level);
  int warning_kind = NEMA_Warning_Kind.exchange(MSG_WARNING);
  NEMA_Source source;
  NEMA_Source_Memory(&source, bytes.data(), (int64_t)bytes.size(), "test");
  Header_Read read;
  read.ok = NEMA_Get_Data_Element(nullptr, &source, mode, &read.group, &read.element, &read.VR, &read.length, limit);
  read.offset = source.offset;
  NEMA_Warning_Kind.store(warning_kind);
  for (const auto &[kind, text] : capture.messages)
    if (kind < MSG_TRACE) read.messages.push_back(text);
  return read;
}

TEST(Element_Header, the_common_case_reads_every_header_as_the_general_reader_does)
{
  auto big = [] {
    Dicom_Bytes d;
    d.big = true;
    return d;
  };
  const struct {
    const char *name;
    std::string bytes;
    int mode;
    int64_t limit;
  } cases[] = {
      // explicit VR little endian
      {"a short VR", Dicom_Bytes().Explicit(0x0008, 0x0020, "DA", "20240131").bytes, 0x08, 0},
      {"a long VR", Dicom_Bytes().Explicit(0x0009, 0x1000, "OB", "0123").bytes, 0x08, 0},
      {"an undefined SQ", Dicom_Bytes().Explicit(0x0008, 0x1140, "SQ", "", -1).bytes, 0x08, 0},
      {"an undefined UN", Dicom_Bytes().Explicit(0x0009, 0x1010, "UN", "", -1).bytes, 0x08, 0},
      {"an undefined UT", Dicom_Bytes().Explicit(0x0008, 0x2111, "UT", "", -1).bytes, 0x08, 0},
      {"a length of 2^31", Dicom_Bytes().Explicit(0x0010, 0x1010, "UT", "", (int32_t)0x80000000).bytes, 0x08, 0},
      {"an odd length", Dicom_Bytes().Explicit(0x0010, 0x0010, "PN", "Doe").bytes, 0x08, 0},
      {"a length at the limit", Dicom_Bytes().Explicit(0x0010, 0x0010, "PN", "Doe^").bytes, 0x08, 4},
      {"a non-zero reserved field", Dicom_Bytes().Tag(0x0009, 0x1000).Raw("OB").U16(6).U32(4).Raw("0123").bytes,
       0x08, 0},
      {"the Siemens reserved field", Dicom_Bytes().Tag(0x0040, 0x0275).Raw("SQ").U16(6).U32(0).bytes, 0x08, 0},
      {"no VR in an explicit stream", Dicom_Bytes().Implicit(0x0009, 0x1010, "abcd").bytes, 0x08, 0},
      {"a Siemens UL of 6", Dicom_Bytes().Explicit(0x0009, 0x1100, "UL", "      ").bytes, 0x08, 0},
      {"a Philips item", Dicom_Bytes().Implicit(0x3F3F, 0x3F3F, "", 8).bytes, 0x08, 0},
      {"raw JPEG pixel data", Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OB", "", -1).Raw("\xFF\xD8\xFF\xE0\xFF\xD9").bytes,
       0x08, 100},
      {"a meta group element", Dicom_Bytes().Explicit(0x0002, 0x0013, "SH", "TEST01").bytes, 0x08, 0},
      {"an item", Dicom_Bytes().Item(10).bytes, 0x08, 0},
      {"an undefined item", Dicom_Bytes().Item().bytes, 0x08, 0},
      {"an item delimiter", Dicom_Bytes().Item_End().bytes, 0x08, 0},
      {"an undefined sequence delimiter", Dicom_Bytes().Implicit(0xFFFE, 0xE0DD, "", -1).bytes, 0x08, 0},
      {"a swapped item tag", Dicom_Bytes().Implicit(0xFEFF, 0x00E0, "", 0).bytes, 0x08, 0},
      {"a short header cut", Dicom_Bytes().Explicit(0x0008, 0x0020, "DA", "").bytes.substr(0, 6), 0x08, 0},
      {"a long header cut", Dicom_Bytes().Explicit(0x0009, 0x1000, "OB", "").bytes.substr(0, 10), 0x08, 0},
      {"the GE quirk", Dicom_Bytes().Tag(0x0008, 0x0070).Raw("LO").U16(13).Raw("GE MEDICAL ").bytes, 0x18, 0},
      // implicit VR little endian
      {"an implicit element", Dicom_Bytes().Implicit(0x0010, 0x0010, "Doe^").bytes, 0x00, 0},
      {"an implicit undefined length", Dicom_Bytes().Implicit(0x0009, 0x1010, "", -1).bytes, 0x00, 0},
      {"an implicit odd length", Dicom_Bytes().Implicit(0x0010, 0x0010, "Doe").bytes, 0x00, 0},
      {"explicit pixel data in an implicit stream", Dicom_Bytes().Explicit(0x7FE0, 0x0010, "OB", "0123").bytes, 0x00,
       0},
      {"an implicit item", Dicom_Bytes().Item(6).bytes, 0x00, 0},
      // explicit VR big endian
      {"a big endian short VR", big().Explicit(0x0028, 0x0010, "US", "\1\0").bytes, 0x09, 0},
      {"a big endian long VR", big().Explicit(0x0009, 0x1000, "OW", "0123").bytes, 0x09, 0},
      {"a big endian item", big().Item(12).bytes, 0x09, 0},
      {"a big endian item delimiter", big().Item_End().bytes, 0x09, 0},
      {"a little endian meta group in a big endian stream", Dicom_Bytes().Explicit(0x0002, 0x0010, "UI", "1.2.").bytes,
       0x09, 0},
      {"a big endian element of group 0200", big().Explicit(0x0200, 0x0010, "UI", "1.2.").bytes, 0x09, 0},
      // pairs swapped: always the general reader
      {"a pair-swapped stream", Dicom_Bytes().Explicit(0x0008, 0x0020, "DA", "20240131").bytes, 0x0A, 0},
  };
  for (const auto &c : cases) {
    Header_Read common = Read_At_Level(c.bytes, c.mode, c.limit, 0), general = Read_At_Level(c.bytes, c.mode, c.limit, 4);
    EXPECT_TRUE(common == general) << c.name << ": ok " << common.ok << "/" << general.ok << " tag " << std::hex
                                   << common.group << "," << common.element << "/" << general.group << ","
                                   << general.element << " length " << std::dec << common.length << "/"
                                   << general.length << " at " << common.offset << "/" << general.offset
                                   << " messages " << common.messages.size() << "/" << general.messages.size();
  }
}

}  // namespace
