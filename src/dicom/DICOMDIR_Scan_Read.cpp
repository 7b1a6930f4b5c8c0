// The header reader: one DICOM file into a formatted, complemented attribute list.
// It walks the elements from byte 132 with the element reader, keeps every value of up
// to 1024 bytes and skips longer ones (pixel data is never read), switches encoding
// after the transfer syntax UID, then nests the flat list and fills in the dictionary's
// view. The file is read through a 16 KiB window kept per thread and reused for every
// file, filled from the file's first byte right after it is opened, so a header
// (usually a few KiB) costs one read and no allocation; one that runs past the window
// refills it. Each element's record holds its value and comes
// from the thread's shared block of records, and the records are moved (not copied)
// into the nested list. A file without the Part 10 preamble is read from
// its first byte.
//
// A walk given the tags it needs makes no record for the other top-level elements of a
// defined length (most of a header, sequences of defined length included): their values
// are skipped, and neither the nesting nor the complement ever sees them.
//
// A walk given a last tag stops at the first element past it that is not inside a
// sequence. To know that, the walk keeps the stack of the sequences and items it is
// in: a container of defined length ends at a byte position, one of undefined length
// at its delimiter; an undefined length that is no item (a sequence, encapsulated pixel
// data, an undefined-length UN) opens a container whatever its VR says.
#include "dicom/DICOMDIR_Scan_Read.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Read_TAG.h"
#include "dicom/NEMA_db.h"
#include "dicom/NEMA_Tag_Complement.h"
#include "util/error_text.h"
#include "util/message_log.h"

enum {
  SCAN_WINDOW = 16 * 1024,   // bytes read from the file at a time
  SCAN_VALUE_MAX = 1024,     // longer values are skipped
  SCAN_PREAMBLE = 132,       // preamble and "DICM"
  SCAN_DEPTH_MAX = 64,       // nesting followed for the early stop; deeper ones never stop it
  SCAN_PASSED = -2,          // Read_Header: the element got no record
};

static const char dashes[] = "-------------------------------------------------------------------------------";

static void Banner(const char *text)
{
  if (trace_level <= 5) return;
  Message_Log(nullptr, MSG_TRACE + 5, "%s", dashes);
  Message_Log(nullptr, MSG_TRACE + 5, "%s", text);
  Message_Log(nullptr, MSG_TRACE + 5, "%s", dashes);
}

// The mode that the transfer syntax UID `value` (padded with NUL or space) selects, or
// `mode` unchanged for one that needs no change of the element reader.
static int Transfer_Syntax_Mode(const unsigned char *value, int32_t size, int mode)
{
  int32_t n = size;
  while (n > 0 && (value[n - 1] == 0 || value[n - 1] == ' ')) n--;
  static const struct {
    const char *uid;
    int mode;
  } syntaxes[] = {
      {"1.2.840.10008.1.2", 0x00},
      {"1.2.840.10008.1.2.1", NEMA_MODE_EXPLICIT},
      {"1.2.840.10008.1.2.2", NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN},
  };
  for (const auto &syntax : syntaxes)
    if ((size_t)n == std::strlen(syntax.uid) && !std::memcmp(value, syntax.uid, (size_t)n)) return syntax.mode;
  return mode;
}

namespace {
// One sequence or item the walk is inside: where it ends (-1: at its delimiter).
struct Scan_Level {
  int64_t end;
  bool item;
};

// The walk over the elements: the encoding in force, whether the elements are the
// items of encapsulated data, and the containers the walk is inside.
// The tag every composite instance carries, which the early stop waits for.
const uint32_t STUDY_UID_TAG = DICOMDIR_Scan_Tag(0x0020, 0x000D);

const uint32_t CHARACTER_SET_TAG = DICOMDIR_Scan_Tag(0x0008, 0x0005);  // decodes the texts kept

struct Scan {
  NEMA_Source *source;
  DICOM_Sequence_Root *root;
  DICOM_Attribute *list;  // the flat list, in stream order
  int mode;
  bool encapsulated;
  uint32_t last;          // the walk stops at a top-level tag past this one ...
  bool key_met;           // ... once it has met the Study Instance UID at the top level
  int depth;              // containers open; above SCAN_DEPTH_MAX only counted
  Scan_Level levels[SCAN_DEPTH_MAX];
  const uint32_t *needed;  // the top-level tags kept, ascending; null: every element
  int needed_count;
  int64_t dropped_at;     // where the element just passed over without a record starts; -1: none
  bool keep_next;         // the next element gets a record whatever it is
};
}  // namespace

// Leaves the containers of defined length that end at or before `position`.
static void Levels_Leave_Ended(Scan &s, int64_t position)
{
  while (s.depth > 0 && s.depth <= SCAN_DEPTH_MAX && s.levels[s.depth - 1].end >= 0 &&
         position >= s.levels[s.depth - 1].end)
    s.depth--;
}

// Leaves the innermost container when it is one of undefined length of the kind asked.
static void Level_Leave_Delimited(Scan &s, bool item)
{
  if (s.depth > SCAN_DEPTH_MAX) {
    s.depth--;
    return;
  }
  if (s.depth > 0 && s.levels[s.depth - 1].end < 0 && s.levels[s.depth - 1].item == item) s.depth--;
}

static void Level_Enter(Scan &s, int64_t end, bool item)
{
  if (s.depth < SCAN_DEPTH_MAX) s.levels[s.depth] = {end, item};
  s.depth++;
}

// Follows the nesting past the header of `record`: an item delimiter closes an item of
// undefined length; a sequence delimiter an item left open, then its sequence; an item
// that holds elements, a sequence, or any other undefined length opens a container.
static void Levels_Follow(Scan &s, const DICOM_Attribute &record, uint16_t effective_VR)
{
  bool delimiter_group = record.group == 0xFFFE;
  if (delimiter_group && record.element == 0xE00D) {
    Level_Leave_Delimited(s, true);
  } else if (delimiter_group && record.element == 0xE0DD) {
    Level_Leave_Delimited(s, true);
    Level_Leave_Delimited(s, false);
  } else if (delimiter_group && record.element == 0xE000) {
    if (!s.encapsulated) Level_Enter(s, record.size < 0 ? -1 : record.value_position + record.size, true);
  } else if (record.size < 0) {
    Level_Enter(s, -1, false);
  } else if (effective_VR == DICOM_VR_SQ) {
    Level_Enter(s, record.value_position + record.size, false);
  }
}

// Whether the top-level element `tag` gets a record: every one in a walk without a set
// of tags; else the tags asked for, and what decides how the others are read: the file
// meta group (the transfer syntax), the character set, and the private creators (the
// names and VRs of private elements).
static bool Tag_Kept(const Scan &s, uint32_t tag)
{
  if (!s.needed || s.keep_next) return true;
  uint16_t group = (uint16_t)(tag >> 16), element = (uint16_t)tag;
  if (group == 0x0002 || tag == CHARACTER_SET_TAG || ((group & 1) && element >= 0x0010 && element <= 0x00FF))
    return true;
  return std::binary_search(s.needed, s.needed + s.needed_count, tag);
}

// The VR that decides whether the element `record` holds other elements: the VR read
// when it is one of the standard (as the VR check keeps it), else the dictionary's
// first; 0 when neither is known.
static uint16_t Structural_VR(const DICOM_Attribute &record)
{
  if (record.VR && DICOM_VR_Is_Standard(record.VR)) return record.VR;
  const NEMA_db_Entry *entry = NEMA_db_Lookup(record.group, record.element);
  return entry && entry->VR_count > 0 ? entry->VR[0] : 0;
}

// Whether the top-level element `record` (its header read and checked) is passed over
// without a record: an element nobody asked for whose end its length gives, a sequence
// of defined length that the file holds whole among them (its items are never read).
// Items, delimiters, undefined lengths, sequences cut short and elements of unknown VR
// (which nesting may read as sequences when items follow) keep their records.
static bool Passed_Over(const Scan &s, const DICOM_Attribute &record, uint32_t tag)
{
  if (Tag_Kept(s, tag) || record.group == 0xFFFE || record.size < 0) return false;
  uint16_t VR = Structural_VR(record);
  return VR && (VR != DICOM_VR_SQ || !(record.flags & DICOM_FLAG_REPAIRED));
}

// Reads the header of the element at the source's position into `record` (zero-filled)
// and skips a value that is not kept. Returns the length of the value to read next
// (0 for none), SCAN_PASSED when the element got no record (its value skipped), or -1
// when the walk ends there.
static int32_t Read_Header(Scan &s, DICOM_Attribute &record)
{
  int64_t size = s.source->size;
  int64_t P = NEMA_Source_Position(nullptr, s.source);
  if (size < P + 4) {
    Message_Log(nullptr, MSG_TRACE + 2, "--> ****** end of file ******");
    return -1;
  }
  Levels_Leave_Ended(s, P);
  int16_t VR;
  if (!NEMA_Get_Data_Element(nullptr, s.source, s.mode, &record.group, &record.element, &VR, &record.size, size))
    return -1;
  uint32_t tag = DICOMDIR_Scan_Tag(record.group, record.element);
  if (s.depth == 0 && tag > s.last && s.key_met) {
    Message_Log(nullptr, MSG_TRACE + 2, "--> (%04x,%04x) lies past the last tag needed: reading stops", record.group,
                record.element);
    return -1;
  }
  // An item or delimiter at the top level straight after an element passed over: the
  // nesting may read that element as a sequence, so it is read again, with its record.
  if (s.depth == 0 && record.group == 0xFFFE && s.dropped_at >= 0) {
    if (!NEMA_Source_Seek(nullptr, s.source, s.dropped_at)) return -1;
    s.dropped_at = -1;
    s.keep_next = true;
    record = DICOM_Attribute{};
    return Read_Header(s, record);
  }
  bool top = s.depth == 0;
  if (top && tag == STUDY_UID_TAG) s.key_met = true;
  record.VR = (uint16_t)VR;
  if (trace_level > 6)
    Message_Log(nullptr, MSG_TRACE + 6, "(%04x,%04x) VR:%c%c length:%d pos:%d of %d", record.group, record.element,
                VR ? VR >> 8 : 0, VR ? VR & 0xFF : 0, record.size, (int)P, (int)size);
  int64_t Q = NEMA_Source_Position(nullptr, s.source);
  if ((record.group || record.element) && record.size == 0 && Q > size) {
    Message_Log(nullptr, MSG_TRACE + 2, "--> ****** end of file ******");
    return -1;
  }
  if (!record.group && !record.element && !VR && record.size == 0) {
    Message_Log(nullptr, MSG_TRACE + 2, "--> ****** NULL element ******");
    return -1;
  }
  record.flags = DICOM_ORIGIN_DICOM;
  if (record.size > 0 && Q + record.size > size) {
    Message_Log(nullptr, NEMA_Warning_Kind,
                "\xF1\x05    WARNING:\xF0\x02 (\x01%04x\x02,\x01%04x\x02) Invalid tag length (size=\x01%d\x02)!",
                record.group, record.element, record.size);
    record.flags |= DICOM_FLAG_REPAIRED;
    record.size = (int32_t)(size - Q);
  }
  s.dropped_at = -1;
  if (top && Passed_Over(s, record, tag)) {
    s.encapsulated = false;
    s.dropped_at = P;
    Message_Log(nullptr, MSG_TRACE + 6, "(%04x,%04x) not needed: no record", record.group, record.element);
    return NEMA_Skip(nullptr, s.source, record.size) ? SCAN_PASSED : -1;
  }
  s.keep_next = false;
  record.dictionary = NEMA_db_Lookup(record.group, record.element);
  if (record.dictionary)
    record.dictionary_VR = (int16_t)record.dictionary->VR[0];
  else if (record.element)
    record.flags |= DICOM_FLAG_DELETED;
  bool item = record.group == 0xFFFE && record.element == 0xE000;
  if (item)
    record.dictionary_VR = (int16_t)(s.encapsulated ? DICOM_VR_Ia : DICOM_VR_Ib);
  uint16_t effective = record.VR ? record.VR : (uint16_t)record.dictionary_VR;
  if (!item) s.encapsulated = record.size == -1 && (effective == DICOM_VR_OB || effective == DICOM_VR_OW);
  // The group 0002 elements were read little endian whatever the walk's mode.
  record.mode = (uint8_t)(record.group == 0x0002 ? (s.mode & NEMA_MODE_QUIRK_MASK) : s.mode);
  record.element_position = P;
  record.value_position = Q;
  Levels_Follow(s, record, effective);
  bool has_value = record.size > 0 && effective != DICOM_VR_SQ && (!item || s.encapsulated);
  if (!has_value) return 0;
  if (record.size > SCAN_VALUE_MAX) return NEMA_Skip(nullptr, s.source, record.size) ? 0 : -1;
  return record.size;
}

// Reads one element, its value in the record's own block, and appends it to the flat
// list. Returns false when the walk ends.
static bool Scan_Element(Scan &s)
{
  DICOM_Attribute header{};
  int32_t value_size = Read_Header(s, header);
  if (value_size == SCAN_PASSED) return true;
  if (value_size < 0) return false;
  DICOM_Attribute *record = DICOM_Attribute_New(nullptr, &header, value_size);
  if (!record) return false;
  unsigned char *value = record->data;
  int mode = header.group == 0x0002 ? 0 : s.mode;
  if ((value && !NEMA_Read_Buffer_Into(nullptr, s.source, mode, value_size, value)) ||
      !DICOM_Attribute_Adopt(nullptr, s.root, &s.list, record)) {
    DICOM_Attribute_Free(nullptr, record);
    return false;
  }
  if (record->group == 0x0002 && record->element == 0x0010 && record->data) {
    s.mode = Transfer_Syntax_Mode(record->data, record->size, s.mode);
    record->flags |= DICOM_FLAG_TRANSFER;
  }
  return true;
}

// The walk of every reader here: up to the top-level tag `last`, keeping the top-level
// tags `needed` (ascending, `count` of them) or, when null, every element.
static DICOM_Attribute *Scan_Walk(NEMA_Source *source, DICOM_Sequence_Root *root, uint32_t last,
                                  const uint32_t *needed, int count)
{
  Message_Log(nullptr, MSG_TRACE + 5, "\x02\t DICOMDIR: Reading DICOM tags...");
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "\n\n\n%s", dashes);
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "-----                       Reading DICOM File                           ----- ");
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "%s", dashes);
  DICOM_Attribute_Sequence_Reset(nullptr, root);
  Message_Log(nullptr, MSG_TRACE + 5, "---------- Reading DICOM tags -------------");
  Scan s{source, root, nullptr, NEMA_Guess_Stream_Mode(nullptr, source), false, last, false, 0, {}, needed, count, -1,
         false};
  while (Scan_Element(s)) {
  }
  if (trace_level > 6) DICOM_Attribute_Dump(nullptr, root, s.list, MSG_TRACE + 6);
  if (!s.list) return nullptr;

  Message_Log(nullptr, MSG_TRACE + 5, "\x02\t DICOMDIR: Analyzing DICOM tags...");
  Banner("-----                        Checking DICOM Tags                          -----");
  DICOM_Attribute *list = DICOM_Attribute_Format_Move(nullptr, &s.list);
  if (!list) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\xF0\x02 Failed in DICOM_Attribute_Format()");
    return nullptr;
  }
  if (trace_level > 6) DICOM_Attribute_Dump(nullptr, root, list, MSG_TRACE + 6);
  Banner("-----           Complementing the info for Private DICOM tags             -----");
  int failed = DICOM_Attribute_Complement(nullptr, root, list);
  if (failed) Message_Log(nullptr, MSG_TRACE + 1, "Failed %d tags in DICOM_Attribute_Complement()", failed);
  if (trace_level > 5) DICOM_Attribute_Dump(nullptr, root, list, MSG_TRACE + 5);
  return list;
}

DICOM_Attribute *DICOMDIR_Scan_Source(NEMA_Source *source, DICOM_Sequence_Root *root)
{
  return Scan_Walk(source, root, DICOMDIR_SCAN_ALL, nullptr, 0);
}

DICOM_Attribute *DICOMDIR_Scan_Source_Until(NEMA_Source *source, DICOM_Sequence_Root *root, uint32_t last)
{
  return Scan_Walk(source, root, last, nullptr, 0);
}

// The last of the tags `needed` (ascending), the bound of a walk that keeps them.
static uint32_t Last_Of(const uint32_t *needed, int count) { return count > 0 ? needed[count - 1] : 0; }

DICOM_Attribute *DICOMDIR_Scan_Source_Tags(NEMA_Source *source, DICOM_Sequence_Root *root, const uint32_t *needed,
                                           int count)
{
  return Scan_Walk(source, root, Last_Of(needed, count), needed, count);
}

// Where the elements start: after the preamble and "DICM" in a Part 10 file; at byte
// 0 in a file without them (a bare data set, as ACR-NEMA and some exporters write),
// which read from byte 132 would give elements cut from the middle of others.
static int64_t First_Element(NEMA_Source *source)
{
  unsigned char magic[4];
  if (NEMA_Source_Seek(nullptr, source, SCAN_PREAMBLE - 4) && NEMA_Source_Read(source, magic, 4) == 4 &&
      !std::memcmp(magic, "DICM", 4))
    return SCAN_PREAMBLE;
  Message_Log(nullptr, MSG_TRACE + 2, "--> no \"DICM\" at byte 128: reading from byte 0");
  return 0;
}

// Describes the open regular file `fd` of `size` bytes as a file source over the
// thread's `window`, filled at once with the file's first block: the preamble, the
// signature and most headers then come from one read, with no position query.
static void Source_Over_Window(NEMA_Source *source, int fd, const char *path, int64_t size, unsigned char *window)
{
  NEMA_Source_Memory(source, nullptr, 0, path);
  source->kind = NEMA_SOURCE_FILE;
  source->fd = fd;
  source->size = size;
  source->window = window;
  source->base = window;
  source->window_capacity = SCAN_WINDOW;
  source->window_lent = true;
  ssize_t got = pread(fd, window, SCAN_WINDOW, 0);
  source->window_length = got > 0 ? got : 0;  // a failed read is met again, and reported, by the walk
  source->file_bytes_read = source->window_length;
}

// Reports a file that cannot be read: the trace of the place, then the error.
static void Report_Open_Failure(const char *path, int code)
{
  Message_Log(nullptr, MSG_TRACE, "file:%s line:%d", "DICOMDIR_Scan_Read", __LINE__);
  Message_Log(nullptr, MSG_WARNING, NEMA_ERROR_PREFIX " Unable to open file");
  Message_Log(nullptr, MSG_WARNING, "%s", Error_Text(code));
  Message_Log(nullptr, MSG_WARNING, "file: (%s)", Log_Value_Escape(path).c_str());
}

// Walks the open regular file `fd` of `size` bytes, named `path`, as Scan_Walk does,
// and closes it unless it is `lent` (the caller's).
static DICOM_Attribute *Read_Descriptor(int fd, bool lent, const char *path, int64_t size, DICOM_Sequence_Root *root,
                                        uint32_t last, const uint32_t *needed, int count)
{
  static thread_local unsigned char window[SCAN_WINDOW];
  NEMA_Source source;
  Source_Over_Window(&source, fd, path, size, window);
  source.fd_lent = lent;
  DICOM_Attribute *list = nullptr;
  if (NEMA_Source_Seek(nullptr, &source, First_Element(&source)))
    list = Scan_Walk(&source, root, last, needed, count);
  NEMA_Source_Close(&source);
  return list;
}

// Opens `path` and walks it as Scan_Walk does.
static DICOM_Attribute *Read_File(const char *path, DICOM_Sequence_Root *root, uint32_t last, const uint32_t *needed,
                                  int count)
{
  Message_Log(nullptr, MSG_TRACE + 2, "in DICOMDIR_Scan_Read()");
  // Non-blocking, so that a FIFO or a device cannot hold the reader.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    Report_Open_Failure(path, errno);
    return nullptr;
  }
  struct stat info;
  int code = fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : S_ISREG(info.st_mode) ? 0 : EINVAL;
  if (code) {
    close(fd);
    Report_Open_Failure(path, code);
    return nullptr;
  }
  return Read_Descriptor(fd, false, path, (int64_t)info.st_size, root, last, needed, count);
}

DICOM_Attribute *DICOMDIR_Scan_Read_Open_Tags(int fd, const char *path, int64_t size, DICOM_Sequence_Root *root,
                                              const uint32_t *needed, int count)
{
  Message_Log(nullptr, MSG_TRACE + 2, "in DICOMDIR_Scan_Read()");
  return Read_Descriptor(fd, true, path, size, root, Last_Of(needed, count), needed, count);
}

DICOM_Attribute *DICOMDIR_Scan_Read(const char *path, DICOM_Sequence_Root *root)
{
  return Read_File(path, root, DICOMDIR_SCAN_ALL, nullptr, 0);
}

DICOM_Attribute *DICOMDIR_Scan_Read_Until(const char *path, DICOM_Sequence_Root *root, uint32_t last)
{
  return Read_File(path, root, last, nullptr, 0);
}

DICOM_Attribute *DICOMDIR_Scan_Read_Tags(const char *path, DICOM_Sequence_Root *root, const uint32_t *needed, int count)
{
  return Read_File(path, root, Last_Of(needed, count), needed, count);
}
