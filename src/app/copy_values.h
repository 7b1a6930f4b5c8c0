// The naming values of a file to be copied, read from its own header, and the two
// process-wide counters that stand in for a missing series or image number.
#pragma once

#include "app/copy_name.h"

// Reads the header of `path` up to Instance Number (nothing after it: no pixel data, and
// no report on faults past it) and fills `values` with Study ID, Patient's Name (file-name
// form), Patient ID, Series Number, Series Description, Acquisition Number and Instance
// Number, each from its first value. A series number of 0 is replaced by the Series
// Time in seconds since midnight, an image number of 0 by the Content Time; when still
// 0, the next value of the series counter (modulo 1,000,000) or image counter (modulo
// 100,000) is used, and that counter advances. Both counters start at 1 and are shared
// by every copy in the process.
// Returns 1 with `values` filled; returns 0 when the header gives no attribute list (the
// header reader has reported why; `values` is then untouched). Thread-safe.
int Copy_Values_Read(const char *path, Copy_Values *values);
