// The folder tree: "My Computer" with the drives (home first, then the mount points),
// opened folder by folder, each row drawn with the tree glyphs, an icon and the name,
// a title line showing the selected folder, and vertical and horizontal scroll bars.
// Selecting a folder's name returns 2 to the owner, which then reads the path.
#pragma once

#include <string>
#include <vector>

#include "tools/slider.h"
#include "tools/tools_widget.h"

// Node flags.
constexpr unsigned DIR_OPENABLE = 0x01;  // may have sub-folders (not yet listed)
constexpr unsigned DIR_OPEN = 0x02;      // its children are shown
constexpr unsigned DIR_DRIVE = 0x20;
constexpr unsigned DIR_LISTED = 0x40;    // its sub-folders have been read
constexpr unsigned DIR_SELECTED = 0x80;
constexpr unsigned DIR_ROOT = 0x1000;
enum { DIR_ROW = 18 };

struct Dir_Node {
  unsigned flags = 0;
  std::string name;
  std::string path;  // ends with "/"; "" for the root
  std::vector<Dir_Node> child;
};

// One visible row: the node, its depth, and for each depth above it whether the node's
// ancestor there has later siblings (a connector passes through the row).
struct Dir_Row {
  Dir_Node *node = nullptr;
  int depth = 0;
  bool last = true;
  std::vector<bool> pass;
};

struct Dir_Tree : Tools_Device {
  Dir_Node root;
  std::string title;            // shown before the selected folder in the title line
  std::string selected_path;    // the path of the node with DIR_SELECTED
  std::string selected_name;
  std::string mounts = "/proc/self/mounts";  // the mount table to read the drives from
  std::string home;             // the home folder; "" takes $HOME
  int16_t depth = 2;
  int scroll_row = 0;           // rows scrolled out at the top
  int scroll_col = 0;           // columns scrolled out at the left
  std::vector<Dir_Row> rows;
  Slider vbar, hbar;
};

namespace DirTrees {
// Marks the tree initialised, builds "My Computer" with its drives when it has none, and
// lays out the title line, the rows and the scroll bars.
void Init(Dir_Tree &tree, Window_Handle window);
// Builds the root and the drives when needed, opens the tree down to `path`, selects
// the deepest node on the way (flag 0x80) and scrolls it into view. Returns 1 when the
// whole path was found, 0 when only part of it (or nothing) was.
int Set_Path(Dir_Tree &tree, const std::string &path);
// The selected folder's path ("" when none).
std::string Read(Dir_Tree &tree);
// Opens (listing the sub-folders on first use) or closes a node, then rebuilds the rows.
// A folder that cannot be listed writes "Scan_Dir(%s) -> NULL" and stays without children.
void Toggle(Dir_Tree &tree, Dir_Node &node);
// The tree's behaviour for the last mouse position:
//   mode 0                     refreshes the scroll bars' hover, returns 1
//   press on a scroll bar      scrolls the tree, returns 1
//   press on a node's glyph    opens or closes it, redraws, returns 1
//   press on a node's name     selects it, shows it in the title line, redraws, returns 2
//   mode 4                     returns 1 when the mouse is over the tree, changes nothing
//   anything else              returns 0
int Select(Dir_Tree &tree, int mode);
// Scrolls by `steps` rows (positive: down the list) and redraws.
void Scroll(Dir_Tree &tree, int steps);
// Draws the frame, the title line, the visible rows and the scroll bars.
void Dir_Tree_Draw2(Dir_Tree &tree);
// Rebuilds the visible rows from the open nodes and fits the scroll bars.
void Dir_Tree_Update2(Dir_Tree &tree);
}  // namespace DirTrees
