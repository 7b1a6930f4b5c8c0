// Private attributes under their names: for every private element of the DICOM test
// files that Debian's python3-pydicom ships, the name our reader gives it (from the
// private dictionaries in "DICOM Tables") is compared with the name DCMTK's dcmdump
// prints from its own private dictionary, the source both were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_IOD.h"
#include "support/test_support.h"

static const char TEST_FILES[] = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

typedef std::map<std::string, std::string> Names;  // "(gggg,eeee)" -> name, first seen wins

static std::string Tag_Text(uint16_t group, uint16_t element)
{
  char tag[16];
  std::snprintf(tag, sizeof tag, "(%04x,%04x)", group, element);
  return tag;
}

static bool Is_Private_Element(uint16_t group, uint16_t element) { return (group & 1) && element >= 0x1000; }

// A name without its blanks: DCMTK's dictionary has one keyword with a blank in it
// ("End NumberForBaseline"), which dcmdump's last column cannot show.
static std::string Without_Blanks(std::string name)
{
  name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
  return name;
}

// dcmdump's names of the private elements of `path` (its last column).
static Names Dcmdump_Names(const std::string &path)
{
  Names names;
  std::istringstream lines(Run_Command("dcmdump -q '" + path + "' 2>/dev/null"));
  static const std::regex line(R"(^\s*\(([0-9a-f]{4}),([0-9a-f]{4})\) .*#\s*\d+,\s*\S+ (\S+)\s*$)");
  std::smatch match;
  for (std::string text; std::getline(lines, text);) {
    if (!std::regex_match(text, match, line)) continue;
    uint16_t group = (uint16_t)std::stoul(match[1], nullptr, 16), element = (uint16_t)std::stoul(match[2], nullptr, 16);
    if (Is_Private_Element(group, element)) names.emplace(Tag_Text(group, element), match[3]);
  }
  return names;
}

static void Our_Names(const DICOM_Attribute *list, Names &names)
{
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (Is_Private_Element(r->group, r->element))
      names.emplace(Tag_Text(r->group, r->element), Without_Blanks(r->description ? r->description : ""));
    for (int32_t i = 0; i < r->count; i++) Our_Names(r->item[i], names);
  }
}

TEST(PrivateNames, private_elements_of_real_files_carry_the_names_dcmdump_gives_them)
{
  ASSERT_EQ(DICOM_Module_Dir_Set(nullptr, (Source_Dir() + "data/DICOM Tables/").c_str()), 1);
  int compared = 0, agreed = 0, unknown_to_dcmtk = 0;
  std::string disagreements;
  for (const std::string &relative : Files_Below(TEST_FILES)) {
    std::string path = std::string(TEST_FILES) + "/" + relative;
    Names theirs = Dcmdump_Names(path);
    if (theirs.empty()) continue;
    DICOM_Sequence_Root root;
    DICOM_Attribute *list = DICOMDIR_Scan_Read(path.c_str(), &root);
    Names ours;
    Our_Names(list, ours);
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
    for (const auto &[tag, name] : theirs) {
      if (name == "Unknown" || name == "PrivateTag") {
        unknown_to_dcmtk++;  // dcmdump has no name for it either
        continue;
      }
      compared++;
      auto found = ours.find(tag);
      if (found != ours.end() && found->second == name) agreed++;
      else disagreements += path + " " + tag + ": dcmdump " + name + ", ours " +
                            (found == ours.end() ? std::string("(absent)") : found->second) + "\n";
    }
  }
  std::printf("[ measured ] private element names: %d of %d agree with dcmdump (%.1f%%); %d without a name in "
              "DCMTK's dictionary left out\n",
              agreed, compared, compared ? 100.0 * agreed / compared : 0.0, unknown_to_dcmtk);
  EXPECT_GT(compared, 500);
  EXPECT_EQ(agreed, compared) << disagreements;
}
