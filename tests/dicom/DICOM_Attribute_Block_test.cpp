// Records from shared blocks: values kept apart across many blocks, rooms too large for
// a block, records released in any order from another thread than the reader's (the
// sanitizer build checks that every block is freed once, after its last record), and a
// block started over once all its records are gone, but never under a live one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dicom/DICOM_Attribute_Block.h"
#include "dicom/NEMA_Tag_Attribute.h"

namespace {

// Makes `count` records on a thread of its own, each holding a value of its number's
// text repeated to `size` bytes (sizes vary from 0 to beyond a block's largest room).
std::vector<DICOM_Attribute *> Make_Records(int count)
{
  std::vector<DICOM_Attribute *> made;
  std::thread reader([&] {
    for (int i = 0; i < count; i++) {
      DICOM_Attribute fields{};
      fields.group = 0x0009;
      fields.element = (uint16_t)i;
      fields.size = i % 7 == 0 ? 5000 + i : i % 50;
      DICOM_Attribute *r = DICOM_Attribute_New(nullptr, &fields, fields.size);
      if (!r) break;
      for (int32_t b = 0; b < r->size; b++) r->data[b] = (unsigned char)('0' + (i + b) % 10);
      made.push_back(r);
    }
  });
  reader.join();
  return made;
}

TEST(Block, records_keep_their_values_and_are_freed_in_any_order_from_any_thread)
{
  std::vector<DICOM_Attribute *> made = Make_Records(5000);  // some 60 blocks
  ASSERT_EQ(made.size(), 5000u);
  for (size_t i = 0; i < made.size(); i++) {
    const DICOM_Attribute *r = made[i];
    ASSERT_EQ(r->element, (uint16_t)i);
    EXPECT_EQ(r->block == nullptr, r->size > 4000) << "only large rooms are allocated on their own";
    EXPECT_EQ(r->data == nullptr, r->size == 0);
    for (int32_t b = 0; b < r->size; b++) ASSERT_EQ(r->data[b], (unsigned char)('0' + (i + b) % 10)) << i;
    EXPECT_EQ(r->next, nullptr);
    EXPECT_EQ(r->item, nullptr);
  }
  // Odd records first, then the even ones backwards, on this thread.
  for (size_t i = 1; i < made.size(); i += 2) DICOM_Attribute_Free(nullptr, made[i]);
  for (size_t i = made.size(); i-- > 0;)
    if (i % 2 == 0) DICOM_Attribute_Free(nullptr, made[i]);
}

TEST(Block, a_list_of_block_records_is_released_by_delete)
{
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  std::vector<DICOM_Attribute *> made = Make_Records(300);
  for (DICOM_Attribute *r : made) ASSERT_EQ(DICOM_Attribute_Adopt(nullptr, &root, &list, r), r);
  // A copy of a block record is an allocation of its own.
  DICOM_Attribute *copy = DICOM_Attribute_Insert(nullptr, &root, &list, made[3]);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->block, nullptr);
  EXPECT_EQ(std::string((char *)copy->data, 3), "345");
  EXPECT_EQ(DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF), 1);
  EXPECT_EQ(list, nullptr);
}

TEST(Block, a_block_starts_over_only_when_all_its_records_are_gone)
{
  std::thread reader([] {
    DICOM_Attribute fields{};
    fields.size = 8;
    DICOM_Attribute *kept = nullptr;
    for (int round = 0; round < 200; round++) {  // lists of one "file" each, 40 KiB a round
      std::vector<DICOM_Attribute *> list;
      for (int i = 0; i < 300; i++) {
        DICOM_Attribute *r = DICOM_Attribute_New(nullptr, &fields, 8);
        ASSERT_NE(r, nullptr);
        std::memset(r->data, round & 0xFF, 8);
        list.push_back(r);
      }
      if (round == 50) {  // one record lives on: its block is never started over
        kept = list.back();
        list.pop_back();
        std::memset(kept->data, 0xEE, 8);
      }
      for (DICOM_Attribute *r : list) {
        for (int b = 0; b < 8; b++) ASSERT_EQ(r->data[b], round & 0xFF) << round;
        DICOM_Attribute_Free(nullptr, r);
      }
      for (int b = 0; b < 8; b++) ASSERT_EQ(kept ? kept->data[b] : 0xEE, 0xEE) << round;
    }
    DICOM_Attribute_Free(nullptr, kept);
  });
  reader.join();
}

}  // namespace
