// The module folder ("DICOM Tables" in the installation folder) and what is read from
// it, in the definition-file format (dicom/NEMA_Read_Definition.h):
// - the private dictionaries: per private creator, the names and VRs of its elements
//   ("DICOM_Private_<NAME>.txt"), consulted for every private element of a header;
// - the module templates of the IODs: per modality name the modules
//   ("DICOM_Module_<Modality>.txt", one module per line with its usage in a comment),
//   per module its attributes ("DICOM_Attributes_<Module>.txt"), and the macros they
//   include ("DICOM_Include_<Macro>.txt").
// Start-up sets the folder; every file in it is read on demand, once.
//
// Threads. DICOM_Module_Dir_Set is called before other threads use the folder (start-up
// does). Every other function may be called from any number of threads at once. What is
// read from the folder is kept in tables that are filled under the program-wide
// "Protected Region" (util/mutex_access.h) and a lock of the module tables (which keeps
// them whole even where the region has not been created), and that never change once
// filled: so no file is read twice, and a table, list or text handed out stays valid
// until DICOM_Library_Release (or DICOM_Module_Release), which runs only while no other
// thread uses the library. The private lookups keep a map per thread from creator text
// to that creator's table: once a thread has met a creator, looking up its elements
// takes no lock, opens no file and costs one hash lookup and a binary search.
#pragma once

#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// ---- module folder ----------------------------------------------------------------------------

// Stores `folder` (a "/" is added when it has none) as the module folder (`window` is not
// used: each reader reports to the owner it is given). Returns 1; returns 0 for a null or
// empty folder, changing nothing. A folder other than the current one makes every file
// be looked up again in it (what was read from the old folder stays valid until
// DICOM_Library_Release). Call before worker threads read modules (start-up does).
int DICOM_Module_Dir_Set(Window_Handle window, const char *folder);

// The module folder, ending with "/"; "" until it is set.
const std::string &DICOM_Module_Dir();

// ---- private dictionaries ---------------------------------------------------------------------

// The private dictionary of one creator: its elements by (group, element).
struct DICOM_Private_Dictionary;

// The private dictionary of `creator` (the text of a private creator element), or
// nullptr when the creator is empty, no module folder is set or no file of the folder
// holds it. The file is "DICOM_Private_<NAME>.txt", NAME being the creator trimmed,
// each of " * / : < > ? \ | replaced by '_' and upper-cased; when there is none, NAME
// loses its last character until a file is found or one character is left ("ACME MR
// 1.0" tries "ACME MR 1.0", "ACME MR 1.", ... "A"). Each creator text is looked for once,
// each file name tried once, whatever the thread. The dictionary is shared and
// read-only; it stays valid until DICOM_Library_Release.
const DICOM_Private_Dictionary *DICOM_Module_Private_Dictionary(Window_Handle owner, const char *creator);

// Gives `record` what `dictionary` knows of its tag: the entry of (group, element), else
// that of (group, low byte of the element) (files list an element by its low byte).
// Sets the dictionary VR when the entry names one (clearing DICOM_FLAG_VR_UNKNOWN),
// replaces the description with the entry's when it has one, and clears
// DICOM_FLAG_DELETED (the element is known after all) unless the entry is marked removed
// ('-'), which sets it. Returns 1 when the entry was found; returns 0 when not, or for a null
// dictionary (the record unchanged). A description that cannot be copied is reported
// (MSG_ERROR) and the old one kept.
int DICOM_Module_Private_Apply(Window_Handle owner, const DICOM_Private_Dictionary *dictionary, DICOM_Attribute *record);

// Both steps above: returns 1 when the private dictionary of `creator` knows the tag of
// `record` (which then has its VR, description and flag set), else 0.
int DICOM_Module_Read_Private(Window_Handle owner, const char *creator, DICOM_Attribute *record);

// ---- module templates -------------------------------------------------------------------------

// The template of the modality `modality` (such as "CT_Image"): the attributes of every
// module of "DICOM_Module_<modality>.txt" (else, with a warning, of
// "DICOM_Module_OT_Image.txt"), nested, each value cleaned by its VR, the attributes
// marked removed ('-') taken out, sorted by tag, an attribute named by several modules
// merged into one by the copy rule (dicom/NEMA_Tag_Copy.h). Returns the list, shared and
// read-only (never change or free it), valid until DICOM_Library_Release; returns
// nullptr without a name, without a module folder, when neither module file can be read
// or when 100 modalities are already held, after a warning.
DICOM_Attribute *DICOM_Module_Read(Window_Handle owner, const char *modality);

// One module of a modality's module file with its usage in the IOD, read from the
// line's comment ("General_Series ; M", "Contrast_Bolus ; C Required if ...").
struct DICOM_Module_Use {
  std::string name;       // the module's file name stem
  char usage;             // 'M' mandatory, 'C' conditional, 'U' user option (also when the comment names none)
  std::string condition;  // for 'C': the text after it; else ""
};

// The modules of "DICOM_Module_<modality>.txt", in file order, into `modules`. Returns
// 1; returns 0 (with a warning, `modules` untouched) when the modality is empty, no
// module folder is set, or the file cannot be read (no fallback to another modality).
int DICOM_Module_List(Window_Handle owner, const char *modality, std::vector<DICOM_Module_Use> &modules);

// One module's attributes ("DICOM_Attributes_<module>.txt", its includes read in) as a
// nested list: sequences hold their item with its item and delimiter records, as in a
// list read from a file. Returns a new list owned by the caller (free it with
// DICOM_Attribute_Delete(..., 0xFFFF, 0xFFFF) at depth 0); nullptr when the module is
// empty, its file cannot be read (with a warning) or holds no attribute.
DICOM_Attribute *DICOM_Module_Attributes_Read(Window_Handle owner, const char *module);

// The modality name of a SOP class UID (trailing blanks ignored) from
// dicom/DICOM_Module_Table.h, or nullptr when the table has none. Static text.
const char *DICOM_Module_For_SOP_Class(const char *sop_class_uid);

// Frees every table read from the module folder (private dictionaries, definition files,
// templates, module lists); the folder setting stays. Everything handed out before
// becomes invalid. Called by DICOM_Library_Release; no other thread may use the library
// meanwhile.
void DICOM_Module_Release();
