// The header pass, reading ahead on helper threads. The files are numbered in the order
// the catalogue must meet them; helpers claim numbers in turn, read each header into an
// attribute list and park it in a ring of slots; the calling thread takes the lists out
// strictly by number and files them, and hands each back for the helper that next uses
// its slot to release. The ring bounds how far the helpers run ahead, and so the memory
// held by lists not yet filed.
#include "app/header_pass.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/dicom_dir_work.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "util/message_log.h"

namespace {

enum { RING_SLOTS = 64, HELPERS_MAX = 8 };

// One file of the pass, and where the progress stands when it is filed.
struct Pass_File {
  item_file *entry;
  int directory_files;  // nb_file of its directory
  int index;            // its index in that directory
};

// Lists the files of `record` in filing order.
void Pass_Files_Collect(item_dir *record, std::vector<Pass_File> &files)
{
  for (int d = 0; d < record->nb_dir; d++) Pass_Files_Collect(&record->dir[d], files);
  for (int f = 0; f < record->nb_file; f++) files.push_back({&record->file[f], record->nb_file, f});
}

// Reads one file's header with a fresh sequence context.
DICOM_Attribute *Header_Read(const char *path)
{
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute *list = DICOMDIR_Scan_Read(path, &root);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  return list;
}

// Releases an attribute list (null allowed).
void List_Release(DICOM_Attribute *list)
{
  if (!list) return;
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
}

// The ring shared by the helpers and the filing thread.
struct Read_Ahead {
  const std::vector<Pass_File> &files;
  std::mutex lock;
  std::condition_variable slot_filled, slot_freed;
  DICOM_Attribute *list[RING_SLOTS] = {};
  DICOM_Attribute *spent[RING_SLOTS] = {};  // filed lists, released by the slot's next helper
  long ready[RING_SLOTS];        // number of the file whose list the slot holds, or -1
  long filed = 0;                // files taken out so far
  std::atomic<long> next{0};     // next number to claim
  bool stop = false;

  explicit Read_Ahead(const std::vector<Pass_File> &all) : files(all) { std::fill_n(ready, RING_SLOTS, -1L); }

  void Helper()
  {
    for (;;) {
      long number = next.fetch_add(1);
      if (number >= (long)files.size()) return;
      {
        std::unique_lock<std::mutex> hold(lock);
        slot_freed.wait(hold, [&] { return stop || number < filed + RING_SLOTS; });
        if (stop) return;
      }
      DICOM_Attribute *filed;
      {
        std::lock_guard<std::mutex> hold(lock);
        filed = spent[number % RING_SLOTS];
        spent[number % RING_SLOTS] = nullptr;
      }
      List_Release(filed);
      DICOM_Attribute *read = Header_Read(files[number].entry->path);
      std::lock_guard<std::mutex> hold(lock);
      list[number % RING_SLOTS] = read;
      ready[number % RING_SLOTS] = number;
      slot_filled.notify_all();
    }
  }

  // Hands back the list of file `number` once filed, for a helper to release. A list
  // the slot still holds (its helper looked before it was handed back) goes here.
  void Give_Back(long number, DICOM_Attribute *filed)
  {
    DICOM_Attribute *earlier;
    {
      std::lock_guard<std::mutex> hold(lock);
      earlier = spent[number % RING_SLOTS];
      spent[number % RING_SLOTS] = filed;
    }
    List_Release(earlier);
  }

  DICOM_Attribute *Take(long number)
  {
    std::unique_lock<std::mutex> hold(lock);
    slot_filled.wait(hold, [&] { return ready[number % RING_SLOTS] == number; });
    DICOM_Attribute *taken = list[number % RING_SLOTS];
    list[number % RING_SLOTS] = nullptr;
    ready[number % RING_SLOTS] = -1;
    filed = number + 1;
    slot_freed.notify_all();
    return taken;
  }

  // Stops the helpers and releases the lists they parked.
  void Stop()
  {
    std::lock_guard<std::mutex> hold(lock);
    stop = true;
    slot_freed.notify_all();
  }

  void Release_Parked()
  {
    for (int slot = 0; slot < RING_SLOTS; slot++) {
      List_Release(list[slot]);
      List_Release(spent[slot]);
      list[slot] = spent[slot] = nullptr;
    }
  }
};

// Files one list; the caller releases it, reports progress and reads the cancel flag.
void File_One(item_catalogue *catalogue, item_file *entry, DICOM_Attribute *list)
{
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  Message_Log(nullptr, MSG_TRACE + 1, "\x02\t DICOM_Dir: Parsing DICOM tags...");
  Catalogue_Add_File(catalogue, entry, list, &root);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
}

}  // namespace

int Header_Pass(item_catalogue *catalogue, item_dir *record, Progress_Record *progress)
{
  std::vector<Pass_File> files;
  Pass_Files_Collect(record, files);
  Read_Ahead ahead(files);
  std::vector<std::thread> helpers;
  unsigned wanted = std::clamp(std::thread::hardware_concurrency(), 1u, (unsigned)HELPERS_MAX);
  if (files.size() < 2) wanted = 0;
  for (unsigned i = 0; i < wanted; i++) {
    try {
      helpers.emplace_back(&Read_Ahead::Helper, &ahead);
    } catch (const std::system_error &) {
      break;  // fewer helpers; with none the files are read here
    }
  }
  int result = 1;
  for (long number = 0; number < (long)files.size(); number++) {
    const Pass_File &file = files[number];
    if (file.index == 0) {
      Progress_Set_Range(progress, file.directory_files);
      Progress_Set_Position(progress, 0);
    }
    DICOM_Attribute *list = helpers.empty() ? Header_Read(file.entry->path) : ahead.Take(number);
    File_One(catalogue, file.entry, list);
    if (helpers.empty())
      List_Release(list);
    else
      ahead.Give_Back(number, list);
    Progress_Set_Position(progress, file.index);
    if (Progress_Cancelled(progress)) {
      result = 0;
      break;
    }
  }
  ahead.Stop();
  for (std::thread &helper : helpers) helper.join();
  ahead.Release_Parked();
  return result;
}
