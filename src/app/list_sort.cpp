// The sort tree builders and the tree cache. The file order mirrors the directory
// records; the four catalogue orders sort an array of (study, index) entries, never the
// studies themselves, and then make one study node per entry, grouped under date or
// patient nodes for orders 2 to 4. Every children array is one allocation of exactly
// the size needed, counted before it is filled.
//
// Index: nodes / file order / study nodes / keys and comparisons / catalogue orders.
// The tree cache is in list_tree_cache.cpp.
#include "app/list_sort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/study_text.h"
#include "dicom/NEMA_Memory_Error.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/message_log.h"

static const char *const order_name[SORT_ORDERS] = {"by File", "by Study ID", "by Date", "by Patient ID", "by Name"};

const char *List_Order_Name(int order)
{
  return order >= 0 && order < SORT_ORDERS ? order_name[order] : "";
}

// ---- nodes ----------------------------------------------------------------------------------

static void Node_Set(List_Tree *node, uint8_t kind, uint8_t flags, void *item)
{
  node->kind = kind;
  node->flags = flags;
  node->item = item;
}

// A zeroed array of `count` nodes; nullptr for none, or after reporting a failure.
static List_Tree *Node_Array(int count, const char *var, int line)
{
  if (count <= 0) return nullptr;
  List_Tree *array = (List_Tree *)std::calloc((size_t)count, sizeof(List_Tree));
  if (!array) NEMA_Memory_Error(line, "list_sort", "calloc", var, count, (long)sizeof(List_Tree));
  return array;
}

// Gives `node` a children array of `count` nodes. Returns 0 when it could not be made.
static int Node_Children(List_Tree *node, int count, const char *var, int line)
{
  node->child = Node_Array(count, var, line);
  if (count > 0 && !node->child) return 0;
  node->nb_child = node->child ? count : 0;
  return 1;
}

static void Mark_Last(List_Tree *node)
{
  if (node->nb_child > 0) node->child[node->nb_child - 1].flags |= LIST_LAST;
}

static List_Tree *Root_New()
{
  List_Tree *root = Node_Array(1, "tree", __LINE__);
  if (root) Node_Set(root, LIST_ROOT, LIST_OPEN, nullptr);
  return root;
}

static void Children_Free(List_Tree *node)
{
  for (int i = 0; i < node->nb_child; i++) Children_Free(&node->child[i]);
  std::free(node->child);
  node->child = nullptr;
  node->nb_child = 0;
}

void List_Tree_Free(List_Tree *root)
{
  if (!root) return;
  Children_Free(root);
  std::free(root);
}

// ---- file order -------------------------------------------------------------------------------

// Fills a directory node: sub-directories first, then files. Returns 0 when its own
// children array could not be made (the node is then left without children).
static int Directory_Node(List_Tree *node, item_dir *dir)
{
  Node_Set(node, LIST_DIR, LIST_CLOSED, dir);
  if (!Node_Children(node, dir->nb_dir + dir->nb_file, "tree->child", __LINE__)) return 0;
  for (int i = 0; i < dir->nb_dir; i++) Directory_Node(&node->child[i], &dir->dir[i]);
  for (int i = 0; i < dir->nb_file; i++) Node_Set(&node->child[dir->nb_dir + i], LIST_FILE, LIST_LEAF, &dir->file[i]);
  Mark_Last(node);
  return 1;
}

List_Tree *List_Tree_File(item_catalogue *catalogue)
{
  if (catalogue->nb_dir == 0) return nullptr;
  List_Tree *root = Node_Array(1, "tree", __LINE__);
  if (!root) return nullptr;
  if (!Directory_Node(root, &catalogue->dir[0])) {
    std::free(root);
    return nullptr;
  }
  Node_Set(root, LIST_ROOT, LIST_OPEN, &catalogue->dir[0]);
  return root;
}

// ---- study nodes ------------------------------------------------------------------------------

int List_Tree_Study(List_Tree *node, item_study *study)
{
  Node_Set(node, LIST_STUDY, LIST_CLOSED, study);
  node->nb_image = 0;
  if (Node_Children(node, study->nb_child, "tree->child", __LINE__)) {
    for (int s = 0; s < node->nb_child; s++) {
      item_series *series = &study->child[s];
      List_Tree *series_node = &node->child[s];
      Node_Set(series_node, LIST_SERIES, LIST_CLOSED, series);
      if (!Node_Children(series_node, series->nb_child, "tree->child", __LINE__)) continue;
      for (int i = 0; i < series_node->nb_child; i++)
        Node_Set(&series_node->child[i], LIST_IMAGE, LIST_LEAF, series->child[i]);
      Mark_Last(series_node);
      node->nb_image += series_node->nb_child;
    }
    Mark_Last(node);
  }
  return study->nb_image;
}

// ---- keys and comparisons ---------------------------------------------------------------------

// A missing text (absent or empty) first; present texts byte by byte, unsigned.
static int Text_Compare(const char *a, const char *b)
{
  bool has_a = a && *a, has_b = b && *b;
  if (!has_a || !has_b) return (int)has_a - (int)has_b;
  return std::strcmp(a, b);
}

static int Study_ID_Compare(const item_study *a, const item_study *b)
{
  return Text_Compare(a->Study_ID, b->Study_ID);
}

static int Patient_ID_Compare(const item_study *a, const item_study *b)
{
  return Text_Compare(a->Patient_ID, b->Patient_ID);
}

static int Date_Compare(const item_study *a, const item_study *b)
{
  return Compare_Ardent_Date(a->Study_Date, b->Study_Date);
}

static int Name_Compare(const item_study *a, const item_study *b)
{
  return Compare_Ardent_Name(a->Patient_Name, b->Patient_Name);
}

// The name order writes each comparison to the console, which exists only while tracing.
static int Trace_Compare(const char *label, int result)
{
  if (trace_level > 0) std::printf("ret %s: %d \n", label, result);
  return result;
}

// Sorts `entries` with `compare` (negative: a before b); equal entries keep their order.
template <typename Compare>
static void Entries_Sort(List_Sort_Entry *entries, int count, Compare compare)
{
  std::stable_sort(entries, entries + count,
                   [&](const List_Sort_Entry &a, const List_Sort_Entry &b) { return compare(a.study, b.study) < 0; });
}

// Group keys: neighbours with byte-for-byte equal keys share a group node.
static std::string Date_Key(const item_study *study)
{
  char text[STUDY_DATE_TEXT];
  return Study_Date_Text(study->Study_Date, text) ? text : "00/00/0000";
}

static std::string Patient_ID_Key(const item_study *study)
{
  return study->Patient_ID && *study->Patient_ID ? study->Patient_ID : "----";
}

static std::string Name_Key(const item_study *study)
{
  const char *name = Ardent_Name_To_Display(study->Patient_Name);
  std::string key = name ? name : "----";
  key += '\0';  // names never hold a NUL: the pair stays unambiguous
  return key + Patient_ID_Key(study);
}

// ---- catalogue orders -------------------------------------------------------------------------

static item_study *Entry_Study(const List_Sort_Entry &entry, item_catalogue *catalogue)
{
  return &catalogue->child[entry.index];
}

// Makes the root of a catalogue order holding one study node per sorted entry.
static List_Tree *Tree_Studies(List_Sort_Entry *entries, item_catalogue *catalogue)
{
  List_Tree *root = Root_New();
  if (!root) return nullptr;
  if (!Node_Children(root, catalogue->nb_child, "tree->child", __LINE__)) {
    std::free(root);
    return nullptr;
  }
  for (int i = 0; i < root->nb_child; i++) {
    List_Tree *node = &root->child[i];
    node->nb_image = List_Tree_Study(node, Entry_Study(entries[i], catalogue));
  }
  Mark_Last(root);
  return root;
}

// Makes the root of a grouped order: one `kind` node per run of neighbouring sorted
// studies with equal `key`, holding the run's study nodes.
static List_Tree *Tree_Groups(List_Sort_Entry *entries, item_catalogue *catalogue, uint8_t kind,
                              std::string (*key)(const item_study *))
{
  int count = catalogue->nb_child;
  std::vector<std::string> keys(count);
  int nb_group = 0;
  for (int i = 0; i < count; i++) {
    keys[i] = key(Entry_Study(entries[i], catalogue));
    if (i == 0 || keys[i] != keys[i - 1]) nb_group++;
  }
  List_Tree *root = Root_New();
  if (!root) return nullptr;
  if (!Node_Children(root, nb_group, "tree->child", __LINE__)) {
    std::free(root);
    return nullptr;
  }
  int first = 0;
  for (int g = 0; g < nb_group; g++) {
    int end = first + 1;
    while (end < count && keys[end] == keys[first]) end++;
    List_Tree *group = &root->child[g];
    Node_Set(group, kind, LIST_CLOSED, Entry_Study(entries[first], catalogue));
    if (!Node_Children(group, end - first, "tree->child[lev_1].child", __LINE__)) {
      List_Tree_Free(root);
      return nullptr;
    }
    for (int i = 0; i < group->nb_child; i++) {
      group->nb_image += List_Tree_Study(&group->child[i], Entry_Study(entries[first + i], catalogue));
    }
    Mark_Last(group);
    first = end;
  }
  Mark_Last(root);
  return root;
}

List_Tree *List_Tree_S_ID(List_Sort_Entry *entries, item_catalogue *catalogue)
{
  Message_Log(nullptr, MSG_TRACE, "******** Create List_Tree_S_ID ********");
  Entries_Sort(entries, catalogue->nb_child, [](const item_study *a, const item_study *b) {
    int result = Study_ID_Compare(a, b);
    return result ? result : Date_Compare(a, b);
  });
  return Tree_Studies(entries, catalogue);
}

List_Tree *List_Tree_Date(List_Sort_Entry *entries, item_catalogue *catalogue)
{
  Message_Log(nullptr, MSG_TRACE, "******** Create List_Tree_Date ********");
  bool by_name = (flag_print & 0x04) != 0;  // read once: the settings may change meanwhile
  Entries_Sort(entries, catalogue->nb_child, [by_name](const item_study *a, const item_study *b) {
    int result = Date_Compare(a, b);
    if (result) return result;
    return by_name ? Name_Compare(a, b) : Study_ID_Compare(a, b);
  });
  return Tree_Groups(entries, catalogue, LIST_GROUP_DATE, Date_Key);
}

List_Tree *List_Tree_P_ID(List_Sort_Entry *entries, item_catalogue *catalogue)
{
  Message_Log(nullptr, MSG_TRACE, "******** Create List_Tree_P_ID ********");
  Entries_Sort(entries, catalogue->nb_child, [](const item_study *a, const item_study *b) {
    int result = Patient_ID_Compare(a, b);
    if (!result) result = Name_Compare(a, b);
    return result ? result : Study_ID_Compare(a, b);
  });
  return Tree_Groups(entries, catalogue, LIST_GROUP_PID, Patient_ID_Key);
}

List_Tree *List_Tree_Name(List_Sort_Entry *entries, item_catalogue *catalogue)
{
  Message_Log(nullptr, MSG_TRACE, "******** Create List_Tree_Name ********");
  Message_Log(nullptr, MSG_TRACE, "nb child = %d", catalogue->nb_child);
  Entries_Sort(entries, catalogue->nb_child, [](const item_study *a, const item_study *b) {
    int result = Trace_Compare("Name", Name_Compare(a, b));
    if (!result) result = Trace_Compare("ID", Patient_ID_Compare(a, b));
    return result ? result : Trace_Compare("Study", Study_ID_Compare(a, b));
  });
  Message_Log(nullptr, MSG_TRACE, "******** Sort done ********");
  return Tree_Groups(entries, catalogue, LIST_GROUP_NAME, Name_Key);
}

List_Tree *List_Tree_Build(int order, List_Sort_Entry *entries, item_catalogue *catalogue)
{
  switch (order) {
  case SORT_STUDY_ID: return List_Tree_S_ID(entries, catalogue);
  case SORT_STUDY_DATE: return List_Tree_Date(entries, catalogue);
  case SORT_PATIENT_ID: return List_Tree_P_ID(entries, catalogue);
  case SORT_PATIENT_NAME: return List_Tree_Name(entries, catalogue);
  default: return nullptr;
  }
}
