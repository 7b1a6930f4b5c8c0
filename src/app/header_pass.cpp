// The header pass, reading ahead on helper threads. The files are numbered in the order
// the catalogue must meet them; helpers claim them in batches, read each header into an
// attribute list and park it in a ring of slots; the calling thread takes the lists out
// strictly by number and files them, and hands each back for the helper that next uses
// its slot to release. The ring bounds how far the helpers run ahead, and so the memory
// held by lists not yet filed.
//
// Each header is read only up to the last tag that filing uses (the catalogue's own
// tags and the report templates' columns), and only those tags get records: pixel data
// and the tail of the file are never read, other elements are passed over. When the scanned folder's top holds a DICOMDIR, the files it covers are
// filed from its records and not read at all. HARROWDESK_SCAN_FULL=1 in the environment
// reads every file whole and ignores the DICOMDIR: the element-by-element reference the
// early stop is checked against.
#include "app/header_pass.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "app/dicom_dir_work.h"
#include "app/media_directory_scan.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "platform/os/os_system.h"
#include "util/message_log.h"

namespace {

enum { RING_SLOTS = 64, BATCH = 16, HELPERS_MAX = 8 };  // RING_SLOTS a multiple of BATCH

// One file of the pass, and where the progress stands when it is filed.
struct Pass_File {
  item_file *entry;
  int directory_files;  // nb_file of its directory
  int index;            // its index in that directory
  DICOM_Attribute *prepared = nullptr;  // its keys from the DICOMDIR, when they serve: not read
};

// Lists the files of `record` in filing order.
void Pass_Files_Collect(item_dir *record, std::vector<Pass_File> &files)
{
  for (int d = 0; d < record->nb_dir; d++) Pass_Files_Collect(&record->dir[d], files);
  for (int f = 0; f < record->nb_file; f++) files.push_back({&record->file[f], record->nb_file, f, nullptr});
}

// The tags Catalogue_Add_File reads itself: the study, series and image keys, the
// patient's name and ID, the study date (else the content date), the series text.
const uint32_t catalogue_tags[] = {
    DICOMDIR_Scan_Tag(0x0008, 0x0018), DICOMDIR_Scan_Tag(0x0008, 0x0020), DICOMDIR_Scan_Tag(0x0008, 0x0023),
    DICOMDIR_Scan_Tag(0x0008, 0x103E), DICOMDIR_Scan_Tag(0x0010, 0x0010), DICOMDIR_Scan_Tag(0x0010, 0x0020),
    DICOMDIR_Scan_Tag(0x0020, 0x000D), DICOMDIR_Scan_Tag(0x0020, 0x000E), DICOMDIR_Scan_Tag(0x0020, 0x0010),
    DICOMDIR_Scan_Tag(0x0020, 0x0011), DICOMDIR_Scan_Tag(0x0020, 0x0013),
};

// True when the environment asks for whole-file reads (HARROWDESK_SCAN_FULL=1); read once.
bool Scan_Full_Asked()
{
  static const bool full = [] {
    const char *value = std::getenv("HARROWDESK_SCAN_FULL");
    return value && !std::strcmp(value, "1");
  }();
  return full;
}

// The tags that filing reads, ascending: the catalogue's own and the templates' columns.
std::vector<uint32_t> Tags_Needed()
{
  std::vector<uint32_t> tags(std::begin(catalogue_tags), std::end(catalogue_tags));
  for (const Catalogue_Template *columns : {&template_study, &template_series, &template_image})
    for (int i = 0; i < columns->count; i++) tags.push_back(DICOMDIR_Scan_Tag(columns->group[i], columns->element[i]));
  std::sort(tags.begin(), tags.end());
  tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
  return tags;
}

// The tags of `needed` that each header read keeps, or none for whole-file reads.
const std::vector<uint32_t> *Tags_Read(const std::vector<uint32_t> &needed)
{
  return Scan_Full_Asked() ? nullptr : &needed;
}

// Gives the files the DICOMDIR covers their keys from its records (none when the
// environment asks for whole-file reads); returns the number of files still to read.
size_t Files_Prepare(const item_dir *record, std::vector<Pass_File> &files, const std::vector<uint32_t> &needed,
                     Media_Directory_Keys *keys)
{
  if (Scan_Full_Asked() || !record->path) return files.size();
  std::vector<const char *> paths;
  for (const Pass_File &file : files) paths.push_back(file.entry->path);
  *keys = Media_Directory_Keys_For(record->path, paths, needed);
  for (size_t i = 0; i < files.size(); i++) files[i].prepared = keys->of_file[i];
  return files.size() - (size_t)keys->used;
}

// The helper threads worth starting: one per processor this process may run on, none
// when it has only one (the calling thread then reads each file itself).
unsigned Helpers_Wanted()
{
  unsigned processors = Os_Processors_Usable();
  return processors > 1 ? std::min(processors, (unsigned)HELPERS_MAX) : 0;
}

// Releases an attribute list (null allowed).
void List_Release(DICOM_Attribute *list)
{
  if (!list) return;
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
}

// Reads one file's header with a fresh sequence context: the top-level tags `needed`,
// up to the last of them; the whole file when `needed` is null.
DICOM_Attribute *Header_Read(const char *path, const std::vector<uint32_t> *needed)
{
  DICOM_Sequence_Root root{};
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute *list = needed ? DICOMDIR_Scan_Read_Tags(path, &root, needed->data(), (int)needed->size())
                                 : DICOMDIR_Scan_Read(path, &root);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  return list;
}


// The ring shared by the helpers and the filing thread. A helper claims BATCH files
// at once, waits until the filing thread has taken enough lists for the batch to fit
// in the ring, releases the lists filed from the batch's slots before, reads the batch
// and publishes it: one lock and one wake-up per batch rather than per file. The
// filing thread takes a list without a lock when it is ready, hands the filed one back
// into the slot, and publishes how far it has filed at the end of each batch.
struct Read_Ahead {
  const std::vector<Pass_File> &files;
  const std::vector<uint32_t> *needed;  // the tags read of each header (null: all)
  std::mutex lock;
  std::condition_variable slot_filled, slot_freed;
  DICOM_Attribute *list[RING_SLOTS] = {};
  DICOM_Attribute *spent[RING_SLOTS] = {};  // filed lists, released by the slot's next helper
  std::atomic<long> ready[RING_SLOTS];      // number of the file whose list the slot holds, or -1
  long filed = 0;                           // files filed and handed back, as of the last batch end
  std::atomic<long> next{0};                // first number of the next batch to claim
  bool stop = false;

  Read_Ahead(const std::vector<Pass_File> &all, const std::vector<uint32_t> *tags) : files(all), needed(tags)
  {
    for (std::atomic<long> &slot : ready) slot.store(-1);
  }

  // Claims, reads and publishes batches until the files run out or the pass stops.
  void Helper()
  {
    for (;;) {
      long first = next.fetch_add(BATCH);
      long end = std::min(first + (long)BATCH, (long)files.size());
      if (first >= end) return;
      DICOM_Attribute *filed_lists[BATCH];
      {
        std::unique_lock<std::mutex> hold(lock);
        slot_freed.wait(hold, [&] { return stop || end <= filed + RING_SLOTS; });
        if (stop) return;
        for (long number = first; number < end; number++) {
          filed_lists[number - first] = spent[number % RING_SLOTS];
          spent[number % RING_SLOTS] = nullptr;
        }
      }
      for (long number = first; number < end; number++) List_Release(filed_lists[number - first]);
      for (long number = first; number < end; number++) {
        if (files[number].prepared) continue;  // filed from the DICOMDIR: nothing to read
        list[number % RING_SLOTS] = Header_Read(files[number].entry->path, needed);
        ready[number % RING_SLOTS].store(number, std::memory_order_release);
      }
      std::lock_guard<std::mutex> hold(lock);  // the filing thread waits for the batch under it
      slot_filled.notify_all();
    }
  }

  // The list of file `number`, once a helper has read it.
  DICOM_Attribute *Take(long number)
  {
    std::atomic<long> &slot = ready[number % RING_SLOTS];
    if (slot.load(std::memory_order_acquire) != number) {
      std::unique_lock<std::mutex> hold(lock);
      slot_filled.wait(hold, [&] { return slot.load(std::memory_order_acquire) == number; });
    }
    DICOM_Attribute *taken = list[number % RING_SLOTS];
    list[number % RING_SLOTS] = nullptr;
    slot.store(-1, std::memory_order_relaxed);
    return taken;
  }

  // Hands back the list of file `number` once filed, for the slot's next helper to
  // release; at the end of a batch, or of the files, lets the helpers waiting for room go.
  void Give_Back(long number, DICOM_Attribute *filed_list)
  {
    spent[number % RING_SLOTS] = filed_list;
    if ((number + 1) % BATCH != 0 && number + 1 != (long)files.size()) return;
    std::lock_guard<std::mutex> hold(lock);
    filed = number + 1;
    slot_freed.notify_all();
  }

  // Stops the helpers; they leave before their next batch.
  void Stop()
  {
    std::lock_guard<std::mutex> hold(lock);
    stop = true;
    slot_freed.notify_all();
  }

  // Releases the lists still in the ring, once the helpers are gone.
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
  std::vector<uint32_t> needed = Tags_Needed();
  Media_Directory_Keys keys;  // owns the prepared lists until the pass ends
  size_t to_read = Files_Prepare(record, files, needed, &keys);
  const std::vector<uint32_t> *read = Tags_Read(needed);
  Read_Ahead ahead(files, read);
  std::vector<std::thread> helpers;
  unsigned wanted = to_read < 2 ? 0 : Helpers_Wanted();
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
    DICOM_Attribute *list = file.prepared     ? file.prepared
                            : helpers.empty() ? Header_Read(file.entry->path, read)
                                              : ahead.Take(number);
    File_One(catalogue, file.entry, list);
    if (file.prepared) list = nullptr;  // the DICOMDIR's keys are released with `keys`
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
