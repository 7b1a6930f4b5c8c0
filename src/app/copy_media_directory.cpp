// Copy_Media_Directory_Write: the copies' paths made relative to the target folder and
// handed to the library's media directory writer; its notices and outcome reported as
// the copy job reports its files.
#include "app/copy_media_directory.h"

#include "dicom/DICOM_Media_Directory.h"
#include "util/message_log.h"

namespace {
const char DICOMDIR_NAME[] = "DICOMDIR";
}

int Copy_Media_Directory_Write(const std::string &target_folder, const std::vector<std::string> &copies)
{
  std::vector<DICOM_Media_File> files;
  for (const std::string &copy : copies)
    if (copy.compare(0, target_folder.size(), target_folder) == 0)
      files.push_back({copy.substr(target_folder.size()), nullptr});
  std::vector<std::string> notices;
  const std::string path = target_folder + DICOMDIR_NAME;
  int written = DICOM_Media_Directory_Write(nullptr, target_folder.c_str(), files, nullptr, &notices);
  for (const std::string &notice : notices) {
    Message_Log(nullptr, MSG_THREAD, "\x02%s", Log_Value_Escape(notice).c_str());
    Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  %s", Log_Value_Escape(notice).c_str());
  }
  if (!written) {
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 No DICOMDIR written in \x01%s",
                Log_Value_Escape(target_folder).c_str());
    Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  no DICOMDIR written in %s", Log_Value_Escape(target_folder).c_str());
    return 0;
  }
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "DICOMDIR written: \x01%s", Log_Value_Escape(path).c_str());
  Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  DICOMDIR written: %s", Log_Value_Escape(path).c_str());
  return 1;
}
