// Reading a DICOMDIR back as the list of the files it names, each with the keys of the
// records above it, as texts and as one attribute list.
#include "dicom/DICOM_Media_Directory.h"

#include <map>

#include "dicom/DICOM_Media_Directory_Tree.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

using namespace Media_Directory;

// Whether a Referenced File ID part may become part of a path below the DICOMDIR.
static bool Safe_Part(const std::string &part)
{
  return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos &&
         part.find('\0') == std::string::npos;
}

// Releases a merged key list.
static void Keys_Release(DICOM_Attribute *list)
{
  DICOM_Sequence_Root top{};
  DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
}

// Where a leaf's references to its file land in its key list.
struct Reference_Tag {
  uint16_t element;            // in the directory group
  uint16_t group, as_element;  // the file's own tag
};
static const Reference_Tag REFERENCE_TAGS[] = {
    {FILE_SYNTAX, 0x0002, 0x0010},
    {FILE_CLASS, 0x0008, 0x0016},
    {FILE_INSTANCE, 0x0008, 0x0018},
};

static constexpr uint32_t Tag_Of(uint16_t group, uint16_t element) { return (uint32_t)group << 16 | element; }

// The keys of `levels` (patient first, the leaf last) as one list in ascending tag
// order, the nearest record's copy where two hold a tag, the leaf's file references under
// the file's own tags, and `character_set` when no record names one. Returns nullptr when
// memory runs out (reported).
static DICOM_Attribute *Merged_Keys(Window_Handle owner, const std::vector<const DICOM_Attribute *> &levels,
                                    const std::string &character_set)
{
  std::map<uint32_t, const DICOM_Attribute *> chosen;
  for (const DICOM_Attribute *keys : levels)
    for (const DICOM_Attribute *r = keys; r; r = r->next)
      if (r->group != DIR_GROUP) chosen[Tag_Of(r->group, r->element)] = r;
  std::vector<DICOM_Attribute *> made;
  for (const Reference_Tag &reference : REFERENCE_TAGS) {
    const DICOM_Attribute *found = Find(levels.back(), DIR_GROUP, reference.element);
    if (found) made.push_back(Make_Record(owner, reference.group, reference.as_element, DICOM_VR_UI,
                                          Trimmed(found->data, found->size)));
  }
  if (!chosen.count(Tag_Of(0x0008, 0x0005)) && !character_set.empty())
    made.push_back(Make_Record(owner, 0x0008, 0x0005, DICOM_VR_CS, character_set));
  std::map<uint32_t, DICOM_Attribute *> records;
  bool complete = true;
  for (DICOM_Attribute *r : made) {
    complete = complete && r;
    if (r) records[Tag_Of(r->group, r->element)] = r;
  }
  for (const auto &[tag, source] : chosen) {
    if (records.count(tag)) continue;
    DICOM_Attribute *copy = Copy_Record(owner, source);
    complete = complete && copy;
    if (copy) records[tag] = copy;
  }
  DICOM_Attribute *head = nullptr, *tail = nullptr;
  for (const auto &[tag, r] : records) {
    r->level = 0;
    if (tail) tail->next = r;
    else head = r;
    tail = r;
  }
  if (head) head->last = tail;
  if (!complete) {
    Keys_Release(head);
    return nullptr;
  }
  return head;
}

// Appends an entry for every record below `nodes` that names a file. `levels` holds the
// key lists of the records above `nodes`.
static void Collect(Window_Handle owner, const Directory &directory, const std::vector<Node *> &nodes,
                    std::vector<const DICOM_Attribute *> levels, std::vector<DICOM_Media_Entry> *entries)
{
  levels.push_back(nullptr);
  for (const Node *node : nodes) {
    levels.back() = node->keys;
    const DICOM_Attribute *k = node->keys;
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
        DICOM_Media_Entry leaf;
        leaf.path = path;
        leaf.record_type = node->type;
        leaf.keys.reset(Merged_Keys(owner, levels, directory.character_set), Keys_Release);
        if (directory.written_here) leaf.taken = &Tags_Taken(node->type);
        entries->push_back(leaf);
      }
    }
    Collect(owner, directory, node->children, levels, entries);
  }
}

int DICOM_Media_Directory_Read(Window_Handle owner, const char *path, std::vector<DICOM_Media_Entry> *entries,
                               int refusal_kind)
{
  Directory directory;
  if (!Load_Directory(owner, path, &directory, refusal_kind)) {
    MESSAGE_LOG_WHERE(owner);
    return 0;
  }
  Collect(owner, directory, directory.roots, {}, entries);
  return 1;
}

std::string DICOM_Media_Entry_Text(const DICOM_Media_Entry &entry, uint16_t group, uint16_t element)
{
  return Text(entry.keys.get(), group, element);
}
