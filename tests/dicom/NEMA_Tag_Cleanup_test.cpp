// Attribute cleanup by VR (text, dates, times, ages, integers, stored numbers), the value
// count against the dictionary, the byte-order repair and the sort of nested lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Tag_Cleanup.h"
#include "dicom/NEMA_db.h"
#include "dicom/attribute_lists.h"
#include "support/test_support.h"

namespace {
// Turns the library's notices (MSG_REPORT) and warnings (MSG_WARNING) on and captures them.
struct Library_Messages {
  Message_Capture capture{0};
  Library_Messages()
  {
    NEMA_Warning_Kind = MSG_WARNING;
    NEMA_Notice_Kind = MSG_REPORT;
  }
  ~Library_Messages()
  {
    NEMA_Warning_Kind = 0;
    NEMA_Notice_Kind = 0;
  }
};

struct Expected_Message {
  int kind;          // MSG_REPORT (notice) or MSG_WARNING
  std::string part;  // text the message contains
};
}  // namespace

// A calloc'ed record holding a malloc'ed copy of `value`, freed with DICOM_Attribute_Free.
static DICOM_Attribute *New_Record(uint16_t group, uint16_t element, uint16_t VR, const std::string &value)
{
  DICOM_Attribute *record = (DICOM_Attribute *)std::calloc(1, sizeof(DICOM_Attribute));
  record->group = group;
  record->element = element;
  record->VR = VR;
  record->mode = NEMA_MODE_EXPLICIT;
  record->flags = DICOM_ORIGIN_DICOM;
  record->size = (int32_t)value.size();
  if (!value.empty()) {
    record->data = (unsigned char *)std::malloc(value.size());
    std::memcpy(record->data, value.data(), value.size());
  }
  return record;
}

static std::string Value(const DICOM_Attribute *record)
{
  return record->data ? std::string((const char *)record->data, (size_t)record->size) : std::string();
}

// Each message of `capture` is the one expected at its place, of its kind.
static void Expect_Messages(const Message_Capture &capture, const std::vector<Expected_Message> &expected,
                            const std::string &context)
{
  ASSERT_EQ(capture.messages.size(), expected.size()) << context;
  for (size_t i = 0; i < expected.size(); i++) {
    EXPECT_EQ(capture.messages[i].first, expected[i].kind) << context;
    EXPECT_NE(capture.messages[i].second.find(expected[i].part), std::string::npos)
        << context << ": " << capture.messages[i].second;
  }
}

namespace {
struct Cleanup_Case {
  uint16_t group, element, VR;
  std::string in;
  int result;
  std::string out;  // the value afterwards ("" = no bytes)
  uint16_t flags;   // set beyond the origin
  std::vector<Expected_Message> messages;
};
}  // namespace

static void Run_Cases(const std::vector<Cleanup_Case> &cases)
{
  Library_Messages log;
  for (const Cleanup_Case &c : cases) {
    log.capture.Clear();
    DICOM_Attribute *record = New_Record(c.group, c.element, c.VR, c.in);
    std::string context = "value \"" + c.in + "\"";
    EXPECT_EQ(DICOM_Attribute_Cleanup_Tag(nullptr, record), c.result) << context;
    EXPECT_EQ(Value(record), c.out) << context;
    EXPECT_EQ(record->flags & ~DICOM_ORIGIN_MASK, c.flags) << context;
    Expect_Messages(log.capture, c.messages, context);
    DICOM_Attribute_Free(nullptr, record);
  }
}

const uint16_t REPAIRED = DICOM_FLAG_REPAIRED, INVALID = DICOM_FLAG_INVALID;

TEST(Cleanup_Text, padding_character_sets_and_lengths_of_text_values)
{
  Run_Cases({
      {0x0008, 0x0008, DICOM_VR_CS, " DERIVED\\PRIMARY\\ ", 1, "DERIVED\\PRIMARY ", REPAIRED,
       {{MSG_REPORT, "\x02    (\x01" "0008\x02,\x01" "0008\x02) VR=CS Removed last char (=\\) from string!"}}},
      {0x0008, 0x0008, DICOM_VR_CS, "ORIGINAL\\PRIMARY", 1, "ORIGINAL\\PRIMARY", 0, {}},
      {0x0008, 0x0060, DICOM_VR_CS, "MR-", 1, "MR", 0,
       {{MSG_REPORT, "VR=CS \x01" "1\x02 char in \"\x01MR-\x02\" not from set \"\x01" "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ \\\x02\""}}},
      {0x0008, 0x0060, DICOM_VR_CS, std::string("CT\0", 3), 1, "CT", 0,
       {{MSG_REPORT, "invalid padding char used in \"\x01" "CT\x02\" (NULL instead of SPACE)"}}},
      {0x0008, 0x0060, DICOM_VR_CS, "ABCDEFGHIJKLMNOPQ", 1, "ABCDEFGHIJKLMNOP", REPAIRED,
       {{MSG_WARNING, NEMA_WARNING_PREFIX "    (\x01" "0008\x02,\x01" "0060\x02) VR=CS String too long! (\x01" "17\x02/vs/\x01" "16\x02 max) "
                      "Truncated to \"\x01" "ABCDEFGHIJKLMNOP\x02\"(\x04Q\x02)"}}},
      {0x0009, 0x1010, DICOM_VR_CS, "A\\", 1, "A\\", 0, {}},  // a private group keeps its empty last value
      {0x0008, 0x0018, DICOM_VR_UI, "1.2.3 ", 1, std::string("1.2.3\0", 6), 0,
       {{MSG_REPORT, "invalid padding char used in \"\x01" "1.2.3 \x02\" (SPACE instead of NULL)"}}},
      {0x0008, 0x0018, DICOM_VR_UI, std::string("1.2.3\0", 6), 1, std::string("1.2.3\0", 6), 0, {}},
      {0x0008, 0x0018, DICOM_VR_UI, "1." + std::string(63, '1'), 1, "1." + std::string(62, '1'), REPAIRED,
       {{MSG_WARNING, "String too long! (\x01" "65\x02/vs/\x01" "64\x02 max)"}}},
      {0x0008, 0x0054, DICOM_VR_AE, "STORE\aSCP", 1, "STORE_SCP ", 0, {{MSG_REPORT, "VR=AE \x01" "1\x02 Invalid character in data"}}},
      {0x0008, 0x0070, DICOM_VR_LO, "  ACME Medical ", 1, "ACME Medical", 0, {}},
      {0x0018, 0x0050, DICOM_VR_DS, " 1.5", 1, "1.5 ", 0, {}},
      // A padded value within a list is trimmed before its length is checked.
      {0x0028, 0x0030, DICOM_VR_DS, "0.5\\              1.25", 1, "0.5\\1.25", 0, {}},
      {0x0020, 0x4000, DICOM_VR_LT, std::string(10241, 'a'), 1, std::string(10240, 'a'), REPAIRED,
       {{MSG_WARNING, "String too long! (\x01" "10241\x02/vs/\x01" "10240\x02 max) Truncated to \"\x01" "aaaaaaaaaaaaaaaaaaaa...aaaaaaaaaaaaaaaaaaaa\x02\"(\x04" "a\x02) "}}},
      {0x0008, 0x0081, DICOM_VR_ST, std::string("Main St\0", 8), 1, "Main St ", 0,
       {{MSG_REPORT, "(NULL instead of SPACE)"}}},
      {0x0040, 0xA160, DICOM_VR_UT, "abc", 1, "abc ", 0, {}},
      {0x0010, 0x0010, DICOM_VR_PN, "Doe^John", 1, "Doe^John", 0, {}},
  });
}

TEST(Cleanup_Dates_Times_Ages, legacy_forms_are_rewritten_and_lost_digits_refused)
{
  Run_Cases({
      {0x0008, 0x0020, DICOM_VR_DA, "20240131", 1, "20240131", 0, {}},
      {0x0008, 0x0020, DICOM_VR_DA, "990131", 1, "19990131", REPAIRED,
       {{MSG_REPORT, "VR=DA Old syntax! \x01" "990131\x02 changed to \x01" "19990131\x02"}}},
      {0x0008, 0x0020, DICOM_VR_DA, "050131", 1, "20050131", REPAIRED, {{MSG_REPORT, "Old syntax!"}}},
      {0x0008, 0x0020, DICOM_VR_DA, "2005.01.31", 1, "20050131", REPAIRED, {{MSG_REPORT, "Old syntax!"}}},
      {0x0008, 0x0020, DICOM_VR_DA, "2024-01-31", 1, "20240131", 0, {{MSG_REPORT, "\x01" "2\x02 char in"}}},
      {0x0008, 0x0020, DICOM_VR_DA, "19100.01.3", 0, "", 0,
       {{MSG_WARNING, "Y2K bug! \x01" "19100.01.3\x02 = \x01" "2000.01\x02? (Rejected since last digit of day is lost!)"}}},
      {0x0008, 0x0020, DICOM_VR_DA, "2024013", 0, "", 0,
       {{MSG_WARNING, "Invalid data! Expecting 6, 8 or 10 bytes but got \x01" "7\x02 bytes"}}},
      // Several dates are mended one by one and survive their cleanup.
      {0x0009, 0x1010, DICOM_VR_DA, "20240131\\19991201", 1, "20240131\\19991201", 0, {}},
      {0x0009, 0x1010, DICOM_VR_DA, "990131\\20240131", 1, "19990131\\20240131", REPAIRED, {{MSG_REPORT, "Old syntax!"}}},
      {0x0008, 0x0030, DICOM_VR_TM, "10:15:30", 1, "101530", REPAIRED,
       {{MSG_REPORT, "VR=TM Old syntax! \x01" "10:15:30\x02 changed to \x01" "101530\x02"}}},
      {0x0008, 0x0030, DICOM_VR_TM, "10.15.30", 1, "101530", REPAIRED, {{MSG_REPORT, "Old syntax!"}}},
      {0x0008, 0x0030, DICOM_VR_TM, "10:15:30.5", 1, "101530.5", REPAIRED, {{MSG_REPORT, "Old syntax!"}}},
      {0x0008, 0x0030, DICOM_VR_TM, "101530.123456", 1, "101530.123456 ", 0, {}},
      {0x0010, 0x1010, DICOM_VR_AS, "5Y", 1, "005Y", REPAIRED, {}},
      {0x0010, 0x1010, DICOM_VR_AS, "045Y", 1, "045Y", 0, {}},
      {0x0010, 0x1010, DICOM_VR_AS, "0045Y", 1, "045Y", REPAIRED, {}},
      {0x0010, 0x1010, DICOM_VR_AS, "Y", 1, "Y", 0, {{MSG_WARNING, "Invalid data! Expecting 4 bytes but got \x01" "1\x02 bytes"}}},
  });
}

TEST(Cleanup_Integers, decimals_are_truncated_and_the_32_bit_range_is_exact)
{
  const char *range = "\x02 \\vs\\ -2**31 to 2**31 - 1)";
  Run_Cases({
      {0x0018, 0x1149, DICOM_VR_IS, "2.7\\-1.5", 1, "2\\-1", REPAIRED,
       {{MSG_WARNING, "Invalid data! Converted from \"\x01" "2.7\\-1.5\x02\" to \"\x01" "2\\-1\x02\""}}},
      {0x0020, 0x0013, DICOM_VR_IS, "-0.5", 1, "0 ", REPAIRED, {{MSG_WARNING, "to \"\x01" "0\x02\""}}},
      {0x0020, 0x0013, DICOM_VR_IS, "2147483647", 1, "2147483647", 0, {}},
      {0x0020, 0x0013, DICOM_VR_IS, "-2147483648", 1, "-2147483648 ", 0, {}},
      {0x0020, 0x0013, DICOM_VR_IS, " +00000000012", 1, "+00000000012", 0, {}},
      {0x0020, 0x0013, DICOM_VR_IS, "2147483648", 0, "", INVALID,
       {{MSG_WARNING, std::string("Value out of range (\x01" "2147483648") + range}}},
      {0x0020, 0x0013, DICOM_VR_IS, "-2147483649", 0, "", INVALID, {{MSG_WARNING, "Value out of range"}}},
      {0x0020, 0x0013, DICOM_VR_IS, "2200000000", 0, "", INVALID, {{MSG_WARNING, "Value out of range"}}},
      {0x0020, 0x0013, DICOM_VR_IS, "3000000000", 0, "", INVALID, {{MSG_WARNING, "Value out of range"}}},
      // A decimal beyond the range is not wrapped into it by the conversion.
      {0x0020, 0x0013, DICOM_VR_IS, "1e300.5", 0, "", REPAIRED | INVALID,
       {{MSG_WARNING, "Value truncated to 12 bytes length"}, {MSG_WARNING, "Converted from"}, {MSG_WARNING, "Value out of range"}}},
  });
}

TEST(Cleanup_Numbers, stored_numbers_must_fill_whole_units)
{
  Run_Cases({
      {0x0028, 0x0010, DICOM_VR_US, std::string("\x00\x02", 2), 1, std::string("\x00\x02", 2), 0, {}},
      {0x0028, 0x0010, DICOM_VR_US, std::string("\x00\x02\x03", 3), 0, "", 0,
       {{MSG_WARNING, "VR=US Invalid data! Expecting \"Unsigned Short\" but got \x01" "3\x02 bytes"}}},
      {0x0018, 0x9087, DICOM_VR_FD, std::string(12, '\0'), 0, "", 0, {{MSG_WARNING, "Expecting \"Floation Point Double\""}}},
      {0x0028, 0x0009, DICOM_VR_AT, std::string(6, '\0'), 0, "", 0, {{MSG_WARNING, "Expecting multiple 2*\"Unigned Short\""}}},
      {0x0010, 0x9431, DICOM_VR_FL, std::string(4, '\0'), 1, std::string(4, '\0'), 0, {}},
      {0x0002, 0x0000, DICOM_VR_UL, std::string(4, '\x01'), 1, std::string(4, '\x01'), 0, {}},
      {0x0028, 0x1201, DICOM_VR_OW, std::string(6, '\x01'), 1, std::string(6, '\x01'), 0, {}},  // one value
      {0x0002, 0x0001, DICOM_VR_OB, std::string(3, '\x01'), 1, std::string(3, '\x01'), 0, {}},
      {0x0009, 0x1010, DICOM_VR_UN, "abc", 1, "abc", 0, {}},
      {0x0009, 0x1010, DICOM_VR_OD, "abcdefgh", 0, "abcdefgh", 0, {}},  // no rule: kept, refused
      {0x0008, 0x0060, DICOM_VR_CS, "", 1, "", 0, {}},
  });
}

TEST(Cleanup_Value_Count, counts_outside_the_dictionary_range_flag_the_record_invalid)
{
  Run_Cases({
      {0x0018, 0x1149, DICOM_VR_IS, "1\\2\\3", 0, "1\\2\\3 ", INVALID,
       {{MSG_WARNING, "To many values in data! Expecting VN=\x01" "1\x02-\x01" "2\x02 but got \x01" "3\x02 values"}}},
      {0x0018, 0x1149, DICOM_VR_IS, "1\\2", 1, "1\\2 ", 0, {}},
      {0x0028, 0x0030, DICOM_VR_DS, "1.5", 0, "1.5 ", INVALID,
       {{MSG_WARNING, "Invalid number of values in data!, Expecting VN=\x01" "2\x02 but got \x01" "1\x02 values"}}},
      {0x0008, 0x0008, DICOM_VR_CS, "ORIGINAL", 0, "ORIGINAL", INVALID,
       {{MSG_WARNING, "Not enough values in data! Expecting VN=\x01" "2\x02-n but got \x01" "1\x02 values"}}},
      {0x0028, 0x0010, DICOM_VR_US, std::string(4, '\0'), 0, std::string(4, '\0'), INVALID,
       {{MSG_WARNING, "Expecting VN=\x01" "1\x02 but got \x01" "2\x02 values"}}},
      {0x0008, 0x001A, DICOM_VR_UI, std::string("1.2\\1.3\0", 8), 1, std::string("1.2\\1.3\0", 8), 0, {}},
  });

  // A bounded minimum, and a retired entry that is not checked.
  Library_Messages log;
  NEMA_db_Entry entry{};
  entry.VR_count = 1;
  entry.VR[0] = DICOM_VR_CS;
  entry.VM[0][0] = 2;
  entry.VM[0][1] = 4;
  DICOM_Attribute *record = New_Record(0x0008, 0x0060, DICOM_VR_CS, "AB");
  record->dictionary = &entry;
  EXPECT_EQ(DICOM_Attribute_Cleanup_Tag(nullptr, record), 0);
  Expect_Messages(log.capture, {{MSG_WARNING, "Not enough values in data! Expecting VN=\x01" "2\x02-\x01" "4\x02 but got \x01" "1\x02 values"}}, "2-4");
  log.capture.Clear();
  record->flags = DICOM_ORIGIN_DICOM;
  entry.retired = true;
  EXPECT_EQ(DICOM_Attribute_Cleanup_Tag(nullptr, record), 1);
  EXPECT_EQ(record->flags, DICOM_ORIGIN_DICOM);
  EXPECT_TRUE(log.capture.messages.empty());
  DICOM_Attribute_Free(nullptr, record);
}

TEST(Cleanup_Value, a_value_held_inside_its_record_is_replaced_without_being_freed)
{
  DICOM_Attribute fields{};
  fields.group = 0x0008;
  fields.element = 0x0060;
  fields.VR = DICOM_VR_CS;
  fields.size = 3;
  DICOM_Attribute *record = DICOM_Attribute_New(nullptr, &fields, 3);
  std::memcpy(record->data, "CT ", 3);
  EXPECT_EQ(DICOM_Attribute_Cleanup_Tag(nullptr, record), 1);
  EXPECT_EQ(Value(record), "CT");
  DICOM_Attribute_Free(nullptr, record);  // ASan: the new value freed, the inline room not
}

TEST(Cleanup_Swab, big_endian_numbers_turn_little_endian_by_their_unit)
{
  Library_Messages log;
  struct Case {
    uint16_t VR;
    std::string in;
    int result;
    std::string out;
    bool big_after;
  } cases[] = {
      {DICOM_VR_FD, std::string("\x3F\xF8\0\0\0\0\0\0", 8), 1, std::string("\0\0\0\0\0\0\xF8\x3F", 8), false},
      {DICOM_VR_UL, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8), 1, std::string("\x04\x03\x02\x01\x08\x07\x06\x05", 8), false},
      {DICOM_VR_US, std::string("\x01\x02\x03\x04", 4), 1, std::string("\x02\x01\x04\x03", 4), false},
      {DICOM_VR_AT, std::string("\x00\x28\x00\x10", 4), 1, std::string("\x28\x00\x10\x00", 4), false},
      {DICOM_VR_CS, "AB", 1, "AB", false},
      {DICOM_VR_FL, std::string(6, '\x01'), 0, std::string(6, '\x01'), true},
      {DICOM_VR_US, std::string("\x01\x02\x03", 3), 0, std::string("\x01\x02\x03", 3), true},
  };
  for (const Case &c : cases) {
    log.capture.Clear();
    DICOM_Attribute *record = New_Record(0x0009, 0x1010, c.VR, c.in);
    record->mode = NEMA_MODE_EXPLICIT | NEMA_MODE_BIG_ENDIAN;
    EXPECT_EQ(DICOM_Attribute_Cleanup_Swab(nullptr, record), c.result);
    EXPECT_EQ(Value(record), c.out);
    EXPECT_EQ((record->mode & NEMA_MODE_BIG_ENDIAN) != 0, c.big_after);
    EXPECT_EQ(log.capture.Count(MSG_WARNING, "Invalid data! Expecting"), c.result ? 0 : 1);
    DICOM_Attribute_Free(nullptr, record);
  }
  DICOM_Attribute *little = New_Record(0x0009, 0x1010, DICOM_VR_US, std::string("\x01\x02", 2));
  EXPECT_EQ(DICOM_Attribute_Cleanup_Swab(nullptr, little), 1);
  EXPECT_EQ(Value(little), std::string("\x01\x02", 2));
  DICOM_Attribute_Free(nullptr, little);
}

// Every list below `list` keeps its link to its last record, and only its first has one.
static bool Lists_Linked(const DICOM_Attribute *list)
{
  const DICOM_Attribute *tail = list;
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (r != list && r->last) return false;
    for (int32_t i = 0; i < r->count; i++)
      if (!Lists_Linked(r->item[i])) return false;
    tail = r;
  }
  return !list || list->last == tail;
}

TEST(Sort, a_nested_list_comes_back_ordered_at_every_depth_with_items_in_place)
{
  Flat_List f;
  f.Add(0x0010, 0x0010, DICOM_VR_PN, "Doe");
  f.Add(0x0008, 0x1140, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0008, 0x1155, DICOM_VR_UI, "1.2");
  f.Add(0x0008, 0x1150, DICOM_VR_UI, "1.3");
  f.Add(0x0008, 0x1199, DICOM_VR_SQ, "", -1);
  f.Item();
  f.Add(0x0040, 0x0009, DICOM_VR_SH, "B");
  f.Add(0x0040, 0x0007, DICOM_VR_LO, "A");
  f.Item_End();
  f.Sequence_End();
  f.Item_End();
  f.Sequence_End();
  f.Add(0x0008, 0x0016, DICOM_VR_UI, "1.4");
  DICOM_Attribute *list = DICOM_Attribute_Format(nullptr, f.list);
  const std::string inner = "0008,1199[fffe,e000 0040,0007 0040,0009 fffe,e00d] fffe,e0dd fffe,e00d] fffe,e0dd ";
  ASSERT_EQ(Shape(list), "0010,0010 0008,1140[fffe,e000 0008,1155 0008,1150 0008,1199[fffe,e000 0040,0009 0040,0007 "
                         "fffe,e00d] fffe,e0dd fffe,e00d] fffe,e0dd 0008,0016");

  // Sorting from inside the sequence's item leaves the data set's own order alone.
  DICOM_Sequence_Root root{};
  root.Sequence_Depth = 1;
  root.group[0] = 0x0008;
  root.element[0] = 0x1140;
  root.Item_Number[1] = 1;
  EXPECT_EQ(DICOM_Attribute_Sort(nullptr, &root, &list), 1);
  EXPECT_EQ(Shape(list), "0010,0010 0008,1140[fffe,e000 0008,1150 0008,1155 " + inner + "0008,0016");

  DICOM_Sequence_Root top{};
  EXPECT_EQ(DICOM_Attribute_Sort(nullptr, &top, &list), 1);
  EXPECT_EQ(Shape(list), "0008,0016 0008,1140[fffe,e000 0008,1150 0008,1155 " + inner + "0010,0010");
  EXPECT_TRUE(Lists_Linked(list));

  // Appending after a sort still finds the end of the list.
  DICOM_Attribute extra{};
  extra.group = 0x0020;
  extra.element = 0x0013;
  ASSERT_NE(DICOM_Attribute_Insert(nullptr, &top, &list, &extra), nullptr);
  EXPECT_EQ(Shape(list), "0008,0016 0008,1140[fffe,e000 0008,1150 0008,1155 " + inner + "0010,0010 0020,0013");

  root.Item_Number[1] = 2;  // a path that is not there: nothing to sort
  EXPECT_EQ(DICOM_Attribute_Sort(nullptr, &root, &list), 1);
  DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
}
