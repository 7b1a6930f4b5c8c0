// DICOMDIR files end to end: a DICOMDIR-compatible copy (harrowdesk-cli copy --dicomdir)
// must make a file-set that other software accepts, and a scan of that folder must
// catalogue it from the DICOMDIR's records and still show exactly what reading every
// file shows (HARROWDESK_SCAN_FULL=1 reads every file and ignores the DICOMDIR): the same
// JSON catalogue and reports. What the DICOMDIR does not vouch for is read: files it does
// not name, files changed after it, and all of them when it is damaged; records whose
// files are gone are warned about. DCMTK's dcmsend sends a file-set by its DICOMDIR.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "dicom/DICOM_Media_Directory.h"
#include "dicom_peers.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const char PYDICOM_DATA[] = "/usr/lib/python3/dist-packages/pydicom/data/";

std::string Cli() { return Binary_Dir() + "src/app/harrowdesk-cli"; }

std::string Quoted(const std::string &text) { return "'" + text + "'"; }

// What a scan shows of a collection: its catalogue and the text of its reports.
struct Catalogue_View {
  std::string json, reports, errors;
};

// Scans `collection` into a fresh folder below `scratch`, by the DICOMDIR or (`full`)
// reading every file whole; `options` are added to the command.
Catalogue_View Scan(const std::string &collection, const std::string &scratch, bool full,
                    const std::string &options = "")
{
  static int run = 0;
  std::string out = scratch + "scan" + std::to_string(++run) + "/";
  fs::create_directories(out + "reports");
  Catalogue_View view;
  int status = -1;
  view.json = Run_Command(std::string(full ? "HARROWDESK_SCAN_FULL=1 " : "") + Quoted(Cli()) + " scan " +
                              Quoted(collection) + " --order study --json " + options + " --report " +
                              Quoted(out + "reports") + " 2>" + Quoted(out + "errors"),
                          &status);
  EXPECT_EQ(status, 0) << Read_File(out + "errors");
  view.errors = Read_File(out + "errors");
  std::vector<std::string> names = Files_Below(out + "reports");
  std::sort(names.begin(), names.end());
  for (const std::string &name : names) view.reports += name + "\n" + Read_File(out + "reports/" + name);
  return view;
}

// The number of files that the scan's trace says it took from the DICOMDIR's records.
int From_Records(const Catalogue_View &view)
{
  size_t at = view.errors.find(" files catalogued from its records");
  if (at == std::string::npos) return 0;
  size_t start = view.errors.rfind(": ", at);
  return std::atoi(view.errors.c_str() + start + 2);
}

void Expect_Same_Catalogue(const Catalogue_View &by_records, const Catalogue_View &read_whole)
{
  EXPECT_GT(read_whole.json.size(), 1000u);
  EXPECT_TRUE(by_records.json == read_whole.json) << "the JSON catalogues differ";
  EXPECT_GT(read_whole.reports.size(), 1000u);
  EXPECT_TRUE(by_records.reports == read_whole.reports) << "the reports differ";
}

// Renames every file and folder below `folder` (and the DICOMDIR) to lower case, as a CD
// mounted without Rock Ridge or Joliet shows them.
void Lower_Case_Names(const std::string &folder)
{
  std::vector<fs::path> paths;
  for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder)) paths.push_back(entry.path());
  std::sort(paths.rbegin(), paths.rend());  // the deepest first: a folder after what it holds
  for (const fs::path &path : paths) {
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    fs::rename(path, path.parent_path() / name);
  }
}

// A generated multi-patient corpus copied with the DICOMDIR scheme, for each test.
class Media_Directory_Scan : public ::testing::Test {
protected:
  void SetUp() override
  {
    corpus = env.root() + "corpus/";
    media = env.root() + "media/";
    int status = -1;
    Run_Command("/usr/bin/python3 " + Quoted(Source_Dir() + "bench/make_corpus.py") + " " + Quoted(corpus) +
                    " --files 24 --images-per-series 4 --series-per-study 2 --rows 16 --columns 16 >/dev/null 2>&1",
                &status);
    ASSERT_EQ(status, 0);
    fs::create_directories(media);
    Run_Command(Quoted(Cli()) + " copy " + Quoted(corpus) + " --part10 --dicomdir --to " + Quoted(media) +
                    " -q 2>&1",
                &status);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(fs::is_regular_file(media + "DICOMDIR"));
  }

  Scoped_Temp_Env env;
  std::string corpus, media;
};

}  // namespace

TEST_F(Media_Directory_Scan, a_dicomdir_copy_is_catalogued_from_its_records_as_reading_every_file_catalogues_it)
{
  Catalogue_View by_records = Scan(media, env.root(), false, "-v");
  EXPECT_EQ(From_Records(by_records), 24) << by_records.errors;
  Expect_Same_Catalogue(by_records, Scan(media, env.root(), true));

  // A CD mounted with lower-case names: the records still find their files.
  Lower_Case_Names(media);
  ASSERT_TRUE(fs::is_regular_file(media + "dicomdir"));
  by_records = Scan(media, env.root(), false, "-v");
  EXPECT_EQ(From_Records(by_records), 24) << by_records.errors;
  Expect_Same_Catalogue(by_records, Scan(media, env.root(), true));
}

TEST_F(Media_Directory_Scan, dcmsend_sends_every_file_the_dicomdir_names)
{
  Storescp peer(env.root(), {"+xa"});
  ASSERT_TRUE(peer.Ready());
  int status = -1;
  std::string out = Run_Command("dcmsend -aec STORESCP +rd 127.0.0.1 " + std::to_string(peer.port) + " " +
                                    Quoted(media + "DICOMDIR") + " 2>&1",
                                &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(peer.Stored(), 24) << out;
}

TEST_F(Media_Directory_Scan, files_the_dicomdir_does_not_vouch_for_are_read_and_records_without_files_are_warned_of)
{
  std::vector<std::string> copies = Files_Below(media);
  copies.erase(std::remove(copies.begin(), copies.end(), "DICOMDIR"), copies.end());
  std::sort(copies.begin(), copies.end());
  ASSERT_EQ(copies.size(), 24u);
  // One file gone, one changed after the DICOMDIR was written (a new series text, which
  // only reading it shows), and one the DICOMDIR never named.
  ASSERT_EQ(unlink((media + copies[0]).c_str()), 0);
  int status = -1;
  Run_Command("/usr/bin/python3 -c \"import pydicom,sys; d=pydicom.dcmread(sys.argv[1]); "
              "d.SeriesDescription='CHANGED LATER'; d.save_as(sys.argv[1])\" " + Quoted(media + copies[5]),
              &status);
  ASSERT_EQ(status, 0);
  struct stat dicomdir;
  ASSERT_EQ(stat((media + "DICOMDIR").c_str(), &dicomdir), 0);
  struct timespec later[2] = {dicomdir.st_mtim, dicomdir.st_mtim};
  later[0].tv_sec += 60;
  later[1].tv_sec += 60;
  ASSERT_EQ(utimensat(AT_FDCWD, (media + copies[5]).c_str(), later, 0), 0);
  fs::create_directories(media + "EXTRA");
  fs::copy_file(media + copies[10], media + "EXTRA/IM000001");

  Catalogue_View by_records = Scan(media, env.root(), false, "-v");
  EXPECT_EQ(From_Records(by_records), 22) << by_records.errors;
  EXPECT_NE(by_records.errors.find("DICOMDIR names a missing file: " + copies[0]), std::string::npos)
      << by_records.errors;
  EXPECT_NE(by_records.json.find("CHANGED LATER"), std::string::npos);
  Expect_Same_Catalogue(by_records, Scan(media, env.root(), true));
}

TEST_F(Media_Directory_Scan, a_damaged_dicomdir_is_passed_over_by_the_scan_and_left_untouched_by_a_copy)
{
  std::string dicomdir = media + "DICOMDIR";
  ASSERT_EQ(truncate(dicomdir.c_str(), (off_t)(fs::file_size(dicomdir) / 2)), 0);
  std::string damaged = Read_File(dicomdir);

  Catalogue_View scan = Scan(media, env.root(), false);
  EXPECT_EQ(scan.errors.find("DICOMDIR"), std::string::npos) << "said at trace level only: " << scan.errors;
  Expect_Same_Catalogue(scan, Scan(media, env.root(), true));

  // A copy into the same target refuses to rebuild it, says so, and keeps it as it was.
  int status = -1;
  std::string errors = Run_Command(Quoted(Cli()) + " copy " + Quoted(corpus) + " --part10 --dicomdir --to " +
                                       Quoted(media) + " 2>&1",
                                   &status);
  EXPECT_NE(errors.find("No DICOMDIR written in " + media), std::string::npos) << errors;
  EXPECT_TRUE(Read_File(dicomdir) == damaged);
}

// The dump of a DICOMDIR without its Media Storage SOP Instance UID, new with each file,
// and what its length moves: the meta group's length and the records' offsets.
std::string Dump_Without_Instance_Uid(const std::string &dicomdir)
{
  std::istringstream dump(Run_Command("dcmdump -q " + Quoted(dicomdir) + " 2>&1"));
  const std::regex offset("( up |offset=\\$)[0-9]+");
  std::string kept;
  for (std::string line; std::getline(dump, line);)
    if (line.rfind("(0002,0003)", 0) != 0 && line.rfind("(0002,0000)", 0) != 0)
      kept += std::regex_replace(line, offset, "$1#") + "\n";
  return kept;
}

TEST(Media_Directory_Copy, pydicom_files_copied_with_the_dicomdir_scheme_make_a_file_set_that_other_software_accepts)
{
  Scoped_Temp_Env env;
  std::string source = env.root() + "pydicom/", media = env.root() + "media/";
  fs::create_directories(source);
  fs::create_directories(media);
  for (const char *folder : {"test_files", "charset_files"})
    fs::copy(std::string(PYDICOM_DATA) + folder, source + folder, fs::copy_options::recursive);
  int status = -1;
  std::string out = Run_Command(Quoted(Cli()) + " copy " + Quoted(source) + " --dicomdir --to " + Quoted(media) +
                                    " 2>&1",
                                &status);
  ASSERT_EQ(status, 0) << out;
  // Keys the files lack are generated and named; files no file-set may hold are left out.
  EXPECT_NE(out.find("has no Patient ID: \"HDPAT"), std::string::npos) << out;
  EXPECT_NE(out.find("left out: not a PS3.10 file"), std::string::npos) << out;

  std::string dicomdir = media + "DICOMDIR";
  std::string verify = Run_Command("dciodvfy " + Quoted(dicomdir) + " 2>&1");
  EXPECT_EQ(verify.find("Error"), std::string::npos) << verify;
  Run_Command("dcdirdmp " + Quoted(dicomdir) + " >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0);
  std::string dump = Run_Command("dcmdump -q " + Quoted(dicomdir) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << dump;
  EXPECT_NE(dump.find("[ISO_IR 100]"), std::string::npos) << "Latin-1 names keep their character set";
  EXPECT_NE(dump.find("[ISO_IR 192]"), std::string::npos) << "UTF-8 names keep their character set";
  std::string check = Run_Command("/usr/bin/python3 " + Quoted(Source_Dir() + "tests/dicom/media_directory_check.py") +
                                      " " + Quoted(media) + " 2>/dev/null",
                                  &status);
  EXPECT_EQ(status, 0) << check;
  EXPECT_NE(check.find(" agree\n"), std::string::npos) << check;

  // The DICOMDIR the copy built from the headers it read for the names is the one made
  // by reading every copy in the same order (but for the new file's own instance UID,
  // whose length moves the offsets).
  std::vector<DICOM_Media_File> copies;
  std::istringstream lines(out);
  const std::string copied = "copied to ";
  for (std::string line; std::getline(lines, line);)
    if (line.find(copied) != std::string::npos)
      copies.push_back({line.substr(line.find(copied) + copied.size() + media.size()), nullptr});
  ASSERT_GT(copies.size(), 100u);
  std::string built = Dump_Without_Instance_Uid(dicomdir);
  std::vector<std::string> notices;
  ASSERT_EQ(rename(dicomdir.c_str(), (env.root() + "built").c_str()), 0);
  ASSERT_EQ(DICOM_Media_Directory_Write(nullptr, media.c_str(), copies, nullptr, &notices), 1);
  std::string read = Dump_Without_Instance_Uid(dicomdir);
  size_t differs = std::mismatch(built.begin(), built.end(), read.begin(), read.end()).first - built.begin();
  EXPECT_EQ(built.size(), read.size());
  EXPECT_EQ(differs, built.size()) << "first difference: " << built.substr(built.rfind('\n', differs) + 1, 160)
                                   << "\nagainst: " << read.substr(read.rfind('\n', differs) + 1, 160);
  for (const std::string &notice : notices) EXPECT_NE(out.find(notice), std::string::npos) << notice;

  // The scan of the copy takes most files from the records, those without a series
  // description among them: a DICOMDIR of ours holds every key the file holds, so a key
  // its record lacks the file lacks too.
  Catalogue_View by_records = Scan(media, env.root(), false, "-v");
  EXPECT_GT(From_Records(by_records), 100) << by_records.errors;
}
