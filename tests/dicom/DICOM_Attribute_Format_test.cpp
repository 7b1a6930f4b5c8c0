// Rebuilding the nesting from flat lists (defined lengths without delimiters, undefined
// lengths with delimiters, encapsulated data, missing delimiters, syntax errors), and
// the dump's lines.
#include <gtest/gtest.h>

#include "attribute_lists.h"
#include "support/test_support.h"
#include "util/message_log.h"

namespace {

// The nesting of a flat list, made by copy; every case also checks that the nesting
// made by moving the records of a copy of the flat list is the same, record for record,
// and leaves that copy empty.
struct Formatted {
  DICOM_Attribute *list;
  explicit Formatted(const Flat_List &flat) : list(DICOM_Attribute_Format(nullptr, flat.list))
  {
    DICOM_Sequence_Root top{};
    DICOM_Attribute *copy = nullptr;
    for (const DICOM_Attribute *r = flat.list; r; r = r->next) DICOM_Attribute_Insert(nullptr, &top, &copy, r);
    DICOM_Attribute *moved = DICOM_Attribute_Format_Move(nullptr, &copy);
    EXPECT_EQ(copy, nullptr) << "the moved records leave the flat list";
    std::string why;
    EXPECT_TRUE(Same_List(list, moved, &why)) << why;
    DICOM_Attribute_Delete(nullptr, &top, &moved, 0xFFFF, 0xFFFF);
  }
  ~Formatted()
  {
    DICOM_Sequence_Root root{};
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  }
};

TEST(Format, defined_lengths_close_at_the_first_element_past_their_ends)
{
  Flat_List f;
  f.Add(0x0008, 0x0016, DICOM_VR_UI, "1.2.");
  f.Add(0x0008, 0x1140, DICOM_VR_SQ, "", 8 + 12);  // one item of 12 bytes
  f.Item(12);
  f.Add(0x0008, 0x1150, DICOM_VR_UI, "1.2.");
  f.Add(0x0010, 0x0010, DICOM_VR_PN, "Doe^");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "0008,0016 0008,1140[fffe,e000 0008,1150] 0010,0010");
  EXPECT_EQ(Shape(f.list), "0008,0016 0008,1140 fffe,e000 0008,1150 0010,0010") << "the flat list is left as it was";
}

TEST(Format, undefined_lengths_close_at_their_delimiters)
{
  Flat_List f;
  f.Add(0x0008, 0x1140, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0008, 0x1150, DICOM_VR_UI, "1.2.");
  f.Item_End();
  f.Item();
  f.Add(0x0008, 0x1155, DICOM_VR_UI, "1.3.");
  f.Item_End();
  f.Sequence_End();
  f.Add(0x0010, 0x0010, DICOM_VR_PN, "Doe^");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list),
            "0008,1140[fffe,e000 0008,1150 fffe,e00d][fffe,e000 0008,1155 fffe,e00d] fffe,e0dd 0010,0010");
  EXPECT_EQ(n.list->item[0]->next->level, 1);
}

TEST(Format, nested_sequences_of_both_kinds)
{
  Flat_List f;
  f.Add(0x0040, 0x0275, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0040, 0x0008, DICOM_VR_SQ, "", 8 + 12);
  f.Item(12);
  f.Add(0x0008, 0x0100, DICOM_VR_SH, "T-01");
  f.Add(0x0040, 0x0009, DICOM_VR_SH, "SPS1");
  f.Item_End();
  f.Sequence_End();
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "0040,0275[fffe,e000 0040,0008[fffe,e000 0008,0100] 0040,0009 fffe,e00d] fffe,e0dd");
}

TEST(Format, a_sequence_without_its_delimiters_ends_at_a_lower_tag)
{
  Flat_List f;
  f.Add(0x0008, 0x1110, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0040, 0xA730, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0040, 0xA010, DICOM_VR_CS, "HAS ");
  f.Item_End();
  f.Sequence_End();
  // The outer item and sequence lack their delimiters.
  f.Add(0x0010, 0x0010, DICOM_VR_PN, "Doe^");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "0008,1110[fffe,e000 0040,a730[fffe,e000 0040,a010 fffe,e00d] fffe,e0dd] 0010,0010");
}

TEST(Format, encapsulated_fragments_nest_as_items)
{
  Flat_List f;
  f.Add(0x7FE0, 0x0010, DICOM_VR_OB, "", -1);
  f.Item(0);
  f.Add(0xFFFE, 0xE000, 0, "frag", 4);
  f.Add(0xFFFE, 0xE000, 0, "ment", 4);
  f.Sequence_End();
  f.Add(0xFFFC, 0xFFFC, DICOM_VR_OB, "ab");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "7fe0,0010[fffe,e000][fffe,e000][fffe,e000] fffe,e0dd fffc,fffc");
  EXPECT_EQ(std::string((char *)n.list->item[2]->data, 4), "ment");
}

TEST(Format, syntax_errors_are_flagged_and_not_nested)
{
  Flat_List f;
  f.Add(0x0008, 0x1140, DICOM_VR_SQ, "", -1);    // not followed by an item
  f.Add(0x0008, 0x1150, DICOM_VR_UI, "1.2.");
  f.Add(0x0018, 0x0015, DICOM_VR_UT, "", -1);    // UT cannot have an undefined length
  f.Add(0x7FE0, 0x0010, DICOM_VR_OW, "", -1);    // not followed by an item
  f.Add(0x7FE0, 0x0020, DICOM_VR_OB, "ab");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "0008,1140 0008,1150 0018,0015 7fe0,0010 7fe0,0020");
  uint16_t flagged[] = {0x1140, 0x0015, 0x0010};
  int i = 0;
  for (DICOM_Attribute *r = n.list; r; r = r->next)
    if (r->flags & DICOM_FLAG_DELETED) {
      EXPECT_EQ(r->element, flagged[i++]);
    }
  EXPECT_EQ(i, 3);
}

TEST(Format, an_element_without_a_VR_followed_by_an_item_is_a_sequence)
{
  Flat_List f;
  f.Add(0x0029, 0x1010, 0, "", -1);
  f.Item();
  f.Add(0x0029, 0x1011, 0, "ab");
  f.Item_End();
  f.Sequence_End();
  f.Add(0x0029, 0x1020, 0, "cd");
  Formatted n(f);
  EXPECT_EQ(Shape(n.list), "0029,1010[fffe,e000 0029,1011 fffe,e00d] fffe,e0dd 0029,1020");
  EXPECT_TRUE(n.list->flags & DICOM_FLAG_PRIVATE);
}

TEST(Format, deep_nesting_stays_bounded)
{
  Flat_List f;
  for (int i = 0; i < 30; i++) {
    f.Add(0x0040, 0x0275, DICOM_VR_SQ, "", -1);
    f.Item();
  }
  f.Add(0x0010, 0x0010, DICOM_VR_PN, "Doe^");
  Formatted n(f);
  int depth = 0;
  for (DICOM_Attribute *r = n.list; r && r->count; r = r->item[r->count - 1]) depth++;
  EXPECT_LE(depth, DICOM_SEQUENCE_LEVELS);
}

// The dump's lines of `list`, markup dropped.
std::vector<std::string> Dump_Lines(DICOM_Attribute *list)
{
  Message_Capture capture(0);
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Dump(nullptr, &root, list, MSG_REPORT);
  std::vector<std::string> lines;
  for (const std::string &text : capture.Texts(MSG_REPORT)) lines.push_back(Log_Text_Clean(text.c_str()));
  return lines;
}

TEST(Dump, legend_and_value_texts_by_VR)
{
  Flat_List f;
  f.Add(0x0002, 0x0010, DICOM_VR_UI, std::string("1.2.840.10008.1.2.1\0", 20));
  f.Add(0x0008, 0x0060, DICOM_VR_CS, "MR");
  f.Add(0x0018, 0x0088, DICOM_VR_FD, std::string("\0\0\0\0\0\0\xf8\x3f", 8));  // 1.5
  f.Add(0x0020, 0x5000, DICOM_VR_AT, std::string("\x10\0\x20\0", 4));
  f.Add(0x0028, 0x0010, DICOM_VR_US, std::string("\0\2\xff\xff", 4));
  f.Add(0x0028, 0x0106, DICOM_VR_SS, std::string("\xff\xff", 2));
  f.Add(0x0029, 0x1010, DICOM_VR_OB, std::string(40, '\x0a'));
  f.Add(0x0029, 0x1011, DICOM_VR_UN, "ABC1");
  f.Add(0x0032, 0x4000, DICOM_VR_LT, std::string(300, 'x'));
  f.Add(0x7FE0, 0x0010, DICOM_VR_OW, "", 4096)->data = nullptr;
  f.list->flags |= DICOM_FLAG_TRANSFER;
  Formatted n(f);
  std::vector<std::string> lines = Dump_Lines(n.list);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "Zevir syntax: group & element color: red =syntax error, blue =normal");
  EXPECT_EQ(lines[5], "(grp, elem) Origin            description                        (VR,Tp,size) data");
  const char *expected[] = {
      "(0002,0010) (DICOM)   oTransfer Syntax UID                      (UI,--,20  ) = UID Exlicit VR, Little Endian",
      "(0008,0060) (DICOM)    Modality                                 (CS,--,2   ) MR",
      "(0018,0088) (DICOM)    Spacing Between Slices                   (FD,--,8   ) 1.500",
      "(0020,5000) (Retired)  Original Image Identification            (AT,--,4   ) (0010,0020)",
      "(0028,0010) (DICOM)    Rows                                     (US,--,4   ) 512 / 65535",
      "(0028,0106) (DICOM)    Smallest Image Pixel Value               (SS,--,2   ) -1",
      "(0029,1010) (Private)  Unknown tag                              (OB,--,40  ) 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a "
      "0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a 0a ...",
      "(0029,1011) (Private)  Unknown tag                              (UN,--,4   ) (VR=UN Unknown) ABC1",
  };
  for (size_t i = 0; i < std::size(expected); i++) EXPECT_EQ(lines[6 + i], expected[i]);
  EXPECT_EQ(lines[14].size(), lines[14].find(") x") + 2 + 250 + 3) << "text cut at 250 with \"...\"";
  EXPECT_NE(lines[15].find("(data from file at offset="), std::string::npos);
}

TEST(Dump, items_between_banners_at_the_next_depth)
{
  Flat_List f;
  f.Add(0x0008, 0x1140, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0008, 0x1150, DICOM_VR_UI, "1.2.");
  f.Item_End();
  f.Sequence_End();
  Formatted n(f);
  std::vector<std::string> lines = Dump_Lines(n.list);
  ASSERT_EQ(lines.size(), 6u + 8u);
  EXPECT_NE(lines[6].find("---- Sequence in ---------------"), std::string::npos);
  EXPECT_EQ(lines[7], "------------------------ ---- Item[1] in ---------------");
  EXPECT_EQ(lines[9].substr(0, 15), "    (0008,1150)");
  EXPECT_EQ(lines[11], "------------------------ ---- Item[1] out --------------");
  EXPECT_EQ(lines[12], "------------------------ ---- Sequence out --------------");
  EXPECT_EQ(lines[13].substr(0, 11), "(fffe,e0dd)");
}

}  // namespace
