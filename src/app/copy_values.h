// The naming values of a file to be copied, read from its own header, and the two
// process-wide counters that stand in for a missing series or image number.
#pragma once

#include <cstdint>

#include "app/copy_name.h"
#include "dicom/NEMA_Tag_Attribute.h"

// A source already open, to be read through its descriptor instead of being opened again.
struct Copy_Open_Source {
  int fd = -1;       // the source, open for reading
  int64_t size = 0;  // its size
};

// Reads the header of `path` up to Instance Number (nothing after it: no pixel data, and
// no report on faults past it) and fills `values` with Study ID, Patient's Name (file-name
// form), Patient ID, Series Number, Series Description, Acquisition Number and Instance
// Number, each from its first value. A series number of 0 is replaced by the Series
// Time in seconds since midnight, an image number of 0 by the Content Time; when still
// 0, the next value of the series counter (modulo 1,000,000) or image counter (modulo
// 100,000) is used, and that counter advances. Both counters start at 1 and are shared
// by every copy in the process.
// Returns 1 with `values` filled; returns 0 when the header gives no attribute list (the
// header reader has reported why; `values` is then untouched). Thread-safe. With `open`,
// the file is read through that descriptor.
int Copy_Values_Read(const char *path, Copy_Values *values, const Copy_Open_Source *open = nullptr);

// As Copy_Values_Read, reading also what a DICOMDIR record takes of the file
// (DICOM_Media_Directory_Tags): the header goes to *header, as read, for the caller to
// release (DICOM_Attribute_Delete); null when a text naming uses had to be decoded in
// place (not ASCII: the header no longer holds the file's bytes), or when 0 is returned.
int Copy_Values_Read_For_Directory(const char *path, Copy_Values *values, DICOM_Attribute **header,
                                   const Copy_Open_Source *open = nullptr);
