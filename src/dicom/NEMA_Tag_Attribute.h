// The attribute list: the in-memory form of a DICOM data set. Each element read from a
// stream (or made by the program, or by a module definition) is one attribute record;
// the records of one data set or item form a singly linked list whose first record also
// knows the last, for appending. A sequence record owns one list per item. The sequence
// context (root) names a path of sequences and item numbers from the data set down, and
// tells insert, get and delete which list they work on.
//
// Index: VR codes / mode and flags / attribute record / sequence context / list
//        operations / format and dump.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

struct NEMA_db_Entry;          // a dictionary entry (dicom/NEMA_db.h)
struct DICOM_Attribute_Block;  // a shared block of records (dicom/DICOM_Attribute_Block.h)

// ---- VR codes ---------------------------------------------------------------------------
// A VR as a 16-bit code, first character in the high byte; 0 = none. "Ia" and "Ib" are
// the pseudo-VRs of an item inside and outside encapsulated data.

constexpr uint16_t DICOM_VR_Code(char first, char second)
{
  return (uint16_t)(((unsigned char)first << 8) | (unsigned char)second);
}

enum : uint16_t {
  DICOM_VR_AE = 0x4145, DICOM_VR_AS = 0x4153, DICOM_VR_AT = 0x4154, DICOM_VR_CS = 0x4353,
  DICOM_VR_DA = 0x4441, DICOM_VR_DS = 0x4453, DICOM_VR_DT = 0x4454, DICOM_VR_FD = 0x4644,
  DICOM_VR_FL = 0x464C, DICOM_VR_IS = 0x4953, DICOM_VR_LO = 0x4C4F, DICOM_VR_LT = 0x4C54,
  DICOM_VR_OB = 0x4F42, DICOM_VR_OD = 0x4F44, DICOM_VR_OF = 0x4F46, DICOM_VR_OL = 0x4F4C,
  DICOM_VR_OV = 0x4F56, DICOM_VR_OW = 0x4F57, DICOM_VR_OX = 0x4F58, DICOM_VR_PN = 0x504E,
  DICOM_VR_SH = 0x5348, DICOM_VR_SL = 0x534C, DICOM_VR_SQ = 0x5351, DICOM_VR_SS = 0x5353,
  DICOM_VR_ST = 0x5354, DICOM_VR_SV = 0x5356, DICOM_VR_TM = 0x544D, DICOM_VR_UC = 0x5543,
  DICOM_VR_UH = 0x5548, DICOM_VR_UI = 0x5549, DICOM_VR_UL = 0x554C, DICOM_VR_UN = 0x554E,
  DICOM_VR_UR = 0x5552, DICOM_VR_US = 0x5553, DICOM_VR_UT = 0x5554, DICOM_VR_UV = 0x5556,
  DICOM_VR_RT = 0x5254, DICOM_VR_Ia = 0x4961, DICOM_VR_Ib = 0x4962,
};

// ---- flags --------------------------------------------------------------------------------

enum : uint16_t {
  DICOM_ORIGIN_MASK = 0x000F,
  DICOM_ORIGIN_DICOM = 0x0001,      // read from a DICOM stream
  DICOM_ORIGIN_ARDENT = 0x0002,     // made by this program
  DICOM_ORIGIN_MODULE = 0x0004,     // from a module definition
  DICOM_FLAG_REPAIRED = 0x0010,     // length cut at the end of the file, OX read as OW, value reshaped
  DICOM_FLAG_RETIRED = 0x0020,      // retired in the dictionary
  DICOM_FLAG_PRIVATE = 0x0040,      // odd group
  DICOM_FLAG_TRANSFER = 0x0080,     // value used to choose the transfer syntax
  DICOM_FLAG_DELETED = 0x0100,      // syntax error in the stream, or not in the dictionary
  DICOM_FLAG_REMOVE = 0x0200,       // marked for removal by a module definition
  DICOM_FLAG_VR_UNKNOWN = 0x0400,   // no VR in the stream nor in the dictionary
  DICOM_FLAG_INVALID = 0x0800,
  DICOM_FLAG_FORCED = 0x1000,       // module definition: forced value
  DICOM_FLAG_DEFAULT = 0x2000,      // module definition: default value
  DICOM_FLAG_UTF8 = 0x4000,         // string value rewritten from its character set into UTF-8
  DICOM_FLAG_APPEND = 0x8000,       // module definition: appended value
};

// ---- attribute record ---------------------------------------------------------------------
// Allocated zero-filled with calloc; `data`, `description` and `item` (and each list in
// it) are owned by the record and released with free() by DICOM_Attribute_Free. A
// record made by DICOM_Attribute_New holds its value right after it, in the same room:
// `data` then points there and goes with the record (a value never replaces it); the
// room may lie in a shared block (`block`), which the record then holds.

struct DICOM_Attribute {
  uint8_t mode;                  // mode byte in force when read; numbers convert by it
  uint8_t level;                 // nesting depth of the list holding the record (0 = data set)
  uint16_t flags;                // DICOM_ORIGIN_* and DICOM_FLAG_*
  uint16_t group;
  uint16_t element;
  uint16_t VR;                   // VR read from the stream; 0 = none
  int16_t dictionary_VR;         // VR from the dictionary; 0 = unknown
  int16_t type;                  // "1 ", "1C", "2 ", "2C", "3 " as a code like the VR; 0 = none
  uint32_t vm;                   // number of values, set by value decoding
  uint32_t user;                 // carried through copies, never read by the library
  int64_t element_position;      // file offset of the element's tag
  int64_t value_position;        // file offset of the value
  int32_t size;                  // value length; -1 = undefined
  unsigned char *data;           // the value as read; null for skipped values and sequences
  char *description;             // set by the dictionary or a module; may be null
  const NEMA_db_Entry *dictionary;  // the tag's dictionary entry, or null
  int32_t count;                 // number of item slots of a sequence
  DICOM_Attribute **item;        // `count` list heads, one per item (a slot may be null)
  DICOM_Attribute *next;         // next record of the same list
  DICOM_Attribute *last;         // first record of a list only: the list's last record
  DICOM_Attribute_Block *block;  // the shared block holding the record, or null (own allocation)
};

// ---- sequence context ---------------------------------------------------------------------

enum { DICOM_SEQUENCE_LEVELS = 10 };  // depths 0 to 9

struct DICOM_Sequence_Root {
  int32_t Sequence_Depth;                          // current depth, 0 to 9
  int32_t Item_Number[DICOM_SEQUENCE_LEVELS];      // per depth, current item (1 = first)
  uint16_t group[DICOM_SEQUENCE_LEVELS];           // per depth, tag of the sequence opened there
  uint16_t element[DICOM_SEQUENCE_LEVELS];
  int16_t flags[DICOM_SEQUENCE_LEVELS];            // per depth, its flags
};

// Depth 0, every item number, tag and flag 0.
void DICOM_Attribute_Sequence_Reset(Window_Handle owner, DICOM_Sequence_Root *root);

// Records (group, element, flags) at the current depth and opens the next depth with
// item number 0. Returns the new depth; at depth 9 the depth stays and the warning
// "To many "sequences" in DICOM stream" is written. A non-zero `log_kind` also writes the
// banner. The form without a tag keeps the tag already recorded at the current depth.
int DICOM_Attribute_Sequence_Start(Window_Handle owner, DICOM_Sequence_Root *root, uint16_t group,
                                   uint16_t element, int flags, int log_kind);
int DICOM_Attribute_Sequence_Start(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind);

// Closes the current depth. Returns the new depth; returns 0 with a warning at depth 0.
int DICOM_Attribute_Sequence_Stop(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind);

// Ends a walk: warns when sequences are still open, then sets the depth to 0. Returns 0.
int DICOM_Attribute_Sequence_End(Window_Handle owner, DICOM_Sequence_Root *root);

// Opens the next item of the current depth (item number + 1); returns that number.
int DICOM_Attribute_Item_Start(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind);
// Closes the current item (banner and trace only); returns its number.
int DICOM_Attribute_Item_Stop(Window_Handle owner, DICOM_Sequence_Root *root, int log_kind);

// The current depth.
int DICOM_Attribute_Sequence_Depth(const DICOM_Sequence_Root *root);
// The index from 0 of the current item at `depth` (its item number - 1); -1 outside
// 0..9 or before the first item.
int DICOM_Attribute_Item_Index(const DICOM_Sequence_Root *root, int depth);

// ---- list operations ----------------------------------------------------------------------

// A new record with the fields of `fields` (value, description, items and links not
// taken: `fields` should hold none) and room for a value of `value_size` bytes right
// after it: `data` points at that room when `value_size` is positive, else is null (the
// value is not set: the caller fills it). Small records come from the thread's shared
// block (dicom/DICOM_Attribute_Block.h), so reading a header costs almost no calls to
// malloc or free. Returns the record, owned by the caller until a list adopts it,
// released with DICOM_Attribute_Free; returns nullptr when memory runs out, after
// reporting it.
DICOM_Attribute *DICOM_Attribute_New(Window_Handle owner, const DICOM_Attribute *fields, int32_t value_size);

// A new record, unlinked, with the fields of `source` and a copy of its value (when it has
// one); no description, no items. A copy is allocated on its own, never in a thread's
// shared block: it may outlive the lists read around it, and would keep their blocks
// alive. Ownership and failures as DICOM_Attribute_New.
DICOM_Attribute *DICOM_Attribute_New_Copy(Window_Handle owner, const DICOM_Attribute *source);


// Appends a copy of `record` (every field, the value bytes and the description
// duplicated; next, last and items not copied; the level set to the root's depth) to
// the list that the root's path names below `*list`, creating the sequence records and
// item slots of the path when missing. Returns the new record, owned by the list;
// returns nullptr when memory runs out, after reporting it (the record is not added;
// sequence records already made for the path stay).
DICOM_Attribute *DICOM_Attribute_Insert(Window_Handle owner, const DICOM_Sequence_Root *root,
                                        DICOM_Attribute **list, const DICOM_Attribute *record);
// As above without the copy: links `record` itself (made by DICOM_Attribute_New or
// allocated with calloc, in no list; its value, description and items owned by it)
// into that list, which then owns it. Returns `record`; returns nullptr when the path
// cannot be made, after reporting it (`record` then stays the caller's, unchanged but
// for its links and level).
DICOM_Attribute *DICOM_Attribute_Adopt(Window_Handle owner, const DICOM_Sequence_Root *root,
                                       DICOM_Attribute **list, DICOM_Attribute *record);

// The head of the list that the root's path names below `*list` (the sequence records
// and items that insert, get and delete follow), or nullptr when a sequence or item of
// the path is missing. Only looks: nothing is created or changed. The returned pointer
// is `list` itself at depth 0, else an item slot of a sequence record; it stays valid
// while that record and its item array are neither freed nor grown.
DICOM_Attribute **DICOM_Attribute_List_Head(const DICOM_Sequence_Root *root, DICOM_Attribute **list);

// Drops the value of `record`: frees it (unless it is held inside the record, see
// DICOM_Attribute_New), then `data` null and `size` 0.
void DICOM_Attribute_Value_Release(DICOM_Attribute *record);

// The first record, in the list the root's path names below `list`, whose group and
// element match; 0xFFFF in either matches anything. Returns nullptr when the path or
// the record is missing (the list is never changed). The record stays owned by the list.
DICOM_Attribute *DICOM_Attribute_Get(Window_Handle owner, const DICOM_Sequence_Root *root,
                                     DICOM_Attribute *list, uint16_t group, uint16_t element);
// As above with text patterns matched against the tag written "%04X": '?' and 'x'/'X'
// match one digit, '*' any run.
DICOM_Attribute *DICOM_Attribute_Get(Window_Handle owner, const DICOM_Sequence_Root *root,
                                     DICOM_Attribute *list, const char *group, const char *element);

// Removes and frees every matching record of the list the root's path names below
// `*list` (0xFFFF matches any group or element; group 0xFFF1 any odd group), then does
// the same inside every item of every sequence left in it. Returns 1; returns 0 when
// `list` is null. Deleting (0xFFFF,0xFFFF) at depth 0 releases a whole list.
int DICOM_Attribute_Delete(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                           uint16_t group, uint16_t element);
// As above with text patterns (as for DICOM_Attribute_Get).
int DICOM_Attribute_Delete(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                           const char *group, const char *element);

// Frees `record`, its items (each list, recursively), its value and its description.
// The record must already be unlinked from its list. Null is allowed.
void DICOM_Attribute_Free(Window_Handle owner, DICOM_Attribute *record);

// ---- format and dump ----------------------------------------------------------------------

// Builds a new nested list from the flat list `list` (elements in stream order, items
// and delimiters as records), using the sequence and item tags and the declared
// lengths; `list` is left as it was. Returns the head of the new list (nullptr for an
// empty input); returns nullptr when a record cannot be inserted, after reporting it.
DICOM_Attribute *DICOM_Attribute_Format(Window_Handle owner, DICOM_Attribute *list);
// The same nesting made of the records of `*list` themselves, moved rather than copied
// (no record or value is allocated). `*list` is null on return; on failure every
// record, moved or not, has been released.
DICOM_Attribute *DICOM_Attribute_Format_Move(Window_Handle owner, DICOM_Attribute **list);

// Writes the listing of `list` (from the root's depth), one message of kind `log_kind`
// per line; at depth 0 the legend and the column header come first.
void DICOM_Attribute_Dump(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute *list, int log_kind);
