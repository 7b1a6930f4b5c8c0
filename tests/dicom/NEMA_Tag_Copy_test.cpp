// The copy rule: a fresh target becomes an exact copy, a filled one keeps its value unless
// the source appends, a forced one never changes, and a failed copy changes nothing.
#include "dicom/NEMA_Tag_Copy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "attribute_lists.h"

namespace {

// A record holding malloc'ed copies of `value` and `description`.
DICOM_Attribute Record(uint16_t flags, uint16_t VR, const std::string &value, const char *description = nullptr)
{
  DICOM_Attribute r{};
  r.flags = flags;
  r.group = 0x0008;
  r.element = 0x0060;
  r.VR = VR;
  r.size = (int32_t)value.size();
  if (!value.empty()) {
    r.data = (unsigned char *)std::malloc(value.size());
    std::memcpy(r.data, value.data(), value.size());
  }
  if (description) r.description = strdup(description);
  return r;
}

void Release(DICOM_Attribute &r)
{
  std::free(r.data);
  std::free(r.description);
}

std::string Value(const DICOM_Attribute &r) { return r.data ? std::string((const char *)r.data, (size_t)r.size) : ""; }

}  // namespace

TEST(Copy_Rule, a_fresh_target_becomes_an_exact_copy_with_its_own_value_and_description)
{
  DICOM_Attribute source = Record(DICOM_ORIGIN_DICOM | DICOM_FLAG_PRIVATE, DICOM_VR_CS, "MR", "Modality");
  source.mode = 0x08;
  source.level = 2;
  source.dictionary_VR = (int16_t)DICOM_VR_CS;
  source.type = (int16_t)DICOM_VR_Code('1', ' ');
  source.vm = 1;
  source.user = 7;
  source.element_position = 132;
  source.value_position = 140;
  source.dictionary = NEMA_db_Lookup(0x0008, 0x0060);
  DICOM_Attribute target{};
  ASSERT_EQ(DICOM_Attribute_Copy_Tag(nullptr, &target, &source), 1);
  std::string why;
  EXPECT_TRUE(Same_List(&target, &source, &why)) << why;
  EXPECT_NE(target.data, source.data);
  EXPECT_NE(target.description, source.description);
  Release(target);
  Release(source);
}

TEST(Copy_Rule, what_a_target_takes_depends_on_its_flags_its_size_and_an_appending_source)
{
  const uint16_t MODULE = DICOM_ORIGIN_MODULE;
  struct Case {
    const char *what;
    DICOM_Attribute target, source;
    std::string value;
    const char *description;
    uint16_t flags;
  } cases[] = {
      {"forced target", Record(MODULE | DICOM_FLAG_FORCED, DICOM_VR_CS, ""), Record(MODULE, DICOM_VR_CS, "CT"), "",
       nullptr, MODULE | DICOM_FLAG_FORCED},
      {"filled target", Record(MODULE, DICOM_VR_CS, "MR", "old"), Record(MODULE, DICOM_VR_CS, "CT", "new"), "MR", "old",
       MODULE},
      {"empty target", Record(MODULE, DICOM_VR_CS, "", "old"), Record(DICOM_FLAG_DEFAULT, DICOM_VR_CS, "CT"), "CT", "old",
       MODULE | DICOM_FLAG_DEFAULT},
      {"text appended", Record(MODULE, DICOM_VR_CS, "MR"), Record(DICOM_FLAG_APPEND, DICOM_VR_CS, "PT"), "MR\\PT ",
       nullptr, MODULE | DICOM_FLAG_APPEND},
      {"padded text appended", Record(MODULE, DICOM_VR_CS, "CT1 "), Record(DICOM_FLAG_APPEND, 0, "MR"), "CT1\\MR",
       nullptr, MODULE | DICOM_FLAG_APPEND},
      {"UI appended", Record(MODULE, DICOM_VR_UI, std::string("1.2\0", 4)), Record(DICOM_FLAG_APPEND, 0, "3.4"),
       std::string("1.2\\3.4\0", 8), nullptr, MODULE | DICOM_FLAG_APPEND},
      {"numbers appended", Record(MODULE, DICOM_VR_US, std::string("\x01\x00", 2)),
       Record(DICOM_FLAG_APPEND, DICOM_VR_US, std::string("\x02\x00", 2)), std::string("\x01\x00\x02\x00", 4), nullptr,
       MODULE | DICOM_FLAG_APPEND},
      {"nothing to append", Record(MODULE, DICOM_VR_CS, "MR"), Record(DICOM_FLAG_APPEND, DICOM_VR_CS, "", "new"), "MR",
       "new", MODULE | DICOM_FLAG_APPEND},
  };
  for (Case &c : cases) {
    c.target.mode = 0x08;
    c.target.type = (int16_t)DICOM_VR_Code('2', ' ');
    ASSERT_EQ(DICOM_Attribute_Copy_Tag(nullptr, &c.target, &c.source), 1) << c.what;
    EXPECT_EQ(Value(c.target), c.value) << c.what;
    EXPECT_EQ(c.target.size, (int32_t)c.value.size()) << c.what;
    EXPECT_STREQ(c.target.description, c.description) << c.what;
    EXPECT_EQ(c.target.flags, c.flags) << c.what;
    EXPECT_EQ(c.target.mode, 0x08) << c.what;  // a source's zero never clears the target's
    EXPECT_EQ(c.target.type, (int16_t)DICOM_VR_Code('2', ' ')) << c.what;
    Release(c.target);
    Release(c.source);
  }
}
