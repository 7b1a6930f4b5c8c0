// Attribute creation: the bytes each VR's encoder writes in both argument forms, the
// warnings of refused forms, the place of new records in nested lists, and a round
// trip through the value decoders for every VR that can be created.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Read_Value.h"
#include "dicom/NEMA_Tag_Add.h"
#include "dicom/attribute_lists.h"
#include "support/test_support.h"

namespace {
// A list under construction, released at the end of the test.
struct Made_List {
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  ~Made_List()
  {
    DICOM_Sequence_Root top{};
    DICOM_Attribute_Delete(nullptr, &top, &list, 0xFFFF, 0xFFFF);
  }
  DICOM_Attribute *Get(uint16_t group, uint16_t element) { return DICOM_Attribute_Get(nullptr, &root, list, group, element); }
  std::string Bytes(uint16_t group, uint16_t element)
  {
    DICOM_Attribute *r = Get(group, element);
    return r && r->data ? std::string((const char *)r->data, (size_t)r->size) : std::string();
  }
};

// Turns the library's warnings on (as MSG_WARNING) and captures them with the errors.
struct Library_Warnings {
  Message_Capture capture{0};
  Library_Warnings() { NEMA_Warning_Kind = MSG_WARNING; }
  ~Library_Warnings() { NEMA_Warning_Kind = 0; }
};
}  // namespace

static Ardent_Date Date(int year, int month, int day)
{
  Ardent_Date date{};
  Ardent_Date_Set(&date, year, month, day);
  return date;
}

static Ardent_Time Time(int hour, int minute, float second)
{
  Ardent_Time time{};
  Ardent_Time_Set(&time, hour, minute, second);
  return time;
}

// One row's call: adds the row's tag to the list with the given VR, count and values.
#define ADD(...) [&](Made_List &m, uint16_t g, uint16_t e) { DICOM_Attribute_Add(nullptr, &m.root, &m.list, g, e, __VA_ARGS__); }

TEST(Add_Encoding, each_VR_writes_the_bytes_a_stream_holds)
{
  Ardent_Date dates[] = {Date(2024, 1, 31), Date(1999, 12, 1)};
  Ardent_Time unresolved{};
  Make_Ardent_Time_From_Str(&unresolved, "101530.5", "hhmmss.ffffff");
  Ardent_Name name{};
  Make_Ardent_Name_From_Parts(&name, "Doe", "John", nullptr, nullptr, nullptr);
  DICOM_Date_Time date_times[] = {{Date(2024, 1, 31), Time(10, 15, 30)}, {Date(2024, 2, 1), Ardent_Time{}}};
  const char *codes[] = {"A", "B"};
  uint16_t shorts[] = {1, 0xFFFF};
  float floats[] = {1.5f};
  struct Case {
    const char *what;
    uint16_t group, element;
    std::function<void(Made_List &, uint16_t, uint16_t)> add;
    std::string bytes;
    std::vector<std::string> messages;  // parts of the warnings and errors, in order
  } cases[] = {
      {"two dates", 0x0009, 0x1001, ADD(DICOM_VR_DA, 2, dates[0], dates[1]), "20240131\\19991201", {}},
      {"dates as a vector", 0x0009, 0x1001, ADD(DICOM_VR_DA, -2, dates), "20240131\\19991201", {}},
      {"DS", 0x0018, 0x0050, ADD(DICOM_VR_DS, 1, 1.5), "1.5 ", {}},
      {"IS", 0x0018, 0x1149, ADD(DICOM_VR_IS, 2, -12, 7), "-12\\7 ", {}},
      {"TM with a fraction", 0x0008, 0x0030, ADD(DICOM_VR_TM, 1, Time(10, 15, 30.5f)), "101530.500", {}},
      {"TM rounded up carries into the minute", 0x0008, 0x0030, ADD(DICOM_VR_TM, 1, Time(10, 15, 59.9995f)), "101600", {}},
      {"TM never reaches 24 hours", 0x0008, 0x0030, ADD(DICOM_VR_TM, 1, Time(23, 59, 59.9995f)), "235959.999", {}},
      {"TM with a tiny fraction", 0x0008, 0x0030, ADD(DICOM_VR_TM, 1, Time(10, 15, 30.0004f)), "101530", {}},
      {"TM unresolved", 0x0008, 0x0030, ADD(DICOM_VR_TM, 1, unresolved), "101530.500", {}},
      {"DT", 0x0009, 0x1002, ADD(DICOM_VR_DT, -2, date_times), "20240131101530\\20240201 ", {}},
      {"one UID", 0x0008, 0x0018, ADD(DICOM_VR_UI, 1, "1.2.3"), std::string("1.2.3\0", 6), {}},
      {"two UIDs", 0x0008, 0x001A, ADD(DICOM_VR_UI, 2, "1.2.3", "4.5"), std::string("1.2.3\\4.5\0", 10), {}},
      {"a missing UID", 0x0008, 0x001A, ADD(DICOM_VR_UI, 2, "1.2.3", (const char *)nullptr), "", {}},
      {"US", 0x0018, 0x9066, ADD(DICOM_VR_US, 2, 1, 2), std::string("\x01\0\x02\0", 4), {}},
      {"US as a vector", 0x0018, 0x9066, ADD(DICOM_VR_US, -2, shorts), std::string("\x01\0\xFF\xFF", 4), {}},
      {"SS", 0x0018, 0x9219, ADD(DICOM_VR_SS, 1, -2), "\xFE\xFF", {}},
      {"SL", 0x0018, 0x6020, ADD(DICOM_VR_SL, 1, -2), "\xFE\xFF\xFF\xFF", {}},
      {"UL", 0x0002, 0x0000, ADD(DICOM_VR_UL, 1, 0x80000001u), std::string("\x01\0\0\x80", 4), {}},
      {"AT", 0x0028, 0x0009, ADD(DICOM_VR_AT, 2, 0x0028, 0x0010), std::string("\x28\0\x10\0", 4), {}},
      {"AT of an odd count", 0x0028, 0x0009, ADD(DICOM_VR_AT, 3, 0x0028, 0x0010, 0x0020),
       std::string("\x28\0\x10\0", 4), {"VR=AT: only multiple of 2 accepted (nb_arg=3 != 2*n)"}},
      {"AT of one number", 0x0028, 0x0009, ADD(DICOM_VR_AT, 1, 0x0028), "", {"only multiple of 2"}},
      {"OB", 0x0002, 0x0001, ADD(DICOM_VR_OB, 3, 1, 0x102, 3), std::string("\x01\x02\x03\0", 4), {}},
      {"OW", 0x0028, 0x1201, ADD(DICOM_VR_OW, 1, 0x1234), "\x34\x12", {}},
      {"FD", 0x0018, 0x9087, ADD(DICOM_VR_FD, 1, 1.5), std::string("\0\0\0\0\0\0\xF8\x3F", 8), {}},
      {"FL", 0x0010, 0x9431, ADD(DICOM_VR_FL, 1, 1.5), std::string("\0\0\xC0\x3F", 4), {}},
      {"FL beyond the float range", 0x0010, 0x9431, ADD(DICOM_VR_FL, 1, 1e300), "\xFF\xFF\x7F\x7F", {}},
      {"FL as a vector", 0x0010, 0x9431, ADD(DICOM_VR_FL, -1, floats), std::string("\0\0\xC0\x3F", 4), {}},
      {"CS as a vector", 0x0008, 0x0008, ADD(DICOM_VR_CS, -2, codes), "A\\B ", {}},
      {"PN", 0x0010, 0x0010, ADD(DICOM_VR_PN, 1, &name), "Doe^John", {}},
      {"LT", 0x0020, 0x4000, ADD(DICOM_VR_LT, 1, "abc"), "abc ", {}},
      {"LT of two values", 0x0020, 0x4000, ADD(DICOM_VR_LT, 2, "ab", "cd"),
       "ab", {"VR=Text: only 1 value accepted (nb_arg=2 != 1)"}},
      {"LT as a vector", 0x0020, 0x4000, ADD(DICOM_VR_LT, -2, codes),
       "", {"VR=Text: vector fct not implemented (nb_arg=-2)"}},
      {"PN as a vector", 0x0010, 0x0010, ADD(DICOM_VR_PN, -1, &name),
       "", {"VR=PN: vector fct not implemented (nb_arg=-1)"}},
      {"UI as a vector", 0x0008, 0x001A, ADD(DICOM_VR_UI, -2, codes),
       "", {"VR=UI: vector fct not implemented (nb_arg=-2)"}},
      {"AT as a vector", 0x0028, 0x0009, ADD(DICOM_VR_AT, -2, shorts),
       "", {"VR=AT: vector fct not implemented (nb_arg=-2)"}},
      {"a vector without its array", 0x0018, 0x9066, ADD(DICOM_VR_US, -2, (const uint16_t *)nullptr), "", {}},
      {"a VR without encoder", 0x0009, 0x1003, ADD(DICOM_VR_OD, 1, 1.5), "", {"tag (0009,1003) VR=OD not implemented"}},
      {"a wrong value count keeps the value", 0x0028, 0x0010, ADD(DICOM_VR_US, 2, 1, 2),
       std::string("\x01\0\x02\0", 4), {"Invalid number of values in data!", "problem creating tag (\x01" "0028\x02,\x01" "0010\x02)"}},
  };
  Library_Warnings log;
  for (const Case &c : cases) {
    log.capture.Clear();
    Made_List made;
    c.add(made, c.group, c.element);
    EXPECT_EQ(made.Bytes(c.group, c.element), c.bytes) << c.what;
    std::vector<std::string> texts = log.capture.Texts(MSG_WARNING), errors = log.capture.Texts(MSG_ERROR);
    texts.insert(texts.begin(), errors.begin(), errors.end());
    ASSERT_EQ(texts.size(), c.messages.size()) << c.what;
    for (size_t i = 0; i < texts.size(); i++) EXPECT_NE(texts[i].find(c.messages[i]), std::string::npos) << c.what << ": " << texts[i];
    DICOM_Attribute *record = made.Get(c.group, c.element);
    ASSERT_NE(record, nullptr) << c.what;
    EXPECT_EQ(record->flags & DICOM_ORIGIN_MASK, DICOM_ORIGIN_ARDENT) << c.what;
  }
  Free_Ardent_Time(&unresolved);
  Free_Ardent_Name(&name);
}

TEST(Add_Place, records_go_in_tag_order_at_the_root_path_and_present_values_win)
{
  Made_List made;
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0010, 0x0010, DICOM_VR_PN, 0);
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0020, 0x0013, DICOM_VR_IS, 1, 5);
  DICOM_Attribute *head = DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0008, 0x0060, DICOM_VR_CS, 1, "CT");
  EXPECT_EQ(head, made.list);
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0008, 0x0070, DICOM_VR_LO, 1, "ACME");

  // Inside the first item of (0008,1140), made on the way.
  made.root.Sequence_Depth = 1;
  made.root.group[0] = 0x0008;
  made.root.element[0] = 0x1140;
  made.root.Item_Number[1] = 1;
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0008, 0x1155, DICOM_VR_UI, 1, "1.2");
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0008, 0x1150, DICOM_VR_UI, 1, "1.3");
  EXPECT_EQ(Shape(made.list), "0008,0060 0008,0070 0010,0010 0020,0013 0008,1140[0008,1150 0008,1155]");
  EXPECT_EQ(made.Get(0x0008, 0x1150)->level, 1);

  // A value already there wins; an empty record takes the new value.
  made.root = DICOM_Sequence_Root{};
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0008, 0x0060, DICOM_VR_CS, 1, "MR");
  EXPECT_EQ(made.Bytes(0x0008, 0x0060), "CT");
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0010, 0x0010, DICOM_VR_PN, 1, (const Ardent_Name *)nullptr);
  Ardent_Name name{};
  Make_Ardent_Name_From_Parts(&name, "Roe", nullptr, nullptr, nullptr, nullptr);
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0010, 0x0010, DICOM_VR_PN, 1, &name);
  EXPECT_EQ(made.Bytes(0x0010, 0x0010), "Roe ");
  Free_Ardent_Name(&name);

  // A sequence takes its first value as flags; appending still finds the list's end.
  DICOM_Attribute_Add(nullptr, &made.root, &made.list, 0x0040, 0x0275, DICOM_VR_SQ, 1, (int)DICOM_FLAG_FORCED);
  EXPECT_EQ(made.Get(0x0040, 0x0275)->flags, DICOM_ORIGIN_ARDENT | DICOM_FLAG_FORCED);
  DICOM_Attribute extra{};
  extra.group = 0x7FE0;
  extra.element = 0x0010;
  DICOM_Attribute_Insert(nullptr, &made.root, &made.list, &extra);
  EXPECT_EQ(Shape(made.list), "0008,0060 0008,0070 0010,0010 0020,0013 0008,1140[0008,1150 0008,1155] 0040,0275 7fe0,0010");
}

TEST(Add_Round_Trip, every_VR_made_reads_back_through_the_decoders)
{
  Made_List m;
  DICOM_Sequence_Root *root = &m.root;
  DICOM_Attribute **list = &m.list;
  Ardent_Name doe{}, roe{};
  Make_Ardent_Name_From_Parts(&doe, "Doe", "John", nullptr, nullptr, nullptr);
  Make_Ardent_Name_From_Parts(&roe, "Roe", "Jane", nullptr, "Dr", nullptr);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0054, DICOM_VR_AE, 2, "AE1", "STORE_SCP");
  DICOM_Attribute_Add(nullptr, root, list, 0x0010, 0x1010, DICOM_VR_AS, 1, "045Y");
  DICOM_Attribute_Add(nullptr, root, list, 0x0028, 0x0009, DICOM_VR_AT, 2, 0x0028, 0x0010);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0008, DICOM_VR_CS, 2, "ORIGINAL", "PRIMARY");
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0020, DICOM_VR_DA, 1, Date(2024, 1, 31));
  DICOM_Attribute_Add(nullptr, root, list, 0x0028, 0x0030, DICOM_VR_DS, 2, 0.5, 1.25);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x002A, DICOM_VR_DT, 1, Date(2024, 1, 31), Time(10, 15, 30.25f));
  DICOM_Attribute_Add(nullptr, root, list, 0x0018, 0x9087, DICOM_VR_FD, 1, 1000.5);
  DICOM_Attribute_Add(nullptr, root, list, 0x0010, 0x9431, DICOM_VR_FL, 1, 12.25);
  DICOM_Attribute_Add(nullptr, root, list, 0x0018, 0x1149, DICOM_VR_IS, 2, 256, -3);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0070, DICOM_VR_LO, 1, "ACME Medical");
  DICOM_Attribute_Add(nullptr, root, list, 0x0020, 0x4000, DICOM_VR_LT, 1, "A comment.");
  DICOM_Attribute_Add(nullptr, root, list, 0x0002, 0x0001, DICOM_VR_OB, 2, 0, 1);
  DICOM_Attribute_Add(nullptr, root, list, 0x0028, 0x1201, DICOM_VR_OW, 2, 0x1234, 0xFFFF);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x1050, DICOM_VR_PN, 2, &doe, &roe);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0050, DICOM_VR_SH, 1, "ACC123");
  DICOM_Attribute_Add(nullptr, root, list, 0x0018, 0x6020, DICOM_VR_SL, 1, -70000);
  DICOM_Attribute_Add(nullptr, root, list, 0x0018, 0x9219, DICOM_VR_SS, 1, -5);
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0081, DICOM_VR_ST, 1, "1 Main St");
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x0030, DICOM_VR_TM, 1, Time(10, 15, 30.5f));
  DICOM_Attribute_Add(nullptr, root, list, 0x0008, 0x001A, DICOM_VR_UI, 2, "1.2.840.10008.1.2", "1.2.3");
  DICOM_Attribute_Add(nullptr, root, list, 0x0002, 0x0000, DICOM_VR_UL, 1, 4000000000u);
  DICOM_Attribute_Add(nullptr, root, list, 0x0028, 0x0010, DICOM_VR_US, 1, 512);
  DICOM_Attribute_Add(nullptr, root, list, 0x0040, 0xA160, DICOM_VR_UT, 1, "free text");

  auto strings = [&](uint16_t g, uint16_t e) {
    DICOM_Attribute *r = m.Get(g, e);
    char **values = NEMA_Value_Str(nullptr, r, 0);
    std::vector<std::string> out;
    for (uint32_t i = 0; values && i < r->vm; i++) out.push_back(values[i] ? values[i] : "");
    return out;
  };
  auto ints = [&](uint16_t g, uint16_t e) {
    DICOM_Attribute *r = m.Get(g, e);
    int32_t *values = DICOM_Value_Int(nullptr, r, 0);
    return values ? std::vector<int32_t>(values, values + r->vm) : std::vector<int32_t>();
  };
  auto floats = [&](uint16_t g, uint16_t e) {
    DICOM_Attribute *r = m.Get(g, e);
    float *values = DICOM_Value_Float(nullptr, r, 0);
    return values ? std::vector<float>(values, values + r->vm) : std::vector<float>();
  };
  using S = std::vector<std::string>;
  EXPECT_EQ(strings(0x0008, 0x0054), (S{"AE1", "STORE_SCP "}));
  EXPECT_EQ(strings(0x0010, 0x1010), (S{"045Y"}));
  EXPECT_EQ(strings(0x0008, 0x0008), (S{"ORIGINAL", "PRIMARY"}));
  EXPECT_EQ(strings(0x0008, 0x0070), (S{"ACME Medical"}));
  EXPECT_EQ(strings(0x0020, 0x4000), (S{"A comment."}));
  EXPECT_EQ(strings(0x0008, 0x0050), (S{"ACC123"}));
  EXPECT_EQ(strings(0x0008, 0x0081), (S{"1 Main St "}));
  EXPECT_EQ(strings(0x0008, 0x001A), (S{"1.2.840.10008.1.2", "1.2.3"}));
  EXPECT_EQ(strings(0x0040, 0xA160), (S{"free text "}));
  EXPECT_EQ(ints(0x0028, 0x0009), (std::vector<int32_t>{0x00100028}));  // AT: group, element as two 16-bit halves
  EXPECT_EQ(ints(0x0018, 0x1149), (std::vector<int32_t>{256, -3}));
  EXPECT_EQ(ints(0x0028, 0x1201), (std::vector<int32_t>{0x1234, -1}));
  EXPECT_EQ(ints(0x0018, 0x6020), (std::vector<int32_t>{-70000}));
  EXPECT_EQ(ints(0x0018, 0x9219), (std::vector<int32_t>{-5}));
  EXPECT_EQ((uint32_t)ints(0x0002, 0x0000).at(0), 4000000000u);
  EXPECT_EQ(ints(0x0028, 0x0010), (std::vector<int32_t>{512}));
  EXPECT_EQ(floats(0x0028, 0x0030), (std::vector<float>{0.5f, 1.25f}));
  EXPECT_EQ(floats(0x0018, 0x9087), (std::vector<float>{1000.5f}));
  EXPECT_EQ(floats(0x0010, 0x9431), (std::vector<float>{12.25f}));
  unsigned char *bytes = DICOM_Value_Buffer(nullptr, m.Get(0x0002, 0x0001), 0);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string((const char *)bytes, 2), std::string("\0\x01", 2));

  Ardent_Name *names = DICOM_Value_Name(nullptr, m.Get(0x0008, 0x1050), 0);
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(m.Get(0x0008, 0x1050)->vm, 2u);
  EXPECT_EQ(Compare_Ardent_Name(&names[0], &doe), 0);
  EXPECT_STREQ(names[1].prefix, "Dr");

  Ardent_Date *date = DICOM_Value_Date(nullptr, m.Get(0x0008, 0x0020), 0);
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(Check_Ardent_Date(date, 0), nullptr);
  EXPECT_EQ(Ardent_Date_Year(date) * 10000 + Ardent_Date_Month(date) * 100 + Ardent_Date_Day(date), 20240131);
  Ardent_Time *time = DICOM_Value_Time(nullptr, m.Get(0x0008, 0x0030), 0);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(Ardent_Time_Resolve(time), nullptr);
  EXPECT_EQ(Ardent_Time_Seconds(time), 10 * 3600 + 15 * 60 + 30);
  EXPECT_FLOAT_EQ(Ardent_Time_Second(time), 30.5f);

  DICOM_Attribute *date_time = m.Get(0x0008, 0x002A);
  date = DICOM_Value_Date(nullptr, date_time, 0);
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(Check_Ardent_Date(date, 0), nullptr);
  EXPECT_EQ(Ardent_Date_Day(date), 31);
  time = DICOM_Value_Time(nullptr, date_time, 0);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(Ardent_Time_Hour(time), 10);
  EXPECT_EQ(Ardent_Time_Minute(time), 15);
  EXPECT_FLOAT_EQ(Ardent_Time_Second(time), 30.25f);

  for (DICOM_Attribute *r = m.list; r; r = r->next) EXPECT_EQ(r->flags, DICOM_ORIGIN_ARDENT) << std::hex << r->group << "," << r->element;
  Free_Ardent_Name(&doe);
  Free_Ardent_Name(&roe);
}
