// The attribute list: the sequence context's depth bound, insert along a path, get by
// numbers and by patterns, delete with wildcards at every depth, and the list links
// after deletion.
#include <gtest/gtest.h>

#include "attribute_lists.h"
#include "support/test_support.h"

namespace {

DICOM_Attribute Record(uint16_t group, uint16_t element)
{
  DICOM_Attribute r{};
  r.group = group;
  r.element = element;
  r.flags = DICOM_ORIGIN_ARDENT;
  return r;
}

TEST(Sequence_Context, depth_is_bounded_at_nine)
{
  DICOM_Sequence_Root root;
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  for (int i = 1; i <= 9; i++) EXPECT_EQ(DICOM_Attribute_Sequence_Start(nullptr, &root, 0x0008, 0x1140, 0, 0), i);
  EXPECT_EQ(DICOM_Attribute_Sequence_Start(nullptr, &root, 0x0008, 0x1140, 0, 0), 9) << "a tenth stays at 9";
  for (int i = 8; i >= 0; i--) EXPECT_EQ(DICOM_Attribute_Sequence_Stop(nullptr, &root, 0), i);
  EXPECT_EQ(DICOM_Attribute_Sequence_Stop(nullptr, &root, 0), 0) << "no sequence left to close";
  EXPECT_EQ(DICOM_Attribute_Sequence_Depth(&root), 0);
}

TEST(Sequence_Context, items_count_from_one)
{
  DICOM_Sequence_Root root;
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute_Sequence_Start(nullptr, &root, 0x0008, 0x1140, 0, 0);
  EXPECT_EQ(DICOM_Attribute_Item_Index(&root, 1), -1) << "before the first item";
  DICOM_Attribute_Item_Start(nullptr, &root, 0);
  DICOM_Attribute_Item_Start(nullptr, &root, 0);
  EXPECT_EQ(DICOM_Attribute_Item_Index(&root, 1), 1);
  EXPECT_EQ(DICOM_Attribute_Item_Index(&root, 12), -1) << "outside the depths";
}

TEST(Attribute_List, insert_follows_the_path_and_get_finds_by_numbers_and_patterns)
{
  Flat_List l;
  DICOM_Attribute a = Record(0x0008, 0x0016), b = Record(0x0010, 0x0010), c = Record(0x0008, 0x1150);
  ASSERT_NE(DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &a), nullptr);
  // Into the second item of (0008,1140): the sequence record and both slots are made.
  DICOM_Attribute_Sequence_Start(nullptr, &l.root, 0x0008, 0x1140, DICOM_ORIGIN_ARDENT, 0);
  DICOM_Attribute_Item_Start(nullptr, &l.root, 0);
  DICOM_Attribute_Item_Start(nullptr, &l.root, 0);
  DICOM_Attribute *inner = DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &c);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->level, 1);
  EXPECT_EQ(DICOM_Attribute_Get(nullptr, &l.root, l.list, 0x0008, 0x1150), inner);
  EXPECT_EQ(DICOM_Attribute_Get(nullptr, &l.root, l.list, 0xFFFF, 0xFFFF), inner) << "first record at the depth";
  DICOM_Attribute_Sequence_Stop(nullptr, &l.root, 0);
  ASSERT_NE(DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &b), nullptr);
  EXPECT_EQ(Shape(l.list), "0008,0016 0008,1140[][0008,1150] 0010,0010");

  const struct {
    const char *group, *element;
    uint16_t found;  // element found, 0 for none
  } patterns[] = {
      {"0010", "0010", 0x0010}, {"00x8", "*", 0x0016}, {"0008", "11??", 0x1140},
      {"*", "0010", 0x0010},    {"0009", "*", 0},      {"0008", "1150", 0},  // depth 0 only
  };
  for (const auto &p : patterns) {
    DICOM_Attribute *r = DICOM_Attribute_Get(nullptr, &l.root, l.list, p.group, p.element);
    EXPECT_EQ(r ? r->element : 0, p.found) << p.group << "," << p.element;
  }
  EXPECT_EQ(DICOM_Attribute_Get(nullptr, &l.root, l.list, 0x0008, 0x9999), nullptr);
}

TEST(Attribute_List, get_never_creates_a_missing_path)
{
  Flat_List l;
  DICOM_Attribute a = Record(0x0008, 0x0016);
  DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &a);
  DICOM_Attribute_Sequence_Start(nullptr, &l.root, 0x0040, 0x0275, 0, 0);
  DICOM_Attribute_Item_Start(nullptr, &l.root, 0);
  EXPECT_EQ(DICOM_Attribute_Get(nullptr, &l.root, l.list, 0xFFFF, 0xFFFF), nullptr);
  EXPECT_EQ(Shape(l.list), "0008,0016");
}

TEST(Attribute_List, delete_with_wildcards_reaches_every_depth)
{
  Flat_List l;
  l.Add(0x0008, 0x0016, DICOM_VR_UI, "1.2");
  l.Add(0x0009, 0x0010, DICOM_VR_LO, "GEMS");
  DICOM_Attribute_Sequence_Start(nullptr, &l.root, 0x0008, 0x1140, 0, 0);
  DICOM_Attribute_Item_Start(nullptr, &l.root, 0);
  l.Add(0x0008, 0x1150, DICOM_VR_UI, "1.2");
  l.Add(0x0029, 0x1010, DICOM_VR_OB, "xx");
  DICOM_Attribute_Sequence_Stop(nullptr, &l.root, 0);
  l.Add(0x0011, 0x1010, DICOM_VR_SS, "xx");
  EXPECT_EQ(Shape(l.list), "0008,0016 0009,0010 0008,1140[0008,1150 0029,1010] 0011,1010");

  EXPECT_EQ(DICOM_Attribute_Delete(nullptr, &l.root, &l.list, 0xFFF1, 0xFFFF), 1);
  EXPECT_EQ(Shape(l.list), "0008,0016 0008,1140[0008,1150]");
  // The list still appends at its end after its last record went.
  DICOM_Attribute r = Record(0x0010, 0x0010);
  DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &r);
  EXPECT_EQ(Shape(l.list), "0008,0016 0008,1140[0008,1150] 0010,0010");
  EXPECT_EQ(DICOM_Attribute_Delete(nullptr, &l.root, &l.list, "0008", "1150"), 1);
  EXPECT_EQ(Shape(l.list), "0008,0016 0008,1140[] 0010,0010");
  EXPECT_EQ(DICOM_Attribute_Delete(nullptr, &l.root, &l.list, 0x0008, 0xFFFF), 1);
  EXPECT_EQ(Shape(l.list), "0010,0010");
  EXPECT_EQ(DICOM_Attribute_Delete(nullptr, &l.root, nullptr, 0xFFFF, 0xFFFF), 0) << "no list";
}

TEST(Attribute_List, insert_copies_the_value_and_description)
{
  Flat_List l;
  std::string value = "ABCD";
  char description[] = "mine";
  DICOM_Attribute r = Record(0x0010, 0x0010);
  r.data = (unsigned char *)value.data();
  r.size = 4;
  r.description = description;
  DICOM_Attribute *made = DICOM_Attribute_Insert(nullptr, &l.root, &l.list, &r);
  ASSERT_NE(made, nullptr);
  value[0] = 'X';
  description[0] = 'X';
  EXPECT_EQ(std::string((char *)made->data, 4), "ABCD");
  EXPECT_STREQ(made->description, "mine");
}

}  // namespace
