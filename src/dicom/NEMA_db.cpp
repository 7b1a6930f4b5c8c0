// The data dictionary. Each table line "(gggg,eeee) Name VR VM [RET]" is parsed from its
// end: the retired mark, then the VR-and-VM alternatives (one "VR VM" pair, or up to
// three parenthesised "(VR VM)" groups joined by "or"), and what is left is the name.
// Entries are filed per group node; a node covers one group or, with x digits, a family
// of groups (50xx, 60xx). Lookups find the node by group under its mask, then the entry
// by element: exactly through a binary search, else through an entry's wildcard digits.
// Every exact entry of a single-group node is also filed in an open-addressing hash
// table keyed by the whole tag, so that a lookup of a standard tag (nearly every one a
// header holds) costs a multiplication and a probe or two; other tags take the node path.
//
// The dictionary is built once, under a lock, by the first lookup of any thread; after
// that every lookup reads it without locking.
#include "dicom/NEMA_db.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string.h>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/NEMA_db_Tables.h"
#include "util/message_log.h"

namespace {

struct Group_Node {
  uint16_t group, mask;
  std::vector<NEMA_db_Entry> exact;     // element mask 0xFFFF, ordered by element
  std::vector<NEMA_db_Entry> wildcard;  // entries with x digits in the element
};

struct Dictionary {
  std::vector<Group_Node> nodes;  // ordered by group & mask
  std::vector<const NEMA_db_Entry *> by_tag;  // hash table of the exact entries; null = free slot
  unsigned shift = 32;                        // 32 - log2(by_tag.size())
  std::vector<const Group_Node *> families;   // the nodes of group families (50xx, 60xx)
};

// The home slot of a tag in a table of 2^(32 - shift) slots (Fibonacci hashing).
inline uint32_t Tag_Slot(uint32_t tag, unsigned shift) { return (uint32_t)(tag * 2654435769u) >> shift; }

}  // namespace

static std::atomic<Dictionary *> dictionary{nullptr};
static std::mutex dictionary_lock;

// ---- parsing one line ------------------------------------------------------------------------

// Reads four hexadecimal digits (x = wildcard). Returns false on any other character.
static bool Read_Hex4(const char *text, uint16_t *value, uint16_t *mask)
{
  *value = *mask = 0;
  for (int i = 0; i < 4; i++) {
    char c = text[i];
    int digit;
    if (c == 'x' || c == 'X') digit = -1;
    else if (std::isxdigit((unsigned char)c)) digit = std::isdigit((unsigned char)c) ? c - '0' : (std::toupper(c) - 'A' + 10);
    else return false;
    *value = (uint16_t)(*value << 4 | (digit < 0 ? 0 : digit));
    *mask = (uint16_t)(*mask << 4 | (digit < 0 ? 0 : 0xF));
  }
  return true;
}

// A VM "1", "1-n", "2-2n", "1-3" into minimum and maximum (n forms give -1).
static bool Read_VM(const char *text, int16_t range[2])
{
  char *end;
  long low = std::strtol(text, &end, 10);
  if (end == text) return false;
  range[0] = range[1] = (int16_t)low;
  if (*end == '\0') return true;
  if (*end != '-') return false;
  const char *high = end + 1;
  if (!std::strcmp(high + std::strspn(high, "0123456789"), "n")) {
    range[1] = -1;
    return true;
  }
  long value = std::strtol(high, &end, 10);
  if (end == high || *end) return false;
  range[1] = (int16_t)value;
  return true;
}

static bool Is_VR(const char *text) { return std::isupper((unsigned char)text[0]) && std::isupper((unsigned char)text[1]); }

// Takes the last word of text[0..*length) off and returns it (NUL-terminated in `word`).
static bool Take_Last_Word(const char *text, size_t *length, char *word, size_t size)
{
  size_t end = *length;
  while (end > 0 && text[end - 1] == ' ') end--;
  size_t start = end;
  while (start > 0 && text[start - 1] != ' ') start--;
  if (start == end || end - start >= size) return false;
  std::memcpy(word, text + start, end - start);
  word[end - start] = '\0';
  *length = start;
  return true;
}

// Takes one "VR VM" pair off the end of text[0..*length) into alternative `index`.
static bool Take_Pair(const char *text, size_t *length, NEMA_db_Entry *entry, int index)
{
  char vm[16], vr[8];
  if (!Take_Last_Word(text, length, vm, sizeof vm) || !Take_Last_Word(text, length, vr, sizeof vr)) return false;
  if (std::strlen(vr) != 2 || !Is_VR(vr) || !Read_VM(vm, entry->VM[index])) return false;
  entry->VR[index] = DICOM_VR_Code(vr[0], vr[1]);
  return true;
}

// Takes up to three "(VR VM)" groups joined by "or" off the end of text[0..*length).
static bool Take_Alternatives(const char *text, size_t *length, NEMA_db_Entry *entry)
{
  NEMA_db_Entry found = {};
  int count = 0;
  while (count < NEMA_DB_VR_MAX) {
    size_t end = *length;
    while (end > 0 && text[end - 1] == ' ') end--;
    if (end == 0 || text[end - 1] != ')') break;
    const char *open = (const char *)memrchr(text, '(', end);
    if (!open || open == text) return false;
    size_t inner = (size_t)(end - 1 - (size_t)(open - text) - 1);
    char pair[32];
    if (inner >= sizeof pair) return false;
    std::memcpy(pair, open + 1, inner);
    pair[inner] = '\0';
    size_t pair_length = inner;
    if (!Take_Pair(pair, &pair_length, &found, count) || pair_length != 0) return false;
    count++;
    *length = (size_t)(open - text);
    size_t before = *length;
    while (before > 0 && text[before - 1] == ' ') before--;
    if (before >= 3 && !std::strncmp(text + before - 3, " or", 3)) *length = before - 3;
    else break;
  }
  if (count == 0) return false;
  // The groups were taken from the end: put them back in line order.
  for (int i = 0; i < count; i++) {
    entry->VR[i] = found.VR[count - 1 - i];
    entry->VM[i][0] = found.VM[count - 1 - i][0];
    entry->VM[i][1] = found.VM[count - 1 - i][1];
  }
  entry->VR_count = (int8_t)count;
  return true;
}

// Parses one table line into `entry`. Returns false (after the syntax warning) when the
// line cannot be read.
static bool Parse_Line(const char *line, NEMA_db_Entry *entry)
{
  *entry = NEMA_db_Entry{};
  uint16_t group_mask;
  size_t length = std::strlen(line);
  if (length < 11 || line[0] != '(' || line[5] != ',' || line[10] != ')' ||
      !Read_Hex4(line + 1, &entry->group, &group_mask) || !Read_Hex4(line + 6, &entry->element, &entry->element_mask)) {
    NEMA_Warning(nullptr, "Syntax error in definition file for %12.12s", line);
    return false;
  }
  const char *text = line + 11;
  length -= 11;
  while (length > 0 && text[length - 1] == ' ') length--;
  if (length >= 4 && !std::strncmp(text + length - 4, " RET", 4)) {
    entry->retired = true;
    length -= 4;
  }
  while (length > 0 && text[length - 1] == ' ') length--;
  entry->VR[0] = DICOM_VR_RT;
  if (length > 0 && text[length - 1] == ')') {
    if (!Take_Alternatives(text, &length, entry)) {
      NEMA_Warning(nullptr, "Syntax error in definition file for %12.12s", line);
      return false;
    }
  } else if (length > 0 && (std::isdigit((unsigned char)text[length - 1]) || text[length - 1] == 'n')) {
    size_t before = length;
    if (Take_Pair(text, &length, entry, 0)) {
      entry->VR_count = 1;
    } else {
      length = before;
      entry->VR[0] = DICOM_VR_RT;
    }
  }
  while (length > 0 && text[length - 1] == ' ') length--;
  size_t start = 0;
  while (start < length && text[start] == ' ') start++;
  std::snprintf(entry->name, sizeof entry->name, "%.*s", (int)std::min<size_t>(length - start, NEMA_DB_NAME_MAX),
                text + start);
  return true;
}

// ---- building ----------------------------------------------------------------------------------

static Group_Node *Node_For(Dictionary *dict, uint16_t group, uint16_t mask)
{
  uint16_t key = group & mask;
  auto at = std::lower_bound(dict->nodes.begin(), dict->nodes.end(), key,
                             [](const Group_Node &node, uint16_t value) { return (node.group & node.mask) < value; });
  if (at != dict->nodes.end() && at->group == group && at->mask == mask) return &*at;
  return &*dict->nodes.insert(at, Group_Node{group, mask, {}, {}});
}

// Files `entry` in its node; a tag already there is refused with a warning.
static void File_Entry(Group_Node *node, const NEMA_db_Entry &entry)
{
  std::vector<NEMA_db_Entry> &list = entry.element_mask == 0xFFFF ? node->exact : node->wildcard;
  auto at = std::lower_bound(list.begin(), list.end(), entry.element,
                             [](const NEMA_db_Entry &e, uint16_t element) { return e.element < element; });
  if (at != list.end() && at->element == entry.element) {
    NEMA_Warning(nullptr, "duplicate tag (\x01%04x\x02,\x01%04x\x02) in definition file", entry.group, entry.element);
    return;
  }
  list.insert(at, entry);
}

// Files every exact entry of the single-group nodes in the hash table, sized to keep
// it at most half full, and lists the family nodes, in node order. Runs once the nodes
// no longer move.
static void Index_Build(Dictionary *dict)
{
  size_t count = 0;
  for (const Group_Node &node : dict->nodes)
    if (node.mask == 0xFFFF) count += node.exact.size();
  unsigned bits = 1;
  while (((size_t)1 << bits) < 2 * count) bits++;
  dict->by_tag.assign((size_t)1 << bits, nullptr);
  dict->shift = 32 - bits;
  uint32_t mask = (uint32_t)dict->by_tag.size() - 1;
  for (const Group_Node &node : dict->nodes) {
    if (node.mask != 0xFFFF) {
      dict->families.push_back(&node);
      continue;
    }
    for (const NEMA_db_Entry &entry : node.exact) {
      uint32_t slot = Tag_Slot((uint32_t)entry.group << 16 | entry.element, dict->shift);
      while (dict->by_tag[slot]) slot = (slot + 1) & mask;
      dict->by_tag[slot] = &entry;
    }
  }
}

// The exact entry of (group, element) in the hash table, or nullptr.
static const NEMA_db_Entry *Index_Find(const Dictionary *dict, uint16_t group, uint16_t element)
{
  uint32_t mask = (uint32_t)dict->by_tag.size() - 1;
  for (uint32_t slot = Tag_Slot((uint32_t)group << 16 | element, dict->shift);; slot = (slot + 1) & mask) {
    const NEMA_db_Entry *entry = dict->by_tag[slot];
    if (!entry) return nullptr;
    if (entry->group == group && entry->element == element) return entry;
  }
}

static Dictionary *Build()
{
  Dictionary *dict = new Dictionary;
  for (int t = 0; t < NEMA_db_Table_Count; t++)
    for (int i = 0; i < NEMA_db_Tables[t].count; i++) {
      const char *line = NEMA_db_Tables[t].lines[i];
      NEMA_db_Entry entry;
      if (!Parse_Line(line, &entry)) continue;
      uint16_t value, mask;
      Read_Hex4(line + 1, &value, &mask);
      File_Entry(Node_For(dict, value, mask), entry);
    }
  Index_Build(dict);
  return dict;
}

// ---- lookup and cleanup ----------------------------------------------------------------------------

static const NEMA_db_Entry *Find_In_Node(const Group_Node &node, uint16_t element)
{
  auto at = std::lower_bound(node.exact.begin(), node.exact.end(), element,
                             [](const NEMA_db_Entry &e, uint16_t value) { return e.element < value; });
  if (at != node.exact.end() && at->element == element) return &*at;
  for (const NEMA_db_Entry &entry : node.wildcard)
    if ((element & entry.element_mask) == entry.element) return &entry;
  return nullptr;
}

const NEMA_db_Entry *NEMA_db_Lookup(uint16_t group, uint16_t element)
{
  if (group & 1) return nullptr;
  Dictionary *dict = dictionary.load(std::memory_order_acquire);
  if (!dict) {
    std::lock_guard<std::mutex> hold(dictionary_lock);
    dict = dictionary.load(std::memory_order_acquire);
    if (!dict) {
      dict = Build();
      dictionary.store(dict, std::memory_order_release);
    }
  }
  if (const NEMA_db_Entry *entry = Index_Find(dict, group, element)) return entry;
  auto exact = std::lower_bound(dict->nodes.begin(), dict->nodes.end(), group,
                                [](const Group_Node &node, uint16_t value) { return (node.group & node.mask) < value; });
  for (; exact != dict->nodes.end() && (exact->group & exact->mask) == group; ++exact)
    if (exact->mask == 0xFFFF) return Find_In_Node(*exact, element);
  for (const Group_Node *node : dict->families)
    if ((group & node->mask) == (node->group & node->mask)) return Find_In_Node(*node, element);
  return nullptr;
}

void NEMA_db_Cleanup()
{
  Message_Log(nullptr, MSG_TRACE + 3, "--- in NEMA_db_Cleanup() ---");
  std::lock_guard<std::mutex> hold(dictionary_lock);
  delete dictionary.exchange(nullptr);
  Message_Log(nullptr, MSG_TRACE + 3, "--- out NEMA_db_Cleanup() ---");
}
