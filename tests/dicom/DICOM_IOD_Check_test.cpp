// The IOD check on small CT files against a module folder written by the test: what is
// missing, empty or conditional, which modules count as present, whose line holds an
// attribute that several modules name, sequence items, values, and unknown SOP classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dicom_file_writer.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_IOD_Check.h"
#include "dicom/NEMA_Read_IOD.h"
#include "support/test_support.h"

namespace {

// The CT template of the tests: two mandatory modules, a conditional and an optional one.
const std::vector<std::pair<std::string, std::string>> TABLES = {
    {"DICOM_Module_CT_Image.txt",
     "Patient ; M\nContrast ; C Required if contrast was used\nImage ; M\nExtra ; U\n"},
    {"DICOM_Attributes_Patient.txt",
     "(0010,0010) type=2 desc=\"Patient's Name\"\n"
     "(0010,0020) type=2 desc=\"Patient ID\"\n"
     "(0010,1002) type=3 desc=\"Other Patient IDs Sequence\"\n"
     ">(0010,0020) type=1 desc=\"Patient ID\"\n"
     "(0010,2201) type=1C desc=\"Patient Species Description\"\n"},
    {"DICOM_Attributes_Contrast.txt",
     "(0018,0010) type=2 desc=\"Contrast/Bolus Agent\"\n(0018,1041) type=3 desc=\"Contrast/Bolus Volume\"\n"},
    {"DICOM_Attributes_Image.txt",
     "(0008,0008) type=1 desc=\"Image Type\"\n"
     "(0008,0060) type=3 desc=\"Modality\"\n"
     "(0010,0020) type=1 desc=\"Patient ID\"\n"},
    {"DICOM_Attributes_Extra.txt", "(0008,0060) type=1 desc=\"Modality\"\n(0018,1030) type=3 desc=\"Protocol Name\"\n"},
};

// One item of a sequence of defined length.
std::string Item(const std::vector<Part10_Element> &elements)
{
  std::string body;
  for (const Part10_Element &e : elements) Part10_Element_Write(body, e);
  std::string item;
  Part10_Put16(item, 0xFFFE);
  Part10_Put16(item, 0xE000);
  Part10_Put32(item, (uint32_t)body.size());
  return item + body;
}

class IOD_Check : public ::testing::Test {
protected:
  void SetUp() override { Use_Tables("tables/"); }

  // Writes the test's tables into env.root() + `name` and makes it the module folder.
  void Use_Tables(const std::string &name)
  {
    folder = env.root() + name;
    Run_Command("mkdir -p '" + folder + "'");
    for (const auto &[file, text] : TABLES) ASSERT_TRUE(Write_File(folder + file, text));
    ASSERT_EQ(DICOM_Module_Dir_Set(nullptr, folder.c_str()), 1);
  }
  void TearDown() override { DICOM_Module_Dir_Set(nullptr, saved.empty() ? "/nonexistent/" : saved.c_str()); }

  // The check of a CT file holding `elements` (UIDs and pixel data added).
  DICOM_Check_Result Check(const std::vector<Part10_Element> &elements, int *returned = nullptr)
  {
    std::string path = env.temp() + "image" + std::to_string(files++) + ".dcm";
    EXPECT_TRUE(Write_File(path, Part10_Bytes(elements, "1.2.3.4.5.6", 64)));
    DICOM_Sequence_Root root;
    DICOM_Attribute *list = DICOMDIR_Scan_Read(path.c_str(), &root);
    DICOM_Check_Result result;
    int code = DICOM_IOD_Check(nullptr, list, &result);
    if (returned) *returned = code;
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
    return result;
  }

  // The findings as "kind path(gggg,eeee) type module", one per line.
  static std::string Lines(const DICOM_Check_Result &result)
  {
    std::string out;
    char tag[16];
    for (const DICOM_Check_Finding &f : result.findings) {
      std::snprintf(tag, sizeof tag, "(%04x,%04x)", f.group, f.element);
      out += std::string(DICOM_Check_Kind_Name(f.kind)) + " " + f.path + tag + " " + f.type + " " + f.module + "\n";
    }
    return out;
  }

  Scoped_Temp_Env env;
  std::string saved = DICOM_Module_Dir();
  std::string folder;  // the module folder, ending with "/"
  int files = 0;
};

const std::vector<Part10_Element> COMPLETE = {
    {0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY"}, {0x0010, 0x0010, "PN", "Doe^Jane"}, {0x0010, 0x0020, "LO", "P1"},
    {0x0010, 0x2201, "LO", "Homo sapiens"}};

TEST_F(IOD_Check, a_complete_file_passes_and_names_its_template)
{
  int returned = 0;
  DICOM_Check_Result result = Check(COMPLETE, &returned);
  EXPECT_EQ(returned, 1);
  EXPECT_EQ(result.modality, "CT_Image");
  EXPECT_EQ(result.sop_class, "1.2.840.10008.5.1.4.1.1.2");
  EXPECT_EQ(result.failures, 0) << Lines(result);
  EXPECT_EQ(Lines(result), "");
}

TEST_F(IOD_Check, absent_type_2_empty_type_1_and_absent_conditional_are_told_apart)
{
  DICOM_Check_Result result = Check({{0x0008, 0x0008, "CS", ""}, {0x0010, 0x0020, "LO", "P1"}});
  EXPECT_EQ(Lines(result), "missing (0010,0010) 2 Patient\n"
                           "conditional (0010,2201) 1C Patient\n"
                           "empty (0008,0008) 1 Image\n");
  EXPECT_EQ(result.failures, 2) << "a conditional finding does not fail";
}

TEST_F(IOD_Check, an_optional_module_counts_only_when_one_of_its_own_attributes_is_there)
{
  // Modality is Image's too, so it does not make Extra present; Protocol Name does.
  std::vector<Part10_Element> with_modality = COMPLETE;
  with_modality.push_back({0x0008, 0x0060, "CS", "CT"});
  EXPECT_EQ(Lines(Check(with_modality)), "");

  std::vector<Part10_Element> with_volume = COMPLETE;
  with_volume.push_back({0x0018, 0x1041, "DS", "20"});
  EXPECT_EQ(Lines(Check(with_volume)), "missing (0018,0010) 2 Contrast\n");

  std::vector<Part10_Element> with_protocol = COMPLETE;
  with_protocol.push_back({0x0018, 0x1030, "LO", "Head"});
  EXPECT_EQ(Lines(Check(with_protocol)), "missing (0008,0060) 1 Extra\n")
      << "Extra's type 1 is stricter than Image's type 3";
}

TEST_F(IOD_Check, a_forced_line_overrides_and_otherwise_the_strictest_line_holds)
{
  std::vector<Part10_Element> elements = {{0x0008, 0x0008, "CS", "ORIGINAL\\PRIMARY"}, {0x0010, 0x0010, "PN", "Doe^Jane"},
                                          {0x0010, 0x2201, "LO", "Homo sapiens"}};
  EXPECT_EQ(Lines(Check(elements)), "missing (0010,0020) 1 Image\n") << "type 1 of Image over type 2 of Patient";

  Use_Tables("tables-forced/");
  ASSERT_TRUE(Write_File(folder + "DICOM_Attributes_Extra.txt", "!(0008,0060) type=3\n(0018,1030) type=3\n"));
  ASSERT_TRUE(Write_File(folder + "DICOM_Attributes_Image.txt", "(0008,0060) type=1\n"));
  elements = COMPLETE;
  elements.push_back({0x0018, 0x1030, "LO", "Head"});
  EXPECT_EQ(Lines(Check(elements)), "") << "Extra's forced type 3 overrides Image's type 1";
}

TEST_F(IOD_Check, each_sequence_item_is_held_against_the_template_item)
{
  std::vector<Part10_Element> elements = COMPLETE;
  elements.push_back({0x0010, 0x1002, "SQ",
                      Item({{0x0010, 0x0020, "LO", "OTHER1"}}) + Item({{0x0010, 0x0021, "LO", "ISSUER"}})});
  EXPECT_EQ(Lines(Check(elements)), "missing (0010,1002)[2] (0010,0020) 1 Patient\n");
}

TEST_F(IOD_Check, a_value_that_does_not_fit_its_VR_is_named_with_the_cleanups_message)
{
  std::vector<Part10_Element> elements = COMPLETE;
  elements.push_back({0x0008, 0x0020, "DA", "2024-1-1"});
  elements.push_back({0x0020, 0x0013, "IS", "3000000000"});
  DICOM_Check_Result result = Check(elements);
  ASSERT_EQ(result.findings.size(), 2u) << Lines(result);
  EXPECT_EQ(result.failures, 2);
  for (const DICOM_Check_Finding &f : result.findings) {
    EXPECT_EQ(f.kind, DICOM_CHECK_VALUE);
    for (unsigned char c : f.message) EXPECT_TRUE(c >= ' ' && c < 0x7F) << "markup dropped: " << f.message;
  }
  EXPECT_NE(result.findings[0].message.find("VR=DA 2 char in \"2024-1-1\" not from set"), std::string::npos)
      << result.findings[0].message;
  EXPECT_NE(result.findings[1].message.find("Value out of range"), std::string::npos) << result.findings[1].message;
}

TEST_F(IOD_Check, a_sop_class_without_a_template_is_one_failing_finding)
{
  int returned = 1;
  DICOM_Check_Result result = Check({{0x0008, 0x0016, "UI", "1.2.3.999"}}, &returned);
  EXPECT_EQ(returned, 0);
  ASSERT_EQ(result.findings.size(), 1u);
  EXPECT_EQ(result.findings[0].kind, DICOM_CHECK_UNKNOWN_SOP);
  EXPECT_EQ(result.findings[0].message, "no module template for SOP class 1.2.3.999");
  EXPECT_EQ(result.failures, 1);
}

}  // namespace
