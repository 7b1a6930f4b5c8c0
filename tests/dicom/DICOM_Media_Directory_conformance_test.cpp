// The DICOMDIR builder against other software: a generated multi-patient corpus laid out
// under 8-character names must pass dicom3tools' dciodvfy (no error) and dcdirdmp (every
// record), DCMTK's dcmdump (read whole) and dcmmkdir +A (appends to it), and pydicom's
// FileSet (every instance under its patient, study and series, as in the files). pydicom's
// character-set files keep their Specific Character Set in the records.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "dicom/DICOM_Media_Directory.h"
#include "support/test_support.h"

namespace {

std::string Run_Ok(const std::string &command)
{
  int status = -1;
  std::string out = Run_Command(command + " 2>&1", &status);
  EXPECT_EQ(status, 0) << command << "\n" << out;
  return out;
}

TEST(DICOM_Media_Directory_Conformance, corpus_directory_is_accepted_by_dicom3tools_dcmtk_and_pydicom)
{
  Scoped_Temp_Env env;
  std::string corpus = env.root() + "corpus/", media = env.root() + "media/";
  Run_Ok("/usr/bin/python3 " + Source_Dir() + "bench/make_corpus.py " + corpus +
         " --files 40 --images-per-series 10 --series-per-study 1");
  // Every DICOM file of the corpus under D<n>/I<nnnnn>.
  Run_Ok("cd " + corpus + " && i=0; for f in $(find . -name '*.dcm' | sort); do i=$((i+1)); d=" + media +
         "D$((i%4)); mkdir -p $d; cp $f $d/I$(printf %05d $i); done");
  std::vector<DICOM_Media_File> files;
  for (const std::string &path : Files_Below(media)) files.push_back(DICOM_Media_File{path, nullptr});
  ASSERT_EQ(files.size(), 40u);
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, media.c_str(), files, "CORPUS", &notices), 1);
  EXPECT_TRUE(notices.empty());
  std::string dicomdir = media + "DICOMDIR";

  std::string verify = Run_Ok("dciodvfy " + dicomdir);
  EXPECT_EQ(verify.find("Error"), std::string::npos) << verify;
  std::string listing = Run_Ok("dcdirdmp " + dicomdir);
  size_t images = 0;
  for (size_t at = listing.find("IMAGE"); at != std::string::npos; at = listing.find("IMAGE", at + 1)) images++;
  EXPECT_EQ(images, 40u);
  Run_Ok("dcmdump -q " + dicomdir + " > /dev/null");

  // pydicom's FileSet against the files themselves.
  std::string check = Run_Ok("/usr/bin/python3 " + Source_Dir() + "tests/dicom/media_directory_check.py " + media);
  EXPECT_NE(check.find("instances 40 agree"), std::string::npos) << check;
  EXPECT_EQ(check.find("patients 1\n"), std::string::npos) << check;  // several patients

  // Our records take every key a file holds; the reader says so.
  std::vector<DICOM_Media_Entry> entries;
  ASSERT_EQ(DICOM_Media_Directory_Read(nullptr, dicomdir.c_str(), &entries, MSG_ERROR), 1);
  ASSERT_EQ(entries.size(), 40u);
  EXPECT_NE(entries[0].taken, nullptr);

  // DCMTK appends an explicit little endian file to our directory; the records are then
  // no longer all ours.
  Run_Ok("/usr/bin/python3 " + Source_Dir() + "tests/dicom/media_directory_check.py " + media + " --make-new NEW/I00001");
  Run_Ok("cd " + media + " && dcmmkdir -q +A NEW/I00001");
  check = Run_Ok("/usr/bin/python3 " + Source_Dir() + "tests/dicom/media_directory_check.py " + media);
  EXPECT_NE(check.find("instances 41 agree"), std::string::npos) << check;
  entries.clear();
  ASSERT_EQ(DICOM_Media_Directory_Read(nullptr, dicomdir.c_str(), &entries, MSG_ERROR), 1);
  ASSERT_EQ(entries.size(), 41u);
  for (const DICOM_Media_Entry &entry : entries) EXPECT_EQ(entry.taken, nullptr) << entry.path;
}

TEST(DICOM_Media_Directory_Conformance, pydicom_character_set_files_keep_their_character_set)
{
  Scoped_Temp_Env env;
  const char *charset_files = "/usr/lib/python3/dist-packages/pydicom/data/charset_files/";
  const std::pair<const char *, const char *> cases[] = {{"chrFren.dcm", "ISO_IR 100"}, {"chrX1.dcm", "ISO_IR 192"}};
  std::vector<DICOM_Media_File> files;
  int n = 0;
  for (const auto &[file, charset] : cases) {
    std::string name = "F" + std::to_string(++n);
    Run_Ok("cp " + std::string(charset_files) + file + " " + env.root() + name);
    files.push_back(DICOM_Media_File{name, nullptr});
  }
  std::vector<std::string> notices;
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, env.root().c_str(), files, nullptr, &notices), 1);
  std::vector<DICOM_Media_Entry> entries;
  ASSERT_EQ(DICOM_Media_Directory_Read(nullptr, (env.root() + "DICOMDIR").c_str(), &entries, MSG_ERROR), 1);
  ASSERT_EQ(entries.size(), 2u);
  for (size_t i = 0; i < entries.size(); i++) EXPECT_EQ(DICOM_Media_Entry_Text(entries[i], 0x0008, 0x0005), cases[i].second);
  std::string names = Run_Ok("/usr/bin/python3 -c \"import pydicom; d=pydicom.dcmread('" + env.root() +
                             "DICOMDIR'); print([str(r.PatientName) for r in d.DirectoryRecordSequence "
                             "if r.DirectoryRecordType=='PATIENT'])\"");
  EXPECT_NE(names.find("Buc^J\u00e9r\u00f4me"), std::string::npos) << names;
  EXPECT_NE(names.find("Wang^XiaoDong=\u738b^\u5c0f\u6771"), std::string::npos) << names;
}

}  // namespace
