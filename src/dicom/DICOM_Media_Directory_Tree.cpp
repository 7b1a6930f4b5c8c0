// The DICOMDIR tree's value helpers and the loading of an existing DICOMDIR by its
// offsets (see DICOM_Media_Directory_Tree.h).
#include "dicom/DICOM_Media_Directory_Tree.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_Media_Directory.h"
#include "dicom/DICOM_Write.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

namespace Media_Directory {

// ---- texts and values -------------------------------------------------------------------------

std::string Trimmed(const unsigned char *data, int32_t size)
{
  if (!data || size <= 0) return "";
  std::string text((const char *)data, (size_t)size);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? "" : text.substr(start);
}

const DICOM_Attribute *Find(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  for (const DICOM_Attribute *r = list; r; r = r->next)
    if (r->group == group && r->element == element) return r;
  return nullptr;
}

std::string Text(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  const DICOM_Attribute *r = Find(list, group, element);
  return r ? Trimmed(r->data, r->size) : "";
}

// A UL or US value of a record read in the record's byte order; -1 when absent.
int64_t Number(const DICOM_Attribute *list, uint16_t element, int32_t size)
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

// A fresh record (group, element, vr) holding `value` (unpadded; the writer pads).
DICOM_Attribute *Make_Record(Window_Handle owner, uint16_t group, uint16_t element, uint16_t vr,
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
  fields.data = (unsigned char *)value.data();  // copied: the tree's records are its own
  return DICOM_Attribute_New_Copy(owner, &fields);
}

// A deep copy of `source` and its items, unlinked; nullptr when memory runs out (reported).
DICOM_Attribute *Copy_Record(Window_Handle owner, const DICOM_Attribute *source)
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

// ---- the tree -----------------------------------------------------------------------------------

std::string Key_Of(const Node &node)
{
  if (node.type == PATIENT_TYPE) return Text(node.keys, 0x0010, 0x0020);
  if (node.type == STUDY_TYPE) return Text(node.keys, 0x0020, 0x000D);
  if (node.type == SERIES_TYPE) return Text(node.keys, 0x0020, 0x000E);
  return Text(node.keys, DIR_GROUP, FILE_INSTANCE);
}

// ---- loading --------------------------------------------------------------------------------------

static int Refuse(Window_Handle owner, int kind, const char *path, const char *why)
{
  Message_Log(owner, kind, "Error: file:%s line:%d\nDICOMDIR %s refused: %s; left as it is", UNIT, __LINE__, path,
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
  int kind;  // of the refusal messages
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
  if (depth > TREE_DEPTH_MAX) return Refuse(loader->owner, loader->kind, loader->path, "records nested too deep");
  while (offset != 0) {
    auto at = loader->offsets.find(offset);
    if (at == loader->offsets.end())
      return Refuse(loader->owner, loader->kind, loader->path, "a record offset points at no record");
    if (!loader->visited.insert(at->second).second)
      return Refuse(loader->owner, loader->kind, loader->path, "records form a loop");
    DICOM_Attribute *&item = loader->sequence->item[at->second];
    offset = Number(item, NEXT_RECORD, 4);
    int64_t lower = Number(item, LOWER_RECORD, 4), in_use = Number(item, IN_USE, 2);
    if (offset < 0 || lower < 0)
      return Refuse(loader->owner, loader->kind, loader->path, "a record without its offsets");
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

int Load_Directory(Window_Handle owner, const char *path, Directory *directory, int kind)
{
  struct stat info;
  if (lstat(path, &info) != 0) return Refuse(owner, kind, path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) return Refuse(owner, kind, path, "not a regular file");
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
  if (!list) return Refuse(owner, kind, path, "not readable");
  if (Text(list, 0x0002, 0x0002) != DICOM_MEDIA_DIRECTORY_CLASS) return Refuse(owner, kind, path, "not a DICOMDIR");
  if (Damaged(list, 0)) return Refuse(owner, kind, path, "truncated or damaged");
  DICOM_Attribute *sequence = (DICOM_Attribute *)Find(list, DIR_GROUP, RECORD_SEQUENCE);
  int64_t first = Number(list, FIRST_ROOT, 4);
  if (!sequence || first < 0) return Refuse(owner, kind, path, "no directory records");
  if (sequence->size >= 0 && sequence->value_position + sequence->size > (int64_t)info.st_size)
    return Refuse(owner, kind, path, "truncated or damaged");
  Loader loader{owner, kind, path, sequence, Item_Offsets(sequence), {}, directory};
  if (!Load_Chain(&loader, first, &directory->roots, 0)) return 0;
  directory->file_set_id = Text(list, DIR_GROUP, FILE_SET_ID);
  directory->instance_uid = Text(list, 0x0002, 0x0003);
  directory->written_here = Text(list, 0x0002, 0x0012) == DICOM_WRITE_IMPLEMENTATION_UID;
  directory->character_set = Text(list, 0x0008, 0x0005);
  directory->read_from = info;
  directory->loaded = true;
  return 1;
}

}  // namespace Media_Directory
