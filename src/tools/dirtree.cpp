// The folder tree. Nodes own their children; the rows are rebuilt from the open nodes
// after every change, so drawing and hit-testing share one list. Folders are listed with
// readdir: sub-folders only, names starting with a dot left out (hidden on Linux),
// sorted without regard to case.
//
// Index: building / rows and layout / drawing / behaviour.
#include "tools/dirtree.h"

#include <algorithm>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "tools/drives.h"
#include "tools/icon.h"
#include "tools/tools.h"
#include "tools/tree_glyph.h"
#include "tools/y_font.h"
#include "util/message_log.h"

// ---- building -------------------------------------------------------------------------------

static void Build_Root(Dir_Tree &tree)
{
  tree.root = Dir_Node();
  tree.root.flags = DIR_ROOT | DIR_OPEN;
  tree.root.name = "My Computer";
  std::string home = tree.home.empty() ? Drives_Home() : tree.home;
  for (const Drive_Info &drive : Drives_List(tree.mounts, home)) {
    Dir_Node node;
    node.flags = DIR_OPENABLE | DIR_DRIVE | drive.type;
    node.name = drive.name;
    node.path = drive.path;
    tree.root.child.push_back(node);
  }
}

// Reads the sub-folders of `node` into its children. Returns 0 when it cannot be listed.
static int Scan_Dir(Dir_Node &node)
{
  DIR *dir = opendir(node.path.c_str());
  if (!dir) return 0;
  std::vector<std::string> names;
  while (struct dirent *entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string path = node.path + entry->d_name;
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) names.push_back(entry->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
    int order = strcasecmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
  });
  node.child.clear();
  for (const std::string &name : names) {
    Dir_Node folder;
    folder.flags = DIR_OPENABLE;
    folder.name = name;
    folder.path = node.path + name + "/";
    node.child.push_back(folder);
  }
  return 1;
}

static void Open_Node(Dir_Node &node)
{
  if (!(node.flags & DIR_LISTED) && !(node.flags & DIR_ROOT)) {
    if (!Scan_Dir(node)) {
      Message_Log(nullptr, MSG_TRACE, "Scan_Dir(%s) -> NULL", node.path.c_str());
      node.child.clear();
    }
    node.flags |= DIR_LISTED;
  }
  node.flags |= DIR_OPEN;
}

static void Clear_Selection(Dir_Node &node)
{
  node.flags &= ~DIR_SELECTED;
  for (Dir_Node &child : node.child) Clear_Selection(child);
}

static void Select_Node(Dir_Tree &tree, Dir_Node &node)
{
  Clear_Selection(tree.root);
  node.flags |= DIR_SELECTED;
  tree.selected_path = node.path;
  tree.selected_name = node.name.empty() ? "No Name" : node.name;
}

void DirTrees::Toggle(Dir_Tree &tree, Dir_Node &node)
{
  if (node.flags & DIR_OPEN) node.flags &= ~DIR_OPEN;
  else Open_Node(node);
  DirTrees::Dir_Tree_Update2(tree);
}

int DirTrees::Set_Path(Dir_Tree &tree, const std::string &wanted)
{
  if (tree.root.child.empty()) Build_Root(tree);
  std::string path = wanted;
  if (!path.empty() && path.back() != '/') path += '/';
  Dir_Node *best = nullptr;
  for (Dir_Node &drive : tree.root.child)
    if (path.rfind(drive.path, 0) == 0 && (!best || drive.path.size() > best->path.size())) best = &drive;
  if (!best) {
    DirTrees::Dir_Tree_Update2(tree);
    return 0;
  }
  Dir_Node *node = best;
  bool whole = true;
  while (node->path.size() < path.size()) {
    Open_Node(*node);
    size_t end = path.find('/', node->path.size());
    std::string name = path.substr(node->path.size(), end - node->path.size());
    auto found = std::find_if(node->child.begin(), node->child.end(), [&](const Dir_Node &c) { return c.name == name; });
    if (found == node->child.end()) {
      whole = false;
      break;
    }
    node = &*found;
  }
  Select_Node(tree, *node);
  DirTrees::Dir_Tree_Update2(tree);
  for (size_t r = 0; r < tree.rows.size(); r++)
    if (tree.rows[r].node == node) tree.scroll_row = std::max(0, (int)r - 2);
  DirTrees::Dir_Tree_Update2(tree);
  return whole;
}

std::string DirTrees::Read(Dir_Tree &tree)
{
  Tools_Check_State(tree, "DirTrees::Read");
  return tree.selected_path;
}

// ---- rows and layout ------------------------------------------------------------------------

struct Tree_Area {
  int x1, x2, y1, y2, title_bottom, rows, columns;
};

static int Title_Height(const Dir_Tree &tree) { return Y_Font_Height(tree.font ? tree.font : Y_System_Font()) + 6; }

static Tree_Area Area_Of(const Dir_Tree &tree)
{
  int d = Tools_Depth(tree.depth);
  Tree_Area area;
  area.x1 = tree.x + d + 2;
  area.x2 = tree.x + tree.width - 1 - d - TOOLS_SLIDER_WIDTH - 1;
  area.title_bottom = tree.y + tree.height - d - Title_Height(tree);
  area.y2 = area.title_bottom - 2;
  area.y1 = tree.y + d + TOOLS_SLIDER_WIDTH + 1;
  area.rows = std::max(1, (area.y2 - area.y1 + 1) / DIR_ROW);
  area.columns = std::max(1, (area.x2 - area.x1 + 1) / DIR_ROW);
  return area;
}

static void Collect_Rows(Dir_Tree &tree, Dir_Node &node, int depth, bool last, std::vector<bool> &pass, int &deepest)
{
  Dir_Row row;
  row.node = &node;
  row.depth = depth;
  row.last = last;
  row.pass = pass;
  tree.rows.push_back(row);
  deepest = std::max(deepest, depth);
  if (!(node.flags & DIR_OPEN)) return;
  pass.push_back(!last && depth > 0);
  for (size_t i = 0; i < node.child.size(); i++)
    Collect_Rows(tree, node.child[i], depth + 1, i + 1 == node.child.size(), pass, deepest);
  pass.pop_back();
}

void DirTrees::Dir_Tree_Update2(Dir_Tree &tree)
{
  tree.rows.clear();
  std::vector<bool> pass;
  int deepest = 0;
  Collect_Rows(tree, tree.root, 0, true, pass, deepest);
  Tree_Area area = Area_Of(tree);
  int d = Tools_Depth(tree.depth);
  tree.scroll_row = std::clamp(tree.scroll_row, 0, std::max(0, (int)tree.rows.size() - area.rows));
  tree.scroll_col = std::clamp(tree.scroll_col, 0, std::max(0, deepest + 8 - area.columns));
  Sliders::Place(tree.vbar, tree, true, area.x2 + 1, tree.y + d, TOOLS_SLIDER_WIDTH, area.title_bottom - 1 - tree.y - d,
                 std::max(0, (int)tree.rows.size() - area.rows), tree.scroll_row);
  Sliders::Place(tree.hbar, tree, false, tree.x + d, tree.y + d, area.x2 + 1 - tree.x - d, TOOLS_SLIDER_WIDTH,
                 std::max(0, deepest + 8 - area.columns), tree.scroll_col);
}

void DirTrees::Init(Dir_Tree &tree, Window_Handle window)
{
  if (!Tools_Init_Widget(tree, window, "DirTrees::Init")) return;
  if (tree.root.child.empty()) Build_Root(tree);
  DirTrees::Dir_Tree_Update2(tree);
}

// ---- drawing ----------------------------------------------------------------------------------

static const char *Drive_Icon(unsigned flags)
{
  if (flags & DIR_ROOT) return "icon_mycomputer.rgb";
  if (flags & DRIVE_REMOVABLE) return "icon_floppy.rgb";
  if (flags & DRIVE_CDROM) return "icon_cdrom.rgb";
  if (flags & DRIVE_REMOTE) return "icon_remote.rgb";
  return "icon_fixed.rgb";
}

static void Draw_Row(Dir_Tree &tree, Tools_Device &inside, const Tree_Area &area, const Dir_Row &row, int bottom)
{
  const Dir_Node &node = *row.node;
  int top = bottom + DIR_ROW - 1;
  auto column_x = [&](int column) { return area.x1 + (column - tree.scroll_col) * DIR_ROW; };
  for (size_t k = 0; k < row.pass.size(); k++)
    if (row.pass[k]) Tree_Glyph_Pass(inside, column_x((int)k), top, bottom);
  int gx = column_x(row.depth), gy = bottom + 5, text_x = column_x(row.depth + 1);
  bool has_children = !(node.flags & DIR_LISTED) || !node.child.empty();
  if (node.flags & DIR_ROOT) has_children = true;
  if (has_children) {
    if (!row.last && row.depth > 0) Tree_Glyph_Pass(inside, gx, top, bottom);
    Tree_Glyph_Node(inside, gx, gy, (node.flags & DIR_OPEN) != 0, row.depth > 0 ? top : gy + 8, text_x);
  } else {
    Tree_Glyph_Leaf(inside, gx, gy, row.last, top, bottom, text_x);
  }
  if (node.flags & (DIR_ROOT | DIR_DRIVE)) Icon_Draw_Image(inside, text_x, bottom + 1, nullptr, Drive_Icon(node.flags));
  else Tree_Glyph_Folder(inside, text_x, bottom + 3, (node.flags & DIR_OPEN) != 0);
  const char *name = node.name.empty() ? "No Name" : node.name.c_str();
  const Font_Record *font = tree.font ? tree.font : Y_System_Font();
  int name_x = text_x + 20, text_y = bottom + (DIR_ROW - Y_Font_Height(font)) / 2;
  if (node.flags & DIR_SELECTED) {
    Tools_Device mark = inside;
    Tools_Set_Colour(mark, TOOLS_SELECTED);
    mark.options = 0;
    Tools::Fill(mark, 0, name_x - 2, name_x + Tools::Text_Width(font, name) + 1, bottom + 1, top - 1);
  }
  Tools::Text_At(inside, font, name_x, text_y, name, TOOLS_BLACK);
}

void DirTrees::Dir_Tree_Draw2(Dir_Tree &tree)
{
  Tools_Check_State(tree, "DirTrees::Dir_Tree_Draw2");
  if (tree.width < 1 || tree.height < 1) return;
  int d = Tools_Depth(tree.depth), x2 = tree.x + tree.width - 1, y2 = tree.y + tree.height - 1;
  Tree_Area area = Area_Of(tree);
  Tools::Fill(tree, 0, tree.x, x2, tree.y, y2);
  Tools::Cadre(tree, tree.options, 1, d, tree.x, x2, tree.y, y2);
  Tools_Device title = tree;
  uint32_t light = Tools_Shade(Tools_Colour(tree), 40);
  Tools_Set_Colour(title, light);
  title.options = 0;
  Tools::Fill(title, 0, tree.x + d, x2 - d, area.title_bottom, y2 - d);
  Tools::Line(title, tree.x + d, area.title_bottom - 1, x2 - d, area.title_bottom - 1, Tools_Shade(Tools_Colour(tree), -60));
  std::string caption = tree.title;
  if (!tree.selected_name.empty()) caption += (caption.empty() ? "" : " ") + tree.selected_name;
  Tools::Text(tree, tree.font, caption.c_str(), OPT_TEXT_LEFT, tree.x + d, area.title_bottom, tree.width - 2 * d,
              y2 - d - area.title_bottom + 1, 1);
  Tools_Device inside = tree;
  inside.clip_x = (int16_t)area.x1;
  inside.clip_y = (int16_t)area.y1;
  inside.clip_width = (int16_t)(area.x2 - area.x1 + 1);
  inside.clip_height = (int16_t)(area.y2 - area.y1 + 1);
  inside.red = inside.green = inside.blue = 235;
  Tools::Fill(inside, 0, area.x1, area.x2, area.y1, area.y2);
  for (int r = 0; r < area.rows + 1 && tree.scroll_row + r < (int)tree.rows.size(); r++)
    Draw_Row(tree, inside, area, tree.rows[tree.scroll_row + r], area.y2 + 1 - (r + 1) * DIR_ROW);
  Sliders::Draw(tree.vbar);
  Sliders::Draw(tree.hbar);
}

// ---- behaviour ----------------------------------------------------------------------------------

void DirTrees::Scroll(Dir_Tree &tree, int steps)
{
  Tools_Check_State(tree, "DirTrees::Scroll");
  tree.scroll_row += steps;
  DirTrees::Dir_Tree_Update2(tree);
  DirTrees::Dir_Tree_Draw2(tree);
}

int DirTrees::Select(Dir_Tree &tree, int mode)
{
  Tools_Check_State(tree, "DirTrees::Select");
  int mx = 0, my = 0;
  int inside = Tools_Mouse_In(tree.window, mx, my) && mx >= tree.x && mx < tree.x + tree.width && my >= tree.y &&
               my < tree.y + tree.height;
  if ((mode & 0xF) == 4) return inside;
  if ((mode & 0xF) == 0) {
    Sliders::Select(tree.vbar, 0);
    Sliders::Select(tree.hbar, 0);
    return 1;
  }
  if (Sliders::Select(tree.vbar, mode) || tree.vbar.thumb_state) {
    tree.scroll_row = (int)(tree.vbar.value + 0.5);
    DirTrees::Dir_Tree_Update2(tree);
    DirTrees::Dir_Tree_Draw2(tree);
    return 1;
  }
  if (Sliders::Select(tree.hbar, mode) || tree.hbar.thumb_state) {
    tree.scroll_col = (int)(tree.hbar.value + 0.5);
    DirTrees::Dir_Tree_Update2(tree);
    DirTrees::Dir_Tree_Draw2(tree);
    return 1;
  }
  if ((mode & 0xF) != 2 || !inside) return 0;
  Tree_Area area = Area_Of(tree);
  if (mx < area.x1 || mx > area.x2 || my < area.y1 || my > area.y2) return 0;
  int row = (area.y2 - my) / DIR_ROW + tree.scroll_row, column = (mx - area.x1) / DIR_ROW + tree.scroll_col;
  if (row >= (int)tree.rows.size()) return 0;
  Dir_Row &hit = tree.rows[row];
  if (column == hit.depth) {
    if (!(hit.node->flags & DIR_ROOT)) DirTrees::Toggle(tree, *hit.node);
    DirTrees::Dir_Tree_Draw2(tree);
    return 1;
  }
  if (column < hit.depth || (hit.node->flags & DIR_ROOT)) return 0;
  Select_Node(tree, *hit.node);
  DirTrees::Dir_Tree_Draw2(tree);
  return 2;
}
