// The DICOMDIR builder on small files of our own: the record tree and what reads back,
// generated keys and their notices, merging without duplicates, paths outside the
// DICOMDIR rules, character sets, and existing directories that must be refused and
// left untouched.
#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

#include "dicom/DICOM_Media_Directory.h"
#include "media_directory_files.h"

namespace {

Media_Keys Keys(const std::string &patient, const std::string &study, const std::string &series, int instance)
{
  Media_Keys keys;
  keys.patient_id = patient;
  keys.patient_name = "Doe^" + patient;
  keys.study_uid = "1.2.3." + study;
  keys.series_uid = "1.2.3." + study + "." + series;
  keys.instance_uid = keys.series_uid + "." + std::to_string(instance);
  return keys;
}

std::vector<DICOM_Media_File> Files(const std::vector<std::string> &paths)
{
  std::vector<DICOM_Media_File> files;
  for (const std::string &path : paths) files.push_back(DICOM_Media_File{path, nullptr});
  return files;
}

std::vector<DICOM_Media_Entry> Read_Back(const std::string &folder)
{
  std::vector<DICOM_Media_Entry> entries;
  EXPECT_EQ(DICOM_Media_Directory_Read(nullptr, (folder + "DICOMDIR").c_str(), &entries, MSG_ERROR), 1);
  return entries;
}

// ---- building ----------------------------------------------------------------------------------

TEST(DICOM_Media_Directory_Build, files_come_back_under_their_patient_study_and_series)
{
  Scoped_Temp_Env env;
  std::string folder = env.root();
  ASSERT_TRUE(Write_Media_File(folder, "P1/S1/I1", Keys("A", "1", "1", 1)));
  ASSERT_TRUE(Write_Media_File(folder, "P1/S1/I2", Keys("A", "1", "1", 2)));
  ASSERT_TRUE(Write_Media_File(folder, "P1/S2/I1", Keys("A", "1", "2", 1)));
  ASSERT_TRUE(Write_Media_File(folder, "P2/S1/I1", Keys("B", "2", "1", 1)));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, folder.c_str(), Files({"P1/S1/I1", "P1/S1/I2", "P1/S2/I1", "P2/S1/I1"}),
                                        "DISC_1", &notices),
            1);
  EXPECT_TRUE(notices.empty());
  std::vector<DICOM_Media_Entry> entries = Read_Back(folder);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].path, "P1/S1/I1");
  EXPECT_EQ(entries[0].record_type, "IMAGE");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[1], 0x0020, 0x000E), "1.2.3.1.1");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[2], 0x0020, 0x000E), "1.2.3.1.2");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[3], 0x0010, 0x0020), "B");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[3], 0x0010, 0x0010), "Doe^B");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[3], 0x0020, 0x000D), "1.2.3.2");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[3], 0x0008, 0x0018), "1.2.3.2.1.1");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[3], 0x0002, 0x0010), "1.2.840.10008.1.2.1");
}

TEST(DICOM_Media_Directory_Build, record_type_follows_the_sop_class)
{
  const std::pair<const char *, const char *> cases[] = {
      {"1.2.840.10008.5.1.4.1.1.2", "IMAGE"},
      {"1.2.840.10008.5.1.4.1.1.88.22", "SR DOCUMENT"},
      {"1.2.840.10008.5.1.4.1.1.88.59", "KEY OBJECT DOC"},
      {"1.2.840.10008.5.1.4.1.1.11.1", "PRESENTATION"},
      {"1.2.840.10008.5.1.4.1.1.481.2", "RT DOSE"},
      {"1.2.840.10008.5.1.4.1.1.104.1", "ENCAP DOC"},
  };
  for (const auto &[sop_class, record_type] : cases) {
    Scoped_Temp_Env env;
    Media_Keys keys = Keys("A", "1", "1", 1);
    keys.sop_class = sop_class;
    ASSERT_TRUE(Write_Media_File(env.root(), "F1", keys));
    std::vector<std::string> notices;
    ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1"}), nullptr, &notices), 1);
    std::vector<DICOM_Media_Entry> entries = Read_Back(env.root());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].record_type, record_type) << sop_class;
  }
}

// ---- generated keys and left-out files ---------------------------------------------------------

TEST(DICOM_Media_Directory_Keys, a_file_without_patient_id_gets_a_generated_one_and_a_notice)
{
  Scoped_Temp_Env env;
  ASSERT_TRUE(Write_Media_File(env.root(), "F1", Keys("", "1", "1", 1)));
  ASSERT_TRUE(Write_Media_File(env.root(), "F2", Keys("", "1", "1", 2)));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1", "F2"}), nullptr, &notices), 1);
  ASSERT_EQ(notices.size(), 1u);  // one patient, one generated ID
  EXPECT_EQ(notices[0], "DICOMDIR: F1 has no Patient ID: \"HDPAT000001\" written");
  std::vector<DICOM_Media_Entry> entries = Read_Back(env.root());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[0], 0x0010, 0x0020), "HDPAT000001");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[1], 0x0010, 0x0020), "HDPAT000001");
}

TEST(DICOM_Media_Directory_Keys, files_it_cannot_enter_are_left_out_with_a_notice_each)
{
  Scoped_Temp_Env env;
  Media_Keys no_series = Keys("A", "1", "1", 1);
  no_series.series_uid.clear();
  ASSERT_TRUE(Write_Media_File(env.root(), "GOOD", Keys("A", "1", "1", 2)));
  ASSERT_TRUE(Write_Media_File(env.root(), "NOSERIES", no_series));
  ASSERT_TRUE(Write_Media_File(env.root(), "lower", Keys("A", "1", "1", 3)));
  ASSERT_TRUE(Write_Media_File(env.root(), "TOOLONGNAME", Keys("A", "1", "1", 4)));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(),
                                        Files({"GOOD", "NOSERIES", "lower", "TOOLONGNAME", "MISSING", "GOOD"}), nullptr,
                                        &notices),
            1);
  const char *expected[] = {
      "DICOMDIR: NOSERIES left out: no Study or Series Instance UID",
      "DICOMDIR: lower left out: its path is not 1 to 8 parts of 1 to 8 characters A-Z, 0-9, _",
      "DICOMDIR: TOOLONGNAME left out: its path is not 1 to 8 parts of 1 to 8 characters A-Z, 0-9, _",
      "DICOMDIR: MISSING left out: its header could not be read",
      "DICOMDIR: GOOD left out: its SOP Instance UID is already in the directory",
  };
  ASSERT_EQ(notices.size(), 5u);
  for (size_t i = 0; i < notices.size(); i++) EXPECT_EQ(notices[i], expected[i]);
  EXPECT_EQ(Read_Back(env.root()).size(), 1u);
}

TEST(DICOM_Media_Directory_Keys, non_ascii_names_carry_the_files_character_set_and_ascii_ones_none)
{
  Scoped_Temp_Env env;
  Media_Keys latin = Keys("A", "1", "1", 1), plain = Keys("B", "2", "1", 1);
  latin.patient_name = "M\xfcller^J";
  latin.charset = "ISO_IR 100";
  plain.charset = "ISO_IR 100";
  ASSERT_TRUE(Write_Media_File(env.root(), "F1", latin));
  ASSERT_TRUE(Write_Media_File(env.root(), "F2", plain));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1", "F2"}), nullptr, &notices), 1);
  std::vector<DICOM_Media_Entry> entries = Read_Back(env.root());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[0], 0x0010, 0x0010), "M\xfcller^J");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[0], 0x0008, 0x0005), "ISO_IR 100");
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[1], 0x0008, 0x0005), "");
}

TEST(DICOM_Media_Directory_Keys, an_invalid_file_set_id_is_refused_before_anything_is_written)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  std::vector<std::string> notices;
  EXPECT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), {}, "disc one", &notices), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "File-set ID"), 1);
  EXPECT_NE(access((env.root() + "DICOMDIR").c_str(), F_OK), 0);
}

// ---- merging -----------------------------------------------------------------------------------

TEST(DICOM_Media_Directory_Merge, a_second_build_adds_new_files_and_reuses_upper_records)
{
  Scoped_Temp_Env env;
  ASSERT_TRUE(Write_Media_File(env.root(), "F1", Keys("A", "1", "1", 1)));
  ASSERT_TRUE(Write_Media_File(env.root(), "F2", Keys("A", "1", "1", 2)));
  ASSERT_TRUE(Write_Media_File(env.root(), "F3", Keys("C", "3", "1", 1)));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1"}), "SET", &notices), 1);
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1", "F2", "F3"}), nullptr, &notices), 1);
  std::vector<DICOM_Media_Entry> entries = Read_Back(env.root());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].path, "F1");
  EXPECT_EQ(entries[1].path, "F2");  // same series record as F1
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[1], 0x0020, 0x000E), DICOM_Media_Entry_Text(entries[0], 0x0020, 0x000E));
  EXPECT_EQ(DICOM_Media_Entry_Text(entries[2], 0x0010, 0x0020), "C");
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("F1 left out: its SOP Instance UID is already"), std::string::npos);
}

TEST(DICOM_Media_Directory_Merge, nothing_new_leaves_the_directory_untouched)
{
  Scoped_Temp_Env env;
  ASSERT_TRUE(Write_Media_File(env.root(), "F1", Keys("A", "1", "1", 1)));
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1"}), nullptr, &notices), 1);
  std::string before = Read_File(env.root() + "DICOMDIR");
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1"}), nullptr, &notices), 1);
  EXPECT_EQ(Read_File(env.root() + "DICOMDIR"), before);
  EXPECT_NE(notices.back().find("no new file"), std::string::npos);
}

// ---- refusals ----------------------------------------------------------------------------------

// A DICOMDIR of one record, then `damage` applied to its bytes.
struct Refusal_Case {
  const char *name;
  std::function<void(std::string *)> damage;
};

TEST(DICOM_Media_Directory_Refuse, damaged_or_foreign_directories_are_refused_and_left_untouched)
{
  auto patch_first_offset = [](std::string *bytes, uint32_t value) {
    size_t at = bytes->find(std::string("\x04\x00\x00\x12UL\x04\x00", 8));
    for (int i = 0; i < 4; i++) (*bytes)[at + 8 + (size_t)i] = (char)(value >> (8 * i));
  };
  const Refusal_Case cases[] = {
      {"truncated", [](std::string *b) { b->resize(b->size() - 30); }},
      {"offset pointing nowhere", [&](std::string *b) { patch_first_offset(b, 7); }},
      {"loop", [&](std::string *b) {
         // The first record's next-record offset pointing back at itself.
         size_t first = b->find(std::string("\xFE\xFF\x00\xE0", 4));
         size_t next = b->find(std::string("\x04\x00\x00\x14UL\x04\x00", 8), first);
         for (int i = 0; i < 4; i++) (*b)[next + 8 + (size_t)i] = (char)(first >> (8 * i));
       }},
      {"not a directory", [](std::string *b) {
         size_t at = b->find("1.2.840.10008.1.3.10");
         (*b)[at + 19] = '1';
       }},
  };
  for (const Refusal_Case &c : cases) {
    Scoped_Temp_Env env;
    ASSERT_TRUE(Write_Media_File(env.root(), "F1", Keys("A", "1", "1", 1)));
    ASSERT_TRUE(Write_Media_File(env.root(), "F2", Keys("A", "1", "1", 2)));
    std::vector<std::string> notices;
    ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F1"}), nullptr, &notices), 1);
    std::string bytes = Read_File(env.root() + "DICOMDIR");
    c.damage(&bytes);
    ASSERT_TRUE(Write_File(env.root() + "DICOMDIR", bytes));
    Message_Capture capture;
    EXPECT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), Files({"F2"}), nullptr, &notices), 0) << c.name;
    EXPECT_EQ(capture.Count(MSG_ERROR, "refused"), 1) << c.name;
    EXPECT_EQ(Read_File(env.root() + "DICOMDIR"), bytes) << c.name;
    std::vector<DICOM_Media_Entry> entries;
    EXPECT_EQ(DICOM_Media_Directory_Read(nullptr, (env.root() + "DICOMDIR").c_str(), &entries, MSG_ERROR), 0) << c.name;
    EXPECT_TRUE(Files_Below(env.root()) == std::vector<std::string>({"DICOMDIR", "F1", "F2"})) << c.name;
  }
}

TEST(DICOM_Media_Directory_Refuse, a_symbolic_link_named_dicomdir_is_refused)
{
  Scoped_Temp_Env env;
  ASSERT_TRUE(Write_File(env.root() + "elsewhere", "x"));
  ASSERT_EQ(symlink("elsewhere", (env.root() + "DICOMDIR").c_str()), 0);
  Message_Capture capture;
  std::vector<std::string> notices;
  EXPECT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), {}, nullptr, &notices), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "not a regular file"), 1);
  EXPECT_EQ(Read_File(env.root() + "elsewhere"), "x");
}

}  // namespace
