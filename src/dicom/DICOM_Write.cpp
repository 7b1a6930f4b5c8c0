// Explicit VR little endian encoding of attribute lists (PS3.5 section 7.1.2): every
// element is tag, two VR characters, then a 16-bit length, or two reserved bytes and a
// 32-bit length for the VRs that allow long values; items and delimiters are
// (FFFE,E000), (FFFE,E00D) and (FFFE,E0DD) with a 32-bit length and no VR. A defined
// length of a sequence or an item is written as 0 first and patched once its content
// is out, so one pass serves both delimiting forms.
//
// Index: byte helpers / VR rules / elements and sequences / PS3.10 file.
#include "dicom/DICOM_Write.h"

#include <cstring>

#include "dicom/NEMA_Little_Endian.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "util/message_log.h"

static const char UNIT[] = "DICOM_Write";

enum : uint16_t {
  META_GROUP = 0x0002,
  ITEM_GROUP = 0xFFFE,
  ITEM_TAG = 0xE000,
  ITEM_END_TAG = 0xE00D,
  SEQUENCE_END_TAG = 0xE0DD,
  GROUP_LENGTH_ELEMENT = 0x0000,
  SHORT_LENGTH_MAX = 0xFFFF,
};
enum : uint32_t { UNDEFINED_LENGTH = 0xFFFFFFFFu };
static const unsigned char META_VERSION[] = {0x00, 0x01};

// ---- byte helpers -------------------------------------------------------------------------

static void Put_16(std::string *bytes, uint16_t value) { NEMA_Append_Little_Endian(*bytes, value, 2); }

static void Put_32(std::string *bytes, uint32_t value) { NEMA_Append_Little_Endian(*bytes, value, 4); }

static void Patch_32(std::string *bytes, size_t at, uint32_t value)
{
  NEMA_Store_Little_Endian(reinterpret_cast<unsigned char *>(&(*bytes)[at]), value, 4);
}

// ---- VR rules -------------------------------------------------------------------------------

// The VR to write for `record`: its stream VR when standard, else its dictionary VR, else
// UN; OX (OB or OW by context) is written as OW.
static uint16_t Written_VR(const DICOM_Attribute *record)
{
  uint16_t vr = DICOM_VR_Is_Standard(record->VR) ? (uint16_t)record->VR : (uint16_t)record->dictionary_VR;
  if (vr == DICOM_VR_OX) return DICOM_VR_OW;
  return DICOM_VR_Is_Standard(vr) ? vr : (uint16_t)DICOM_VR_UN;
}

// Whether `vr` has the long header form (reserved bytes and a 32-bit length).
static bool Long_Header(uint16_t vr)
{
  static const uint16_t long_form[] = {DICOM_VR_OB, DICOM_VR_OD, DICOM_VR_OF, DICOM_VR_OL, DICOM_VR_OV,
                                       DICOM_VR_OW, DICOM_VR_SQ, DICOM_VR_SV, DICOM_VR_UC, DICOM_VR_UN,
                                       DICOM_VR_UR, DICOM_VR_UT, DICOM_VR_UV};
  for (uint16_t code : long_form)
    if (code == vr) return true;
  return false;
}

// The size of one number of `vr` that a big-endian stream stores byte-reversed; 1 for
// the VRs whose values are bytes or text.
static int Swap_Unit(uint16_t vr)
{
  switch (vr) {
  case DICOM_VR_US: case DICOM_VR_SS: case DICOM_VR_OW: case DICOM_VR_AT: return 2;
  case DICOM_VR_UL: case DICOM_VR_SL: case DICOM_VR_FL: case DICOM_VR_OF: case DICOM_VR_OL: return 4;
  case DICOM_VR_FD: case DICOM_VR_OD: case DICOM_VR_SV: case DICOM_VR_UV: case DICOM_VR_OV: return 8;
  default: return 1;
  }
}

static void Put_Header(std::string *bytes, uint16_t group, uint16_t element, uint16_t vr, uint32_t length)
{
  Put_16(bytes, group);
  Put_16(bytes, element);
  bytes->push_back((char)(vr >> 8));
  bytes->push_back((char)(vr & 0xFF));
  if (Long_Header(vr)) {
    Put_16(bytes, 0);
    Put_32(bytes, length);
  } else {
    Put_16(bytes, (uint16_t)length);
  }
}

// ---- elements and sequences -------------------------------------------------------------------

static int Write_List(Window_Handle owner, const DICOM_Attribute *list, DICOM_Write_Length length,
                      std::string *bytes, DICOM_Write_Layout *layout, int level);

// Whether the writer leaves `record` out (see DICOM_Write_Data_Set).
static bool Left_Out(const DICOM_Attribute *record, int level)
{
  if (record->group == ITEM_GROUP || (record->flags & DICOM_FLAG_DELETED)) return true;
  if (record->element == GROUP_LENGTH_ELEMENT) return true;
  return level == 0 && record->group == META_GROUP;
}

static int Value_Fault(Window_Handle owner, const DICOM_Attribute *record, const char *what)
{
  Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\ntag (%04x,%04x): %s, not written", UNIT, __LINE__,
              record->group, record->element, what);
  return 0;
}

// Writes the items of the sequence `record`, each delimited as `length` says; the item
// offsets go to `offsets` when not null.
static int Write_Sequence(Window_Handle owner, const DICOM_Attribute *record, DICOM_Write_Length length,
                          std::string *bytes, std::vector<int64_t> *offsets, int level)
{
  Put_Header(bytes, record->group, record->element, DICOM_VR_SQ, UNDEFINED_LENGTH);
  size_t sequence_length_at = bytes->size() - 4, sequence_start = bytes->size();
  for (int32_t i = 0; i < record->count; i++) {
    if (offsets) offsets->push_back((int64_t)bytes->size());
    Put_16(bytes, ITEM_GROUP);
    Put_16(bytes, ITEM_TAG);
    Put_32(bytes, UNDEFINED_LENGTH);
    size_t item_length_at = bytes->size() - 4, item_start = bytes->size();
    if (!Write_List(owner, record->item[i], length, bytes, nullptr, level + 1)) return 0;
    if (length == DICOM_WRITE_UNDEFINED) {
      Put_16(bytes, ITEM_GROUP);
      Put_16(bytes, ITEM_END_TAG);
      Put_32(bytes, 0);
    } else {
      Patch_32(bytes, item_length_at, (uint32_t)(bytes->size() - item_start));
    }
  }
  if (length == DICOM_WRITE_UNDEFINED) {
    Put_16(bytes, ITEM_GROUP);
    Put_16(bytes, SEQUENCE_END_TAG);
    Put_32(bytes, 0);
  } else {
    Patch_32(bytes, sequence_length_at, (uint32_t)(bytes->size() - sequence_start));
  }
  return 1;
}

// Writes one element with a value (not a sequence).
static int Write_Element(Window_Handle owner, const DICOM_Attribute *record, std::string *bytes)
{
  uint16_t vr = Written_VR(record);
  if (record->size < 0) return Value_Fault(owner, record, "undefined length outside a sequence");
  if (record->size > 0 && !record->data) return Value_Fault(owner, record, "value not held in memory");
  uint32_t size = (uint32_t)record->size, padded = size + (size & 1);
  if (!Long_Header(vr) && padded > SHORT_LENGTH_MAX) return Value_Fault(owner, record, "value too long for its VR");
  Put_Header(bytes, record->group, record->element, vr, padded);
  size_t start = bytes->size();
  if (size) bytes->append((const char *)record->data, size);
  int unit = Swap_Unit(vr);
  if ((record->mode & NEMA_MODE_BIG_ENDIAN) && unit > 1)
    for (size_t at = start; at + (size_t)unit <= bytes->size(); at += (size_t)unit)
      for (int i = 0; i < unit / 2; i++) std::swap((*bytes)[at + (size_t)i], (*bytes)[at + (size_t)(unit - 1 - i)]);
  if (size & 1) bytes->push_back(DICOM_VR_Padding(vr));
  return 1;
}

static int Write_List(Window_Handle owner, const DICOM_Attribute *list, DICOM_Write_Length length,
                      std::string *bytes, DICOM_Write_Layout *layout, int level)
{
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (Left_Out(r, level)) continue;
    if (Written_VR(r) == DICOM_VR_SQ || r->count > 0) {
      bool wanted = layout && level == 0 && r->group == layout->group && r->element == layout->element;
      if (!Write_Sequence(owner, r, length, bytes, wanted ? &layout->item_offsets : nullptr, level)) return 0;
    } else if (!Write_Element(owner, r, bytes)) {
      return 0;
    }
  }
  return 1;
}

int DICOM_Write_Data_Set(Window_Handle owner, const DICOM_Attribute *list, DICOM_Write_Length length,
                         std::string *bytes, DICOM_Write_Layout *layout)
{
  if (layout) layout->item_offsets.clear();
  return Write_List(owner, list, length, bytes, layout, 0);
}

// ---- PS3.10 file ---------------------------------------------------------------------------

// The text value of the top-level (group, element) of `list`, without its padding.
static std::string Top_Text(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == group && r->element == element && r->data && r->size > 0) {
      std::string text((const char *)r->data, (size_t)r->size);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
      return text;
    }
  return "";
}

// Appends a meta element holding `text` (padded with `DICOM_VR_Padding`).
static void Put_Meta_Text(std::string *bytes, uint16_t element, uint16_t vr, const std::string &text)
{
  uint32_t padded = (uint32_t)(text.size() + (text.size() & 1));
  Put_Header(bytes, META_GROUP, element, vr, padded);
  bytes->append(text);
  if (text.size() & 1) bytes->push_back(DICOM_VR_Padding(vr));
}

int DICOM_Write_Part10(Window_Handle owner, const DICOM_Attribute *list, const char *sop_class,
                       const char *sop_instance, DICOM_Write_Length length, std::string *bytes,
                       DICOM_Write_Layout *layout)
{
  std::string class_uid = sop_class ? sop_class : Top_Text(list, 0x0008, 0x0016);
  std::string instance_uid = sop_instance ? sop_instance : Top_Text(list, 0x0008, 0x0018);
  bytes->clear();
  if (class_uid.empty() || instance_uid.empty()) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nno SOP class or instance UID: file meta not written",
                UNIT, __LINE__);
    return 0;
  }
  std::string meta;
  Put_Header(&meta, META_GROUP, 0x0001, DICOM_VR_OB, sizeof META_VERSION);
  meta.append((const char *)META_VERSION, sizeof META_VERSION);
  Put_Meta_Text(&meta, 0x0002, DICOM_VR_UI, class_uid);
  Put_Meta_Text(&meta, 0x0003, DICOM_VR_UI, instance_uid);
  Put_Meta_Text(&meta, 0x0010, DICOM_VR_UI, DICOM_WRITE_TRANSFER_SYNTAX);
  Put_Meta_Text(&meta, 0x0012, DICOM_VR_UI, DICOM_WRITE_IMPLEMENTATION_UID);
  Put_Meta_Text(&meta, 0x0013, DICOM_VR_SH, DICOM_WRITE_VERSION_NAME);

  bytes->assign(DICOM_WRITE_PREAMBLE_SIZE, '\0');
  bytes->append(DICOM_WRITE_MAGIC, std::strlen(DICOM_WRITE_MAGIC));
  Put_Header(bytes, META_GROUP, GROUP_LENGTH_ELEMENT, DICOM_VR_UL, 4);
  Put_32(bytes, (uint32_t)meta.size());
  bytes->append(meta);
  if (layout) layout->item_offsets.clear();
  if (!Write_List(owner, list, length, bytes, layout, 0)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  return 1;
}
