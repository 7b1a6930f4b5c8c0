// Sort trees: the file order's shape and words, study nodes, every catalogue order with
// its keys, ties and groups, the name order's trace, and the cache.
#include "app/list_sort.h"

#include <gtest/gtest.h>

#include "app/configuration.h"
#include "app/list_thread.h"
#include "catalogue_fixture.h"
#include "support/test_support.h"

namespace {

uint16_t Word(const List_Tree &node)
{
  return (uint16_t)(node.flags << 8 | node.kind);
}

// The top level of a catalogue order as text: "A B" for studies, "[A B] [C]" for groups.
std::string Top_Level(const List_Tree *root)
{
  std::string out;
  for (int i = 0; i < root->nb_child; i++) {
    const List_Tree &node = root->child[i];
    if (!out.empty()) out += ' ';
    if (node.kind == LIST_STUDY) {
      out += ((item_study *)node.item)->Study_UID;
      continue;
    }
    out += '[';
    for (int k = 0; k < node.nb_child; k++)
      out += std::string(k ? " " : "") + ((item_study *)node.child[k].item)->Study_UID;
    out += ']';
  }
  return out;
}

struct Order_Case {
  const char *name;
  int order;
  int print;  // flag_print
  std::vector<Study_Spec> studies;
  const char *top;
};

TEST(ListSort, CatalogueOrdersKeysTiesAndGroups)
{
  const Order_Case cases[] = {
      {"study IDs as bytes, missing first, ties by date with the missing date first", SORT_STUDY_ID, 6,
       {{"A", "2", "P", "X^Y", "20240105", {1}},
        {"B", "10", "P", "X^Y", "20240101", {1}},
        {"C", nullptr, "P", "X^Y", "20240101", {1}},
        {"D", "2", "P", "X^Y", nullptr, {1}},
        {"E", "2", "P", "X^Y", "20240102", {1}}},
       "C B D E A"},
      {"a study without a date comes first and is grouped as 00/00/0000", SORT_STUDY_DATE, 6,
       {{"A", "1", "P", "Bb^A", "20240301", {1}},
        {"B", "2", "P", "Aa^A", nullptr, {1}},
        {"C", "3", "P", "Aa^A", "20240301", {1}}},
       "[B] [C A]"},
      {"same date: by patient name when bit 0x04 of flag_print is set", SORT_STUDY_DATE, 4,
       {{"A", "1", "P", "Zed^A", "20240301", {1}}, {"B", "2", "P", "Abel^A", "20240301", {1}}},
       "[B A]"},
      {"same date: by study ID when bit 0x04 is clear", SORT_STUDY_DATE, 2,
       {{"A", "1", "P", "Zed^A", "20240301", {1}}, {"B", "2", "P", "Abel^A", "20240301", {1}}},
       "[A B]"},
      {"an invalid date sorts and groups with the missing ones", SORT_STUDY_DATE, 6,
       {{"A", "1", "P", "X^Y", nullptr, {1}},
        {"B", "2", "P", "X^Y", "20241399", {1}},
        {"C", "3", "P", "X^Y", "20240101", {1}}},
       "[A B] [C]"},
      {"missing patient IDs first in one group; a \"----\" ID joins it", SORT_PATIENT_ID, 6,
       {{"A", "1", "P2", "X^Y", nullptr, {1}},
        {"B", "2", "----", "X^Y", nullptr, {1}},
        {"C", "3", nullptr, "X^Y", nullptr, {1}},
        {"D", "4", "P1", "X^Y", nullptr, {1}}},
       "[C B] [D] [A]"},
      {"same patient ID: by name, then study ID", SORT_PATIENT_ID, 6,
       {{"A", "2", "P", "Bb^A", nullptr, {1}},
        {"B", "1", "P", "Bb^A", nullptr, {1}},
        {"C", "9", "P", "Aa^A", nullptr, {1}}},
       "[C B A]"},
      {"names equal but for case sort by ID and study but group apart", SORT_PATIENT_NAME, 6,
       {{"A", "2", "P", "DOE^JOHN", nullptr, {1}},
        {"B", "1", "P", "Doe^John", nullptr, {1}},
        {"C", "3", "P", "DOE^JOHN", nullptr, {1}}},
       "[B] [A C]"},
      {"names equal but for the middle name sort together, group apart", SORT_PATIENT_NAME, 6,
       {{"A", "1", "P", "Doe^John^A", nullptr, {1}}, {"B", "2", "P", "Doe^John^B", nullptr, {1}}},
       "[A] [B]"},
      {"one name with two patient IDs: two groups, the lower ID first", SORT_PATIENT_NAME, 6,
       {{"A", "1", "P2", "Doe^John", nullptr, {1}},
        {"B", "1", "P1", "Doe^John", nullptr, {1}},
        {"C", "1", nullptr, "Aa^A", nullptr, {1}},
        {"D", "1", "P", nullptr, nullptr, {1}}},
       "[D] [C] [B] [A]"},
      {"equal on every key: catalogue order kept", SORT_PATIENT_NAME, 6,
       {{"A", "1", "P", "Doe^John", nullptr, {1}}, {"B", "1", "P", "Doe^John", nullptr, {1}}},
       "[A B]"},
  };
  for (const Order_Case &c : cases) {
    SCOPED_TRACE(c.name);
    Catalogue_Fixture fixture(c.studies);
    flag_print = (unsigned char)c.print;
    List_Tree *root = fixture.Tree_Of(c.order);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Word(*root), 0x0200);
    EXPECT_EQ(Top_Level(root), c.top);
    List_Tree_Free(root);
  }
  flag_print = 6;
}

TEST(ListSort, GroupNodesHoldTheirRunAndTotals)
{
  Catalogue_Fixture fixture({{"A", "1", "P1", "X^Y", "20240101", {2, 1}},
                             {"B", "2", "P1", "X^Y", "20240101", {4}},
                             {"C", "3", "P2", "X^Y", "20240101", {1}}});
  const uint16_t group_word[SORT_ORDERS] = {0, 0, 0x0105, 0x0104, 0x0103};
  for (int order = SORT_STUDY_DATE; order <= SORT_PATIENT_NAME; order++) {
    SCOPED_TRACE(order);
    List_Tree *root = fixture.Tree_Of(order);
    ASSERT_NE(root, nullptr);
    ASSERT_GE(root->nb_child, 1);
    const List_Tree &group = root->child[0];
    EXPECT_EQ(Word(group) & 0xEFFF, group_word[order]);
    EXPECT_EQ(group.item, fixture.Study("A"));
    EXPECT_EQ(group.nb_image, order == SORT_STUDY_DATE ? 8 : 7);
    EXPECT_EQ(Word(group.child[group.nb_child - 1]), 0x1106);
    EXPECT_EQ(Word(root->child[root->nb_child - 1]) & 0x1000, 0x1000);
    EXPECT_EQ(root->nb_image, 0);
    List_Tree_Free(root);
  }
}

TEST(ListSort, StudyNodeHoldsSeriesAndImages)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", nullptr, {2, 3}}});
  item_study *study = fixture.Study("A");
  List_Tree *root = (List_Tree *)std::calloc(1, sizeof(List_Tree));  // holds the node, for freeing
  root->nb_child = 1;
  root->child = (List_Tree *)std::calloc(1, sizeof(List_Tree));
  List_Tree &node = root->child[0];
  EXPECT_EQ(List_Tree_Study(&node, study), 5);
  EXPECT_EQ(Word(node), 0x0106);
  EXPECT_EQ(node.nb_image, 5);
  ASSERT_EQ(node.nb_child, 2);
  EXPECT_EQ(Word(node.child[0]), 0x0107);
  EXPECT_EQ(Word(node.child[1]), 0x1107);
  EXPECT_EQ(node.child[1].item, &study->child[1]);
  ASSERT_EQ(node.child[1].nb_child, 3);
  EXPECT_EQ(Word(node.child[1].child[0]), 0x0408);
  EXPECT_EQ(Word(node.child[1].child[2]), 0x1408);
  EXPECT_EQ(node.child[1].child[2].item, study->child[1].child[2]);
  EXPECT_EQ(node.child[1].child[2].nb_image, 0);
  List_Tree_Free(root);
}

TEST(ListSort, FileOrderMirrorsTheDirectoryRecords)
{
  Catalogue_Fixture fixture({});
  item_dir *top = fixture.catalogue.dir;
  std::free(top->file);
  std::free(top->dir);
  std::free(top->name);
  std::free(top->path);
  Catalogue_Fixture::Dir_Fill(top, "/scan/", "/scan/", 2, 2);
  Catalogue_Fixture::Dir_Fill(&top->dir[0], "a", "/scan/a/", 1, 1);
  Catalogue_Fixture::Dir_Fill(&top->dir[0].dir[0], "deep", "/scan/a/deep/", 0, 1);
  Catalogue_Fixture::Dir_Fill(&top->dir[1], "b", "/scan/b/", 0, 1);

  List_Tree *root = List_Tree_File(&fixture.catalogue);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Word(*root), 0x0200);
  EXPECT_EQ(root->item, top);
  ASSERT_EQ(root->nb_child, 4);
  const uint16_t words[4] = {0x0101, 0x0101, 0x0402, 0x1402};
  const void *items[4] = {&top->dir[0], &top->dir[1], &top->file[0], &top->file[1]};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(Word(root->child[i]), words[i]) << i;
    EXPECT_EQ(root->child[i].item, items[i]) << i;
  }
  const List_Tree &a = root->child[0];
  ASSERT_EQ(a.nb_child, 2);
  EXPECT_EQ(Word(a.child[0]), 0x0101);
  EXPECT_EQ(a.child[0].child[0].item, &top->dir[0].dir[0].file[0]);
  EXPECT_EQ(Word(a.child[0].child[0]), 0x1402);
  EXPECT_EQ(Word(a.child[1]), 0x1402);
  EXPECT_EQ(Word(root->child[1].child[0]), 0x1402);
  EXPECT_EQ(root->nb_image, 0);
  List_Tree_Free(root);

  fixture.catalogue.nb_dir = 0;
  EXPECT_EQ(List_Tree_File(&fixture.catalogue), nullptr);
  fixture.catalogue.nb_dir = 1;
}

TEST(ListSort, CatalogueWithoutStudiesGivesAnEmptyRoot)
{
  Catalogue_Fixture fixture({});
  for (int order = SORT_STUDY_ID; order <= SORT_PATIENT_NAME; order++) {
    List_Tree *root = List_Tree_Build(order, nullptr, &fixture.catalogue);
    ASSERT_NE(root, nullptr) << order;
    EXPECT_EQ(root->nb_child, 0);
    EXPECT_EQ(root->child, nullptr);
    List_Tree_Free(root);
  }
  EXPECT_EQ(List_Tree_Build(SORT_FILE, nullptr, &fixture.catalogue), nullptr);
}

TEST(ListSort, NameOrderTracesItsComparisons)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "Doe^John", nullptr, {1}}, {"B", "2", "P", "Doe^John", nullptr, {1}}});
  Message_Capture capture(1);
  testing::internal::CaptureStdout();
  List_Tree *root = fixture.Tree_Of(SORT_PATIENT_NAME);
  std::string console = testing::internal::GetCapturedStdout();
  List_Tree_Free(root);
  EXPECT_EQ(capture.Texts(MSG_TRACE), (std::vector<std::string>{"******** Create List_Tree_Name ********",
                                                                "nb child = 2", "******** Sort done ********"}));
  EXPECT_NE(console.find("ret Name: 0 \nret ID: 0 \nret Study: "), std::string::npos) << console;

  Message_Capture quiet(0);
  testing::internal::CaptureStdout();
  List_Tree_Free(fixture.Tree_Of(SORT_PATIENT_NAME));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ListSort, CacheHasFiveSlotsAndFreesThem)
{
  Catalogue_Fixture fixture({{"A", "1", "P", "X^Y", nullptr, {1}}});
  EXPECT_EQ(List_Tree_Slot(-1), nullptr);
  EXPECT_EQ(List_Tree_Slot(SORT_ORDERS), nullptr);
  *List_Tree_Slot(SORT_FILE) = List_Tree_File(&fixture.catalogue);
  *List_Tree_Slot(SORT_PATIENT_NAME) = fixture.Tree_Of(SORT_PATIENT_NAME);
  List_Tree_Cache_Free();
  for (int order = 0; order < SORT_ORDERS; order++) EXPECT_EQ(*List_Tree_Slot(order), nullptr);
  EXPECT_STREQ(List_Order_Name(SORT_STUDY_DATE), "by Date");
  EXPECT_STREQ(List_Order_Name(7), "");
}

TEST(ListSort, GetServesTheCacheAndStartsTheSortJob)
{
  Catalogue_Fixture fixture({{"B", "2", "P", "X^Y", nullptr, {1}}, {"A", "1", "P", "X^Y", nullptr, {2}}});
  ASSERT_EQ(Dir_List.nb_dir, 0);
  EXPECT_EQ(List_Tree_Get(SORT_FILE), nullptr);  // nothing scanned
  Dir_List = fixture.catalogue;                  // borrowed for the test
  List_Tree *files = List_Tree_Get(SORT_FILE);   // built at once
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(List_Tree_Get(SORT_FILE), files);
  EXPECT_EQ(List_Tree_Get(SORT_ORDERS), nullptr);
  List_Tree_Get(SORT_STUDY_ID);  // starts the sort job
  Sort_Wait();
  List_Tree *studies = List_Tree_Get(SORT_STUDY_ID);
  ASSERT_NE(studies, nullptr);
  EXPECT_EQ(Top_Level(studies), "A B");
  EXPECT_EQ(studies->child[0].nb_image, 2);
  List_Tree_Cache_Free();
  Dir_List = item_catalogue{};
}

}  // namespace
