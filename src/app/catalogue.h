// The catalogue records: the program's one in-memory model of what a scan found. It
// holds the scanned files twice over: as a tree of directory records with their file
// entries (made by the directory walk), and as an array of studies, each with its
// series, each series pointing at file entries of that tree (made by the header pass,
// one file at a time). Views, sort trees, reports and jobs read these records; the sort
// trees point into them and never copy them.
//
// Every text is NUL-terminated, owned by the record that points at it (malloc'ed copy,
// released with free) and absent when nullptr. Arrays grow with zeroed elements, by
// doubling from CATALOGUE_FIRST up to CATALOGUE_BLOCK elements and by CATALOGUE_BLOCK
// after that, so that the many short arrays (the series of a study, the images of a
// series, the files of a folder) hold little unused room. The column texts of a record
// (DICOM_Info) sit in an array with as many slots as its report template has columns.
// The process-wide instance is `Dir_List`; a scan frees it (Catalogue_Free) and builds
// it again.
#pragma once

#include <cstddef>
#include <cstdint>

struct Ardent_Name;  // person name record of the DICOM library
struct Ardent_Date;  // date record of the DICOM library

enum {
  CATALOGUE_FIRST = 4,        // elements of a catalogue array when it is first made
  CATALOGUE_BLOCK = 256,      // growth step of a catalogue array past this many elements
  CATALOGUE_INFO_MAX = 100,   // most report columns per level (DICOM_Info texts)
  CATALOGUE_FILE_NAME = 120,  // bytes of first_file and last_file (119 characters)
  CATALOGUE_FOLDERS = 10,     // first-level folders recorded per study
  CATALOGUE_FOLDER_SIZE = 64, // bytes of each folder text (63 characters)
};

// select_state of a file entry.
enum { SELECT_NO = 1, SELECT_YES = 2 };
// copy_state of a file entry: outcome of the last copy or push.
enum { COPY_NONE = 1, COPY_DONE = 2, COPY_FAILED = 4 };

// One accepted file. Stored inside its directory record's `file` array; series hold
// pointers to it (valid until Catalogue_Free).
struct item_file {
  uint8_t select_state;  // 1 not selected, 2 selected (kept by the catalogue view)
  uint8_t copy_state;    // 1 none, 2 done, 4 failed (kept by the copy and push jobs)
  char **DICOM_Info;     // image-level column texts (Catalogue_Info_New), or nullptr
                         // when the header pass found none; each text may be absent
  char *path;            // full path of the file
  char *Images_UID;      // SOP Instance UID (0008,0018); absent until the header is read
  int32_t image_number;  // Instance Number (0020,0013); 0 when absent
};

// One directory of the scan: the accepted files in it and the sub-directories that
// hold accepted files, directly or below.
struct item_dir {
  char *name;        // the directory's name (the top record: the scanned folder's path)
  char *path;        // the directory's full path
  int32_t nb_dicom;  // accepted files in this directory and all below it
  int32_t nb_dir;    // number of sub-directory records
  item_dir *dir;     // the sub-directory records, in the order the walk met them
  int32_t nb_file;   // number of file entries
  item_file *file;   // the accepted files of this directory, in the order listed
  int32_t nb_lost;   // paths in this directory and below that the walk could not read (each reported)
};

// One series of a study; its key is Series_UID within the study.
struct item_series {
  char *Series_UID;                       // Series Instance UID (0020,000E), trimmed
  char *Series_desc;                      // Series Description (0008,103E), trimmed; absent when missing or empty
  int32_t series_number;                  // Series Number (0020,0011); 0 when absent
  char **DICOM_Info;                      // series-level column texts (Catalogue_Info_New), or nullptr
  char first_file[CATALOGUE_FILE_NAME];   // smallest base name (byte order) of its files
  char last_file[CATALOGUE_FILE_NAME];    // largest base name of its files
  int32_t nb_child;                       // number of images
  item_file **child;                      // the series' file entries, in the order added
};

// One study; its key is Study_UID.
struct item_study {
  int32_t nb_image;                       // sum of the series' nb_child, set by the sort job
  char *Study_UID;                        // Study Instance UID (0020,000D), trimmed
  char *Study_ID;                         // Study ID (0020,0010), trimmed; absent when missing or empty
  char *Patient_ID;                       // Patient ID (0010,0020), trimmed; absent when missing or empty
  char **DICOM_Info;                      // study-level column texts (Catalogue_Info_New), or nullptr
  char first_file[CATALOGUE_FILE_NAME];   // smallest base name (byte order) of its files
  char last_file[CATALOGUE_FILE_NAME];    // largest base name of its files
  Ardent_Name *Patient_Name;              // Patient's Name (0010,0010); absent when missing
  Ardent_Date *Study_Date;                // Study Date (0008,0020), else Content Date (0008,0023); may be absent
  char folder[CATALOGUE_FOLDERS][CATALOGUE_FOLDER_SIZE];  // distinct first path components below
                                                          // the scanned folder ("" = unused)
  int32_t nb_file;                        // files added to the study (also those without a series)
  int32_t nb_child;                       // number of series
  item_series *child;                     // the series, in the order first met
};

struct Catalogue_Index;  // private lookup tables of the catalogue (study and series keys)

// The catalogue root.
struct item_catalogue {
  char *path;                // the scanned folder; may be absent
  int32_t nb_child;          // number of studies
  item_study *child;         // the studies, in the order first met
  int32_t nb_dir;            // top directory records: 0 before a scan, 1 after one that found files
  item_dir *dir;             // the top directory record of the scan
  Catalogue_Index *index;    // owned lookup tables; nullptr until the first study is added
};

// The process-wide catalogue.
extern item_catalogue Dir_List;

// A column template of the reports: the (group, element) of each column of one level,
// in column order; (0000,0000) is an empty column. The catalogue fills one DICOM_Info
// text per column when it adds a file; the report prints them. The report's template
// loader fills these three at start-up; until then they have no columns.
struct Catalogue_Template {
  int32_t count;                            // number of columns, 0..CATALOGUE_INFO_MAX
  uint16_t group[CATALOGUE_INFO_MAX];
  uint16_t element[CATALOGUE_INFO_MAX];
};
extern Catalogue_Template template_study, template_series, template_image;

// ---- operations on the records ------------------------------------------------------------

// Makes room for one more element at index `count` of `*array` (elements of `size`
// bytes), an array that only this function has enlarged: when `count` fills it (0, a
// power of two from CATALOGUE_FIRST below CATALOGUE_BLOCK, or a multiple of
// CATALOGUE_BLOCK) the array is enlarged to CATALOGUE_FIRST, twice `count`, or
// count + CATALOGUE_BLOCK elements, the new ones zeroed. Returns 1; returns 0 after the
// memory-error message naming `variable`, the array untouched.
int Catalogue_Array_Grow(void **array, int count, size_t size, const char *variable);

// A DICOM_Info array of `count` column texts (0..CATALOGUE_INFO_MAX), all absent; the
// caller stores malloc'ed texts in it and releases it with Catalogue_Info_Free. Returns
// nullptr after the memory-error message naming `variable`.
char **Catalogue_Info_New(int count, const char *variable);

// The number of column slots of a DICOM_Info array (0 for nullptr).
int Catalogue_Info_Count(char *const *info);

// Column `column` of a DICOM_Info array: its text, or nullptr when the text is absent,
// the array is absent or the column lies beyond its slots.
const char *Catalogue_Info_Text(char *const *info, int column);

// Frees a DICOM_Info array with its texts, and sets `*info` to nullptr.
void Catalogue_Info_Free(char ***info);

// Frees every study and series with their texts and records, then `path` and the
// directory tree with its file entries, and the lookup tables; every count becomes 0.
// Pointers into the catalogue (sort trees, selections) are invalid afterwards.
void Catalogue_Free(item_catalogue *catalogue);

// Frees the studies and series only (the directory tree stays): what a cancelled
// header pass undoes.
void Catalogue_Free_Studies(item_catalogue *catalogue);

// The paths that the scan of `catalogue` could not read (the top records' nb_lost):
// files that may be missing from any selection of it.
int Catalogue_Lost(const item_catalogue *catalogue);

// Frees one directory record's contents depth first (names, paths, sub-records, file
// entries with their texts) and zeroes it.
void Catalogue_Free_Dir(item_dir *record);

// The index of the first study whose Study_UID equals `uid` byte for byte (an absent
// UID matches an absent one), or -1.
int Catalogue_Study_Find(const item_catalogue *catalogue, const char *uid);
// The index of the first series of study `study` whose Series_UID equals `uid`, or -1.
int Catalogue_Series_Find(const item_catalogue *catalogue, int study, const char *uid);
// Records that study `study` (already appended) has key `uid`; returns 0 after a logged
// memory failure (lookups then miss it and a later file makes a second study).
int Catalogue_Study_Index(item_catalogue *catalogue, int study, const char *uid);
// Records that series `series` of study `study` has key `uid`; returns 0 after a logged
// memory failure.
int Catalogue_Series_Index(item_catalogue *catalogue, int study, int series, const char *uid);
