// The module folder and what is read from it: the definition-file format (bytes, tokens,
// values by VR, nesting, includes), the private dictionaries (file search, element
// lookup, caching, several threads), module lists, modality templates, SOP classes,
// and the complement naming private elements from the installed tables.
#include "dicom/NEMA_Read_IOD.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "dicom/DICOM_Library_Release.h"
#include "dicom/DICOM_Module_Table.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Definition.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "attribute_lists.h"
#include "support/test_support.h"
#include "util/mutex_access.h"

namespace {

// A module folder of its own per test, warnings on; every table released afterwards.
class Module_Folder : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  std::string folder = env.root() + "tables/";

  void SetUp() override
  {
    std::filesystem::create_directories(folder);
    ASSERT_EQ(DICOM_Module_Dir_Set(nullptr, folder.c_str()), 1);
    NEMA_Warning_Kind = MSG_WARNING;
  }
  void TearDown() override
  {
    NEMA_Warning_Kind = 0;
    DICOM_Library_Release();
  }
  void File(const std::string &name, const std::string &bytes) { ASSERT_TRUE(Write_File(folder + name, bytes)); }
};

std::string Hex(const unsigned char *bytes, int32_t size)
{
  std::string text;
  char byte[4];
  for (int32_t i = 0; bytes && i < size; i++) {
    std::snprintf(byte, sizeof byte, "%s%02x", text.empty() ? "" : " ", bytes[i]);
    text += byte;
  }
  return text;
}

std::string Hex(const std::string &bytes) { return Hex((const unsigned char *)bytes.data(), (int32_t)bytes.size()); }

// The attribute lines of `text` (one line per entry, no includes).
std::vector<DICOM_Definition_Line> Parse(const std::vector<std::string> &text)
{
  std::vector<DICOM_Definition_Text> lines;
  int number = 0;
  for (const std::string &line : text) lines.push_back({line, "", ++number});
  std::vector<DICOM_Definition_Line> parsed;
  DICOM_Definition_Parse(nullptr, lines, "test.txt", [](const std::string &, std::string &why) {
    why = "no include here";
    return nullptr;
  }, parsed);
  return parsed;
}

void Free(DICOM_Attribute *list)
{
  DICOM_Sequence_Root top{};
  DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
}

}  // namespace

// ---- module folder ----------------------------------------------------------------------------

TEST(Module_Folder_Setting, a_folder_is_stored_ending_with_its_separator_and_an_empty_one_changes_nothing)
{
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, "/opt/harrowdesk/DICOM Tables"), 1);
  EXPECT_EQ(DICOM_Module_Dir(), "/opt/harrowdesk/DICOM Tables/");
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, "/srv/tables/"), 1);
  EXPECT_EQ(DICOM_Module_Dir(), "/srv/tables/");
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, ""), 0);
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, nullptr), 0);
  EXPECT_EQ(DICOM_Module_Dir(), "/srv/tables/");
}

// ---- text lines ---------------------------------------------------------------------------------

TEST_F(Module_Folder, text_lines_keep_what_the_bytes_allow_and_each_fault_gives_one_warning)
{
  std::string longest = "(0010,0010) desc=" + std::string(DICOM_DEFINITION_LINE_MAX - 17, 'x');
  struct Case {
    const char *what;
    std::string bytes;
    std::vector<std::string> texts;
    const char *warning;  // part of the one warning, or nullptr
  } cases[] = {
      {"tabs and CR LF", "(0010,0010)\r\n\t(0010,0020)\t; id\r\n", {"(0010,0010)", "(0010,0020)"}, nullptr},
      {"comments and empty lines", "; head\n\n  ; note\n(0010,0010) ; patient\n", {"(0010,0010)"}, nullptr},
      {"a ; inside quotes", "(0010,0010) \"a;b\" ; c\n", {"(0010,0010) \"a;b\""}, nullptr},
      {"0x92 as apostrophe", "(0010,0010) desc=Patient\x92s\n", {"(0010,0010) desc=Patient's"}, nullptr},
      {"form feed ends the file", "(0010,0010)\n\f(0010,0020)\n", {"(0010,0010)"}, nullptr},
      {"a line of the longest length", longest + "\n", {longest}, nullptr},
      {"a control byte", "(0010,0010) desc=a\x01z\n", {"(0010,0010) desc=a\x01z"},
       "Bad charact. 0x\x01" "1\x02 (pos:\x01" "19\x02)"},
      {"an overlong line", "(0010,0010)\n" + longest + "y\n(0010,0020)\n", {"(0010,0010)"}, "Line too long (>2048)"},
      {"a last line without line feed", "(0010,0010)\n(0010,0020)", {"(0010,0010)"},
       "Last line without line feed (not used)"},
  };
  for (const Case &c : cases) {
    Message_Capture capture(0);
    File("case.txt", c.bytes);
    std::vector<DICOM_Definition_Text> lines;
    ASSERT_EQ(DICOM_Definition_Text_Read(nullptr, folder + "case.txt", "case.txt", lines), 1) << c.what;
    std::vector<std::string> texts;
    for (const DICOM_Definition_Text &line : lines) texts.push_back(line.text);
    EXPECT_EQ(texts, c.texts) << c.what;
    EXPECT_EQ(capture.Count(MSG_WARNING, "WARNING:"), c.warning ? 1 : 0) << c.what;
    if (c.warning) {
      EXPECT_EQ(capture.Count(MSG_WARNING, c.warning), 1) << c.what;
    }
  }
  std::vector<DICOM_Definition_Text> none;
  EXPECT_EQ(DICOM_Definition_Text_Read(nullptr, folder + "absent.txt", "absent.txt", none), 0);
  EXPECT_EQ(DICOM_Definition_Text_Read(nullptr, folder, "a folder", none), 0);
}

// ---- attribute lines ------------------------------------------------------------------------------

TEST_F(Module_Folder, values_are_stored_by_their_vr_and_a_value_that_does_not_fit_is_dropped_with_a_warning)
{
  double two_and_a_half = 2.5;
  float minus_two = -2.0f;
  struct Case {
    const char *line;
    std::string bytes;
    const char *warning;
  } cases[] = {
      {"(0028,0010) VR=US \"1\\2\"", "01 00 02 00", nullptr},
      {"(0008,0016) VR=UI \"1.2.3\"", Hex(std::string("1.2.3\0", 6)), nullptr},
      {"(0008,0016) VR=UI \"1.22\"", Hex("1.22"), nullptr},
      {"(0008,0060) \"CT1\"", Hex("CT1 "), nullptr},  // CS from the dictionary
      {"(0018,0088) VR=FD \"2.5\"", Hex(std::string((const char *)&two_and_a_half, 8)), nullptr},
      {"(0028,0030) VR=FL \"-2\"", Hex(std::string((const char *)&minus_two, 4)), nullptr},
      {"(0028,0106) VR=SS \"-2\"", "fe ff", nullptr},
      {"(0020,9157) VR=UL \"4294967295\"", "ff ff ff ff", nullptr},
      {"(0020,5000) VR=AT \"0008\\0010\"", "08 00 10 00", nullptr},
      {"(0028,0010) VR=US \"\"", "", nullptr},
      {"(0028,0010) VR=US \"70000\"", "", "Problem with value (=\x01" "70000\x02)"},
      {"(0028,0010) VR=US \"1\\x\"", "", "Problem with value"},
      {"(0018,0088) VR=FD \"2.5mm\"", "", "Problem with value"},
      {"(7FE0,0010) VR=OB \"1\"", "", "Problem with value"},
      {"(0019,1001) \"abc\"", "", "Problem with value"},  // private: no VR known
  };
  for (const Case &c : cases) {
    Message_Capture capture(0);
    std::vector<DICOM_Definition_Line> lines = Parse({c.line});
    ASSERT_EQ(lines.size(), 1u) << c.line;
    EXPECT_EQ(Hex(lines[0].value), c.bytes) << c.line;
    EXPECT_EQ(lines[0].fields.size, (int32_t)lines[0].value.size()) << c.line;
    EXPECT_EQ(capture.Count(MSG_WARNING, "WARNING:"), c.warning ? 1 : 0) << c.line;
    if (c.warning) {
      EXPECT_EQ(capture.Count(MSG_WARNING, c.warning), 1) << c.line;
    }
  }
  Message_Capture capture(0);
  std::string numbers = "1";
  for (int i = 1; i < 512; i++) numbers += "\\1";
  EXPECT_EQ(Parse({"(0028,0010) VR=US \"" + numbers + "\""})[0].value.size(), 1024u);
  EXPECT_EQ(Parse({"(0028,0010) VR=US \"" + numbers + "\\1\""})[0].value, "");
  EXPECT_EQ(capture.Count(MSG_WARNING, "Problem with value"), 1);
}

TEST_F(Module_Folder, tokens_markers_and_faults_of_attribute_lines)
{
  const int16_t type_3 = (int16_t)DICOM_VR_Code('3', ' ');
  struct Case {
    const char *line;
    bool kept;
    uint16_t VR, flags;  // flags beyond the module origin
    int16_t type;
    const char *description;
    const char *warning;
  } cases[] = {
      {"(0010,0010)", true, DICOM_VR_PN, 0, type_3, "", nullptr},  // an empty token list
      {"(0008,1150) type=1 desc=\"Referenced SOP Class UID\" VN=1", true, DICOM_VR_UI, 0,
       (int16_t)DICOM_VR_Code('1', ' '), "Referenced SOP Class UID", nullptr},
      {"(0028,0106) type=1c VR=US\\SS desc=Smallest", true, DICOM_VR_US, 0, (int16_t)DICOM_VR_Code('1', 'C'),
       "Smallest", nullptr},
      {"(0019,1012) VR=DS desc=Gain", true, DICOM_VR_DS, 0, type_3, "Gain", nullptr},
      {"! = (0010,0010)", true, DICOM_VR_PN, DICOM_FLAG_FORCED | DICOM_FLAG_DEFAULT, type_3, "", nullptr},
      {"-+(0010,0020)", true, DICOM_VR_LO, DICOM_FLAG_REMOVE | DICOM_FLAG_APPEND, type_3, "", nullptr},
      {"(0010,0010) type=4", true, DICOM_VR_PN, 0, type_3, "", "Syntax error\"type=xx\" (=\x01type=4\x02)"},
      {"(0010,0010) VR=XX", true, DICOM_VR_PN, 0, type_3, "", "Syntax error\"VR=xx\" (=\x01VR=XX\x02)"},
      {"(0010,0010) VR=PNX", true, DICOM_VR_PN, 0, type_3, "", "Syntax error\"VR=xx\""},
      {"(0010,0010) colour=red", true, DICOM_VR_PN, 0, type_3, "", "Syntax error (=\x01" "colour=red\x02)"},
      {"+!(0010,0010)", false, 0, 0, 0, "", "Syntax error: expecting \"(xxxx,yyyy) ...\" instead of \"\x01+!(0010,0010)\x02\""},
      {"(10,10)", false, 0, 0, 0, "", "Syntax error: expecting"},
      {"Patient", false, 0, 0, 0, "", "Syntax error: expecting"},
  };
  for (const Case &c : cases) {
    Message_Capture capture(0);
    std::vector<DICOM_Definition_Line> lines = Parse({c.line});
    ASSERT_EQ(lines.size(), c.kept ? 1u : 0u) << c.line;
    EXPECT_EQ(capture.Count(MSG_WARNING, "WARNING:"), c.warning ? 1 : 0) << c.line;
    if (c.warning) {
      EXPECT_EQ(capture.Count(MSG_WARNING, c.warning), 1) << c.line;
    }
    if (!c.kept) continue;
    const DICOM_Attribute &r = lines[0].fields;
    EXPECT_EQ(r.VR, c.VR) << c.line;
    EXPECT_EQ(r.flags, DICOM_ORIGIN_MODULE | c.flags) << c.line;
    EXPECT_EQ(r.type, c.type) << c.line;
    EXPECT_EQ(lines[0].description, c.description) << c.line;
    EXPECT_EQ(lines[0].depth, 0) << c.line;
  }
}

// ---- nesting and includes -------------------------------------------------------------------------

TEST_F(Module_Folder, nested_lines_give_the_items_and_delimiters_of_a_list_read_from_a_file)
{
  File("DICOM_Attributes_Image.txt",
       "(0008,1140) type=1C\n"
       ">(0008,1150) type=1 desc=\"Referenced SOP Class UID\"\n"
       ">(0008,1155) type=1\n"
       ">(0040,A170) ; a sequence in the item\n"
       ">>(0008,0100) type=1\n"
       "(0008,2112)\n"  // an empty sequence
       "(0010,0010) ; patient\n");
  DICOM_Attribute *read = DICOM_Module_Attributes_Read(nullptr, "Image");
  ASSERT_NE(read, nullptr);

  Flat_List flat;
  flat.Add(0x0008, 0x1140, DICOM_VR_SQ, "", -1);
  flat.Item();
  flat.Add(0x0008, 0x1150, DICOM_VR_UI);
  flat.Add(0x0008, 0x1155, DICOM_VR_UI);
  flat.Add(0x0040, 0xA170, DICOM_VR_SQ, "", -1);
  flat.Item();
  flat.Add(0x0008, 0x0100, DICOM_VR_SH);
  flat.Item_End();
  flat.Sequence_End();
  flat.Item_End();
  flat.Sequence_End();
  flat.Add(0x0008, 0x2112, DICOM_VR_SQ, "", -1);
  flat.Sequence_End();
  flat.Add(0x0010, 0x0010, DICOM_VR_PN);
  DICOM_Attribute *from_file = DICOM_Attribute_Format(nullptr, flat.list);
  EXPECT_EQ(Shape(read), Shape(from_file));
  EXPECT_EQ(Shape(read), "0008,1140[fffe,e000 0008,1150 0008,1155 0040,a170[fffe,e000 0008,0100 fffe,e00d] "
                         "fffe,e0dd fffe,e00d] fffe,e0dd 0008,2112 fffe,e0dd 0010,0010");
  const DICOM_Attribute *item_first = read->item[0]->next;
  EXPECT_STREQ(item_first->description, "Referenced SOP Class UID");
  EXPECT_EQ(item_first->level, 1);
  EXPECT_EQ(item_first->type, (int16_t)DICOM_VR_Code('1', ' '));
  EXPECT_EQ(read->type, (int16_t)DICOM_VR_Code('1', 'C'));
  Free(read);
  Free(from_file);
}

TEST_F(Module_Folder, an_include_puts_its_lines_at_its_own_depth_and_is_read_once)
{
  File("DICOM_Include_Code.txt",
       "; a macro\n"
       "(0008,0100) type=1\n"
       "(0040,A043)\n"
       ">(0008,0104)\n");
  File("DICOM_Attributes_First.txt", "(0008,1140)\n>#include \"Code\"\n(0010,0010)\n");
  File("DICOM_Attributes_Second.txt", "#include \x91" "Code\x92\n");
  DICOM_Attribute *first = DICOM_Module_Attributes_Read(nullptr, "First");
  EXPECT_EQ(Shape(first), "0008,1140[fffe,e000 0008,0100 0040,a043[fffe,e000 0008,0104 fffe,e00d] fffe,e0dd "
                          "fffe,e00d] fffe,e0dd 0010,0010");
  ASSERT_EQ(std::remove((folder + "DICOM_Include_Code.txt").c_str()), 0);
  DICOM_Attribute *second = DICOM_Module_Attributes_Read(nullptr, "Second");
  EXPECT_EQ(Shape(second), "0008,0100 0040,a043[fffe,e000 0008,0104 fffe,e00d] fffe,e0dd");
  Free(first);
  Free(second);
}

TEST_F(Module_Folder, a_missing_or_self_including_macro_is_left_out_with_a_warning)
{
  File("DICOM_Include_Loop.txt", "(0010,0010)\n#include Loop\n");
  File("DICOM_Attributes_Broken.txt", "#include \"Nothing\"\n#include Loop\n(0010,0020)\n");
  Message_Capture capture(0);
  DICOM_Attribute *read = DICOM_Module_Attributes_Read(nullptr, "Broken");
  EXPECT_EQ(Shape(read), "0010,0010 0010,0020");
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open attributes file:\x01" "DICOM_Include_Nothing.txt"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Include of itself (=\x01" "DICOM_Include_Loop.txt"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "WARNING:"), 2);
  Free(read);
  EXPECT_EQ(DICOM_Module_Attributes_Read(nullptr, "Absent"), nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open attributes file:\x01" "DICOM_Attributes_Absent.txt"), 1);
}

TEST_F(Module_Folder, includes_that_multiply_the_lines_of_a_file_past_its_bound_end_it_with_a_warning)
{
  std::vector<DICOM_Definition_Line> macro = Parse({"(0010,0010)"});
  macro.resize(DICOM_DEFINITION_LINES_MAX / 2 + 1, macro[0]);
  std::vector<DICOM_Definition_Text> text = {{"#include Big", "", 1}, {"#include Big", "", 2}, {"(0010,0020)", "", 3}};
  std::vector<DICOM_Definition_Line> lines;
  Message_Capture capture(0);
  DICOM_Definition_Parse(nullptr, text, "huge.txt", [&macro](const std::string &, std::string &) { return &macro; },
                         lines);
  EXPECT_EQ(lines.size(), macro.size());
  EXPECT_EQ(capture.Count(MSG_WARNING, "Too many lines with the includes (>100000)"), 1);
}

TEST_F(Module_Folder, a_line_deeper_than_its_sequence_stays_at_the_depth_it_can_have)
{
  File("DICOM_Attributes_Deep.txt", "(0010,0010)\n>(0010,0020)\n(0008,1140)\n>>>(0008,1150)\n");
  Message_Capture capture(0);
  DICOM_Attribute *read = DICOM_Module_Attributes_Read(nullptr, "Deep");
  EXPECT_EQ(Shape(read), "0010,0010 0010,0020 0008,1140[fffe,e000 0008,1150 fffe,e00d] fffe,e0dd");
  EXPECT_EQ(capture.Count(MSG_WARNING, "Nesting deeper than its sequence"), 2);
  Free(read);
}

// ---- private dictionaries -------------------------------------------------------------------------

namespace {
// The file names the private search tried, in order (from its traces).
std::vector<std::string> Tried(const Message_Capture &capture)
{
  std::vector<std::string> tried;
  for (const std::string &text : capture.Texts(MSG_TRACE + 3))
    if (text.rfind("Private Attribute file:", 0) == 0)
      tried.push_back(text.substr(std::strlen("Private Attribute file:"), text.find(" in dir:") - 23));
  return tried;
}
}  // namespace

TEST_F(Module_Folder, a_creator_file_is_searched_from_the_whole_name_down_to_one_character)
{
  File("DICOM_Private_ACME.txt", "(0019,0012) VR=DS desc=FromAcme\n");
  File("DICOM_Private_A.txt", "(0019,0012) VR=DS desc=FromA\n");
  File("DICOM_Private_X_Y.txt", "(0019,0012) VR=DS desc=FromXY\n");
  struct Case {
    const char *creator;
    std::vector<std::string> tried;
    const char *description;
  } cases[] = {
      {"ACME MR 1.0",
       {"ACME MR 1.0", "ACME MR 1.", "ACME MR 1", "ACME MR ", "ACME MR", "ACME M", "ACME ", "ACME"}, "FromAcme"},
      {"  acme mr 2 ", {"ACME MR 2", "ACME MR ", "ACME MR", "ACME M", "ACME ", "ACME"}, "FromAcme"},
      {"AXE", {"AXE", "AX", "A"}, "FromA"},
      {"x/y", {"X_Y"}, "FromXY"},
      {"BRAND \"*:<>?\\|", {"BRAND ________", "BRAND _______", "BRAND ______", "BRAND _____", "BRAND ____",
                             "BRAND ___", "BRAND __", "BRAND _", "BRAND ", "BRAND", "BRAN", "BRA", "BR", "B"}, nullptr},
  };
  for (const Case &c : cases) {
    Message_Capture capture(9);
    DICOM_Attribute record{};
    record.group = 0x0019;
    record.element = 0x1012;
    int known = DICOM_Module_Read_Private(nullptr, c.creator, &record);
    std::vector<std::string> tried;
    for (const std::string &name : c.tried) tried.push_back("DICOM_Private_" + name + ".txt");
    EXPECT_EQ(Tried(capture), tried) << c.creator;
    EXPECT_EQ(known, c.description ? 1 : 0) << c.creator;
    EXPECT_STREQ(record.description, c.description) << c.creator;
    std::free(record.description);
  }
  // Two creators that come to the same file share its one reading.
  EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, "ACME MR 1.0"), DICOM_Module_Private_Dictionary(nullptr, "ACME CT"));
}

TEST_F(Module_Folder, a_creator_without_a_file_is_searched_once_whatever_the_thread)
{
  File("DICOM_Private_OTHER.txt", "(0019,0012) VR=DS desc=Other\n");
  Message_Capture capture(9);
  EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, "NOBODY"), nullptr);
  EXPECT_EQ(Tried(capture).size(), 6u);
  capture.Clear();
  EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, "NOBODY"), nullptr);
  std::thread([] { EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, "NOBODY"), nullptr); }).join();
  EXPECT_TRUE(Tried(capture).empty());
  EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, ""), nullptr);
  EXPECT_EQ(DICOM_Module_Private_Dictionary(nullptr, nullptr), nullptr);
}

TEST_F(Module_Folder, private_elements_are_found_by_their_full_number_or_their_low_byte)
{
  File("DICOM_Private_VENDOR.txt",
       "(0019,0012) VR=DS desc=Low\n"
       "(0019,1013) VR=US desc=Full\n"
       "-(0019,0014) desc=Gone\n"
       "(0019,0015) desc=NoVR\n"
       "(0019,0012) VR=SH desc=Again\n");
  struct Case {
    uint16_t group, element;
    int known;
    const char *description;
    uint16_t VR, flags;
  } cases[] = {
      {0x0019, 0x1012, 1, "Low", DICOM_VR_DS, 0},   {0x0019, 0x0012, 1, "Low", DICOM_VR_DS, 0},
      {0x0019, 0x1112, 1, "Low", DICOM_VR_DS, 0},   {0x0019, 0x1013, 1, "Full", DICOM_VR_US, 0},
      {0x0019, 0x1113, 0, "before", DICOM_VR_OB, 0}, {0x0019, 0x1014, 1, "Gone", DICOM_VR_OB, DICOM_FLAG_DELETED},
      {0x0019, 0x1015, 1, "NoVR", DICOM_VR_OB, 0},  {0x0021, 0x1012, 0, "before", DICOM_VR_OB, 0},
  };
  for (const Case &c : cases) {
    DICOM_Attribute record{};
    record.group = c.group;
    record.element = c.element;
    record.dictionary_VR = (int16_t)DICOM_VR_OB;
    record.description = strdup("before");
    EXPECT_EQ(DICOM_Module_Read_Private(nullptr, "VENDOR", &record), c.known) << c.element;
    EXPECT_STREQ(record.description, c.description) << c.element;
    EXPECT_EQ(record.dictionary_VR, (int16_t)c.VR) << c.element;
    EXPECT_EQ(record.flags, c.flags) << c.element;
    std::free(record.description);
  }
}

TEST_F(Module_Folder, four_threads_look_up_the_elements_of_fifty_creators_at_once)
{
  Mutex_Access_Create();
  enum { CREATORS = 50, ELEMENTS = 16, THREADS = 4, ROUNDS = 20 };
  for (int c = 0; c < CREATORS; c++) {
    if (c % 5 == 4) continue;  // every fifth creator has no file
    std::string lines;
    char line[64];
    for (int e = 0; e < ELEMENTS; e++) {
      std::snprintf(line, sizeof line, "(0029,%04X) VR=US desc=C%02dE%02d\n", e, c, e);
      lines += line;
    }
    File("DICOM_Private_MAKER " + std::to_string(c) + "X.txt", lines);
  }
  std::atomic<int> wrong{0};
  auto look_up = [&wrong](int thread) {
    for (int round = 0; round < ROUNDS; round++)
      for (int i = 0; i < CREATORS * ELEMENTS; i++) {
        int c = (i / ELEMENTS * 7 + thread * 11 + round) % CREATORS, e = i % ELEMENTS;
        std::string creator = "Maker " + std::to_string(c) + "x";
        DICOM_Attribute record{};
        record.group = 0x0029;
        record.element = (uint16_t)(0x1000 | e);
        char want[16];
        std::snprintf(want, sizeof want, "C%02dE%02d", c, e);
        int known = DICOM_Module_Read_Private(nullptr, creator.c_str(), &record);
        bool right = c % 5 == 4 ? !known && !record.description
                                : known && record.description && !std::strcmp(record.description, want);
        if (!right) wrong++;
        std::free(record.description);
      }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; t++) threads.emplace_back(look_up, t);
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  Mutex_Access_Close();
}

// ---- module lists and templates -----------------------------------------------------------------

TEST_F(Module_Folder, a_module_list_gives_each_module_with_its_usage)
{
  File("DICOM_Module_CT_Image.txt",
       "; generated\n"
       "General_Series ; M\n"
       "Contrast_Bolus ; C Required if contrast media was used\n"
       "Device ; U\n"
       "Plain\n"
       "Odd ; Mandatory\n");
  std::vector<DICOM_Module_Use> uses;
  ASSERT_EQ(DICOM_Module_List(nullptr, "CT_Image", uses), 1);
  ASSERT_EQ(uses.size(), 5u);
  std::string text;
  for (const DICOM_Module_Use &use : uses) text += use.name + ":" + use.usage + ":" + use.condition + "|";
  EXPECT_EQ(text, "General_Series:M:|Contrast_Bolus:C:Required if contrast media was used|Device:U:|Plain:U:|Odd:U:|");

  Message_Capture capture(0);
  std::vector<DICOM_Module_Use> untouched(1);
  EXPECT_EQ(DICOM_Module_List(nullptr, "MR_Image", untouched), 0);
  EXPECT_EQ(untouched.size(), 1u);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open module IOD file:\x01" "DICOM_Module_MR_Image.txt"), 1);
  EXPECT_EQ(DICOM_Module_List(nullptr, "", untouched), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "DICOM_Module_Read no modality name!"), 1);
}

TEST_F(Module_Folder, a_template_is_built_once_per_modality_and_falls_back_to_the_ot_image_modules)
{
  File("DICOM_Module_OT_Image.txt", "Patient ; M\nGeneral_Study ; M\n");
  File("DICOM_Attributes_Patient.txt", "(0010,0020) type=2\n(0010,0010) type=2\n(0010,0030) type=2\n");
  File("DICOM_Attributes_General_Study.txt", "(0008,0020) type=2\n(0010,0010) \"Doe^John\"\n-(0010,0030)\n");
  Message_Capture capture(0);
  DICOM_Attribute *ot = DICOM_Module_Read(nullptr, "OT_Image");
  ASSERT_NE(ot, nullptr);
  EXPECT_EQ(Shape(ot), "0008,0020 0010,0010 0010,0020");
  const DICOM_Attribute *name = ot->next;
  EXPECT_EQ(std::string((const char *)name->data, (size_t)name->size), "Doe^John");
  EXPECT_EQ(DICOM_Module_Read(nullptr, "OT_Image"), ot);
  EXPECT_EQ(capture.Count(MSG_WARNING, "WARNING:"), 0);

  DICOM_Attribute *unknown = DICOM_Module_Read(nullptr, "XX_Image");
  EXPECT_EQ(Shape(unknown), Shape(ot));
  EXPECT_EQ(DICOM_Module_Read(nullptr, "XX_Image"), unknown);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open module IOD file:\x01" "DICOM_Module_XX_Image.txt"), 1);
  EXPECT_EQ(DICOM_Module_Read(nullptr, nullptr), nullptr);

  for (int i = 2; i < 100; i++) EXPECT_NE(DICOM_Module_Read(nullptr, ("M" + std::to_string(i)).c_str()), nullptr);
  EXPECT_EQ(DICOM_Module_Read(nullptr, "M100"), nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "ERROR: DICOM_Module_Read Exceeding 100 modalities!"), 1);
  EXPECT_EQ(DICOM_Module_Read(nullptr, "OT_Image"), ot);
}

// ---- SOP classes --------------------------------------------------------------------------------

TEST(Module_SOP_Class, every_sop_class_of_the_table_finds_its_modality_and_others_find_none)
{
  EXPECT_STREQ(DICOM_Module_For_SOP_Class("1.2.840.10008.5.1.4.1.1.2"), "CT_Image");
  EXPECT_STREQ(DICOM_Module_For_SOP_Class("1.2.840.10008.5.1.4.1.1.4.1 "), "Enhanced_MR_Image");
  EXPECT_EQ(DICOM_Module_For_SOP_Class("1.2.840.10008.5.1.4.1.1.2.9"), nullptr);
  EXPECT_EQ(DICOM_Module_For_SOP_Class(""), nullptr);
  EXPECT_EQ(DICOM_Module_For_SOP_Class(nullptr), nullptr);
  for (int i = 0; i < DICOM_Module_SOP_Count; i++)
    EXPECT_STREQ(DICOM_Module_For_SOP_Class(DICOM_Module_SOP_Table[i].sop_class_uid), DICOM_Module_SOP_Table[i].modality)
        << DICOM_Module_SOP_Table[i].sop_class_uid;
}

// ---- the complement with the installed tables -------------------------------------------------

TEST(Module_Installed_Tables, the_complement_names_a_private_element_from_its_creator_dictionary)
{
  ASSERT_EQ(DICOM_Module_Dir_Set(nullptr, (Source_Dir() + "data/DICOM Tables/").c_str()), 1);
  Flat_List flat;
  flat.Add(0x0019, 0x0010, 0, "GEMS_ACQU_01");
  flat.Add(0x0019, 0x1002, 0, std::string("\x10\x00", 2));  // SS when guessed
  flat.Add(0x0019, 0x10FE, 0, "ab");
  DICOM_Attribute *list = DICOM_Attribute_Format(nullptr, flat.list);
  DICOM_Sequence_Root root{};
  EXPECT_EQ(DICOM_Attribute_Complement(nullptr, &root, list), 0);
  const DICOM_Attribute *known = list->next, *unknown = known->next;
  EXPECT_STREQ(known->description, "NumberOfCellsInDetector");
  EXPECT_EQ(known->dictionary_VR, (int16_t)DICOM_VR_SL);
  EXPECT_STREQ(unknown->description, "GEMS_ACQU_01");
  Free(list);
  DICOM_Library_Release();
}
