// Test files for the DICOMDIR tests: small PS3.10 files written with our writer, under a
// folder, with the keys a directory record takes from them.
#pragma once

#include <string>
#include <sys/stat.h>

#include "attribute_lists.h"
#include "dicom/DICOM_Write.h"
#include "support/test_support.h"

struct Media_Keys {
  std::string patient_id, patient_name, study_uid, series_uid, instance_uid, charset;
  std::string sop_class = "1.2.840.10008.5.1.4.1.1.7";
};

// Writes `folder` + `path` (folders made) holding `keys`; true when written.
inline bool Write_Media_File(const std::string &folder, const std::string &path, const Media_Keys &keys)
{
  Flat_List set;
  auto add = [&](uint16_t group, uint16_t element, uint16_t VR, const std::string &value) {
    if (!value.empty()) set.Add(group, element, VR, value);
  };
  add(0x0008, 0x0005, DICOM_VR_CS, keys.charset);
  add(0x0008, 0x0016, DICOM_VR_UI, keys.sop_class);
  add(0x0008, 0x0018, DICOM_VR_UI, keys.instance_uid);
  add(0x0008, 0x0020, DICOM_VR_DA, "20240102");
  add(0x0008, 0x0030, DICOM_VR_TM, "101500");
  add(0x0008, 0x0060, DICOM_VR_CS, "OT");
  add(0x0010, 0x0010, DICOM_VR_PN, keys.patient_name);
  add(0x0010, 0x0020, DICOM_VR_LO, keys.patient_id);
  add(0x0020, 0x000D, DICOM_VR_UI, keys.study_uid);
  add(0x0020, 0x000E, DICOM_VR_UI, keys.series_uid);
  add(0x0020, 0x0010, DICOM_VR_SH, "7");
  add(0x0020, 0x0011, DICOM_VR_IS, "1");
  add(0x0020, 0x0013, DICOM_VR_IS, "1");
  std::string bytes;
  bool ok = DICOM_Write_Part10(nullptr, set.list, nullptr, nullptr, DICOM_WRITE_DEFINED, &bytes, nullptr) == 1;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir((folder + path.substr(0, slash)).c_str(), 0755);
  return ok && Write_File(folder + path, bytes);
}
