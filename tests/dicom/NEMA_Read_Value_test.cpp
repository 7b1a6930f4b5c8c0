// Value decoding: dates and times, split text numbers, stored numbers in each byte order,
// buffers, person names and strings; VRs a decoder refuses; empty and skipped values;
// the value source; pool validity.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include "dicom/DICOM_Library_Release.h"
#include "dicom/NEMA_Read_Value.h"
#include "support/test_support.h"

// An attribute over bytes owned by the test.
struct Test_Record {
  std::string bytes;
  DICOM_Attribute tag = {};
  Test_Record(uint16_t group, uint16_t element, uint16_t VR, const std::string &value, uint8_t mode = 0x08)
      : bytes(value)
  {
    tag.group = group;
    tag.element = element;
    tag.VR = VR;
    tag.mode = mode;
    tag.size = (int32_t)bytes.size();
    tag.data = bytes.empty() ? nullptr : (unsigned char *)bytes.data();
  }
};


TEST(DecodeDates, DateTemplatesBySizeAndDTForms)
{
  struct Case {
    uint16_t VR;
    const char *value;
    const char *want;  // "yyyy-mm-dd", or nullptr for none
  } cases[] = {
      {DICOM_VR_DA, "20240131", "2024-01-31"},
      {DICOM_VR_DA, "240131", "2024-01-31"},
      {DICOM_VR_DA, "2024.01.31", "2024-01-31"},
      {DICOM_VR_DA, "2024013", nullptr},
      {DICOM_VR_DA, "20240131\\20240201", nullptr},
      {DICOM_VR_DT, "20240131101530.000000+0200", "2024-01-31"},
      {DICOM_VR_DT, "2024.01.31", "2024-01-31"},
  };
  for (const Case &c : cases) {
    Test_Record record(0x0008, 0x0020, c.VR, c.value);
    Ardent_Date *date = DICOM_Value_Date(nullptr, &record.tag, 0);
    if (!c.want) {
      EXPECT_EQ(date, nullptr) << c.value;
      EXPECT_EQ(record.tag.vm, 0u);
      continue;
    }
    ASSERT_NE(date, nullptr) << c.value;
    EXPECT_EQ(date->type, 2) << "dates come back unresolved";
    EXPECT_EQ(record.tag.vm, 1u);
    EXPECT_EQ(Check_Ardent_Date(date, 0), nullptr) << c.value;
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date->year, date->month, date->day);
    EXPECT_STREQ(text, c.want) << c.value;
  }
}

TEST(DecodeTimes, TMTemplatesAndDTOffsets)
{
  struct Case {
    uint16_t VR;
    const char *value;
    int type, hour, minute;
    float second;
  } cases[] = {
      {DICOM_VR_TM, "10:15:30.5", 1, 10, 15, 30.5f},
      // Only the first 10 characters of a TM are read.
      {DICOM_VR_TM, "101530.123456", 1, 10, 15, 30.123f},
      {DICOM_VR_TM, "1015", 1, 10, 15, 0},
      {DICOM_VR_DT, "20240131101530.000000+0200", 1, 12, 15, 30},
      {DICOM_VR_DT, "20240131101530.250000-0030", 1, 9, 45, 30.25f},
      {DICOM_VR_DT, "20240131231530+0200", 1, 1, 15, 30},
      {DICOM_VR_DT, "20240131101530", 1, 10, 15, 30},
      // No time part: an empty time.
      {DICOM_VR_DT, "2024.01.31", 0, 0, 0, 0},
      {DICOM_VR_DT, "20240131", 0, 0, 0, 0},
  };
  for (const Case &c : cases) {
    Test_Record record(0x0008, 0x0030, c.VR, c.value);
    Ardent_Time *time = DICOM_Value_Time(nullptr, &record.tag, 0);
    ASSERT_NE(time, nullptr) << c.value;
    EXPECT_EQ(record.tag.vm, 1u);
    EXPECT_EQ(Ardent_Time_Resolve(time), nullptr) << c.value;
    EXPECT_EQ(time->type, c.type) << c.value;
    EXPECT_EQ(Ardent_Time_Hour(time), c.hour) << c.value;
    EXPECT_EQ(Ardent_Time_Minute(time), c.minute) << c.value;
    EXPECT_NEAR(Ardent_Time_Second(time), c.second, 1e-4) << c.value;
  }
}

TEST(DecodeNumbers, SplitTextAsFloatsAndIntegers)
{
  Test_Record ds(0x0028, 0x0030, DICOM_VR_DS, "1.5\\2.25\\-3 ");
  float *floats = DICOM_Value_Float(nullptr, &ds.tag, 0);
  ASSERT_NE(floats, nullptr);
  ASSERT_EQ(ds.tag.vm, 3u);
  EXPECT_FLOAT_EQ(floats[0], 1.5f);
  EXPECT_FLOAT_EQ(floats[1], 2.25f);
  EXPECT_FLOAT_EQ(floats[2], -3.0f);
  int32_t *ints = DICOM_Value_Int(nullptr, &ds.tag, 0);
  ASSERT_NE(ints, nullptr);
  ASSERT_EQ(ds.tag.vm, 3u);
  EXPECT_EQ(ints[0], 1);
  EXPECT_EQ(ints[1], 2);
  EXPECT_EQ(ints[2], -3);

  Test_Record is(0x0020, 0x0013, DICOM_VR_IS, "12\\-7");
  floats = DICOM_Value_Float(nullptr, &is.tag, 0);
  ASSERT_EQ(is.tag.vm, 2u);
  EXPECT_FLOAT_EQ(floats[1], -7.0f);
  // The caller can name the VR: a DS read as IS takes the integer part of each value.
  ints = DICOM_Value_Int(nullptr, &ds.tag, DICOM_VR_IS);
  EXPECT_EQ(ints[1], 2);

  // Numbers beyond the result's range are held to it; "nan" is no integer.
  Test_Record huge(0x0028, 0x1050, DICOM_VR_DS, "1e99\\-1e99\\nan\\12345678901");
  ints = DICOM_Value_Int(nullptr, &huge.tag, 0);
  ASSERT_EQ(huge.tag.vm, 4u);
  EXPECT_EQ(ints[0], INT32_MAX);
  EXPECT_EQ(ints[1], INT32_MIN);
  EXPECT_EQ(ints[2], 0);
  EXPECT_EQ(ints[3], INT32_MAX);
  floats = DICOM_Value_Float(nullptr, &huge.tag, 0);
  EXPECT_FLOAT_EQ(floats[0], FLT_MAX);
  EXPECT_FLOAT_EQ(floats[1], -FLT_MAX);
  EXPECT_TRUE(std::isnan(floats[2]));
  EXPECT_FLOAT_EQ(floats[3], 12345678901.0f);
  double big = 1e300;
  Test_Record fd(0x0018, 0x9087, DICOM_VR_FD, std::string((const char *)&big, 8));
  floats = DICOM_Value_Float(nullptr, &fd.tag, 0);
  ASSERT_EQ(fd.tag.vm, 1u);
  EXPECT_FLOAT_EQ(floats[0], FLT_MAX);
}

TEST(DecodeNumbers, StoredNumbersInEachByteOrder)
{
  struct Case {
    uint16_t VR;
    std::string bytes;
    uint8_t mode;
    std::vector<int32_t> want;  // empty: none
  } cases[] = {
      {DICOM_VR_US, std::string("\x01\x02\x03\x04\xFF\xFF", 6), 0x08, {0x0201, 0x0403, 0xFFFF}},
      {DICOM_VR_US, std::string("\x01\x02", 2), 0x09, {0x0102}},
      {DICOM_VR_SS, std::string("\xFE\xFF", 2), 0x08, {-2}},
      {DICOM_VR_SS, std::string("\xFF\xFE", 2), 0x09, {-2}},
      {DICOM_VR_OW, std::string("\x00\x80\x01\x00\x07", 5), 0x08, {-32768, 1}},  // the odd byte is left
      {DICOM_VR_UL, std::string("\x01\x02\x03\x04", 4), 0x08, {0x04030201}},
      {DICOM_VR_UL, std::string("\x01\x02\x03\x04", 4), 0x09, {0x01020304}},
      {DICOM_VR_SL, std::string("\xFF\xFF\xFF\xFF", 4), 0x08, {-1}},
      {DICOM_VR_AT, std::string("\x28\x00\x10\x00", 4), 0x08, {0x00100028}},
      {DICOM_VR_RT, std::string("\x05\x00", 2), 0x08, {5}},
      {DICOM_VR_RT, std::string("\x05\x00\x00\x00", 4), 0x08, {5}},
      {DICOM_VR_RT, std::string("\x05\x00\x00\x00\x00\x00", 6), 0x08, {}},
  };
  for (const Case &c : cases) {
    Test_Record record(0x0028, 0x0010, c.VR, c.bytes, c.mode);
    int32_t *values = DICOM_Value_Int(nullptr, &record.tag, 0);
    if (c.want.empty()) {
      EXPECT_EQ(values, nullptr);
      continue;
    }
    ASSERT_NE(values, nullptr);
    ASSERT_EQ(record.tag.vm, c.want.size());
    for (size_t i = 0; i < c.want.size(); i++) EXPECT_EQ(values[i], c.want[i]) << "value " << i;
  }

  float one_half = 1.5f;
  double minus_two = -2.0;
  std::string fl((const char *)&one_half, 4), fd((const char *)&minus_two, 8);
  std::string fd_big(fd.rbegin(), fd.rend());
  Test_Record fl_record(0x0018, 0x0050, DICOM_VR_FL, fl + fl);
  float *floats = DICOM_Value_Float(nullptr, &fl_record.tag, 0);
  ASSERT_EQ(fl_record.tag.vm, 2u);
  EXPECT_FLOAT_EQ(floats[1], 1.5f);
  Test_Record fd_record(0x0018, 0x0050, DICOM_VR_FD, fd_big, 0x09);
  floats = DICOM_Value_Float(nullptr, &fd_record.tag, 0);
  ASSERT_EQ(fd_record.tag.vm, 1u);
  EXPECT_FLOAT_EQ(floats[0], -2.0f);
  Test_Record fl_odd(0x0018, 0x0050, DICOM_VR_FL, std::string(6, '\0'));
  EXPECT_EQ(DICOM_Value_Float(nullptr, &fl_odd.tag, 0), nullptr);
  Test_Record fd_odd(0x0018, 0x0050, DICOM_VR_FD, std::string(12, '\0'));
  EXPECT_EQ(DICOM_Value_Float(nullptr, &fd_odd.tag, 0), nullptr);
}

TEST(DecodeNames, SplitAtBackslashesThenCarets)
{
  Test_Record record(0x0010, 0x0010, DICOM_VR_PN, "Doe^John\\Roe\\\\A^B^C^D^E^F");
  Ardent_Name *names = DICOM_Value_Name(nullptr, &record.tag, 0);
  ASSERT_NE(names, nullptr);
  ASSERT_EQ(record.tag.vm, 4u);
  EXPECT_STREQ(names[0].family, "Doe");
  EXPECT_STREQ(names[0].given, "John");
  EXPECT_STREQ(names[1].family, "Roe");
  EXPECT_EQ(names[1].given, nullptr);
  EXPECT_EQ(names[2].count, 0);
  EXPECT_STREQ(names[3].suffix, "E");

  Test_Record ideographic(0x0010, 0x0010, DICOM_VR_PN, "Yamada^Tarou=\xE5\xB1\xB1\xE7\x94\xB0^\xE5\xA4\xAA\xE9\x83\x8E ");
  names = DICOM_Value_Name(nullptr, &ideographic.tag, 0);
  ASSERT_EQ(ideographic.tag.vm, 1u);
  EXPECT_STREQ(names[0].given, "Tarou");
  EXPECT_EQ(names[0].middle, nullptr);

  Test_Record prefix_only(0x0010, 0x0010, DICOM_VR_PN, "Doe^John^^Dr");
  names = DICOM_Value_Name(nullptr, &prefix_only.tag, 0);
  EXPECT_EQ(names[0].count, 2);
  EXPECT_STREQ(names[0].prefix, "Dr");
}

TEST(DecodeStrings, SplitAndWholeValues)
{
  Test_Record cs(0x0008, 0x0008, DICOM_VR_CS, "DERIVED\\SECONDARY\\\\AXIAL ");
  char **values = NEMA_Value_Str(nullptr, &cs.tag, 0);
  ASSERT_NE(values, nullptr);
  ASSERT_EQ(cs.tag.vm, 4u);
  EXPECT_STREQ(values[0], "DERIVED");
  EXPECT_STREQ(values[1], "SECONDARY");
  EXPECT_EQ(values[2], nullptr);
  EXPECT_STREQ(values[3], "AXIAL ");

  Test_Record ui(0x0008, 0x0016, DICOM_VR_UI, std::string("1.2.840.10008.5.1.4.1.1.2\0", 26));
  values = NEMA_Value_Str(nullptr, &ui.tag, 0);
  ASSERT_EQ(ui.tag.vm, 1u);
  EXPECT_STREQ(values[0], "1.2.840.10008.5.1.4.1.1.2");

  Test_Record lt(0x0020, 0x4000, DICOM_VR_LT, "first\\second line");
  values = NEMA_Value_Str(nullptr, &lt.tag, 0);
  ASSERT_EQ(lt.tag.vm, 1u);
  EXPECT_STREQ(values[0], "first\\second line");

  Test_Record ob(0x0002, 0x0001, DICOM_VR_OB, std::string("\x00\x01", 2));
  unsigned char *buffer = DICOM_Value_Buffer(nullptr, &ob.tag, 0);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(ob.tag.vm, 1u);
  EXPECT_EQ(buffer[1], 1);
}

TEST(DecodeRefusals, WrongVREmptyAndSkippedValues)
{
  Message_Capture capture(4);
  struct Case {
    const char *decoder;
    bool (*call)(DICOM_Attribute *);
    const char *message;
  } cases[] = {
      {"Date", [](DICOM_Attribute *t) { return DICOM_Value_Date(nullptr, t, 0) != nullptr; }, "!= DA,DT)"},
      {"Time", [](DICOM_Attribute *t) { return DICOM_Value_Time(nullptr, t, 0) != nullptr; }, "!= DT,TM)"},
      {"Float", [](DICOM_Attribute *t) { return DICOM_Value_Float(nullptr, t, 0) != nullptr; }, "!= IS,DS,FL,FD)"},
      {"Int", [](DICOM_Attribute *t) { return DICOM_Value_Int(nullptr, t, 0) != nullptr; }, "!= DS,IS,US,UH,UL,SS,SL)"},
      {"Buffer", [](DICOM_Attribute *t) { return DICOM_Value_Buffer(nullptr, t, 0) != nullptr; }, "!= OB or OW)"},
      {"Name", [](DICOM_Attribute *t) { return DICOM_Value_Name(nullptr, t, 0) != nullptr; }, "!= PN)"},
  };
  for (const Case &c : cases) {
    Test_Record record(0x0010, 0x0040, DICOM_VR_SQ, "M ");
    record.tag.vm = 7;
    EXPECT_FALSE(c.call(&record.tag)) << c.decoder;
    EXPECT_EQ(record.tag.vm, 0u) << c.decoder;
    EXPECT_EQ(capture.Count(MSG_TRACE + 3, std::string("(0010,0040): bad VR value (SQ) ") + c.message), 1)
        << c.decoder;
  }
  Test_Record pn(0x0010, 0x0010, DICOM_VR_PN, "Doe");
  EXPECT_EQ(NEMA_Value_Str(nullptr, &pn.tag, 0), nullptr);
  EXPECT_EQ(capture.Count(MSG_TRACE + 3, "!= AE,AS,CS,LO,LT,SH,ST,UI,UT)"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE + 3, "File:NEMA_Read_Value, Line:"), 7);

  // The dictionary VR stands in when the stream gave none.
  Test_Record implicit(0x0010, 0x0010, 0, "Doe^Jane");
  implicit.tag.dictionary_VR = (int16_t)DICOM_VR_PN;
  ASSERT_NE(DICOM_Value_Name(nullptr, &implicit.tag, 0), nullptr);

  Test_Record empty(0x0010, 0x0020, DICOM_VR_LO, "");
  EXPECT_EQ(NEMA_Value_Str(nullptr, &empty.tag, 0), nullptr);
  EXPECT_EQ(empty.tag.vm, 0u);

  // A skipped value (no bytes) of 1024 bytes or less is nothing; a longer one needs a source.
  Test_Record skipped(0x0008, 0x0008, DICOM_VR_CS, "");
  skipped.tag.size = 1024;
  EXPECT_EQ(NEMA_Value_Str(nullptr, &skipped.tag, 0), nullptr);
  NEMA_Value_Source_Clear();
  skipped.tag.size = 2000;
  EXPECT_EQ(NEMA_Value_Str(nullptr, &skipped.tag, 0), nullptr);
}

TEST(DecodeSource, SkippedValuesAreReadFromMemoryOrFile)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  std::string block(100, 'x');
  std::string value(2000, 'A');
  block += value;
  Test_Record skipped(0x0008, 0x0008, DICOM_VR_LT, "");
  skipped.tag.size = 2000;
  skipped.tag.value_position = 100;

  NEMA_Value_Source_Memory(block.data(), (int64_t)block.size());
  char **values = NEMA_Value_Str(nullptr, &skipped.tag, 0);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(std::string(values[0]), value);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Reading missing: 2000 bytes at 100"), 1);
  ASSERT_NE(skipped.tag.data, nullptr);
  std::free(skipped.tag.data);
  skipped.tag.data = nullptr;

  // A value that runs past the end of the block is not read.
  skipped.tag.value_position = 200;
  EXPECT_EQ(NEMA_Value_Str(nullptr, &skipped.tag, 0), nullptr);
  EXPECT_EQ(skipped.tag.data, nullptr);

  std::string path = env.temp() + "value.bin";
  ASSERT_TRUE(Write_File(path, block));
  NEMA_Value_Source_File(path.c_str());
  skipped.tag.value_position = 100;
  values = NEMA_Value_Str(nullptr, &skipped.tag, 0);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(std::string(values[0]), value);
  std::free(skipped.tag.data);
  skipped.tag.data = nullptr;

  NEMA_Value_Source_File((env.temp() + "missing.bin").c_str());
  EXPECT_EQ(NEMA_Value_Str(nullptr, &skipped.tag, 0), nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "file: ("), 1);
  NEMA_Value_Source_Clear();
}

TEST(DecodePools, ResultsStayValidFor127CallsAndReleaseFreesThem)
{
  Test_Record first(0x0028, 0x0010, DICOM_VR_US, std::string("\x07\x00", 2));
  Test_Record other(0x0028, 0x0011, DICOM_VR_US, std::string("\x09\x00", 2));
  int32_t *kept = DICOM_Value_Int(nullptr, &first.tag, 0);
  for (int i = 0; i < 127; i++) DICOM_Value_Int(nullptr, &other.tag, 0);
  EXPECT_EQ(kept[0], 7);
  DICOM_Library_Release();
  int32_t *again = DICOM_Value_Int(nullptr, &first.tag, 0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again[0], 7);
}

TEST(DecodePools, TwoThreadsNeverShareASlot)
{
  // Two threads take 60 results each, 120 in all: fewer than the pool's 128 slots, so
  // every result must still hold its own value when both are done.
  std::vector<Test_Record> records;
  for (int i = 0; i < 120; i++) {
    std::string value(2, '\0');
    value[0] = (char)i;
    records.emplace_back(0x0028, 0x0010, DICOM_VR_US, value);
  }
  for (Test_Record &record : records) record.tag.data = (unsigned char *)record.bytes.data();
  int32_t *results[120] = {};
  auto decode = [&](int first) {
    for (int i = first; i < 120; i += 2) results[i] = DICOM_Value_Int(nullptr, &records[i].tag, 0);
  };
  std::thread even(decode, 0), odd(decode, 1);
  even.join();
  odd.join();
  for (int i = 0; i < 120; i++) {
    ASSERT_NE(results[i], nullptr);
    EXPECT_EQ(results[i][0], i) << "result " << i;
  }
}
