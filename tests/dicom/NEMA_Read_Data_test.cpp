// The byte source and the primitive readers: byte orders by mode, reads that run past
// a memory block or a file, value buffers whose length exceeds the data, and a file
// read through a window giving the same bytes as one read per request.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "dicom/NEMA_Read_Data.h"
#include "support/test_support.h"

namespace {

const unsigned char one_to_eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};

TEST(Conversion, byte_orders_by_mode)
{
  struct {
    int mode;
    uint16_t v16;
    uint32_t v32;
    uint64_t v64;
  } cases[] = {
      {0x00, 0x0201, 0x04030201, 0x0807060504030201},
      {0x01, 0x0102, 0x01020304, 0x0102030405060708},  // all bytes reversed
      {0x02, 0x0102, 0x03040102, 0x0708050603040102},  // bytes swapped within pairs: 02 01 04 03
      {0x03, 0x0201, 0x02010403, 0x0201040306050807},  // pairs reversed: 03 04 01 02
      {0x08, 0x0201, 0x04030201, 0x0807060504030201},  // the explicit bit changes nothing
  };
  for (const auto &c : cases) {
    EXPECT_EQ(NEMA_Convert_16(c.mode, one_to_eight), c.v16) << c.mode;
    EXPECT_EQ(NEMA_Convert_32(c.mode, one_to_eight), c.v32) << c.mode;
    EXPECT_EQ(NEMA_Convert_64(c.mode, one_to_eight), c.v64) << c.mode;
  }
}

TEST(Readers, typed_reads_from_memory)
{
  NEMA_Source source;
  NEMA_Source_Memory(&source, one_to_eight, 8, "block");
  uint16_t s;
  int32_t l;
  ASSERT_TRUE(NEMA_Read_Short(nullptr, &source, 0x01, 2, &s));
  EXPECT_EQ(s, 0x0102);
  ASSERT_TRUE(NEMA_Read_Long(nullptr, &source, 0x00, 4, &l));
  EXPECT_EQ(l, 0x06050403);
  EXPECT_EQ(source.offset, 6);
  double d;
  EXPECT_FALSE(NEMA_Read_Long(nullptr, &source, 0x00, 8, &l)) << "more bytes than the value holds";
  EXPECT_FALSE(NEMA_Read_Double(nullptr, &source, 0x00, 0, &d)) << "no bytes";
}

TEST(Readers, a_memory_block_is_never_read_past_its_end)
{
  Message_Capture capture(0);
  NEMA_Source source;
  NEMA_Source_Memory(&source, one_to_eight, 8, "block");
  NEMA_Source_Seek(nullptr, &source, 6);
  int32_t l = 77;
  EXPECT_FALSE(NEMA_Read_Long(nullptr, &source, 0, 4, &l));
  EXPECT_EQ(l, 77) << "output untouched";
  EXPECT_EQ(capture.Count(MSG_WARNING, "End of File while reading: (2 /vs/ 4) (block)"), 1);
  NEMA_Source_Seek(nullptr, &source, 100);
  EXPECT_EQ(NEMA_Read_Buffer(nullptr, &source, 0, 1), nullptr);
}

TEST(Readers, buffers_and_strings)
{
  NEMA_Source source;
  NEMA_Source_Memory(&source, "ABCDEF", 6, "block");
  unsigned char *swapped = NEMA_Read_Buffer(nullptr, &source, 0x02, 4);
  ASSERT_NE(swapped, nullptr);
  EXPECT_EQ(std::string((char *)swapped, 4), "BADC");
  std::free(swapped);
  char *text = NEMA_Read_String(nullptr, &source, 0, 2);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "EF");
  std::free(text);
}

TEST(Readers, a_length_beyond_the_data_allocates_nothing)
{
  Message_Capture capture(0);
  NEMA_Source source;
  NEMA_Source_Memory(&source, "ABCDEF", 6, "block");
  EXPECT_EQ(NEMA_Read_Buffer(nullptr, &source, 0, 0x7FFFFFF0), nullptr);
  EXPECT_EQ(NEMA_Read_String(nullptr, &source, 0, -5), nullptr);
  EXPECT_EQ(source.offset, 0);
}

TEST(Readers, skip)
{
  NEMA_Source source;
  NEMA_Source_Memory(&source, "ABCDEF", 6, "block");
  EXPECT_TRUE(NEMA_Skip(nullptr, &source, -1));
  EXPECT_EQ(source.offset, 0) << "-1 moves nothing";
  EXPECT_TRUE(NEMA_Skip(nullptr, &source, 4));
  EXPECT_EQ(source.offset, 4);
  EXPECT_FALSE(NEMA_Skip(nullptr, &source, -2));
}

TEST(File_Source, a_window_reads_the_same_bytes_as_single_reads)
{
  Scoped_Temp_Env env;
  std::string bytes;
  for (int i = 0; i < 1000; i++) bytes += (char)(i * 7);
  std::string path = env.temp() + "data.bin";
  ASSERT_TRUE(Write_File(path, bytes));
  // A window lent by the caller serves file after file and is never freed by the source.
  unsigned char lent[64];
  const struct {
    int64_t block;
    bool lent;
  } cases[] = {{0, false}, {16, false}, {64, false}, {4096, false}, {64, true}, {64, true}};
  for (const auto &c : cases) {
    int64_t block = c.block;
    int fd = open(path.c_str(), O_RDONLY);
    NEMA_Source source;
    if (c.lent)
      ASSERT_TRUE(NEMA_Source_File_Lent(&source, fd, path.c_str(), lent, sizeof lent));
    else
      ASSERT_TRUE(NEMA_Source_File(&source, fd, path.c_str(), block));
    EXPECT_EQ(source.size, 1000);
    std::string got;
    // Reads of varied sizes with skips between them, some spanning window ends.
    for (int step = 1; NEMA_Source_Remaining(&source) > 0; step = step % 37 + 3) {
      char chunk[64];
      int64_t n = NEMA_Source_Read(&source, chunk, step);
      got.append(chunk, (size_t)n);
      if (step % 5 == 0) {
        NEMA_Skip(nullptr, &source, 3);
        got += bytes.substr(got.size(), 3);
      }
    }
    EXPECT_EQ(got.substr(0, 1000), bytes) << "block " << block << (c.lent ? " lent" : "");
    char c;
    EXPECT_EQ(NEMA_Source_Read(&source, &c, 1), 0) << "end of the file";
    NEMA_Source_Close(&source);
    EXPECT_EQ(source.fd, -1);
  }
}

}  // namespace
