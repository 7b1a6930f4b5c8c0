// Attribute creation by VR: makes (or leaves alone) one attribute of a list at the place
// a sequence context names, and encodes the caller's values into its value bytes the
// way a DICOM stream stores them: text VRs as backslash-separated text padded to an
// even length, numbers as little-endian binary. The new value is then cleaned by its VR
// (dicom/NEMA_Tag_Cleanup.h), so what is stored is what a conforming file would hold.
#pragma once

#include <cstdint>

#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "platform/os/window_handle.h"

// One value of a DT attribute in the vector form: a date and a time.
struct DICOM_Date_Time {
  Ardent_Date date;
  Ardent_Time time;
};

// Creates the attribute (group, element) with VR `VR` in the list that the root's path
// names below `*list` (the path's sequences and items are made when missing), keeping
// that list in ascending tag order: a new record goes after the last record whose tag is
// smaller. An attribute already there that has flags and a value (size not 0) is left
// as it is: values present win over created ones. Otherwise the record gets origin
// DICOM_ORIGIN_ARDENT (flags 2), mode explicit VR little endian, `VR`, its dictionary
// entry and dictionary VR, and the values below; its previous value is dropped.
//
// The values, after `nb_arg`:
//   nb_arg > 0   nb_arg values follow, each of the type of the table (list form; a DT
//                value is two arguments, and for AT nb_arg counts the numbers, two per tag);
//   nb_arg < 0   one pointer follows, to an array of -nb_arg values of the table's
//                vector type (vector form);
//   nb_arg = 0   none: the attribute is created empty.
//
//   VR              list form, per value                vector form          stored as
//   AE CS LO SH     const char * (null: empty value)    const char *const *  text\text, space pad
//   AS LT ST UT     const char *, one only              (none: warning)      text, space pad
//   AT              int group, int element (2 args)     (none: warning)      16 + 16 bits
//   DA              Ardent_Date (by value)              const Ardent_Date *  yyyymmdd\...
//   DS              double                              const double *       "%.7g"\..., space pad
//   DT              Ardent_Date then Ardent_Time        const DICOM_Date_Time *  yyyymmddhhmmss[.fff]\...
//   FD              double                              const double *       64-bit float
//   FL              double (a float promotes to it)     const float *        32-bit float
//   IS              int                                 const int *          "%d"\..., space pad
//   OB              int (its low byte)                  const unsigned char *  bytes, NUL pad
//   OW, US          int (its low 16 bits)               const uint16_t *     16 bits
//   PN              const Ardent_Name * (null: empty)   (none: warning)      family^given^...\..., space pad
//   SL              int                                 const int32_t *      32 bits
//   SS              int (its low 16 bits)               const int16_t *      16 bits
//   TM              Ardent_Time (by value)              const Ardent_Time *  hhmmss[.fff]\...
//   UI              const char * (null: no value)       (none: warning)      text\text, NUL pad
//   UL              unsigned int                        const uint32_t *     32 bits
//   SQ              int: ORed into the flags            const int * (first)  no value
// Dates and times may be resolved (type 1) or unresolved (type 2; resolved on a copy);
// type 0, or a date that does not resolve, gives an empty value. Times are written
// with whole seconds when the fraction is below 0.001, else to the millisecond; a
// fraction above 0.999 rounds up, carrying into minutes and hours, except that the last
// millisecond of the day is written 235959.999 (a time never reaches 24 hours). A DT
// value of a date without time is the date alone. Non-finite DS values are written empty.
// The forms marked "(none: warning)" write the warning "VR=..: vector fct not
// implemented" and store no value; AS, LT, ST and UT keep only their first value
// ("VR=Text: only 1 value accepted"); AT keeps only the first pair of an odd count
// ("VR=AT: only multiple of 2 accepted") and nothing with a single number.
//
// Returns `*list`, the head of the data set's list (it changes when a record is put
// first at depth 0). Failures are reported and leave the attribute without a value:
// a VR with no encoder (MSG_ERROR "... VR=%c%c not implemented"), memory running out
// (MSG_ERROR), a value its cleanup refuses or a wrong value count (the warning "problem
// creating tag (gggg,eeee)", plus the cleanup's own; a wrong count keeps the value).
// Not thread-safe for one list.
DICOM_Attribute *DICOM_Attribute_Add(Window_Handle owner, const DICOM_Sequence_Root *root, DICOM_Attribute **list,
                                     uint16_t group, uint16_t element, uint16_t VR, int nb_arg, ...);
