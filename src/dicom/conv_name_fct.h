// Person names: the record that holds one name in its five components, the parsers that
// fill it from a DICOM PN value or from free text, the comparison used by the sort
// trees, and the text forms used by views, reports and file names.
#pragma once

#include <cstddef>
#include <cstdint>

// One person name. A component is absent (nullptr) or a non-empty malloc'ed string owned
// by the record; setting a component frees the previous one. Zero-initialise a record
// before its first use and release it with Free_Ardent_Name.
struct Ardent_Name {
  int8_t count;  // present components among family, given and middle (0 = no name)
  char *family;
  char *given;
  char *middle;
  char *prefix;
  char *suffix;
};

// Fills `name` from the five components of a DICOM PN value (any may be null or empty).
// Each non-empty one is cut to 64 characters, trimmed, has runs of two spaces collapsed
// and replaces that component; an absent or blank one leaves the component as it was.
// Returns 1; returns 0 when a copy could not be allocated (reported as MSG_ERROR), with
// the components set so far kept.
int Make_Ardent_Name_From_Parts(Ardent_Name *name, const char *family, const char *given, const char *middle,
                                const char *prefix, const char *suffix);

// Parses a name typed as free text ("John A Smith", "Dr. Smith, John", "Smith^John") into
// an empty record. `order` 0 or 1: the text names the family first; 3: the given name
// first (a text with '^' is always family first). Returns 1, also when it leaves the
// record unchanged because it already holds a name or the text is empty or blank (a
// trace at level 1 says which); returns 0 when a copy could not be allocated.
int Make_Ardent_Name_From_Str(Ardent_Name *name, const char *text, int order);

// Copies each present component of `source` over the same component of `target`, and
// `count`. Returns 1, or 0 on a failed allocation (reported as MSG_ERROR).
int Copy_Ardent_Name(Ardent_Name *target, const Ardent_Name *source);

// Frees the five components and sets `count` to 0. A null record is ignored.
void Free_Ardent_Name(Ardent_Name *name);

// Orders two names: a missing one (null or count 0) first (-1000/1000, 0 when both are
// missing); then by family name and, when equal, given name, case-insensitively, a
// missing component first (-100/100 for the family name, -10/10 for the given name);
// otherwise the case-insensitive comparison's own result. 0 when equal.
int Compare_Ardent_Name(const Ardent_Name *a, const Ardent_Name *b);

// Writes the DICOM form family^given^middle^prefix^suffix (trailing empty components and
// their carets dropped) into `out` of `out_size` bytes, cut to fit. Returns `out`, or
// nullptr (and `out` untouched) for a missing name or when `out_size` is 0.
char *Ardent_Name_To_DICOM(const Ardent_Name *name, char *out, size_t out_size);

// The display form "Dr Doe, John A Jr" (prefix, family, ", " given, middle, suffix, each
// only when present). nullptr for a missing name. The text lives in a rotating pool and
// stays valid for the next 127 calls; at most 323 characters.
const char *Ardent_Name_To_Display(const Ardent_Name *name);

// The file-name form: as the display form, but the comma always follows the family name
// ("Doe," when there is no given name). Pool and validity as Ardent_Name_To_Display.
const char *Ardent_Name_To_File(const Ardent_Name *name);

// The natural order "Dr John A Doe  Jr": prefix, given, middle and family each followed
// by a space, the suffix preceded by one. Pool and validity as Ardent_Name_To_Display.
const char *Ardent_Name_To_Natural(const Ardent_Name *name);
