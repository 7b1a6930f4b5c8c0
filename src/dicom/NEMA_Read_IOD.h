// The folder of the module definition files and the private dictionaries ("DICOM Tables"
// in the installation folder). Start-up sets it; the files in it are read on demand.
#pragma once

#include <string>

#include "platform/os/window_handle.h"

// Stores `folder` (a "/" is added when it has none) as the module folder; `window` is the
// owner of the messages that reading it will give. Returns 1; returns 0 for a null or empty folder, changing nothing.
// Call before worker threads read modules (start-up does).
int DICOM_Module_Dir_Set(Window_Handle window, const char *folder);

// The module folder, ending with "/"; "" until it is set.
const std::string &DICOM_Module_Dir();
