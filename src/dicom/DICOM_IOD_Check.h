// The IOD check: holds a data set against the module template of its SOP class (the
// module file of its modality and the attribute files of those modules, in the module
// folder) and lists what is wrong: type 1 attributes missing or empty, type 2 attributes
// missing, conditional attributes absent (reported, never judged: their conditions are
// prose in the standard), values that fail the cleanup of their VR or their value
// count, and SOP classes without a template.
//
// A mandatory module is always checked. A user-optional or conditional module is
// checked when the data set holds one of its top-level attributes that no mandatory
// module of the IOD also names (a Contrast/Bolus module is there when a contrast
// attribute is); otherwise it is taken as absent and says nothing. An attribute that
// several checked modules name is held to one of their lines: a forced one (the
// standard says it overrides the others), else the strictest. Sequence items are checked
// against the template's item, each item of the data set on its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"

enum DICOM_Check_Kind {
  DICOM_CHECK_MISSING,      // a type 1 or type 2 attribute is absent
  DICOM_CHECK_EMPTY,        // a type 1 attribute has no value (a type 1 sequence no item)
  DICOM_CHECK_CONDITIONAL,  // a type 1C or 2C attribute is absent; its condition is not judged
  DICOM_CHECK_VALUE,        // a value fails the cleanup of its VR or its value count
  DICOM_CHECK_UNKNOWN_SOP,  // no SOP Class UID, or no module template for it
};

// One finding. `path` names the sequences above the attribute, as "(0008,1140)[1] "
// per level (item numbers from 1), "" at the top.
struct DICOM_Check_Finding {
  DICOM_Check_Kind kind;
  uint16_t group = 0, element = 0;
  std::string name;     // the attribute's name
  std::string type;     // "1", "1C", "2", "2C", "3"; "" when the template gives none
  std::string module;   // the module whose template names it; "" for value findings
  std::string path;
  std::string message;  // for values: the cleanup's messages, markup dropped, joined by "; "
};

struct DICOM_Check_Result {
  std::string sop_class;                      // the SOP Class UID read, "" when absent
  std::string modality;                       // the template's modality name, "" when none
  std::vector<DICOM_Check_Finding> findings;  // in template order, then values in list order
  int failures = 0;                           // findings other than DICOM_CHECK_CONDITIONAL
};

// The text of a finding kind: "missing", "empty", "conditional", "value", "unknown SOP class".
const char *DICOM_Check_Kind_Name(DICOM_Check_Kind kind);

// Checks the nested, complemented list `list` (as DICOMDIR_Scan_Read gives it) and fills
// `result`. The SOP class comes from (0008,0016), else from the meta group's (0002,0002).
// Reads the module folder (dicom/NEMA_Read_IOD.h) through the module caches.
// Returns 1 when a template was found and checked (result->failures may still be > 0);
// returns 0 when the SOP class is missing or has no template, with one
// DICOM_CHECK_UNKNOWN_SOP finding. The list is not changed. Uses the calling thread's
// warning capture (dicom/NEMA_Log.h) while it runs.
int DICOM_IOD_Check(Window_Handle owner, DICOM_Attribute *list, DICOM_Check_Result *result);
