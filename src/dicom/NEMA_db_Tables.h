// The built-in data dictionary tables (generated into NEMA_db_Tables.cpp by
// scripts/generate_dictionary.py): text lines "(gggg,eeee) Name VR VM [RET]", one table per
// group or group family, parsed into the dictionary on its first lookup (dicom/NEMA_db.h).
#pragma once

struct NEMA_db_Table {
  const char *const *lines;
  int count;
};

extern const NEMA_db_Table NEMA_db_Tables[];
extern const int NEMA_db_Table_Count;
