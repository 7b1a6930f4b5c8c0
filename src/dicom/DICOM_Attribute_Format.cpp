// Rebuilding the nesting of a data set from the flat list of its elements in stream
// order. Sequences and items end either at their delimiters or where their declared
// lengths say (the end offsets kept per depth), whichever comes; an element that
// cannot be in the sequence it seems to be in (a tag below the last sequence of its
// item, in a sequence of undefined length) ends that sequence. Each element is checked
// against the dictionary and inserted at the current depth of the walk: a copy of it,
// or (the move form, for a flat list nobody needs afterwards) the record itself.
#include <cstdint>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/NEMA_db.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "util/message_log.h"

namespace {
// The walk: the sequence context and, per depth, where the current item and the
// current sequence end in the stream (-1 when unknown: undefined length).
struct Walk {
  Window_Handle owner;
  DICOM_Sequence_Root root;
  int64_t End_Of_Item[DICOM_SEQUENCE_LEVELS];
  int64_t End_Of_Sequence[DICOM_SEQUENCE_LEVELS];
  bool unsorted_reported;
  DICOM_Attribute *list;  // the new list
};
}  // namespace

static int Depth(const Walk &w) { return w.root.Sequence_Depth; }

static void Close_Sequence(Walk &w)
{
  int depth = Depth(w);
  w.End_Of_Item[depth] = w.End_Of_Sequence[depth] = -1;
  DICOM_Attribute_Sequence_Stop(w.owner, &w.root, 0);
}

static void Close_Item(Walk &w)
{
  w.End_Of_Item[Depth(w)] = -1;
  DICOM_Attribute_Item_Stop(w.owner, &w.root, 0);
}

// Opens a sequence for `record`; returns false when the depth bound kept it flat.
static bool Open_Sequence(Walk &w, const DICOM_Attribute *record)
{
  int depth = Depth(w);
  if (DICOM_Attribute_Sequence_Start(w.owner, &w.root, record->group, record->element, record->flags, 0) == depth)
    return false;
  w.End_Of_Item[depth + 1] = w.End_Of_Sequence[depth + 1] = -1;
  return true;
}

static bool Item_Tag(const DICOM_Attribute *r, uint16_t element) { return r && r->group == 0xFFFE && r->element == element; }

// Closes the sequences and the item whose declared ends the element at `position` has reached.
static void Close_Ended(Walk &w, int64_t position)
{
  while (w.End_Of_Sequence[Depth(w)] != -1 && position >= w.End_Of_Sequence[Depth(w)]) {
    Message_Log(w.owner, MSG_TRACE + 3, "\"Stop of Sequence\" from size");
    Close_Sequence(w);
  }
  if (w.End_Of_Item[Depth(w)] != -1 && position >= w.End_Of_Item[Depth(w)]) {
    Message_Log(w.owner, MSG_TRACE + 3, "\"Stop of Item\" from size");
    Close_Item(w);
  }
}

// Elements of a list come in ascending tag order. One below the last sequence of its
// list ends a sequence of undefined length that lacks its delimiter; at depth 0 it is
// reported once.
static void Check_Order(Walk &w, const DICOM_Attribute *r)
{
  if ((r->flags & DICOM_ORIGIN_MASK) != DICOM_ORIGIN_DICOM || r->group == 0xFFFE || r->group == 0xFFFF) return;
  int depth = Depth(w);
  uint16_t group = w.root.group[depth], element = w.root.element[depth];
  if ((!group && !element) || group == 0xFFFE || group == 0xFFFF) return;
  if (((uint32_t)r->group << 16 | r->element) >= ((uint32_t)group << 16 | element)) return;
  if (depth > 0 && w.End_Of_Sequence[depth] == -1) {
    NEMA_Warning(w.owner, "(\x01%04x\x02,\x01%04x\x02) missing end of sequence tag!", r->group, r->element);
    Close_Sequence(w);
  } else if (depth == 0 && !w.unsorted_reported) {
    NEMA_Warning(w.owner, "(\x01%04x\x02,\x01%04x\x02) tags should be sorted!", r->group, r->element);
    w.unsorted_reported = true;
  }
}

static uint16_t Effective_VR(const DICOM_Attribute *r) { return r->VR ? r->VR : (uint16_t)r->dictionary_VR; }

// Opens what the inserted record `made` starts (a sequence, encapsulated data, an
// implicit private sequence) and flags what cannot be; `next` is the following record.
// Items and delimiters never open anything here: their own step handles them.
static void Open_By_VR(Walk &w, DICOM_Attribute *made, const DICOM_Attribute *next)
{
  uint16_t VR = Effective_VR(made);
  int depth = Depth(w);
  int64_t end = made->value_position + made->size;
  if (VR == DICOM_VR_SQ) {
    if (!Open_Sequence(w, made)) {
      made->flags |= DICOM_FLAG_DELETED;
    } else if (made->size == -1 && !(next && next->group == 0xFFFE)) {
      NEMA_Warning(w.owner, "(\x01%04x\x02,\x01%04x\x02) Syntax Error! VR=SQ should be followed by an \"item\" tag",
                   made->group, made->element);
      Close_Sequence(w);
      made->flags |= DICOM_FLAG_DELETED;
    } else if (made->size != -1) {
      w.End_Of_Sequence[depth + 1] = end;
    }
  } else if (VR == DICOM_VR_UT && made->size == -1) {
    NEMA_Warning(w.owner, "(\x01%04x\x02,\x01%04x\x02) Syntax Error! Variable length tag is not allowed for VR=%c%c",
                 made->group, made->element, 'U', 'T');
    made->flags |= DICOM_FLAG_DELETED;
  } else if ((VR == DICOM_VR_OB || VR == DICOM_VR_OW || VR == DICOM_VR_UN) && made->size == -1) {
    if (!Open_Sequence(w, made)) {
      made->flags |= DICOM_FLAG_DELETED;
    } else if (!Item_Tag(next, 0xE000)) {
      NEMA_Warning(w.owner,
                   "(\x01%04x\x02,\x01%04x\x02) Syntax Error! VR=%c%c Variable length tag should be followed by an "
                   "\"item\" tag",
                   made->group, made->element, VR >> 8, VR & 0xFF);
      Close_Sequence(w);
      made->flags |= DICOM_FLAG_DELETED;
    }
  } else if (!VR && Item_Tag(next, 0xE000)) {
    if (w.End_Of_Item[depth] == next->element_position) return;
    if (!Open_Sequence(w, made)) {
      made->flags |= DICOM_FLAG_DELETED;
    } else if (made->size != -1) {
      w.End_Of_Sequence[depth + 1] = end;
      made->size = -1;
    }
  }
}

// Files one record of the flat list: `record` itself when `move` (it must be in no
// list), else a copy. `next` is the record that follows it in the flat list. Returns
// false when it cannot be filed (a moved record then stays the caller's).
static bool Format_Record(Walk &w, DICOM_Attribute *record, const DICOM_Attribute *next, bool move)
{
  int64_t P = record->element_position;
  Message_Log(w.owner, MSG_TRACE + 4, "DICOM_Attribute_Format (%04x,%04x) (pos:%04X)", record->group, record->element,
              (unsigned)P);
  DICOM_Attribute copy;
  if (!move) copy = *record;  // the move form files the record itself: no copy of it
  DICOM_Attribute *filed = move ? record : &copy;
  if (filed->dictionary && filed->dictionary->retired) {
    filed->flags |= DICOM_FLAG_RETIRED;
    NEMA_Notice(w.owner, "\x02    (%04x,%04x) Retired from DICOM (%s)", filed->group, filed->element,
                filed->dictionary->name);
  }
  if (filed->group & 1) filed->flags |= DICOM_FLAG_PRIVATE;
  Close_Ended(w, P);
  if (Item_Tag(filed, 0xE0DD)) {
    Close_Sequence(w);
  } else if (Item_Tag(filed, 0xE000)) {
    DICOM_Attribute_Item_Start(w.owner, &w.root, 0);
    if (filed->size != -1) w.End_Of_Item[Depth(w)] = filed->value_position + filed->size;
  }
  Check_Order(w, filed);
  DICOM_Attribute_Check_VR(w.owner, filed);
  DICOM_Attribute *made = move ? DICOM_Attribute_Adopt(w.owner, &w.root, &w.list, filed)
                               : DICOM_Attribute_Insert(w.owner, &w.root, &w.list, filed);
  if (!made) return false;
  if (made->group != 0xFFFE) Open_By_VR(w, made, next);
  if (Item_Tag(made, 0xE00D)) Close_Item(w);
  if (w.End_Of_Item[Depth(w)] != -1 && P >= w.End_Of_Item[Depth(w)]) Close_Item(w);
  return true;
}

// A walk at depth 0 with no end known at any depth.
static void Walk_Start(Walk &w, Window_Handle owner)
{
  w = Walk{};
  w.owner = owner;
  for (int d = 0; d < DICOM_SEQUENCE_LEVELS; d++) w.End_Of_Item[d] = w.End_Of_Sequence[d] = -1;
}

// Ends the walk: the new list, or nullptr after releasing it when `failed`.
static DICOM_Attribute *Walk_End(Walk &w, bool failed)
{
  DICOM_Sequence_Root top{};
  if (failed) {
    DICOM_Attribute_Delete(w.owner, &top, &w.list, 0xFFFF, 0xFFFF);
    return nullptr;
  }
  DICOM_Attribute_Sequence_End(w.owner, &w.root);
  return w.list;
}

DICOM_Attribute *DICOM_Attribute_Format(Window_Handle owner, DICOM_Attribute *list)
{
  Walk w;
  Walk_Start(w, owner);
  for (DICOM_Attribute *r = list; r; r = r->next)
    if (!Format_Record(w, r, r->next, false)) return Walk_End(w, true);
  return Walk_End(w, false);
}

DICOM_Attribute *DICOM_Attribute_Format_Move(Window_Handle owner, DICOM_Attribute **list)
{
  Walk w;
  Walk_Start(w, owner);
  DICOM_Attribute *rest = *list;
  *list = nullptr;
  bool failed = false;
  while (rest && !failed) {
    DICOM_Attribute *record = rest;
    rest = record->next;
    record->next = record->last = nullptr;
    if (!Format_Record(w, record, rest, true)) {
      DICOM_Attribute_Free(owner, record);
      failed = true;
    }
  }
  while (rest) {
    DICOM_Attribute *record = rest;
    rest = record->next;
    DICOM_Attribute_Free(owner, record);
  }
  return Walk_End(w, failed);
}
