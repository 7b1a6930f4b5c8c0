// Filing headers in the catalogue: study and series keys (first match wins, order of
// first meeting), first and last file, folders, dates, missing and empty UIDs, report
// columns, and the display text of attributes of every VR family.
#include "app/dicom_dir_work.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "support/test_support.h"

namespace {

// One element of a hand-built header: tag, VR and value bytes.
struct Element {
  uint16_t group, element;
  const char *vr;
  std::string value;
};

// An attribute list holding `elements` (explicit VR little endian), owned by the object.
class Header {
public:
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;

  explicit Header(const std::vector<Element> &elements)
  {
    DICOM_Attribute_Sequence_Reset(nullptr, &root);
    for (const Element &e : elements) {
      DICOM_Attribute record{};
      record.mode = 0x08;
      record.flags = DICOM_ORIGIN_DICOM;
      record.group = e.group;
      record.element = e.element;
      record.VR = DICOM_VR_Code(e.vr[0], e.vr[1]);
      record.size = (int32_t)e.value.size();
      record.data = (unsigned char *)e.value.data();
      DICOM_Attribute_Insert(nullptr, &root, &list, &record);
    }
  }
  ~Header() { DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF); }
};

// The identifying elements of an image, with optional extras.
std::vector<Element> Image(const char *study, const char *series, const char *sop, std::vector<Element> extra = {})
{
  std::vector<Element> elements = {{0x0008, 0x0018, "UI", sop}, {0x0020, 0x000D, "UI", study},
                                   {0x0020, 0x000E, "UI", series}};
  elements.insert(elements.end(), extra.begin(), extra.end());
  return elements;
}

// A catalogue of the scanned folder "/scan/" with file entries for the given paths.
class Catalogue : public ::testing::Test {
protected:
  item_catalogue catalogue{};
  std::vector<item_file> entries;
  Message_Capture capture{2};

  void SetUp() override { catalogue.path = strdup("/scan/"); }
  void TearDown() override
  {
    for (item_file &entry : entries) {
      std::free(entry.path);
      std::free(entry.Images_UID);
      Catalogue_Info_Free(&entry.DICOM_Info);
    }
    Catalogue_Free(&catalogue);
    template_study = template_series = template_image = Catalogue_Template{};
  }
  void Files(const std::vector<std::string> &paths)
  {
    entries.assign(paths.size(), item_file{});
    for (size_t i = 0; i < paths.size(); i++) {
      entries[i].path = strdup(paths[i].c_str());
      entries[i].select_state = SELECT_NO;
      entries[i].copy_state = COPY_NONE;
    }
  }
  int Add(size_t file, const std::vector<Element> &elements)
  {
    Header header(elements);
    return Catalogue_Add_File(&catalogue, &entries[file], header.list, &header.root);
  }
};

TEST_F(Catalogue, StudiesAndSeriesKeepTheOrderInWhichTheyWereFirstMet)
{
  Files({"/scan/A/1", "/scan/A/2", "/scan/B/3", "/scan/A/4", "/scan/B/5"});
  EXPECT_EQ(Add(0, Image("1.1", "1.1.1", "9.1", {{0x0020, 0x0013, "IS", "7 "}})), 1);
  EXPECT_EQ(Add(1, Image("1.2", "1.2.1", "9.2")), 1);
  EXPECT_EQ(Add(2, Image(" 1.1\t", "1.1.2", "9.3")), 1);  // the UID is trimmed before it is compared
  EXPECT_EQ(Add(3, Image("1.1", "1.1.1", "9.4")), 1);
  EXPECT_EQ(Add(4, Image("1.1", "1.1.2 ", "9.5")), 1);
  ASSERT_EQ(catalogue.nb_child, 2);
  item_study &first = catalogue.child[0];
  EXPECT_STREQ(first.Study_UID, "1.1");
  EXPECT_STREQ(catalogue.child[1].Study_UID, "1.2");
  EXPECT_EQ(first.nb_file, 4);
  ASSERT_EQ(first.nb_child, 2);
  EXPECT_STREQ(first.child[0].Series_UID, "1.1.1");
  EXPECT_STREQ(first.child[1].Series_UID, "1.1.2");
  ASSERT_EQ(first.child[0].nb_child, 2);
  EXPECT_EQ(first.child[0].child[0], &entries[0]);
  EXPECT_EQ(first.child[0].child[1], &entries[3]);
  EXPECT_EQ(first.child[1].child[1], &entries[4]);
  EXPECT_STREQ(entries[0].Images_UID, "9.1");
  EXPECT_EQ(entries[0].image_number, 7);
  EXPECT_EQ(entries[1].image_number, 0);
  EXPECT_EQ(capture.Count(MSG_TRACE + 1, "Adding new study 1.1"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE + 1, "Study already in the list: 1.1"), 3);
  EXPECT_EQ(capture.Count(MSG_TRACE + 1, "Series already in the list: 1.1.2"), 1);
}

TEST_F(Catalogue, SeriesUIDsAreKeyedWithinTheirStudy)
{
  Files({"/scan/1", "/scan/2"});
  Add(0, Image("1", "same", "a"));
  Add(1, Image("2", "same", "b"));
  ASSERT_EQ(catalogue.nb_child, 2);
  EXPECT_EQ(catalogue.child[0].nb_child, 1);
  EXPECT_EQ(catalogue.child[1].nb_child, 1);
}

TEST_F(Catalogue, FirstAndLastFileAreTheExtremeBaseNamesByBytes)
{
  std::string long_name = "/scan/" + std::string(150, 'z') + ".dcm";
  Files({"/scan/x/IM10.dcm", "/scan/x/IM2.dcm", "/scan/y/A1", "/scan/y/B7.dcm", long_name});
  Add(0, Image("1", "s1", "a"));
  Add(1, Image("1", "s1", "b"));
  Add(2, Image("1", "s2", "c"));
  Add(3, Image("1", "s1", "d"));
  Add(4, Image("1", "s2", "e"));
  item_study &study = catalogue.child[0];
  EXPECT_STREQ(study.first_file, "A1");
  EXPECT_EQ(std::string(study.last_file), std::string(119, 'z'));
  EXPECT_STREQ(study.child[0].first_file, "B7");
  EXPECT_STREQ(study.child[0].last_file, "IM2");
  EXPECT_STREQ(study.child[1].first_file, "A1");
}

TEST_F(Catalogue, FoldersAreTheDistinctFirstComponentsBelowTheScannedFolder)
{
  std::vector<std::string> paths = {"/scan/P1/S/1", "/scan/P2/2", "/scan/P1/3", "/scan/flat.dcm",
                                    "/scan/" + std::string(80, 'L') + "/4"};
  for (int i = 0; i < 8; i++) paths.push_back("/scan/more" + std::to_string(i) + "/x");
  Files(paths);
  for (size_t i = 0; i < paths.size(); i++) Add(i, Image("1", "s", std::to_string(i).c_str()));
  item_study &study = catalogue.child[0];
  std::vector<std::string> expected = {"P1", "P2", "flat.dcm", std::string(63, 'L'), "more0",
                                       "more1", "more2", "more3", "more4", "more5"};
  for (int f = 0; f < CATALOGUE_FOLDERS; f++) EXPECT_EQ(std::string(study.folder[f]), expected[f]) << f;
  EXPECT_EQ(study.nb_file, (int)paths.size());
}

TEST_F(Catalogue, MissingOrEmptyUIDsAreWarnedAndLeaveTheFileUnplaced)
{
  Files({"/scan/1", "/scan/2", "/scan/3", "/scan/4", "/scan/5"});
  struct Case {
    std::vector<Element> elements;
    int result;
    const char *warning;
    int studies;
  } cases[] = {
      {{{0x0020, 0x000E, "UI", "s"}}, 0, "\xF1\x04WARNING!\x02 Missing Study UID tag (0020,000D) in /scan/1", 0},
      {{{0x0020, 0x000D, "UI", ""}}, 0, "\xF1\x04WARNING!\x02 Error in NEMA_Value_Str(0020,000D) in /scan/2", 0},
      {{{0x0020, 0x000D, "UI", "1"}}, 0, "\xF1\x04WARNING!\x02 Missing Series UID tag (0020,000E) in /scan/3", 1},
      {{{0x0020, 0x000D, "UI", "1"}, {0x0020, 0x000E, "UI", ""}}, 0,
       "\xF1\x04WARNING!\x02 Error in NEMA_Value_Str(0020,000E) in /scan/4", 1},
      {Image("1", "s", ""), 0, "\xF1\x04WARNING!\x02 Error in NEMA_Value_Str() in /scan/5", 1},
  };
  for (size_t i = 0; i < std::size(cases); i++) {
    capture.Clear();
    EXPECT_EQ(Add(i, cases[i].elements), cases[i].result) << i;
    std::vector<std::string> warnings = capture.Texts(MSG_WARNING);
    ASSERT_EQ(warnings.size(), 1u) << i;
    EXPECT_EQ(warnings[0], cases[i].warning);
    EXPECT_EQ(catalogue.nb_child, cases[i].studies);
  }
  item_study &study = catalogue.child[0];
  EXPECT_EQ(study.nb_file, 3);  // the files without a series count all the same
  ASSERT_EQ(study.nb_child, 1);
  EXPECT_EQ(study.child[0].nb_child, 1);  // the file with an empty SOP Instance UID stays in its series
  EXPECT_EQ(entries[4].Images_UID, nullptr);
}

TEST_F(Catalogue, ABlankStudyUIDMakesOneStudyWithoutAUID)
{
  Files({"/scan/1", "/scan/2"});
  Add(0, Image("  ", "s", "a"));
  Add(1, Image(" ", "s", "b"));
  ASSERT_EQ(catalogue.nb_child, 1);
  EXPECT_EQ(catalogue.child[0].Study_UID, nullptr);
  EXPECT_EQ(catalogue.child[0].nb_file, 2);
}

TEST_F(Catalogue, StudyFieldsComeFromTheFirstFileAndTheDateFallsBackToContentDate)
{
  Files({"/scan/1", "/scan/2", "/scan/3", "/scan/4"});
  Add(0, Image("1", "s", "a", {{0x0008, 0x0020, "DA", "20240131"}, {0x0008, 0x0023, "DA", "20200101"},
                               {0x0010, 0x0010, "PN", "Doe^John"}, {0x0010, 0x0020, "LO", " PID7 "},
                               {0x0020, 0x0010, "SH", "42"}, {0x0008, 0x103E, "LO", "AXIAL "},
                               {0x0020, 0x0011, "IS", "3"}}));
  Add(1, Image("1", "s", "b", {{0x0020, 0x0010, "SH", "other"}}));
  Add(2, Image("2", "s", "c", {{0x0008, 0x0023, "DA", "20200229"}, {0x0020, 0x0010, "SH", ""}}));
  Add(3, Image("3", "s", "d"));
  item_study &first = catalogue.child[0];
  EXPECT_STREQ(first.Study_ID, "42");
  EXPECT_STREQ(first.Patient_ID, "PID7");
  ASSERT_NE(first.Patient_Name, nullptr);
  EXPECT_STREQ(first.Patient_Name->family, "Doe");
  EXPECT_STREQ(first.Patient_Name->given, "John");
  ASSERT_NE(first.Study_Date, nullptr);
  EXPECT_EQ(first.Study_Date->type, 1);
  EXPECT_EQ(first.Study_Date->year, 2024);
  EXPECT_EQ(first.Study_Date->day, 31);
  EXPECT_STREQ(first.child[0].Series_desc, "AXIAL");
  EXPECT_EQ(first.child[0].series_number, 3);
  item_study &second = catalogue.child[1];
  ASSERT_NE(second.Study_Date, nullptr);
  EXPECT_EQ(second.Study_Date->month, 2);
  EXPECT_EQ(second.Study_ID, nullptr);
  EXPECT_EQ(second.Patient_Name, nullptr);
  EXPECT_EQ(catalogue.child[2].Study_Date, nullptr);
}

TEST_F(Catalogue, ReportColumnsAreFilledFromTheTemplates)
{
  template_study = {3, {0x0020, 0x0000, 0x0008}, {0x0010, 0x0000, 0x0060}};
  template_series = {1, {0x0020}, {0x0011}};
  template_image = {2, {0x0020, 0x0028}, {0x0013, 0x0010}};
  Files({"/scan/1", "/scan/2"});
  Add(0, Image("1", "s", "a", {{0x0020, 0x0010, "SH", "42"}, {0x0020, 0x0011, "IS", "5"},
                               {0x0020, 0x0013, "IS", "9"}}));
  Add(1, Image("1", "s", "b"));
  item_study &study = catalogue.child[0];
  ASSERT_NE(study.DICOM_Info, nullptr);
  EXPECT_EQ(Catalogue_Info_Count(study.DICOM_Info), 3);  // one slot per column, not CATALOGUE_INFO_MAX
  EXPECT_EQ(Catalogue_Info_Count(entries[0].DICOM_Info), 2);
  EXPECT_STREQ(study.DICOM_Info[0], "42");
  EXPECT_EQ(study.DICOM_Info[1], nullptr);  // the empty column (0000,0000)
  EXPECT_EQ(study.DICOM_Info[2], nullptr);  // the file has no Modality
  EXPECT_STREQ(study.child[0].DICOM_Info[0], "5");
  EXPECT_STREQ(entries[0].DICOM_Info[0], "9");
  EXPECT_EQ(entries[0].DICOM_Info[1], nullptr);
  EXPECT_EQ(entries[1].DICOM_Info, nullptr);  // no column gave a text
}

TEST_F(Catalogue, LookupsFindTheFirstOfManyInterleavedStudies)
{
  const int files = 3000, studies = 500;
  std::vector<std::string> paths;
  for (int i = 0; i < files; i++) paths.push_back("/scan/f" + std::to_string(i));
  Files(paths);
  for (int i = 0; i < files; i++) {
    std::string study = "1.2." + std::to_string(i % studies);
    std::string series = study + "." + std::to_string(i % 3);
    ASSERT_EQ(Add(i, Image(study.c_str(), series.c_str(), std::to_string(i).c_str())), 1);
  }
  ASSERT_EQ(catalogue.nb_child, studies);
  for (int s = 0; s < studies; s++) {
    item_study &study = catalogue.child[s];
    EXPECT_EQ(std::string(study.Study_UID), "1.2." + std::to_string(s));
    EXPECT_EQ(study.nb_file, files / studies);
    ASSERT_EQ(study.nb_child, 3);
    EXPECT_EQ(study.child[0].child[0], &entries[s]);
    EXPECT_EQ(std::string(study.child[0].Series_UID), "1.2." + std::to_string(s) + "." + std::to_string(s % 3));
  }
  EXPECT_EQ(Catalogue_Study_Find(&catalogue, "1.2.499"), 499);
  EXPECT_EQ(Catalogue_Study_Find(&catalogue, "1.2.500"), -1);
  EXPECT_EQ(Catalogue_Series_Find(&catalogue, 7, "1.2.7.1"), 0);
  EXPECT_EQ(Catalogue_Series_Find(&catalogue, 7, "1.2.7.0"), 1);
  EXPECT_EQ(Catalogue_Series_Find(&catalogue, 8, "1.2.7.1"), -1);
}

TEST(Attribute_Text, EveryVRFamilyHasItsTextForm)
{
  std::string bytes_16 = std::string("\x07\x00\x09\x00", 4);
  struct Case {
    Element element;
    const char *text;
  } cases[] = {
      {{0x0020, 0x0013, "IS", "1\\2\\3"}, "1, 2, 3"},
      {{0x0028, 0x0030, "DS", "1.5\\-2"}, "1.500, -2.000"},
      {{0x0028, 0x0010, "US", bytes_16}, "7, 9"},
      {{0x0008, 0x0060, "CS", "CT\\MR"}, "CT, MR"},
      {{0x0008, 0x1030, "LO", "Brain"}, "Brain"},
      {{0x0010, 0x0010, "PN", "Doe^John"}, "Doe, John"},
      {{0x0008, 0x0020, "DA", "20240131"}, "31 Jan 2024"},
      {{0x0009, 0x1001, "OB", std::string("ab\0cd", 5)}, "ab"},
      {{0x0009, 0x1002, "XX", "what"}, ""},
  };
  for (const Case &c : cases) {
    Header header({c.element});
    ASSERT_NE(header.list, nullptr);
    const char *text = Attribute_Text(header.list);
    ASSERT_NE(text, nullptr) << c.element.vr;
    EXPECT_STREQ(text, c.text) << c.element.vr;
  }
  Header big({{0x0008, 0x1030, "LT", std::string(1025, 'x')}});
  EXPECT_EQ(Attribute_Text(big.list), nullptr);
  EXPECT_EQ(Attribute_Text(nullptr), nullptr);
}

}  // namespace
