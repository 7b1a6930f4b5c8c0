// The copy job over a real scan of files written here: both naming schemes with every
// produced path checked, byte-identical copies, numbered names for taken ones, audit and
// thread lines, moves (also onto another file system and of links), a link planted in
// the target, modes, a full disk, paths the scan lost, cancellation between files, a
// second job refused while one runs, the rescan after a move asked of the catalogue's
// thread through the front end's hook, and hostile file names that must neither forge an
// audit entry nor be taken for markup.
#include "app/menu_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <sstream>
#include <thread>

#include "app/catalogue.h"
#include "app/configuration.h"
#include "app/job.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "app/menu_push.h"
#include "app/my_error_fct.h"
#include "app/dicom_file_writer.h"
#include "support/scoped_tmpfs.h"
#include "support/test_support.h"

namespace {

bool Exists(const std::string &path)
{
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// A scanned source folder, copy settings pointing into the temp folder, and a helper
// that runs the job over every file to its end.
class Copy_Job_Test : public ::testing::Test {
protected:
  void SetUp() override
  {
    Configuration_Defaults();
    source = env.root() + "source/";
    target = env.root() + "target/";
    mkdir(source.c_str(), 0700);
    mkdir(target.c_str(), 0700);
    dir_copy = target;
    flag_dicomdir = 0;
    flag_standard_name = 0;
    flag_sub_dir = 0;
    delete_copy = 0;
  }
  void TearDown() override
  {
    list_refresh = nullptr;
    job_rescan = nullptr;
    List_Tree_Cache_Free();
    Catalogue_Free(&Dir_List);
  }

  void Write(const std::string &name, std::vector<Part10_Element> elements)
  {
    ASSERT_TRUE(Write_File(source + name, Part10_Bytes(elements, "1.2.3.9." + std::to_string(name.size()) + "." +
                                                                     std::to_string(name[0] + name.back()))));
  }

  // Scans the source folder and selects every file; returns the file-order tree.
  List_Tree *Scan_All()
  {
    List_Tree_Cache_Free();
    EXPECT_EQ(Scan_Start(source.c_str()), 1);
    Scan_Wait();
    EXPECT_EQ(Dir_List.nb_dir, 1);
    if (Dir_List.nb_dir != 1) return nullptr;
    for (int i = 0; i < Dir_List.dir[0].nb_file; i++) Dir_List.dir[0].file[i].select_state = SELECT_YES;
    Sort_Start(&Dir_List, List_Tree_Slot(SORT_FILE), SORT_FILE);
    return *List_Tree_Slot(SORT_FILE);
  }

  Copy_Result Run()
  {
    Copy_Result result;
    List_Tree *root = Scan_All();
    if (!root) return result;
    EXPECT_EQ(Copy_Start(nullptr, root), 1);
    Copy_Wait(&result);
    return result;
  }

  Scoped_Temp_Env env;
  std::string source, target;
};

const std::vector<Part10_Element> Image(const char *patient_id, const char *study_id, const char *series,
                                        const char *image)
{
  std::vector<Part10_Element> e;
  if (patient_id) e.push_back({0x0010, 0x0020, "LO", patient_id});
  if (study_id) e.push_back({0x0020, 0x0010, "SH", study_id});
  if (series) e.push_back({0x0020, 0x0011, "IS", series});
  if (image) e.push_back({0x0020, 0x0013, "IS", image});
  return e;
}

}  // namespace

TEST_F(Copy_Job_Test, DICOMDIRSchemeGivesEightCharacterComponentsAndIdenticalCopies)
{
  Write("a.dcm", Image("ab-12/cd.ef3", "1", "3", "12"));
  Write("b.dcm", Image(nullptr, "st 9", "12345678", "7"));
  Write("c.dcm", Image(nullptr, nullptr, "2", "123456"));
  Write("d.dcm", Image("x", nullptr, "1", "1"));
  flag_dicomdir = 1;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.count, 4);
  EXPECT_EQ(result.done, 4);
  std::vector<std::string> files = Files_Below(target);
  // The copies, and the DICOMDIR that names them.
  EXPECT_EQ(files, (std::vector<std::string>{"DICOMDIR", "EST9/S0345678/A00007", "PAB12CDE/S0000003/A00012",
                                             "PX/S0000001/A00001", "S0000002/A23456"}));
  EXPECT_EQ(result.media_directory, target + "DICOMDIR");
  for (const std::string &file : files) {
    size_t start = 0;
    while (start < file.size()) {
      size_t end = std::min(file.find('/', start), file.size());
      std::string component = file.substr(start, end - start);
      EXPECT_TRUE(component.size() >= 1 && component.size() <= 8) << file;
      EXPECT_EQ(component.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_"), std::string::npos) << file;
      start = end + 1;
    }
  }
  EXPECT_EQ(Read_File(target + "PAB12CDE/S0000003/A00012"), Read_File(source + "a.dcm"));
  EXPECT_EQ(Read_File(target + "S0000002/A23456"), Read_File(source + "c.dcm"));
  EXPECT_EQ(capture.Count(MSG_THREAD, "Series number is to big for DICOMDIR rename (12345678)"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Image number is to big for DICOMDIR rename (123456)"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Done: All \x01" "4\x02 images copied"), 1);
  EXPECT_EQ(capture.Count(MSG_AUDIT, " copied " + source + "a.dcm to " + target + "PAB12CDE/S0000003/A00012"), 1);
  EXPECT_EQ(capture.Count(MSG_AUDIT, " copied "), 4);
  EXPECT_EQ(capture.Count(MSG_AUDIT, "Harrowdesk:  DICOMDIR written: " + target + "DICOMDIR"), 1);
  for (int i = 0; i < Dir_List.dir[0].nb_file; i++) EXPECT_EQ(Dir_List.dir[0].file[i].copy_state, COPY_DONE);
}

TEST_F(Copy_Job_Test, OrdinarySchemeFoldersAndNames)
{
  std::vector<Part10_Element> e = Image("P7", nullptr, "4", "9");
  e.push_back({0x0010, 0x0010, "PN", "Doe^John"});
  e.push_back({0x0008, 0x103E, "LO", "T1 AX/POST"});
  Write("IM000123.dcm", e);
  Write("1.2.3.4.5", Image("P8", "12", "3", "7"));
  flag_sub_dir = 23;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 2);
  EXPECT_EQ(Files_Below(target), (std::vector<std::string>{"Doe, John/T1 AX_POST/IM000123", "P8/003/1.2.3.4.5"}));

  flag_standard_name = 1;
  flag_sub_dir = 0;
  std::string again = target;
  target = env.root() + "standard/";
  mkdir(target.c_str(), 0700);
  dir_copy = target;
  result = Run();
  EXPECT_EQ(result.done, 2);
  EXPECT_EQ(Files_Below(target), (std::vector<std::string>{"E12_S003_I0007", "E_S004_I0009"}));
}

TEST_F(Copy_Job_Test, TakenNamesGetNumberedNamesAndNothingIsOverwritten)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  flag_standard_name = 1;
  ASSERT_TRUE(Write_File(target + "E5_S001_I0001", "older"));
  ASSERT_TRUE(Write_File(target + "E5_S001_I000101", "older too"));
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 1);
  EXPECT_EQ(Read_File(target + "E5_S001_I0001"), "older");
  EXPECT_EQ(Read_File(target + "E5_S001_I000101"), "older too");
  EXPECT_EQ(Read_File(target + "E5_S001_I000102"), Read_File(source + "a.dcm"));
  EXPECT_EQ(capture.Count(MSG_THREAD, "File (" + target + "E5_S001_I0001) already exist!"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "renamed to (" + target + "E5_S001_I000102)"), 1);

  for (int n = 2; n <= 99; n++) {
    char name[64];
    std::snprintf(name, sizeof name, "E5_S001_I0001%02d", n);
    Write_File(target + name, "taken");
  }
  capture.Clear();
  result = Run();
  EXPECT_EQ(result.failed, 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "No free name left"), 1);
  EXPECT_EQ(Read_File(target + "E5_S001_I000199"), "taken");
}

TEST_F(Copy_Job_Test, MissingNumbersTakeTheCountersInTurn)
{
  Write("a.dcm", Image("P1", "5", nullptr, nullptr));
  Write("b.dcm", Image("P1", "5", nullptr, nullptr));
  flag_standard_name = 1;
  Copy_Result result = Run();
  ASSERT_EQ(result.done, 2);
  std::vector<std::string> files = Files_Below(target);
  ASSERT_EQ(files.size(), 2u);
  int series[2], image[2];
  for (int i = 0; i < 2; i++) ASSERT_EQ(std::sscanf(files[i].c_str(), "E5_S%d_I%d", &series[i], &image[i]), 2);
  EXPECT_EQ(std::abs(series[1] - series[0]), 1);
  EXPECT_EQ(std::abs(image[1] - image[0]), 1);
}

TEST_F(Copy_Job_Test, MoveRenamesAndRescans)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  std::string bytes = Read_File(source + "a.dcm");
  delete_copy = 1;
  flag_standard_name = 1;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 1);
  EXPECT_FALSE(Exists(source + "a.dcm"));
  EXPECT_EQ(Read_File(target + "E5_S001_I0001"), bytes);
  EXPECT_EQ(capture.Count(MSG_AUDIT, " moved " + source + "a.dcm to " + target + "E5_S001_I0001"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "    moved to \x01" + target + "E5_S001_I0001"), 1);
  EXPECT_EQ(Dir_List.nb_dir, 0);  // the rescan found the folder empty
}

TEST_F(Copy_Job_Test, a_move_onto_another_file_system_copies_checks_and_then_removes_the_source)
{
  std::string other = env.root() + "other/";
  Scoped_Tmpfs mount(other, "1m");
  if (!mount.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  Write("a.dcm", Image("P1", "5", "1", "1"));
  std::string bytes = Read_File(source + "a.dcm");
  dir_copy = other;
  delete_copy = 1;
  flag_standard_name = 1;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 1);
  EXPECT_FALSE(Exists(source + "a.dcm"));
  EXPECT_EQ(Read_File(other + "E5_S001_I0001"), bytes);
  EXPECT_EQ(Files_Below(other), (std::vector<std::string>{"E5_S001_I0001"}));
  EXPECT_EQ(capture.Count(MSG_AUDIT, " moved " + source + "a.dcm to " + other + "E5_S001_I0001"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Done: All \x01" "1\x02 images copied"), 1);
}

TEST_F(Copy_Job_Test, a_move_onto_a_full_file_system_fails_and_keeps_the_source)
{
  std::string other = env.root() + "other/";
  Scoped_Tmpfs mount(other, "64k");
  if (!mount.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  ASSERT_TRUE(Write_File(source + "big.dcm", Part10_Bytes(Image("P1", "5", "1", "1"), "1.2.3.9.7", 300000)));
  dir_copy = other;
  delete_copy = 1;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.failed, 1);
  EXPECT_TRUE(Exists(source + "big.dcm"));
  EXPECT_TRUE(Files_Below(other).empty());
  EXPECT_EQ(capture.Count(MSG_THREAD, "Unable to move \x01" + source + "big.dcm"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "No space left on device"), 1);
  EXPECT_EQ(capture.Count(MSG_AUDIT, ""), 0);
  EXPECT_EQ(Dir_List.dir[0].file[0].copy_state, COPY_FAILED);
}

TEST_F(Copy_Job_Test, a_copy_onto_a_full_disk_leaves_no_file_under_its_final_name)
{
  std::string small = env.root() + "small/";
  Scoped_Tmpfs mount(small, "64k");
  if (!mount.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  ASSERT_TRUE(Write_File(source + "big.dcm", Part10_Bytes(Image("P1", "5", "1", "1"), "1.2.3.9.7", 300000)));
  dir_copy = small;
  flag_sub_dir = 2;  // a patient folder, made before the disk fills
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.failed, 1);
  EXPECT_TRUE(Files_Below(small).empty());  // no cut file, not even under a hidden name
  EXPECT_EQ(capture.Count(MSG_THREAD, "Unable to write \x01" + small + "P1/big"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "No space left on device"), 1);
  EXPECT_EQ(capture.Count(MSG_AUDIT, "WARNING: Failed to copy file " + source + "big.dcm"), 1);
}

TEST_F(Copy_Job_Test, a_link_planted_in_the_target_fails_the_file_naming_the_link_and_leads_nowhere)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  std::string outside = env.root() + "outside";
  mkdir(outside.c_str(), 0700);
  ASSERT_EQ(symlink(outside.c_str(), (target + "P1").c_str()), 0);
  flag_sub_dir = 2;  // the patient ID folder: P1
  for (unsigned char move : {0, 1}) {
    delete_copy = move;
    Message_Capture capture;
    Copy_Result result = Run();
    EXPECT_EQ(result.failed, 1) << (int)move;
    EXPECT_EQ(capture.Count(MSG_THREAD, "\x01" + target + "P1\x02 is a symbolic link"), 1) << (int)move;
    EXPECT_TRUE(Files_Below(outside).empty());
    EXPECT_TRUE(Exists(source + "a.dcm"));
  }
}

TEST_F(Copy_Job_Test, a_moved_link_leaves_its_data_in_the_target_and_the_file_it_named_in_place)
{
  std::string outside = env.root() + "outside/";
  mkdir(outside.c_str(), 0700);
  ASSERT_TRUE(Write_File(outside + "real.dcm", Part10_Bytes(Image("P1", "5", "1", "1"), "1.2.3.9.8")));
  ASSERT_EQ(symlink("../outside/real.dcm", (source + "a.dcm").c_str()), 0);  // relative: it would dangle in the target
  delete_copy = 1;
  flag_standard_name = 1;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 1);
  struct stat info;
  ASSERT_EQ(lstat((target + "E5_S001_I0001").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(Read_File(target + "E5_S001_I0001"), Read_File(outside + "real.dcm"));
  EXPECT_FALSE(Exists(source + "a.dcm"));
  EXPECT_TRUE(Exists(outside + "real.dcm"));
  EXPECT_EQ(capture.Count(MSG_AUDIT, " moved " + source + "a.dcm to " + target + "E5_S001_I0001"), 1);
}

TEST_F(Copy_Job_Test, a_private_source_gives_a_private_copy)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  Write("b.dcm", Image("P1", "5", "1", "2"));
  chmod((source + "a.dcm").c_str(), 0600);
  chmod((source + "b.dcm").c_str(), 0644);
  flag_standard_name = 1;
  mode_t saved = umask(0);
  Copy_Result result = Run();
  umask(saved);
  EXPECT_EQ(result.done, 2);
  struct stat info;
  ASSERT_EQ(stat((target + "E5_S001_I0001").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(stat((target + "E5_S001_I0002").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(Copy_Job_Test, a_copy_from_a_scan_that_lost_paths_says_so_in_its_summary)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  ASSERT_EQ(symlink((env.root() + "gone.dcm").c_str(), (source + "lost.dcm").c_str()), 0);
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.done, 1);
  EXPECT_EQ(result.lost, 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to read \x01" + source + "lost.dcm"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "\x01" "1\x02 path that the scan could not read is left out of this copy"), 1);
}

TEST_F(Copy_Job_Test, AnUnopenableTargetFailsWithTheAuditWarning)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  ASSERT_TRUE(Write_File(target + "plain", "not a folder"));
  dir_copy = target + "plain/";
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.failed, 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Unable to open target \x01" + target + "plain/"), 1);
  EXPECT_EQ(capture.Count(MSG_AUDIT, "WARNING: Failed to copy file " + source + "a.dcm to the " + target + "plain/ dir"), 1);
  EXPECT_EQ(Read_File(target + "plain"), "not a folder");
}

static std::atomic<int> refreshes{0};
static void Cancel_After_First(int mode)
{
  if (mode == LIST_REFRESH_REDRAW && ++refreshes == 1) Copy_Cancel();
}

TEST_F(Copy_Job_Test, CancelStopsBetweenFiles)
{
  for (const char *name : {"a", "b", "c", "d"}) Write(name, Image("P1", "5", "1", nullptr));
  refreshes = 0;
  list_refresh = Cancel_After_First;
  Message_Capture capture;
  Copy_Result result = Run();
  EXPECT_EQ(result.count, 4);
  EXPECT_EQ(result.done, 1);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(Files_Below(target).size(), 1u);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Done: Failed \x04" "0\x02 image out of \x01" "4"), 1);
}

static std::atomic<bool> release{false};
static void Hold_First(int)
{
  while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST_F(Copy_Job_Test, SecondJobIsRefusedWhileOneRuns)
{
  Write("a", Image("P1", "5", "1", "1"));
  List_Tree *root = Scan_All();
  ASSERT_NE(root, nullptr);
  release = false;
  list_refresh = Hold_First;
  Message_Capture capture;
  ASSERT_EQ(Copy_Start(nullptr, root), 1);
  EXPECT_EQ(Copy_Start(nullptr, root), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "A copy job is running already"), 1);
  release = true;
  Copy_Result result;
  Copy_Wait(&result);
  EXPECT_EQ(result.done, 1);

  dir_copy = "";
  EXPECT_EQ(Copy_Start(nullptr, root), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "No copy folder is set"), 1);
}

// What the front end's rescan hook saw.
static std::atomic<int> rescans_asked{0};
static std::atomic<bool> asked_on_the_test_thread{false}, asked_while_scanning{false};
static std::thread::id test_thread;
static void Record_Rescan()
{
  rescans_asked++;
  if (std::this_thread::get_id() == test_thread) asked_on_the_test_thread = true;
  if (Job_Running(JOB_SCAN)) asked_while_scanning = true;
}

static void Install_Rescan_Hook()
{
  rescans_asked = 0;
  asked_on_the_test_thread = asked_while_scanning = false;
  test_thread = std::this_thread::get_id();
  job_rescan = Record_Rescan;
}

TEST_F(Copy_Job_Test, a_move_with_a_rescan_hook_asks_the_hook_on_the_worker_and_the_catalogues_thread_rescans)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  Write("b.dcm", Image("P1", "5", "1", "2"));
  Message_Capture capture;
  Install_Rescan_Hook();
  Copy_Result result = Run();  // a copy: nothing to rescan
  EXPECT_EQ(result.done, 2);
  EXPECT_EQ(rescans_asked.load(), 0);
  EXPECT_EQ(Job_Rescan_Run(), 0);

  Run_Command("rm -rf '" + target + "'*");
  delete_copy = 1;
  result = Run();
  EXPECT_EQ(result.done, 2);
  EXPECT_EQ(rescans_asked.load(), 1);
  EXPECT_FALSE(asked_on_the_test_thread.load());
  EXPECT_FALSE(asked_while_scanning.load());
  EXPECT_FALSE(Job_Running(JOB_SCAN));
  ASSERT_EQ(Dir_List.nb_dir, 1);  // no scan on the worker: the catalogue is still the old one
  EXPECT_EQ(Dir_List.dir[0].file[0].copy_state, COPY_DONE);

  EXPECT_EQ(Job_Rescan_Run(), 1);
  Scan_Wait();
  EXPECT_EQ(Dir_List.nb_dir, 0);  // the folder is empty now
  EXPECT_EQ(std::string(Dir_List.path), source);
  EXPECT_EQ(Job_Rescan_Run(), 0);  // asked once, run once
}

static std::atomic<bool> push_held{false}, push_let_go{false};
static void Hold_First_Redraw(int mode)
{
  if (mode != LIST_REFRESH_REDRAW || push_held.exchange(true)) return;
  while (!push_let_go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST_F(Copy_Job_Test, a_rescan_waits_while_another_job_reads_the_catalogue_and_is_asked_again_when_it_ends)
{
  Write("a.dcm", Image("P1", "5", "1", "1"));
  List_Tree *root = Scan_All();
  ASSERT_NE(root, nullptr);
  Message_Capture capture;
  // A push of a file elsewhere, to a port where nothing listens, held at its first file.
  std::string other = env.root() + "elsewhere.dcm";
  ASSERT_TRUE(Write_File(other, Part10_Bytes(Image("P2", "6", "1", "1"), "1.2.3.9.1")));
  item_file entry{};
  entry.path = other.data();
  server_peer = "127.0.0.1";
  server_port = "1";
  push_held = push_let_go = false;
  list_refresh = Hold_First_Redraw;
  Install_Rescan_Hook();
  ASSERT_EQ(Push_Start({&entry}), 1);
  while (!push_held) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  delete_copy = 1;
  ASSERT_EQ(Copy_Start(nullptr, root), 1);
  Copy_Result result;
  Copy_Wait(&result);
  EXPECT_EQ(result.done, 1);
  EXPECT_EQ(rescans_asked.load(), 1);
  EXPECT_EQ(Job_Rescan_Run(), 0);  // the push still reads the catalogue
  EXPECT_EQ(Dir_List.nb_dir, 1);

  push_let_go = true;
  Push_Wait();
  EXPECT_EQ(rescans_asked.load(), 2);  // the push, at its end, asked again
  EXPECT_EQ(Job_Rescan_Run(), 1);
  Scan_Wait();
  EXPECT_EQ(Dir_List.nb_dir, 0);
  EXPECT_EQ(capture.Count(MSG_AUDIT, "ERROR:  [1] " + other + ": failed"), 1);  // the push went on
}

TEST_F(Copy_Job_Test, hostile_file_names_neither_forge_audit_entries_nor_pass_for_markup)
{
  const std::string forged = "a.dcm\n01-Jan-2026 00:00:00 Harrowdesk:  01 Jan 2026 00:00:00 copied passwd to x";
  const std::string marked = "b\x01\xF1" "c.dcm";
  Write(forged, Image("P1", "5", "1", "1"));
  Write(marked, Image("P1", "5", "1", "2"));
  Message_Callback = My_Error_Callback;
  Log_Ring_Drain([](const char *) {});
  Copy_Result result = Run();
  static std::vector<std::string> pane;
  pane.clear();
  Log_Ring_Drain([](const char *text) { pane.push_back(text); });
  Message_Callback = nullptr;
  EXPECT_EQ(result.failed, 0);
  EXPECT_TRUE(Exists(target + forged) && Exists(target + "b\x01\xF1" "c"));  // the scheme drops ".dcm"

  std::string audit = Read_File(env.log_state() + "Harrowdesk.log");
  std::vector<std::string> lines;
  std::istringstream stream(audit);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << audit;
  std::regex entry(R"(\d\d-[A-Z][a-z]{2}-\d{4} \d\d:\d\d:\d\d Harrowdesk:  \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d copied .*)");
  for (const std::string &line : lines) EXPECT_TRUE(std::regex_match(line, entry)) << line;
  const std::string forged_shown = "a.dcm\\n01-Jan-2026 00:00:00 Harrowdesk:  01 Jan 2026 00:00:00 copied passwd to x";
  EXPECT_EQ(lines[0].substr(lines[0].find(" copied ")), " copied " + source + forged_shown + " to " + target + forged_shown);
  EXPECT_EQ(lines[1].substr(lines[1].find(" copied ")),
            " copied " + source + "b\\x01\\xF1c.dcm to " + target + "b\\x01\\xF1c");
  // The pane lines name the files with their bytes shown, never as colour or font codes.
  int named = 0;
  for (const std::string &line : pane) {
    if (line.find("b\\x01\\xF1c") != std::string::npos) named++;
    EXPECT_EQ(line.find("b\x01\xF1" "c"), std::string::npos) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  }
  EXPECT_GE(named, 2);
}
