// The dictionary's part in reading a data set: the VR check and derivation, and the
// complement. The VR check trusts a VR read from the stream when it is one of the
// standard, tells (as a notice) when it disagrees with the dictionary, and for elements
// that carry no VR and that the dictionary does not know (implicit private elements)
// guesses one from the bytes, so that dumps and decoders can still show the value.
// The complement fills in what the dictionary leaves open: headings for group lengths,
// private creators and their private elements (named by the creator's private
// dictionary from the module folder when it knows them, else by the creator's text),
// two vendor compression groups, pixel data and the item tags.
//
// Index: entries / VR check / derivation / complement.
#include "dicom/NEMA_Tag_Complement.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Read_IOD.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

static const char UNIT[] = "NEMA_Tag_Complement";

enum { DESCRIPTION_MAX = 279, CREATOR_MAX = 64, VALUE_READ_MAX = 1024 };

// ---- entries --------------------------------------------------------------------------------------

// Gives `record` its dictionary entry when it has none, and the entry's first VR as its
// dictionary VR when it has none and the entry names one.
static void Attach_Entry(DICOM_Attribute *record)
{
  if (!record->dictionary) record->dictionary = NEMA_db_Lookup(record->group, record->element);
  const NEMA_db_Entry *entry = record->dictionary;
  if (!record->dictionary_VR && entry && entry->VR_count > 0) record->dictionary_VR = (int16_t)entry->VR[0];
}

// ---- VR check ---------------------------------------------------------------------------------------

bool DICOM_VR_Is_Standard(uint16_t vr)
{
  switch (vr) {  // asked for every element read: a switch, not a search
  case DICOM_VR_AE: case DICOM_VR_AS: case DICOM_VR_AT: case DICOM_VR_CS: case DICOM_VR_DA: case DICOM_VR_DS:
  case DICOM_VR_DT: case DICOM_VR_FD: case DICOM_VR_FL: case DICOM_VR_IS: case DICOM_VR_LO: case DICOM_VR_LT:
  case DICOM_VR_OB: case DICOM_VR_OD: case DICOM_VR_OF: case DICOM_VR_OL: case DICOM_VR_OV: case DICOM_VR_OW:
  case DICOM_VR_PN: case DICOM_VR_SH: case DICOM_VR_SL: case DICOM_VR_SQ: case DICOM_VR_SS: case DICOM_VR_ST:
  case DICOM_VR_SV: case DICOM_VR_TM: case DICOM_VR_UC: case DICOM_VR_UH: case DICOM_VR_UI: case DICOM_VR_UL:
  case DICOM_VR_UN: case DICOM_VR_UR: case DICOM_VR_US: case DICOM_VR_UT: case DICOM_VR_UV:
    return true;
  default:
    return false;
  }
}

static char VR_High(uint16_t vr) { return (char)(vr >> 8); }
static char VR_Low(uint16_t vr) { return (char)(vr & 0xFF); }

// The notice of a VR that is none of the entry's alternatives.
static void Mismatch_Notice(Window_Handle owner, const DICOM_Attribute *record, const NEMA_db_Entry *entry)
{
  char tag[64], expected[64];
  std::snprintf(tag, sizeof tag, "\x02    (\x01%04x\x02,\x01%04x\x02)", record->group, record->element);
  const uint16_t *vr = entry->VR;
  if (entry->VR_count == 1)
    std::snprintf(expected, sizeof expected, "(=\x01%c%c\x02)", VR_High(vr[0]), VR_Low(vr[0]));
  else if (entry->VR_count == 2)
    std::snprintf(expected, sizeof expected, "(=\x01%c%c\x02 or \x01%c%c\x02)", VR_High(vr[0]), VR_Low(vr[0]),
                  VR_High(vr[1]), VR_Low(vr[1]));
  else
    std::snprintf(expected, sizeof expected, "(=\x01%c%c\x02, \x01%c%c\x02 or \x01%c%c\x02)", VR_High(vr[0]),
                  VR_Low(vr[0]), VR_High(vr[1]), VR_Low(vr[1]), VR_High(vr[2]), VR_Low(vr[2]));
  NEMA_Notice(owner, "%s Explicit VR (=\x01%c%c\x02) does not match definition! %s", tag, VR_High(record->VR),
              VR_Low(record->VR), expected);
}

static bool Entry_Allows(const NEMA_db_Entry *entry, uint16_t vr)
{
  for (int i = 0; i < entry->VR_count; i++)
    if (entry->VR[i] == vr) return true;
  return false;
}

// ---- derivation ---------------------------------------------------------------------------------------

// Whether every character of `text` (backslashes aside) is in `allowed` or passes `test`.
static bool All_Of(const char *text, size_t length, const char *allowed, int (*test)(int))
{
  for (size_t i = 0; i < length; i++) {
    unsigned char c = (unsigned char)text[i];
    if (c == '\\' || (test && test(c)) || (c && std::strchr(allowed, c))) continue;
    return false;
  }
  return true;
}

static int Is_Upper_Or_Digit(int c) { return std::isupper(c) || std::isdigit(c); }

// Guesses the VR of a text value of `length` characters (no NUL among them).
static uint16_t Text_VR(const char *text, size_t length)
{
  size_t longest = 0, run = 0;
  bool has_backslash = false;
  for (size_t i = 0; i < length; i++) {
    if (text[i] == '\\') {
      has_backslash = true;
      run = 0;
      continue;
    }
    if (++run > longest) longest = run;
  }
  if (longest >= 17 && longest <= 64 && All_Of(text, length, ".", isdigit)) return DICOM_VR_UI;
  if (longest <= 12 && All_Of(text, length, "+-", isdigit)) return DICOM_VR_IS;
  if (longest <= 16 && All_Of(text, length, ".+-eE", isdigit)) return DICOM_VR_DS;
  if (longest <= 16 && All_Of(text, length, "_ ", Is_Upper_Or_Digit)) return DICOM_VR_CS;
  return has_backslash && longest < 17 ? DICOM_VR_SH : DICOM_VR_ST;
}

// Guesses a VR from the value of a record that carries none and that the dictionary does
// not know; 0 when nothing fits.
static uint16_t Derive_VR(const DICOM_Attribute *record)
{
  if (record->size > VALUE_READ_MAX) return DICOM_VR_OB;
  if (!record->data || record->size <= 0) return 0;
  if (record->element == 0x0000) return DICOM_VR_UL;
  if ((record->group & 1) && record->element >= 0x0010 && record->element <= 0x00FF) return DICOM_VR_LO;
  const char *text = (const char *)record->data;
  size_t length = (size_t)record->size;
  if (text[length - 1] == '\0') length--;  // a UID's padding
  bool printable = length > 0;
  for (size_t i = 0; i < length && printable; i++) {
    unsigned char c = (unsigned char)text[i];
    printable = std::isprint(c) || c == '\t' || c == '\r' || c == '\n';
  }
  if (printable) return Text_VR(text, length);
  if (record->size == 4) {
    int32_t number = (int32_t)NEMA_Convert_32(record->mode, record->data);
    if (number >= -999999 && number <= 999999) return DICOM_VR_SL;
    uint32_t bits = NEMA_Convert_32(record->mode, record->data);
    float real;
    std::memcpy(&real, &bits, sizeof real);
    if (real != 0 && real >= -100000 && real <= 100000) return DICOM_VR_FL;
    return 0;
  }
  return record->size == 2 ? DICOM_VR_SS : 0;
}

void DICOM_Attribute_Check_VR(Window_Handle owner, DICOM_Attribute *record)
{
  if (record->VR == DICOM_VR_OX) {
    record->VR = DICOM_VR_OW;
    record->flags |= DICOM_FLAG_REPAIRED;
    NEMA_Warning(owner, "(\x01%04x\x02,\x01%04x\x02) Explicit VR=\x01OX\x02 is invalid!", record->group,
                 record->element);
  } else if (record->VR && !DICOM_VR_Is_Standard(record->VR)) {
    record->VR = 0;
  }
  if (record->group == 0xFFFE) return;
  Attach_Entry(record);
  const NEMA_db_Entry *entry = record->dictionary;
  if (record->VR && entry && entry->VR_count > 0 && !Entry_Allows(entry, record->VR)) {
    Mismatch_Notice(owner, record, entry);
    return;
  }
  if (record->dictionary_VR == (int16_t)DICOM_VR_RT)
    record->dictionary_VR = (int16_t)(record->size == 2 ? DICOM_VR_US : record->size == 4 ? DICOM_VR_UL : DICOM_VR_OB);
  if (!record->VR && !record->dictionary_VR) {
    record->flags |= DICOM_FLAG_VR_UNKNOWN;
    record->dictionary_VR = (int16_t)Derive_VR(record);
  }
}

// ---- complement -------------------------------------------------------------------------------------------

// Replaces the record's description by `text`, cut to 279 characters. Returns 1, or 0
// after reporting a failed copy. Most descriptions are fixed texts: no formatting.
static int Describe_Text(DICOM_Attribute *record, const char *text)
{
  char *copy = NEMA_Strndup(text, DESCRIPTION_MAX, __LINE__, UNIT, "tag->description");
  if (!copy) return 0;
  std::free(record->description);
  record->description = copy;
  return 1;
}

// As Describe_Text with the formatted text.
static int Describe(DICOM_Attribute *record, const char *format, ...) __attribute__((format(printf, 2, 3)));
static int Describe(DICOM_Attribute *record, const char *format, ...)
{
  char text[DESCRIPTION_MAX + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return Describe_Text(record, text);
}

// The heading of a group length element, with its markup, or nullptr when the group has none.
static const char *Group_Heading(uint16_t group)
{
  switch (group) {
  case 0x0002: return "\xF1\x02" "===== Group 0002 (File) ==============";
  case 0x0008: return "\xF1\x02" "===== Group 0008 (Identifying) =======";
  case 0x0010: return "\xF1\x02" "===== Group 0010 (Patient) ===========";
  case 0x0018: return "\xF1\x02" "===== Group 0018 (Acquisition) =======";
  case 0x0020: return "\xF1\x02" "===== Group 0020 (Relationship) ======";
  case 0x0028: return "\xF1\x02" "===== Group 0028 (Presentation) ======";
  case 0x7FE0: return "\xF1\x02" "===== Group 7FE0 (Image Data) ========";
  default: return nullptr;
  }
}

static int Complement_Group_Length(DICOM_Attribute *record)
{
  record->dictionary_VR = (int16_t)DICOM_VR_UL;
  const char *heading = Group_Heading(record->group);
  if (heading) return Describe_Text(record, heading);
  if (record->size == 4) return Describe(record, "\xF1\x02===== Group %04x =====================", record->group);
  return 1;
}

namespace {
// A private creator of one list: its record, and once one of its elements needs them,
// its text (cut to 64 characters and trimmed) and its private dictionary.
struct Creator {
  const DICOM_Attribute *record;
  bool resolved;
  char text[CREATOR_MAX + 1];
  const DICOM_Private_Dictionary *dictionary;
};
}  // namespace

// The private creators of one list with a value, by group and block ((gggg,00bb) under
// gggg << 8 | bb): the first record of each wins. Built once per list, so a list of many
// private elements costs linear time, and each creator is looked up once per list.
typedef std::unordered_map<uint32_t, Creator> Creator_Index;

static Creator_Index Creators_Of(const DICOM_Attribute *list)
{
  Creator_Index creators;
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if ((r->group & 1) && r->element <= 0x00FF && r->data && r->size > 0)
      creators.emplace((uint32_t)r->group << 8 | r->element, Creator{r, false, "", nullptr});
  return creators;
}

// The creator of the private element `record` with its text and dictionary, or nullptr
// when the list has none with a text.
static const Creator *Creator_Of(Window_Handle owner, Creator_Index &creators, const DICOM_Attribute *record)
{
  auto found = creators.find((uint32_t)record->group << 8 | (uint32_t)(record->element >> 8));
  if (found == creators.end()) return nullptr;
  Creator &creator = found->second;
  if (!creator.resolved) {
    creator.resolved = true;
    const DICOM_Attribute *r = creator.record;
    size_t length = std::min<size_t>((size_t)r->size, CREATOR_MAX);
    const char *text = (const char *)r->data;
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) length--;
    size_t start = 0;
    while (start < length && text[start] == ' ') start++;
    std::snprintf(creator.text, sizeof creator.text, "%.*s", (int)(length - start), text + start);
    if (creator.text[0]) creator.dictionary = DICOM_Module_Private_Dictionary(owner, creator.text);
  }
  return creator.text[0] ? &creator : nullptr;
}

// A private creator element, or a private element: its name and VR from its creator's
// private dictionary, else its creator's text as description.
static int Complement_Private(Window_Handle owner, Creator_Index &creators, DICOM_Attribute *record)
{
  if (record->element >= 0x0010 && record->element <= 0x00FF) {
    record->dictionary_VR = (int16_t)DICOM_VR_LO;
    return Describe_Text(record, "Private Creator Data Element");
  }
  if (record->element < 0x1000) return 1;
  const Creator *creator = Creator_Of(owner, creators, record);
  if (!creator) return 1;
  if (DICOM_Module_Private_Apply(owner, creator->dictionary, record) && record->description) return 1;
  return Describe_Text(record, creator->text);
}

// One element of a vendor group: its VR and description.
struct Vendor_Element {
  uint16_t element;
  uint16_t vr;
  const char *description;
};

static int Complement_Vendor(Window_Handle owner, DICOM_Attribute *record, const char *function,
                             const Vendor_Element *elements, int count)
{
  Message_Log(owner, MSG_TRACE + 4, "in %s(%04x,%04x)", function, record->group, record->element);
  for (int i = 0; i < count; i++)
    if (elements[i].element == record->element) {
      record->dictionary_VR = (int16_t)elements[i].vr;
      return Describe_Text(record, elements[i].description);
    }
  return 1;
}

// Compression information of group 1000.
static int Complement_1000(Window_Handle owner, DICOM_Attribute *record)
{
  static const Vendor_Element elements[] = {
      {0x0000, DICOM_VR_LT, "---- ---- Group 1000: Compression Info ---- ----"},
      {0x0010, DICOM_VR_US, "Huffman:"},
      {0x0012, DICOM_VR_US, "Nb. Huffman Values:"},
      {0x0013, DICOM_VR_SS, "Huffman Values:"},
  };
  return Complement_Vendor(owner, record, "SPI_Complement_1000", elements, 4);
}

// Siemens compressed pixel data in groups 7F00 to 7FDF.
static int Complement_7Fxx(Window_Handle owner, DICOM_Attribute *record)
{
  static const Vendor_Element elements[] = {
      {0x0000, DICOM_VR_UL, "Siemens Compression: Group Name"},
      {0x0010, DICOM_VR_OB, "Siemens Compression: Data"},
      {0x0011, DICOM_VR_OW, "Siemens Compression: Next Group"},
  };
  return Complement_Vendor(owner, record, "SPI_Complement_7Fxx", elements, 3);
}

// Pixel data and the item tags.
static int Complement_Structure(DICOM_Attribute *record)
{
  if (record->group == 0x7FE0 && record->element == 0x0010) {
    record->dictionary_VR = (int16_t)DICOM_VR_OB;
    return Describe_Text(record, "Pixel Data");
  }
  if (record->group != 0xFFFE) return 1;
  switch (record->element) {
  case 0xE000: return Describe_Text(record, "\x01Item");
  case 0xE00D: return Describe_Text(record, "\x01Item Delimitation Item");
  case 0xE0DD: return Describe_Text(record, "\x01Sequence Delimitation Item");
  default: return 1;
  }
}

// Completes one record of a list; returns 1, or 0 when its description failed.
static int Complement_Record(Window_Handle owner, Creator_Index &creators, DICOM_Attribute *record)
{
  Message_Log(owner, MSG_TRACE + 4, "DICOM_Attribute_Complement (%04x,%04x)", record->group, record->element);
  Attach_Entry(record);
  if (record->element == 0x0000 && !record->description) return Complement_Group_Length(record);
  bool is_private = record->flags & DICOM_FLAG_PRIVATE;
  if (record->group & 1) return Complement_Private(owner, creators, record);
  if (record->group == 0x1000 && is_private) return Complement_1000(owner, record);
  if (record->group >= 0x7F00 && record->group <= 0x7FDF && is_private) return Complement_7Fxx(owner, record);
  return Complement_Structure(record);
}

// Completes `list` and the lists of its items (nesting is at most ten deep).
static int Complement_List(Window_Handle owner, DICOM_Attribute *list)
{
  int failed = 0;
  Creator_Index creators = Creators_Of(list);
  for (DICOM_Attribute *record = list; record; record = record->next) {
    if (!Complement_Record(owner, creators, record)) failed++;
    for (int32_t i = 0; i < record->count; i++) failed += Complement_List(owner, record->item[i]);
  }
  return failed;
}

int DICOM_Attribute_Complement(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute *list)
{
  int failed = Complement_List(owner, list);
  if (root) DICOM_Attribute_Sequence_Reset(owner, root);
  return failed;
}
