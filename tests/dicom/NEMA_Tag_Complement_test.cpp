// The VR check and derivation, and the complement of a list from the dictionary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "dicom/NEMA_db.h"
#include "support/test_support.h"

static std::string VR_Text(uint16_t vr)
{
  return vr ? std::string{(char)(vr >> 8), (char)(vr & 0xFF)} : std::string("--");
}

// A calloc'ed record with a malloc'ed copy of `value`, released with DICOM_Attribute_Free.
static DICOM_Attribute *New_Record(uint16_t group, uint16_t element, uint16_t VR, const std::string &value,
                                   uint8_t mode = 0x08)
{
  DICOM_Attribute *record = (DICOM_Attribute *)std::calloc(1, sizeof(DICOM_Attribute));
  record->group = group;
  record->element = element;
  record->VR = VR;
  record->mode = mode;
  record->flags = DICOM_ORIGIN_DICOM | ((group & 1) ? DICOM_FLAG_PRIVATE : 0);
  record->size = (int32_t)value.size();
  if (!value.empty()) {
    record->data = (unsigned char *)std::malloc(value.size());
    std::memcpy(record->data, value.data(), value.size());
  }
  return record;
}

TEST(CheckVR, StreamVRsKeptRepairedOrDropped)
{
  Message_Capture capture(0);
  NEMA_Warning_Kind = MSG_WARNING;
  NEMA_Notice_Kind = MSG_REPORT;
  struct Case {
    uint16_t group, element, VR;
    const char *want_vr, *want_dictionary_vr;
    uint16_t flags;  // beyond the origin
    const char *message;  // part of the one warning or notice, or nullptr
  } cases[] = {
      {0x0010, 0x0010, DICOM_VR_PN, "PN", "PN", 0, nullptr},
      {0x7FE0, 0x0010, DICOM_VR_OX, "OW", "--", DICOM_FLAG_REPAIRED, "Explicit VR=\x01OX\x02 is invalid!"},
      {0x0010, 0x0010, DICOM_VR_Code('X', 'X'), "--", "PN", 0, nullptr},
      {0x0010, 0x0010, DICOM_VR_LO, "LO", "PN", 0,
       "\x02    (\x01" "0010\x02,\x01" "0010\x02) Explicit VR (=\x01LO\x02) does not match definition! (=\x01PN\x02)"},
      {0x0028, 0x0071, DICOM_VR_OW, "OW", "US", 0, "does not match definition! (=\x01US\x02 or \x01SS\x02)"},
      {0x0028, 0x3006, DICOM_VR_OB, "OB", "US", 0, "(=\x01US\x02, \x01SS\x02 or \x01OW\x02)"},
      {0x0028, 0x0071, DICOM_VR_SS, "SS", "US", 0, nullptr},
      {0x0008, 0x0301, DICOM_VR_UC, "UC", "US", 0, "(=\x01UC\x02) does not match definition! (=\x01US\x02)"},
      {0xFFFE, 0xE000, 0, "--", "--", 0, nullptr},
  };
  for (const Case &c : cases) {
    capture.Clear();
    DICOM_Attribute *record = New_Record(c.group, c.element, c.VR, "ab");
    DICOM_Attribute_Check_VR(nullptr, record);
    std::string tag = VR_Text(c.VR) + " on " + std::to_string(c.group) + "," + std::to_string(c.element);
    EXPECT_EQ(VR_Text(record->VR), c.want_vr) << tag;
    EXPECT_EQ(VR_Text((uint16_t)record->dictionary_VR), c.want_dictionary_vr) << tag;
    EXPECT_EQ(record->flags & ~DICOM_ORIGIN_MASK, c.flags) << tag;
    EXPECT_EQ(capture.messages.size(), c.message ? 1u : 0u) << tag;
    if (c.message && !capture.messages.empty()) {
      EXPECT_NE(capture.messages[0].second.find(c.message), std::string::npos) << tag;
    }
    DICOM_Attribute_Free(nullptr, record);
  }
  NEMA_Warning_Kind = 0;
  NEMA_Notice_Kind = 0;
}

TEST(CheckVR, DerivationForElementsWithoutAnyVR)
{
  float real = 1.5f;
  struct Case {
    uint16_t group, element;
    std::string value;
    int32_t size;  // when the value was skipped (no bytes); 0: the value's size
    const char *want;
  } cases[] = {
      {0x0029, 0x1010, "1.2.3.4.5.6.7.8.9.10", 0, "UI"},
      {0x0029, 0x1010, std::string("1.2.3.4.5.6.7.8.9.1\0", 20), 0, "UI"},
      {0x0029, 0x1010, "12\\-5", 0, "IS"},
      {0x0029, 0x1010, "1.5e3\\-2", 0, "DS"},
      {0x0029, 0x1010, "ORIGINAL\\PRIMARY", 0, "CS"},
      {0x0029, 0x1010, "MR_SCAN 2", 0, "CS"},
      {0x0029, 0x1010, "ab\\cd", 0, "SH"},
      {0x0029, 0x1010, "Hello world", 0, "ST"},
      {0x0029, 0x1010, "123456789012345", 0, "DS"},
      {0x0029, 0x1010, std::string("\x10\x00\x00\x00", 4), 0, "SL"},
      {0x0029, 0x1010, std::string((const char *)&real, 4), 0, "FL"},
      {0x0029, 0x1010, std::string("\x00\x00\x00\x80", 4), 0, "--"},
      {0x0029, 0x1010, std::string("\x01\x80", 2), 0, "SS"},
      {0x0029, 0x1010, std::string("\x01\x02\x03", 3), 0, "--"},
      {0x0029, 0x1010, "", 2000, "OB"},
      {0x0029, 0x0000, std::string("\x10\x00\x00\x00", 4), 0, "UL"},
      {0x0029, 0x0010, std::string("\x01\x02", 2), 0, "LO"},
  };
  for (const Case &c : cases) {
    DICOM_Attribute *record = New_Record(c.group, c.element, 0, c.value);
    if (c.size) record->size = c.size;
    DICOM_Attribute_Check_VR(nullptr, record);
    EXPECT_EQ(VR_Text((uint16_t)record->dictionary_VR), c.want) << c.value;
    EXPECT_TRUE(record->flags & DICOM_FLAG_VR_UNKNOWN) << c.value;
    DICOM_Attribute_Free(nullptr, record);
  }

  // A known tag read without a VR takes the dictionary's and is no unknown.
  DICOM_Attribute *name = New_Record(0x0010, 0x0010, 0, "Doe^John");
  DICOM_Attribute_Check_VR(nullptr, name);
  EXPECT_EQ(VR_Text((uint16_t)name->dictionary_VR), "PN");
  EXPECT_FALSE(name->flags & DICOM_FLAG_VR_UNKNOWN);
  EXPECT_NE(name->dictionary, nullptr);
  DICOM_Attribute_Free(nullptr, name);

  // A dictionary VR of RT is chosen by size.
  for (auto [size, want] : std::vector<std::pair<int, const char *>>{{2, "US"}, {4, "UL"}, {6, "OB"}}) {
    DICOM_Attribute *record = New_Record(0x0029, 0x1010, 0, std::string((size_t)size, '\x01'));
    record->dictionary_VR = (int16_t)DICOM_VR_RT;
    DICOM_Attribute_Check_VR(nullptr, record);
    EXPECT_EQ(VR_Text((uint16_t)record->dictionary_VR), want);
    DICOM_Attribute_Free(nullptr, record);
  }
}

// Links records into a list (the first one knows the last).
static DICOM_Attribute *Link(std::vector<DICOM_Attribute *> records)
{
  for (size_t i = 0; i + 1 < records.size(); i++) records[i]->next = records[i + 1];
  records.front()->last = records.back();
  return records.front();
}

static std::string Description(const DICOM_Attribute *record)
{
  return record->description ? record->description : "(none)";
}

TEST(Complement, DescriptionsEntriesAndPrivateCreators)
{
  DICOM_Attribute *length_0008 = New_Record(0x0008, 0x0000, DICOM_VR_UL, std::string(4, '\0'));
  DICOM_Attribute *length_0011 = New_Record(0x0011, 0x0000, 0, std::string(4, '\0'));
  DICOM_Attribute *length_0013 = New_Record(0x0013, 0x0000, 0, std::string(2, '\0'));
  DICOM_Attribute *creator = New_Record(0x0009, 0x0010, 0, " SIEMENS CT VA0  COAD ");
  DICOM_Attribute *private_element = New_Record(0x0009, 0x1012, 0, "x");
  DICOM_Attribute *orphan = New_Record(0x0009, 0x1110, 0, "x");
  DICOM_Attribute *patient = New_Record(0x0010, 0x0010, 0, "Doe^John");
  DICOM_Attribute *huffman = New_Record(0x1000, 0x0012, 0, "ab");
  huffman->flags |= DICOM_FLAG_PRIVATE;
  DICOM_Attribute *siemens = New_Record(0x7F10, 0x0011, 0, "ab");
  siemens->flags |= DICOM_FLAG_PRIVATE;
  DICOM_Attribute *pixels = New_Record(0x7FE0, 0x0010, 0, "");
  pixels->size = 5000;

  // A sequence with one item that holds its own private creator and element.
  DICOM_Attribute *sequence = New_Record(0x0008, 0x1140, DICOM_VR_SQ, "");
  DICOM_Attribute *inner_creator = New_Record(0x0019, 0x0010, 0, "GEMS_ACQU_01");
  DICOM_Attribute *inner_element = New_Record(0x0019, 0x10A0, 0, "1");
  DICOM_Attribute *item = New_Record(0xFFFE, 0xE000, 0, "");
  sequence->count = 1;
  sequence->item = (DICOM_Attribute **)std::calloc(1, sizeof(DICOM_Attribute *));
  sequence->item[0] = Link({inner_creator, inner_element, item});

  DICOM_Attribute *list = Link({length_0008, length_0011, length_0013, creator, private_element, orphan, patient,
                                huffman, siemens, pixels, sequence});
  DICOM_Sequence_Root root = {};
  EXPECT_EQ(DICOM_Attribute_Complement(nullptr, &root, list), 0);

  EXPECT_EQ(Description(length_0008), "\xF1\x02===== Group 0008 (Identifying) =======");
  EXPECT_EQ(Description(length_0011), "\xF1\x02===== Group 0011 =====================");
  EXPECT_EQ(Description(length_0013), "(none)");
  EXPECT_EQ(VR_Text((uint16_t)length_0013->dictionary_VR), "UL");
  EXPECT_EQ(Description(creator), "Private Creator Data Element");
  EXPECT_EQ(VR_Text((uint16_t)creator->dictionary_VR), "LO");
  EXPECT_EQ(Description(private_element), "SIEMENS CT VA0  COAD");
  EXPECT_EQ(Description(orphan), "(none)");
  EXPECT_EQ(Description(patient), "(none)");
  ASSERT_NE(patient->dictionary, nullptr);
  EXPECT_STREQ(patient->dictionary->name, "Patient's Name");
  EXPECT_EQ(VR_Text((uint16_t)patient->dictionary_VR), "PN");
  EXPECT_EQ(Description(huffman), "Nb. Huffman Values:");
  EXPECT_EQ(VR_Text((uint16_t)huffman->dictionary_VR), "US");
  EXPECT_EQ(Description(siemens), "Siemens Compression: Next Group");
  EXPECT_EQ(VR_Text((uint16_t)siemens->dictionary_VR), "OW");
  EXPECT_EQ(Description(pixels), "Pixel Data");
  EXPECT_EQ(VR_Text((uint16_t)pixels->dictionary_VR), "OB");
  EXPECT_EQ(Description(inner_element), "GEMS_ACQU_01");
  EXPECT_EQ(Description(item), "\x01Item");
  EXPECT_EQ(DICOM_Attribute_Sequence_Depth(&root), 0);

  // A second pass keeps the descriptions (group lengths are described once).
  EXPECT_EQ(DICOM_Attribute_Complement(nullptr, &root, list), 0);
  EXPECT_EQ(Description(length_0008), "\xF1\x02===== Group 0008 (Identifying) =======");

  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  EXPECT_EQ(list, nullptr);
}
