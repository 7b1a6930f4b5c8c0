// Filing a file's header in the catalogue: its study (by Study Instance UID), its series
// within the study (by Series Instance UID), the image's own UID and number, and the
// report columns of each level; and the display text of one attribute.
//
// Index: texts and columns / study / series / image / Catalogue_Add_File / Attribute_Text.
#include "app/dicom_dir_work.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dicom/DICOM_Text_Value.h"
#include "dicom/NEMA_Read_Value.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/message_log.h"
#include "util/mutex_access.h"
#include "util/path_split.h"

// ---- texts and columns ------------------------------------------------------------------------

// Reports a failed text copy of `variable`.
static void Strdup_Failed(int line, const char *variable)
{
  Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", line,
              Log_Source_Name(__FILE__), variable);
}

// The first value of a text attribute of `list`, trimmed (blanks and tabs in front,
// blanks, tabs and line feeds behind), or "" when the attribute is missing or empty.
// `found` (optional) tells whether the attribute exists; `valued` whether it has a
// first value.
static std::string Text_Value(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t group, uint16_t element,
                              bool *found = nullptr, bool *valued = nullptr)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, group, element);
  DICOM_Attribute_To_UTF8(nullptr, attribute, list);
  if (found) *found = attribute != nullptr;
  if (valued) *valued = false;
  if (!attribute) return "";
  char **values = NEMA_Value_Str(nullptr, attribute, 0);
  if (!values || attribute->vm == 0 || !values[0]) return "";
  if (valued) *valued = true;
  const char *text = values[0];
  while (*text == ' ' || *text == '\t') text++;
  size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' || text[length - 1] == '\n')) length--;
  return std::string(text, length);
}

// A malloc'ed copy of `text`, or nullptr for an empty text. `failed` is set after a
// reported memory failure naming `variable`.
static char *Text_Copy(const std::string &text, const char *variable, bool &failed)
{
  if (text.empty()) return nullptr;
  char *copy = strdup(text.c_str());
  if (!copy) {
    Strdup_Failed(__LINE__, variable);
    failed = true;
  }
  return copy;
}

// The first value of an integer attribute, or 0 when missing or empty.
static int32_t Int_Value(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t group, uint16_t element)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, group, element);
  if (!attribute) return 0;
  int32_t *values = DICOM_Value_Int(nullptr, attribute, 0);
  return values && attribute->vm > 0 ? values[0] : 0;
}

// Fills `*info` with one text per column of `columns` (nullptr when no column gives a
// text; else an array of as many slots as `columns` has columns). `variable` names the
// record's field in memory messages ("image->DICOM_Info"). Returns 0 after a memory
// failure.
static int Info_Fill(char ***info, const Catalogue_Template &columns, DICOM_Attribute *list,
                     DICOM_Sequence_Root *root, const char *variable)
{
  for (int i = 0; i < columns.count; i++) {
    if (columns.group[i] == 0) continue;
    DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, columns.group[i], columns.element[i]);
    DICOM_Attribute_To_UTF8(nullptr, attribute, list);
    const char *text = Attribute_Text(attribute);
    if (!text || !*text) continue;
    if (!*info) *info = Catalogue_Info_New(columns.count, variable);
    if (!*info) return 0;
    (*info)[i] = strdup(text);
    if (!(*info)[i]) {
      Strdup_Failed(__LINE__, (std::string(variable) + "[i]").c_str());
      return 0;
    }
  }
  return 1;
}

// The file's base name (no folder, no extension), cut to fit first_file and last_file.
static std::string Base_Name(const char *path)
{
  std::string name;
  Path_Split(path, nullptr, &name, nullptr);
  if (name.size() > CATALOGUE_FILE_NAME - 1) name.resize(CATALOGUE_FILE_NAME - 1);
  return name;
}

// Widens [first_file, last_file] to hold `name`.
static void File_Range_Update(char *first_file, char *last_file, const std::string &name)
{
  if (std::strcmp(name.c_str(), last_file) > 0) std::strcpy(last_file, name.c_str());
  if (std::strcmp(name.c_str(), first_file) < 0) std::strcpy(first_file, name.c_str());
}

static void File_Range_Start(char *first_file, char *last_file, const std::string &name)
{
  std::strcpy(first_file, name.c_str());
  std::strcpy(last_file, name.c_str());
}

// ---- study ------------------------------------------------------------------------------------

// The first path component of `path` below the scanned folder `folder`: the path less
// as many characters as the folder has (and the separator after them, when the folder
// lacks its own), cut at its next separator.
static std::string First_Folder(const char *path, const char *folder)
{
  size_t skip = folder ? std::strlen(folder) : 0;
  if (skip > std::strlen(path) || std::strncmp(path, folder, skip) != 0) skip = 0;
  const char *below = path + skip;
  if (*below == '/') below++;
  const char *end = std::strchr(below, '/');
  return end ? std::string(below, end - below) : std::string(below);
}

// Adds the file's first folder to the study's list unless it is there or the list is full.
static void Study_Folder_Add(item_study &study, const char *path, const char *folder)
{
  std::string name = First_Folder(path, folder);
  if (name.size() > CATALOGUE_FOLDER_SIZE - 1) name.resize(CATALOGUE_FOLDER_SIZE - 1);
  for (int i = 0; i < CATALOGUE_FOLDERS; i++) {
    if (study.folder[i][0] == 0) {
      std::memcpy(study.folder[i], name.c_str(), name.size() + 1);
      return;
    }
    if (name == study.folder[i]) return;
  }
}

// A calloc'ed copy of the first person name of (0010,0010), or nullptr when missing.
static Ardent_Name *Study_Name_Copy(DICOM_Attribute *list, DICOM_Sequence_Root *root, bool &failed)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, 0x0010, 0x0010);
  DICOM_Attribute_To_UTF8(nullptr, attribute, list);
  Ardent_Name *read = attribute ? DICOM_Value_Name(nullptr, attribute, 0) : nullptr;
  if (!read || attribute->vm == 0) return nullptr;
  Ardent_Name *name = (Ardent_Name *)std::calloc(1, sizeof(Ardent_Name));
  if (!name || !Copy_Ardent_Name(name, read)) {
    if (!name)
      Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                  Log_Source_Name(__FILE__), "item_study->Patient_Name", 1, (int)sizeof(Ardent_Name));
    Free_Ardent_Name(name);
    std::free(name);
    failed = true;
    return nullptr;
  }
  return name;
}

// A calloc'ed, checked copy of Study Date, or of Content Date when Study Date is
// missing; nullptr when both are missing or give no date.
static Ardent_Date *Study_Date_Copy(DICOM_Attribute *list, DICOM_Sequence_Root *root, bool &failed)
{
  DICOM_Attribute *attribute = DICOM_Attribute_Get(nullptr, root, list, 0x0008, 0x0020);
  if (!attribute) attribute = DICOM_Attribute_Get(nullptr, root, list, 0x0008, 0x0023);
  Ardent_Date *read = attribute ? DICOM_Value_Date(nullptr, attribute, 0) : nullptr;
  if (!read) return nullptr;
  Ardent_Date *date = (Ardent_Date *)std::calloc(1, sizeof(Ardent_Date));
  if (!date || !Copy_Ardent_Date(date, read)) {
    if (!date)
      Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                  Log_Source_Name(__FILE__), "item_study->Study_Date", 1, (int)sizeof(Ardent_Date));
    Free_Ardent_Date(date);
    std::free(date);
    failed = true;
    return nullptr;
  }
  Check_Ardent_Date(date, 0);
  return date;
}

// Appends and fills a new study for the file; returns its index, or -1 after a memory
// failure (a study whose fields could not all be copied stays, with what it holds).
static int Study_Add(item_catalogue *catalogue, const std::string &uid, item_file *entry, DICOM_Attribute *list,
                     DICOM_Sequence_Root *root, const std::string &base)
{
  Message_Log(nullptr, MSG_TRACE + 1, "Adding new study %s", Log_Value_Escape(uid).c_str());
  if (!Catalogue_Array_Grow((void **)&catalogue->child, catalogue->nb_child, sizeof(item_study), "dir_list->child"))
    return -1;
  int index = catalogue->nb_child++;
  item_study &study = catalogue->child[index];
  bool failed = false;
  Study_Folder_Add(study, entry->path, catalogue->path);
  study.Study_UID = Text_Copy(uid, "item_study->Study_UID", failed);
  Catalogue_Study_Index(catalogue, index, study.Study_UID);
  study.Study_ID = Text_Copy(Text_Value(list, root, 0x0020, 0x0010), "item_study->Study_ID", failed);
  study.Patient_Name = Study_Name_Copy(list, root, failed);
  study.Patient_ID = Text_Copy(Text_Value(list, root, 0x0010, 0x0020), "item_study->Patient_ID", failed);
  study.Study_Date = Study_Date_Copy(list, root, failed);
  if (!Info_Fill(&study.DICOM_Info, template_study, list, root, "item_study->DICOM_Info")) failed = true;
  File_Range_Start(study.first_file, study.last_file, base);
  study.nb_file = 1;
  return failed ? -1 : index;
}

// ---- series -------------------------------------------------------------------------------------

static int Series_Add(item_catalogue *catalogue, int study_index, const std::string &uid, DICOM_Attribute *list,
                      DICOM_Sequence_Root *root, const std::string &base)
{
  item_study &study = catalogue->child[study_index];
  Message_Log(nullptr, MSG_TRACE + 1, "Adding new series %s", Log_Value_Escape(uid).c_str());
  if (!Catalogue_Array_Grow((void **)&study.child, study.nb_child, sizeof(item_series), "item_study->child"))
    return -1;
  int index = study.nb_child++;
  item_series &series = study.child[index];
  bool failed = false;
  series.Series_UID = Text_Copy(uid, "item_series->Series_UID", failed);
  Catalogue_Series_Index(catalogue, study_index, index, series.Series_UID);
  series.Series_desc = Text_Copy(Text_Value(list, root, 0x0008, 0x103E), "item_series->Series_desc", failed);
  series.series_number = Int_Value(list, root, 0x0020, 0x0011);
  if (!Info_Fill(&series.DICOM_Info, template_series, list, root, "item_series->DICOM_Info")) failed = true;
  File_Range_Start(series.first_file, series.last_file, base);
  return failed ? -1 : index;
}

// ---- image ------------------------------------------------------------------------------------

// Sets the entry's SOP Instance UID, instance number and image columns, once.
static int Image_Fill(item_file *entry, DICOM_Attribute *list, DICOM_Sequence_Root *root)
{
  if (entry->Images_UID) return 1;
  bool found = false, valued = false, failed = false;
  std::string uid = Text_Value(list, root, 0x0008, 0x0018, &found, &valued);
  if (found && !valued) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Error in NEMA_Value_Str() in %s", Log_Value_Escape(entry->path).c_str());
    return 0;
  }
  entry->Images_UID = Text_Copy(uid, "image->Images_UID", failed);
  entry->image_number = Int_Value(list, root, 0x0020, 0x0013);
  if (!Info_Fill(&entry->DICOM_Info, template_image, list, root, "image->DICOM_Info")) failed = true;
  return failed ? 0 : 1;
}

// ---- Catalogue_Add_File ---------------------------------------------------------------------------

// The trimmed first value of a key UID; false after the warning when it is missing or
// has no value.
static bool Key_UID(DICOM_Attribute *list, DICOM_Sequence_Root *root, uint16_t element, const char *path,
                    std::string &uid)
{
  bool found = false, valued = false;
  uid = Text_Value(list, root, 0x0020, element, &found, &valued);
  const char *which = element == 0x000D ? "Study" : "Series";
  if (!found) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Missing %s UID tag (0020,%04X) in %s", which, element,
                Log_Value_Escape(path).c_str());
    return false;
  }
  if (!valued) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 Error in NEMA_Value_Str(0020,%04X) in %s", element, Log_Value_Escape(path).c_str());
    return false;
  }
  Message_Log(nullptr, MSG_TRACE + 5, "%s: %s", element == 0x000D ? "study" : "series", Log_Value_Escape(uid).c_str());
  return true;
}

int Catalogue_Add_File(item_catalogue *catalogue, item_file *entry, DICOM_Attribute *list, DICOM_Sequence_Root *root)
{
  std::string study_uid, series_uid;
  if (!Key_UID(list, root, 0x000D, entry->path, study_uid)) return 0;
  std::string base = Base_Name(entry->path);
  int study_index = Catalogue_Study_Find(catalogue, study_uid.empty() ? nullptr : study_uid.c_str());
  if (study_index >= 0) {
    item_study &study = catalogue->child[study_index];
    Message_Log(nullptr, MSG_TRACE + 1, "Study already in the list: %s", Log_Value_Escape(study_uid).c_str());
    Study_Folder_Add(study, entry->path, catalogue->path);
    File_Range_Update(study.first_file, study.last_file, base);
    study.nb_file++;
  } else {
    study_index = Study_Add(catalogue, study_uid, entry, list, root, base);
    if (study_index < 0) return 0;
  }

  if (!Key_UID(list, root, 0x000E, entry->path, series_uid)) return 0;
  int series_index = Catalogue_Series_Find(catalogue, study_index, series_uid.empty() ? nullptr : series_uid.c_str());
  item_study &study = catalogue->child[study_index];
  if (series_index >= 0) {
    Message_Log(nullptr, MSG_TRACE + 1, "Series already in the list: %s", series_uid.c_str());
    File_Range_Update(study.child[series_index].first_file, study.child[series_index].last_file, base);
  } else {
    series_index = Series_Add(catalogue, study_index, series_uid, list, root, base);
    if (series_index < 0) return 0;
  }

  item_series &series = study.child[series_index];
  if (!Catalogue_Array_Grow((void **)&series.child, series.nb_child, sizeof(item_file *), "item_series->child"))
    return 0;
  series.child[series.nb_child++] = entry;
  return Image_Fill(entry, list, root);
}

// ---- Attribute_Text -------------------------------------------------------------------------------

// Appends the text of value `i` of `attribute`, by `vr`, to `text`.
static void Value_Text(std::string &text, DICOM_Attribute *attribute, uint16_t vr)
{
  char number[64];
  switch (vr) {
  case DICOM_VR_AE: case DICOM_VR_AS: case DICOM_VR_CS: case DICOM_VR_LO: case DICOM_VR_LT:
  case DICOM_VR_SH: case DICOM_VR_ST: case DICOM_VR_UI: case DICOM_VR_UT: {
    char **values = NEMA_Value_Str(nullptr, attribute, vr);
    for (uint32_t i = 0; values && i < attribute->vm; i++) {
      if (i) text += ", ";
      if (values[i]) text += values[i];
    }
    break;
  }
  case DICOM_VR_DA: case DICOM_VR_TM: case DICOM_VR_DT: {
    Ardent_Date *date = vr != DICOM_VR_TM ? DICOM_Value_Date(nullptr, attribute, vr) : nullptr;
    Ardent_Time *time = vr != DICOM_VR_DA ? DICOM_Value_Time(nullptr, attribute, vr) : nullptr;
    // The text form lives in one shared buffer: copy it out inside the shared region.
    Mutex_Access_Start();
    const char *shown = (date || time) ? Ardent_Date_Time_To_Display(date, time) : nullptr;
    if (shown) text += shown;
    Mutex_Access_Stop();
    break;
  }
  case DICOM_VR_DS: case DICOM_VR_FD: case DICOM_VR_FL: {
    float *values = DICOM_Value_Float(nullptr, attribute, vr);
    for (uint32_t i = 0; values && i < attribute->vm; i++) {
      std::snprintf(number, sizeof number, "%s%-.3f", i ? ", " : "", values[i]);
      text += number;
    }
    break;
  }
  case DICOM_VR_IS: case DICOM_VR_SL: case DICOM_VR_SS: case DICOM_VR_UL: case DICOM_VR_US: {
    int32_t *values = DICOM_Value_Int(nullptr, attribute, vr);
    for (uint32_t i = 0; values && i < attribute->vm; i++) {
      std::snprintf(number, sizeof number, "%s%-d", i ? ", " : "", values[i]);
      text += number;
    }
    break;
  }
  case DICOM_VR_OB: case DICOM_VR_OW: {
    unsigned char *bytes = DICOM_Value_Buffer(nullptr, attribute, vr);
    if (bytes && attribute->size > 0) text.append((const char *)bytes, strnlen((const char *)bytes, attribute->size));
    break;
  }
  case DICOM_VR_PN: {
    Ardent_Name *names = DICOM_Value_Name(nullptr, attribute, vr);
    for (uint32_t i = 0; names && i < attribute->vm; i++) {
      if (i) text += ", ";
      const char *shown = Ardent_Name_To_Display(&names[i]);
      if (shown) text += shown;
    }
    break;
  }
  default:
    break;
  }
}

const char *Attribute_Text(DICOM_Attribute *attribute)
{
  if (!attribute || attribute->size > 1024) return nullptr;
  thread_local std::string text;
  text.clear();
  uint16_t vr = attribute->VR ? attribute->VR : (uint16_t)attribute->dictionary_VR;
  Value_Text(text, attribute, vr);
  return text.c_str();
}
