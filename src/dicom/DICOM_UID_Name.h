// Names of known UIDs: the program's organisation root, the transfer syntaxes, the SOP
// classes and the query/retrieve models it shows by name in dumps and reports.
#pragma once

// The organisation root of the UIDs this program makes.
#define DICOM_UID_ORGANISATION_ROOT "2.25.145895680686208990251400249490430497948"

// The constant name of the UID `uid` (compared exactly; the first entry of a UID that
// stands twice wins), or nullptr for an unknown UID or a null one. Static text.
const char *DICOM_UID_Name(const char *uid);

// The table behind DICOM_UID_Name (generated into DICOM_UID_Table.cpp by
// scripts/generate_uid_names.py).
struct DICOM_UID_Pair {
  const char *uid;
  const char *name;
};
extern const DICOM_UID_Pair DICOM_UID_Table[];
extern const int DICOM_UID_Table_Count;
