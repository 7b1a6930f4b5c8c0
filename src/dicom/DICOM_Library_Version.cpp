// The DICOM library's banner, asked for by the trace header and the CLI.
#include "dicom/DICOM_Library_Version.h"

#include <cstring>

const char *DICOM_Library_Version(const char *version)
{
  if (version && std::strcmp(version, "21.7") != 0) return nullptr;
  return "ArdentVale_DICOM (Static) 21.7 (rev-b)";
}
