// The data dictionary (lookups by exact tag and wildcard, retired entries, VR and VM
// alternatives, entries without a VR) and the UID names.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "dicom/DICOM_Library_Version.h"
#include "dicom/DICOM_UID_Name.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/NEMA_db.h"
#include "dicom/NEMA_db_Tables.h"
#include "support/test_support.h"

static std::string VR_Text(uint16_t vr) { return std::string{(char)(vr >> 8), (char)(vr & 0xFF)}; }

TEST(DictionaryLookup, ExactWildcardPrivateAndMissingTags)
{
  struct Case {
    uint16_t group, element;
    const char *name;  // nullptr: not found
    const char *vr;
    bool retired;
  } cases[] = {
      {0x0010, 0x0010, "Patient's Name", "PN", false},
      {0x0002, 0x0010, "Transfer Syntax UID", "UI", false},
      {0x0008, 0x0020, "Study Date", "DA", false},
      // Group families and element wildcards.
      {0x6002, 0x3000, "Overlay Data", "OB", false},
      {0x60FE, 0x0010, "Overlay Rows", "US", false},
      {0x5010, 0x3000, "Curve Data", "OB", true},
      {0x0020, 0x3105, "Source Image IDs", "CS", true},
      {0x0018, 0x1240, "Upper/Lower Pixel Values", "IS", true},
      // Odd groups are private: never found.
      {0x6001, 0x0010, nullptr, nullptr, false},
      {0x0009, 0x0010, nullptr, nullptr, false},
      // Tags and groups the dictionary does not hold.
      {0x0008, 0xFFF0, nullptr, nullptr, false},
      {0x6100, 0x3000, nullptr, nullptr, false},
      {0x7FE0, 0x0010, nullptr, nullptr, false},
      {0x0000, 0x0000, nullptr, nullptr, false},
  };
  for (const Case &c : cases) {
    const NEMA_db_Entry *entry = NEMA_db_Lookup(c.group, c.element);
    std::string tag = std::to_string(c.group) + "," + std::to_string(c.element);
    if (!c.name) {
      EXPECT_EQ(entry, nullptr) << tag;
      continue;
    }
    ASSERT_NE(entry, nullptr) << tag;
    EXPECT_STREQ(entry->name, c.name) << tag;
    EXPECT_EQ(VR_Text(entry->VR[0]), c.vr) << tag;
    EXPECT_EQ(entry->retired, c.retired) << tag;
  }
}

TEST(DictionaryLookup, AlternativesMultiplicitiesAndEntriesWithoutVR)
{
  const NEMA_db_Entry *perimeter = NEMA_db_Lookup(0x0028, 0x0071);
  ASSERT_NE(perimeter, nullptr);
  EXPECT_EQ(perimeter->VR_count, 2);
  EXPECT_EQ(perimeter->VR[0], DICOM_VR_US);
  EXPECT_EQ(perimeter->VR[1], DICOM_VR_SS);
  EXPECT_TRUE(perimeter->retired);
  EXPECT_STREQ(perimeter->name, "Perimeter Value");

  const NEMA_db_Entry *lut = NEMA_db_Lookup(0x0028, 0x3006);
  ASSERT_NE(lut, nullptr);
  EXPECT_EQ(lut->VR_count, 3);
  EXPECT_EQ(lut->VR[2], DICOM_VR_OW);
  EXPECT_EQ(lut->VM[2][0], 1);
  EXPECT_EQ(lut->VM[2][1], -1);

  struct Case {
    uint16_t group, element;
    int low, high;
  } multiplicities[] = {{0x0018, 0x1620, 2, -1}, {0x0018, 0x1600, 1, 3}, {0x0008, 0x0005, 1, -1}, {0x0010, 0x0010, 1, 1}};
  for (const Case &c : multiplicities) {
    const NEMA_db_Entry *entry = NEMA_db_Lookup(c.group, c.element);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->VM[0][0], c.low) << entry->name;
    EXPECT_EQ(entry->VM[0][1], c.high) << entry->name;
  }

  const NEMA_db_Entry *item = NEMA_db_Lookup(0xFFFE, 0xE000);
  ASSERT_NE(item, nullptr);
  EXPECT_STREQ(item->name, "Item");
  EXPECT_EQ(item->VR_count, 0);
  EXPECT_EQ(item->VR[0], DICOM_VR_RT);
  EXPECT_FALSE(item->retired);
}

TEST(DictionaryLookup, CleanupRebuildsAndConcurrentFirstLookupsAgree)
{
  NEMA_db_Cleanup();
  std::vector<const NEMA_db_Entry *> found(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; i++) threads.emplace_back([&found, i] { found[i] = NEMA_db_Lookup(0x0010, 0x0020); });
  for (std::thread &t : threads) t.join();
  ASSERT_NE(found[0], nullptr);
  for (const NEMA_db_Entry *entry : found) EXPECT_EQ(entry, found[0]);
  EXPECT_STREQ(found[0]->name, "Patient ID");
}

TEST(UIDNames, OwnNamesWinAndUnknownUIDsHaveNone)
{
  struct Case {
    const char *uid, *name;
  } cases[] = {
      {"1.2.840.10008.1.2.4.51", "UID Exlicit VR, Little Endian, Compression: JPEG extended"},
      {"1.2.840.10008.1.2.4.52", "UID Exlicit VR, Little Endian, Compression: JPEG extended"},
      {"1.2.840.10008.5.1.4.1.1.2", "SOP CT_IMAGE"},
      {"1.2.840.10008.5.1.4.1.1.1.1", "SOP XRAY_IMAGE_PRES"},
      {"1.2.840.10008.1.3.10", "Media Storage Directory Storage"},
      {"1.2.840.10008.5.1.4.31", "Modality Worklist Information Model - FIND"},
      {DICOM_UID_ORGANISATION_ROOT, "UID ArdentVale"},
      {"1.2.840.10008.1.2.4", nullptr},
      {"1.2.840.10008.5.1.4.1.1.2 ", nullptr},
      {"", nullptr},
  };
  for (const Case &c : cases) {
    const char *name = DICOM_UID_Name(c.uid);
    EXPECT_EQ(std::string(name ? name : "(none)"), std::string(c.name ? c.name : "(none)")) << c.uid;
  }
  EXPECT_EQ(DICOM_UID_Name(nullptr), nullptr);
}

TEST(DictionaryBuild, EveryBuiltInLineParsesWithoutWarnings)
{
  Message_Capture capture(0);
  NEMA_Warning_Kind = MSG_WARNING;
  NEMA_db_Cleanup();
  EXPECT_NE(NEMA_db_Lookup(0x0008, 0x0016), nullptr);
  NEMA_Warning_Kind = 0;
  EXPECT_EQ(capture.Texts(MSG_WARNING).size(), 0u);
  for (const std::string &text : capture.Texts(MSG_WARNING)) ADD_FAILURE() << text;
}

TEST(DictionaryLookup, EveryBuiltInTagOfOneGroupIsFoundAsItself)
{
  int checked = 0;
  for (int t = 0; t < NEMA_db_Table_Count; t++)
    for (int i = 0; i < NEMA_db_Tables[t].count; i++) {
      std::string line = NEMA_db_Tables[t].lines[i];
      if (line.find_first_of("xX", 1) < 11) continue;  // wildcard digits: a family, checked above
      uint16_t group = (uint16_t)std::stoul(line.substr(1, 4), nullptr, 16);
      uint16_t element = (uint16_t)std::stoul(line.substr(6, 4), nullptr, 16);
      const NEMA_db_Entry *entry = NEMA_db_Lookup(group, element);
      ASSERT_NE(entry, nullptr) << line;
      EXPECT_EQ(entry->group, group) << line;
      EXPECT_EQ(entry->element, element) << line;
      EXPECT_EQ(entry->element_mask, 0xFFFF) << line;
      EXPECT_EQ(line.compare(12, std::string(entry->name).size(), entry->name), 0) << line;
      checked++;
    }
  EXPECT_GT(checked, 3000);
}

TEST(LibraryBanner, OnlyVersion21_7IsKnown)
{
  EXPECT_STREQ(DICOM_Library_Version(nullptr), "ArdentVale_DICOM (Static) 21.7 (rev-b)");
  EXPECT_STREQ(DICOM_Library_Version("21.7"), "ArdentVale_DICOM (Static) 21.7 (rev-b)");
  EXPECT_EQ(DICOM_Library_Version("21.6"), nullptr);
}
