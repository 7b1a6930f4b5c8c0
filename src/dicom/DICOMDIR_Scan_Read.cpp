// The header reader: one DICOM file into a formatted, complemented attribute list.
// It walks the elements from byte 132 with the element reader, keeps every value of up
// to 1024 bytes and skips longer ones (pixel data is never read), switches encoding
// after the transfer syntax UID, then nests the flat list and fills in the dictionary's
// view. The file is read through a 16 KiB window kept per thread and reused for every
// file, so a header (usually a few KiB) costs one read and no allocation; one that
// runs past the window refills it. Each element's record holds its value and comes
// from the thread's shared block of records, and the records are moved (not copied)
// into the nested list. A file without the Part 10 preamble is read from
// its first byte.
#include "dicom/DICOMDIR_Scan_Read.h"

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
// The walk over the elements: the encoding in force and whether the elements are the
// items of encapsulated data.
struct Scan {
  NEMA_Source *source;
  DICOM_Sequence_Root *root;
  DICOM_Attribute *list;  // the flat list, in stream order
  int mode;
  bool encapsulated;
};
}  // namespace

// Reads the header of the element at the source's position into `record` (zero-filled)
// and skips a value that is not kept. Returns the length of the value to read next
// (0 for none), or -1 when the walk ends there.
static int32_t Read_Header(Scan &s, DICOM_Attribute &record)
{
  int64_t size = s.source->size;
  int64_t P = NEMA_Source_Position(nullptr, s.source);
  if (size < P + 4) {
    Message_Log(nullptr, MSG_TRACE + 2, "--> ****** end of file ******");
    return -1;
  }
  int16_t VR;
  if (!NEMA_Get_Data_Element(nullptr, s.source, s.mode, &record.group, &record.element, &VR, &record.size, size))
    return -1;
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

DICOM_Attribute *DICOMDIR_Scan_Source(NEMA_Source *source, DICOM_Sequence_Root *root)
{
  Message_Log(nullptr, MSG_TRACE + 5, "\x02\t DICOMDIR: Reading DICOM tags...");
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "\n\n\n%s", dashes);
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "-----                       Reading DICOM File                           ----- ");
  if (trace_level > 5) Message_Log(nullptr, MSG_TRACE + 5, "%s", dashes);
  DICOM_Attribute_Sequence_Reset(nullptr, root);
  Message_Log(nullptr, MSG_TRACE + 5, "---------- Reading DICOM tags -------------");
  Scan s{source, root, nullptr, NEMA_MODE_EXPLICIT, false};
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

// Reports a file that cannot be read: the trace of the place, then the error.
static void Report_Open_Failure(const char *path, int code)
{
  Message_Log(nullptr, MSG_TRACE, "file:%s line:%d", "DICOMDIR_Scan_Read", __LINE__);
  Message_Log(nullptr, MSG_WARNING, NEMA_ERROR_PREFIX " Unable to open file");
  Message_Log(nullptr, MSG_WARNING, "%s", Error_Text(code));
  Message_Log(nullptr, MSG_WARNING, "file: (%s)", Log_Value_Escape(path).c_str());
}

DICOM_Attribute *DICOMDIR_Scan_Read(const char *path, DICOM_Sequence_Root *root)
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
  static thread_local unsigned char window[SCAN_WINDOW];
  NEMA_Source source;
  NEMA_Source_File_Lent(&source, fd, path, window, SCAN_WINDOW);
  DICOM_Attribute *list = nullptr;
  if (NEMA_Source_Seek(nullptr, &source, First_Element(&source))) list = DICOMDIR_Scan_Source(&source, root);
  NEMA_Source_Close(&source);
  return list;
}
