// The catalogue view's drawing on the headless backend: the texts of every node kind in
// singular and plural, the icon drawn for each select and copy state (read back from the
// window), the click mapping of rows and glyph columns against what was drawn, the slider
// range, and nothing drawn without a folder. Views of every order are saved as PNG files
// in the build tree's test-output folder for a person to look at.
#include "app/list_graph.h"

#include <filesystem>

#include "app/list_text.h"
#include "catalogue_fixture.h"
#include "platform/window/window_png.h"
#include "tools/icon.h"
#include "tools/tools.h"
#include "tools/tools_fixture.h"

namespace {

// Four studies: A and B of one patient and date (A with two series, the first described,
// and two folders), C without any value, D of another patient and date.
std::vector<Study_Spec> Studies()
{
  return {{"A", "S1", "P1", "DOE^JOHN", "20240131", {2, 1}},
          {"B", "S2", "P1", "DOE^JOHN", "20240131", {1}},
          {"C", nullptr, nullptr, nullptr, nullptr, {1}},
          {"D", "S4", "P2", "O'BRIEN^ANN", "20230105", {3}}};
}

struct View_Catalogue {
  Catalogue_Fixture fixture{Studies()};
  View_Catalogue()
  {
    item_study *a = fixture.Study("A");
    if (!a) return;
    std::strcpy(a->folder[0], "CT");
    std::strcpy(a->folder[1], "MR");
    a->child[0].Series_desc = strdup("Chest");
  }
};

// The node reached from `root` through the children `path`.
const List_Tree &Node(const List_Tree *root, std::initializer_list<int> path)
{
  const List_Tree *node = root;
  for (int i : path) node = &node->child[i];
  return *node;
}

// "caption|value|detail (colour)|detail (colour)" of a node's row.
std::string Said(const List_Tree &node)
{
  List_Graph_Text text;
  List_Graph_Row_Text(node, text);
  std::string out = std::string(text.caption) + "|" + text.value;
  for (int i = 0; i < text.nb_detail; i++)
    out += "|" + text.detail[i].text + (text.detail[i].colour == TOOLS_BLUE ? " blue" : text.detail[i].colour ? " ?" : " black");
  return out;
}

struct Text_Case {
  const char *name;
  int order;
  std::initializer_list<int> path;
  const char *said;
};

TEST(List_Graph_Texts, every_kind_says_its_caption_value_and_details)
{
  View_Catalogue view;
  List_Tree *trees[SORT_ORDERS];
  for (int order = 0; order < SORT_ORDERS; order++) trees[order] = view.fixture.Tree_Of(order);
  // Orders with a missing key put study C first: by Study ID C A B D; by Name and by
  // Patient ID the groups C, Doe (A B), O'Brien (D); by Date C, D, then A and B.
  const Text_Case cases[] = {
      {"root of the file order: the scanned folder", SORT_FILE, {}, "dir:|/scan/|(8 files) blue"},
      {"file", SORT_FILE, {0}, "file:|/scan/A_1_1.dcm"},
      {"root of a catalogue order", SORT_STUDY_ID, {}, "||(4 studies, 8 images) blue"},
      {"root over groups", SORT_PATIENT_NAME, {}, "||(4 studies, 8 images) blue"},
      {"name group, plural", SORT_PATIENT_NAME, {1}, "patient:|Doe, John|(id: P1) blue|(2 studies, 4 images) blue"},
      {"name group, singular", SORT_PATIENT_NAME, {0}, "patient:|---|(id: ---) blue|(1 study, 1 image) blue"},
      {"patient-ID group", SORT_PATIENT_ID, {1}, "patient:|P1|(name: Doe, John) blue|(2 studies, 4 images) blue"},
      {"patient-ID group without values", SORT_PATIENT_ID, {0}, "patient:|---|(name: ---) blue|(1 study, 1 image) blue"},
      {"date group", SORT_STUDY_DATE, {2}, "date:|31 Jan 2024|(2 studies, 4 images) blue"},
      {"date group without a date", SORT_STUDY_DATE, {0}, "date:|---|(1 study, 1 image) blue"},
      {"date group of one study, plural images", SORT_STUDY_DATE, {1}, "date:|05 Jan 2023|(1 study, 3 images) blue"},
      {"study with folders", SORT_STUDY_ID, {1}, "study:|S1|(31 Jan 2024, CT MR) black|(2 series, 3 images) blue"},
      {"study without values", SORT_STUDY_ID, {0}, "study:|---|(---, ) black|(1 series, 1 image) blue"},
      {"described series", SORT_STUDY_ID, {1, 0}, "series:|1|(Chest) black|(2 images) blue"},
      {"series without a description", SORT_STUDY_ID, {1, 1}, "series:|2|(1 images) blue"},
      {"image", SORT_STUDY_ID, {1, 0, 1}, "image:|2|(file /scan/A_1_2.dcm) blue"},
  };
  for (const Text_Case &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(trees[c.order], nullptr);
    EXPECT_EQ(Said(Node(trees[c.order], c.path)), c.said);
  }
  for (List_Tree *tree : trees) List_Tree_Free(tree);
}

TEST(List_Graph_Texts, directory_counts_its_files_in_singular_and_plural)
{
  item_dir one{}, two{};
  one.name = (char *)"CT";
  one.nb_dicom = 1;
  two.name = nullptr;
  two.nb_dicom = 2;
  List_Tree node{};
  node.kind = LIST_DIR;
  node.item = &one;
  EXPECT_EQ(Said(node), "dir:|CT|(1 file) blue");
  node.item = &two;
  EXPECT_EQ(Said(node), "dir:|---|(2 files) blue");
}

TEST(List_Graph_Texts, one_record_serves_rows_of_every_length)
{
  // A long path after a short one and back: the reused record holds each text whole.
  std::string path = "/scan/" + std::string(600, 'x') + ".dcm";
  item_file long_file{SELECT_NO, COPY_NONE, nullptr, path.data(), nullptr, 7};
  item_file short_file{SELECT_NO, COPY_NONE, nullptr, (char *)"/s", nullptr, 8};
  List_Tree node{};
  node.kind = LIST_IMAGE;
  List_Graph_Text text;
  node.item = &short_file;
  List_Graph_Row_Text(node, text);
  node.item = &long_file;
  List_Graph_Row_Text(node, text);
  EXPECT_EQ(text.detail[0].text, "(file " + path + ")");
  node.item = &short_file;
  List_Graph_Row_Text(node, text);
  EXPECT_EQ(text.value, "8");
  EXPECT_EQ(text.detail[0].text, "(file /s)");
}

TEST(List_Graph_Texts, icons_follow_the_states)
{
  const char *const select[] = {"icon_select_no.rgb", "icon_select_no.rgb", "icon_select_yes.rgb",
                                "icon_select_part.rgb", nullptr, nullptr};
  const char *const copy[] = {nullptr, nullptr, "icon_copy_yes.rgb", "icon_copy_part.rgb", "icon_copy_no.rgb",
                              "icon_copy_no.rgb", "icon_copy_part.rgb", "icon_copy_part.rgb"};
  for (int state = 0; state < 6; state++)
    EXPECT_STREQ(List_Graph_Select_Icon(state), select[state]) << state;
  for (int state = 0; state < 8; state++) EXPECT_STREQ(List_Graph_Copy_Icon(state), copy[state]) << state;
}

// ---- the drawn view ------------------------------------------------------------------------

enum { VIEW_GREY = 235, ROW = LIST_ROW_HEIGHT, COLUMN = 20, ICON = 16 };

// A pixel of black text (its edges anti-aliased onto the grey).
bool Dark(uint32_t pixel)
{
  return (pixel & 0xFF) < 100 && (pixel >> 8 & 0xFF) < 100 && (pixel >> 16 & 0xFF) < 100;
}

class List_Graph_Test : public Tools_Test {
protected:
  void SetUp() override
  {
    Tools_Test::SetUp();
    Icon_Cache_Clear();
    Icon_Folder_Set(Shipped_Icons());
    Place(view, 0, 0, kWidth, kHeight, VIEW_GREY);
    List_Graph_Init(view, window);
    List_Rows_Init(rows);
  }
  void TearDown() override
  {
    List_Rows_Free(rows);
    List_Tree_Free(tree);
    Icon_Folder_Set("");
    Icon_Cache_Clear();
    Tools_Test::TearDown();
  }

  // Lists the tree of `order` opened to `level`.
  void Show(int order, int level)
  {
    List_Tree_Free(tree);
    tree = catalogue.fixture.Tree_Of(order);
    List_Rows_Init(rows);
    List_Rows_Build(rows, tree);
    for (int l = 1; l < level; l++) {
      List_Rows_Level_Change(rows, +1);
      List_Rows_Build(rows, tree);
    }
  }

  // The 16 x 16 pixels with their bottom-left corner at (x, y).
  std::vector<uint32_t> Block(int x, int y)
  {
    std::vector<uint32_t> pixels;
    for (int j = 0; j < ICON; j++)
      for (int i = 0; i < ICON; i++) pixels.push_back(Pixel(x + i, y + j));
    return pixels;
  }

  // The icon drawn in row `row` (its select icon, or with `copy` its copy icon), found by
  // comparing the row's band with each icon drawn on the view's colour below the rows;
  // "" when none is there. `*at` receives the icon's bottom y.
  std::string Icon_In_Row(int offset, int row, bool copy, int *at = nullptr)
  {
    static const char *const names[] = {"icon_select_no.rgb", "icon_select_yes.rgb", "icon_select_part.rgb",
                                        "icon_copy_yes.rgb",  "icon_copy_no.rgb",    "icon_copy_part.rgb"};
    int x = view.x + 2 * TOOLS_MARGIN + COLUMN * rows.row[row].depth - 1 + (copy ? ICON : 0);
    int bottom = List_Graph_Row_Bottom(view, offset, row);
    for (const char *name : names) {
      Tools::Fill(view, 0, 300, 340, 0, 20);
      Icon_Draw_Image(view, 310, 2, nullptr, name);
      std::vector<uint32_t> icon = Block(310, 2);
      for (int y = bottom - 2; y <= bottom + ROW - ICON + 2; y++) {
        if (Block(x, y) != icon) continue;
        if (at) *at = y;
        return name;
      }
    }
    return "";
  }

  View_Catalogue catalogue;
  List_Tree *tree = nullptr;
  List_Rows rows{};
  Tools_Device view;
};

TEST_F(List_Graph_Test, nothing_is_drawn_without_a_folder_and_the_head_line_shows_it)
{
  Show(SORT_STUDY_ID, 2);
  List_Graph_Draw(view, rows, 0, nullptr);
  List_Graph_Draw(view, rows, 0, "");
  EXPECT_EQ(Pixel(5, 5), RGB(0, 0, 0));  // the window's own black
  EXPECT_EQ(Pixel(kWidth - 5, kHeight - 5), RGB(0, 0, 0));
  List_Graph_Draw(view, rows, 0, "/scan/");
  EXPECT_EQ(Pixel(5, 5), RGB(VIEW_GREY, VIEW_GREY, VIEW_GREY));
  int head = List_Graph_Row_Bottom(view, 0, -1), left = view.x + 2 * TOOLS_MARGIN, red = 0, path = 0, gap = 0;
  for (int y = head; y < head + ROW; y++)
    for (int x = left; x < left + 80; x++) {
      uint32_t p = Pixel(x, y);
      red += x < left + 15 && p == RGB(255, 64, 64);  // the open folder's body
      gap += x >= left + 15 && x < left + 30 && p != RGB(VIEW_GREY, VIEW_GREY, VIEW_GREY);
      path += x >= left + 30 && Dark(p);  // "/scan/"
    }
  EXPECT_GT(red, 20);
  EXPECT_EQ(gap, 0);
  EXPECT_GT(path, 10);
}

TEST_F(List_Graph_Test, icons_show_each_rows_select_and_copy_state)
{
  // By Study ID at level 2: 0 root, 1 C, 2 C's series, 3 A, 4 A series 1, 5 A series 2,
  // 6 B, 7 B's series, 8 D, 9 D's series.
  item_study *a = catalogue.fixture.Study("A"), *b = catalogue.fixture.Study("B"), *d = catalogue.fixture.Study("D");
  a->child[0].child[0]->select_state = SELECT_YES;
  a->child[0].child[1]->select_state = SELECT_YES;
  a->child[0].child[0]->copy_state = COPY_DONE;  // A: some done, some failed
  a->child[0].child[1]->copy_state = COPY_FAILED;
  b->child[0].child[0]->copy_state = COPY_DONE;
  for (int i = 0; i < 3; i++) d->child[0].child[i]->copy_state = COPY_FAILED;  // D: all failed
  Show(SORT_STUDY_ID, 2);
  ASSERT_EQ(rows.nb_row, 10);
  List_Graph_Draw(view, rows, 0, "/scan/");
  struct Expect { int row; const char *select, *copy; };
  const Expect expected[] = {
      {0, "icon_select_part.rgb", "icon_copy_part.rgb"},
      {1, "icon_select_no.rgb", ""},
      {3, "icon_select_part.rgb", "icon_copy_part.rgb"},  // one series of two selected
      {4, "icon_select_yes.rgb", "icon_copy_part.rgb"},
      {5, "icon_select_no.rgb", ""},
      {6, "icon_select_no.rgb", "icon_copy_yes.rgb"},
      {8, "icon_select_no.rgb", "icon_copy_no.rgb"},
      {9, "icon_select_no.rgb", "icon_copy_no.rgb"},
  };
  for (const Expect &e : expected) {
    SCOPED_TRACE(e.row);
    EXPECT_EQ(Icon_In_Row(0, e.row, false), e.select);
    EXPECT_EQ(Icon_In_Row(0, e.row, true), e.copy);
  }
}

TEST_F(List_Graph_Test, rows_map_back_to_the_row_drawn_there_with_and_without_an_offset)
{
  Show(SORT_PATIENT_NAME, 4);  // 21 rows: more than the view holds
  ASSERT_EQ(rows.nb_row, 21);
  int range = List_Graph_Slider_Range(view, rows.nb_row);
  ASSERT_GT(range, 0);
  for (int offset : {0, 7, 45, range}) {
    SCOPED_TRACE(offset);
    List_Graph_Draw(view, rows, offset, "/scan/");
    int head = List_Graph_Row_Bottom(view, offset, -1);
    for (int y = 0; y < kHeight; y++) {
      int row = List_Graph_Row_At(view, rows, offset, y);
      int expected = y >= head ? -1 : (head - 1 - y) / ROW;
      EXPECT_EQ(row, expected < rows.nb_row ? expected : -1) << y;
    }
    // Every row whose select icon is wholly in sight shows it inside the band y maps to it.
    int seen = 0;
    for (int row = 0; row < rows.nb_row; row++) {
      int bottom = List_Graph_Row_Bottom(view, offset, row);
      if (bottom < 2 || bottom + ROW > kHeight - 2) continue;
      int at = -1;
      ASSERT_EQ(Icon_In_Row(offset, row, false, &at), "icon_select_no.rgb") << row;
      EXPECT_EQ(List_Graph_Row_At(view, rows, offset, at + ICON / 2), row);
      seen++;
    }
    EXPECT_GE(seen, 12);
  }
  EXPECT_EQ(List_Graph_Row_At(view, rows, 0, -1), -1);       // below the view
  EXPECT_EQ(List_Graph_Row_At(view, rows, 0, kHeight), -1);  // above it
}

TEST_F(List_Graph_Test, glyph_column_under_the_drawn_box_toggles_its_node)
{
  Show(SORT_STUDY_ID, 2);  // the series (depth 2) are closed boxes in the second column
  List_Graph_Draw(view, rows, 0, "/scan/");
  const int row = 4;  // A's first series
  ASSERT_EQ(rows.row[row].depth, 2);
  int bottom = List_Graph_Row_Bottom(view, 0, row);
  std::vector<int> box_x;
  for (int x = 0; x < 80; x++)
    for (int y = bottom; y < bottom + ROW; y++)
      if (Pixel(x, y) == RGB(0, 0, 0)) {
        box_x.push_back(x);
        break;
      }
  ASSERT_EQ(box_x.size(), 9u);  // the 9 pixels of the box's width, and no text so far left
  for (int x : box_x) {
    EXPECT_EQ(List_Graph_Column_At(view, x), 1) << x;
    EXPECT_EQ(List_Graph_Row_At(view, rows, 0, bottom + 9), row);
  }
  EXPECT_EQ(List_Rows_Toggle(rows, row, List_Graph_Column_At(view, box_x[0])), 1);
  EXPECT_EQ(List_Graph_Column_At(view, view.x + 2 * TOOLS_MARGIN - 1), -1);
  EXPECT_EQ(List_Graph_Column_At(view, view.x + 2 * TOOLS_MARGIN), 0);
  EXPECT_EQ(List_Graph_Column_At(view, view.x + 2 * TOOLS_MARGIN + 19), 0);
  EXPECT_EQ(List_Graph_Column_At(view, view.x + 2 * TOOLS_MARGIN + 20), 1);
}

TEST_F(List_Graph_Test, tree_lines_pass_only_for_ancestors_with_later_siblings)
{
  // /scan/ holds CT (with sub-folder 1 of three files, then two files) and MR (one file).
  Catalogue_Fixture folders({});
  item_dir *top = folders.catalogue.dir;
  std::free(top->dir);
  top->nb_dir = 2;
  top->nb_dicom = 6;
  top->dir = (item_dir *)std::calloc(3, sizeof(item_dir));
  Catalogue_Fixture::Dir_Fill(&top->dir[0], "CT", "/scan/CT/", 1, 2);
  Catalogue_Fixture::Dir_Fill(&top->dir[0].dir[0], "1", "/scan/CT/1/", 0, 3);
  Catalogue_Fixture::Dir_Fill(&top->dir[1], "MR", "/scan/MR/", 0, 1);
  top->dir[0].nb_dicom = 5;
  tree = folders.Tree_Of(SORT_FILE);
  for (int level = 1; level <= 4; level++) {
    List_Rows_Build(rows, tree);
    List_Rows_Level_Change(rows, +1);
  }
  List_Rows_Build(rows, tree);
  // 0 /scan/, 1 CT, 2 1, 3-5 its files, 6-7 CT's files, 8 MR, 9 its file.
  ASSERT_EQ(rows.nb_row, 10);
  List_Graph_Draw(view, rows, 0, "/scan/");
  std::filesystem::create_directories(Binary_Dir() + "test-output");
  EXPECT_EQ(Window_Save_PNG(window, (Binary_Dir() + "test-output/list_graph_0_folders.png").c_str()), 1);
  const int level_1 = view.x + 2 * TOOLS_MARGIN + 7, level_2 = level_1 + COLUMN;
  auto line_at = [&](int x, int row, int dy) { return Pixel(x, List_Graph_Row_Bottom(view, 0, row) + dy) == RGB(0, 0, 255); };
  for (int row = 1; row <= 7; row++) EXPECT_TRUE(line_at(level_1, row, 1)) << row;  // CT goes on to MR
  EXPECT_TRUE(line_at(level_1, 8, ROW - 1));  // MR, the last: its line comes down to its box
  EXPECT_FALSE(line_at(level_1, 8, 1));
  EXPECT_FALSE(line_at(level_1, 9, 10));
  for (int row = 3; row <= 5; row++) EXPECT_TRUE(line_at(level_2, row, 1)) << row;  // "1" goes on to CT's files
  EXPECT_TRUE(line_at(level_2, 7, ROW - 1));   // CT's last file: its line stops at its glyph
  EXPECT_FALSE(line_at(level_2, 7, 1));
  List_Tree_Free(tree);
  tree = nullptr;
  List_Rows_Free(rows);
}

TEST_F(List_Graph_Test, slider_appears_when_rows_overflow_and_ends_on_the_last_row)
{
  // The head space (margin and head line, 26 pixels) and n rows of 20 fit into 300 pixels
  // for n up to 13.
  EXPECT_EQ(List_Graph_Slider_Range(view, 13), 0);
  EXPECT_EQ(List_Graph_Slider_Range(view, 14), 12);  // 6 pixels over, and a margin below
  int range = List_Graph_Slider_Range(view, 40);
  EXPECT_EQ(List_Graph_Row_Bottom(view, range, 39), view.y + TOOLS_MARGIN);
  EXPECT_EQ(List_Graph_Row_Bottom(view, 0, 12), view.y + 14);
}

// A look at every order with selected, copied and failed files, saved for a person.
TEST_F(List_Graph_Test, views_of_every_order_are_saved_as_pictures)
{
  item_study *a = catalogue.fixture.Study("A"), *d = catalogue.fixture.Study("D");
  a->child[0].child[0]->select_state = SELECT_YES;
  a->child[0].child[0]->copy_state = COPY_DONE;
  a->child[0].child[1]->copy_state = COPY_FAILED;
  for (int i = 0; i < 3; i++) d->child[0].child[i]->copy_state = COPY_FAILED;
  d->child[0].child[1]->select_state = SELECT_YES;
  std::string folder = Binary_Dir() + "test-output/";
  std::filesystem::create_directories(folder);
  for (int order = 0; order < SORT_ORDERS; order++) {
    Show(order, 4);
    int range = List_Graph_Slider_Range(view, rows.nb_row);
    std::vector<int> offsets = {0};
    if (range > 0) offsets.push_back(range);
    for (int offset : offsets) {
      List_Graph_Draw(view, rows, offset, "/scan/");
      std::string name = folder + "list_graph_" + std::to_string(order) + (offset ? "_end" : "") + ".png";
      EXPECT_EQ(Window_Save_PNG(window, name.c_str()), 1) << name;
    }
  }
}

}  // namespace
