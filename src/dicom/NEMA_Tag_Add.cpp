// Attribute creation by VR. DICOM_Attribute_Add finds or places the record in tag order,
// then hands the caller's values to the encoder of the VR's family, which reads them
// from the argument list or from the caller's array alike (one small reader hides the
// two forms) and builds the value block: texts joined by backslashes and padded to an
// even length, numbers written byte by byte in little-endian order (so the result does
// not depend on the machine). The record is then cleaned by its VR.
//
// Index: arguments / blocks / text encoders / date and time encoders / number encoders /
//        encoders by VR / the record in its list / add.
#include "dicom/NEMA_Tag_Add.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dicom/NEMA_Little_Endian.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Cleanup.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

static const char UNIT[] = "NEMA_Tag_Add";

enum { NAME_TEXT = 512, NUMBER_TEXT = 64 };

// Seconds: a fraction below SECOND_WHOLE is dropped, one above SECOND_ROUND_UP rounds
// up to the next second; the day's last millisecond is written as LAST_TIME_OF_DAY.
constexpr double SECOND_WHOLE = 0.001, SECOND_ROUND_UP = 0.999;
static const char LAST_TIME_OF_DAY[] = "235959.999";

// ---- arguments ------------------------------------------------------------------------------------

namespace {
// The values of one call: `count` of them, in the argument list or in the array that
// the call's one value argument points to.
struct Values {
  int nb_arg;          // as the caller gave it (its sign names the form)
  int count;           // number of values
  va_list *list;       // the list form's arguments
  const void *array;   // the vector form's array (may be null)
  bool vector() const { return nb_arg < 0; }
};
}  // namespace

// Value `i` (taken in order from 0): read from the argument list as `List_Type`, or
// from the array of `Array_Type`.
template <typename List_Type, typename Array_Type> static Array_Type Next_Value(Values &values, int i)
{
  if (values.vector()) return ((const Array_Type *)values.array)[i];
  return (Array_Type)va_arg(*values.list, List_Type);
}

// The vector form of a family that has none: the warning, and no value.
static bool Vector_Refused(Window_Handle owner, const Values &values, const char *family)
{
  if (!values.vector()) return false;
  NEMA_Warning(owner, "VR=%s: vector fct not implemented (nb_arg=%d)", family, values.nb_arg);
  return true;
}

// ---- blocks -----------------------------------------------------------------------------------------

enum { PAD_NONE = -1, PAD_SPACE = ' ', PAD_NUL = '\0' };

// The value block of `bytes` with one `pad` byte added to an odd length (PAD_NONE:
// none). Returns a malloc'ed block and its size, or nullptr for an empty value or after
// reporting that memory ran out.
static unsigned char *Block(std::string bytes, int pad, int32_t *size)
{
  *size = 0;
  if (pad != PAD_NONE && bytes.size() % 2) bytes.push_back((char)pad);
  if (bytes.empty()) return nullptr;
  unsigned char *block = bytes.size() < INT32_MAX ? (unsigned char *)std::malloc(bytes.size()) : nullptr;
  if (!block) {
    NEMA_Memory_Error(__LINE__, UNIT, "malloc", "data", (long)bytes.size(), 1);
    return nullptr;
  }
  std::memcpy(block, bytes.data(), bytes.size());
  *size = (int32_t)bytes.size();
  return block;
}

static void Trace(Window_Handle owner, const char *encoder, const Values &values)
{
  Message_Log(owner, MSG_TRACE + 4, "in %s(nb_arg=%d)", encoder, values.nb_arg);
}

// Appends `text` as the next of a backslash-separated list of values.
static void Append_Value(std::string &out, bool first, const std::string &text)
{
  if (!first) out += '\\';
  out += text;
}

// ---- text encoders ------------------------------------------------------------------------------------

// AE, CS, LO, SH: strings joined by backslashes.
static unsigned char *DICOM_Tag_Add_VR_SH(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_VR_SH", values);
  std::string out;
  for (int i = 0; i < values.count; i++) {
    const char *text = Next_Value<const char *, const char *>(values, i);
    Append_Value(out, i == 0, text ? text : "");
  }
  return Block(out, PAD_SPACE, size);
}

// AS, LT, ST, UT: one string.
static unsigned char *DICOM_Tag_Add_UT(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_UT", values);
  if (Vector_Refused(owner, values, "Text")) return nullptr;
  if (values.count != 1) NEMA_Warning(owner, "VR=Text: only 1 value accepted (nb_arg=%d != 1)", values.nb_arg);
  const char *text = Next_Value<const char *, const char *>(values, 0);
  return Block(text ? text : "", PAD_SPACE, size);
}

// PN: names in their DICOM form, joined by backslashes.
static unsigned char *DICOM_Tag_Add_PN(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_PN", values);
  if (Vector_Refused(owner, values, "PN")) return nullptr;
  std::string out;
  for (int i = 0; i < values.count; i++) {
    const Ardent_Name *name = Next_Value<const Ardent_Name *, const Ardent_Name *>(values, i);
    char text[NAME_TEXT];
    Append_Value(out, i == 0, Ardent_Name_To_DICOM(name, text, sizeof text) ? text : "");
  }
  return Block(out, PAD_SPACE, size);
}

// UI: strings joined by backslashes; a missing string ends with no value.
static unsigned char *DICOM_Tag_Add_VR_UI(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_VR_UI", values);
  *size = 0;
  if (Vector_Refused(owner, values, "UI")) return nullptr;
  std::string out;
  for (int i = 0; i < values.count; i++) {
    const char *text = Next_Value<const char *, const char *>(values, i);
    if (!text) return nullptr;
    Append_Value(out, i == 0, text);
  }
  return Block(out, PAD_NUL, size);
}

// ---- date and time encoders ------------------------------------------------------------------------

// yyyymmdd of a date (an unresolved one resolved on a copy); "" when there is none.
static std::string Date_Text(const Ardent_Date &given)
{
  Ardent_Date date{};
  if (!Copy_Ardent_Date(&date, &given)) return "";
  if (date.type == 2) Check_Ardent_Date(&date, 0);
  char text[NUMBER_TEXT] = "";
  if (date.type == 1) std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
  Free_Ardent_Date(&date);
  return text;
}

// hhmmss of a time with its seconds: whole below a fraction of 0.001, rounded up to the
// next whole second above 0.999 (carried into minutes and hours), else to the
// millisecond. The last millisecond of the day stays 235959.999. "" when there is none.
static std::string Time_Text(const Ardent_Time &given)
{
  Ardent_Time time{};
  if (!Copy_Ardent_Time(&time, &given)) return "";
  Ardent_Time_Resolve(&time);  // resolves an unresolved time, brings a resolved one into range
  int type = time.type, hour = time.hour, minute = time.minute;
  double second = time.second;
  Free_Ardent_Time(&time);
  if (type != 1) return "";
  int whole = (int)std::floor(second);
  double fraction = second - whole;
  char text[NUMBER_TEXT];
  if (fraction > SECOND_ROUND_UP) {
    if (++whole == 60) {
      whole = 0;
      if (++minute == 60) {
        minute = 0;
        if (++hour == 24) return LAST_TIME_OF_DAY;
      }
    }
    fraction = 0;
  }
  if (fraction < SECOND_WHOLE)
    std::snprintf(text, sizeof text, "%02d%02d%02d", hour, minute, whole);
  else
    std::snprintf(text, sizeof text, "%02d%02d%06.3f", hour, minute, second);
  return text;
}

static unsigned char *DICOM_Tag_Add_DA(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_DA", values);
  std::string out;
  for (int i = 0; i < values.count; i++) Append_Value(out, i == 0, Date_Text(Next_Value<Ardent_Date, Ardent_Date>(values, i)));
  return Block(out, PAD_NONE, size);
}

static unsigned char *DICOM_Tag_Add_TM(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_TM", values);
  std::string out;
  for (int i = 0; i < values.count; i++) Append_Value(out, i == 0, Time_Text(Next_Value<Ardent_Time, Ardent_Time>(values, i)));
  return Block(out, PAD_NONE, size);
}

// DT: the date and the time of each value one after the other; no date, no value.
static unsigned char *DICOM_Tag_Add_DT(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_DT", values);
  std::string out;
  for (int i = 0; i < values.count; i++) {
    DICOM_Date_Time value;
    if (values.vector()) {
      value = ((const DICOM_Date_Time *)values.array)[i];
    } else {
      value.date = va_arg(*values.list, Ardent_Date);
      value.time = va_arg(*values.list, Ardent_Time);
    }
    std::string date = Date_Text(value.date);
    Append_Value(out, i == 0, date.empty() ? date : date + Time_Text(value.time));
  }
  return Block(out, PAD_NONE, size);
}

// ---- number encoders --------------------------------------------------------------------------------------

static unsigned char *DICOM_Tag_Add_DS(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_DS", values);
  std::string out;
  for (int i = 0; i < values.count; i++) {
    double number = Next_Value<double, double>(values, i);
    char text[NUMBER_TEXT] = "";
    if (std::isfinite(number)) std::snprintf(text, sizeof text, "%.7g", number);
    Append_Value(out, i == 0, text);
  }
  return Block(out, PAD_SPACE, size);
}

static unsigned char *DICOM_Tag_Add_IS(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_IS", values);
  std::string out;
  for (int i = 0; i < values.count; i++) Append_Value(out, i == 0, std::to_string(Next_Value<int, int>(values, i)));
  return Block(out, PAD_SPACE, size);
}

static unsigned char *DICOM_Tag_Add_FD(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_FD", values);
  std::string out;
  for (int i = 0; i < values.count; i++) {
    double number = Next_Value<double, double>(values, i);
    uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    NEMA_Append_Little_Endian(out, bits, 8);
  }
  return Block(out, PAD_NONE, size);
}

// A double as a float: finite values beyond the float range become the largest float
// of their sign (the plain conversion would be undefined).
static float To_Float(double number)
{
  if (!std::isfinite(number)) return (float)number;
  return (float)std::clamp(number, (double)-FLT_MAX, (double)FLT_MAX);
}

static unsigned char *DICOM_Tag_Add_FL(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_FL", values);
  std::string out;
  for (int i = 0; i < values.count; i++) {
    float number = values.vector() ? ((const float *)values.array)[i] : To_Float(va_arg(*values.list, double));
    uint32_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    NEMA_Append_Little_Endian(out, bits, 4);
  }
  return Block(out, PAD_NONE, size);
}

// AT: each pair of numbers is a tag, group then element, 16 bits each.
static unsigned char *DICOM_Tag_Add_AT(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_AT", values);
  if (Vector_Refused(owner, values, "AT")) return nullptr;
  int count = values.count;
  if (count % 2) {
    NEMA_Warning(owner, "VR=AT: only multiple of 2 accepted (nb_arg=%d != 2*n)", values.nb_arg);
    count = std::min(count, 2) & ~1;
  }
  std::string out;
  for (int i = 0; i < count; i++) NEMA_Append_Little_Endian(out, (uint16_t)Next_Value<int, int>(values, i), 2);
  return Block(out, PAD_NONE, size);
}

static unsigned char *DICOM_Tag_Add_OB(Window_Handle owner, int32_t *size, Values &values)
{
  Trace(owner, "DICOM_Tag_Add_OB", values);
  std::string out;
  for (int i = 0; i < values.count; i++) out += (char)Next_Value<int, unsigned char>(values, i);
  return Block(out, PAD_NUL, size);
}

// The binary integer VRs: `bytes` per value, read as `Array_Type` in the vector form.
template <typename List_Type, typename Array_Type>
static unsigned char *Integers(Window_Handle owner, const char *encoder, int32_t *size, Values &values, int bytes)
{
  Trace(owner, encoder, values);
  std::string out;
  for (int i = 0; i < values.count; i++)
    NEMA_Append_Little_Endian(out, (uint64_t)(int64_t)Next_Value<List_Type, Array_Type>(values, i), bytes);
  return Block(out, PAD_NONE, size);
}

static unsigned char *DICOM_Tag_Add_OW(Window_Handle owner, int32_t *size, Values &values)
{
  return Integers<int, uint16_t>(owner, "DICOM_Tag_Add_OW", size, values, 2);
}
static unsigned char *DICOM_Tag_Add_US(Window_Handle owner, int32_t *size, Values &values)
{
  return Integers<int, uint16_t>(owner, "DICOM_Tag_Add_US", size, values, 2);
}
static unsigned char *DICOM_Tag_Add_VR_SS(Window_Handle owner, int32_t *size, Values &values)
{
  return Integers<int, int16_t>(owner, "DICOM_Tag_Add_VR_SS", size, values, 2);
}
static unsigned char *DICOM_Tag_Add_SL(Window_Handle owner, int32_t *size, Values &values)
{
  return Integers<int, int32_t>(owner, "DICOM_Tag_Add_SL", size, values, 4);
}
static unsigned char *DICOM_Tag_Add_VR_UL(Window_Handle owner, int32_t *size, Values &values)
{
  return Integers<unsigned, uint32_t>(owner, "DICOM_Tag_Add_VR_UL", size, values, 4);
}

// ---- encoders by VR ------------------------------------------------------------------------------------

typedef unsigned char *(*Encoder)(Window_Handle owner, int32_t *size, Values &values);

static const struct {
  uint16_t VR;
  Encoder encode;
} ENCODERS[] = {
    {DICOM_VR_AE, DICOM_Tag_Add_VR_SH}, {DICOM_VR_CS, DICOM_Tag_Add_VR_SH}, {DICOM_VR_LO, DICOM_Tag_Add_VR_SH},
    {DICOM_VR_SH, DICOM_Tag_Add_VR_SH}, {DICOM_VR_AS, DICOM_Tag_Add_UT},    {DICOM_VR_LT, DICOM_Tag_Add_UT},
    {DICOM_VR_ST, DICOM_Tag_Add_UT},    {DICOM_VR_UT, DICOM_Tag_Add_UT},    {DICOM_VR_AT, DICOM_Tag_Add_AT},
    {DICOM_VR_DA, DICOM_Tag_Add_DA},    {DICOM_VR_DS, DICOM_Tag_Add_DS},    {DICOM_VR_DT, DICOM_Tag_Add_DT},
    {DICOM_VR_FD, DICOM_Tag_Add_FD},    {DICOM_VR_FL, DICOM_Tag_Add_FL},    {DICOM_VR_IS, DICOM_Tag_Add_IS},
    {DICOM_VR_OB, DICOM_Tag_Add_OB},    {DICOM_VR_OW, DICOM_Tag_Add_OW},    {DICOM_VR_PN, DICOM_Tag_Add_PN},
    {DICOM_VR_SL, DICOM_Tag_Add_SL},    {DICOM_VR_SS, DICOM_Tag_Add_VR_SS}, {DICOM_VR_TM, DICOM_Tag_Add_TM},
    {DICOM_VR_UI, DICOM_Tag_Add_VR_UI}, {DICOM_VR_UL, DICOM_Tag_Add_VR_UL}, {DICOM_VR_US, DICOM_Tag_Add_US},
};

// Encodes `values` into the value of `record` by its VR; SQ takes its first value as
// flags. A VR without an encoder is reported and gets no value.
static void Encode(Window_Handle owner, DICOM_Attribute *record, Values &values)
{
  Encoder encode = nullptr;
  for (const auto &entry : ENCODERS)
    if (entry.VR == record->VR) encode = entry.encode;
  if (!encode && record->VR != DICOM_VR_SQ) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\ntag (%04x,%04x) VR=%c%c not implemented", UNIT, __LINE__,
                record->group, record->element, (char)(record->VR >> 8), (char)(record->VR & 0xFF));
    return;
  }
  if (values.vector() && !values.array) return;
  if (encode)
    record->data = encode(owner, &record->size, values);
  else
    record->flags |= (uint16_t)Next_Value<int, int>(values, 0);
}

// ---- the record in its list ---------------------------------------------------------------------------

static uint32_t Tag_Key(uint16_t group, uint16_t element) { return (uint32_t)group << 16 | element; }

// Links `record` into the list `*head` after the last record with a smaller tag (or
// first), keeping the list's link to its last record.
static void Link_In_Order(DICOM_Attribute **head, DICOM_Attribute *record)
{
  uint32_t key = Tag_Key(record->group, record->element);
  DICOM_Attribute *after = nullptr, *tail = nullptr;
  for (DICOM_Attribute *r = *head; r; r = r->next) {
    if (Tag_Key(r->group, r->element) < key) after = r;
    tail = r;
  }
  if (after) {
    record->next = after->next;
    after->next = record;
    if (after == tail) (*head)->last = record;
    return;
  }
  record->next = *head;
  record->last = tail ? tail : record;
  if (*head) (*head)->last = nullptr;
  *head = record;
}

// The record (group, element) of the list the root's path names, made and placed when
// missing. Returns nullptr after reporting a failure.
static DICOM_Attribute *Find_Or_Place(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                      uint16_t group, uint16_t element)
{
  DICOM_Attribute **head = DICOM_Attribute_List_Head(root, list);
  for (DICOM_Attribute *r = head ? *head : nullptr; r; r = r->next)
    if (r->group == group && r->element == element) return r;
  DICOM_Attribute *record = (DICOM_Attribute *)std::calloc(1, sizeof(DICOM_Attribute));
  if (!record) {
    NEMA_Memory_Error(__LINE__, UNIT, "calloc", "tag", 1, (long)sizeof(DICOM_Attribute));
    return nullptr;
  }
  record->group = group;
  record->element = element;
  if (head) {
    record->level = (uint8_t)std::clamp(root->Sequence_Depth, 0, DICOM_SEQUENCE_LEVELS - 1);
    Link_In_Order(head, record);
    return record;
  }
  // Part of the path is missing: the list at its end is new, so appending keeps it ordered.
  if (DICOM_Attribute_Adopt(owner, root, list, record)) return record;
  std::free(record);
  return nullptr;
}

// ---- add -------------------------------------------------------------------------------------------------

DICOM_Attribute *DICOM_Attribute_Add(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                     uint16_t group, uint16_t element, uint16_t VR, int nb_arg, ...)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Attribute_Add(%04x,%04x) nb_arg=%d", group, element, nb_arg);
  DICOM_Attribute *record = Find_Or_Place(owner, root, list, group, element);
  if (!record || (record->flags && record->size != 0)) return *list;
  DICOM_Attribute_Value_Release(record);
  record->flags = DICOM_ORIGIN_ARDENT;
  record->mode = NEMA_MODE_EXPLICIT;
  record->VR = VR;
  record->dictionary = NEMA_db_Lookup(group, element);
  if (record->dictionary && record->dictionary->VR_count > 0) record->dictionary_VR = (int16_t)record->dictionary->VR[0];
  if (nb_arg) {
    va_list args;
    va_start(args, nb_arg);
    int count = nb_arg > 0 ? nb_arg : nb_arg == INT_MIN ? INT_MAX : -nb_arg;
    Values values{nb_arg, count, &args, nullptr};
    if (values.vector()) values.array = va_arg(args, const void *);
    Encode(owner, record, values);
    va_end(args);
  }
  if (!DICOM_Attribute_Cleanup_Tag(owner, record))
    NEMA_Warning(owner, "problem creating tag (\x01%04x\x02,\x01%04x\x02)", group, element);
  return *list;
}
