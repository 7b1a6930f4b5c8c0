// Writing an attribute list as DICOM bytes: a PS3.10 file (PS3.10 section 7.1: a
// preamble of 128 zero bytes, "DICM", the file meta group) followed by the data set in
// explicit VR little endian. The bytes are built in memory; the caller decides where
// and how they reach a file. Sequences and items are written with a defined length
// (measured after their content is written, then patched in) or with an undefined
// length and delimitation items, as the caller asks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// The implementation class UID of the files this program writes: a UUID-derived UID
// (PS3.5 B.2) of one fixed UUID, 7d19bda8-8474-4cd0-b064-6011019c7c77.
#define DICOM_WRITE_IMPLEMENTATION_UID "2.25.166287153621316866806786687844214406263"
// The implementation version name written beside it.
#define DICOM_WRITE_VERSION_NAME "HARROWDESK_10"
// Explicit VR little endian, the one transfer syntax this writer produces.
#define DICOM_WRITE_TRANSFER_SYNTAX "1.2.840.10008.1.2.1"

// A PS3.10 file starts with a preamble of this many bytes, then DICOM_WRITE_MAGIC.
enum { DICOM_WRITE_PREAMBLE_SIZE = 128 };
inline constexpr char DICOM_WRITE_MAGIC[] = "DICM";

// How sequences and items are delimited.
enum DICOM_Write_Length {
  DICOM_WRITE_DEFINED = 0,    // lengths measured and written in the headers
  DICOM_WRITE_UNDEFINED = 1,  // 0xFFFFFFFF and item / sequence delimitation items
};

// Where the items of one top-level sequence landed: filled by the writer for the
// sequence (group, element), one byte offset per item (of the item's tag, from the
// first byte of the output: of the preamble for a PS3.10 file).
struct DICOM_Write_Layout {
  uint16_t group = 0;
  uint16_t element = 0;
  std::vector<int64_t> item_offsets;
};

// Appends the data set `list` (depth 0 of a nested list, as DICOMDIR_Scan_Read or
// DICOM_Attribute_Add make it) to `*bytes` in explicit VR little endian, in list order.
// Skipped: file meta (group 0002) and group-length elements (gggg,0000), which the
// writer does not keep up to date, records marked DICOM_FLAG_DELETED, and the item and
// delimitation records (FFFE,xxxx) a read list holds, which the writer makes itself.
// A record's VR is its stream VR, else its dictionary VR, else UN (OX becomes OW).
// Values of odd length are padded: UI with a NUL, other text with a space, the rest
// with a NUL. Values of a list read in big endian are swapped to little endian.
// `layout` (may be null) receives the item offsets of its sequence.
// Returns 1 when written; returns 0 when a record holds no value for its length (a
// value the reader skipped) or a value too long for its VR's header, after reporting
// it as MSG_ERROR; `*bytes` then holds what was written up to that record.
int DICOM_Write_Data_Set(Window_Handle owner,
                         const DICOM_Attribute *list,  // data set to write
                         DICOM_Write_Length length,    // sequence and item delimiting
                         std::string *bytes,           // output, appended to
                         DICOM_Write_Layout *layout);  // item offsets wanted, or null

// Writes the whole PS3.10 file into `*bytes` (replaced): preamble, "DICM", the meta
// group (0002,0000) group length, (0002,0001) version 00\01, (0002,0002) and (0002,0003)
// the media storage SOP class and instance UIDs, (0002,0010) explicit VR little endian,
// (0002,0012) DICOM_WRITE_IMPLEMENTATION_UID, (0002,0013) DICOM_WRITE_VERSION_NAME),
// then the data set as DICOM_Write_Data_Set writes it. `sop_class` and `sop_instance`
// may be null: the list's SOP Class UID (0008,0016) and SOP Instance UID (0008,0018)
// are taken instead. Returns 1 when written; returns 0 when either UID is missing or
// the data set fails, after reporting it as MSG_ERROR (`*bytes` then holds no usable file).
int DICOM_Write_Part10(Window_Handle owner,
                       const DICOM_Attribute *list,  // data set to write
                       const char *sop_class,        // media storage SOP class UID, or null
                       const char *sop_instance,     // media storage SOP instance UID, or null
                       DICOM_Write_Length length,    // sequence and item delimiting
                       std::string *bytes,           // output, replaced
                       DICOM_Write_Layout *layout);  // item offsets wanted, or null
