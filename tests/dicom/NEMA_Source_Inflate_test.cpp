// Deflated data sets and streams without meta information: a deflated file built here
// (zlib's raw deflate of an explicit little endian data set) must read as its plain
// twin, from a file, element by element and from memory; an empty, truncated or
// corrupt stream must stop with one warning naming the file and where, keeping the
// elements inflated before the fault; a meta-less stream's encoding is guessed from
// its first element; pydicom's own deflated file reads whole.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "attribute_lists.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Read_TAG.h"
#include "dicom/NEMA_Read_Value.h"
#include "dicom/NEMA_Source_Inflate.h"
#include "dicom_bytes.h"
#include "support/test_support.h"

namespace {

const char *const explicit_le = "1.2.840.10008.1.2.1";

// A data set with a nested sequence, short values and pixel data over 1024 bytes.
std::string Data_Set()
{
  Dicom_Bytes d;
  d.Explicit(0x0008, 0x0016, "UI", Even("1.2.840.10008.5.1.4.1.1.7"))
      .Explicit(0x0008, 0x0060, "CS", "OT")
      .Explicit(0x0008, 0x1140, "SQ", "", -1)
      .Item()
      .Explicit(0x0008, 0x1150, "UI", Even("1.2.840.10008.5.1.4.1.1.7"))
      .Item_End()
      .Sequence_End()
      .Explicit(0x0010, 0x0010, "PN", "Doe^Jane")
      .Explicit(0x0020, 0x000D, "UI", Even("1.2.3.4.5"))
      .Explicit(0x0028, 0x0010, "US", std::string("\x40\0", 2))
      .Explicit(0x7FE0, 0x0010, "OW", std::string(3000, '\x55'));
  return d.bytes;
}

// A file with preamble and a meta group naming the deflated syntax, optionally with elements
// after the UID (the group then ends later), followed by `stream`.
std::string Deflated_File(const std::string &stream, bool meta_after_uid)
{
  Dicom_Bytes tail;
  if (meta_after_uid) tail.Explicit(0x0002, 0x0012, "UI", Even("1.2.3.99")).Explicit(0x0002, 0x0013, "SH", "TEST01");
  return Part10_File(NEMA_DEFLATED_SYNTAX_UID, tail.bytes + stream);
}

// Where the data set starts: after the last meta element.
int64_t Data_Set_Start(const DICOM_Attribute *list)
{
  int64_t end = 0;
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == 0x0002) end = r->value_position + r->size;
  return end;
}

// Whether two lists hold the same data set: every record past group 0002 alike but for
// positions, which must lie at the same offsets from each data set's start.
void Expect_Same_Data_Set(const DICOM_Attribute *plain, const DICOM_Attribute *inflated, const std::string &label)
{
  int64_t plain_start = Data_Set_Start(plain), inflated_start = Data_Set_Start(inflated);
  auto skip_meta = [](const DICOM_Attribute *r) {
    while (r && r->group == 0x0002) r = r->next;
    return r;
  };
  EXPECT_EQ(Shape(skip_meta(plain)), Shape(skip_meta(inflated))) << label;
  const DICOM_Attribute *a = skip_meta(plain), *b = skip_meta(inflated);
  for (; a && b; a = a->next, b = b->next) {
    EXPECT_EQ(a->VR, b->VR) << label;
    EXPECT_EQ(a->size, b->size) << label;
    EXPECT_EQ(a->mode, b->mode) << label;
    EXPECT_EQ(a->value_position - plain_start, b->value_position - inflated_start) << label;
    EXPECT_EQ(!a->data, !b->data) << label;
    if (a->data && b->data && a->size > 0) {
      EXPECT_EQ(std::string((char *)a->data, a->size), std::string((char *)b->data, b->size)) << label;
    }
  }
}

// ---- reading a deflated data set ------------------------------------------------------------

TEST(Inflate, a_deflated_file_reads_the_same_elements_as_its_plain_twin)
{
  Scoped_Temp_Env env;
  std::string plain_path = env.temp() + "plain.dcm";
  ASSERT_TRUE(Write_File(plain_path, Part10_File(explicit_le, Data_Set())));
  Read_List plain(plain_path);
  ASSERT_NE(plain.Get(0x7FE0, 0x0010), nullptr);
  for (bool meta_after_uid : {false, true}) {
    std::string label = meta_after_uid ? "meta group goes on after the UID" : "meta group ends at the UID";
    std::string path = env.temp() + "deflated.dcm";
    ASSERT_TRUE(Write_File(path, Deflated_File(Raw_Deflate(Data_Set()), meta_after_uid)));
    Message_Capture log;
    Read_List deflated(path);
    Expect_Same_Data_Set(plain.list, deflated.list, label + ", windowed");
    EXPECT_EQ(deflated.Text(0x0002, 0x0010), NEMA_DEFLATED_SYNTAX_UID) << label;
    EXPECT_EQ(log.Count(MSG_WARNING, ""), 0) << label;

    Flat_List element_by_element;
    int64_t bytes_read = 0;
    element_by_element.list = Read_Through(path, 0, &bytes_read);
    std::string why;
    EXPECT_TRUE(Same_List(element_by_element.list, deflated.list, &why)) << label << ": " << why;
  }
}

TEST(Inflate, a_memory_source_inflates_and_closing_it_releases_the_data_set)
{
  std::string bytes = Deflated_File(Raw_Deflate(Data_Set()), true);
  NEMA_Source source;
  NEMA_Source_Memory(&source, bytes.data(), (int64_t)bytes.size(), "memory");
  NEMA_Source_Seek(nullptr, &source, 132);
  Flat_List read;
  read.list = DICOMDIR_Scan_Source(&source, &read.root);
  EXPECT_EQ(source.kind, NEMA_SOURCE_INFLATED);
  EXPECT_EQ(source.size, source.inflated_from + (int64_t)Data_Set().size());
  NEMA_Source_Close(&source);
  EXPECT_EQ(source.inflated, nullptr);
  unsigned char byte;
  EXPECT_EQ(NEMA_Source_Read(&source, &byte, 1), 0);  // a closed inflated source holds nothing
  DICOM_Sequence_Root top{};
  const DICOM_Attribute *name = DICOM_Attribute_Get(nullptr, &top, read.list, 0x0010, 0x0010);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string((char *)name->data, name->size), "Doe^Jane");
}

TEST(Inflate, the_deflated_syntax_is_recognised_padded_and_only_whole)
{
  const struct {
    std::string value;
    bool deflated;
  } cases[] = {
      {"1.2.840.10008.1.2.1.99", true},
      {std::string("1.2.840.10008.1.2.1.99\0\0", 24), true},
      {"1.2.840.10008.1.2.1.99 ", true},
      {"1.2.840.10008.1.2.1.9", false},
      {"1.2.840.10008.1.2.1.990", false},
      {"1.2.840.10008.1.2.1", false},
      {"", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(NEMA_Is_Deflated_Syntax((const unsigned char *)c.value.data(), (int64_t)c.value.size()), c.deflated)
        << c.value;
}

TEST(Inflate, a_skipped_value_is_read_again_from_the_inflated_stream)
{
  Scoped_Temp_Env env;
  std::string path = env.temp() + "deflated.dcm";
  ASSERT_TRUE(Write_File(path, Deflated_File(Raw_Deflate(Data_Set()), true)));
  Read_List read(path);
  DICOM_Attribute *pixels = (DICOM_Attribute *)read.Get(0x7FE0, 0x0010);
  ASSERT_NE(pixels, nullptr);
  ASSERT_EQ(pixels->data, nullptr);  // over 1024 bytes: skipped by the header reader
  NEMA_Value_Source_File(path.c_str());
  unsigned char *bytes = DICOM_Value_Buffer(nullptr, pixels, 0);
  NEMA_Value_Source_Clear();
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string((char *)bytes, pixels->size), std::string(3000, '\x55'));
}

// ---- faults in the stream ---------------------------------------------------------------------

// The first elements of Data_Set(), deflated as a stream left open: what a fault after
// them keeps.
std::string Head_Elements()
{
  Dicom_Bytes d;
  d.Explicit(0x0008, 0x0016, "UI", Even("1.2.840.10008.5.1.4.1.1.7")).Explicit(0x0008, 0x0060, "CS", "OT");
  return d.bytes;
}

TEST(Inflate, a_faulty_stream_stops_with_one_warning_and_keeps_what_came_before)
{
  Scoped_Temp_Env env;
  std::string head = Raw_Deflate(Head_Elements(), false);
  std::string whole = Raw_Deflate(Data_Set());
  const struct {
    const char *name;
    std::string stream;
    const char *warning;   // part of the one warning
    bool head_kept;        // (0008,0060) read before the fault
  } cases[] = {
      {"empty.dcm", "", "is empty at byte", false},
      {"truncated.dcm", head, "ends before its deflate stream does", true},
      {"one byte.dcm", whole.substr(0, 1), "ends before its deflate stream does", false},
      // 0xFF starts a last block of the reserved type 3.
      {"corrupt.dcm", head + std::string(8, '\xFF'), "is corrupt (invalid block type)", true},
      {"not deflate.dcm", std::string(64, '\xFF'), "is corrupt", false},
  };
  for (const auto &c : cases) {
    std::string path = env.temp() + c.name;
    std::string file = Deflated_File(c.stream, false);
    ASSERT_TRUE(Write_File(path, file));
    Message_Capture log;
    Read_List read(path);
    std::vector<std::string> warnings = log.Texts(MSG_WARNING);
    ASSERT_EQ(warnings.size(), 1u) << c.name;
    EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find(path), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("of the inflated data set"), std::string::npos) << warnings[0];
    EXPECT_EQ(read.Text(0x0002, 0x0010), NEMA_DEFLATED_SYNTAX_UID) << c.name;
    EXPECT_EQ(read.Text(0x0008, 0x0060), c.head_kept ? "OT" : "") << c.name;
    EXPECT_EQ(read.Get(0x7FE0, 0x0010), nullptr) << c.name;
  }
}

TEST(Inflate, the_warning_names_the_stream_byte_and_the_inflated_offset)
{
  Scoped_Temp_Env env;
  std::string head = Raw_Deflate(Head_Elements(), false);
  std::string file = Deflated_File(head, false);
  std::string path = env.temp() + "truncated.dcm";
  ASSERT_TRUE(Write_File(path, file));
  Message_Capture log;
  Read_List read(path);
  int64_t stream_end = (int64_t)file.size();
  std::string expected = "at byte " + std::to_string(stream_end) + " of the file; reading stops at offset " +
                         std::to_string(Head_Elements().size()) + " of the inflated data set";
  ASSERT_EQ(log.Texts(MSG_WARNING).size(), 1u);
  EXPECT_NE(log.Texts(MSG_WARNING)[0].find(expected), std::string::npos) << log.Texts(MSG_WARNING)[0];
}

TEST(Inflate, a_length_fault_in_the_data_set_is_placed_in_the_inflated_data_set)
{
  Scoped_Temp_Env env;
  Dicom_Bytes d;
  d.Raw(Head_Elements()).Explicit(0x0010, 0x0010, "UT", "", (int32_t)0x80000000);
  std::string path = env.temp() + "long.dcm";
  ASSERT_TRUE(Write_File(path, Deflated_File(Raw_Deflate(d.bytes), false)));
  Message_Capture log;
  Read_List read(path);
  EXPECT_EQ(log.Count(MSG_WARNING, "Tag (0010,0010) at offset " + std::to_string(Head_Elements().size()) +
                                       " of the inflated data set of " + path),
            1);
  EXPECT_EQ(read.Text(0x0008, 0x0060), "OT");
}

TEST(Inflate, bytes_after_the_stream_are_ignored)
{
  Scoped_Temp_Env env;
  std::string path = env.temp() + "trailing.dcm";
  ASSERT_TRUE(Write_File(path, Deflated_File(Raw_Deflate(Data_Set()) + "trailing junk", false)));
  Message_Capture log;
  Read_List read(path);
  EXPECT_EQ(log.Count(MSG_WARNING, ""), 0);
  EXPECT_EQ(read.Text(0x0010, 0x0010), "Doe^Jane");
}

TEST(Inflate, pydicoms_deflated_file_is_read_whole)
{
  Read_List read("/usr/lib/python3/dist-packages/pydicom/data/test_files/image_dfl.dcm");
  const DICOM_Attribute *pixels = read.Get(0x7FE0, 0x0010);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(pixels->size, 262144);  // 512 x 512 bytes, as pydicom reads it
  int data_set = 0;
  for (const DICOM_Attribute *r = read.list; r; r = r->next) data_set += r->group != 0x0002;
  EXPECT_EQ(data_set, 29);
}

// ---- streams without meta information ----------------------------------------------------------

TEST(Guess_Stream_Mode, the_first_element_decides_the_encoding)
{
  Dicom_Bytes big;
  big.big = true;
  big.Explicit(0x0008, 0x0005, "CS", "ISO_IR 100");
  Dicom_Bytes little, implicit, meta, high_group;
  little.Explicit(0x0008, 0x0005, "CS", "ISO_IR 100");
  implicit.Implicit(0x0008, 0x0005, "ISO_IR 100");
  meta.Explicit(0x0002, 0x0000, "UL", "\4\0\0\0");
  high_group.Explicit(0x0800, 0x0005, "CS", "ISO_IR 100");
  const struct {
    const char *label;
    std::string bytes;
    int mode;
  } cases[] = {
      {"explicit big endian", big.bytes, NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN},
      {"explicit little endian", little.bytes, NEMA_MODE_EXPLICIT},
      {"implicit little endian", implicit.bytes, 0},
      {"file meta group", meta.bytes, NEMA_MODE_EXPLICIT},
      {"a group of 0x0400 or more reads as big endian", high_group.bytes, NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN},
      {"lower-case VR bytes are no VR", little.bytes.substr(0, 4) + "cs\0\0", 0},
      {"fewer than six bytes", little.bytes.substr(0, 5), NEMA_MODE_EXPLICIT},
  };
  for (const auto &c : cases) {
    NEMA_Source source;
    NEMA_Source_Memory(&source, c.bytes.data(), (int64_t)c.bytes.size(), "guess");
    EXPECT_EQ(NEMA_Guess_Stream_Mode(nullptr, &source), c.mode) << c.label;
    EXPECT_EQ(NEMA_Source_Position(nullptr, &source), 0) << c.label;
  }
}

TEST(Guess_Stream_Mode, meta_less_files_read_in_the_guessed_encoding)
{
  Scoped_Temp_Env env;
  for (bool big : {true, false}) {
    for (bool explicit_VR : {true, false}) {
      if (big && !explicit_VR) continue;  // big endian is explicit only
      Dicom_Bytes d;
      d.big = big;
      auto element = [&](uint16_t g, uint16_t e, const char *VR, const std::string &v) {
        if (explicit_VR) d.Explicit(g, e, VR, v);
        else d.Implicit(g, e, v);
      };
      element(0x0008, 0x0060, "CS", "OT");
      element(0x0010, 0x0010, "PN", "Doe^Jane");
      element(0x0028, 0x0010, "US", big ? std::string("\x02\0", 2) : std::string("\0\x02", 2));
      std::string label = std::string(big ? "big" : "little") + (explicit_VR ? " explicit" : " implicit");
      std::string path = env.temp() + "no_meta.dcm";
      ASSERT_TRUE(Write_File(path, d.bytes));
      Read_List read(path);
      EXPECT_EQ(read.Text(0x0010, 0x0010), "Doe^Jane") << label;
      DICOM_Attribute *rows = (DICOM_Attribute *)read.Get(0x0028, 0x0010);
      ASSERT_NE(rows, nullptr) << label;
      int32_t *value = DICOM_Value_Int(nullptr, rows, 0);
      ASSERT_NE(value, nullptr) << label;
      EXPECT_EQ(value[0], 512) << label;
    }
  }
}

}  // namespace
