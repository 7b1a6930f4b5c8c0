// DICOMDIR building, merging and reading. In memory the directory is a tree of nodes, one
// per directory record, each holding its record's keys as an attribute list in ascending
// tag order (from (0004,1430) Directory Record Type on). An existing DICOMDIR is loaded
// by following its offsets from the root, so only the records a reader would reach are
// kept, every offset must land on an item, and no record is reached twice. Writing lays
// the records out depth first in the Directory Record Sequence, encodes once with zero
// offsets to learn where each item lands, fills the offsets (all fixed-size UL values, so
// nothing moves) and encodes again.
//
// Index: texts and values / record kinds / loading / adding files / writing / entry points.
#include "dicom/DICOM_Media_Directory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_Write.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "dicom/NEMA_db.h"
#include "platform/os/os_files.h"
#include "util/message_log.h"

static const char UNIT[] = "DICOM_Media_Directory";

enum : uint16_t {
  DIR_GROUP = 0x0004,
  FILE_SET_ID = 0x1130,
  FIRST_ROOT = 0x1200,
  LAST_ROOT = 0x1202,
  CONSISTENCY = 0x1212,
  RECORD_SEQUENCE = 0x1220,
  NEXT_RECORD = 0x1400,
  IN_USE = 0x1410,
  LOWER_RECORD = 0x1420,
  RECORD_TYPE = 0x1430,
  FILE_ID = 0x1500,
  FILE_CLASS = 0x1510,
  FILE_INSTANCE = 0x1511,
  FILE_SYNTAX = 0x1512,
  RECORD_IN_USE = 0xFFFF,
  ITEM_GROUP = 0xFFFE,
  ITEM_TAG = 0xE000,
};
enum {
  FILE_ID_PART_MAX = 8,    // characters of one path part
  FILE_ID_PARTS_MAX = 8,   // parts of one Referenced File ID
  FILE_SET_ID_MAX = 16,
  TREE_DEPTH_MAX = 16,     // record levels followed in an existing directory
  GENERATED_DIGITS = 1000000,
};
static const uint32_t HEADER_LAST_TAG = DICOMDIR_Scan_Tag(0x7FDF, 0xFFFF);  // stop before pixel data

// ---- texts and values -------------------------------------------------------------------------

static std::string Trimmed(const unsigned char *data, int32_t size)
{
  if (!data || size <= 0) return "";
  std::string text((const char *)data, (size_t)size);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? "" : text.substr(start);
}

static const DICOM_Attribute *Find(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == group && r->element == element) return r;
  return nullptr;
}

static std::string Text(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  const DICOM_Attribute *r = Find(list, group, element);
  return r ? Trimmed(r->data, r->size) : "";
}

// A UL or US value of a record read in the record's byte order; -1 when absent.
static int64_t Number(const DICOM_Attribute *list, uint16_t element, int32_t size)
{
  const DICOM_Attribute *r = Find(list, DIR_GROUP, element);
  if (!r || !r->data || r->size != size) return -1;
  uint64_t value = 0;
  for (int32_t i = 0; i < size; i++) {
    int32_t at = (r->mode & NEMA_MODE_BIG_ENDIAN) ? i : size - 1 - i;
    value = value << 8 | r->data[at];
  }
  return (int64_t)value;
}

static bool Is_Ascii(const std::string &text)
{
  for (unsigned char c : text)
    if (c >= 0x80 || c == 0x1B) return false;
  return true;
}

// A fresh record (group, element, vr) holding `value` (unpadded; the writer pads).
static DICOM_Attribute *Make_Record(Window_Handle owner, uint16_t group, uint16_t element, uint16_t vr,
                                    const std::string &value)
{
  DICOM_Attribute fields{};
  fields.flags = DICOM_ORIGIN_ARDENT;
  fields.mode = NEMA_MODE_EXPLICIT;
  fields.group = group;
  fields.element = element;
  fields.VR = vr;
  fields.dictionary = NEMA_db_Lookup(group, element);
  fields.dictionary_VR = (int16_t)vr;
  fields.size = (int32_t)value.size();
  DICOM_Attribute *record = DICOM_Attribute_New(owner, &fields, (int32_t)value.size());
  if (record && !value.empty()) std::memcpy(record->data, value.data(), value.size());
  return record;
}

// A deep copy of `source` and its items, unlinked; nullptr when memory runs out (reported).
static DICOM_Attribute *Copy_Record(Window_Handle owner, const DICOM_Attribute *source)
{
  DICOM_Attribute *copy = DICOM_Attribute_New_Copy(owner, source);
  if (!copy) return nullptr;
  if (source->count <= 0) return copy;
  copy->item = (DICOM_Attribute **)std::calloc((size_t)source->count, sizeof *copy->item);
  if (!copy->item) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nmemory error in calloc (var=item)", UNIT, __LINE__);
    DICOM_Attribute_Free(owner, copy);
    return nullptr;
  }
  copy->count = source->count;
  for (int32_t i = 0; i < source->count; i++) {
    DICOM_Attribute *tail = nullptr;
    for (const DICOM_Attribute *r = source->item[i]; r; r = r->next) {
      DICOM_Attribute *child = Copy_Record(owner, r);
      if (!child) {
        DICOM_Attribute_Free(owner, copy);
        return nullptr;
      }
      if (tail) tail->next = child;
      else copy->item[i] = child;
      tail = child;
      copy->item[i]->last = tail;
    }
  }
  return copy;
}

// ---- record kinds -----------------------------------------------------------------------------

// How a key is filled when the file lacks it.
enum Key_Rule {
  KEY_OPTIONAL,   // left out
  KEY_EMPTY,      // written empty
  KEY_GENERATED,  // made up, with a notice
};

struct Key {
  uint16_t group, element, VR;
  Key_Rule rule;
  const char *name;
};

static const Key PATIENT_KEYS[] = {
    {0x0010, 0x0010, DICOM_VR_PN, KEY_EMPTY, "Patient's Name"},
    {0x0010, 0x0020, DICOM_VR_LO, KEY_GENERATED, "Patient ID"},
};
static const Key STUDY_KEYS[] = {
    {0x0008, 0x0020, DICOM_VR_DA, KEY_GENERATED, "Study Date"},
    {0x0008, 0x0030, DICOM_VR_TM, KEY_GENERATED, "Study Time"},
    {0x0008, 0x0050, DICOM_VR_SH, KEY_EMPTY, "Accession Number"},
    {0x0008, 0x1030, DICOM_VR_LO, KEY_EMPTY, "Study Description"},
    {0x0020, 0x000D, DICOM_VR_UI, KEY_OPTIONAL, "Study Instance UID"},
    {0x0020, 0x0010, DICOM_VR_SH, KEY_GENERATED, "Study ID"},
};
static const Key SERIES_KEYS[] = {
    {0x0008, 0x0060, DICOM_VR_CS, KEY_GENERATED, "Modality"},
    {0x0020, 0x000E, DICOM_VR_UI, KEY_OPTIONAL, "Series Instance UID"},
    {0x0020, 0x0011, DICOM_VR_IS, KEY_GENERATED, "Series Number"},
};
static const Key IMAGE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
};
static const Key DOCUMENT_KEYS[] = {
    {0x0008, 0x0023, DICOM_VR_DA, KEY_EMPTY, "Content Date"},
    {0x0008, 0x0033, DICOM_VR_TM, KEY_EMPTY, "Content Time"},
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x0040, 0xA043, DICOM_VR_SQ, KEY_OPTIONAL, "Concept Name Code Sequence"},
    {0x0040, 0xA491, DICOM_VR_CS, KEY_OPTIONAL, "Completion Flag"},
    {0x0040, 0xA493, DICOM_VR_CS, KEY_OPTIONAL, "Verification Flag"},
};
static const Key PRESENTATION_KEYS[] = {
    {0x0008, 0x1115, DICOM_VR_SQ, KEY_OPTIONAL, "Referenced Series Sequence"},
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x0070, 0x0080, DICOM_VR_CS, KEY_EMPTY, "Content Label"},
    {0x0070, 0x0081, DICOM_VR_LO, KEY_EMPTY, "Content Description"},
    {0x0070, 0x0082, DICOM_VR_DA, KEY_EMPTY, "Presentation Creation Date"},
    {0x0070, 0x0083, DICOM_VR_TM, KEY_EMPTY, "Presentation Creation Time"},
    {0x0070, 0x0084, DICOM_VR_PN, KEY_EMPTY, "Content Creator's Name"},
};
static const Key DOSE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x3004, 0x000A, DICOM_VR_CS, KEY_EMPTY, "Dose Summation Type"},
};
static const Key STRUCTURE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x3006, 0x0002, DICOM_VR_SH, KEY_EMPTY, "Structure Set Label"},
    {0x3006, 0x0008, DICOM_VR_DA, KEY_EMPTY, "Structure Set Date"},
    {0x3006, 0x0009, DICOM_VR_TM, KEY_EMPTY, "Structure Set Time"},
};
static const Key PLAN_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x300A, 0x0002, DICOM_VR_SH, KEY_EMPTY, "RT Plan Label"},
    {0x300A, 0x0006, DICOM_VR_DA, KEY_EMPTY, "RT Plan Date"},
    {0x300A, 0x0007, DICOM_VR_TM, KEY_EMPTY, "RT Plan Time"},
};
static const Key ENCAPSULATED_KEYS[] = {
    {0x0008, 0x0023, DICOM_VR_DA, KEY_EMPTY, "Content Date"},
    {0x0008, 0x0033, DICOM_VR_TM, KEY_EMPTY, "Content Time"},
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x0042, 0x0010, DICOM_VR_ST, KEY_EMPTY, "Document Title"},
    {0x0042, 0x0012, DICOM_VR_LO, KEY_EMPTY, "MIME Type of Encapsulated Document"},
};

struct Key_Table {
  const Key *keys;
  size_t count;
};
#define KEY_TABLE(keys) Key_Table{keys, sizeof keys / sizeof keys[0]}

// The leaf record type by SOP class: an exact UID, or a prefix ending with "."; the
// first match wins, IMAGE when none does.
struct Leaf_Kind {
  const char *sop_class;
  const char *record_type;
  Key_Table keys;
};

static const Leaf_Kind LEAF_KINDS[] = {
    {"1.2.840.10008.5.1.4.1.1.88.59", "KEY OBJECT DOC", KEY_TABLE(DOCUMENT_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.88.", "SR DOCUMENT", KEY_TABLE(DOCUMENT_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.11.", "PRESENTATION", KEY_TABLE(PRESENTATION_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.2", "RT DOSE", KEY_TABLE(DOSE_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.3", "RT STRUCTURE SET", KEY_TABLE(STRUCTURE_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.5", "RT PLAN", KEY_TABLE(PLAN_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.104.", "ENCAP DOC", KEY_TABLE(ENCAPSULATED_KEYS)},
};

static const char IMAGE_TYPE[] = "IMAGE";
static const char PATIENT_TYPE[] = "PATIENT";
static const char STUDY_TYPE[] = "STUDY";
static const char SERIES_TYPE[] = "SERIES";

static const Leaf_Kind *Leaf_For(const std::string &sop_class)
{
  static const Leaf_Kind image = {"", IMAGE_TYPE, KEY_TABLE(IMAGE_KEYS)};
  for (const Leaf_Kind &kind : LEAF_KINDS) {
    size_t n = std::strlen(kind.sop_class);
    bool prefix = kind.sop_class[n - 1] == '.';
    if (prefix ? sop_class.compare(0, n, kind.sop_class) == 0 : sop_class == kind.sop_class) return &kind;
  }
  return &image;
}

// ---- the tree -----------------------------------------------------------------------------------

struct Node {
  DICOM_Attribute *keys = nullptr;  // owned, ascending, from (0004,1430) on
  std::string type, key;            // record type; Patient ID, study, series or instance UID
  std::vector<Node *> children;
  Window_Handle owner = nullptr;
  ~Node()
  {
    DICOM_Sequence_Root top{};
    DICOM_Attribute_Delete(owner, &top, &keys, 0xFFFF, 0xFFFF);
  }
};

struct Directory {
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Node *> roots;
  std::set<std::string> instances, patient_ids, study_ids;
  std::string file_set_id, instance_uid;
  struct stat read_from{};  // the DICOMDIR loaded, when `loaded`
  bool loaded = false;
  unsigned patient_counter = 0, study_counter = 0;
};

static std::string Key_Of(const Node &node)
{
  if (node.type == PATIENT_TYPE) return Text(node.keys, 0x0010, 0x0020);
  if (node.type == STUDY_TYPE) return Text(node.keys, 0x0020, 0x000D);
  if (node.type == SERIES_TYPE) return Text(node.keys, 0x0020, 0x000E);
  return Text(node.keys, DIR_GROUP, FILE_INSTANCE);
}

// ---- loading --------------------------------------------------------------------------------------

static int Refuse(Window_Handle owner, const char *path, const char *why)
{
  Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nDICOMDIR %s refused: %s; left as it is", UNIT, __LINE__, path,
              why);
  return 0;
}

// Whether any record below `list` was mended or dropped by the reader (a cut length, a
// syntax fault) or holds a value the reader skipped: signs of a damaged file.
static bool Damaged(const DICOM_Attribute *list, int depth)
{
  if (depth > TREE_DEPTH_MAX) return true;
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (r->flags & (DICOM_FLAG_REPAIRED | DICOM_FLAG_DELETED)) return true;
    if (r->group != ITEM_GROUP && r->VR != DICOM_VR_SQ && r->count == 0 && r->size > 0 && !r->data) return true;
    for (int32_t i = 0; i < r->count; i++)
      if (Damaged(r->item[i], depth + 1)) return true;
  }
  return false;
}

// The file offset of each item of the record sequence, from its item record.
static std::map<int64_t, int32_t> Item_Offsets(const DICOM_Attribute *sequence)
{
  std::map<int64_t, int32_t> offsets;
  for (int32_t i = 0; i < sequence->count; i++) {
    const DICOM_Attribute *item = sequence->item[i];
    if (item && item->group == ITEM_GROUP && item->element == ITEM_TAG) offsets[item->element_position] = i;
  }
  return offsets;
}

struct Loader {
  Window_Handle owner;
  const char *path;
  DICOM_Attribute *sequence;
  std::map<int64_t, int32_t> offsets;
  std::set<int32_t> visited;
  Directory *directory;
};

// Follows the chain of records from `offset` (0: none), adding each record in use to
// `*siblings` with its own lower chain. Returns 0 when an offset lands on no item, a
// record is reached twice or the chain is too deep (reported).
static int Load_Chain(Loader *loader, int64_t offset, std::vector<Node *> *siblings, int depth)
{
  if (depth > TREE_DEPTH_MAX) return Refuse(loader->owner, loader->path, "records nested too deep");
  while (offset != 0) {
    auto at = loader->offsets.find(offset);
    if (at == loader->offsets.end()) return Refuse(loader->owner, loader->path, "a record offset points at no record");
    if (!loader->visited.insert(at->second).second) return Refuse(loader->owner, loader->path, "records form a loop");
    DICOM_Attribute *&item = loader->sequence->item[at->second];
    offset = Number(item, NEXT_RECORD, 4);
    int64_t lower = Number(item, LOWER_RECORD, 4), in_use = Number(item, IN_USE, 2);
    if (offset < 0 || lower < 0) return Refuse(loader->owner, loader->path, "a record without its offsets");
    if (in_use == 0) continue;  // a record marked unused: dropped with what lies below it
    auto node = std::make_unique<Node>();
    node->owner = loader->owner;
    node->keys = item;
    item = nullptr;
    DICOM_Sequence_Root top{};
    DICOM_Attribute_Delete(loader->owner, &top, &node->keys, ITEM_GROUP, 0xFFFF);
    for (uint16_t element : {NEXT_RECORD, IN_USE, LOWER_RECORD})
      DICOM_Attribute_Delete(loader->owner, &top, &node->keys, DIR_GROUP, element);
    node->type = Text(node->keys, DIR_GROUP, RECORD_TYPE);
    node->key = Key_Of(*node);
    if (node->type == PATIENT_TYPE) loader->directory->patient_ids.insert(node->key);
    if (node->type == STUDY_TYPE) loader->directory->study_ids.insert(Text(node->keys, 0x0020, 0x0010));
    std::string instance = Text(node->keys, DIR_GROUP, FILE_INSTANCE);
    if (!instance.empty()) loader->directory->instances.insert(instance);
    siblings->push_back(node.get());
    Node *parent = node.get();
    loader->directory->nodes.push_back(std::move(node));
    if (!Load_Chain(loader, lower, &parent->children, depth + 1)) return 0;
  }
  return 1;
}

// Loads the DICOMDIR `path` into `*directory`. Returns 1, or 0 after reporting a refusal.
static int Load_Directory(Window_Handle owner, const char *path, Directory *directory)
{
  struct stat info;
  if (lstat(path, &info) != 0) return Refuse(owner, path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(owner, path, "not a regular file");
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = DICOMDIR_Scan_Read(path, &root);
  struct Release {
    Window_Handle owner;
    DICOM_Attribute **list;
    ~Release()
    {
      DICOM_Sequence_Root top{};
      DICOM_Attribute_Delete(owner, &top, list, 0xFFFF, 0xFFFF);
    }
  } release{owner, &list};
  if (!list) return Refuse(owner, path, "not readable");
  if (Text(list, 0x0002, 0x0002) != DICOM_MEDIA_DIRECTORY_CLASS) return Refuse(owner, path, "not a DICOMDIR");
  if (Damaged(list, 0)) return Refuse(owner, path, "truncated or damaged");
  DICOM_Attribute *sequence = (DICOM_Attribute *)Find(list, DIR_GROUP, RECORD_SEQUENCE);
  int64_t first = Number(list, FIRST_ROOT, 4);
  if (!sequence || first < 0) return Refuse(owner, path, "no directory records");
  if (sequence->size >= 0 && sequence->value_position + sequence->size > (int64_t)info.st_size)
    return Refuse(owner, path, "truncated or damaged");
  Loader loader{owner, path, sequence, Item_Offsets(sequence), {}, directory};
  if (!Load_Chain(&loader, first, &directory->roots, 0)) return 0;
  directory->file_set_id = Text(list, DIR_GROUP, FILE_SET_ID);
  directory->instance_uid = Text(list, 0x0002, 0x0003);
  directory->read_from = info;
  directory->loaded = true;
  return 1;
}

// ---- adding files -----------------------------------------------------------------------------------

// Builds the key list of a new record: (0004,1430) `type`, the `leading` records (the
// directory group's file references), the character set when a text is not ASCII, then
// each key of `table` from `file`, or as its rule says. `generate(key)` gives the value
// of a generated key. Returns the list, or nullptr when memory runs out (reported).
template <class Generate>
static DICOM_Attribute *Build_Keys(Window_Handle owner, const char *type, const std::vector<DICOM_Attribute *> &leading,
                                   Key_Table table, const DICOM_Attribute *file, Generate generate)
{
  std::vector<DICOM_Attribute *> records{Make_Record(owner, DIR_GROUP, RECORD_TYPE, DICOM_VR_CS, type)};
  records.insert(records.end(), leading.begin(), leading.end());
  bool ascii = true;
  std::vector<DICOM_Attribute *> keys;
  for (size_t i = 0; i < table.count; i++) {
    const Key &key = table.keys[i];
    const DICOM_Attribute *found = Find(file, key.group, key.element);
    if (found && key.rule == KEY_GENERATED && Trimmed(found->data, found->size).empty()) found = nullptr;
    DICOM_Attribute *record = nullptr;
    if (found) {
      record = Copy_Record(owner, found);
      if (record && DICOM_VR_Is_Text(key.VR) && !Is_Ascii(Trimmed(found->data, found->size))) ascii = false;
    } else if (key.rule == KEY_EMPTY) {
      record = Make_Record(owner, key.group, key.element, key.VR, "");
    } else if (key.rule == KEY_GENERATED) {
      record = Make_Record(owner, key.group, key.element, key.VR, generate(key));
    } else {
      continue;
    }
    keys.push_back(record);
  }
  const DICOM_Attribute *charset = Find(file, 0x0008, 0x0005);
  if (!ascii && charset) records.push_back(Copy_Record(owner, charset));
  records.insert(records.end(), keys.begin(), keys.end());
  bool complete = true;
  for (DICOM_Attribute *r : records) complete = complete && r;
  for (size_t i = 0; complete && i + 1 < records.size(); i++) records[i]->next = records[i + 1];
  if (!complete) {
    for (DICOM_Attribute *r : records) DICOM_Attribute_Free(owner, r);
    return nullptr;
  }
  records.front()->last = records.back();
  return records.front();
}

struct Adder {
  Window_Handle owner;
  Directory *directory;
  std::vector<std::string> *notices;
  std::string path;  // of the file being added, for the notices
};

static void Notice(Adder *adder, const char *what, const std::string &value)
{
  adder->notices->push_back("DICOMDIR: " + adder->path + " has no " + what + ": \"" + value + "\" written");
}

// A generated identifier `prefix` + 6 digits not yet in `used`.
static std::string Fresh_Id(const char *prefix, unsigned *counter, std::set<std::string> *used)
{
  char text[32];
  do std::snprintf(text, sizeof text, "%s%06u", prefix, ++*counter % GENERATED_DIGITS);
  while (used->count(text));
  used->insert(text);
  return text;
}

// The first non-empty value of the tags, else `fallback`.
static std::string First_Of(const DICOM_Attribute *file, std::initializer_list<uint16_t> elements, const char *fallback)
{
  for (uint16_t element : elements) {
    std::string value = Text(file, 0x0008, element);
    if (!value.empty()) return value;
  }
  return fallback;
}

static Node *Child(const std::vector<Node *> &children, const char *type, const std::string &key)
{
  for (Node *node : children)
    if (node->type == type && node->key == key) return node;
  return nullptr;
}

// The node of `type` and `key` among `*children`, made from `file` when missing.
template <class Generate>
static Node *Find_Or_Add(Adder *adder, std::vector<Node *> *children, const char *type, const std::string &key,
                         Key_Table table, const DICOM_Attribute *file, Generate generate,
                         const std::vector<DICOM_Attribute *> &leading = {})
{
  if (Node *node = Child(*children, type, key)) return node;
  auto node = std::make_unique<Node>();
  node->owner = adder->owner;
  node->keys = Build_Keys(adder->owner, type, leading, table, file, generate);
  if (!node->keys) return nullptr;
  node->type = type;
  node->key = key;
  children->push_back(node.get());
  adder->directory->nodes.push_back(std::move(node));
  return children->back();
}

// Whether `path` is a Referenced File ID this directory may hold; gives its parts.
static bool File_Id_Parts(const std::string &path, std::vector<std::string> *parts)
{
  parts->clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part.empty() || part.size() > FILE_ID_PART_MAX) return false;
    for (char c : part)
      if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    parts->push_back(part);
    start = end + 1;
  }
  return !parts->empty() && parts->size() <= FILE_ID_PARTS_MAX;
}

// Adds the leaf record of the file below `patient`, with the STUDY and SERIES records
// it needs. Returns 1, or -1 when memory ran out (reported).
static int Add_File_Below(Adder *adder, Node *patient, const std::vector<std::string> &parts,
                          const DICOM_Attribute *file, const std::string &sop_class, const std::string &instance,
                          const std::string &syntax)
{
  Directory *directory = adder->directory;
  auto study_value = [&](const Key &key) {
    std::string value;
    if (key.element == 0x0020) value = First_Of(file, {0x0021, 0x0022, 0x0023}, "19000101");
    else if (key.element == 0x0030) value = First_Of(file, {0x0031, 0x0032, 0x0033}, "000000");
    else value = Fresh_Id("HDSTUDY", &directory->study_counter, &directory->study_ids);
    Notice(adder, key.name, value);
    return value;
  };
  Node *study = Find_Or_Add(adder, &patient->children, STUDY_TYPE, Text(file, 0x0020, 0x000D),
                            KEY_TABLE(STUDY_KEYS), file, study_value);
  if (!study) return -1;
  auto series_value = [&](const Key &key) {
    std::string value = key.element == 0x0060 ? "OT" : std::to_string(study->children.size() + 1);
    Notice(adder, key.name, value);
    return value;
  };
  Node *series = Find_Or_Add(adder, &study->children, SERIES_TYPE, Text(file, 0x0020, 0x000E),
                             KEY_TABLE(SERIES_KEYS), file, series_value);
  if (!series) return -1;
  std::string file_id;
  for (const std::string &part : parts) file_id += (file_id.empty() ? "" : "\\") + part;
  std::vector<DICOM_Attribute *> references{
      Make_Record(adder->owner, DIR_GROUP, FILE_ID, DICOM_VR_CS, file_id),
      Make_Record(adder->owner, DIR_GROUP, FILE_CLASS, DICOM_VR_UI, sop_class),
      Make_Record(adder->owner, DIR_GROUP, FILE_INSTANCE, DICOM_VR_UI, instance),
      Make_Record(adder->owner, DIR_GROUP, FILE_SYNTAX, DICOM_VR_UI, syntax),
  };
  auto instance_value = [&](const Key &key) {
    std::string value = std::to_string(series->children.size() + 1);
    Notice(adder, key.name, value);
    return value;
  };
  const Leaf_Kind *kind = Leaf_For(sop_class);
  if (!Find_Or_Add(adder, &series->children, kind->record_type, instance, kind->keys, file, instance_value,
                   references))
    return -1;
  directory->instances.insert(instance);
  return 1;
}

// Adds the file `path` with header `file`. Returns 1 when added, 0 when left out (with a
// notice), -1 when memory ran out (reported).
static int Add_File(Adder *adder, const std::string &path, const DICOM_Attribute *file)
{
  Directory *directory = adder->directory;
  adder->path = path;
  std::vector<std::string> parts;
  auto leave_out = [&](const char *why) {
    adder->notices->push_back("DICOMDIR: " + path + " left out: " + why);
    return 0;
  };
  if (!File_Id_Parts(path, &parts)) return leave_out("its path is not 1 to 8 parts of 1 to 8 characters A-Z, 0-9, _");
  if (!file) return leave_out("its header could not be read");
  std::string sop_class = Text(file, 0x0008, 0x0016), instance = Text(file, 0x0008, 0x0018);
  std::string study_uid = Text(file, 0x0020, 0x000D), series_uid = Text(file, 0x0020, 0x000E);
  if (sop_class.empty() || instance.empty()) return leave_out("no SOP Class or SOP Instance UID");
  if (study_uid.empty() || series_uid.empty()) return leave_out("no Study or Series Instance UID");
  if (directory->instances.count(instance)) return leave_out("its SOP Instance UID is already in the directory");
  std::string syntax = Text(file, 0x0002, 0x0010);
  if (syntax.empty()) syntax = "1.2.840.10008.1.2";  // no meta group: implicit VR little endian

  std::string patient_id = Text(file, 0x0010, 0x0020);
  if (patient_id.empty()) {
    // Files without an ID share one generated ID per Patient's Name within this build.
    static const char NAME_KEY[] = "\x01name:";
    std::string name_key = NAME_KEY + Text(file, 0x0010, 0x0010);
    Node *known = Child(directory->roots, PATIENT_TYPE, name_key);
    patient_id = known ? Text(known->keys, 0x0010, 0x0020)
                       : Fresh_Id("HDPAT", &directory->patient_counter, &directory->patient_ids);
    if (!known) Notice(adder, "Patient ID", patient_id);
    Node *patient = Find_Or_Add(adder, &directory->roots, PATIENT_TYPE, name_key, KEY_TABLE(PATIENT_KEYS), file,
                                [&](const Key &) { return patient_id; });
    if (!patient) return -1;
    if (!known) directory->patient_ids.insert(patient_id);
    return Add_File_Below(adder, patient, parts, file, sop_class, instance, syntax);
  }
  Node *patient = Find_Or_Add(adder, &directory->roots, PATIENT_TYPE, patient_id, KEY_TABLE(PATIENT_KEYS), file,
                              [&](const Key &) { return patient_id; });
  if (!patient) return -1;
  directory->patient_ids.insert(patient_id);
  return Add_File_Below(adder, patient, parts, file, sop_class, instance, syntax);
}

// ---- writing -----------------------------------------------------------------------------------------

// The offset records put before a node's keys in its item.
struct Links {
  DICOM_Attribute next{}, in_use{}, lower{};
  unsigned char next_value[4] = {}, in_use_value[2] = {}, lower_value[4] = {};
};

static void Put_Le(unsigned char *bytes, int size, uint32_t value)
{
  for (int i = 0; i < size; i++) bytes[i] = (unsigned char)(value >> (8 * i));
}

// A record of the directory group pointing at `value` (not owned).
static void Point(DICOM_Attribute *record, uint16_t element, uint16_t vr, unsigned char *value, int32_t size)
{
  record->flags = DICOM_ORIGIN_ARDENT;
  record->mode = NEMA_MODE_EXPLICIT;
  record->group = DIR_GROUP;
  record->element = element;
  record->VR = vr;
  record->data = value;
  record->size = size;
}

static void Depth_First(const std::vector<Node *> &nodes, std::vector<Node *> *order)
{
  for (Node *node : nodes) {
    order->push_back(node);
    Depth_First(node->children, order);
  }
}

// A new UUID-derived UID (PS3.5 B.2): "2.25." and a random 128-bit number in decimal.
static std::string New_UID()
{
  std::random_device random;
  unsigned __int128 number = 0;
  for (int i = 0; i < 4; i++) number = number << 32 | (uint32_t)random();
  std::string digits;
  do {
    digits.insert(digits.begin(), (char)('0' + (int)(number % 10)));
    number /= 10;
  } while (number);
  return "2.25." + digits;
}

// Encodes the directory as a PS3.10 DICOMDIR into `*bytes`. Returns 1, or 0 (reported).
static int Encode(Window_Handle owner, Directory *directory, std::string *bytes)
{
  std::vector<Node *> order;
  Depth_First(directory->roots, &order);
  std::map<const Node *, size_t> index;
  for (size_t i = 0; i < order.size(); i++) index[order[i]] = i;
  std::vector<Links> links(order.size());
  std::vector<DICOM_Attribute *> items(order.size());
  for (size_t i = 0; i < order.size(); i++) {
    Links &l = links[i];
    Point(&l.next, NEXT_RECORD, DICOM_VR_UL, l.next_value, 4);
    Point(&l.in_use, IN_USE, DICOM_VR_US, l.in_use_value, 2);
    Point(&l.lower, LOWER_RECORD, DICOM_VR_UL, l.lower_value, 4);
    Put_Le(l.in_use_value, 2, RECORD_IN_USE);
    l.next.next = &l.in_use;
    l.in_use.next = &l.lower;
    l.lower.next = order[i]->keys;
    items[i] = &l.next;
  }
  unsigned char first_value[4] = {}, last_value[4] = {}, consistency_value[2] = {};
  DICOM_Attribute set_id{}, first{}, last{}, consistency{}, sequence{};
  Point(&set_id, FILE_SET_ID, DICOM_VR_CS, (unsigned char *)directory->file_set_id.data(),
        (int32_t)directory->file_set_id.size());
  Point(&first, FIRST_ROOT, DICOM_VR_UL, first_value, 4);
  Point(&last, LAST_ROOT, DICOM_VR_UL, last_value, 4);
  Point(&consistency, CONSISTENCY, DICOM_VR_US, consistency_value, 2);
  Point(&sequence, RECORD_SEQUENCE, DICOM_VR_SQ, nullptr, 0);
  sequence.count = (int32_t)items.size();
  sequence.item = items.data();
  set_id.next = &first;
  first.next = &last;
  last.next = &consistency;
  consistency.next = &sequence;

  if (directory->instance_uid.empty()) directory->instance_uid = New_UID();
  DICOM_Write_Layout layout;
  layout.group = DIR_GROUP;
  layout.element = RECORD_SEQUENCE;
  if (!DICOM_Write_Part10(owner, &set_id, DICOM_MEDIA_DIRECTORY_CLASS, directory->instance_uid.c_str(),
                          DICOM_WRITE_DEFINED, bytes, &layout))
    return 0;
  std::vector<int64_t> offsets = layout.item_offsets;
  auto offset_of = [&](const Node *node) { return (uint32_t)offsets[index[node]]; };
  auto chain = [&](const std::vector<Node *> &siblings) {
    for (size_t i = 0; i + 1 < siblings.size(); i++)
      Put_Le(links[index[siblings[i]]].next_value, 4, offset_of(siblings[i + 1]));
  };
  chain(directory->roots);
  for (Node *node : order) {
    chain(node->children);
    if (!node->children.empty()) Put_Le(links[index[node]].lower_value, 4, offset_of(node->children.front()));
  }
  if (!directory->roots.empty()) {
    Put_Le(first_value, 4, offset_of(directory->roots.front()));
    Put_Le(last_value, 4, offset_of(directory->roots.back()));
  }
  size_t size = bytes->size();
  if (!DICOM_Write_Part10(owner, &set_id, DICOM_MEDIA_DIRECTORY_CLASS, directory->instance_uid.c_str(),
                          DICOM_WRITE_DEFINED, bytes, &layout))
    return 0;
  if (bytes->size() != size || layout.item_offsets != offsets) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nDICOMDIR records moved between passes", UNIT, __LINE__);
    return 0;
  }
  return 1;
}

static bool Same_File(const struct stat &a, const struct stat &b)
{
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

static int Save_Fault(Window_Handle owner, const char *folder, const char *what, int error)
{
  Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nDICOMDIR in %s not written: %s (%s)", UNIT, __LINE__, folder,
              what, std::strerror(error));
  return 0;
}

// Writes `bytes` as `folder`/DICOMDIR: under a hidden name first, then renamed, over the
// old DICOMDIR only when it is still the file that was loaded. Returns 1, or 0 (reported).
static int Save(Window_Handle owner, const char *folder, const std::string &bytes, const Directory &directory)
{
  int folder_fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0) return Save_Fault(owner, folder, "folder not opened", errno);
  std::string hidden;
  int fd = Os_File_Create_Hidden(folder_fd, 0644, &hidden);
  int error = fd < 0 ? errno : 0;
  const char *step = "temporary file not created";
  if (!error && (!Os_Write_All(fd, bytes.data(), bytes.size()) || fsync(fd) != 0)) {
    error = errno;
    step = "temporary file not written";
  }
  if (!error && hidden.empty()) {
    std::string name = ".DICOMDIR-" + std::to_string(getpid()) + ".part";
    error = Os_File_Publish(fd, folder_fd, "", name.c_str());
    if (!error) hidden = name;
    step = "temporary file not named";
  }
  if (fd >= 0) close(fd);
  if (!error && !directory.loaded) {
    error = Os_Rename_No_Replace(folder_fd, hidden.c_str(), folder_fd, DICOM_MEDIA_DIRECTORY_NAME);
    step = "not renamed";
  } else if (!error) {
    struct stat now;
    step = "the DICOMDIR changed while it was rebuilt";
    if (fstatat(folder_fd, DICOM_MEDIA_DIRECTORY_NAME, &now, AT_SYMLINK_NOFOLLOW) != 0) error = errno;
    else if (!Same_File(now, directory.read_from)) error = EBUSY;
    else if (renameat(folder_fd, hidden.c_str(), folder_fd, DICOM_MEDIA_DIRECTORY_NAME) != 0) error = errno;
  }
  if (error && !hidden.empty()) Os_File_Discard(folder_fd, hidden);
  close(folder_fd);
  return error ? Save_Fault(owner, folder, step, error) : 1;
}

// ---- entry points ---------------------------------------------------------------------------------------

static bool Valid_File_Set_Id(const char *id)
{
  if (std::strlen(id) > FILE_SET_ID_MAX) return false;
  for (const char *c = id; *c; c++)
    if (!((*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '_' || *c == ' ')) return false;
  return true;
}

int DICOM_Media_Directory_Write(Window_Handle owner, const char *folder, const std::vector<DICOM_Media_File> &files,
                                const char *file_set_id, std::vector<std::string> *notices)
{
  if (file_set_id && !Valid_File_Set_Id(file_set_id)) {
    Message_Log(owner, MSG_ERROR, "Error: file:%s line:%d\nFile-set ID \"%s\" is not 1 to 16 of A-Z, 0-9, _ and space",
                UNIT, __LINE__, file_set_id);
    return 0;
  }
  std::string root = folder;
  if (!root.empty() && root.back() != '/') root += '/';
  std::string path = root + DICOM_MEDIA_DIRECTORY_NAME;
  Directory directory;
  struct stat info;
  if ((lstat(path.c_str(), &info) == 0 || errno != ENOENT) && !Load_Directory(owner, path.c_str(), &directory)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  if (file_set_id) directory.file_set_id = file_set_id;
  Adder adder{owner, &directory, notices, ""};
  int added = 0;
  for (const DICOM_Media_File &entry : files) {
    DICOM_Sequence_Root sequence_root{};
    DICOM_Attribute *own = entry.list ? nullptr
                                      : DICOMDIR_Scan_Read_Until((root + entry.path).c_str(), &sequence_root,
                                                                 HEADER_LAST_TAG);
    int result = Add_File(&adder, entry.path, entry.list ? entry.list : own);
    DICOM_Attribute_Delete(owner, &sequence_root, &own, 0xFFFF, 0xFFFF);
    if (result < 0) {
      MESSAGE_LOG_WHERE(owner);
      return 0;
    }
    added += result;
  }
  if (added == 0 && directory.loaded) {
    notices->push_back("DICOMDIR: no new file for " + path + "; left as it is");
    return 1;
  }
  std::string bytes;
  if (!Encode(owner, &directory, &bytes) || !Save(owner, root.c_str(), bytes, directory)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  return 1;
}

// Whether a Referenced File ID part may become part of a path below the DICOMDIR.
static bool Safe_Part(const std::string &part)
{
  return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos &&
         part.find('\0') == std::string::npos;
}

// Appends an entry for every record below `nodes` that names a file.
static void Collect(Window_Handle owner, const std::vector<Node *> &nodes, DICOM_Media_Entry context,
                    std::vector<DICOM_Media_Entry> *entries)
{
  for (const Node *node : nodes) {
    DICOM_Media_Entry entry = context;
    const DICOM_Attribute *k = node->keys;
    if (node->type == PATIENT_TYPE) {
      entry.patient_id = Text(k, 0x0010, 0x0020);
      entry.patient_name = Text(k, 0x0010, 0x0010);
      entry.patient_character_set = Text(k, 0x0008, 0x0005);
    } else if (node->type == STUDY_TYPE) {
      entry.study_uid = Text(k, 0x0020, 0x000D);
      entry.study_id = Text(k, 0x0020, 0x0010);
      entry.study_date = Text(k, 0x0008, 0x0020);
      entry.study_time = Text(k, 0x0008, 0x0030);
      entry.study_description = Text(k, 0x0008, 0x1030);
      entry.accession_number = Text(k, 0x0008, 0x0050);
    } else if (node->type == SERIES_TYPE) {
      entry.series_uid = Text(k, 0x0020, 0x000E);
      entry.modality = Text(k, 0x0008, 0x0060);
      entry.series_number = Text(k, 0x0020, 0x0011);
    }
    const DICOM_Attribute *file_id = Find(k, DIR_GROUP, FILE_ID);
    if (file_id && file_id->data && file_id->size > 0) {
      std::string raw((const char *)file_id->data, (size_t)file_id->size), path;
      bool safe = true;
      for (size_t start = 0; start <= raw.size();) {
        size_t end = raw.find('\\', start);
        if (end == std::string::npos) end = raw.size();
        std::string part = Trimmed((const unsigned char *)raw.data() + start, (int32_t)(end - start));
        safe = safe && Safe_Part(part);
        path += (path.empty() ? "" : "/") + part;
        start = end + 1;
      }
      if (!safe) {
        Message_Log(owner, MSG_WARNING, "DICOMDIR: Referenced File ID \"%s\" left out: not a path below the DICOMDIR",
                    Log_Value_Escape(raw).c_str());
      } else {
        DICOM_Media_Entry leaf = entry;
        leaf.path = path;
        leaf.record_type = node->type;
        leaf.sop_class = Text(k, DIR_GROUP, FILE_CLASS);
        leaf.sop_instance = Text(k, DIR_GROUP, FILE_INSTANCE);
        leaf.transfer_syntax = Text(k, DIR_GROUP, FILE_SYNTAX);
        leaf.instance_number = Text(k, 0x0020, 0x0013);
        leaf.character_set = Text(k, 0x0008, 0x0005);
        entries->push_back(leaf);
      }
    }
    Collect(owner, node->children, entry, entries);
  }
}

int DICOM_Media_Directory_Read(Window_Handle owner, const char *path, std::vector<DICOM_Media_Entry> *entries)
{
  Directory directory;
  if (!Load_Directory(owner, path, &directory)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  Collect(owner, directory.roots, DICOM_Media_Entry{}, entries);
  return 1;
}
