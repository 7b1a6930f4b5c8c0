// The process-wide catalogue, its report column templates, the growth of its arrays,
// its column-text arrays, its lookup tables and its release.
//
// Arrays double while short and grow by a block once long: a study of 3 series or a
// series of 30 images then holds a few spare elements instead of a block of 256, which
// is most of the catalogue's memory on a large scan. A column-text array is one block:
// its slot count, then the slots; its owner holds a pointer to the first slot.
//
// Studies and series are found through hash tables keyed by their UIDs. A key keeps
// the index of the first record that took it, so a lookup answers exactly what a
// linear search of the arrays in order would (first match wins) in constant time: a
// scan of 100,000 files in 5,000 studies costs no quadratic time.
#include "app/catalogue.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/message_log.h"

item_catalogue Dir_List;
Catalogue_Template template_study, template_series, template_image;

struct Catalogue_Index {
  std::unordered_map<std::string, int> studies;  // Study_UID ("" = absent) -> study index
  std::unordered_map<std::string, int> series;   // study index (4 bytes) + Series_UID -> series index
};

// The elements an array must hold after growing at `count`, or 0 when the array of
// `count` elements still has room.
static size_t Array_Grown_Size(int count)
{
  if (count == 0) return CATALOGUE_FIRST;
  if (count < CATALOGUE_BLOCK) return count >= CATALOGUE_FIRST && (count & (count - 1)) == 0 ? 2 * (size_t)count : 0;
  return count % CATALOGUE_BLOCK == 0 ? (size_t)count + CATALOGUE_BLOCK : 0;
}

int Catalogue_Array_Grow(void **array, int count, size_t size, const char *variable)
{
  size_t elements = Array_Grown_Size(count);
  if (elements == 0) return 1;
  void *grown = std::realloc(*array, elements * size);
  if (!grown) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in realloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), variable, (int)elements, (int)size);
    return 0;
  }
  std::memset((char *)grown + (size_t)count * size, 0, (elements - (size_t)count) * size);
  *array = grown;
  return 1;
}

// ---- column texts ----------------------------------------------------------------------------

static_assert(sizeof(size_t) == sizeof(char *), "the slot count takes one slot of a column-text array");

// The block of a column-text array: its first slot holds the count.
static char **Info_Block(char *const *info) { return const_cast<char **>(info) - 1; }

char **Catalogue_Info_New(int count, const char *variable)
{
  char **block = (char **)std::calloc((size_t)count + 1, sizeof(char *));
  if (!block) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), variable, count + 1, (int)sizeof(char *));
    return nullptr;
  }
  size_t slots = (size_t)count;
  std::memcpy(block, &slots, sizeof slots);
  return block + 1;
}

int Catalogue_Info_Count(char *const *info)
{
  if (!info) return 0;
  size_t slots;
  std::memcpy(&slots, Info_Block(info), sizeof slots);
  return (int)slots;
}

const char *Catalogue_Info_Text(char *const *info, int column)
{
  return column >= 0 && column < Catalogue_Info_Count(info) ? info[column] : nullptr;
}

void Catalogue_Info_Free(char ***info)
{
  if (!*info) return;
  int count = Catalogue_Info_Count(*info);
  for (int i = 0; i < count; i++) std::free((*info)[i]);
  std::free(Info_Block(*info));
  *info = nullptr;
}

// ---- lookup tables ---------------------------------------------------------------------------

static std::string Study_Key(const char *uid) { return uid ? uid : ""; }

static std::string Series_Key(int study, const char *uid)
{
  std::string key((const char *)&study, sizeof study);
  if (uid) key += uid;
  return key;
}

// The catalogue's tables, made on first use; nullptr after a logged memory failure.
static Catalogue_Index *Index_Of(item_catalogue *catalogue)
{
  if (!catalogue->index) catalogue->index = new (std::nothrow) Catalogue_Index;
  if (!catalogue->index)
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), "dir_list->index", 1, (int)sizeof(Catalogue_Index));
  return catalogue->index;
}

// Keeps `value` under `key` unless the key is taken; returns 0 after a memory message.
static int Index_Put(std::unordered_map<std::string, int> &table, std::string key, int value)
{
  try {
    table.emplace(std::move(key), value);
    return 1;
  } catch (const std::bad_alloc &) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in malloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), "dir_list->index", 1, (int)key.size());
    return 0;
  }
}

static int Index_Get(const std::unordered_map<std::string, int> &table, const std::string &key)
{
  auto found = table.find(key);
  return found == table.end() ? -1 : found->second;
}

int Catalogue_Study_Find(const item_catalogue *catalogue, const char *uid)
{
  return catalogue->index ? Index_Get(catalogue->index->studies, Study_Key(uid)) : -1;
}

int Catalogue_Series_Find(const item_catalogue *catalogue, int study, const char *uid)
{
  return catalogue->index ? Index_Get(catalogue->index->series, Series_Key(study, uid)) : -1;
}

int Catalogue_Study_Index(item_catalogue *catalogue, int study, const char *uid)
{
  Catalogue_Index *index = Index_Of(catalogue);
  return index && Index_Put(index->studies, Study_Key(uid), study);
}

int Catalogue_Series_Index(item_catalogue *catalogue, int study, int series, const char *uid)
{
  Catalogue_Index *index = Index_Of(catalogue);
  return index && Index_Put(index->series, Series_Key(study, uid), series);
}

// ---- release ----------------------------------------------------------------------------------

void Catalogue_Free_Studies(item_catalogue *catalogue)
{
  for (int s = 0; s < catalogue->nb_child; s++) {
    item_study &study = catalogue->child[s];
    std::free(study.Study_UID);
    std::free(study.Study_ID);
    std::free(study.Patient_ID);
    Catalogue_Info_Free(&study.DICOM_Info);
    if (study.Patient_Name) Free_Ardent_Name(study.Patient_Name);
    std::free(study.Patient_Name);
    if (study.Study_Date) Free_Ardent_Date(study.Study_Date);
    std::free(study.Study_Date);
    for (int r = 0; r < study.nb_child; r++) {
      item_series &series = study.child[r];
      std::free(series.Series_UID);
      std::free(series.Series_desc);
      Catalogue_Info_Free(&series.DICOM_Info);
      std::free(series.child);
    }
    std::free(study.child);
  }
  std::free(catalogue->child);
  catalogue->child = nullptr;
  catalogue->nb_child = 0;
  delete catalogue->index;
  catalogue->index = nullptr;
}

int Catalogue_Lost(const item_catalogue *catalogue)
{
  int lost = 0;
  for (int i = 0; i < catalogue->nb_dir; i++) lost += catalogue->dir[i].nb_lost;
  return lost;
}

void Catalogue_Free_Dir(item_dir *record)
{
  for (int d = 0; d < record->nb_dir; d++) Catalogue_Free_Dir(&record->dir[d]);
  std::free(record->dir);
  for (int f = 0; f < record->nb_file; f++) {
    item_file &entry = record->file[f];
    std::free(entry.path);
    std::free(entry.Images_UID);
    Catalogue_Info_Free(&entry.DICOM_Info);
  }
  std::free(record->file);
  std::free(record->name);
  std::free(record->path);
  std::memset(record, 0, sizeof *record);
}

void Catalogue_Free(item_catalogue *catalogue)
{
  Catalogue_Free_Studies(catalogue);
  std::free(catalogue->path);
  catalogue->path = nullptr;
  for (int d = 0; d < catalogue->nb_dir; d++) Catalogue_Free_Dir(&catalogue->dir[d]);
  std::free(catalogue->dir);
  catalogue->dir = nullptr;
  catalogue->nb_dir = 0;
}
