// The catalogue view's model: rows of open nodes, toggling, levels with their messages,
// the selection rules with Shift and Ctrl, aggregated states, counting and collecting.
#include "app/list_rows.h"

#include <gtest/gtest.h>

#include "catalogue_fixture.h"
#include "support/test_support.h"

namespace {

// A tree of the catalogue's first order, freed with the object.
struct Tree {
  List_Tree *root;
  explicit Tree(Catalogue_Fixture &fixture, int order) : root(fixture.Tree_Of(order)) {}
  ~Tree() { List_Tree_Free(root); }
};

struct Rows {
  List_Rows rows{};
  Rows() { List_Rows_Init(rows); }
  ~Rows() { List_Rows_Free(rows); }
};

// The selected files' names ("A_1_2" for study A, series 1, image 2), in file order.
std::string Selected(Catalogue_Fixture &fixture)
{
  std::string out;
  item_dir *top = fixture.catalogue.dir;
  for (int i = 0; i < top->nb_file; i++) {
    if (top->file[i].select_state != SELECT_YES) continue;
    std::string path = top->file[i].path;
    if (!out.empty()) out += ' ';
    out += path.substr(6, path.size() - 10);  // between "/scan/" and ".dcm"
  }
  return out;
}

// The listed rows as "depth:kind" pairs.
std::string Listed(const List_Rows &rows)
{
  std::string out;
  for (int i = 0; i < rows.nb_row; i++)
    out += (i ? " " : "") + std::to_string(rows.row[i].depth) + ":" + std::to_string(rows.row[i].node->kind);
  return out;
}

TEST(ListRows, RowsFollowOpenNodesAndLevels)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", "20240101", {2}}, {"B", "2", "P", "X^Y", "20240102", {1}}});
  Tree tree(fixture, SORT_STUDY_DATE);
  Rows view;
  List_Rows &rows = view.rows;
  EXPECT_EQ(List_Rows_Build(rows, tree.root), 3);
  EXPECT_EQ(Listed(rows), "0:0 1:5 1:5");

  Message_Capture capture;
  EXPECT_EQ(List_Rows_Level_Change(rows, -1), 0);  // already at 1
  EXPECT_EQ(List_Rows_Level_Change(rows, +1), 1);
  List_Rows_Build(rows, tree.root);
  EXPECT_EQ(Listed(rows), "0:0 1:5 2:6 1:5 2:6");
  for (int level = 3; level <= 4; level++) {
    List_Rows_Level_Change(rows, +1);
    List_Rows_Build(rows, tree.root);
  }
  EXPECT_EQ(Listed(rows), "0:0 1:5 2:6 3:7 4:8 4:8 1:5 2:6 3:7 4:8");
  EXPECT_EQ(List_Rows_Level_Change(rows, +1), 0);  // beyond 4
  EXPECT_EQ(List_Rows_Level_Repeat(rows), -1);
  EXPECT_EQ(List_Rows_Level_Change(rows, -1), 1);
  List_Rows_Build(rows, tree.root);
  EXPECT_EQ(Listed(rows), "0:0 1:5 2:6 3:7 1:5 2:6 3:7");
  EXPECT_EQ(List_Rows_Level_Repeat(rows), -1);
  EXPECT_EQ(capture.Texts(MSG_REPORT),
            (std::vector<std::string>{"Expand to level: \x02" "2", "Expand to level: \x02" "3",
                                      "Expand to level: \x02" "4", "Contract to level: \x02" "3"}));
  List_Rows_Level_Change(rows, -1);
  List_Rows_Level_Change(rows, -1);
  EXPECT_EQ(rows.level, 1);
  EXPECT_EQ(List_Rows_Level_Repeat(rows), 1);
  List_Rows_Build(rows, tree.root);
  EXPECT_EQ(Listed(rows), "0:0 1:5 1:5");

  EXPECT_EQ(List_Rows_Build(rows, nullptr), 0);  // a sort job still running
  EXPECT_EQ(rows.nb_row, 0);
}

TEST(ListRows, ToggleOpensAndClosesOnTheGlyphColumnOnly)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", nullptr, {1}}});
  Tree tree(fixture, SORT_STUDY_ID);
  Rows view;
  List_Rows &rows = view.rows;
  List_Rows_Build(rows, tree.root);
  struct Click { int row, column, result; const char *listed; };
  const Click clicks[] = {
      {1, 1, 0, "0:0 1:6"},                 // beside the glyph
      {1, 0, 1, "0:0 1:6 2:7"},             // opens the study
      {2, 1, 1, "0:0 1:6 2:7 3:8"},         // opens the series
      {3, 2, 0, "0:0 1:6 2:7 3:8"},         // an image is a leaf
      {4, 0, 0, "0:0 1:6 2:7 3:8"},         // no such row
      {-1, 0, 0, "0:0 1:6 2:7 3:8"},
      {1, 0, 1, "0:0 1:6"},                 // closes the study; the series stays open
      {1, 0, 1, "0:0 1:6 2:7 3:8"},
  };
  for (const Click &click : clicks) {
    SCOPED_TRACE(std::to_string(click.row) + "," + std::to_string(click.column));
    EXPECT_EQ(List_Rows_Toggle(rows, click.row, click.column), click.result);
    List_Rows_Build(rows, tree.root);
    EXPECT_EQ(Listed(rows), click.listed);
  }
}

struct Select_Step {
  int first, last, modifiers;
  const char *selected;
};

TEST(ListRows, SelectionRulesWithShiftAndCtrl)
{
  // Rows: 0 the root, 1 to 6 the files A_1_1 .. A_1_6 (the file order of one folder).
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", nullptr, {6}}});
  Tree tree(fixture, SORT_FILE);
  Rows view;
  List_Rows &rows = view.rows;
  List_Rows_Build(rows, tree.root);
  const int S = LIST_SELECT_SHIFT, C = LIST_SELECT_CTRL;
  const Select_Step steps[] = {
      {2, 2, 0, "A_1_2"},                          // one click selects that row only
      {4, 2, 0, "A_1_2 A_1_3 A_1_4"},              // a drag upwards, put in order
      {3, 3, C, "A_1_2 A_1_4"},                    // Ctrl removes a selected row
      {3, 3, C, "A_1_2 A_1_3 A_1_4"},              // and adds it back
      {1, 1, S, "A_1_1 A_1_2 A_1_3"},              // Shift above: new first to the earlier last (3)
      {5, 5, S, "A_1_1 A_1_2 A_1_3 A_1_4 A_1_5"},  // Shift below: earlier first (1) to the new last
      {3, 4, S, "A_1_1 A_1_2 A_1_3 A_1_4 A_1_5"},  // Shift inside the range: nothing changes
      {5, 99, 0, "A_1_5 A_1_6"},                   // clamped to the list
      {10, 12, 0, "A_1_5 A_1_6"},                  // wholly outside: nothing happens
      {-1, -1, 0, ""},                             // clears and forgets the range
      {2, 3, S, "A_1_2 A_1_3"},                    // Shift without a range flips
      {3, 4, S | C, "A_1_2 A_1_3 A_1_4"},          // Shift wins over Ctrl
  };
  for (const Select_Step &step : steps) {
    SCOPED_TRACE(std::to_string(step.first) + ".." + std::to_string(step.last) + " mod " +
                 std::to_string(step.modifiers));
    int count = List_Rows_Select(rows, step.first, step.last, step.modifiers);
    EXPECT_EQ(Selected(fixture), step.selected);
    EXPECT_EQ(count, List_Rows_Count_Selected(rows));
  }
  EXPECT_EQ(rows.range_first, 2);
  EXPECT_EQ(rows.range_last, 4);
}

TEST(ListRows, CtrlOverARowAndItsOwnChildrenFlipsEachFileOnce)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", nullptr, {2}}, {"B", "2", "P", "X^Y", nullptr, {1}}});
  Tree tree(fixture, SORT_STUDY_ID);
  Rows view;
  List_Rows &rows = view.rows;
  List_Rows_Build(rows, tree.root);
  for (int level = 2; level <= 3; level++) {  // each step opens what the rows list
    List_Rows_Level_Change(rows, +1);
    List_Rows_Build(rows, tree.root);
  }
  ASSERT_EQ(Listed(rows), "0:0 1:6 2:7 3:8 3:8 1:6 2:7 3:8");
  EXPECT_EQ(List_Rows_Select(rows, 1, 4, LIST_SELECT_CTRL), 2);  // study A, its series and images
  EXPECT_EQ(Selected(fixture), "A_1_1 A_1_2");
  EXPECT_EQ(List_Rows_Select(rows, 4, 7, LIST_SELECT_CTRL), 2);  // image A_1_2, study B, its series, image
  EXPECT_EQ(Selected(fixture), "A_1_1 B_1_1");
}

TEST(ListRows, InnerStatesAreTheOrOfTheFilesBelow)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", "20240101", {1, 1}}, {"B", "2", "P", "X^Y", "20240101", {1}}});
  Tree tree(fixture, SORT_STUDY_DATE);
  Rows view;
  List_Rows &rows = view.rows;
  List_Rows_Build(rows, tree.root);
  const List_Tree &group = tree.root->child[0];
  const List_Tree &study_a = group.child[0];
  EXPECT_EQ(group.select_state, 1);
  EXPECT_EQ(group.copy_state, 1);

  fixture.Study("A")->child[0].child[0]->select_state = SELECT_YES;
  fixture.Study("A")->child[0].child[0]->copy_state = COPY_DONE;
  fixture.Study("A")->child[1].child[0]->copy_state = COPY_FAILED;
  List_Rows_Update_States(rows);
  EXPECT_EQ(study_a.select_state, 3);  // part: "icon_select_part.rgb"
  EXPECT_EQ(group.select_state, 3);
  EXPECT_EQ(study_a.copy_state, 6);    // some done, some failed: "icon_copy_part.rgb"
  EXPECT_EQ(study_a.child[1].copy_state, 4);
  EXPECT_EQ(study_a.child[0].select_state, 2);
}

TEST(ListRows, SelectionIsSharedByOrdersAndCollectedInTreeOrder)
{
  Catalogue_Fixture fixture({{"A", "2", "P", "X^Y", nullptr, {1}}, {"B", "1", "P", "X^Y", nullptr, {2}}});
  Tree files(fixture, SORT_FILE);
  Tree studies(fixture, SORT_STUDY_ID);
  Rows file_view, study_view;
  List_Rows_Build(file_view.rows, files.root);
  EXPECT_EQ(List_Rows_Select(file_view.rows, 1, 1, 0), 1);
  EXPECT_EQ(List_Rows_Select(file_view.rows, 3, 3, LIST_SELECT_CTRL), 2);  // A_1_1 and B_1_2

  List_Rows_Build(study_view.rows, studies.root);
  EXPECT_EQ(List_Rows_Count_Selected(study_view.rows), 2);
  item_file **list = nullptr;
  int count = -1;
  ASSERT_EQ(List_Rows_Collect_Selected(study_view.rows, &list, &count), 1);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(list[0]->path, "/scan/B_1_2.dcm");  // study 1 (B) comes first in this order
  EXPECT_STREQ(list[1]->path, "/scan/A_1_1.dcm");
  std::free(list);

  List_Rows_Select(study_view.rows, -1, -1, 0);
  ASSERT_EQ(List_Rows_Collect_Selected(study_view.rows, &list, &count), 1);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(count, 0);
}

TEST(ListRows, SliderShowsOnlyWhenRowsOverflow)
{
  const int cases[][3] = {
      {10, 212, 0},    // 200 pixels fit into 212 - 6 - 6
      {10, 211, 7},    // 200 + 18 - 211
      {0, 100, 0},
      {100, 500, 1518},
  };
  for (const auto &c : cases) EXPECT_EQ(List_Rows_Slider_Range(c[0], c[1]), c[2]) << c[0] << " rows, " << c[1];
}

}  // namespace
