// The DICOMDIR of a DICOMDIR-compatible copy: once the files are copied, the media
// directory of the target folder is written, or merged with the one already there, so
// that a CD, DVD or USB stick made from the folder opens in viewers that read media by
// their DICOMDIR. Into a folder without one, the directory is built as the files are
// copied, from the headers read to name them, so no copy is read again.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dicom/DICOM_Media_Directory.h"

class Copy_Media_Directory {
 public:
  // For copies into `target_folder` (ending with "/").
  explicit Copy_Media_Directory(const std::string &target_folder);

  // Whether Add wants the copies' headers (Copy_Values_Read_For_Directory).
  bool Wants_Headers() const { return built_ != nullptr; }

  // Enters the copy `copy` (a path inside the target folder), in the order of the
  // copies, with `header`, its source's header as Copy_Values_Read_For_Directory gives
  // it, or null (the copy is then read here).
  void Add(const std::string &copy, const DICOM_Attribute *header);

  // Writes the DICOMDIR of the copies entered into the target folder, merged with a
  // DICOMDIR already there. Every value the directory had to generate, and every copy
  // it had to leave out, goes to the message pane (MSG_THREAD) and the audit trail; so
  // does the outcome ("DICOMDIR written: PATH"). Returns 1 when the DICOMDIR holds the
  // copies (also when nothing was new); returns 0 when it could not be written (an
  // existing DICOMDIR that cannot be read is left untouched), after a warning.
  int Write();

 private:
  std::string folder_;
  std::vector<std::string> copies_;                   // relative to folder_
  std::unique_ptr<DICOM_Media_Directory_New> built_;  // null: read the copies at the end
  std::vector<std::string> built_notices_;
};
