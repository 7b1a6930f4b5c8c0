// The module folder and the tables read from it: private dictionaries, definition files
// (attribute files and the macros they include), module lists and modality templates.
//
// Every table is filled once under the tables' lock (the "Protected Region", then a
// mutex of their own) and never changed afterwards; a change of folder only forgets
// where to find them, and the release frees them. That lets the private lookup of the
// header pass, which runs on several threads for every private element, work from a
// map per thread of the creators it has met: the lock is taken once per creator and
// thread, and the generation counter tells each thread when its map has gone stale.
//
// The private file of a creator is searched for among the names of a single listing of
// the folder, so a creator without a file costs no failed open, and a file shared by
// several creators (same name, or the same shortened name) is read once.
//
// Index: tables and lock / module folder / definition files / private dictionaries /
//        module lists and templates / SOP classes / release.
#include "dicom/NEMA_Read_IOD.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <unordered_map>

#include "dicom/DICOM_Module_Table.h"
#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/NEMA_Read_Definition.h"
#include "dicom/NEMA_Tag_Cleanup.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "util/message_log.h"
#include "util/mutex_access.h"
#include "util/utility_directory.h"

static const char UNIT[] = "NEMA_Read_IOD";

enum { MODALITY_MAX = 100 };

static const char PRIVATE_PREFIX[] = "DICOM_Private_";
static const char FILE_SUFFIX[] = ".txt";
static const char FALLBACK_MODALITY[] = "OT_Image";
static const char FOLLOW_UP[] = "\n    \xF1\t\t\x02 ";  // a warning's second line

// ---- tables and lock ----------------------------------------------------------------------------

namespace {
// One element of a private dictionary.
struct Private_Entry {
  uint32_t tag;  // group << 16 | element, as the file writes it
  uint16_t VR;   // 0 when the file names none
  bool removed;  // marked '-'
  std::string description;
};
}  // namespace

struct DICOM_Private_Dictionary {
  std::vector<Private_Entry> entries;  // ordered by tag, each tag once
};

namespace {
// A definition file read for its attribute lines (an attribute or include file).
struct Definition_File {
  bool reading = false;  // being read: an include of itself
  bool found = false;
  std::vector<DICOM_Definition_Line> lines;
};

// A module file read for its module list.
struct Module_File {
  bool found = false;
  std::vector<DICOM_Module_Use> modules;
};

struct Modality_Template {
  std::string name;
  DICOM_Attribute *list;  // the nested template; nullptr when no module file was read
};

struct Module_Tables {
  std::mutex lock;
  bool listed = false;                     // private_names holds the folder's private files
  std::set<std::string> private_names;     // NAME of every "DICOM_Private_<NAME>.txt" of the folder
  std::unordered_map<std::string, const DICOM_Private_Dictionary *> creators;       // by creator text
  std::unordered_map<std::string, const DICOM_Private_Dictionary *> private_files;  // by NAME found
  std::vector<std::unique_ptr<DICOM_Private_Dictionary>> dictionaries;  // all, also of former folders
  std::map<std::string, Definition_File> definitions;  // by file name
  std::map<std::string, Module_File> module_files;     // by modality
  std::vector<Modality_Template> templates;            // of the current folder
  std::vector<DICOM_Attribute *> retired_templates;    // of former folders

  // At the end of the program, the templates go with the rest (no release was called).
  ~Module_Tables()
  {
    for (Modality_Template &t : templates) retired_templates.push_back(t.list);
    DICOM_Sequence_Root top{};
    for (DICOM_Attribute *list : retired_templates) DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
  }
};

// The lock of the tables: the program-wide region first (always in this order), then
// the tables' own mutex, which also holds where the region was never created.
class Tables_Lock {
public:
  Tables_Lock();
  ~Tables_Lock();
  Tables_Lock(const Tables_Lock &) = delete;
  Tables_Lock &operator=(const Tables_Lock &) = delete;
};

// A hash of texts that also takes views, so that a lookup makes no string.
struct Text_Hash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// One thread's map of the creators it has met, valid for one generation of the tables.
struct Thread_Creators {
  unsigned generation = 0;
  std::unordered_map<std::string, const DICOM_Private_Dictionary *, Text_Hash, std::equal_to<>> known;
};
}  // namespace

static Module_Tables tables;
static std::string module_dir;
// Changes whenever creators may find other dictionaries (new folder, release).
static std::atomic<unsigned> tables_generation{1};
static thread_local Thread_Creators thread_creators;

Tables_Lock::Tables_Lock()
{
  Mutex_Access_Start();
  tables.lock.lock();
}

Tables_Lock::~Tables_Lock()
{
  tables.lock.unlock();
  Mutex_Access_Stop();
}

// Forgets what was found in the folder (under the lock). The dictionaries and templates
// handed out stay until the release.
static void Tables_Forget()
{
  tables.listed = false;
  tables.private_names.clear();
  tables.creators.clear();
  tables.private_files.clear();
  tables.definitions.clear();
  tables.module_files.clear();
  for (Modality_Template &t : tables.templates) tables.retired_templates.push_back(t.list);
  tables.templates.clear();
  tables_generation.fetch_add(1, std::memory_order_acq_rel);
}

// ---- module folder ------------------------------------------------------------------------------

int DICOM_Module_Dir_Set(Window_Handle, const char *folder)
{
  if (!folder || !*folder) return 0;
  std::string wanted = folder;
  if (wanted.back() != '/') wanted += '/';
  Tables_Lock hold;
  if (wanted != module_dir) {
    module_dir = wanted;
    Tables_Forget();
  }
  return 1;
}

const std::string &DICOM_Module_Dir() { return module_dir; }

// Whether the module folder is set; warns when not.
static bool Folder_Known(Window_Handle owner)
{
  if (!module_dir.empty()) return true;
  NEMA_Warning(owner, "DICOM_Module_Dir is undefined!");
  return false;
}

// ---- definition files -----------------------------------------------------------------------------

static const std::vector<DICOM_Definition_Line> *Definition_Lines(Window_Handle owner, const std::string &file_name,
                                                                   std::string &why);

static DICOM_Include_Reader Include_Reader(Window_Handle owner)
{
  return [owner](const std::string &macro, std::string &why) {
    return Definition_Lines(owner, "DICOM_Include_" + macro + FILE_SUFFIX, why);
  };
}

// The attribute lines of the file `file_name` of the module folder, read once (under the
// lock). nullptr when it cannot be read or includes itself, with `why` saying so.
static const std::vector<DICOM_Definition_Line> *Definition_Lines(Window_Handle owner, const std::string &file_name,
                                                                   std::string &why)
{
  auto [slot, fresh] = tables.definitions.try_emplace(file_name);
  Definition_File &file = slot->second;
  if (fresh) {
    file.reading = true;
    std::vector<DICOM_Definition_Text> text;
    file.found = DICOM_Definition_Text_Read(owner, module_dir + file_name, file_name, text);
    if (file.found) DICOM_Definition_Parse(owner, text, file_name, Include_Reader(owner), file.lines);
    file.reading = false;
  } else if (file.reading) {
    why = "Include of itself (=\x01" + file_name + "\x02)";
    return nullptr;
  }
  if (!file.found) {
    why = "Unable to open attributes file:\x01" + file_name + "\x02";
    return nullptr;
  }
  return &file.lines;
}

// ---- private dictionaries -------------------------------------------------------------------------

// The NAME of a creator's file: trimmed, " * / : < > ? \ | replaced by '_', upper-cased.
static std::string Private_Name(const char *creator)
{
  std::string name = creator;
  size_t start = name.find_first_not_of(' ');
  name = start == std::string::npos ? "" : name.substr(start, name.find_last_not_of(' ') - start + 1);
  for (char &c : name) {
    if (std::strchr("\"*/:<>?\\|", c)) c = '_';
    c = (char)std::toupper((unsigned char)c);
  }
  return name;
}

// Fills private_names from one listing of the folder (under the lock).
static void Private_Files_List()
{
  tables.listed = true;
  std::string pattern = std::string(PRIVATE_PREFIX) + "*" + FILE_SUFFIX;
  Dir_Entry *files = File_List(module_dir.c_str(), pattern.c_str());
  size_t affixes = std::strlen(PRIVATE_PREFIX) + std::strlen(FILE_SUFFIX);
  for (Dir_Entry *f = files; f && f->valid; f++) {
    std::string file = f->Name;
    tables.private_names.insert(file.substr(std::strlen(PRIVATE_PREFIX), file.size() - affixes));
  }
  Dir_Entry_Free(files);
}

// The dictionary of the private file "DICOM_Private_<name>.txt", or nullptr when it
// cannot be read (under the lock).
static const DICOM_Private_Dictionary *Private_File_Read(Window_Handle owner, const std::string &name)
{
  std::string file_name = PRIVATE_PREFIX + name + FILE_SUFFIX;
  std::vector<DICOM_Definition_Text> text;
  if (!DICOM_Definition_Text_Read(owner, module_dir + file_name, file_name, text)) {
    NEMA_Warning(owner, "Unable to open attributes file:\x01%s\x02", file_name.c_str());
    return nullptr;
  }
  std::vector<DICOM_Definition_Line> lines;
  DICOM_Definition_Parse(owner, text, file_name, Include_Reader(owner), lines);
  auto dictionary = std::make_unique<DICOM_Private_Dictionary>();
  for (const DICOM_Definition_Line &line : lines) {
    const DICOM_Attribute &r = line.fields;
    dictionary->entries.push_back({(uint32_t)r.group << 16 | r.element, r.VR, (r.flags & DICOM_FLAG_REMOVE) != 0,
                                   line.description});
  }
  auto by_tag = [](const Private_Entry &a, const Private_Entry &b) { return a.tag < b.tag; };
  std::stable_sort(dictionary->entries.begin(), dictionary->entries.end(), by_tag);
  auto same_tag = [](const Private_Entry &a, const Private_Entry &b) { return a.tag == b.tag; };
  auto &entries = dictionary->entries;
  entries.erase(std::unique(entries.begin(), entries.end(), same_tag), entries.end());  // the first line wins
  tables.dictionaries.push_back(std::move(dictionary));
  return tables.dictionaries.back().get();
}

// The dictionary of a creator met for the first time on any thread (under the lock):
// the longest NAME of a file of the folder, each NAME read once.
static const DICOM_Private_Dictionary *Creator_Search(Window_Handle owner, const char *creator)
{
  if (module_dir.empty()) return nullptr;
  if (!tables.listed) Private_Files_List();
  std::string name = Private_Name(creator);
  for (size_t length = name.size(); length > 0; length--) {
    std::string tried = name.substr(0, length);
    Message_Log(owner, MSG_TRACE + 3, "Private Attribute file:%s%s%s in dir:%s", PRIVATE_PREFIX, tried.c_str(),
                FILE_SUFFIX, module_dir.c_str());
    auto known = tables.private_files.find(tried);
    if (known != tables.private_files.end()) return known->second;
    if (!tables.private_names.count(tried)) continue;
    const DICOM_Private_Dictionary *dictionary = Private_File_Read(owner, tried);
    tables.private_files.emplace(tried, dictionary);
    if (dictionary) return dictionary;
  }
  return nullptr;
}

const DICOM_Private_Dictionary *DICOM_Module_Private_Dictionary(Window_Handle owner, const char *creator)
{
  Message_Log(owner, MSG_TRACE + 4, "in DICOM_Module_Read_Private(%s)", creator ? creator : "");
  if (!creator || !*creator) return nullptr;
  Thread_Creators &mine = thread_creators;
  unsigned generation = tables_generation.load(std::memory_order_acquire);
  if (mine.generation != generation) {
    mine.known.clear();
    mine.generation = generation;
  }
  auto known = mine.known.find(std::string_view(creator));
  if (known != mine.known.end()) return known->second;

  const DICOM_Private_Dictionary *dictionary;
  {
    Tables_Lock hold;
    auto [slot, fresh] = tables.creators.try_emplace(creator, nullptr);
    if (fresh) slot->second = Creator_Search(owner, creator);
    dictionary = slot->second;
  }
  mine.known.emplace(creator, dictionary);
  return dictionary;
}

// The entry of `tag`, or nullptr.
static const Private_Entry *Entry_Find(const DICOM_Private_Dictionary *dictionary, uint32_t tag)
{
  auto &entries = dictionary->entries;
  auto found = std::lower_bound(entries.begin(), entries.end(), tag,
                                [](const Private_Entry &e, uint32_t wanted) { return e.tag < wanted; });
  return found != entries.end() && found->tag == tag ? &*found : nullptr;
}

int DICOM_Module_Private_Apply(Window_Handle, const DICOM_Private_Dictionary *dictionary, DICOM_Attribute *record)
{
  if (!dictionary) return 0;
  uint32_t tag = (uint32_t)record->group << 16 | record->element;
  const Private_Entry *entry = Entry_Find(dictionary, tag);
  if (!entry) entry = Entry_Find(dictionary, tag & 0xFFFF00FF);
  if (!entry) return 0;
  // A named element is no longer unknown: the header reader marks every private element
  // as missing from the dictionary, and guesses a VR when the stream has none.
  if (!entry->removed) record->flags &= (uint16_t)~DICOM_FLAG_DELETED;
  if (entry->VR) {
    record->dictionary_VR = (int16_t)entry->VR;
    record->flags &= (uint16_t)~DICOM_FLAG_VR_UNKNOWN;
  }
  if (!entry->description.empty()) {
    char *copy = NEMA_Strdup(entry->description.c_str(), __LINE__, UNIT, "tag->description");
    if (copy) {
      std::free(record->description);
      record->description = copy;
    }
  }
  if (entry->removed) record->flags |= DICOM_FLAG_DELETED;
  return 1;
}

int DICOM_Module_Read_Private(Window_Handle owner, const char *creator, DICOM_Attribute *record)
{
  return DICOM_Module_Private_Apply(owner, DICOM_Module_Private_Dictionary(owner, creator), record);
}

// ---- module lists and templates ---------------------------------------------------------------

// The usage of a module line's comment: "M", "U", or "C" followed by its condition.
static DICOM_Module_Use Module_Use(const DICOM_Definition_Text &line)
{
  DICOM_Module_Use use{line.text, 'U', ""};
  const std::string &comment = line.comment;
  char usage = comment.empty() ? 0 : (char)std::toupper((unsigned char)comment[0]);
  if ((usage == 'M' || usage == 'U' || usage == 'C') && (comment.size() == 1 || comment[1] == ' ')) {
    use.usage = usage;
    if (usage == 'C' && comment.size() > 2) use.condition = comment.substr(comment.find_first_not_of(' ', 1));
  }
  return use;
}

// The module file of `modality`, read once (under the lock); nullptr with a warning
// when it cannot be read.
static const Module_File *Module_File_Read(Window_Handle owner, const std::string &modality)
{
  auto [slot, fresh] = tables.module_files.try_emplace(modality);
  Module_File &file = slot->second;
  std::string file_name = "DICOM_Module_" + modality + FILE_SUFFIX;
  if (fresh) {
    Message_Log(owner, MSG_TRACE + 3, "module IOD file:%s in dir:%s", file_name.c_str(), module_dir.c_str());
    std::vector<DICOM_Definition_Text> text;
    file.found = DICOM_Definition_Text_Read(owner, module_dir + file_name, file_name, text);
    for (const DICOM_Definition_Text &line : text) file.modules.push_back(Module_Use(line));
  }
  if (file.found) return &file;
  NEMA_Warning(owner, "Unable to open module IOD file:\x01%s\x02 in dir:\x01%s\x02", file_name.c_str(),
               module_dir.c_str());
  return nullptr;
}

int DICOM_Module_List(Window_Handle owner, const char *modality, std::vector<DICOM_Module_Use> &modules)
{
  if (!modality || !*modality) {
    NEMA_Warning(owner, "DICOM_Module_Read no modality name!");
    return 0;
  }
  Tables_Lock hold;
  if (!Folder_Known(owner)) return 0;
  const Module_File *file = Module_File_Read(owner, modality);
  if (!file) return 0;
  modules = file->modules;
  return 1;
}

DICOM_Attribute *DICOM_Module_Attributes_Read(Window_Handle owner, const char *module)
{
  if (!module || !*module) return nullptr;
  DICOM_Attribute *flat;
  {
    Tables_Lock hold;
    if (!Folder_Known(owner)) return nullptr;
    std::string why;
    const std::vector<DICOM_Definition_Line> *lines =
        Definition_Lines(owner, std::string("DICOM_Attributes_") + module + FILE_SUFFIX, why);
    if (!lines) {
      NEMA_Warning(owner, "%s", why.c_str());
      return nullptr;
    }
    flat = DICOM_Definition_List(owner, *lines);
  }
  return flat ? DICOM_Attribute_Format_Move(owner, &flat) : nullptr;
}

static void Stage_Banner(Window_Handle owner, const char *stage)
{
  static const char dashes[] = "-------------------------------------------------------------------------------";
  Message_Log(owner, MSG_TRACE + 3, "%s", dashes);
  Message_Log(owner, MSG_TRACE + 3, "%s", stage);
  Message_Log(owner, MSG_TRACE + 3, "%s", dashes);
}

// The attribute lines of every module of `file`, in order (under the lock).
static std::vector<DICOM_Definition_Line> Module_Lines(Window_Handle owner, const std::string &module_file,
                                                       const Module_File &file)
{
  std::vector<DICOM_Definition_Line> lines;
  int number = 0;
  for (const DICOM_Module_Use &use : file.modules) {
    number++;
    std::string why;
    const std::vector<DICOM_Definition_Line> *module =
        Definition_Lines(owner, "DICOM_Attributes_" + use.name + FILE_SUFFIX, why);
    if (module)
      lines.insert(lines.end(), module->begin(), module->end());
    else
      NEMA_Warning(owner, "reading IOD file:\x01%s\x02 line:\x01%d\x02%s%s", module_file.c_str(), number, FOLLOW_UP,
                   why.c_str());
  }
  return lines;
}

// Cleans the value of every record of `list` and its items by VR.
static void Clean_List(Window_Handle owner, DICOM_Attribute *list)
{
  for (DICOM_Attribute *r = list; r; r = r->next) {
    if (r->group != 0xFFFE && r->data) DICOM_Attribute_Cleanup_Tag(owner, r);
    for (int32_t i = 0; i < r->count; i++) Clean_List(owner, r->item[i]);
  }
}

// The tags of the records of `list` and its items marked removed.
static void Removed_Tags(const DICOM_Attribute *list, std::set<uint32_t> &tags)
{
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (r->flags & DICOM_FLAG_REMOVE) tags.insert((uint32_t)r->group << 16 | r->element);
    for (int32_t i = 0; i < r->count; i++) Removed_Tags(r->item[i], tags);
  }
}

// Merges the records of the sorted list `*list` that share a tag into the first of
// them, by the copy rule. Returns 1, or 0 when a copy failed (reported; `*list` whole).
static int Duplicates_Merge(Window_Handle owner, DICOM_Attribute **list)
{
  DICOM_Attribute *kept = *list;
  if (!kept) return 1;
  int merged = 1;
  for (DICOM_Attribute *r = kept->next; r; r = kept->next) {
    if (r->group != kept->group || r->element != kept->element) {
      kept = r;
      continue;
    }
    if (!DICOM_Attribute_Copy_Tag(owner, kept, r)) merged = 0;
    kept->next = r->next;
    if ((*list)->last == r) (*list)->last = kept;
    r->next = r->last = nullptr;
    DICOM_Attribute_Free(owner, r);
  }
  return merged;
}

// The template of a modality from its module file (under the lock): nested, cleaned,
// removed tags deleted, sorted, duplicates merged. nullptr when it holds nothing.
static DICOM_Attribute *Template_Build(Window_Handle owner, const std::string &module_file, const Module_File &file)
{
  Stage_Banner(owner, "From Module files");
  DICOM_Attribute *flat = DICOM_Definition_List(owner, Module_Lines(owner, module_file, file));
  if (!flat) return nullptr;
  Stage_Banner(owner, "Format of sequences");
  DICOM_Attribute *list = DICOM_Attribute_Format_Move(owner, &flat);
  if (!list) {
    Message_Log(owner, MSG_TRACE, "Failed in DICOM_Attribute_Format()");
    return nullptr;
  }
  Clean_List(owner, list);
  Stage_Banner(owner, "Deleting DICOM tags");
  DICOM_Sequence_Root top{};
  std::set<uint32_t> removed;
  Removed_Tags(list, removed);
  for (uint32_t tag : removed) DICOM_Attribute_Delete(owner, &top, &list, (uint16_t)(tag >> 16), (uint16_t)tag);
  Stage_Banner(owner, "Sorting DICOM tags");
  DICOM_Attribute_Sort(owner, &top, &list);
  Stage_Banner(owner, "copying DICOM tags");
  if (!Duplicates_Merge(owner, &list)) Message_Log(owner, MSG_TRACE, "Failed in DICOM_Attribute_Copy()");
  return list;
}

DICOM_Attribute *DICOM_Module_Read(Window_Handle owner, const char *modality)
{
  Message_Log(owner, MSG_TRACE + 3, "in Mosswright_Module_Read()");
  if (!modality || !*modality) {
    NEMA_Warning(owner, "DICOM_Module_Read no modality name!");
    return nullptr;
  }
  Tables_Lock hold;
  for (const Modality_Template &t : tables.templates)
    if (t.name == modality) return t.list;
  if (tables.templates.size() >= MODALITY_MAX) {
    NEMA_Warning(owner, "ERROR: DICOM_Module_Read Exceeding %d modalities!", MODALITY_MAX);
    return nullptr;
  }
  if (!Folder_Known(owner)) return nullptr;
  std::string used = modality;
  const Module_File *file = Module_File_Read(owner, used);
  if (!file) file = Module_File_Read(owner, used = FALLBACK_MODALITY);
  DICOM_Attribute *list = file ? Template_Build(owner, "DICOM_Module_" + used + FILE_SUFFIX, *file) : nullptr;
  tables.templates.push_back({modality, list});
  return list;
}

// ---- SOP classes --------------------------------------------------------------------------------

const char *DICOM_Module_For_SOP_Class(const char *sop_class_uid)
{
  if (!sop_class_uid) return nullptr;
  std::string uid = sop_class_uid;
  while (!uid.empty() && uid.back() == ' ') uid.pop_back();
  const DICOM_Module_SOP *end = DICOM_Module_SOP_Table + DICOM_Module_SOP_Count;
  const DICOM_Module_SOP *found = std::lower_bound(
      DICOM_Module_SOP_Table, end, uid, [](const DICOM_Module_SOP &s, const std::string &u) { return std::strcmp(s.sop_class_uid, u.c_str()) < 0; });
  return found != end && uid == found->sop_class_uid ? found->modality : nullptr;
}

// ---- release ------------------------------------------------------------------------------------

void DICOM_Module_Release()
{
  Tables_Lock hold;
  Tables_Forget();
  DICOM_Sequence_Root top{};
  for (DICOM_Attribute *list : tables.retired_templates) DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
  tables.retired_templates.clear();
  tables.dictionaries.clear();
}
