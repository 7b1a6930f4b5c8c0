// The copy job's helper thread and the queue of copies it made ahead.
#include "app/copy_ahead.h"

#include <system_error>

#include "platform/os/os_files.h"
#include "platform/os/os_system.h"

namespace {
// How many copies the helper keeps ready: enough to ride out a slow file, few enough
// that little is copied in vain when the job is cancelled.
constexpr size_t AHEAD_MAX = 4;
}  // namespace

Copy_Ahead::Copy_Ahead(const std::vector<const char *> &sources, int folder, size_t block_size)
    : sources_(sources), folder_(folder), block_size_(block_size)
{
  finished_ = true;
  if (sources_.size() < 2 || folder_ < 0 || Os_Processors_Usable() < 2 || !Os_Folder_Inheritance(folder_, &inheritance_))
    return;
  try {
    finished_ = false;
    helper_ = std::thread(&Copy_Ahead::Helper, this);
  } catch (const std::system_error &) {
    finished_ = true;  // no helper: the job copies every file itself
  }
}

Copy_Ahead::~Copy_Ahead()
{
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (helper_.joinable()) helper_.join();
  for (Copy_Ahead_Data &data : ready_) Copy_Ahead_Discard(&data);
}

void Copy_Ahead::Helper()
{
  for (size_t index = 0; index < sources_.size(); index++) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      changed_.wait(hold, [&] { return stopping_ || index - taken_ < AHEAD_MAX; });
      if (stopping_) break;
    }
    Copy_Ahead_Data data;
    Copy_Data_Ahead(sources_[index], folder_, inheritance_, block_size_, &data);
    {
      std::lock_guard<std::mutex> hold(lock_);
      ready_.push_back(data);
      made_ = index + 1;
    }
    changed_.notify_all();  // once the lock is free, so the job need not wait for it too
    if (!data.unnamed_files) break;  // none can be made on this file system
  }
  std::lock_guard<std::mutex> hold(lock_);
  finished_ = true;
  changed_.notify_all();
}

bool Copy_Ahead::Take(size_t index, Copy_Ahead_Data *data)
{
  std::unique_lock<std::mutex> hold(lock_);
  changed_.wait(hold, [&] { return made_ > index || finished_; });
  if (made_ <= index) return false;
  *data = ready_.front();
  ready_.pop_front();
  taken_ = index + 1;
  hold.unlock();
  changed_.notify_all();
  return data->out >= 0;
}
