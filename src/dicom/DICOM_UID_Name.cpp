// Names of known UIDs: a linear search of the generated table, first match wins, so the
// program's own short names shadow the standard's names given later for the same UIDs.
#include "dicom/DICOM_UID_Name.h"

#include <cstring>

const char *DICOM_UID_Name(const char *uid)
{
  if (!uid) return nullptr;
  for (int i = 0; i < DICOM_UID_Table_Count; i++)
    if (!std::strcmp(DICOM_UID_Table[i].uid, uid)) return DICOM_UID_Table[i].name;
  return nullptr;
}
