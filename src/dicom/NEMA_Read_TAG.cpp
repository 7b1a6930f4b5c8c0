// The data element header reader. A DICOM data element starts with its tag (group and
// element, 16 bits each) and goes on in one of three layouts (PS3.5 section 7.1):
//
//   explicit VR, 16-bit length:  tag(4) VR(2) length(2)              value
//   explicit VR, 32-bit length:  tag(4) VR(2) reserved(2) length(4)  value
//                                (OB OW OF OD OL OV SQ SV UC UN UR UT UV, and OX)
//   implicit VR:                 tag(4) length(4)                    value
//
// The file meta group (0002) is always explicit little endian; items and delimiters
// (FFFE,E000/E00D/E0DD) are always tag and 32-bit length. A length of 0xFFFFFFFF is
// undefined: the value runs to a delimiter. The reader returns items and delimiters as
// ordinary headers and never follows a value.
//
// Known manufacturer faults are mended on the way, each in its own function below. Every
// length is checked before the caller may skip or allocate: a length of 2^31 bytes or
// more and an undefined length where the element allows none cannot be followed, so the
// walk ends there with one warning that names the source, the tag and its offset; a
// length at or beyond the caller's limit ends it with a trace.
//
// The common case (implicit or explicit VR little endian, explicit VR big endian, the
// header inside the source's window, nothing to mend or report, no trace) is decoded in
// one place straight from memory; everything else goes through the general reader,
// which gives the same result wherever both apply.
//
// The header reader also follows the two encodings a stream may take before its first
// data set element: a file meta group that names the deflated transfer syntax makes the
// source inflate the rest of the stream (dicom/NEMA_Source_Inflate.h) once the group
// ends, and a stream without file meta information has its encoding guessed from its
// first element.
#include "dicom/NEMA_Read_TAG.h"

#include <cstdio>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Source_Inflate.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "util/message_log.h"

enum {
  META_GROUP = 0x0002,
  TRANSFER_SYNTAX_ELEMENT = 0x0010,  // (0002,0010) Transfer Syntax UID
  ITEM_GROUP = 0xFFFE,               // items and delimiters
  ITEM_ELEMENT = 0xE000,             // (FFFE,E000) Item
  PHILIPS_ITEM_GROUP = 0x3F3F,       // an item tag with its bytes turned into '?'
  SWAPPED_ITEM_GROUP = 0xFEFF,       // an item tag of the other byte order
  ITEM_END_ELEMENT = 0xE00D,         // (FFFE,E00D) Item Delimitation Item
  SEQUENCE_END_ELEMENT = 0xE0DD,     // (FFFE,E0DD) Sequence Delimitation Item
  PHILIPS_ITEM_ELEMENT = 0x003F,
  SWAPPED_ITEM_ELEMENT = 0x00E0,
  PIXEL_GROUP = 0x7FE0,              // (7FE0,0010) Pixel Data
  PIXEL_ELEMENT = 0x0010,
  SIEMENS_GROUP = 0x0009,            // private UL elements of length 6
  SIEMENS_UL_LENGTH = 6,
  SHORT_HEADER = 8,                  // tag, VR and 16-bit length; or tag and 32-bit length
  LONG_HEADER = 12,                  // tag, VR, reserved field and 32-bit length
  UID_MAX = 64,                      // the longest UI value
  BIG_ENDIAN_GROUP_MIN = 0x0400,     // a first group read little endian this high is big endian
  GUESS_BYTES = 6,                   // tag and VR of the first element
};

namespace {
// One element header as it is being read.
struct Header {
  int64_t position;  // P, the position of the tag
  int mode;          // the mode for this element (changed by group 0002, items, pixel data)
  uint16_t group, element;
  int16_t VR;
  int32_t length;
  bool delimiter;    // (FFFE,E00D) or (FFFE,E0DD)
};
}  // namespace

// Reads `count` bytes at absolute position `at` and returns to where the source stood.
// Returns 1 when they could be read.
static int Peek(Window_Handle owner, NEMA_Source *source, int64_t at, int count, unsigned char *bytes)
{
  int64_t back = NEMA_Source_Position(owner, source);
  if (at != back && !NEMA_Source_Seek(owner, source, at)) return 0;
  int got = NEMA_Source_Read(source, bytes, count) == count;
  return NEMA_Source_Seek(owner, source, back) && got;
}

static bool Upper_Case(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// VRs whose explicit form has a reserved field and a 32-bit length.
static bool Long_Form_VR(int16_t VR)
{
  switch ((uint16_t)VR) {
  case DICOM_VR_OB: case DICOM_VR_OW: case DICOM_VR_SQ: case DICOM_VR_UN: case DICOM_VR_UT:
  case DICOM_VR_OX: case DICOM_VR_OD: case DICOM_VR_OF: case DICOM_VR_OL: case DICOM_VR_OV:
  case DICOM_VR_SV: case DICOM_VR_UC: case DICOM_VR_UR: case DICOM_VR_UV:
    return true;
  default:
    return false;
  }
}

static char VR_Char(int16_t VR, int index)
{
  if (!VR) return '0';
  return (char)(index == 0 ? ((uint16_t)VR >> 8) : (VR & 0xFF));
}

static void Trace_Header(Window_Handle owner, const Header &h)
{
  Message_Log(owner, MSG_TRACE + 3, "[%06X] --> (%04x,%04x) VR:%c%c lenght:%08X (%d)", (unsigned)h.position, h.group,
              h.element, VR_Char(h.VR, 0), VR_Char(h.VR, 1), (unsigned)h.length, h.length);
}

static int Fail(Window_Handle owner, int level, const char *text)
{
  Message_Log(owner, MSG_TRACE + level - 1, "NEMA_Get_Data_Element() --> %s", text);
  return 0;
}

// ---- repairs ----------------------------------------------------------------------------

// Philips: item tags written as (3F3F,3F00), every byte above 0x7F turned into '?'.
static void Repair_Philips_Item(Window_Handle owner, Header &h)
{
  if (h.group != PHILIPS_ITEM_GROUP || h.element == PHILIPS_ITEM_ELEMENT) return;
  NEMA_Warning(owner, "Fix Philips bug: tag (3F3F,003F) replaced by (FFFE,E000)");
  h.group = ITEM_GROUP;
  h.element = ITEM_ELEMENT;
}

// Siemens: (0040,0275) written with a non-zero reserved field that holds the length of a
// value in no valid layout. The element comes back as (FFFF,FFFF) OB of that length so
// the caller skips it. Returns 1 when it applied.
static int Repair_Siemens_0040_0275(Window_Handle owner, Header &h, uint16_t reserved)
{
  if (!reserved || h.group != 0x0040 || h.element != 0x0275) return 0;
  NEMA_Warning(owner, "Fix Siemens bug: tag (0040,0275) is skipped");
  h.group = h.element = 0xFFFF;
  h.VR = (int16_t)DICOM_VR_OB;
  h.length = reserved;
  return 1;
}

// GE (quirk code 0x10): lengths of 13 written for values of 10 bytes. Returns 1 when
// it applied.
static int Repair_GE_Length(Window_Handle owner, Header &h)
{
  if (h.length != 13 || (h.mode & NEMA_MODE_QUIRK_MASK) != NEMA_MODE_QUIRK_GE) return 0;
  h.length = 10;
  NEMA_Warning(owner, "Fix GE bug: lenght from 13 to 10 in tag (%04x,%04x)", h.group, h.element);
  return 1;
}

// Siemens: private UL elements of group 0009 given length 6 whose value is four spaces
// (a CS of 4). Returns 1 when it applied.
static int Repair_Siemens_UL_6(Window_Handle owner, NEMA_Source *source, Header &h)
{
  unsigned char bytes[4];
  if (h.group != SIEMENS_GROUP || (uint16_t)h.VR != DICOM_VR_UL || h.length != SIEMENS_UL_LENGTH) return 0;
  if (!Peek(owner, source, NEMA_Source_Position(owner, source), 4, bytes)) return 0;
  if (NEMA_Convert_32(h.mode, bytes) != 0x20202020) return 0;
  h.length = 4;
  h.VR = (int16_t)DICOM_VR_CS;
  NEMA_Warning(owner, "Fix Siemens bug: lenght changed from 6 to 4 in tag (%04x,%04x)", h.group, h.element);
  return 1;
}

// Siemens: a raw JPEG stream as pixel data of undefined length, without items. The
// length is found by scanning 16-bit words for the JPEG end marker, within the limit.
// Returns 0 when the stream has no end marker within the limit.
static int Repair_Siemens_JPEG(Window_Handle owner, NEMA_Source *source, Header &h, int64_t limit)
{
  unsigned char bytes[4];
  if (h.group != PIXEL_GROUP || h.element != PIXEL_ELEMENT || h.length != -1) return 1;
  int64_t start = NEMA_Source_Position(owner, source);
  if (!Peek(owner, source, start, 4, bytes)) return 1;
  uint32_t head = NEMA_Convert_32(h.mode, bytes);
  uint16_t end_word;
  if (head == 0xE0FFD8FF)
    end_word = 0xD9FF;
  else if (head == 0xFFD8FFE0)
    end_word = 0xFFD9;
  else
    return 1;
  int64_t count = 0;
  bool found = false;
  while (limit && count < limit) {
    unsigned char word[2];
    if (NEMA_Source_Read(source, word, 2) != 2) break;
    if (NEMA_Convert_16(h.mode, word) == end_word) {
      found = true;
      break;
    }
    count += 2;
  }
  if (!NEMA_Source_Seek(owner, source, start) || !found || count + 2 > INT32_MAX) return 0;
  h.length = (int32_t)(count + 2);
  NEMA_Warning(owner, "Fix Siemens bug: lenght changed from -1 to %d in tag (%04x,%04x)", h.length, h.group, h.element);
  return 1;
}

// ---- common steps -----------------------------------------------------------------------

// Reads the group as it stands; group 0002 switches to little endian and takes its
// VR form from the bytes after the tag, other groups are put in the stream's order.
static int Read_Group(Window_Handle owner, NEMA_Source *source, Header &h, bool fuji)
{
  if (!NEMA_Read_Short(owner, source, 0, 2, &h.group)) return Fail(owner, 2, "failed to read group");
  if (fuji) return 1;
  if (h.group == 0x0002) {
    unsigned char vr[2];
    h.mode &= ~0x0F;
    if (Peek(owner, source, h.position + 4, 2, vr) && Upper_Case(vr[0]) && Upper_Case(vr[1]))
      h.mode |= NEMA_MODE_EXPLICIT;
  } else {
    if (h.mode & NEMA_MODE_BIG_ENDIAN) h.group = (uint16_t)(h.group << 8 | h.group >> 8);
    if (h.mode & NEMA_MODE_PAIR_SWAP) h.group = (uint16_t)(h.group << 8 | h.group >> 8);
  }
  return 1;
}

static int Read_Element(Window_Handle owner, NEMA_Source *source, Header &h)
{
  if (!NEMA_Read_Short(owner, source, h.mode, 2, &h.element)) return Fail(owner, 5, "failed to read element");
  Message_Log(owner, MSG_TRACE + 4, "--> reading (%04x,%04x)", h.group, h.element);
  return 1;
}

// Items and delimiters are always implicit little endian-like: tag and 32-bit length.
static void Item_Tag_Mode(Header &h)
{
  if (h.group != ITEM_GROUP) return;
  h.mode &= 0xC1;
  h.delimiter = h.element == ITEM_END_ELEMENT || h.element == SEQUENCE_END_ELEMENT;
}

// The 32-bit length of an implicit element. At the very end of the data, a delimiter
// without its length still counts as read (length 0).
static int Read_Implicit_Length(Window_Handle owner, NEMA_Source *source, Header &h)
{
  h.VR = 0;
  if (NEMA_Read_Long(owner, source, h.mode, 4, &h.length)) return 1;
  Message_Log(owner, MSG_TRACE + 4, "NEMA_Get_Data_Element() --> failed to read size (VR:%c%c)", '0', '0');
  h.length = 0;
  return h.delimiter ? 1 : 0;
}

static bool Over_Limit(const Header &h, int64_t limit) { return limit && h.length >= limit; }

// Undefined lengths belong to items, sequences and the VRs whose value may be
// encapsulated or unknown (OB, OW, OX, UN); an implicit element may be any of these,
// as its VR is not known here. Delimiters and every other explicit VR have a length.
static bool Undefined_Length_Allowed(const Header &h)
{
  if (h.group == ITEM_GROUP) return h.element == ITEM_ELEMENT;
  switch ((uint16_t)h.VR) {
  case 0: case DICOM_VR_SQ: case DICOM_VR_OB: case DICOM_VR_OW: case DICOM_VR_OX: case DICOM_VR_UN:
    return true;
  default:
    return false;
  }
}

// Reports a length that ends the walk: why, the tag, its offset and the source. Returns 0.
// In an inflated data set the offset is counted from the data set's first byte.
static int Fail_Length(Window_Handle owner, const NEMA_Source *source, const Header &h, const char *why)
{
  int64_t at = h.position;
  const char *stream = "";
  if (source->kind == NEMA_SOURCE_INFLATED && at >= source->inflated_from) {
    at -= source->inflated_from;
    stream = " of the inflated data set";
  }
  Message_Log(owner, MSG_WARNING, NEMA_ERROR_PREFIX " Tag (%04x,%04x) at offset %lld%s of %s: %s; reading stops there",
              h.group, h.element, (long long)at, stream, Log_Value_Escape(source->name).c_str(), why);
  return 0;
}

// Checks the length just read. Returns 1 when the walk may follow it; returns 0 after
// Fail_Length for 2^31 bytes or more (a negative int32 other than -1) and for an
// undefined length that the element does not allow; returns 0 with a trace only for a
// length at or beyond `limit`, and for any length fault of an element at offset 0 (a
// file without the DICOM preamble whose very first bytes are no element): that is what
// any file of another kind gives (a README, a thumbs.db among the images).
static int Length_Check(Window_Handle owner, const NEMA_Source *source, const Header &h, int64_t limit)
{
  if (h.position == 0 && (h.length < -1 || (h.length == -1 && !Undefined_Length_Allowed(h)))) {
    Message_Log(owner, MSG_TRACE + 4, "NEMA_Get_Data_Element() --> no element at offset 0 (length %08X)",
                (unsigned)h.length);
    return 0;
  }
  char why[96];
  if (h.length < -1) {
    std::snprintf(why, sizeof why, "length %08X is 2^31 bytes or more", (unsigned)h.length);
    return Fail_Length(owner, source, h, why);
  }
  if (h.length == -1 && !Undefined_Length_Allowed(h)) {
    if (h.group == ITEM_GROUP)
      std::snprintf(why, sizeof why, "a delimiter with an undefined length");
    else
      std::snprintf(why, sizeof why, "an undefined length, which VR %c%c does not allow", VR_Char(h.VR, 0),
                    VR_Char(h.VR, 1));
    return Fail_Length(owner, source, h, why);
  }
  if (Over_Limit(h, limit)) {
    // Bytes that are no DICOM data (a file of another kind) read as lengths like this.
    Message_Log(owner, MSG_TRACE + 4, "NEMA_Get_Data_Element() --> failed size to big (=%08X)", (unsigned)h.length);
    return 0;
  }
  return 1;
}

static int Fail_Size(Window_Handle owner, const Header &h)
{
  Message_Log(owner, MSG_TRACE + 4, "NEMA_Get_Data_Element() --> failed to read size (VR:%c%c)", VR_Char(h.VR, 0),
              VR_Char(h.VR, 1));
  return 0;
}

static void Output(const Header &h, uint16_t *group, uint16_t *element, int16_t *VR, int32_t *length)
{
  *group = h.group;
  *element = h.element;
  *VR = h.VR;
  *length = h.length;
}

// ---- the two readers --------------------------------------------------------------------

// Reads the VR and length of an explicit element. Returns 1, 0 on failure, or 2 when
// the element is complete already (an implicit element inside an explicit stream, or
// the Siemens (0040,0275) repair) and the checks that follow must not apply.
static int Read_Explicit(Window_Handle owner, NEMA_Source *source, Header &h, int64_t limit)
{
  unsigned char c[4];
  if (!NEMA_Read_Bytes(owner, source, h.mode, 1, &c[0])) return Fail(owner, 5, "failed to read VR byte[0]");
  if (!NEMA_Read_Bytes(owner, source, h.mode, 1, &c[1])) return Fail(owner, 5, "failed to read VR byte[1]");
  if (!Upper_Case(c[0]) || !Upper_Case(c[1])) {
    // No VR here: the four bytes after the tag are an implicit 32-bit length.
    if (!NEMA_Read_Bytes(owner, source, h.mode, 2, &c[2])) return 0;
    h.VR = 0;
    h.length = (int32_t)NEMA_Convert_32(h.mode, c);
    if (!Length_Check(owner, source, h, limit)) return 0;
    Message_Log(owner, MSG_TRACE + 3, "[%06X] --> (%04x,%04x) BUG! lenght:%08X (%d)", (unsigned)h.position, h.group,
                h.element, (unsigned)h.length, h.length);
    return 2;
  }
  h.VR = (int16_t)DICOM_VR_Code((char)c[0], (char)c[1]);
  if (Long_Form_VR(h.VR)) {
    uint16_t reserved;
    if (!NEMA_Read_Short(owner, source, h.mode, 2, &reserved)) return 0;
    if ((uint16_t)h.VR != DICOM_VR_OX && Repair_Siemens_0040_0275(owner, h, reserved)) return 2;
    if (!NEMA_Read_Long(owner, source, h.mode, 4, &h.length)) return Fail_Size(owner, h);
  } else {
    uint16_t short_length;
    if (!NEMA_Read_Short(owner, source, h.mode, 2, &short_length)) return Fail_Size(owner, h);
    h.length = short_length;
  }
  return 1;
}

// ---- the common case ----------------------------------------------------------------------

// A 16- or 32-bit number as it stands in a little or big endian stream.
static uint16_t Number_16(bool big, const unsigned char *b)
{
  return big ? (uint16_t)(b[0] << 8 | b[1]) : (uint16_t)(b[1] << 8 | b[0]);
}
static int32_t Number_32(bool big, const unsigned char *b)
{
  uint32_t first = Number_16(big, b), second = Number_16(big, b + 2);
  return (int32_t)(big ? first << 16 | second : second << 16 | first);
}

// Whether a header read in the common case would meet one of the repairs above, which
// the general reader makes: Philips item tags, the Siemens UL of length 6, raw JPEG pixel
// data (and explicit pixel data in an implicit stream), the byte-swapped item tag.
static bool Needs_General_Reader(uint16_t group, uint16_t VR, int32_t length)
{
  switch (group) {
  case PHILIPS_ITEM_GROUP: case PIXEL_GROUP: case SWAPPED_ITEM_GROUP:
    return true;
  case SIEMENS_GROUP:
    return VR == DICOM_VR_UL && length == SIEMENS_UL_LENGTH;
  default:
    return false;
  }
}

// The common case, decoded in one place straight from the source's memory: implicit VR
// little endian, explicit VR little endian or explicit VR big endian without a quirk,
// the whole header inside the window, no trace asked for, and nothing that the general
// reader would report or mend (the file meta group, which steers the encoding; a fault
// in the length; an odd length; an implicit element in an explicit stream; a non-zero
// reserved field; the repairs). Fills `h`, moves the source to the value and returns
// true; otherwise changes nothing and returns false, and the general reader reads the
// header, with the same result as here wherever both apply.
static bool Read_Common_Header(NEMA_Source *source, int mode, int64_t limit, Header &h)
{
  bool big = mode == (NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN);
  if ((mode != 0 && mode != NEMA_MODE_EXPLICIT && !big) || Message_Log_Passes(MSG_TRACE + 3)) return false;
  const unsigned char *b = NEMA_Source_Peek(source, SHORT_HEADER);
  if (!b || Number_16(false, b) == META_GROUP) return false;  // the meta group is little endian in any stream
  h.group = Number_16(big, b);
  h.element = Number_16(big, b + 2);
  int64_t header = SHORT_HEADER;
  if (h.group == ITEM_GROUP || !(mode & NEMA_MODE_EXPLICIT)) {  // tag and 32-bit length
    h.VR = 0;
    h.length = Number_32(big, b + 4);
  } else {
    if (!Upper_Case(b[4]) || !Upper_Case(b[5])) return false;
    h.VR = (int16_t)DICOM_VR_Code((char)b[4], (char)b[5]);
    if (Long_Form_VR(h.VR)) {
      b = NEMA_Source_Peek(source, LONG_HEADER);
      if (!b || Number_16(big, b + 6) != 0) return false;
      h.length = Number_32(big, b + 8);
      header = LONG_HEADER;
    } else {
      h.length = Number_16(big, b + 6);
    }
  }
  if (h.group != ITEM_GROUP && Needs_General_Reader(h.group, (uint16_t)h.VR, h.length)) return false;
  if (h.length < -1 || (h.length == -1 && !Undefined_Length_Allowed(h)) || (h.length != -1 && (h.length & 1)) ||
      Over_Limit(h, limit))
    return false;
  source->offset += header;
  return true;
}

static int Get_Data_Element(Window_Handle owner, NEMA_Source *source, int mode, uint16_t *group, uint16_t *element,
                            int16_t *VR, int32_t *length, int64_t limit)
{
  Header h{NEMA_Source_Position(owner, source), mode, 0, 0, 0, 0, false};
  if (Read_Common_Header(source, mode, limit, h)) {
    Output(h, group, element, VR, length);
    return 1;
  }
  Message_Log(owner, MSG_TRACE + 3, "in NEMA_Get_Data_Element(mode:%04X)", mode);
  if (!Read_Group(owner, source, h, false) || !Read_Element(owner, source, h)) return 0;
  Repair_Philips_Item(owner, h);
  Item_Tag_Mode(h);
  if (!(h.mode & NEMA_MODE_EXPLICIT) && h.group == PIXEL_GROUP && h.element == PIXEL_ELEMENT) {
    unsigned char vr[2];
    if (Peek(owner, source, NEMA_Source_Position(owner, source), 2, vr) && vr[0] == 'O' && vr[1] == 'B') {
      h.mode |= NEMA_MODE_EXPLICIT;
      NEMA_Warning(owner, "Pixel data is \"Explicit VR\" in an \"Implicit VR\" file");
    }
  }
  if (h.mode & NEMA_MODE_EXPLICIT) {
    int result = Read_Explicit(owner, source, h, limit);
    if (result == 0) return 0;
    if (result == 2) {
      Output(h, group, element, VR, length);
      return 1;
    }
  } else if (!Read_Implicit_Length(owner, source, h)) {
    return 0;
  }
  if (!Length_Check(owner, source, h, limit)) return 0;
  if (Repair_GE_Length(owner, h)) {
    Output(h, group, element, VR, length);
    return 1;
  }
  if (h.length != -1 && (h.length & 1)) {
    NEMA_Warning(owner, "tag lenght is odd in tag (%04x,%04x)", h.group, h.element);
    if ((h.mode & NEMA_MODE_QUIRK_MASK) == NEMA_MODE_QUIRK_GE) {
      Message_Log(owner, NEMA_Warning_Kind, "\x05 Oups! We assumed this was a GE 13/10 bug, it no longer appears that way");
      Message_Log(owner, NEMA_Warning_Kind, "\x05 Please contact ArdentVale for further assistance.");
    }
  }
  if (h.group == SWAPPED_ITEM_GROUP && h.element == SWAPPED_ITEM_ELEMENT) return 0;
  if (Repair_Siemens_UL_6(owner, source, h)) {
    Output(h, group, element, VR, length);
    return 1;
  }
  if (!Repair_Siemens_JPEG(owner, source, h, limit)) return 0;
  Trace_Header(owner, h);
  Output(h, group, element, VR, length);
  return 1;
}

// ---- deflated data sets and streams without meta information ------------------------------

// Deflated Explicit VR Little Endian: the bytes after the file meta group are one raw
// deflate stream. The transfer syntax UID marks the source; the group ends after the
// first value followed by no tag of group 0002 (as pydicom finds its end), and the
// source is inflated from there, before the walk reads that value. Called for every
// group 0002 header, the source standing at its value.
static void Follow_Deflated_Data_Set(Window_Handle owner, NEMA_Source *source, uint16_t element, int32_t length)
{
  if (source->kind == NEMA_SOURCE_INFLATED || length < 0) return;
  int64_t value = NEMA_Source_Position(owner, source);
  int32_t uid_length = (int32_t)sizeof NEMA_DEFLATED_SYNTAX_UID - 1;
  if (element == TRANSFER_SYNTAX_ELEMENT && length >= uid_length && length <= UID_MAX) {
    unsigned char uid[UID_MAX];
    if (Peek(owner, source, value, length, uid) && NEMA_Is_Deflated_Syntax(uid, length)) source->inflate_pending = true;
  }
  if (!source->inflate_pending) return;
  int64_t end = value + length;
  if (source->size >= 0 && end > source->size) return;  // a value cut by the end: the walk stops in it
  unsigned char next[2];
  if (Peek(owner, source, end, 2, next) && NEMA_Convert_16(0, next) == META_GROUP) return;
  NEMA_Source_Inflate(owner, source, end);
}

int NEMA_Get_Data_Element(Window_Handle owner, NEMA_Source *source, int mode, uint16_t *group, uint16_t *element,
                          int16_t *VR, int32_t *length, int64_t limit)
{
  if (!Get_Data_Element(owner, source, mode, group, element, VR, length, limit)) return 0;
  if (*group == META_GROUP) Follow_Deflated_Data_Set(owner, source, *element, *length);
  return 1;
}

// The VRs of the standard, as a VR field of an explicit element holds them.
static bool Known_VR(uint16_t VR)
{
  switch (VR) {
  case DICOM_VR_AE: case DICOM_VR_AS: case DICOM_VR_AT: case DICOM_VR_CS: case DICOM_VR_DA: case DICOM_VR_DS:
  case DICOM_VR_DT: case DICOM_VR_FD: case DICOM_VR_FL: case DICOM_VR_IS: case DICOM_VR_LO: case DICOM_VR_LT:
  case DICOM_VR_OB: case DICOM_VR_OD: case DICOM_VR_OF: case DICOM_VR_OL: case DICOM_VR_OV: case DICOM_VR_OW:
  case DICOM_VR_PN: case DICOM_VR_SH: case DICOM_VR_SL: case DICOM_VR_SQ: case DICOM_VR_SS: case DICOM_VR_ST:
  case DICOM_VR_SV: case DICOM_VR_TM: case DICOM_VR_UC: case DICOM_VR_UI: case DICOM_VR_UL: case DICOM_VR_UN:
  case DICOM_VR_UR: case DICOM_VR_US: case DICOM_VR_UT: case DICOM_VR_UV:
    return true;
  default:
    return false;
  }
}

int NEMA_Guess_Stream_Mode(Window_Handle owner, NEMA_Source *source)
{
  unsigned char first[GUESS_BYTES];
  int64_t at = NEMA_Source_Position(owner, source);
  if (!Peek(owner, source, at, GUESS_BYTES, first)) return NEMA_MODE_EXPLICIT;
  uint16_t group = NEMA_Convert_16(0, first);
  if (group == META_GROUP) return NEMA_MODE_EXPLICIT;
  if (!Known_VR(DICOM_VR_Code((char)first[4], (char)first[5]))) {
    NEMA_Notice(owner, "No file meta information in %s: read as implicit VR little endian",
                Log_Value_Escape(source->name).c_str());
    return 0;
  }
  if (group < BIG_ENDIAN_GROUP_MIN) return NEMA_MODE_EXPLICIT;
  NEMA_Notice(owner, "No file meta information in %s: read as explicit VR big endian (first group %04x)",
              Log_Value_Escape(source->name).c_str(), (unsigned)(uint16_t)(group << 8 | group >> 8));
  return NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN;
}

int NEMA_Get_Data_Element_Fuji(Window_Handle owner, NEMA_Source *source, int mode, uint16_t *group,
                               uint16_t *element, int16_t *VR, int32_t *length, int64_t limit)
{
  Message_Log(owner, MSG_TRACE + 1, "in NEMA_Get_Data_Element_Fuji(mode:%04X)", mode);
  Header h{NEMA_Source_Position(owner, source), (mode & ~0x07) | NEMA_MODE_EXPLICIT, 0, 0, 0, 0, false};
  if (!Read_Group(owner, source, h, true) || !Read_Element(owner, source, h)) return 0;
  Item_Tag_Mode(h);
  if (h.mode & NEMA_MODE_EXPLICIT) {
    unsigned char c[2];
    if (!NEMA_Read_Bytes(owner, source, h.mode, 1, &c[0])) return Fail(owner, 5, "failed to read VR byte[0]");
    if (!NEMA_Read_Bytes(owner, source, h.mode, 1, &c[1])) return Fail(owner, 5, "failed to read VR byte[1]");
    h.VR = (int16_t)DICOM_VR_Code((char)c[0], (char)c[1]);
    if (!NEMA_Read_Long(owner, source, h.mode, 4, &h.length)) return Fail_Size(owner, h);
  } else if (!Read_Implicit_Length(owner, source, h)) {
    return 0;
  }
  if (!Length_Check(owner, source, h, limit)) return 0;
  Trace_Header(owner, h);
  Output(h, group, element, VR, length);
  return 1;
}
