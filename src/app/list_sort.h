// The sort trees: five orderings of the catalogue's records that the catalogue view
// draws. A tree never copies catalogue data; every node points at the record it stands
// for, so the selection and copy state kept in a file entry is the same in all five.
//
//   order 0 by File        directories and files as the scan stored them
//   order 1 by Study ID    studies > series > images
//   order 2 by Date        date groups > studies > series > images
//   order 3 by Patient ID  patient groups > studies > series > images
//   order 4 by Name        patient groups (name and ID) > studies > series > images
//
// Index: kinds and flags / tree node / builders / tree cache.
#pragma once

#include <cstdint>

#include "app/catalogue.h"

// ---- kinds and flags ----------------------------------------------------------------------

enum { SORT_FILE = 0, SORT_STUDY_ID = 1, SORT_STUDY_DATE = 2, SORT_PATIENT_ID = 3, SORT_PATIENT_NAME = 4, SORT_ORDERS = 5 };

// What a node stands for, and what its `item` points at.
enum : uint8_t {
  LIST_ROOT = 0,        // order 0: the top directory record; orders 1 to 4: nothing
  LIST_DIR = 1,         // item_dir
  LIST_FILE = 2,        // item_file
  LIST_GROUP_NAME = 3,  // patient group of the name order: its first item_study
  LIST_GROUP_PID = 4,   // patient group of the patient-ID order: its first item_study
  LIST_GROUP_DATE = 5,  // date group: its first item_study
  LIST_STUDY = 6,       // item_study
  LIST_SERIES = 7,      // item_series
  LIST_IMAGE = 8,       // item_file of the image
};

enum : uint8_t {
  LIST_CLOSED = 0x01,  // children exist but are not shown
  LIST_OPEN = 0x02,    // children shown
  LIST_LEAF = 0x04,    // no children (files and images)
  LIST_LAST = 0x10,    // last node of its children array
};

// "by File", "by Study ID", "by Date", "by Patient ID", "by Name"; "" for other values.
const char *List_Order_Name(int order);

// ---- tree node ------------------------------------------------------------------------------

// One node; a children array is one contiguous allocation of nb_child nodes.
struct List_Tree {
  uint8_t kind;          // LIST_ROOT ... LIST_IMAGE
  uint8_t flags;         // LIST_CLOSED, LIST_OPEN or LIST_LEAF, plus LIST_LAST
  uint8_t select_state;  // inner nodes: OR of the file states below (1 none, 2 all, 3 part); 0 when built
  uint8_t copy_state;    // inner nodes: OR of the copy states below; 0 when built
  int32_t nb_image;      // images below a study or group node; 0 on all others
  int32_t nb_child;      // entries of `child`
  List_Tree *child;      // the children, or nullptr
  void *item;            // the catalogue record (see the kinds)
};

// One study to be sorted: the record and its index in the catalogue's study array.
struct List_Sort_Entry {
  item_study *study;
  int32_t index;
};

// ---- builders ----------------------------------------------------------------------------
// Every builder returns a new tree owned by the caller (release it with List_Tree_Free),
// or nullptr when the catalogue has no scanned directory (order 0) or when the root or a
// top-level or group array cannot be allocated (reported as MSG_ERROR with the unit
// "list_sort"). A sub-directory, series or image array that cannot be allocated leaves
// that node without children (and an image array counts 0 images); the build goes on.
// Inner nodes are built closed, leaves as leaves, the root open; select_state and
// copy_state stay 0 until the view computes them.

// The file order: the top directory record of `catalogue` with its sub-directories, then
// its files, recursively, in the order the scan stored them.
List_Tree *List_Tree_File(item_catalogue *catalogue);

// The catalogue orders. `entries` holds one entry per study of `catalogue` (nb_child of
// them) and is sorted in place; studies equal on every key of the order keep their
// catalogue order. Each study's nb_image must hold the sum of its series' image counts.
// Order 1: study ID, then date. Order 2: date, then patient name when bit 0x04 of
// flag_print is set, else study ID. Order 3: patient ID, patient name, study ID.
// Order 4: patient name, patient ID, study ID. Orders 2 to 4 group runs of neighbouring
// studies whose group key (date text; patient ID; display name and patient ID) is equal.
List_Tree *List_Tree_S_ID(List_Sort_Entry *entries, item_catalogue *catalogue);
List_Tree *List_Tree_Date(List_Sort_Entry *entries, item_catalogue *catalogue);
List_Tree *List_Tree_P_ID(List_Sort_Entry *entries, item_catalogue *catalogue);
List_Tree *List_Tree_Name(List_Sort_Entry *entries, item_catalogue *catalogue);

// The builder of `order` 1 to 4 applied to `entries`; nullptr for any other order.
List_Tree *List_Tree_Build(int order, List_Sort_Entry *entries, item_catalogue *catalogue);

// Fills `node` as the study node of `study`: one series node per series, each with one
// image node per file entry, in catalogue order. The node's nb_image is the number of
// image nodes made. Returns the study's own image total (its nb_image).
int List_Tree_Study(List_Tree *node, item_study *study);

// Frees every children array, depth first, then the root. Null is allowed.
void List_Tree_Free(List_Tree *root);

// ---- tree cache (list_tree_cache.cpp) -------------------------------------------------
// One slot per order, holding that order's tree or nothing. Only the thread that owns the
// catalogue (the user-interface thread, or a job it started) touches the slots; a sort job
// fills its slot once its tree is complete.

// The slot of `order` (0 to 4), or nullptr for any other order.
List_Tree **List_Tree_Slot(int order);

// The tree of `order` over the process-wide catalogue Dir_List, for the view to list:
// nullptr when no folder was scanned (Dir_List.nb_dir 0) or for an order outside 0 to 4;
// else the cached tree. An empty slot is filled through Sort_Start: order 0 at once (its
// tree is returned), orders 1 to 4 by the sort job, which asks the list pane to refresh
// when the tree is there (nullptr is returned meanwhile). Never blocks: while a sort of
// another order runs, nullptr is returned and the list pane is refreshed with
// LIST_REFRESH_SORT once that sort has ended, so that it asks again.
// Preconditions: called on the catalogue's thread; no scan job running.
List_Tree *List_Tree_Get(int order);

// Frees the five trees and empties the slots (before a new scan and at the end).
void List_Tree_Cache_Free();
