// harrowdesk-cli copy end to end on a small generated corpus: both naming schemes, a
// selection by study, the dry run, usage errors and exit codes, a copy killed in the
// middle, and a scan that could not read every path. Every copy must be byte-identical
// to a source file, and every DICOMDIR path keeps to its scheme. (Moves are tested on
// the job itself.)
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "app/dicom_file_writer.h"
#include "support/test_support.h"

namespace {

std::string Cli() { return Binary_Dir() + "src/app/harrowdesk-cli"; }

std::vector<std::string> Lines(const std::string &text)
{
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The generated corpus, made once for the whole test program, in a folder of the
// process's own: ctest runs the cases of this program as parallel processes.
class Cli_Copy : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    // One corpus per test process: ctest runs the tests of this suite side by side.
    corpus = Binary_Dir() + "test-tmp/cli-copy-corpus-" + std::to_string(getpid()) + "/";
    int status = 0;
    Run_Command("rm -rf '" + corpus + "' && /usr/bin/python3 '" + Source_Dir() + "bench/make_corpus.py' '" + corpus +
                    "' --files 24 --images-per-series 4 --series-per-study 2 --rows 16 --columns 16 >/dev/null 2>&1",
                &status);
    ASSERT_EQ(status, 0);
  }
  static void TearDownTestSuite() { Run_Command("rm -rf '" + corpus + "'"); }

  // Runs the CLI with `arguments`; returns its standard output, `status` its exit code.
  std::string Copy(const std::string &arguments, int *status)
  {
    return Run_Command("'" + Cli() + "' copy " + arguments + " 2>'" + env.temp() + "stderr'", status);
  }

  // Every file below `target` equals one of the corpus files; returns how many there are.
  size_t Expect_Copies_Of_Corpus(const std::string &target)
  {
    std::map<std::string, int> sources;
    for (const std::string &file : Files_Below(corpus)) sources[Read_File(corpus + file)]++;
    std::vector<std::string> copies = Files_Below(target);
    for (const std::string &file : copies) EXPECT_TRUE(sources.count(Read_File(target + file))) << file;
    return copies.size();
  }

  static std::string corpus;
  Scoped_Temp_Env env;
};

std::string Cli_Copy::corpus;

}  // namespace

TEST_F(Cli_Copy, DICOMDIRSchemeCopiesEveryFileUnderEightCharacterNames)
{
  std::string target = env.root() + "dicomdir/";
  mkdir(target.c_str(), 0700);
  int status = -1;
  std::string plan = Copy("'" + corpus + "' --part10 --dicomdir --to '" + target + "' --dry-run", &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Files_Below(target).empty());  // the dry run touches nothing
  size_t planned = Lines(plan).size();
  EXPECT_GE(planned, 24u);

  Copy("'" + corpus + "' --part10 --dicomdir --no-dicomdir-file --to '" + target + "'", &status);
  EXPECT_EQ(status, 0) << Read_File(env.temp() + "stderr");
  EXPECT_NE(access((target + "DICOMDIR").c_str(), F_OK), 0) << "names only, no DICOMDIR file";
  EXPECT_EQ(Expect_Copies_Of_Corpus(target), planned);
  for (const std::string &file : Files_Below(target)) {
    std::istringstream parts(file);
    for (std::string part; std::getline(parts, part, '/');) {
      EXPECT_TRUE(part.size() >= 1 && part.size() <= 8) << file;
      EXPECT_EQ(part.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"), std::string::npos) << file;
    }
  }
  std::string audit = Read_File(env.log_state() + "Harrowdesk.log");
  EXPECT_EQ(std::count(audit.begin(), audit.end(), '\n'), (long)planned);
}

TEST_F(Cli_Copy, a_dicomdir_copy_writes_a_dicomdir_that_dcmtk_and_pydicom_read_and_a_second_copy_merges_into_it)
{
  std::string target = env.root() + "media/";
  mkdir(target.c_str(), 0700);
  int status = -1;
  Copy("'" + corpus + "' --part10 --dicomdir --to '" + target + "'", &status);
  std::string errors = Read_File(env.temp() + "stderr");
  EXPECT_EQ(status, 0) << errors;
  EXPECT_NE(errors.find("DICOMDIR: " + target + "DICOMDIR\n"), std::string::npos) << errors;
  const std::string check = "/usr/bin/python3 '" + Source_Dir() + "tests/dicom/media_directory_check.py' '" + target + "'";
  EXPECT_EQ(Run_Command(check, &status), "instances 24 agree\npatients 2\n");
  Run_Command("dcmdump -q '" + target + "DICOMDIR' >/dev/null 2>&1", &status);
  EXPECT_EQ(status, 0) << "dcmdump reads the DICOMDIR";
  EXPECT_NE(Read_File(env.log_state() + "Harrowdesk.log").find("DICOMDIR written: " + target + "DICOMDIR"),
            std::string::npos);

  // The same files again: new copies under numbered names, no instance twice.
  Copy("'" + corpus + "' --part10 --dicomdir --to '" + target + "'", &status);
  EXPECT_EQ(status, 0) << Read_File(env.temp() + "stderr");
  EXPECT_EQ(Run_Command(check, &status), "instances 24 agree\npatients 2\n");
}

TEST_F(Cli_Copy, OrdinarySchemeWithASelectedStudy)
{
  std::string first;
  for (const std::string &file : Files_Below(corpus))
    if (first.empty() && file.size() > 4 && file.compare(file.size() - 4, 4, ".dcm") == 0) first = file;
  int status = -1;
  std::string uid = Run_Command("/usr/bin/python3 -c \"import pydicom,sys; print(pydicom.dcmread(sys.argv[1], "
                                "stop_before_pixels=True).StudyInstanceUID)\" '" + corpus + first + "'", &status);
  ASSERT_EQ(status, 0);
  uid = uid.substr(0, uid.find('\n'));
  std::string target = env.root() + "ordinary/";
  mkdir(target.c_str(), 0700);
  Copy("'" + corpus + "' --part10 --to '" + target + "' --study " + uid +
           " --study-dir patient-id --series-dir number --standard-names", &status);
  EXPECT_EQ(status, 0) << Read_File(env.temp() + "stderr");
  std::vector<std::string> copies = Files_Below(target);
  EXPECT_EQ(Expect_Copies_Of_Corpus(target), 8u);  // one study: 2 series of 4 images
  for (const std::string &file : copies) {
    EXPECT_EQ(file.compare(0, 1, "P"), 0) << file;                    // the patient ID folder
    EXPECT_TRUE(file.find("/001/E") != std::string::npos || file.find("/002/E") != std::string::npos) << file;
  }
}

TEST_F(Cli_Copy, UsageErrorsAndFailuresGiveTheirExitCodes)
{
  struct Case { std::string arguments; int status; std::string message; } cases[] = {
      {"--help", 0, ""},
      {"", 2, "no FOLDER given"},
      {"'" + corpus + "' --series-dir sideways --to /", 2, "option --series-dir 'sideways': is not one of"},
      {"'" + corpus + "' --study-dir=sideways --to /", 2, "option --study-dir 'sideways': is not one of"},
      {"'" + corpus + "' --block-size=-1 --to /", 2, "option --block-size '-1': takes 0 to 1073741824 bytes"},
      {"'" + corpus + "' --to", 2, "option --to needs a value (DIR)"},
      {"'" + corpus + "' --study", 2, "option --study needs a value"},
      {"'" + corpus + "' --to '" + env.root() + "missing/'", 1,
       ("cannot use the target folder " + env.root() + "missing/: No such file or directory\n")},
      {"'" + env.root() + "absent' --to '" + env.root() + "'", 1,
       ("cannot use the source folder " + env.root() + "absent: No such file or directory\n")},
      {"'" + env.root() + "' --part10 --to '" + env.root() + "'", 1, "no DICOM files"},
      {"'" + corpus + "' --part10 --study 1.2.3 --to '" + env.root() + "'", 1, "matches the selection"},
      // Files without a header are skipped, not failed.
      {"'" + corpus + "' --to '" + env.root() + "' --dry-run", 0, "skipped (not DICOM: no readable header), 0 failed\n"},
  };
  for (const Case &c : cases) {
    int status = -1;
    Copy(c.arguments, &status);
    EXPECT_EQ(status, c.status) << c.arguments;
    if (!c.message.empty()) {
      EXPECT_NE(Read_File(env.temp() + "stderr").find(c.message), std::string::npos) << c.arguments;
    }
  }
}

// True when process `pid` holds a file open whose path starts with `folder` (a hidden
// copy being written there).
static bool Writes_Into(pid_t pid, const std::string &folder)
{
  std::string fds = "/proc/" + std::to_string(pid) + "/fd/";
  DIR *listing = opendir(fds.c_str());
  bool found = false;
  while (struct dirent *entry = listing && !found ? readdir(listing) : nullptr) {
    char link[4096];
    ssize_t length = readlink((fds + entry->d_name).c_str(), link, sizeof link - 1);
    found = length > 0 && std::string(link, (size_t)length).compare(0, folder.size(), folder) == 0;
  }
  if (listing) closedir(listing);
  return found;
}

TEST_F(Cli_Copy, a_copy_killed_in_the_middle_leaves_no_file_under_its_name_and_a_rerun_copies_it_whole)
{
  std::string folder = env.root() + "big/", target = env.root() + "killed/";
  mkdir(folder.c_str(), 0700);
  mkdir(target.c_str(), 0700);
  std::vector<Part10_Element> elements = {{0x0010, 0x0020, "LO", "P1"}, {0x0020, 0x0010, "SH", "5"}};
  ASSERT_TRUE(Write_File(folder + "big.dcm", Part10_Bytes(elements, "1.2.3.9.9", 4 << 20)));
  std::string cli = Cli();
  const char *arguments[] = {cli.c_str(), "copy", folder.c_str(), "--to", target.c_str(), "--study-dir", "none",
                             "--series-dir", "none", nullptr, nullptr, nullptr};
  // One byte per write: the copy takes seconds, and the kill comes in its middle.
  arguments[9] = "--block-size";
  arguments[10] = "1";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(arguments[0], (char *const *)arguments);
    _exit(127);
  }
  bool writing = false;
  for (int i = 0; i < 3000 && !writing; i++) {
    writing = Writes_Into(child, target);
    if (!writing) usleep(5000);
  }
  usleep(100000);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(writing) << "the copy never began";
  ASSERT_TRUE(WIFSIGNALED(status)) << "the copy ended before the kill";
  EXPECT_TRUE(Files_Below(target).empty());  // nothing under the final name, nor a hidden one

  Copy("'" + folder + "' --to '" + target + "' --study-dir none --series-dir none", &status);
  EXPECT_EQ(status, 0) << Read_File(env.temp() + "stderr");
  EXPECT_EQ(Files_Below(target), (std::vector<std::string>{"big"}));  // the name is free: not big01
  EXPECT_EQ(Read_File(target + "big"), Read_File(folder + "big.dcm"));
}

TEST_F(Cli_Copy, a_copy_whose_scan_could_not_read_a_path_says_so_and_exits_1)
{
  std::string folder = env.root() + "lossy/", target = env.root() + "lossy-target/";
  mkdir(folder.c_str(), 0700);
  mkdir(target.c_str(), 0700);
  ASSERT_TRUE(Write_File(folder + "good.dcm", Part10_Bytes({{0x0010, 0x0020, "LO", "P1"}}, "1.2.3.9.10")));
  ASSERT_EQ(symlink((env.root() + "gone.dcm").c_str(), (folder + "vanished.dcm").c_str()), 0);
  int status = -1;
  std::string output = Copy("'" + folder + "' --part10 --to '" + target + "'", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Files_Below(target).size(), 1u);  // what could be read is copied
  std::string said = output + Read_File(env.temp() + "stderr") + Read_File(env.temp() + "Harrowdesk.log");
  EXPECT_NE(said.find(folder + "vanished.dcm"), std::string::npos) << said;
  EXPECT_NE(said.find("could not read"), std::string::npos) << said;
}

// A folder of DICOM files with a note and a JSON file among them.
class Cli_Copy_Mixed : public ::testing::Test {
protected:
  void SetUp() override
  {
    source = env.root() + "mixed/";
    mkdir(source.c_str(), 0700);
    for (int i = 0; i < 3; i++)
      ASSERT_TRUE(Write_File(source + "image" + std::to_string(i) + ".dcm",
                             Part10_Bytes({{0x0010, 0x0020, "LO", "P" + std::to_string(i)}}, "1.2.3.15." + std::to_string(i))));
    ASSERT_TRUE(Write_File(source + "README.txt", "how these images were made\n"));
    ASSERT_TRUE(Write_File(source + "meta.json", "{\"series\": 1}\n"));
  }

  // Runs `command` (a shell command line); returns its standard error.
  std::string Errors_Of(const std::string &command, int *status)
  {
    Run_Command(command + " 2>'" + env.temp() + "stderr' >/dev/null", status);
    return Read_File(env.temp() + "stderr");
  }

  std::string Copy_Line(const std::string &target, const std::string &extra)
  {
    return "'" + Cli() + "' copy '" + source + "' --to '" + target + "' --study-dir patient-id --series-dir none " + extra;
  }

  Scoped_Temp_Env env;
  std::string source;
};

TEST_F(Cli_Copy_Mixed, files_without_a_header_are_skipped_and_the_copy_succeeds)
{
  const std::string summary = "3 copied, 2 skipped (not DICOM: no readable header), 0 failed\n";
  const struct {
    const char *name;
    const char *options;
    size_t copies;
  } cases[] = {{"a dry run", "--dry-run", 0}, {"a copy", "", 3}};
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    const std::string target = env.root() + "out-" + std::to_string(test.copies) + "/";
    mkdir(target.c_str(), 0700);
    int status = -1;
    const std::string errors = Errors_Of(Copy_Line(target, test.options), &status);
    EXPECT_EQ(0, status) << errors;
    EXPECT_NE(std::string::npos, errors.find(summary)) << errors;
    EXPECT_EQ(std::string::npos, errors.find("failed: ")) << errors;
    EXPECT_EQ(test.copies, Files_Below(target).size());
  }
}

// Whether this process may write where the permission bits say it may not (root).
bool Writes_Through_Permissions() { return geteuid() == 0; }

TEST_F(Cli_Copy_Mixed, a_read_only_target_fails_each_file_on_one_line_with_its_cause)
{
  const std::string target = env.root() + "readonly/";
  mkdir(target.c_str(), 0700);
  for (int i = 0; i < 3; i++) mkdir((target + "P" + std::to_string(i)).c_str(), 0700);
  // The patient folders are read-only: for root only a read-only mount stops a write.
  std::string command = Copy_Line(target, "");
  if (Writes_Through_Permissions()) {
    command = "unshare -m sh -c 'for d in \"$0\"P*; do mount --bind \"$d\" \"$d\" && "
              "mount -o remount,bind,ro \"$d\" || exit 99; done; exec \"$@\"' '" + target + "' " + command;
  } else {
    for (int i = 0; i < 3; i++) chmod((target + "P" + std::to_string(i)).c_str(), 0500);
  }
  int status = -1;
  const std::string errors = Errors_Of(command, &status);
  if (status == 99) GTEST_SKIP() << "no read-only mount can be made here: " << errors;
  EXPECT_EQ(1, status) << errors;
  const std::string cause = Writes_Through_Permissions() ? "Read-only file system" : "Permission denied";
  std::vector<std::string> failures;
  for (const std::string &line : Lines(errors))
    if (line.rfind("harrowdesk-cli copy: failed: ", 0) == 0) failures.push_back(line);
  ASSERT_EQ(3u, failures.size()) << errors;
  for (int i = 0; i < 3; i++) {
    const std::string &line = failures[i];
    EXPECT_NE(std::string::npos, line.find(source + "image")) << line;
    EXPECT_NE(std::string::npos, line.find(": Unable to open target " + target + "P")) << line;
    EXPECT_NE(std::string::npos, line.find(cause)) << line;
  }
  EXPECT_NE(std::string::npos, errors.find("0 copied, 2 skipped (not DICOM: no readable header), 3 failed\n")) << errors;
  for (int i = 0; i < 3; i++) chmod((target + "P" + std::to_string(i)).c_str(), 0700);
  EXPECT_TRUE(Files_Below(target).empty());
}
