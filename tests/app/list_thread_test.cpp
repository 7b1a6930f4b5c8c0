// The scan and sort jobs run to their end or cancelled, on real folders of pydicom's
// test files: phase lines, thread messages, list refreshes, the catalogue they leave,
// the sort's tree slot, no progress view for small sorts, and sort requests made while
// a sort runs (answered at once, and served later through the list pane's refresh).
#include "app/list_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/list_sort.h"
#include "app/menu_copy.h"
#include "app/menu_push.h"
#include "support/test_support.h"
#include "util/progress.h"

namespace fs = std::filesystem;

namespace {

const std::string PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

// What the jobs told the front end.
std::mutex seen_lock;
std::condition_variable refreshed;  // a refresh was added to seen_refreshes
std::vector<std::string> seen_lines;
std::vector<int> seen_refreshes;
int views_made;
std::string cancel_on;  // a view cancels its job when a line containing this is written
std::string hold_on;  // the first line containing this holds its job...
std::atomic<bool> held{false}, let_go{false};  // ...until let go or cancelled

struct Watching_View : Progress_View {
  void Notify(Progress_Record *progress, int message) override
  {
    if (message != WM_PROGRESS_TEXT) return;
    for (std::string &line : Progress_Take_Lines(progress)) {
      if (!cancel_on.empty() && line.find(cancel_on) != std::string::npos) progress->cancelled = true;
      if (!hold_on.empty() && line.find(hold_on) != std::string::npos && !held.exchange(true)) {
        while (!let_go && !progress->cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      std::lock_guard<std::mutex> hold(seen_lock);
      seen_lines.push_back(line);
    }
  }
};

Progress_View *Make_Watching_View(Progress_Record *, Window_Handle, void *, int)
{
  views_made++;
  return new Watching_View;
}

void Record_Refresh(int mode)
{
  std::lock_guard<std::mutex> hold(seen_lock);
  seen_refreshes.push_back(mode);
  refreshed.notify_all();
}

class Jobs : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  Message_Capture capture{0};
  std::string top = env.root() + "collection/";

  void SetUp() override
  {
    seen_lines.clear();
    seen_refreshes.clear();
    views_made = 0;
    cancel_on.clear();
    hold_on.clear();
    held = let_go = false;
    progress_view_factory = Make_Watching_View;
    list_refresh = Record_Refresh;
    flag_part_10 = 1;
    fs::create_directories(top);
  }
  void TearDown() override
  {
    Scan_Wait();
    Sort_Wait();
    progress_view_factory = nullptr;
    list_refresh = nullptr;
    List_Tree_Cache_Free();
    Catalogue_Free(&Dir_List);
    flag_part_10 = 0;
  }
  // Copies pydicom test files into `folder` below the collection.
  void Copy(const std::string &folder, const std::vector<std::string> &names)
  {
    fs::create_directories(top + folder);
    for (const std::string &name : names) fs::copy_file(PYDICOM_FILES + name, top + folder + "/" + name);
  }
  bool Saw_Line(const std::string &line) { return std::count(seen_lines.begin(), seen_lines.end(), line) > 0; }
};

const std::vector<std::string> MR_SERIES = {"MR_small.dcm", "MR_small_bigendian.dcm", "MR_small_implicit.dcm",
                                            "MR_small_expb.dcm", "MR_small_RLE.dcm"};

TEST_F(Jobs, AScanCountsWalksAndShowsTheFileOrder)
{
  Copy("a", MR_SERIES);
  Copy("b/c", {"CT_small.dcm"});
  ASSERT_TRUE(Write_File(top + "notes.txt", "not DICOM"));
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  ASSERT_EQ(Dir_List.nb_dir, 1);
  EXPECT_EQ(std::string(Dir_List.path), top);
  EXPECT_EQ(Dir_List.dir[0].nb_dicom, 6);
  EXPECT_EQ(Dir_List.nb_child, 0);  // headers are read by the first catalogue sort
  EXPECT_EQ(seen_refreshes, (std::vector<int>{LIST_REFRESH_CLEAR, LIST_REFRESH_SCAN}));
  for (const char *line : {"\x01 Scanning: \x01", "\xF1 Counting files...", "\xF1 Directory has \x01" "7\x02 files",
                           "\xF1 Searching for DICOM files...", "\xF1 Found \x01" "6\x02 DICOM files",
                           "\xF1 Updating file list...", "\xF1 Done"})
    EXPECT_TRUE(Saw_Line(line == std::string("\x01 Scanning: \x01") ? line + top : line)) << line;
  EXPECT_EQ(capture.Count(MSG_THREAD, "    Directory has \x01" "7\x02 files"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "    Of these \x01" "6\x02 are DICOM"), 1);
  EXPECT_EQ(capture.Count(MSG_REPORT, "\xF1\x02" "Dir: \x01" + top), 1);
}

TEST_F(Jobs, AScanThatFindsNothingLeavesTheCatalogueEmpty)
{
  ASSERT_TRUE(Write_File(top + "notes.txt", "not DICOM"));
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  EXPECT_EQ(Dir_List.nb_dir, 0);
  EXPECT_EQ(seen_refreshes, std::vector<int>{LIST_REFRESH_CLEAR});
  EXPECT_EQ(capture.Count(MSG_THREAD, "Found no valid DICOM files in " + top), 1);
  EXPECT_EQ(Scan_Start(nullptr), 0);
  EXPECT_EQ(Scan_Start(""), 0);
}

TEST_F(Jobs, CancellingWhileCountingSkipsTheWalk)
{
  Copy("a", MR_SERIES);
  cancel_on = "Counting files";
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  EXPECT_EQ(Dir_List.nb_dir, 0);
  EXPECT_FALSE(Saw_Line("\xF1 Searching for DICOM files..."));
  EXPECT_EQ(capture.Count(MSG_THREAD, "Directory has \x01" "0\x02 files"), 1);
  EXPECT_EQ(capture.Count(MSG_THREAD, "Found no valid DICOM files in"), 1);
}

TEST_F(Jobs, ASortReadsTheHeadersOnceAndFillsItsSlot)
{
  Copy("a", MR_SERIES);
  Copy("b", {"CT_small.dcm", "rtplan.dcm", "rtdose.dcm", "MR_small_padded.dcm", "waveform_ecg.dcm", "test-SR.dcm"});
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  views_made = 0;
  List_Tree **slot = List_Tree_Slot(SORT_STUDY_ID);
  EXPECT_EQ(Sort_Start(&Dir_List, slot, SORT_STUDY_ID), 0);
  Sort_Wait();
  ASSERT_NE(*slot, nullptr);
  EXPECT_EQ(views_made, 1);  // 11 files: the sort shows its progress
  EXPECT_EQ(seen_refreshes.back(), LIST_REFRESH_SORT);
  EXPECT_GT(Dir_List.nb_child, 1);
  for (int s = 0; s < Dir_List.nb_child; s++) {
    item_study &study = Dir_List.child[s];
    int images = 0;
    for (int r = 0; r < study.nb_child; r++) images += study.child[r].nb_child;
    EXPECT_EQ(study.nb_image, images);
  }
  for (const char *line : {"\xF1 Parsing DICOM headers...", "\xF1 Creating sort list...", "\xF1 Sorting by Study ID..."})
    EXPECT_TRUE(Saw_Line(line)) << line;

  // A second order reuses the studies: no second header pass.
  seen_lines.clear();
  List_Tree **by_date = List_Tree_Slot(SORT_STUDY_DATE);
  Sort_Start(&Dir_List, by_date, SORT_STUDY_DATE);
  Sort_Wait();
  EXPECT_NE(*by_date, nullptr);
  EXPECT_FALSE(Saw_Line("\xF1 Parsing DICOM headers..."));
  EXPECT_TRUE(Saw_Line("\xF1 Sorting by Study Date..."));

  // Order 0 is built at once.
  List_Tree **by_file = List_Tree_Slot(SORT_FILE);
  EXPECT_EQ(Sort_Start(&Dir_List, by_file, SORT_FILE), 1);
  EXPECT_NE(*by_file, nullptr);
}

TEST_F(Jobs, ASmallSortShowsNoProgressAndACancelledOneFreesTheStudies)
{
  Copy("a", MR_SERIES);
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  views_made = 0;
  List_Tree **slot = List_Tree_Slot(SORT_PATIENT_NAME);
  Sort_Start(&Dir_List, slot, SORT_PATIENT_NAME);
  Sort_Wait();
  EXPECT_EQ(views_made, 0);
  EXPECT_NE(*slot, nullptr);

  List_Tree_Cache_Free();
  Catalogue_Free_Studies(&Dir_List);
  Copy("more", {"CT_small.dcm", "rtplan.dcm", "rtdose.dcm", "MR_small_padded.dcm", "waveform_ecg.dcm", "test-SR.dcm"});
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  seen_refreshes.clear();
  cancel_on = "Parsing DICOM headers";
  slot = List_Tree_Slot(SORT_PATIENT_ID);
  Sort_Start(&Dir_List, slot, SORT_PATIENT_ID);
  Sort_Wait();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(Dir_List.nb_child, 0);
  EXPECT_TRUE(seen_refreshes.empty());
}

// ---- requests while a sort runs ----------------------------------------------------

const std::vector<std::string> ELEVEN_MORE = {"CT_small.dcm", "rtplan.dcm", "rtdose.dcm",
                                              "MR_small_padded.dcm", "waveform_ecg.dcm", "test-SR.dcm"};

// Plays the list pane of the GUI on the test's thread: every LIST_REFRESH_SORT makes it
// ask for the tree of its current order, as its handler does. Returns that tree once
// there, or nullptr when no refresh came for 10 s.
List_Tree *Pane_Until_Tree(int order)
{
  size_t handled = 0;
  std::unique_lock<std::mutex> hold(seen_lock);
  for (;;) {
    if (!refreshed.wait_for(hold, std::chrono::seconds(10), [&] { return seen_refreshes.size() > handled; }))
      return nullptr;
    int mode = seen_refreshes[handled++];
    if (mode != LIST_REFRESH_SORT) continue;
    hold.unlock();
    List_Tree *tree = List_Tree_Get(order);
    hold.lock();
    if (tree) return tree;
  }
}

// True once `condition` holds; false when it still does not after 10 s.
bool Eventually(const std::function<bool()> &condition)
{
  for (int waited = 0; !condition(); waited++) {
    if (waited == 10000) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void Wait_Held() { ASSERT_TRUE(Eventually([] { return held.load(); })); }

// Makes a request while a job is held, on a thread standing in for the catalogue's,
// and gives its answer. A request that waits for the held job fails the test (and lets
// the job go, so that the test ends).
int Request_While_Held(const std::function<int()> &request)
{
  std::future<int> answer = std::async(std::launch::async, request);
  if (answer.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "the request waited for the held job";
    let_go = true;
  }
  return answer.get();
}

int Sort_Request_While_Held(int order)
{
  return Request_While_Held([order] { return Sort_Start(&Dir_List, List_Tree_Slot(order), order); });
}

TEST_F(Jobs, two_requests_of_different_orders_in_a_row_end_with_both_trees_built)
{
  Copy("a", MR_SERIES);
  Copy("b", ELEVEN_MORE);
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  seen_refreshes.clear();
  hold_on = "Sorting by Study ID";
  EXPECT_EQ(List_Tree_Get(SORT_STUDY_ID), nullptr);  // starts the sort, which is held
  Wait_Held();
  EXPECT_EQ(Sort_Request_While_Held(SORT_PATIENT_NAME), 0);  // refused at once, remembered
  EXPECT_EQ(views_made, 2);                             // the scan's and the first sort's
  let_go = true;
  Sort_Wait();
  // The sort's own refresh, and the one after its end that serves the refused request.
  EXPECT_EQ(seen_refreshes, (std::vector<int>{LIST_REFRESH_SORT, LIST_REFRESH_SORT}));
  List_Tree *by_name = Pane_Until_Tree(SORT_PATIENT_NAME);
  Sort_Wait();
  EXPECT_NE(by_name, nullptr);
  EXPECT_NE(*List_Tree_Slot(SORT_STUDY_ID), nullptr);
  EXPECT_EQ(*List_Tree_Slot(SORT_PATIENT_NAME), by_name);
  EXPECT_TRUE(Saw_Line("\xF1 Sorting by Patient Name..."));
}

TEST_F(Jobs, a_request_while_the_same_order_runs_or_for_a_filled_slot_returns_at_once_and_sorts_nothing_again)
{
  Copy("a", MR_SERIES);
  Copy("b", ELEVEN_MORE);
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  List_Tree **slot = List_Tree_Slot(SORT_STUDY_DATE);
  hold_on = "Sorting by Study Date";
  EXPECT_EQ(Sort_Start(&Dir_List, slot, SORT_STUDY_DATE), 0);
  Wait_Held();
  EXPECT_EQ(Sort_Request_While_Held(SORT_STUDY_DATE), 0);  // the same order runs
  let_go = true;
  Sort_Wait();
  List_Tree *tree = *slot;
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(std::count(seen_refreshes.begin(), seen_refreshes.end(), LIST_REFRESH_SORT), 1);

  int views = views_made;
  EXPECT_EQ(Sort_Start(&Dir_List, slot, SORT_STUDY_DATE), 1);  // filled: kept as it is
  EXPECT_EQ(*slot, tree);
  List_Tree **by_file = List_Tree_Slot(SORT_FILE);
  EXPECT_EQ(Sort_Start(&Dir_List, by_file, SORT_FILE), 1);
  List_Tree *files = *by_file;
  EXPECT_EQ(Sort_Start(&Dir_List, by_file, SORT_FILE), 1);
  EXPECT_EQ(*by_file, files);
  Sort_Wait();
  EXPECT_EQ(views_made, views);
  EXPECT_EQ(Sort_Start(&Dir_List, slot, 5), 0);
}

// ---- scans while other jobs run ----------------------------------------------------

TEST_F(Jobs, a_scan_cancels_a_scan_still_running_and_starts_afresh)
{
  Copy("a", MR_SERIES);
  hold_on = "Counting files";  // held until cancelled
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Wait_Held();
  EXPECT_EQ(Request_While_Held([this] { return Scan_Start(top.c_str()); }), 1);
  Scan_Wait();
  EXPECT_EQ(capture.Count(MSG_THREAD, "Found no valid DICOM files in"), 1);  // the cancelled one
  ASSERT_EQ(Dir_List.nb_dir, 1);
  EXPECT_EQ(Dir_List.dir[0].nb_dicom, 5);
}

std::atomic<bool> redraw_held{false}, redraw_let_go{false};

// Selects every file entry below `folder` and lists them in walk order.
void Select_All(item_dir &folder, std::vector<item_file *> *files)
{
  for (int i = 0; i < folder.nb_file; i++) {
    folder.file[i].select_state = SELECT_YES;
    files->push_back(&folder.file[i]);
  }
  for (int d = 0; d < folder.nb_dir; d++) Select_All(folder.dir[d], files);
}

// Holds the first job that redraws a file's row, until let go.
void Hold_First_Redraw(int mode)
{
  if (mode != LIST_REFRESH_REDRAW || redraw_held.exchange(true)) return;
  while (!redraw_let_go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST_F(Jobs, a_scan_is_refused_while_a_copy_or_push_job_reads_the_catalogue)
{
  Copy("a", MR_SERIES);
  ASSERT_EQ(Scan_Start(top.c_str()), 1);
  Scan_Wait();
  ASSERT_EQ(Dir_List.nb_dir, 1);
  std::vector<item_file *> files;
  Select_All(Dir_List.dir[0], &files);
  ASSERT_EQ(files.size(), 5u);
  ASSERT_EQ(Sort_Start(&Dir_List, List_Tree_Slot(SORT_FILE), SORT_FILE), 1);
  Copy_Settings settings;
  settings.dir_copy = env.root() + "copies/";
  fs::create_directories(settings.dir_copy);
  server_peer = "127.0.0.1";
  server_port = "1";  // nothing listens there: each file fails at once
  list_refresh = Hold_First_Redraw;
  for (const char *kind : {"copy", "push"}) {
    SCOPED_TRACE(kind);
    redraw_held = redraw_let_go = false;
    capture.Clear();
    if (kind == std::string("copy")) ASSERT_EQ(Copy_Start(nullptr, *List_Tree_Slot(SORT_FILE), &settings), 1);
    else ASSERT_EQ(Push_Start(files), 1);
    ASSERT_TRUE(Eventually([] { return redraw_held.load(); }));
    EXPECT_EQ(Scan_Start(top.c_str()), 0);
    EXPECT_EQ(capture.Count(MSG_WARNING, std::string("A ") + kind +
                                             " job is running: wait for it to end before scanning a folder."),
              1);
    EXPECT_EQ(Dir_List.nb_dir, 1);  // nothing freed
    EXPECT_NE(*List_Tree_Slot(SORT_FILE), nullptr);
    redraw_let_go = true;
    Copy_Wait(nullptr);
    Push_Wait();
  }
  EXPECT_EQ(Scan_Start(top.c_str()), 1);  // both ended
  Scan_Wait();
}

}  // namespace
