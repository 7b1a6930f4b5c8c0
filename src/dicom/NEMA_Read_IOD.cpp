// The module folder of the DICOM library.
#include "dicom/NEMA_Read_IOD.h"

static std::string module_dir;

int DICOM_Module_Dir_Set(Window_Handle, const char *folder)
{
  if (!folder || !*folder) return 0;
  module_dir = folder;
  if (module_dir.back() != '/') module_dir += '/';
  return 1;
}

const std::string &DICOM_Module_Dir() { return module_dir; }
