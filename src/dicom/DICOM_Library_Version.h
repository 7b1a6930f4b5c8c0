// The DICOM library's banner.
#pragma once

// The banner "ArdentVale_DICOM (Static) 21.7 (rev-b)" when `version` is null or "21.7";
// nullptr for any other version. The text is static.
const char *DICOM_Library_Version(const char *version);
