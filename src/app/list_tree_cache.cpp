// The tree cache of the sort trees: one slot per order, filled the first time an order
// is asked for after a scan (the file order at once, the others by the sort job) and
// emptied when the next scan starts. A tree stays in its slot with its open and closed
// nodes while the user looks at other orders.
#include "app/list_sort.h"
#include "app/list_thread.h"

static List_Tree *tree_cache[SORT_ORDERS];

List_Tree **List_Tree_Slot(int order)
{
  return order >= 0 && order < SORT_ORDERS ? &tree_cache[order] : nullptr;
}

List_Tree *List_Tree_Get(int order)
{
  List_Tree **slot = List_Tree_Slot(order);
  if (!slot || Dir_List.nb_dir == 0) return nullptr;
  return Sort_Start(&Dir_List, slot, order) == 1 ? *slot : nullptr;
}

void List_Tree_Cache_Free()
{
  for (List_Tree *&slot : tree_cache) {
    List_Tree_Free(slot);
    slot = nullptr;
  }
}
