// The catalogue's own storage: arrays that grow with zeroed elements and little spare
// room, and column-text arrays sized to their template.
#include "app/catalogue.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "support/test_support.h"

namespace {

// ---- array growth -----------------------------------------------------------------------------

// Appends `count` elements to a fresh array through Catalogue_Array_Grow, checking that
// each slot is zero before it is written; returns the array (the caller frees it).
item_series *Append_Series(int count)
{
  item_series *array = nullptr;
  for (int i = 0; i < count; i++) {
    EXPECT_EQ(Catalogue_Array_Grow((void **)&array, i, sizeof(item_series), "test->child"), 1);
    const unsigned char *bytes = (const unsigned char *)&array[i];
    for (size_t b = 0; b < sizeof(item_series); b++) EXPECT_EQ(bytes[b], 0) << "element " << i;
    array[i].series_number = i + 1;  // the slot is writable (ASan checks the bounds)
  }
  return array;
}

TEST(Catalogue_Array_Grow, every_appended_element_is_zeroed_and_earlier_ones_kept)
{
  const int counts[] = {1, 3, 4, 5, 8, 9, 255, 256, 257, 511, 512, 513, 1000};
  for (int count : counts) {
    item_series *array = Append_Series(count);
    for (int i = 0; i < count; i++) ASSERT_EQ(array[i].series_number, i + 1) << count << " elements";
    std::free(array);
  }
}

const size_t ALLOCATOR_ROUNDING = 4096 + 32;

TEST(Catalogue_Array_Grow, short_arrays_hold_little_spare_room)
{
  struct Case {
    int count;           // elements appended
    size_t most_spare;   // spare elements allowed after them
  };
  const Case cases[] = {{1, 3}, {3, 1}, {30, 2}, {90, 38}, {256, 0}, {257, 255}};
  for (const Case &c : cases) {
    item_series *array = Append_Series(c.count);
    size_t bytes = malloc_usable_size(array);
    EXPECT_GE(bytes, c.count * sizeof(item_series));
    // The allocator may round a block up: by a few bytes, or to whole pages for a large one.
    EXPECT_LE(bytes, (c.count + c.most_spare) * sizeof(item_series) + ALLOCATOR_ROUNDING) << c.count << " elements";
    std::free(array);
  }
}

TEST(Catalogue_Array_Grow, an_array_with_room_left_is_not_moved)
{
  item_file **array = nullptr;
  ASSERT_EQ(Catalogue_Array_Grow((void **)&array, 0, sizeof *array, "test->child"), 1);
  item_file **first = array;
  for (int count = 1; count < CATALOGUE_FIRST; count++) {
    ASSERT_EQ(Catalogue_Array_Grow((void **)&array, count, sizeof *array, "test->child"), 1);
    EXPECT_EQ(array, first) << count;
  }
  std::free(array);
}

// ---- column texts -----------------------------------------------------------------------------

TEST(Catalogue_Info, an_array_has_the_slots_asked_for_all_absent)
{
  const int counts[] = {1, 10, CATALOGUE_INFO_MAX};
  for (int count : counts) {
    char **info = Catalogue_Info_New(count, "test->DICOM_Info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Catalogue_Info_Count(info), count);
    for (int i = 0; i < count; i++) EXPECT_EQ(info[i], nullptr);
    Catalogue_Info_Free(&info);
    EXPECT_EQ(info, nullptr);
  }
}

TEST(Catalogue_Info, texts_are_read_within_the_slots_and_absent_beyond)
{
  char **info = Catalogue_Info_New(3, "test->DICOM_Info");
  ASSERT_NE(info, nullptr);
  info[0] = strdup("CT");
  info[2] = strdup("42");
  EXPECT_STREQ(Catalogue_Info_Text(info, 0), "CT");
  EXPECT_EQ(Catalogue_Info_Text(info, 1), nullptr);
  EXPECT_STREQ(Catalogue_Info_Text(info, 2), "42");
  EXPECT_EQ(Catalogue_Info_Text(info, 3), nullptr);   // past the last slot
  EXPECT_EQ(Catalogue_Info_Text(info, -1), nullptr);
  Catalogue_Info_Free(&info);  // frees the texts too (ASan's leak check)
}

TEST(Catalogue_Info, an_absent_array_has_no_slots_and_no_texts)
{
  char **info = nullptr;
  EXPECT_EQ(Catalogue_Info_Count(info), 0);
  EXPECT_EQ(Catalogue_Info_Text(info, 0), nullptr);
  Catalogue_Info_Free(&info);
  EXPECT_EQ(info, nullptr);
}

}  // namespace
