// Naming of copied files: the cleaning rules, the DICOMDIR-compatible scheme (every
// component checked against its character set and length) and the ordinary scheme, and
// names from hostile header values that must stay inside the target folder.
#include "app/copy_name.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

static bool DICOMDIR_Component(const std::string &text)
{
  if (text.empty() || text.size() > 8) return false;
  for (char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

static void Expect_DICOMDIR_Name(const Copy_Name &name)
{
  for (const std::string &folder : name.folders) EXPECT_TRUE(DICOMDIR_Component(folder)) << folder;
  EXPECT_TRUE(DICOMDIR_Component(name.file)) << name.file;
  // the numbered alternatives of a taken name keep to the scheme too
  EXPECT_TRUE(DICOMDIR_Component(name.file + "99")) << name.file;
}

static std::string Joined(const Copy_Name &name)
{
  std::string path;
  for (const std::string &folder : name.folders) path += folder + "/";
  return path + name.file;
}

TEST(CopyClean, RulesKeepRemoveAndReplaceTheRightCharacters)
{
  struct Case { const char *in, *dicomdir, *trim, *file; } cases[] = {
      {"ab-12/cd.ef3", "AB12CDEF3", "ab-12/cd.ef3", "ab-12_cd.ef3"},
      {"  \tx y \t\n", "XY", "x y", "  _x y __"},  // file cleaning keeps blanks, replaces tab/newline
      {"C:\\dir", "CDIR", "C:\\dir", "C:\\dir"},     // colon as second character stays
      {"ab:c", "ABC", "ab:c", "ab_c"},
      {"a\\\\\\b", "AB", "a\\\\\\b", "a\\b"},          // runs of backslashes collapse
      {"\\\\a", "A", "\\\\a", "\\\\a"},               // except after the first character
      {"\"*<>?|", "", "\"*<>?|", "______"},
      {"na\xC3\xAFve", "NAVE", "na\xC3\xAFve", "na__ve"},
      {"   ", "", "", "   "},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Copy_Clean_DICOMDIR(c.in), c.dicomdir) << c.in;
    EXPECT_EQ(Copy_Trim(c.in), c.trim) << c.in;
    EXPECT_EQ(Copy_Clean_File(c.in), c.file) << c.in;
  }
}

TEST(CopyNameDICOMDIR, FoldersAndFileFollowTheScheme)
{
  struct Case {
    const char *patient_id, *study_id;
    int series, acquisition, image;
    const char *path;
    const char *warning;  // part of the expected warning, or nullptr
  } cases[] = {
      {"ab-12/cd.ef3", "7", 3, 0, 12, "PAB12CDE/S0000003/A00012", nullptr},
      {"", "st 9", 3, 2, 1, "EST9/S0000003/B00001", nullptr},
      {"", "", 5, 0, 1, "S0000005/A00001", nullptr},
      {"1", "", 12345678, 0, 1, "P1/S0345678/A00001", "Series number is to big"},
      {"1", "", 1, 0, 123456, "P1/S0000001/A23456", "Image number is to big"},
      {"1", "", 1, 25, 1, "P1/S0000001/Y00001", nullptr},
      {"1", "", 1, 26, 1, "P1/S0000001/000001", nullptr},
      {"1", "", 1, 35, 1, "P1/S0000001/900001", nullptr},
      {"1", "", 1, 36, 1, "P1/S0000001/J00001", "Acquisistion number is to big"},
      {"1", "", 1, 0, 0, "P1/S0000001/A00000", nullptr},
      {"1", "", 0, 0, 100000, "P1/A00000", "Image number is to big"},
      {"../..", "", 1, 0, 1, "P/S0000001/A00001", nullptr},
  };
  for (const Case &c : cases) {
    Message_Capture capture;
    Copy_Values values;
    values.patient_id = c.patient_id;
    values.study_id = c.study_id;
    values.series_number = c.series;
    values.acquisition_number = c.acquisition;
    values.image_number = c.image;
    Copy_Name name = Copy_Name_DICOMDIR(values);
    EXPECT_EQ(Joined(name), c.path);
    Expect_DICOMDIR_Name(name);
    int expected = c.warning ? 1 : 0;
    EXPECT_EQ(capture.Count(MSG_THREAD, c.warning ? c.warning : "WARNING"), expected) << c.path;
  }
}

TEST(CopyNameOrdinary, FoldersFollowFlagSubDir)
{
  Copy_Values values;
  values.study_id = "S12";
  values.patient_id = "PID7";
  values.patient_name = "DOE, JOHN";
  values.series_number = 4;
  values.series_desc = "T1 AX/POST";
  values.image_number = 9;
  struct Case { int sub_dir; const char *folders; } cases[] = {
      {0, ""}, {1, "S12/"}, {2, "PID7/"}, {3, "DOE, JOHN/"}, {4, ""},
      {10, "004/"}, {13, "DOE, JOHN/004/"}, {23, "DOE, JOHN/T1 AX_POST/"}, {21, "S12/T1 AX_POST/"},
  };
  for (const Case &c : cases) {
    Copy_Name name = Copy_Name_Ordinary(values, c.sub_dir, 0, "/src/IM1");
    EXPECT_EQ(Joined(name), std::string(c.folders) + "IM1") << c.sub_dir;
  }
  values.series_desc = "";
  EXPECT_EQ(Joined(Copy_Name_Ordinary(values, 20, 0, "/src/IM1")), "004/IM1");
  values.patient_name = "";
  EXPECT_EQ(Joined(Copy_Name_Ordinary(values, 3, 0, "/src/IM1")), "PID7/IM1");
  values.patient_id = "";
  EXPECT_EQ(Joined(Copy_Name_Ordinary(values, 3, 0, "/src/IM1")), "S12/IM1");
}

TEST(CopyNameOrdinary, FileNamesStandardOrFromTheSource)
{
  Copy_Values values;
  values.series_number = 3;
  values.image_number = 7;
  EXPECT_EQ(Copy_Name_Ordinary(values, 0, 1, "/a/x.dcm").file, "E_S003_I0007");
  values.study_id = "12";
  EXPECT_EQ(Copy_Name_Ordinary(values, 0, 1, "/a/x.dcm").file, "E12_S003_I0007");
  values.acquisition_number = 2;
  EXPECT_EQ(Copy_Name_Ordinary(values, 0, 1, "/a/x.dcm").file, "E12_S003_B0007");
  values.acquisition_number = 26;
  EXPECT_EQ(Copy_Name_Ordinary(values, 0, 1, "/a/x.dcm").file, "E12_S003_@0007");
  values.study_id = "a/b\\c";
  EXPECT_EQ(Copy_Name_Ordinary(values, 0, 1, "/a/x.dcm").file, "Ea_b_c_S003_@0007");

  struct Case { const char *source, *file; } cases[] = {
      {"/in/IM000123.dcm", "IM000123"}, {"/in/1.2.3.4.5", "1.2.3.4.5"}, {"/in/scan.123", "scan.123"},
      {"/in/IMG.DCM;1", "IMG"},         {"/in/x.longext", "x.longext"}, {"/in/.dcm", "_"},
  };
  for (const Case &c : cases) EXPECT_EQ(Copy_Name_Ordinary(values, 0, 0, c.source).file, c.file) << c.source;
}

TEST(CopyNameOrdinary, HostileValuesStayInsideTheTargetFolder)
{
  const std::string long_name(100, 'x');
  struct Case { const char *name; const char *folders; } cases[] = {
      {"..", "__/"},
      {"..\\..\\etc", "__/__/etc/"},
      {"\\\\server\\share", "server/share/"},
      {"/etc/passwd", "_etc_passwd/"},
      {"a\\.\\b", "a/_/b/"},
      {"\\", ""},
      {long_name.c_str(), nullptr},
  };
  for (const Case &c : cases) {
    Copy_Values values;
    values.patient_name = c.name;
    values.series_number = 1;
    values.image_number = 1;
    Copy_Name name = Copy_Name_Ordinary(values, 3, 1, "/in/a");
    for (const std::string &folder : name.folders) {
      EXPECT_FALSE(folder.empty());
      EXPECT_NE(folder, ".");
      EXPECT_NE(folder, "..");
      EXPECT_EQ(folder.find('/'), std::string::npos);
    }
    if (c.folders) EXPECT_EQ(Joined(name), std::string(c.folders) + "E_S001_I0001") << c.name;
    else EXPECT_EQ(name.folders.at(0).size(), 79u);
  }
}
