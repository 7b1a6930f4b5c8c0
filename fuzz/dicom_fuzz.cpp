// The libFuzzer target of the DICOM reading library. Each input is read as a memory
// block: first element by element with the header reader under several encodings
// (values taken or skipped as the header pass does), then as a whole data set by the
// header reader (nested, checked, complemented) and listed by the dump. Inputs that
// carry a preamble and "DICM" are read from byte 132, others from byte 0.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Read_TAG.h"
#include "util/message_log.h"

// Drops every message: the target exercises the formatting, not the output.
static int Drop(Window_Handle, int, const char *) { return 1; }

static int64_t Start(const uint8_t *data, size_t size)
{
  return size >= 132 && !std::memcmp(data + 128, "DICM", 4) ? 132 : 0;
}

// Walks the elements in one encoding, reading short values and skipping long ones.
static void Walk(const uint8_t *data, size_t size, int mode, bool fuji)
{
  NEMA_Source source;
  NEMA_Source_Memory(&source, data, (int64_t)size, "fuzz");
  NEMA_Source_Seek(nullptr, &source, Start(data, size));
  for (int n = 0; n < 4096; n++) {
    uint16_t group, element;
    int16_t VR;
    int32_t length;
    int ok = fuji ? NEMA_Get_Data_Element_Fuji(nullptr, &source, mode, &group, &element, &VR, &length, (int64_t)size)
                  : NEMA_Get_Data_Element(nullptr, &source, mode, &group, &element, &VR, &length, (int64_t)size);
    if (!ok) break;
    if (length <= 0 || (uint16_t)VR == DICOM_VR_SQ || group == 0xFFFE) continue;
    if (length > 1024) {
      if (!NEMA_Skip(nullptr, &source, length)) break;
    } else {
      unsigned char *value = NEMA_Read_Buffer(nullptr, &source, mode, length);
      if (!value) break;
      std::free(value);
    }
  }
  NEMA_Source_Close(&source);  // a deflated data set leaves an inflated block to release
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  Message_Callback = Drop;
  trace_level = 0;
  for (int mode : {0x00, 0x02, 0x03, 0x08, 0x09, 0x10}) Walk(data, size, mode, false);
  Walk(data, size, 0x08, true);

  NEMA_Source source;
  NEMA_Source_Memory(&source, data, (int64_t)size, "fuzz");
  NEMA_Source_Seek(nullptr, &source, Start(data, size));
  DICOM_Sequence_Root root;
  DICOM_Attribute *list = DICOMDIR_Scan_Source(&source, &root);
  NEMA_Source_Close(&source);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute_Dump(nullptr, &root, list, MSG_REPORT);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  return 0;
}
