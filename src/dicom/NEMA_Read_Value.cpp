// Value decoding. Each decoder finds the value bytes (the attribute's own, or read from
// the value source when the header reader skipped them), checks the VR, and fills the
// next slot of its rotating pool. Text VRs are split at backslashes; numbers stored as
// bytes are converted by the mode the attribute was read in (dicom/NEMA_Read_Data.h).
//
// Index: value source / value bytes and VR / pools / dates and times / numbers /
//        buffers / names / strings / release.
#include "dicom/NEMA_Read_Value.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Pool.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Read_TAG.h"
#include "dicom/NEMA_Source.h"
#include "util/error_text.h"
#include "util/message_log.h"

static const char UNIT[] = "NEMA_Read_Value";

enum {
  VALUE_READ_MAX = 1024,
  DATE_TEXT = 10,
  TIME_TEXT = 10,
  NAME_GROUPS = 5,
  SOURCE_WINDOW = 4096,  // a file value source reads its meta group in one block
  PART10_PREAMBLE = 132, // preamble and "DICM"
  META_GROUP = 0x0002,
};

// ---- value source -------------------------------------------------------------------------------

namespace {
struct Value_Source {
  int kind = 0;  // 0 none, NEMA_SOURCE_FILE + 1, NEMA_SOURCE_MEMORY + 1
  std::string path;
  const void *base = nullptr;
  int64_t size = 0;
};
}  // namespace

static std::mutex source_lock;
static Value_Source value_source;

void NEMA_Value_Source_File(const char *path)
{
  std::lock_guard<std::mutex> hold(source_lock);
  value_source = Value_Source{NEMA_SOURCE_FILE + 1, path ? path : "", nullptr, 0};
}

void NEMA_Value_Source_Memory(const void *base, int64_t size)
{
  std::lock_guard<std::mutex> hold(source_lock);
  value_source = Value_Source{NEMA_SOURCE_MEMORY + 1, "", base, size};
}

void NEMA_Value_Source_Clear()
{
  std::lock_guard<std::mutex> hold(source_lock);
  value_source = Value_Source{};
}

// Opens the value source as a byte source. Returns false when there is none or the file
// cannot be opened (reported).
static bool Open_Source(Window_Handle owner, const Value_Source &from, NEMA_Source *source)
{
  if (from.kind == NEMA_SOURCE_MEMORY + 1) {
    NEMA_Source_Memory(source, from.base, from.size, "memory");
    return true;
  }
  int fd = open(from.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int code = errno;
    Message_Log(owner, MSG_TRACE, "file:%s line:%d", UNIT, __LINE__);
    Message_Log(owner, MSG_WARNING, "%s", Error_Text(code));
    Message_Log(owner, MSG_WARNING, "file: (%s)", Log_Value_Escape(from.path).c_str());
    return false;
  }
  if (NEMA_Source_File(source, fd, from.path.c_str(), SOURCE_WINDOW)) return true;
  close(fd);
  return false;
}

// A value past the file meta information of a deflated data set lies in the inflated
// stream: walking the meta group's headers lets the header reader inflate the source,
// as it did for the walk that found the value. Any other stream stops at the first
// header past the group.
static void Follow_File_Meta(Window_Handle owner, NEMA_Source *source)
{
  unsigned char magic[4];
  if (!NEMA_Source_Seek(owner, source, PART10_PREAMBLE - 4) || NEMA_Source_Read(source, magic, 4) != 4 ||
      std::memcmp(magic, "DICM", 4))
    return;
  uint16_t group, element;
  int16_t VR;
  int32_t length;
  int64_t limit = source->size > 0 ? source->size : 0;
  while (NEMA_Get_Data_Element(owner, source, NEMA_MODE_EXPLICIT, &group, &element, &VR, &length,
                                limit) &&
         source->kind != NEMA_SOURCE_INFLATED && group == META_GROUP && length >= 0 && NEMA_Skip(owner, source, length)) {
  }
}

// Reads the skipped value of `tag` from the value source into `tag->data`. Returns
// false when there is no source or the value cannot be read (reported).
static bool Read_Missing(Window_Handle owner, DICOM_Attribute *tag)
{
  Value_Source from;
  {
    std::lock_guard<std::mutex> hold(source_lock);
    from = value_source;
  }
  if (!from.kind) return false;
  Message_Log(owner, MSG_TRACE, "Reading missing: %d bytes at %d", tag->size, (int)tag->value_position);
  NEMA_Source source;
  if (!Open_Source(owner, from, &source)) return false;
  unsigned char *bytes = nullptr;
  if (tag->value_position > PART10_PREAMBLE) Follow_File_Meta(owner, &source);
  if (NEMA_Source_Seek(owner, &source, tag->value_position))
    bytes = NEMA_Read_Buffer(owner, &source, tag->mode, tag->size);
  NEMA_Source_Close(&source);
  if (!bytes) {
    Message_Log(owner, MSG_TRACE, "file:%s line:%d", UNIT, __LINE__);
    return false;
  }
  tag->data = bytes;
  return true;
}

// ---- value bytes and VR ----------------------------------------------------------------------------

// The bytes of `tag`'s value, or nullptr when it is empty or cannot be had.
static const unsigned char *Value_Bytes(Window_Handle owner, DICOM_Attribute *tag)
{
  if (tag->size <= 0) return nullptr;
  if (tag->data) return tag->data;
  if (tag->size <= VALUE_READ_MAX || !Read_Missing(owner, tag)) return nullptr;
  return tag->data;
}

// The VR to decode by: the one asked for, else the attribute's, else the dictionary's.
static uint16_t Decode_VR(const DICOM_Attribute *tag, uint16_t VR)
{
  if (VR) return VR;
  return tag->VR ? tag->VR : (uint16_t)tag->dictionary_VR;
}

// The trace of a VR a decoder does not take; `accepted` completes the message.
static void Bad_VR(Window_Handle owner, const DICOM_Attribute *tag, uint16_t VR, int line, const char *accepted)
{
  Message_Log(owner, MSG_TRACE + 3, "File:%s, Line:%d", UNIT, line);
  Message_Log(owner, MSG_TRACE + 3, "(%04x,%04x): bad VR value (%c%c) != %s)", tag->group, tag->element,
              (char)(VR >> 8), (char)(VR & 0xFF), accepted);
}

static bool VR_In(uint16_t VR, std::initializer_list<uint16_t> list)
{
  for (uint16_t code : list)
    if (code == VR) return true;
  return false;
}

// Starts a decoder: `vm` 0, the VR to decode by (in `*VR`), its check against
// `accepted` (a refused VR is traced, `refused` completing the message) and the value
// bytes. Returns the bytes, or nullptr when the VR is refused or there are none.
static const unsigned char *Decoder_Start(Window_Handle owner, DICOM_Attribute *tag, uint16_t *VR,
                                          std::initializer_list<uint16_t> accepted, const char *refused, int line)
{
  tag->vm = 0;
  *VR = Decode_VR(tag, *VR);
  if (!VR_In(*VR, accepted)) {
    Bad_VR(owner, tag, *VR, line, refused);
    return nullptr;
  }
  return Value_Bytes(owner, tag);
}

// The value as text, cut at its first NUL.
static std::string Value_Text(const unsigned char *bytes, int32_t size)
{
  std::string text((const char *)bytes, (size_t)size);
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

// The values of a text, cut at every backslash (an empty text gives one empty value).
static std::vector<std::string_view> Split(const std::string &text)
{
  std::vector<std::string_view> values;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\\', start);
    values.emplace_back(text.data() + start, (end == std::string::npos ? text.size() : end) - start);
    if (end == std::string::npos) return values;
    start = end + 1;
  }
}

// ---- pools -----------------------------------------------------------------------------------------

// A pool of 128 growable arrays of T; a slot's array is reallocated to each call's count.
template <typename T> struct Array_Pool {
  std::atomic<unsigned> next{0};
  T *slot[NEMA_POOL_SLOTS] = {};
  uint32_t count[NEMA_POOL_SLOTS] = {};
};

// Takes the next slot of `pool` and sizes its array to `count` elements (at least one).
// `clear` releases what the slot's previous elements own. Returns the array, or
// nullptr after reporting a failed allocation.
template <typename T>
static T *Take_Slot(Array_Pool<T> &pool, uint32_t count, void (*clear)(std::type_identity_t<T> *), int line, const char *var)
{
  unsigned i = NEMA_Pool_Next(pool.next);
  if (clear)
    for (uint32_t k = 0; k < pool.count[i]; k++) clear(&pool.slot[i][k]);
  pool.count[i] = 0;
  size_t bytes = sizeof(T) * (count ? count : 1);
  T *grown = (T *)std::realloc(pool.slot[i], bytes);
  if (!grown) {
    NEMA_Memory_Error(line, UNIT, "realloc", var, (long)count, (long)sizeof(T));
    return nullptr;
  }
  std::memset((void *)grown, 0, bytes);
  pool.slot[i] = grown;
  pool.count[i] = count;
  return grown;
}

template <typename T> static void Release_Pool(Array_Pool<T> &pool, void (*clear)(std::type_identity_t<T> *))
{
  for (unsigned i = 0; i < NEMA_POOL_SLOTS; i++) {
    if (clear)
      for (uint32_t k = 0; k < pool.count[i]; k++) clear(&pool.slot[i][k]);
    std::free(pool.slot[i]);
    pool.slot[i] = nullptr;
    pool.count[i] = 0;
  }
}

static void Clear_String(char **text)
{
  std::free(*text);
  *text = nullptr;
}

static Array_Pool<Ardent_Date> date_pool;
static Array_Pool<Ardent_Time> time_pool;
static Array_Pool<float> float_pool;
static Array_Pool<int32_t> int_pool;
static Array_Pool<unsigned char> buffer_pool;
static Array_Pool<Ardent_Name> name_pool;
static Array_Pool<char *> string_pool;

// ---- dates and times -----------------------------------------------------------------------------------

Ardent_Date *DICOM_Value_Date(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes = Decoder_Start(owner, tag, &VR, {DICOM_VR_DA, DICOM_VR_DT}, "DA,DT", __LINE__);
  if (!bytes) return nullptr;
  std::string text = Value_Text(bytes, std::min(tag->size, (int32_t)DATE_TEXT));
  const char *tmplt;
  if (VR == DICOM_VR_DA) {
    tmplt = tag->size == 6 ? "yymmdd" : tag->size == 8 ? "yyyymmdd" : tag->size == 10 ? "yyyy.mm.dd" : nullptr;
    if (!tmplt) return nullptr;
  } else if (text.size() > 4 && text[4] == '.') {
    tmplt = "yyyy.mm.dd";
  } else {
    text.resize(std::min<size_t>(text.size(), 8));
    tmplt = "yyyymmdd";
  }
  Ardent_Date *date = Take_Slot(date_pool, 1, Free_Ardent_Date, __LINE__, "Ardent_Date[cc]");
  if (!date || !Make_Ardent_Date_From_Str(date, text.c_str(), tmplt)) return nullptr;
  tag->vm = 1;
  return date;
}

// The decimal value of text[from, to), digits only (0 when there are none).
static int Digits(const std::string &text, size_t from, size_t to)
{
  int value = 0;
  for (size_t i = from; i < to && i < text.size() && std::isdigit((unsigned char)text[i]); i++)
    value = value * 10 + (text[i] - '0');
  return value;
}

// The time part of a DT value "YYYYMMDDHHMMSS.FFFFFF&ZZXX": hour and minute with the UTC
// offset added, seconds with fraction; hours and minutes then brought back into range.
static void Read_DT_Time(const std::string &text, Ardent_Time *time)
{
  size_t sign_at = text.find_first_of("+-", 12);
  int sign = 0, offset_hours = 0, offset_minutes = 0;
  if (sign_at != std::string::npos) {
    sign = text[sign_at] == '-' ? -1 : 1;
    offset_hours = Digits(text, sign_at + 1, sign_at + 3);
    offset_minutes = Digits(text, sign_at + 3, sign_at + 5);
  }
  size_t seconds_end = sign_at == std::string::npos ? text.size() : sign_at;
  double second = text.size() > 12 ? std::strtod(text.substr(12, seconds_end - 12).c_str(), nullptr) : 0;
  if (!std::isfinite(second) || std::fabs(second) > 1e6) second = 0;
  int hour = Digits(text, 8, 10) + sign * offset_hours;
  int minute = Digits(text, 10, 12) + sign * offset_minutes;
  int carry = (int)std::floor(minute / 60.0);
  hour += carry;
  minute -= 60 * carry;
  Ardent_Time_Set(time, (hour % 24 + 24) % 24, minute, (float)second);
}

Ardent_Time *DICOM_Value_Time(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes = Decoder_Start(owner, tag, &VR, {DICOM_VR_TM, DICOM_VR_DT}, "DT,TM", __LINE__);
  if (!bytes) return nullptr;
  Ardent_Time *time = Take_Slot(time_pool, 1, Free_Ardent_Time, __LINE__, "Ardent_Time[cc]");
  if (!time) return nullptr;
  if (VR == DICOM_VR_TM) {
    std::string text = Value_Text(bytes, std::min(tag->size, (int32_t)TIME_TEXT));
    const char *tmplt = text.size() > 2 && (text[2] == ':' || text[2] == '.') ? "hh:mm:ss.ffff" : "hhmmss.ffffff";
    if (!Make_Ardent_Time_From_Str(time, text.c_str(), tmplt)) return nullptr;
  } else {
    std::string text = Value_Text(bytes, tag->size);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() > 8 && text[4] != '.') Read_DT_Time(text, time);
  }
  tag->vm = 1;
  return time;
}

// ---- numbers -------------------------------------------------------------------------------------------------

// Reads split text numbers into a slot of `pool`: IS as integers, DS as decimals.
// A number as the pool's element type: integers truncated toward zero, and both kinds
// held to their type's range (a text such as "1e99" or "nan" must not overflow).
static int32_t Number_As(double value, int32_t *)
{
  if (std::isnan(value)) return 0;
  return (int32_t)std::clamp(std::trunc(value), (double)INT32_MIN, (double)INT32_MAX);
}
static float Number_As(double value, float *)
{
  if (std::isnan(value)) return value;
  return (float)std::clamp(value, (double)-FLT_MAX, (double)FLT_MAX);
}

template <typename T>
static T *Text_Numbers(Array_Pool<T> &pool, DICOM_Attribute *tag, const unsigned char *bytes, bool integer, int line,
                       const char *var)
{
  std::string text = Value_Text(bytes, tag->size);
  std::vector<std::string_view> values = Split(text);
  T *out = Take_Slot(pool, (uint32_t)values.size(), nullptr, line, var);
  if (!out) return nullptr;
  for (size_t i = 0; i < values.size(); i++) {
    std::string value(values[i]);
    double number = integer ? (double)std::strtoll(value.c_str(), nullptr, 10) : std::strtod(value.c_str(), nullptr);
    out[i] = Number_As(number, out);
  }
  tag->vm = (uint32_t)values.size();
  return out;
}

float *DICOM_Value_Float(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes = Decoder_Start(owner, tag, &VR, {DICOM_VR_IS, DICOM_VR_DS, DICOM_VR_FL, DICOM_VR_FD}, "IS,DS,FL,FD", __LINE__);
  if (!bytes) return nullptr;
  if (VR == DICOM_VR_IS || VR == DICOM_VR_DS)
    return Text_Numbers(float_pool, tag, bytes, VR == DICOM_VR_IS, __LINE__, "V_Float[cc]");
  int unit = VR == DICOM_VR_FD ? 8 : 4;
  if (tag->size % unit) return nullptr;
  uint32_t count = (uint32_t)(tag->size / unit);
  float *out = Take_Slot(float_pool, count, nullptr, __LINE__, "V_Float[cc]");
  if (!out) return nullptr;
  for (uint32_t i = 0; i < count; i++) {
    if (unit == 8) {
      uint64_t bits = NEMA_Convert_64(tag->mode, bytes + 8 * i);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      out[i] = Number_As(value, out);
    } else {
      uint32_t bits = NEMA_Convert_32(tag->mode, bytes + 4 * i);
      std::memcpy(&out[i], &bits, sizeof out[i]);
    }
  }
  tag->vm = count;
  return out;
}

int32_t *DICOM_Value_Int(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  VR = Decode_VR(tag, VR);
  if (VR == DICOM_VR_RT) VR = tag->size == 2 ? DICOM_VR_US : tag->size == 4 ? DICOM_VR_UL : DICOM_VR_OB;
  const unsigned char *bytes =
      Decoder_Start(owner, tag, &VR,
                    {DICOM_VR_IS, DICOM_VR_DS, DICOM_VR_US, DICOM_VR_UH, DICOM_VR_SS, DICOM_VR_OW, DICOM_VR_UL,
                     DICOM_VR_SL, DICOM_VR_AT},
                    "DS,IS,US,UH,UL,SS,SL", __LINE__);
  if (!bytes) return nullptr;
  bool short_signed = VR_In(VR, {DICOM_VR_SS, DICOM_VR_OW});
  bool wide = VR_In(VR, {DICOM_VR_UL, DICOM_VR_SL, DICOM_VR_AT});
  if (VR == DICOM_VR_IS) return Text_Numbers(int_pool, tag, bytes, true, __LINE__, "V_Int[cc]");
  if (VR == DICOM_VR_DS) return Text_Numbers(int_pool, tag, bytes, false, __LINE__, "V_Int[cc]");
  int unit = wide ? 4 : 2;
  uint32_t count = (uint32_t)(tag->size / unit);
  int32_t *out = Take_Slot(int_pool, count, nullptr, __LINE__, "V_Int[cc]");
  if (!out) return nullptr;
  for (uint32_t i = 0; i < count; i++) {
    if (wide) {
      out[i] = (int32_t)NEMA_Convert_32(tag->mode, bytes + 4 * i);
    } else {
      uint16_t value = NEMA_Convert_16(tag->mode, bytes + 2 * i);
      out[i] = short_signed ? (int32_t)(int16_t)value : (int32_t)value;
    }
  }
  tag->vm = count;
  return out;
}

// ---- buffers -----------------------------------------------------------------------------------------------------

unsigned char *DICOM_Value_Buffer(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes = Decoder_Start(owner, tag, &VR, {DICOM_VR_OB, DICOM_VR_OW, DICOM_VR_OX, DICOM_VR_UN}, "OB or OW", __LINE__);
  if (!bytes) return nullptr;
  unsigned char *out = Take_Slot(buffer_pool, (uint32_t)tag->size, nullptr, __LINE__, "Buffer[cc]");
  if (!out) return nullptr;
  std::memcpy(out, bytes, (size_t)tag->size);
  tag->vm = 1;
  return out;
}

// ---- names ----------------------------------------------------------------------------------------------------------

Ardent_Name *DICOM_Value_Name(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes = Decoder_Start(owner, tag, &VR, {DICOM_VR_PN}, "PN", __LINE__);
  if (!bytes) return nullptr;
  std::string text = Value_Text(bytes, tag->size);
  std::vector<std::string_view> values = Split(text);
  Ardent_Name *names = Take_Slot(name_pool, (uint32_t)values.size(), Free_Ardent_Name, __LINE__, "Ardent_Name[cc]");
  if (!names) return nullptr;
  for (size_t i = 0; i < values.size(); i++) {
    std::string_view value = values[i].substr(0, values[i].find('='));
    std::string parts[NAME_GROUPS];
    size_t start = 0;
    for (int k = 0; k < NAME_GROUPS && start <= value.size(); k++) {
      size_t end = value.find('^', start);
      parts[k] = std::string(value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    if (!Make_Ardent_Name_From_Parts(&names[i], parts[0].c_str(), parts[1].c_str(), parts[2].c_str(),
                                     parts[3].c_str(), parts[4].c_str()))
      return nullptr;
  }
  tag->vm = (uint32_t)values.size();
  return names;
}

// ---- strings -----------------------------------------------------------------------------------------------------------

char **NEMA_Value_Str(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR)
{
  const unsigned char *bytes =
      Decoder_Start(owner, tag, &VR,
                    {DICOM_VR_AE, DICOM_VR_CS, DICOM_VR_LO, DICOM_VR_SH, DICOM_VR_UC, DICOM_VR_UI, DICOM_VR_AS,
                     DICOM_VR_LT, DICOM_VR_ST, DICOM_VR_UT, DICOM_VR_UR, DICOM_VR_OB, DICOM_VR_UN},
                    "AE,AS,CS,LO,LT,SH,ST,UI,UT", __LINE__);
  if (!bytes) return nullptr;
  bool split = VR_In(VR, {DICOM_VR_AE, DICOM_VR_CS, DICOM_VR_LO, DICOM_VR_SH, DICOM_VR_UC, DICOM_VR_UI});
  std::string text = Value_Text(bytes, tag->size);
  std::vector<std::string_view> values;
  if (split) values = Split(text);
  else values.emplace_back(text);
  char **out = Take_Slot(string_pool, (uint32_t)values.size(), Clear_String, __LINE__, "V_Str[cc]");
  if (!out) return nullptr;
  for (size_t i = 0; i < values.size(); i++) {
    if (values[i].empty()) continue;
    out[i] = NEMA_Strndup(values[i].data(), values[i].size(), __LINE__, UNIT, "V_Str[cc][tag->vm]");
    if (!out[i]) return nullptr;
  }
  tag->vm = (uint32_t)values.size();
  return out;
}

// ---- release -------------------------------------------------------------------------------------------------------------

void NEMA_Read_Value_Release()
{
  Release_Pool(date_pool, Free_Ardent_Date);
  Release_Pool(time_pool, Free_Ardent_Time);
  Release_Pool(float_pool, nullptr);
  Release_Pool(int_pool, nullptr);
  Release_Pool(buffer_pool, nullptr);
  Release_Pool(name_pool, Free_Ardent_Name);
  Release_Pool(string_pool, Clear_String);
  NEMA_Value_Source_Clear();
}
