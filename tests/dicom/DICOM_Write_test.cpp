// The PS3.10 writer: the file meta group it makes, value padding by VR, both ways of
// delimiting sequences, values it must refuse, and its output read back by our header
// reader and by pydicom, element by element.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "attribute_lists.h"
#include "dicom/DICOM_Write.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "support/test_support.h"

namespace {

// A data set built record by record, in the order given (callers keep tags ascending).
using Data_Set = Flat_List;

// Points `root` at item `item` (from 1) of the top-level sequence (group, element).
void Open_Item(DICOM_Sequence_Root *root, uint16_t group, uint16_t element, int item)
{
  DICOM_Attribute_Sequence_Reset(nullptr, root);
  DICOM_Attribute_Sequence_Start(nullptr, root, group, element, 0, 0);
  for (int i = 0; i < item; i++) DICOM_Attribute_Item_Start(nullptr, root, 0);
}

// A data set with text of odd and even lengths, numbers and a sequence of two items.
void Fill_Sample(Data_Set *set)
{
  set->Add(0x0008, 0x0016, DICOM_VR_UI, "1.2.840.10008.5.1.4.1.1.7");
  set->Add(0x0008, 0x0018, DICOM_VR_UI, "1.2.3.4.5");  // odd: NUL pad
  set->Add(0x0008, 0x0060, DICOM_VR_CS, "OT");
  set->Add(0x0010, 0x0010, DICOM_VR_PN, "Doe^Jo");
  set->Add(0x0010, 0x0020, DICOM_VR_LO, "ID7");  // odd: space pad
  set->Add(0x0028, 0x0010, DICOM_VR_US, std::string("\x00\x02", 2));
  set->Add(0x0040, 0xA730, DICOM_VR_SQ, "");
  for (int item = 1; item <= 2; item++) {
    Open_Item(&set->root, 0x0040, 0xA730, item);
    set->Add(0x0040, 0xA040, DICOM_VR_CS, item == 1 ? "TEXT" : "CODE");
    set->Add(0x0040, 0xA160, DICOM_VR_UT, "odd");
  }
  set->root = DICOM_Sequence_Root{};
}

std::string Temp_File(const std::string &name, const std::string &bytes)
{
  std::string path = Binary_Dir() + "test-tmp/" + name + "-" + std::to_string(getpid());
  EXPECT_TRUE(Write_File(path, bytes));
  return path;
}

uint32_t Le32(const std::string &bytes, size_t at)
{
  return (uint32_t)(unsigned char)bytes[at] | (uint32_t)(unsigned char)bytes[at + 1] << 8 |
         (uint32_t)(unsigned char)bytes[at + 2] << 16 | (uint32_t)(unsigned char)bytes[at + 3] << 24;
}

// ---- file meta --------------------------------------------------------------------------------

TEST(DICOM_Write_Meta, part10_file_has_preamble_magic_and_a_measured_meta_group)
{
  Data_Set set;
  Fill_Sample(&set);
  std::string bytes;
  ASSERT_EQ(DICOM_Write_Part10(nullptr, set.list, nullptr, nullptr, DICOM_WRITE_DEFINED, &bytes, nullptr), 1);
  EXPECT_EQ(bytes.substr(0, 128), std::string(128, '\0'));
  EXPECT_EQ(bytes.substr(128, 4), "DICM");
  EXPECT_EQ(bytes.substr(132, 6), std::string("\x02\x00\x00\x00UL", 6));
  uint32_t meta_length = Le32(bytes, 140);
  // The first data set element follows the meta group exactly.
  EXPECT_EQ(bytes.substr(144 + meta_length, 4), std::string("\x08\x00\x16\x00", 4));
  Read_List read(Temp_File("meta", bytes));
  EXPECT_EQ(read.Text(0x0002, 0x0002), std::string("1.2.840.10008.5.1.4.1.1.7\0", 26));
  EXPECT_EQ(read.Text(0x0002, 0x0003), std::string("1.2.3.4.5\0", 10));
  EXPECT_EQ(read.Text(0x0002, 0x0010), std::string("1.2.840.10008.1.2.1\0", 20));
  EXPECT_EQ(read.Text(0x0002, 0x0012), std::string(DICOM_WRITE_IMPLEMENTATION_UID));
  EXPECT_EQ(read.Text(0x0002, 0x0013), std::string("HARROWDESK_10 "));
}

TEST(DICOM_Write_Meta, implementation_uid_is_a_uuid_derived_uid_within_64_characters)
{
  std::string uid = DICOM_WRITE_IMPLEMENTATION_UID;
  EXPECT_EQ(uid.rfind("2.25.", 0), 0u);
  EXPECT_LE(uid.size(), 64u);
  EXPECT_EQ(uid.find_first_not_of("0123456789", 5), std::string::npos);
  EXPECT_NE(uid[5], '0');
}

TEST(DICOM_Write_Meta, missing_sop_instance_uid_fails_with_one_error)
{
  Message_Capture capture;
  Data_Set set;
  set.Add(0x0008, 0x0016, DICOM_VR_UI, "1.2.3");
  std::string bytes;
  EXPECT_EQ(DICOM_Write_Part10(nullptr, set.list, nullptr, nullptr, DICOM_WRITE_DEFINED, &bytes, nullptr), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "no SOP class or instance UID"), 1);
}

// ---- values -----------------------------------------------------------------------------------

struct Padding_Case {
  uint16_t VR;
  std::string value, written;
};

TEST(DICOM_Write_Values, odd_values_are_padded_by_vr_and_even_ones_kept)
{
  const Padding_Case cases[] = {
      {DICOM_VR_UI, "1.2.3", std::string("1.2.3\0", 6)},
      {DICOM_VR_LO, "abc", "abc "},
      {DICOM_VR_PN, "A^B", "A^B "},
      {DICOM_VR_OB, std::string("\x01\x02\x03", 3), std::string("\x01\x02\x03\0", 4)},
      {DICOM_VR_SH, "ab", "ab"},
      {DICOM_VR_LO, "", ""},
  };
  for (const Padding_Case &c : cases) {
    Data_Set set;
    set.Add(0x0009, 0x0010, c.VR, c.value);
    std::string bytes;
    ASSERT_EQ(DICOM_Write_Data_Set(nullptr, set.list, DICOM_WRITE_DEFINED, &bytes, nullptr), 1);
    size_t header = (c.VR == DICOM_VR_OB) ? 12 : 8;
    EXPECT_EQ(bytes.substr(header), c.written) << c.value;
    EXPECT_EQ(bytes.size(), header + c.written.size());
  }
}

TEST(DICOM_Write_Values, big_endian_numbers_are_swapped_to_little_endian)
{
  Data_Set set;
  DICOM_Attribute *r = set.Add(0x0028, 0x0010, DICOM_VR_US, std::string("\x01\x02", 2));
  r->mode = NEMA_MODE_BIG_ENDIAN | NEMA_MODE_EXPLICIT;
  std::string bytes;
  ASSERT_EQ(DICOM_Write_Data_Set(nullptr, set.list, DICOM_WRITE_DEFINED, &bytes, nullptr), 1);
  EXPECT_EQ(bytes.substr(8), std::string("\x02\x01", 2));
}

TEST(DICOM_Write_Values, meta_and_group_length_records_of_the_list_are_not_copied)
{
  Data_Set set;
  set.Add(0x0002, 0x0010, DICOM_VR_UI, "1.2.840.10008.1.2");
  set.Add(0x0008, 0x0000, DICOM_VR_UL, std::string(4, '\0'));
  set.Add(0x0008, 0x0060, DICOM_VR_CS, "OT");
  std::string bytes;
  ASSERT_EQ(DICOM_Write_Data_Set(nullptr, set.list, DICOM_WRITE_DEFINED, &bytes, nullptr), 1);
  EXPECT_EQ(bytes, std::string("\x08\x00\x60\x00" "CS\x02\x00" "OT", 10));
}

TEST(DICOM_Write_Values, values_it_cannot_write_fail_with_one_error_each)
{
  struct Case {
    uint16_t VR;
    int32_t size;
    bool held;
    const char *message;
  };
  const Case cases[] = {
      {DICOM_VR_OB, 2000, false, "value not held in memory"},
      {DICOM_VR_LO, 70000, true, "value too long for its VR"},
      {DICOM_VR_OB, -1, false, "undefined length outside a sequence"},
  };
  for (const Case &c : cases) {
    Message_Capture capture;
    std::string value(c.size > 0 ? (size_t)c.size : 0, 'x');
    Data_Set set;
    DICOM_Attribute *r = set.Add(0x0009, 0x0010, c.VR, c.held ? value : "");
    r->size = c.size;
    std::string bytes;
    EXPECT_EQ(DICOM_Write_Data_Set(nullptr, set.list, DICOM_WRITE_DEFINED, &bytes, nullptr), 0);
    EXPECT_EQ(capture.Count(MSG_ERROR, c.message), 1) << c.message;
  }
}

// ---- sequences --------------------------------------------------------------------------------

TEST(DICOM_Write_Sequences, both_delimiting_forms_read_back_to_the_same_nesting)
{
  Data_Set set;
  Fill_Sample(&set);
  for (DICOM_Write_Length length : {DICOM_WRITE_DEFINED, DICOM_WRITE_UNDEFINED}) {
    std::string bytes;
    DICOM_Write_Layout layout;
    layout.group = 0x0040;
    layout.element = 0xA730;
    ASSERT_EQ(DICOM_Write_Part10(nullptr, set.list, nullptr, nullptr, length, &bytes, &layout), 1);
    ASSERT_EQ(layout.item_offsets.size(), 2u);
    for (int64_t at : layout.item_offsets) EXPECT_EQ(bytes.substr((size_t)at, 4), std::string("\xFE\xFF\x00\xE0", 4));
    Read_List read(Temp_File("sequence", bytes));
    const DICOM_Attribute *sequence = read.Get(0x0040, 0xA730);
    ASSERT_TRUE(sequence);
    ASSERT_EQ(sequence->count, 2);
    EXPECT_EQ(Shape(sequence->item[0]), Shape(sequence->item[1]));
    DICOM_Sequence_Root top{};
    const DICOM_Attribute *code = DICOM_Attribute_Get(nullptr, &top, sequence->item[1], 0x0040, 0xA040);
    ASSERT_TRUE(code);
    EXPECT_EQ(std::string((const char *)code->data, (size_t)code->size), "CODE");
    EXPECT_EQ(read.Text(0x0010, 0x0020), "ID7 ");
  }
}

TEST(DICOM_Write_Sequences, defined_lengths_are_measured)
{
  Data_Set set;
  set.Add(0x0040, 0xA730, DICOM_VR_SQ, "");
  Open_Item(&set.root, 0x0040, 0xA730, 1);
  set.Add(0x0040, 0xA040, DICOM_VR_CS, "TEXT");
  std::string bytes;
  ASSERT_EQ(DICOM_Write_Data_Set(nullptr, set.list, DICOM_WRITE_DEFINED, &bytes, nullptr), 1);
  EXPECT_EQ(Le32(bytes, 8), 8u + 12u);   // sequence: one item header and one element
  EXPECT_EQ(Le32(bytes, 16), 12u);       // item: the element of 8 + 4 bytes
  EXPECT_EQ(bytes.size(), 12u + 8u + 12u);
}

// ---- against pydicom --------------------------------------------------------------------------

TEST(DICOM_Write_Pydicom, pydicom_reads_every_element_as_our_reader_does)
{
  Data_Set set;
  Fill_Sample(&set);
  for (DICOM_Write_Length length : {DICOM_WRITE_DEFINED, DICOM_WRITE_UNDEFINED}) {
    std::string bytes;
    ASSERT_EQ(DICOM_Write_Part10(nullptr, set.list, nullptr, nullptr, length, &bytes, nullptr), 1);
    std::string path = Temp_File("pydicom", bytes);
    int status = -1;
    std::string listing = Run_Command("/usr/bin/python3 " + Source_Dir() + "tests/dicom/dicom_write_listing.py " + path,
                                      &status);
    ASSERT_EQ(status, 0) << listing;
    // Our reader's listing in the same form: "gggg,eeee VR hex" per element (text without
    // its padding), items as "[" and "]".
    Read_List read(path);
    std::string ours;
    std::function<void(const DICOM_Attribute *)> list_of = [&](const DICOM_Attribute *r) {
      for (; r; r = r->next) {
        if (r->group == 0xFFFE) continue;
        char line[64];
        std::snprintf(line, sizeof line, "%04x,%04x %c%c ", r->group, r->element, r->VR >> 8, r->VR & 0xFF);
        ours += line;
        int32_t size = r->size;
        bool text = DICOM_VR_Is_Text(r->VR);
        while (text && r->data && size > 0 && (r->data[size - 1] == ' ' || r->data[size - 1] == '\0')) size--;
        for (int32_t i = 0; r->data && i < size; i++) {
          std::snprintf(line, sizeof line, "%02x", r->data[i]);
          ours += line;
        }
        ours += "\n";
        for (int32_t i = 0; i < r->count; i++) {
          ours += "[\n";
          list_of(r->item[i]);
          ours += "]\n";
        }
      }
    };
    list_of(read.list);
    EXPECT_EQ(listing, ours);
  }
}

}  // namespace
