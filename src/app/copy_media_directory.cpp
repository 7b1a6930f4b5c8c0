// Copy_Media_Directory: the copies' paths made relative to the target folder and handed
// to the library's media directory builder or writer; its notices and outcome reported
// as the copy job reports its files.
#include "app/copy_media_directory.h"

#include <sys/stat.h>

#include <cerrno>

#include "util/message_log.h"

Copy_Media_Directory::Copy_Media_Directory(const std::string &target_folder) : folder_(target_folder)
{
  struct stat info;
  const std::string path = folder_ + DICOM_MEDIA_DIRECTORY_NAME;
  if (lstat(path.c_str(), &info) != 0 && errno == ENOENT)
    built_ = std::make_unique<DICOM_Media_Directory_New>(folder_.c_str());
}

void Copy_Media_Directory::Add(const std::string &copy, const DICOM_Attribute *header)
{
  if (copy.compare(0, folder_.size(), folder_) != 0) return;
  copies_.push_back(copy.substr(folder_.size()));
  if (built_) built_->Add(nullptr, {copies_.back(), header}, &built_notices_);
}

int Copy_Media_Directory::Write()
{
  std::vector<std::string> notices;
  int written = built_ ? built_->Write(nullptr) : -1;
  if (written >= 0) {
    notices = built_notices_;
  } else {
    // No DICOMDIR was built, or one has appeared meanwhile: merge with it.
    std::vector<DICOM_Media_File> files;
    for (const std::string &copy : copies_) files.push_back({copy, nullptr});
    written = DICOM_Media_Directory_Write(nullptr, folder_.c_str(), files, nullptr, &notices);
  }
  for (const std::string &notice : notices) {
    Message_Log(nullptr, MSG_THREAD, "\x02%s", Log_Value_Escape(notice).c_str());
    Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  %s", Log_Value_Escape(notice).c_str());
  }
  if (!written) {
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 No DICOMDIR written in \x01%s",
                Log_Value_Escape(folder_).c_str());
    Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  no DICOMDIR written in %s", Log_Value_Escape(folder_).c_str());
    return 0;
  }
  const std::string path = folder_ + DICOM_MEDIA_DIRECTORY_NAME;
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "DICOMDIR written: \x01%s", Log_Value_Escape(path).c_str());
  Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  DICOMDIR written: %s", Log_Value_Escape(path).c_str());
  return 1;
}
