// The IOD check: the data set's attributes against the module templates of its SOP
// class, then every standard value against the cleanup of its VR. The templates come
// from the module caches of the library; each module is read as its own list so that a
// finding can name its module and optional modules can be told apart.
//
// Index: texts / module presence / attributes against a template / values / the check.
#include "dicom/DICOM_IOD_Check.h"

#include <cstring>
#include <map>
#include <set>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_IOD.h"
#include "dicom/NEMA_Tag_Cleanup.h"
#include "dicom/NEMA_Tag_Copy.h"
#include "dicom/NEMA_db.h"
#include "util/message_log.h"

enum : int16_t {
  TYPE_1 = (int16_t)DICOM_VR_Code('1', ' '),
  TYPE_1C = (int16_t)DICOM_VR_Code('1', 'C'),
  TYPE_2 = (int16_t)DICOM_VR_Code('2', ' '),
  TYPE_2C = (int16_t)DICOM_VR_Code('2', 'C'),
};

static const uint16_t GROUP_ITEM = 0xFFFE;
static const size_t TAG_TEXT_LENGTH = 11;  // "(gggg,eeee)"

// ---- texts -------------------------------------------------------------------------------------

const char *DICOM_Check_Kind_Name(DICOM_Check_Kind kind)
{
  switch (kind) {
  case DICOM_CHECK_MISSING: return "missing";
  case DICOM_CHECK_EMPTY: return "empty";
  case DICOM_CHECK_CONDITIONAL: return "conditional";
  case DICOM_CHECK_VALUE: return "value";
  case DICOM_CHECK_UNKNOWN_SOP: return "unknown SOP class";
  }
  return "";
}

// "1", "1C", ... from a type code; "" for none.
static std::string Type_Text(int16_t type)
{
  std::string text;
  for (char c : {(char)((uint16_t)type >> 8), (char)(type & 0xFF)})
    if (c && c != ' ') text += c;
  return text;
}

// The attribute's name: the template's description, else the dictionary's name.
static std::string Name_Of(const DICOM_Attribute *record)
{
  if (record->description && *record->description) return Log_Text_Clean(record->description);
  const NEMA_db_Entry *entry = record->dictionary ? record->dictionary : NEMA_db_Lookup(record->group, record->element);
  return entry ? entry->name : "Unknown tag";
}

// A value's text without trailing blanks and NULs, at most `limit` characters.
static std::string Value_Text(const DICOM_Attribute *record, size_t limit = 64)
{
  if (!record || !record->data || record->size <= 0) return "";
  size_t length = (size_t)record->size;
  const char *text = (const char *)record->data;
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) length--;
  return std::string(text, length < limit ? length : limit);
}

// The record (group, element) of the list itself (not of its items), or nullptr.
static const DICOM_Attribute *Find(const DICOM_Attribute *list, uint16_t group, uint16_t element)
{
  static const DICOM_Sequence_Root top{};
  return DICOM_Attribute_Get(nullptr, &top, const_cast<DICOM_Attribute *>(list), group, element);
}

static DICOM_Check_Finding Finding(DICOM_Check_Kind kind, const DICOM_Attribute *record, const std::string &module,
                                   const std::string &path)
{
  DICOM_Check_Finding finding;
  finding.kind = kind;
  finding.group = record->group;
  finding.element = record->element;
  finding.name = Name_Of(record);
  finding.type = Type_Text(record->type);
  finding.module = module;
  finding.path = path;
  return finding;
}

static void Add(DICOM_Check_Result *result, DICOM_Check_Finding finding)
{
  if (finding.kind != DICOM_CHECK_CONDITIONAL) result->failures++;
  result->findings.push_back(std::move(finding));
}

// ---- module presence -----------------------------------------------------------------------------

// One module of the IOD with its template.
struct Module_Template {
  DICOM_Module_Use use;
  DICOM_Attribute *attributes = nullptr;  // owned; released by Release_Templates
};

static uint32_t Tag_Key(uint16_t group, uint16_t element) { return (uint32_t)group << 16 | element; }

// Whether an optional module is in the data set: one of its top-level attributes that
// no mandatory module names is there.
static bool Module_Present(const Module_Template &module, const std::set<uint32_t> &mandatory_tags,
                           const DICOM_Attribute *list)
{
  if (module.use.usage == 'M') return true;
  for (const DICOM_Attribute *t = module.attributes; t; t = t->next) {
    if (t->group == GROUP_ITEM || mandatory_tags.count(Tag_Key(t->group, t->element))) continue;
    if (Find(list, t->group, t->element)) return true;
  }
  return false;
}

static void Release_Templates(std::vector<Module_Template> &modules)
{
  DICOM_Sequence_Root root;
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  for (Module_Template &module : modules)
    if (module.attributes) DICOM_Attribute_Delete(nullptr, &root, &module.attributes, 0xFFFF, 0xFFFF);
}

// ---- attributes against a template ----------------------------------------------------------------

// The item list of a template sequence, or nullptr when it names no attribute inside.
static const DICOM_Attribute *Template_Item(const DICOM_Attribute *sequence)
{
  for (int32_t i = 0; i < sequence->count; i++)
    if (sequence->item[i]) return sequence->item[i];
  return nullptr;
}

static bool Has_Item(const DICOM_Attribute *sequence)
{
  for (int32_t i = 0; i < sequence->count; i++)
    for (const DICOM_Attribute *r = sequence->item[i]; r; r = r->next)
      if (r->group != GROUP_ITEM) return true;
  return false;
}

static bool Is_Sequence(const DICOM_Attribute *record)
{
  return record->VR == DICOM_VR_SQ || record->dictionary_VR == (int16_t)DICOM_VR_SQ;
}

// For each top-level tag, the module whose line on it counts when several checked
// modules name it: a forced line (the standard says its type overrides the others': SC
// Equipment's Modality type 3 over General Series' type 1), else the strictest type (a
// modality's own module specialises a general one: CT Image makes Image Type type 1),
// else the first in the IOD's order.
typedef std::map<uint32_t, const std::string *> Tag_Owners;

// A type's strictness: 0 for type 1, up to 4 for type 3 (and none).
static int Type_Rank(int16_t type)
{
  switch (type) {
  case TYPE_1: return 0;
  case TYPE_1C: return 1;
  case TYPE_2: return 2;
  case TYPE_2C: return 3;
  default: return 4;
  }
}

// Whether `line` takes a tag over from `owner`, the line that holds it so far.
static bool Takes_Over(const DICOM_Attribute *line, const DICOM_Attribute *owner)
{
  bool forced = line->flags & DICOM_FLAG_FORCED, owner_forced = owner->flags & DICOM_FLAG_FORCED;
  if (forced != owner_forced) return forced;
  return Type_Rank(line->type) < Type_Rank(owner->type);
}

static Tag_Owners Owners_Of(const std::vector<const Module_Template *> &present)
{
  std::map<uint32_t, const DICOM_Attribute *> lines;
  Tag_Owners owners;
  for (const Module_Template *module : present)
    for (const DICOM_Attribute *t = module->attributes; t; t = t->next) {
      uint32_t key = Tag_Key(t->group, t->element);
      auto found = lines.find(key);
      if (found != lines.end() && !Takes_Over(t, found->second)) continue;
      lines[key] = t;
      owners[key] = &module->use.name;
    }
  return owners;
}

// Holds the list `data` against the template list `wanted`, recursing into sequences.
// At the top (`owners` given) an attribute is checked only by the module that owns it.
static void Check_List(const DICOM_Attribute *wanted, const DICOM_Attribute *data, const std::string &module,
                       const std::string &path, const Tag_Owners *owners, DICOM_Check_Result *result)
{
  for (const DICOM_Attribute *t = wanted; t; t = t->next) {
    if (t->group == GROUP_ITEM) continue;
    if (owners && owners->at(Tag_Key(t->group, t->element)) != &module) continue;
    const DICOM_Attribute *d = Find(data, t->group, t->element);
    if (!d) {
      if (t->type == TYPE_1 || t->type == TYPE_2) Add(result, Finding(DICOM_CHECK_MISSING, t, module, path));
      if (t->type == TYPE_1C || t->type == TYPE_2C) Add(result, Finding(DICOM_CHECK_CONDITIONAL, t, module, path));
      continue;
    }
    bool sequence = Is_Sequence(d) || d->count > 0;
    bool empty = sequence ? !Has_Item(d) : d->size == 0;
    if (t->type == TYPE_1 && empty) Add(result, Finding(DICOM_CHECK_EMPTY, t, module, path));
    const DICOM_Attribute *item = Template_Item(t);
    if (!sequence || !item) continue;
    for (int32_t i = 0; i < d->count; i++) {
      if (!d->item[i]) continue;
      char level[32];
      std::snprintf(level, sizeof level, "(%04x,%04x)[%d] ", d->group, d->element, (int)i + 1);
      Check_List(item, d->item[i], module, path + level, nullptr, result);
    }
  }
}

// ---- values --------------------------------------------------------------------------------------

// A text value with each of its values trimmed of blanks and NULs, which the standard
// counts as padding ("DERIVED \SECONDARY" is "DERIVED\SECONDARY").
static std::string Trimmed_Values(const unsigned char *data, int32_t size)
{
  std::string text = data && size > 0 ? std::string((const char *)data, (size_t)size) : "", out;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\\', start);
    std::string value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t first = value.find_first_not_of(std::string(" \0", 2)), last = value.find_last_not_of(std::string(" \0", 2));
    out += first == std::string::npos ? "" : value.substr(first, last - first + 1);
    if (end == std::string::npos) return out;
    out += '\\';
    start = end + 1;
  }
}

// A cleanup message as a finding shows it: markup dropped, and without the leading
// "(gggg,eeee) " that the finding's own tag makes redundant ("VR=DA ..." stays).
static std::string Message_Text(const std::string &text)
{
  std::string line = Log_Text_Clean(text.c_str());
  size_t start = line.find_first_not_of(' ');
  line = start == std::string::npos ? "" : line.substr(start);
  bool tagged = line.size() > TAG_TEXT_LENGTH && line[0] == '(' && line[TAG_TEXT_LENGTH - 1] == ')';
  return tagged ? line.substr(TAG_TEXT_LENGTH + 1) : line;
}

// The cleanup's verdict on a copy of `record`. The value fails when the cleanup fails,
// warns, or has to change a text more than its padding to make it fit (characters outside the
// VR's set, an old date form); `message` then holds what the cleanup said.
static bool Value_Passes(const DICOM_Attribute *record, std::string &message)
{
  DICOM_Attribute *copy = DICOM_Attribute_New_Copy(nullptr, record);
  if (!copy) return true;
  std::vector<std::string> said;
  NEMA_Capture_Begin(&said);
  int clean = DICOM_Attribute_Cleanup_Tag(nullptr, copy);
  NEMA_Capture_End();
  uint16_t vr = record->VR ? record->VR : (uint16_t)record->dictionary_VR;
  bool changed = DICOM_VR_Is_Text(vr) && Trimmed_Values(copy->data, copy->size) != Trimmed_Values(record->data, record->size);
  DICOM_Attribute_Free(nullptr, copy);
  bool warned = false;
  for (const std::string &text : said) {
    warned |= text.compare(0, 1, "\x02") != 0;  // notices begin with the colour byte
    message += (message.empty() ? "" : "; ") + Message_Text(text);
  }
  if (!clean && message.empty()) message = "the value does not fit its VR";
  return clean && !warned && !changed;
}

// Whether the cleanup has anything to say about a record: a standard attribute with a
// value that was read, of a VR with a form to keep.
static bool Value_Checked(const DICOM_Attribute *record)
{
  if ((record->group & 1) || record->group == GROUP_ITEM || record->element == 0x0000) return false;
  if (!record->data || record->size <= 0 || record->count > 0) return false;
  uint16_t vr = record->VR ? record->VR : (uint16_t)record->dictionary_VR;
  return vr && vr != DICOM_VR_SQ && vr != DICOM_VR_UN && vr != DICOM_VR_OB && vr != DICOM_VR_OW;
}

static void Check_Values(const DICOM_Attribute *list, const std::string &path, DICOM_Check_Result *result)
{
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    std::string message;
    if (Value_Checked(r) && !Value_Passes(r, message)) {
      DICOM_Check_Finding finding = Finding(DICOM_CHECK_VALUE, r, "", path);
      finding.type.clear();
      finding.message = message;
      Add(result, finding);
    }
    for (int32_t i = 0; i < r->count; i++) {
      char level[32];
      std::snprintf(level, sizeof level, "(%04x,%04x)[%d] ", r->group, r->element, (int)i + 1);
      Check_Values(r->item[i], path + level, result);
    }
  }
}

// ---- the check -------------------------------------------------------------------------------------

static bool Unknown_SOP(DICOM_Check_Result *result, const char *message)
{
  DICOM_Check_Finding finding;
  finding.kind = DICOM_CHECK_UNKNOWN_SOP;
  finding.group = 0x0008;
  finding.element = 0x0016;
  finding.name = "SOP Class UID";
  finding.message = message;
  Add(result, finding);
  return false;
}

int DICOM_IOD_Check(Window_Handle owner, DICOM_Attribute *list, DICOM_Check_Result *result)
{
  *result = DICOM_Check_Result();
  const DICOM_Attribute *sop = Find(list, 0x0008, 0x0016);
  if (!sop || sop->size <= 0) sop = Find(list, 0x0002, 0x0002);
  result->sop_class = Value_Text(sop);
  if (result->sop_class.empty()) return Unknown_SOP(result, "no SOP Class UID");
  const char *modality = DICOM_Module_For_SOP_Class(result->sop_class.c_str());
  std::vector<DICOM_Module_Use> uses;
  if (!modality || !DICOM_Module_List(owner, modality, uses) || uses.empty())
    return Unknown_SOP(result, ("no module template for SOP class " + result->sop_class).c_str());
  result->modality = modality;

  std::vector<Module_Template> modules;
  std::set<uint32_t> mandatory_tags;
  for (const DICOM_Module_Use &use : uses) {
    Module_Template module;
    module.use = use;
    module.attributes = DICOM_Module_Attributes_Read(owner, use.name.c_str());
    if (use.usage == 'M')
      for (const DICOM_Attribute *t = module.attributes; t; t = t->next) mandatory_tags.insert(Tag_Key(t->group, t->element));
    modules.push_back(module);
  }
  std::vector<const Module_Template *> present;
  for (const Module_Template &module : modules)
    if (Module_Present(module, mandatory_tags, list)) present.push_back(&module);
  Tag_Owners owners = Owners_Of(present);
  for (const Module_Template *module : present) Check_List(module->attributes, list, module->use.name, "", &owners, result);
  Release_Templates(modules);
  Check_Values(list, "", result);
  return 1;
}
