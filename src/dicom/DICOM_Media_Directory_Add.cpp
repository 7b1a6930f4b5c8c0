// Adding files to a DICOMDIR tree: the record kinds and the keys each must hold, the
// PATIENT, STUDY and SERIES records found or made for a file, and the keys a file lacks
// generated, each with a notice.
//
// Index: record kinds / adding files.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_Media_Directory_Tree.h"
#include "dicom/DICOM_Write.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "util/message_log.h"

namespace Media_Directory {
namespace {

// ---- record kinds -----------------------------------------------------------------------------

// How a key is filled when the file lacks it.
enum Key_Rule {
  KEY_OPTIONAL,   // left out
  KEY_EMPTY,      // written empty
  KEY_GENERATED,  // made up, with a notice
  KEY_VERIFIED,   // the latest Verification DateTime of the Verifying Observer Sequence,
                  // when the Verification Flag is VERIFIED; else left out
};

struct Key {
  uint16_t group, element, VR;
  Key_Rule rule;
  const char *name;
};

const Key PATIENT_KEYS[] = {
    {0x0010, 0x0010, DICOM_VR_PN, KEY_EMPTY, "Patient's Name"},
    {0x0010, 0x0020, DICOM_VR_LO, KEY_GENERATED, "Patient ID"},
};
const Key STUDY_KEYS[] = {
    {0x0008, 0x0020, DICOM_VR_DA, KEY_GENERATED, "Study Date"},
    {0x0008, 0x0030, DICOM_VR_TM, KEY_GENERATED, "Study Time"},
    {0x0008, 0x0050, DICOM_VR_SH, KEY_EMPTY, "Accession Number"},
    {0x0008, 0x1030, DICOM_VR_LO, KEY_EMPTY, "Study Description"},
    {0x0020, 0x000D, DICOM_VR_UI, KEY_OPTIONAL, "Study Instance UID"},
    {0x0020, 0x0010, DICOM_VR_SH, KEY_GENERATED, "Study ID"},
};
const Key SERIES_KEYS[] = {
    {0x0008, 0x0060, DICOM_VR_CS, KEY_GENERATED, "Modality"},
    {0x0008, 0x103E, DICOM_VR_LO, KEY_OPTIONAL, "Series Description"},
    {0x0020, 0x000E, DICOM_VR_UI, KEY_OPTIONAL, "Series Instance UID"},
    {0x0020, 0x0011, DICOM_VR_IS, KEY_GENERATED, "Series Number"},
};
const Key IMAGE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
};
const Key DOCUMENT_KEYS[] = {
    {0x0008, 0x0023, DICOM_VR_DA, KEY_EMPTY, "Content Date"},
    {0x0008, 0x0033, DICOM_VR_TM, KEY_EMPTY, "Content Time"},
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x0040, 0xA030, DICOM_VR_DT, KEY_VERIFIED, "Verification DateTime"},
    {0x0040, 0xA043, DICOM_VR_SQ, KEY_OPTIONAL, "Concept Name Code Sequence"},
    {0x0040, 0xA491, DICOM_VR_CS, KEY_OPTIONAL, "Completion Flag"},
    {0x0040, 0xA493, DICOM_VR_CS, KEY_OPTIONAL, "Verification Flag"},
};
const Key PRESENTATION_KEYS[] = {
    {0x0008, 0x1115, DICOM_VR_SQ, KEY_OPTIONAL, "Referenced Series Sequence"},
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x0070, 0x0080, DICOM_VR_CS, KEY_EMPTY, "Content Label"},
    {0x0070, 0x0081, DICOM_VR_LO, KEY_EMPTY, "Content Description"},
    {0x0070, 0x0082, DICOM_VR_DA, KEY_EMPTY, "Presentation Creation Date"},
    {0x0070, 0x0083, DICOM_VR_TM, KEY_EMPTY, "Presentation Creation Time"},
    {0x0070, 0x0084, DICOM_VR_PN, KEY_EMPTY, "Content Creator's Name"},
};
const Key DOSE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x3004, 0x000A, DICOM_VR_CS, KEY_EMPTY, "Dose Summation Type"},
};
const Key STRUCTURE_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x3006, 0x0002, DICOM_VR_SH, KEY_EMPTY, "Structure Set Label"},
    {0x3006, 0x0008, DICOM_VR_DA, KEY_EMPTY, "Structure Set Date"},
    {0x3006, 0x0009, DICOM_VR_TM, KEY_EMPTY, "Structure Set Time"},
};
const Key PLAN_KEYS[] = {
    {0x0020, 0x0013, DICOM_VR_IS, KEY_GENERATED, "Instance Number"},
    {0x300A, 0x0002, DICOM_VR_SH, KEY_EMPTY, "RT Plan Label"},
    {0x300A, 0x0006, DICOM_VR_DA, KEY_EMPTY, "RT Plan Date"},
    {0x300A, 0x0007, DICOM_VR_TM, KEY_EMPTY, "RT Plan Time"},
};
const Key ENCAPSULATED_KEYS[] = {
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

const Leaf_Kind LEAF_KINDS[] = {
    {"1.2.840.10008.5.1.4.1.1.88.59", "KEY OBJECT DOC", KEY_TABLE(DOCUMENT_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.88.", "SR DOCUMENT", KEY_TABLE(DOCUMENT_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.11.", "PRESENTATION", KEY_TABLE(PRESENTATION_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.2", "RT DOSE", KEY_TABLE(DOSE_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.3", "RT STRUCTURE SET", KEY_TABLE(STRUCTURE_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.481.5", "RT PLAN", KEY_TABLE(PLAN_KEYS)},
    {"1.2.840.10008.5.1.4.1.1.104.", "ENCAP DOC", KEY_TABLE(ENCAPSULATED_KEYS)},
};
const Leaf_Kind IMAGE_LEAF = {"", IMAGE_TYPE, KEY_TABLE(IMAGE_KEYS)};  // every other class

const Leaf_Kind *Leaf_For(std::string_view sop_class)
{
  for (const Leaf_Kind &kind : LEAF_KINDS) {
    size_t n = std::strlen(kind.sop_class);
    bool prefix = kind.sop_class[n - 1] == '.';
    if (prefix ? sop_class.substr(0, n) == kind.sop_class : sop_class == kind.sop_class) return &kind;
  }
  return &IMAGE_LEAF;
}

bool Is_Ascii(const std::string &text)
{
  for (unsigned char c : text)
    if (c >= 0x80 || c == 0x1B) return false;
  return true;
}

// ---- key values ------------------------------------------------------------------------------------

bool All_Digits(const std::string &text)
{
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A DA or TM value in the form a DICOMDIR must hold: the old "YYYY.MM.DD" and "HH:MM:SS"
// forms (ACR-NEMA, still met in files) lose their separators. Returns false when the
// value is neither form: the key is then treated as missing.
bool Date_Time_Value(uint16_t vr, std::string *value)
{
  std::string text = *value;
  if (vr == DICOM_VR_DA) {
    if (text.size() == 10 && text[4] == '.' && text[7] == '.')
      text = text.substr(0, 4) + text.substr(5, 2) + text.substr(8);
    if (text.size() != 8 || !All_Digits(text)) return false;
  } else {
    size_t fraction = text.find('.');
    std::string clock = text.substr(0, fraction), rest = fraction == std::string::npos ? "" : text.substr(fraction);
    if (clock.size() > 2 && clock[2] == ':') clock.erase(std::remove(clock.begin(), clock.end(), ':'), clock.end());
    if (!All_Digits(clock) || clock.size() % 2 || clock.size() > 6) return false;
    if (!rest.empty() && (rest.size() > 7 || !All_Digits(rest.substr(1)) || clock.size() != 6)) return false;
    text = clock + rest;
  }
  *value = text;
  return true;
}

// The Verification DateTime a verified SR document's record must hold: the latest of its
// Verifying Observer Sequence (0040,A073); "" when it is not VERIFIED or names none.
std::string Latest_Verification(const DICOM_Attribute *file)
{
  if (Text(file, 0x0040, 0xA493) != "VERIFIED") return "";
  const DICOM_Attribute *observers = Find(file, 0x0040, 0xA073);
  std::string latest;
  for (int32_t i = 0; observers && i < observers->count; i++)
    latest = std::max(latest, Text(observers->item[i], 0x0040, 0xA030));
  return latest;
}

// ---- adding files -----------------------------------------------------------------------------------

// Builds the key list of a new record: (0004,1430) `type`, the `leading` records (the
// directory group's file references), the character set when a text is not ASCII, then
// each key of `table` from `file`, or as its rule says. `generate(key)` gives the value
// of a generated key. Returns the list, or nullptr when memory runs out (reported).
template <class Generate>
DICOM_Attribute *Build_Keys(Window_Handle owner, const char *type, const std::vector<DICOM_Attribute *> &leading,
                            Key_Table table, const DICOM_Attribute *file, Generate generate)
{
  std::vector<DICOM_Attribute *> records{Make_Record(owner, DIR_GROUP, RECORD_TYPE, DICOM_VR_CS, type)};
  records.insert(records.end(), leading.begin(), leading.end());
  bool ascii = true;
  std::vector<DICOM_Attribute *> keys;
  for (size_t i = 0; i < table.count; i++) {
    const Key &key = table.keys[i];
    const DICOM_Attribute *found = key.rule == KEY_VERIFIED ? nullptr : Find(file, key.group, key.element);
    std::string value = found ? Trimmed(found->data, found->size) : "";
    if (found && key.rule == KEY_GENERATED && value.empty()) found = nullptr;
    bool dated = found && !value.empty() && (key.VR == DICOM_VR_DA || key.VR == DICOM_VR_TM);
    std::string original = value;
    if (dated && !Date_Time_Value(key.VR, &value)) found = nullptr;
    DICOM_Attribute *record = nullptr;
    if (found && dated && value != original) {
      record = Make_Record(owner, key.group, key.element, key.VR, value);
    } else if (found) {
      record = Copy_Record(owner, found);
      if (record && DICOM_VR_Is_Text(key.VR) && !Is_Ascii(value)) ascii = false;
    } else if (key.rule == KEY_VERIFIED) {
      value = Latest_Verification(file);
      if (value.empty()) continue;
      record = Make_Record(owner, key.group, key.element, key.VR, value);
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

void Notice(Adder *adder, const char *what, const std::string &value)
{
  adder->notices->push_back("DICOMDIR: " + adder->path + " has no " + what + ": \"" + value + "\" written");
}

// A generated identifier `prefix` + 6 digits not yet in `used`.
std::string Fresh_Id(const char *prefix, unsigned *counter, std::set<std::string> *used)
{
  char text[32];
  do std::snprintf(text, sizeof text, "%s%06u", prefix, ++*counter % GENERATED_DIGITS);
  while (used->count(text));
  used->insert(text);
  return text;
}

// The first non-empty value of the tags, else `fallback`.
std::string First_Of(const DICOM_Attribute *file, std::initializer_list<uint16_t> elements, const char *fallback)
{
  for (uint16_t element : elements) {
    std::string value = Text(file, 0x0008, element);
    if (!value.empty()) return value;
  }
  return fallback;
}

Node *Child(const std::vector<Node *> &children, const char *type, const std::string &key)
{
  for (Node *node : children)
    if (node->type == type && node->key == key) return node;
  return nullptr;
}

// The node of `type` and `key` among `*children`, made from `file` when missing.
template <class Generate>
Node *Find_Or_Add(Adder *adder, std::vector<Node *> *children, const char *type, const std::string &key,
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
bool File_Id_Parts(const std::string &path, std::vector<std::string> *parts)
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
int Add_File_Below(Adder *adder, Node *patient, const std::vector<std::string> &parts, const DICOM_Attribute *file,
                   const std::string &sop_class, const std::string &instance, const std::string &syntax)
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

// The tags a file is read for beside its records' keys: its identity, the dates and
// times a missing Study Date and Time are taken from, the verifying observers.
// The Verifying Observer Sequence, read for the keys of the KEY_VERIFIED rule.
constexpr uint32_t VERIFYING_OBSERVERS = DICOMDIR_Scan_Tag(0x0040, 0xA073);
const uint32_t IDENTITY_TAGS[] = {
    DICOMDIR_Scan_Tag(0x0008, 0x0016), DICOMDIR_Scan_Tag(0x0008, 0x0018), DICOMDIR_Scan_Tag(0x0008, 0x0021),
    DICOMDIR_Scan_Tag(0x0008, 0x0022), DICOMDIR_Scan_Tag(0x0008, 0x0023), DICOMDIR_Scan_Tag(0x0008, 0x0031),
    DICOMDIR_Scan_Tag(0x0008, 0x0032), DICOMDIR_Scan_Tag(0x0008, 0x0033), DICOMDIR_Scan_Tag(0x0010, 0x0020),
    DICOMDIR_Scan_Tag(0x0020, 0x000D), DICOMDIR_Scan_Tag(0x0020, 0x000E), VERIFYING_OBSERVERS,
};

// Whether the header `file` was read from a PS3.10 file: its file meta group stands
// right after the preamble and "DICM" (a file without them is read from byte 0).
bool Read_As_Part10(const DICOM_Attribute *file)
{
  const int64_t first_element = DICOM_WRITE_PREAMBLE_SIZE + (int64_t)std::strlen(DICOM_WRITE_MAGIC);
  return file->group == 0x0002 && file->element_position == first_element;
}

}  // namespace

const std::vector<uint32_t> &Tags_Taken(const std::string &record_type)
{
  static const std::map<std::string, std::vector<uint32_t>> taken = [] {
    std::map<std::string, std::vector<uint32_t>> by_type;
    auto add = [](std::vector<uint32_t> &tags, Key_Table table) {
      for (size_t i = 0; i < table.count; i++)
        tags.push_back(DICOMDIR_Scan_Tag(table.keys[i].group, table.keys[i].element));
    };
    std::vector<uint32_t> upper;
    for (Key_Table table : {KEY_TABLE(PATIENT_KEYS), KEY_TABLE(STUDY_KEYS), KEY_TABLE(SERIES_KEYS)}) add(upper, table);
    std::vector<Leaf_Kind> leaves(std::begin(LEAF_KINDS), std::end(LEAF_KINDS));
    leaves.push_back(IMAGE_LEAF);
    for (const Leaf_Kind &kind : leaves) {
      std::vector<uint32_t> &tags = by_type[kind.record_type];
      if (tags.empty()) tags = upper;
      add(tags, kind.keys);
      std::sort(tags.begin(), tags.end());
      tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
    }
    return by_type;
  }();
  static const std::vector<uint32_t> none;
  auto found = taken.find(record_type);
  return found == taken.end() ? none : found->second;
}

// Header_Tags of a file whose leaf record is of `leaf` (null: of any kind).
static std::vector<uint32_t> Header_Tags_Of(const Leaf_Kind *leaf)
{
  std::vector<Key_Table> tables = {KEY_TABLE(PATIENT_KEYS), KEY_TABLE(STUDY_KEYS), KEY_TABLE(SERIES_KEYS)};
  if (leaf) {
    tables.push_back(leaf->keys);
  } else {
    tables.push_back(IMAGE_LEAF.keys);
    for (const Leaf_Kind &kind : LEAF_KINDS) tables.push_back(kind.keys);
  }
  std::vector<uint32_t> tags;
  bool verified = false;  // a key from the Verifying Observer Sequence
  for (Key_Table table : tables)
    for (size_t i = 0; i < table.count; i++) {
      tags.push_back(DICOMDIR_Scan_Tag(table.keys[i].group, table.keys[i].element));
      verified = verified || table.keys[i].rule == KEY_VERIFIED;
    }
  for (uint32_t tag : IDENTITY_TAGS)
    if (tag != VERIFYING_OBSERVERS || verified) tags.push_back(tag);
  std::sort(tags.begin(), tags.end());
  tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
  return tags;
}

const std::vector<uint32_t> &Header_Tags(const char *sop_class)
{
  static const std::vector<uint32_t> any = Header_Tags_Of(nullptr);
  static const std::map<const Leaf_Kind *, std::vector<uint32_t>> by_leaf = [] {
    std::map<const Leaf_Kind *, std::vector<uint32_t>> tags{{&IMAGE_LEAF, Header_Tags_Of(&IMAGE_LEAF)}};
    for (const Leaf_Kind &kind : LEAF_KINDS) tags[&kind] = Header_Tags_Of(&kind);
    return tags;
  }();
  return sop_class ? by_leaf.at(Leaf_For(sop_class)) : any;
}

// Adds the file `path` with header `file`. Returns 1 when added, 0 when left out (with a
// notice), -1 when memory ran out (reported).
static int Add_File_To(Adder *adder, const std::string &path, const DICOM_Attribute *file)
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
  if (!Read_As_Part10(file) || Text(file, 0x0002, 0x0010).empty())
    return leave_out("not a PS3.10 file (no preamble, \"DICM\" and file meta information)");
  std::string sop_class = Text(file, 0x0008, 0x0016), instance = Text(file, 0x0008, 0x0018);
  std::string study_uid = Text(file, 0x0020, 0x000D), series_uid = Text(file, 0x0020, 0x000E);
  if (sop_class.empty() || instance.empty()) return leave_out("no SOP Class or SOP Instance UID");
  if (study_uid.empty() || series_uid.empty()) return leave_out("no Study or Series Instance UID");
  if (directory->instances.count(instance)) return leave_out("its SOP Instance UID is already in the directory");
  std::string syntax = Text(file, 0x0002, 0x0010);

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

int Add_File(Window_Handle owner, Directory *directory, std::vector<std::string> *notices, const std::string &path,
             const DICOM_Attribute *file)
{
  Adder adder{owner, directory, notices, ""};
  return Add_File_To(&adder, path, file);
}

}  // namespace Media_Directory
