// The copy rule of attribute records. The new value and description are made first, so
// that a failed allocation leaves the target as it was; then the fields pass over. A
// source's zero fields never clear the target's, so copying into a fresh record gives
// an exact copy and merging into a filled one keeps what the source does not say.
#include "dicom/NEMA_Tag_Copy.h"

#include <cstdlib>
#include <cstring>

#include "dicom/NEMA_Memory_Error.h"

static const char UNIT[] = "NEMA_Tag_Copy";

bool DICOM_VR_Is_Text(uint16_t vr)
{
  switch (vr) {
  case DICOM_VR_AE: case DICOM_VR_AS: case DICOM_VR_CS: case DICOM_VR_DA: case DICOM_VR_DS: case DICOM_VR_DT:
  case DICOM_VR_IS: case DICOM_VR_LO: case DICOM_VR_LT: case DICOM_VR_PN: case DICOM_VR_SH: case DICOM_VR_ST:
  case DICOM_VR_TM: case DICOM_VR_UC: case DICOM_VR_UI: case DICOM_VR_UR: case DICOM_VR_UT:
    return true;
  default:
    return false;
  }
}

char DICOM_VR_Padding(uint16_t vr) { return DICOM_VR_Is_Text(vr) && vr != DICOM_VR_UI ? ' ' : '\0'; }

// A record made by DICOM_Attribute_New holds its value right after itself; that room is
// not an allocation of its own and is never freed.
static bool Value_Is_Inline(const DICOM_Attribute *record)
{
  return record->data == (const unsigned char *)(record + 1);
}

static uint16_t Effective_VR(const DICOM_Attribute *record)
{
  return record->VR ? record->VR : (uint16_t)record->dictionary_VR;
}

// A malloc'ed copy of `size` bytes, or nullptr after reporting.
static unsigned char *Bytes_Copy(const unsigned char *bytes, size_t size)
{
  unsigned char *copy = (unsigned char *)std::malloc(size);
  if (!copy) {
    NEMA_Memory_Error(__LINE__, UNIT, "malloc", "tag->data", (long)size, 1);
    return nullptr;
  }
  std::memcpy(copy, bytes, size);
  return copy;
}

// The target's value followed by the source's, in a new allocation of `*size` bytes.
// Text values lose their padding, are joined by a backslash and padded to an even
// length again; other values are put end to end.
static unsigned char *Value_Join(const DICOM_Attribute *target, const DICOM_Attribute *source, int32_t *size)
{
  uint16_t vr = Effective_VR(target) ? Effective_VR(target) : Effective_VR(source);
  bool text = DICOM_VR_Is_Text(vr);
  size_t head = (size_t)target->size, tail = (size_t)source->size;
  if (text)
    while (head > 0 && (target->data[head - 1] == ' ' || target->data[head - 1] == '\0')) head--;
  size_t joined = head + (text ? 1 : 0) + tail;
  size_t room = joined + (text && (joined & 1) ? 1 : 0);
  unsigned char *value = (unsigned char *)std::malloc(room);
  if (!value) {
    NEMA_Memory_Error(__LINE__, UNIT, "malloc", "tag->data", (long)room, 1);
    return nullptr;
  }
  std::memcpy(value, target->data, head);
  if (text) value[head] = '\\';
  std::memcpy(value + joined - tail, source->data, tail);
  if (room > joined) value[joined] = (unsigned char)DICOM_VR_Padding(vr);
  *size = (int32_t)room;
  return value;
}

// Whether the target takes from the source at all.
static bool Takes(const DICOM_Attribute *target, const DICOM_Attribute *source)
{
  if (target->flags & DICOM_FLAG_FORCED) return false;
  return !target->flags || target->size == 0 || (source->flags & DICOM_FLAG_APPEND);
}

template <typename Field> static void Take_Non_Zero(Field &to, const Field &from)
{
  if (from) to = from;
}

int DICOM_Attribute_Copy_Tag(Window_Handle, DICOM_Attribute *target, const DICOM_Attribute *source)
{
  if (!Takes(target, source)) return 1;
  bool has_value = source->data && source->size > 0;
  bool join = (source->flags & DICOM_FLAG_APPEND) && has_value && target->data && target->size > 0;
  int32_t size = source->size;
  unsigned char *value = nullptr;
  if (join)
    value = Value_Join(target, source, &size);
  else if (has_value)
    value = Bytes_Copy(source->data, (size_t)source->size);
  if (has_value && !value) return 0;
  char *description = nullptr;
  if (source->description && !(description = NEMA_Strdup(source->description, __LINE__, UNIT, "tag->description"))) {
    std::free(value);
    return 0;
  }

  target->level = source->level;
  target->group = source->group;
  target->element = source->element;
  target->flags |= source->flags;
  Take_Non_Zero(target->mode, source->mode);
  Take_Non_Zero(target->type, source->type);
  Take_Non_Zero(target->VR, source->VR);
  Take_Non_Zero(target->dictionary_VR, source->dictionary_VR);
  Take_Non_Zero(target->dictionary, source->dictionary);
  Take_Non_Zero(target->element_position, source->element_position);
  Take_Non_Zero(target->value_position, source->value_position);
  Take_Non_Zero(target->user, source->user);
  if (join || !(source->flags & DICOM_FLAG_APPEND) || has_value) {
    if (!Value_Is_Inline(target)) std::free(target->data);
    target->data = value;
    target->size = size;
    target->vm = join ? target->vm + source->vm : source->vm;
  }
  if (description) {
    std::free(target->description);
    target->description = description;
  }
  return 1;
}
