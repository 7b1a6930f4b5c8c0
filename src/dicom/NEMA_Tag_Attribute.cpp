// The attribute list operations: insert, get, delete and free, all working on the list
// that a sequence context's path names. The path is followed from the data set down:
// at each depth the sequence record with the path's tag (the latest one, as a walk
// that just opened it would find it), then the item with the path's number. Insert
// creates what the path lacks; get and delete only look.
//
// Item arrays grow one slot at a time in count, but their storage doubles, so that a
// sequence of many items costs linear time.
//
// Records made by DICOM_Attribute_New hold their value right after themselves and may
// lie in a shared block; free releases each kind as it was made.
#include <cstdlib>
#include <cstring>

#include "dicom/DICOM_Attribute_Block.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "util/message_log.h"

// ---- list links -------------------------------------------------------------------------

static void List_Append(DICOM_Attribute **head, DICOM_Attribute *record)
{
  record->next = nullptr;
  record->last = nullptr;
  if (!*head) {
    *head = record;
  } else {
    DICOM_Attribute *tail = (*head)->last ? (*head)->last : *head;
    tail->next = record;
  }
  (*head)->last = record;
}

static void Memory_Error(const char *function, int line, const char *variable, int count, int size)
{
  Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in %s (var=%s, dim=%dx%d)", line,
              "NEMA_Tag_Attribute", function, variable, count, size);
}

// Storage for `count` item slots: the next power of two at or above it.
static int32_t Item_Capacity(int32_t count)
{
  int32_t capacity = 1;
  while (capacity < count) capacity *= 2;
  return capacity;
}

// Makes sure `sequence` has at least `wanted` item slots, new ones empty.
static int Items_Reserve(DICOM_Attribute *sequence, int32_t wanted)
{
  if (sequence->count >= wanted) return 1;
  int32_t old_capacity = sequence->count ? Item_Capacity(sequence->count) : 0;
  int32_t capacity = Item_Capacity(wanted);
  if (capacity > old_capacity) {
    void *grown = std::realloc(sequence->item, sizeof(DICOM_Attribute *) * (size_t)capacity);
    if (!grown) {
      Memory_Error("realloc", __LINE__, "tag->item", capacity, (int)sizeof(DICOM_Attribute *));
      return 0;
    }
    sequence->item = (DICOM_Attribute **)grown;
    std::memset(sequence->item + old_capacity, 0, sizeof(DICOM_Attribute *) * (size_t)(capacity - old_capacity));
  }
  sequence->count = wanted;
  return 1;
}

// ---- following the path -----------------------------------------------------------------

static DICOM_Attribute *Find_Sequence(DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  if (!list) return nullptr;
  DICOM_Attribute *tail = list->last ? list->last : list;
  if (tail->group == group && tail->element == element) return tail;
  DICOM_Attribute *found = nullptr;
  for (DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == group && r->element == element) found = r;
  return found;
}

// A new sequence record for the path's tag at `depth`, appended to `*list`.
static DICOM_Attribute *Sequence_Create(const DICOM_Sequence_Root *root, DICOM_Attribute **list, int depth)
{
  DICOM_Attribute *sequence = (DICOM_Attribute *)std::calloc(1, sizeof(DICOM_Attribute));
  if (!sequence) {
    Memory_Error("calloc", __LINE__, "sequence", 1, (int)sizeof(DICOM_Attribute));
    return nullptr;
  }
  sequence->group = root->group[depth];
  sequence->element = root->element[depth];
  sequence->flags = (uint16_t)root->flags[depth];
  sequence->VR = DICOM_VR_SQ;
  sequence->dictionary_VR = (int16_t)DICOM_VR_SQ;
  sequence->level = (uint8_t)depth;
  sequence->size = -1;
  if (!Items_Reserve(sequence, 1)) {
    std::free(sequence);
    return nullptr;
  }
  List_Append(list, sequence);
  return sequence;
}

// The head of the list the root's path names below `*list`; null when the path is
// missing and `create` is false, or when it cannot be created.
static DICOM_Attribute **Descend(const DICOM_Sequence_Root *root, DICOM_Attribute **list, bool create)
{
  int depth = root->Sequence_Depth;
  if (depth >= DICOM_SEQUENCE_LEVELS) depth = DICOM_SEQUENCE_LEVELS - 1;
  for (int d = 0; d < depth; d++) {
    DICOM_Attribute *sequence = Find_Sequence(*list, root->group[d], root->element[d]);
    if (!sequence && !create) return nullptr;
    if (!sequence && !(sequence = Sequence_Create(root, list, d))) return nullptr;
    int32_t number = root->Item_Number[d + 1] > 0 ? root->Item_Number[d + 1] : 1;
    if (sequence->count < number) {
      if (!create || !Items_Reserve(sequence, number)) return nullptr;
    }
    list = &sequence->item[number - 1];
  }
  return list;
}

DICOM_Attribute **DICOM_Attribute_List_Head(const DICOM_Sequence_Root *root, DICOM_Attribute **list)
{
  return Descend(root, list, false);
}

// ---- insert -----------------------------------------------------------------------------

// The room for a value that DICOM_Attribute_New leaves right after the record. A value
// allocated on its own never starts there: that address is inside the record's own
// allocation or block, or at its end, where the allocator keeps its own header.
static unsigned char *Inline_Value(DICOM_Attribute *record) { return (unsigned char *)(record + 1); }

void DICOM_Attribute_Value_Release(DICOM_Attribute *record)
{
  if (record->data != Inline_Value(record)) std::free(record->data);
  record->data = nullptr;
  record->size = 0;
}

// A record with room for its value, from the thread's shared block when `shared`, else
// allocated on its own.
static DICOM_Attribute *Record_Make(const DICOM_Attribute *fields, int32_t value_size, bool shared)
{
  size_t room = value_size > 0 ? (size_t)value_size : 0;
  DICOM_Attribute_Block *block = nullptr;
  DICOM_Attribute *made =
      shared ? (DICOM_Attribute *)DICOM_Attribute_Block_Take(sizeof(DICOM_Attribute) + room, &block) : nullptr;
  if (!made && !(made = (DICOM_Attribute *)std::malloc(sizeof(DICOM_Attribute) + room))) {
    Memory_Error("malloc", __LINE__, "record", 1, (int)(sizeof(DICOM_Attribute) + room));
    return nullptr;
  }
  *made = *fields;
  made->data = room ? Inline_Value(made) : nullptr;
  made->description = nullptr;
  made->count = 0;
  made->item = nullptr;
  made->next = made->last = nullptr;
  made->block = block;
  return made;
}

DICOM_Attribute *DICOM_Attribute_New(Window_Handle, const DICOM_Attribute *fields, int32_t value_size)
{
  return Record_Make(fields, value_size, true);
}

DICOM_Attribute *DICOM_Attribute_New_Copy(Window_Handle, const DICOM_Attribute *source)
{
  DICOM_Attribute fields = *source;
  fields.data = nullptr;
  fields.description = nullptr;
  fields.item = nullptr;
  fields.count = 0;
  fields.next = fields.last = nullptr;
  fields.block = nullptr;
  int32_t value_size = source->data && source->size > 0 ? source->size : 0;
  DICOM_Attribute *copy = Record_Make(&fields, value_size, false);
  if (copy && value_size) std::memcpy(copy->data, source->data, (size_t)value_size);
  return copy;
}

static char VR_Or_Dash(uint16_t VR, int index)
{
  if (!VR) return '-';
  return (char)(index == 0 ? VR >> 8 : VR & 0xFF);
}

// Appends `made` to the list the root's path names below `*list`, at the root's depth.
// Returns `made`; returns nullptr when the path cannot be made, after reporting it
// (`made` then stays the caller's).
static DICOM_Attribute *Append_At_Path(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                       DICOM_Attribute *made)
{
  DICOM_Attribute **target = Descend(root, list, true);
  if (!target) {
    NEMA_Warning(owner, "  \x02" "Failed to insert tag(\x01%04X\x02,\x01%04X\x02)", made->group, made->element);
    return nullptr;
  }
  made->level = (uint8_t)root->Sequence_Depth;
  List_Append(target, made);
  return made;
}

DICOM_Attribute *DICOM_Attribute_Insert(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                        const DICOM_Attribute *record)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Insert(%04x,%04x) %c%c %d bytes", record->group,
              record->element, VR_Or_Dash(record->VR, 0), VR_Or_Dash(record->VR, 1), record->size);
  DICOM_Attribute *made = (DICOM_Attribute *)std::calloc(1, sizeof(DICOM_Attribute));
  if (!made) {
    Memory_Error("calloc", __LINE__, "insert", 1, (int)sizeof(DICOM_Attribute));
    return nullptr;
  }
  if (!DICOM_Attribute_Copy_Tag(owner, made, record)) {
    NEMA_Warning(owner, "Failed in DICOM_Attribute_Copy(\x01%04x\x02,\x01%04x\x02)", record->group, record->element);
    std::free(made);
    return nullptr;
  }
  if (Append_At_Path(owner, root, list, made)) return made;
  DICOM_Attribute_Free(owner, made);
  return nullptr;
}

DICOM_Attribute *DICOM_Attribute_Adopt(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                       DICOM_Attribute *record)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Adopt(%04x,%04x) %c%c %d bytes", record->group,
              record->element, VR_Or_Dash(record->VR, 0), VR_Or_Dash(record->VR, 1), record->size);
  return Append_At_Path(owner, root, list, record);
}

// ---- get ----------------------------------------------------------------------------------

DICOM_Attribute *DICOM_Attribute_Get(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute *list,
                                     uint16_t group, uint16_t element)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Get(%04x,%04x)", group, element);
  DICOM_Attribute **found = Descend(root, &list, false);
  for (DICOM_Attribute *r = found ? *found : nullptr; r; r = r->next)
    if ((group == 0xFFFF || r->group == group) && (element == 0xFFFF || r->element == element)) return r;
  return nullptr;
}

// Whether `pattern` matches the four hex digits `text`: '?', 'x' and 'X' match one
// digit, '*' any run; letters compare without case.
static bool Pattern_Match(const char *pattern, const char *text)
{
  for (; *pattern; pattern++, text++) {
    if (*pattern == '*') {
      for (const char *rest = text;; rest++) {
        if (Pattern_Match(pattern + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*text) return false;
    char p = *pattern >= 'a' && *pattern <= 'f' ? (char)(*pattern - 32) : *pattern;
    if (p != '?' && p != 'x' && p != 'X' && p != *text) return false;
  }
  return !*text;
}

static bool Tag_Match(const DICOM_Attribute *r, const char *group, const char *element)
{
  char g[8], e[8];
  std::snprintf(g, sizeof g, "%04X", r->group);
  std::snprintf(e, sizeof e, "%04X", r->element);
  return Pattern_Match(group, g) && Pattern_Match(element, e);
}

DICOM_Attribute *DICOM_Attribute_Get(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute *list,
                                     const char *group, const char *element)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Get(%s,%s)", group, element);
  DICOM_Attribute **found = Descend(root, &list, false);
  for (DICOM_Attribute *r = found ? *found : nullptr; r; r = r->next)
    if (Tag_Match(r, group, element)) return r;
  return nullptr;
}

// ---- delete and free ----------------------------------------------------------------------

void DICOM_Attribute_Free(Window_Handle owner, DICOM_Attribute *record)
{
  if (!record) return;
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Free(%04x,%04x)", record->group, record->element);
  for (int32_t i = 0; i < record->count; i++) {
    DICOM_Attribute *r = record->item[i];
    while (r) {
      DICOM_Attribute *next = r->next;
      DICOM_Attribute_Free(owner, r);
      r = next;
    }
  }
  std::free(record->item);
  DICOM_Attribute_Value_Release(record);
  std::free(record->description);
  if (record->block)
    DICOM_Attribute_Block_Release(record->block);
  else
    std::free(record);
}

// Removes and frees every record of `*list` that `matches`, relinks the rest, then
// does the same in every item of every sequence left.
template <typename Match>
static void Delete_In(Window_Handle owner, DICOM_Attribute **list, const Match &matches)
{
  DICOM_Attribute *kept = nullptr;
  DICOM_Attribute *r = *list;
  while (r) {
    DICOM_Attribute *next = r->next;
    if (matches(r))
      DICOM_Attribute_Free(owner, r);
    else
      List_Append(&kept, r);
    r = next;
  }
  *list = kept;
  for (r = kept; r; r = r->next)
    for (int32_t i = 0; i < r->count; i++) Delete_In(owner, &r->item[i], matches);
}

int DICOM_Attribute_Delete(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                           uint16_t group, uint16_t element)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Delete(%04x,%04x)", group, element);
  if (!list) return 0;
  DICOM_Attribute **found = Descend(root, list, false);
  if (!found) return 1;
  Delete_In(owner, found, [group, element](const DICOM_Attribute *r) {
    bool group_matches = group == 0xFFFF || r->group == group || (group == 0xFFF1 && (r->group & 1));
    return group_matches && (element == 0xFFFF || r->element == element);
  });
  return 1;
}

int DICOM_Attribute_Delete(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                           const char *group, const char *element)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Delete(%s,%s)", group, element);
  if (!list) return 0;
  DICOM_Attribute **found = Descend(root, list, false);
  if (!found) return 1;
  Delete_In(owner, found, [group, element](const DICOM_Attribute *r) { return Tag_Match(r, group, element); });
  return 1;
}
