// Copying ahead: while the copy job reads the names of one file and names its copy, a
// helper thread copies the data of the files that come next, in the job's order, into
// unnamed files of the target folder, a few files ahead at most. The job then only
// names each copy (app/copy_data.h, Copy_Data_Made_Ahead), so reading and writing the
// data overlaps the naming, the audit and the messages on a second processor.
//
// The helper reports nothing: a file it cannot copy, or whose copy cannot serve (its
// source changed since, or its folder would give a new file another group or ACL), is
// copied again by the job in its turn, which reports what fails in the order of the
// files.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/copy_data.h"

class Copy_Ahead {
 public:
  // Starts the helper on `sources` (the job's files in its order; the strings must
  // outlive this object) copying into `folder` (open; must outlive this object) by
  // `block_size` (Copy_Data's), when this process may run on more than one processor
  // and there are at least two files; otherwise Take finds nothing.
  Copy_Ahead(const std::vector<const char *> &sources, int folder, size_t block_size);
  // Stops the helper and drops the copies not taken.
  ~Copy_Ahead();
  Copy_Ahead(const Copy_Ahead &) = delete;
  Copy_Ahead &operator=(const Copy_Ahead &) = delete;

  // The copy of sources[index], waiting for the helper to finish it. Every index is
  // taken in turn, from 0. Returns true with *data (the caller names or discards it);
  // false when no copy was made ahead for that file.
  bool Take(size_t index, Copy_Ahead_Data *data);

 private:
  void Helper();

  std::vector<const char *> sources_;
  int folder_;
  std::string inheritance_;
  size_t block_size_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Copy_Ahead_Data> ready_;  // the copies of sources_[taken_ .. made_)
  size_t made_ = 0;
  size_t taken_ = 0;
  bool stopping_ = false;  // the job wants no more copies
  bool finished_ = false;  // the helper has stopped
  std::thread helper_;
};
