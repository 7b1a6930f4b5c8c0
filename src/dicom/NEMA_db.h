// The library's data dictionary of standard attributes: built in memory from the text
// tables compiled into the program (dicom/NEMA_db_Tables.h) on the first lookup, shared
// read-only by every thread afterwards, and released by NEMA_db_Cleanup.
#pragma once

#include <cstdint>

enum { NEMA_DB_NAME_MAX = 80, NEMA_DB_VR_MAX = 3 };

// One attribute of the dictionary. A wildcard digit of the element (x in the table) is
// 0 in `element` and 0 in `element_mask`; elements match when they agree under the mask.
struct NEMA_db_Entry {
  uint16_t group;               // as in the table (wildcard digits 0)
  uint16_t element;
  uint16_t element_mask;        // 0xF per hexadecimal digit, 0 per x
  int8_t VR_count;              // number of VR alternatives, 0 to 3
  bool retired;                 // retired from the standard ("RET")
  char name[NEMA_DB_NAME_MAX + 1];
  uint16_t VR[NEMA_DB_VR_MAX];  // alternatives, first character in the high byte; RT when none
  int16_t VM[NEMA_DB_VR_MAX][2];  // per alternative, minimum and maximum multiplicity; n = -1
};

// The dictionary entry of (group, element), or nullptr for a tag the dictionary does not
// hold and for every odd (private) group. An element matches exactly first, then through
// the wildcard digits of an entry. Builds the dictionary on its first call (safe from any
// thread). The entry stays valid until NEMA_db_Cleanup.
const NEMA_db_Entry *NEMA_db_Lookup(uint16_t group, uint16_t element);

// Frees the dictionary; the next lookup builds it again. Entries handed out before become
// invalid, so no other thread may be reading the library while it runs.
void NEMA_db_Cleanup();
