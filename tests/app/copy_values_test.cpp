// The naming values of a file to be copied: the first value of each attribute, trimmed
// and made absolute; a header read that stops after Instance Number, so a fault in the
// pixel data or the tail neither changes the values nor shows a message; a file read
// through the caller's descriptor; and a file that cannot be read.
#include "app/copy_values.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "app/dicom_file_writer.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "support/test_support.h"

namespace {

const std::vector<Part10_Element> NAMED = {
    {0x0008, 0x103E, "LO", "  AXIAL 5mm "},  // Series Description, blanks around it
    {0x0010, 0x0010, "PN", "Doe^John"},      // Patient's Name
    {0x0010, 0x0020, "LO", "P1"},            // Patient ID
    {0x0020, 0x0010, "SH", "S7"},            // Study ID
    {0x0020, 0x0011, "IS", "-3"},            // Series Number, negative
    {0x0020, 0x0012, "IS", "2"},             // Acquisition Number
    {0x0020, 0x0013, "IS", "12\\13"},        // Instance Number, two values
    {0x0028, 0x0010, "US", std::string("\x10\x00", 2)},  // Rows: the first element past them
};

// The file's bytes with the pixel data's length set to 2^31, which a reader that goes
// that far reports as a fault (the pixel data comes after Rows).
std::string Pixel_Length_Damaged(std::string bytes)
{
  const std::string pixel_tag("\xE0\x7F\x10\x00OW\0\0", 8);
  size_t at = bytes.rfind(pixel_tag);
  if (at == std::string::npos) return "";
  bytes.replace(at + pixel_tag.size(), 4, std::string("\0\0\0\x80", 4));
  return bytes;
}

class Copy_Values_Test : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  std::string path = env.root() + "image.dcm";
};

TEST_F(Copy_Values_Test, each_value_is_the_first_value_trimmed_and_numbers_are_absolute)
{
  ASSERT_TRUE(Write_File(path, Part10_Bytes(NAMED, "1.2.3.9.1")));
  Copy_Values values;
  ASSERT_EQ(Copy_Values_Read(path.c_str(), &values), 1);
  EXPECT_EQ(values.study_id, "S7");
  EXPECT_EQ(values.patient_id, "P1");
  EXPECT_NE(values.patient_name.find("Doe"), std::string::npos) << values.patient_name;
  EXPECT_EQ(values.series_number, 3);
  EXPECT_EQ(values.series_desc, "AXIAL 5mm");
  EXPECT_EQ(values.acquisition_number, 2);
  EXPECT_EQ(values.image_number, 12);
}

TEST_F(Copy_Values_Test, a_file_read_through_its_open_descriptor_gives_the_same_values_and_stays_open)
{
  ASSERT_TRUE(Write_File(path, Part10_Bytes(NAMED, "1.2.3.9.1")));
  Copy_Open_Source open_source;
  open_source.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(open_source.fd, 0);
  open_source.size = lseek(open_source.fd, 0, SEEK_END);
  for (int pass = 0; pass < 2; pass++) {  // the second read needs the descriptor the first one used
    Copy_Values values;
    ASSERT_EQ(Copy_Values_Read(path.c_str(), &values, &open_source), 1) << "pass " << pass;
    EXPECT_EQ(values.patient_id, "P1");
    EXPECT_EQ(values.image_number, 12);
  }
  EXPECT_EQ(close(open_source.fd), 0) << "the reader leaves the caller's descriptor open";
}

TEST_F(Copy_Values_Test, a_fault_past_instance_number_neither_changes_the_values_nor_shows_a_message)
{
  const std::string whole = Part10_Bytes(NAMED, "1.2.3.9.2");
  ASSERT_TRUE(Write_File(path, whole));
  Copy_Values sound;
  ASSERT_EQ(Copy_Values_Read(path.c_str(), &sound), 1);

  const std::string damaged = Pixel_Length_Damaged(whole);
  ASSERT_FALSE(damaged.empty());
  ASSERT_TRUE(Write_File(path, damaged));
  {
    // The fault is real: a reader that walks the whole file reports it.
    Message_Capture full{0};
    DICOM_Sequence_Root root = {};
    DICOM_Attribute *list = DICOMDIR_Scan_Read(path.c_str(), &root);
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
    ASSERT_FALSE(full.Texts().empty());
  }
  Message_Capture capture{0};
  Copy_Values values;
  ASSERT_EQ(Copy_Values_Read(path.c_str(), &values), 1);
  EXPECT_EQ(capture.Texts(), std::vector<std::string>{});
  EXPECT_EQ(values.study_id, sound.study_id);
  EXPECT_EQ(values.patient_name, sound.patient_name);
  EXPECT_EQ(values.patient_id, sound.patient_id);
  EXPECT_EQ(values.series_number, sound.series_number);
  EXPECT_EQ(values.series_desc, sound.series_desc);
  EXPECT_EQ(values.acquisition_number, sound.acquisition_number);
  EXPECT_EQ(values.image_number, sound.image_number);
}

TEST_F(Copy_Values_Test, a_file_that_cannot_be_opened_gives_0_and_leaves_the_values_untouched)
{
  Message_Capture capture{0};
  Copy_Values values;
  values.study_id = "kept";
  EXPECT_EQ(Copy_Values_Read((env.root() + "missing.dcm").c_str(), &values), 0);
  EXPECT_EQ(values.study_id, "kept");
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open file"), 1);
}

}  // namespace
