// Rewriting a data set's text values into UTF-8 in place: by the data set's character
// set, once only, never touching plain ASCII, UIDs or binary values.
#include "dicom/DICOM_Text_Value.h"

#include <gtest/gtest.h>

#include <string>

#include "attribute_lists.h"

namespace {

const std::string CHARSET_FILES = "/usr/lib/python3/dist-packages/pydicom/data/charset_files/";

std::string Text(const DICOM_Attribute *r) { return r && r->data ? std::string((const char *)r->data, (size_t)r->size) : ""; }

TEST(DICOM_Attribute_To_UTF8, a_latin1_name_is_rewritten_once_and_a_second_call_leaves_it)
{
  Read_List read(CHARSET_FILES + "chrGerm.dcm");
  ASSERT_NE(read.list, nullptr);
  DICOM_Attribute *name = const_cast<DICOM_Attribute *>(read.Get(0x0010, 0x0010));
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, name, read.list), 1);
  EXPECT_EQ(Text(name).substr(0, 15), "\xC3\x84neas^R\xC3\xBC" "diger");
  EXPECT_TRUE(name->flags & DICOM_FLAG_UTF8);
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, name, read.list), 1);
  EXPECT_EQ(Text(name).substr(0, 15), "\xC3\x84neas^R\xC3\xBC" "diger");
}

TEST(DICOM_Attribute_To_UTF8, escape_sequences_switch_sets_inside_the_value)
{
  // ISO 2022 IR 87: the ideographic groups hold '^'-free JIS bytes between escapes; the
  // phonetic group's "$^" would split the name if it were split before decoding.
  Read_List read(CHARSET_FILES + "chrJapMulti.dcm");
  ASSERT_NE(read.list, nullptr);
  DICOM_Attribute *name = const_cast<DICOM_Attribute *>(read.Get(0x0010, 0x0010));
  DICOM_Attribute_To_UTF8(nullptr, name, read.list);
  EXPECT_EQ(Text(name).substr(0, 19), "\xE3\x82\x84\xE3\x81\xBE\xE3\x81\xA0^\xE3\x81\x9F\xE3\x82\x8D\xE3\x81\x86");
}

TEST(DICOM_Attribute_To_UTF8, plain_ascii_values_keep_their_bytes_where_they_are)
{
  Read_List read("/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm");
  ASSERT_NE(read.list, nullptr);
  DICOM_Attribute *name = const_cast<DICOM_Attribute *>(read.Get(0x0010, 0x0010));
  ASSERT_NE(name, nullptr);
  const unsigned char *before = name->data;
  std::string text = Text(name);
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, name, read.list), 1);
  EXPECT_EQ(name->data, before);
  EXPECT_EQ(Text(name), text);
}

TEST(DICOM_Attribute_To_UTF8, bytes_outside_the_set_become_replacement_characters_while_uids_and_binary_stay)
{
  Flat_List flat;
  flat.Add(0x0008, 0x0005, DICOM_VR_CS, "ISO_IR 192");
  DICOM_Attribute *uid = flat.Add(0x0008, 0x0018, DICOM_VR_UI, "1.2\xE9");
  DICOM_Attribute *name = flat.Add(0x0010, 0x0010, DICOM_VR_PN, "Ab\xFF" "cd");
  DICOM_Attribute *pixels = flat.Add(0x7FE0, 0x0010, DICOM_VR_OB, "\xFF\xFE");
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, name, flat.list), 0);
  EXPECT_EQ(Text(name), "Ab\xEF\xBF\xBD" "cd");
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, uid, flat.list), 1);
  EXPECT_EQ(Text(uid), "1.2\xE9");
  EXPECT_EQ(DICOM_Attribute_To_UTF8(nullptr, pixels, flat.list), 1);
  EXPECT_EQ(Text(pixels), "\xFF\xFE");
}

}  // namespace
