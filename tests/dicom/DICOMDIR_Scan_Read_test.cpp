// The header reader over hand-built Part 10 files: each transfer syntax, encapsulated
// pixel data, truncated and tiny files, files that cannot be opened, the window giving
// the same list as element-by-element reading (also for headers longer than the window,
// and file after file through the thread's one window), and how little of a large file
// it reads; the early stop after a last tag, which must give the list a whole read of
// the bytes before the stop gives, whatever the nesting, syntax or truncation; and the
// walk keeping a set of tags, which must give that list less the plain top-level
// elements nobody asked for, in every syntax (deflated too), nesting and truncation.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


#include <algorithm>
#include <utility>
#include <vector>

#include "attribute_lists.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_Data.h"
#include "dicom/NEMA_Source_Inflate.h"
#include "dicom_bytes.h"
#include "support/test_support.h"

namespace {

const char *const implicit_le = "1.2.840.10008.1.2";
const char *const explicit_le = "1.2.840.10008.1.2.1";
const char *const explicit_be = "1.2.840.10008.1.2.2";
const char *const jpeg_baseline = "1.2.840.10008.1.2.4.50";

// A small data set with one nested sequence and `pixels` bytes of pixel data, in
// explicit or implicit VR, big or little endian.
std::string Data_Set(bool explicit_VR, bool big, size_t pixels)
{
  Dicom_Bytes d;
  d.big = big;
  auto element = [&](uint16_t g, uint16_t e, const char *VR, const std::string &v) {
    if (explicit_VR) d.Explicit(g, e, VR, v);
    else d.Implicit(g, e, v);
  };
  element(0x0008, 0x0060, "CS", "OT");
  if (explicit_VR) d.Explicit(0x0008, 0x1140, "SQ", "", -1);
  else d.Implicit(0x0008, 0x1140, "", -1);
  d.Item();
  element(0x0008, 0x1150, "UI", Even("1.2.840.10008.5.1.4.1.1.7"));
  d.Item_End().Sequence_End();
  element(0x0010, 0x0010, "PN", "Doe^Jane");
  element(0x0028, 0x0010, "US", big ? std::string("\0\x40", 2) : std::string("\x40\0", 2));
  element(0x7FE0, 0x0010, "OW", std::string(pixels, '\x55'));
  return d.bytes;
}

TEST(Scan_Read, each_transfer_syntax)
{
  Scoped_Temp_Env env;
  const struct {
    const char *syntax;
    bool explicit_VR, big;
    int mode;
  } cases[] = {{implicit_le, false, false, 0x00}, {explicit_le, true, false, 0x08}, {explicit_be, true, true, 0x09}};
  for (const auto &c : cases) {
    std::string path = env.temp() + "file.dcm";
    ASSERT_TRUE(Write_File(path, Part10_File(c.syntax, Data_Set(c.explicit_VR, c.big, 2000))));
    Read_List l(path);
    ASSERT_NE(l.list, nullptr) << c.syntax;
    EXPECT_EQ(l.Text(0x0010, 0x0010), "Doe^Jane") << c.syntax;
    const DICOM_Attribute *rows = l.Get(0x0028, 0x0010);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->mode, c.mode);
    EXPECT_EQ(NEMA_Convert_16(rows->mode, rows->data), 64) << c.syntax;
    EXPECT_EQ(rows->VR, c.explicit_VR ? DICOM_VR_US : 0);
    EXPECT_EQ(l.Get(0x0002, 0x0010)->flags & DICOM_FLAG_TRANSFER, DICOM_FLAG_TRANSFER);
    const DICOM_Attribute *sequence = l.Get(0x0008, 0x1140);
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(Shape(sequence->item[0]), "fffe,e000 0008,1150 fffe,e00d") << c.syntax;
    const DICOM_Attribute *pixels = l.Get(0x7FE0, 0x0010);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->data, nullptr) << "values over 1024 bytes are skipped";
    EXPECT_EQ(pixels->size, 2000);
  }
}

TEST(Scan_Read, encapsulated_fragments_are_walked_item_by_item)
{
  Scoped_Temp_Env env;
  Dicom_Bytes d;
  d.Explicit(0x0028, 0x0010, "US", std::string("\x40\0", 2));
  d.Explicit(0x7FE0, 0x0010, "OB", "", -1).Item(0).Implicit(0xFFFE, 0xE000, std::string(3000, '\xAA'));
  d.Implicit(0xFFFE, 0xE000, "tail").Sequence_End();
  d.Explicit(0xFFFC, 0xFFFC, "OB", "pd");
  std::string path = env.temp() + "jpeg.dcm";
  ASSERT_TRUE(Write_File(path, Part10_File(jpeg_baseline, d.bytes)));
  Read_List l(path);
  const DICOM_Attribute *pixels = l.Get(0x7FE0, 0x0010);
  ASSERT_NE(pixels, nullptr);
  ASSERT_EQ(pixels->count, 3);
  EXPECT_EQ(pixels->item[1]->data, nullptr) << "a fragment over 1024 bytes is skipped";
  EXPECT_EQ(pixels->item[1]->dictionary_VR, DICOM_VR_Ia);
  EXPECT_EQ(std::string((char *)pixels->item[2]->data, 4), "tail");
  EXPECT_NE(l.Get(0xFFFC, 0xFFFC), nullptr) << "reading goes on after the fragments";
}

TEST(Scan_Read, a_file_without_preamble_is_read_from_its_first_byte)
{
  Scoped_Temp_Env env;
  for (bool explicit_VR : {true, false}) {
    std::string path = env.temp() + "bare.dcm";
    ASSERT_TRUE(Write_File(path, Data_Set(explicit_VR, false, 10)));
    Read_List l(path);
    EXPECT_EQ(l.Text(0x0010, 0x0010), "Doe^Jane") << explicit_VR;
    EXPECT_EQ(l.list ? l.list->element_position : -1, 0);
  }
}

TEST(Scan_Read, a_truncated_value_is_cut_and_flagged)
{
  Scoped_Temp_Env env;
  std::string file = Part10_File(explicit_le, Dicom_Bytes().Explicit(0x0010, 0x0010, "PN", "Doe^Jane^Middle^").bytes);
  std::string path = env.temp() + "cut.dcm";
  ASSERT_TRUE(Write_File(path, file.substr(0, file.size() - 6)));
  Read_List l(path);
  const DICOM_Attribute *name = l.Get(0x0010, 0x0010);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->size, 10);
  EXPECT_TRUE(name->flags & DICOM_FLAG_REPAIRED);
  EXPECT_EQ(l.Text(0x0010, 0x0010), "Doe^Jane^M");
}

TEST(Scan_Read, a_length_of_2_31_keeps_the_elements_before_it_and_warns_once)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Dicom_Bytes d;
  d.Explicit(0x0008, 0x0060, "CS", "OT").Explicit(0x0010, 0x0010, "PN", "Doe^Jane");
  std::string data = d.bytes;
  d.Explicit(0x0010, 0x1010, "UT", "", (int32_t)0x80000000).Explicit(0x0020, 0x0010, "SH", "1234");
  std::string path = env.temp() + "huge length\n2026.dcm";
  std::string file = Part10_File(explicit_le, d.bytes);
  ASSERT_TRUE(Write_File(path, file));
  Read_List l(path);
  EXPECT_EQ(l.Text(0x0010, 0x0010), "Doe^Jane");
  EXPECT_EQ(l.Get(0x0010, 0x1010), nullptr);
  EXPECT_EQ(l.Get(0x0020, 0x0010), nullptr) << "the walk ends at the fault";
  ASSERT_EQ(capture.Texts(MSG_WARNING).size(), 1u);
  long long offset = (long long)(file.size() - d.bytes.size() + data.size());
  EXPECT_EQ(capture.Texts(MSG_WARNING)[0], "\xF1\x04" "ERROR:\x02 Tag (0010,1010) at offset " + std::to_string(offset) +
                                               " of " + env.temp() + "huge length\\n2026.dcm: length 80000000 is "
                                               "2^31 bytes or more; reading stops there");
}

TEST(Scan_Read, a_file_of_another_kind_whose_first_bytes_read_as_an_impossible_length_is_passed_over_quietly)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  // A Windows thumbnail cache's first bytes: read from offset 0 they give a length of 2^31 or more.
  std::string thumbs("\x61\xc7\xe8\x9f\x0f\x91\x09\x8e", 8);
  ASSERT_TRUE(Write_File(env.temp() + "thumbs.db", thumbs + std::string(600, '\x11')));
  EXPECT_EQ(Read_List(env.temp() + "thumbs.db").list, nullptr);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty()) << capture.Texts(MSG_WARNING)[0];
}

TEST(Scan_Read, files_without_elements_and_files_that_cannot_be_read)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  ASSERT_TRUE(Write_File(env.temp() + "tiny.dcm", std::string(135, 'x')));
  EXPECT_EQ(Read_List(env.temp() + "tiny.dcm").list, nullptr);
  EXPECT_TRUE(capture.messages.empty()) << "a tiny file is no failure";
  EXPECT_EQ(Read_List(env.temp() + "missing.dcm").list, nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open file"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[ENOENT]"), 1);
  EXPECT_EQ(Read_List(env.temp()).list, nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[EISDIR]"), 1);
  ASSERT_EQ(mkfifo((env.temp() + "fifo").c_str(), 0600), 0);
  EXPECT_EQ(Read_List(env.temp() + "fifo").list, nullptr) << "a FIFO neither blocks nor reads";
}

TEST(Scan_Read, the_window_gives_the_list_of_element_by_element_reading_and_reads_little)
{
  Scoped_Temp_Env env;
  std::string path = env.temp() + "large.dcm";
  ASSERT_TRUE(Write_File(path, Part10_File(explicit_le, Data_Set(true, false, 4 << 20))));
  int64_t unbuffered_bytes = 0, window_bytes = 0;
  Flat_List a, b;  // owners of the two lists
  a.list = Read_Through(path, 0, &unbuffered_bytes);
  b.list = Read_Through(path, 64 * 1024, &window_bytes);
  Read_List c(path);
  std::string why;
  EXPECT_TRUE(Same_List(a.list, b.list, &why)) << why;
  EXPECT_TRUE(Same_List(a.list, c.list, &why)) << why;
  EXPECT_LE(window_bytes, 64 * 1024) << "one window for a header followed by 4 MiB of pixels";
  EXPECT_LT(unbuffered_bytes, 1024);
}

TEST(Scan_Read, headers_longer_than_the_window_and_file_after_file)
{
  Scoped_Temp_Env env;
  Dicom_Bytes long_header;
  long_header.Explicit(0x0008, 0x0060, "CS", "OT");
  for (uint16_t e = 0x1000; e < 0x1040; e++)
    long_header.Explicit(0x0009, e, "LO", std::string(1000, (char)('a' + e % 26)));
  long_header.Explicit(0x0010, 0x0010, "PN", "Doe^Jane");
  const std::string files[] = {
      Part10_File(explicit_le, long_header.bytes),          // 64 KiB of values: past the window
      Part10_File(explicit_le, Data_Set(true, false, 10)),  // a short header after it
      Part10_File(implicit_le, Data_Set(false, false, 10)),
      Part10_File(explicit_le, long_header.bytes),
  };
  for (size_t i = 0; i < std::size(files); i++) {
    std::string path = env.temp() + "file" + std::to_string(i) + ".dcm";
    ASSERT_TRUE(Write_File(path, files[i]));
    int64_t bytes = 0;
    Flat_List single;  // owner of the list read element by element
    single.list = Read_Through(path, 0, &bytes);
    Read_List windowed(path);
    std::string why;
    EXPECT_TRUE(Same_List(single.list, windowed.list, &why)) << "file " << i << ": " << why;
    EXPECT_EQ(windowed.Text(0x0010, 0x0010), "Doe^Jane") << "file " << i;
  }
}

// ---- the early stop after a last tag ----------------------------------------------------

// The top-level elements of a data set, each with its tag, in stream order.
typedef std::vector<std::pair<uint32_t, std::string>> Elements;

// One element in the encoding asked for: explicit or implicit VR, big or little endian.
std::string Element_Bytes(bool explicit_VR, bool big, uint16_t g, uint16_t e, const char *VR, const std::string &v)
{
  Dicom_Bytes d;
  d.big = big;
  if (explicit_VR) d.Explicit(g, e, VR, v);
  else d.Implicit(g, e, v);
  return d.bytes;
}

// A data set whose needed-looking tags sit inside sequences and after them: a sequence
// holding (0020,000D) and a nested sequence, then the patient's name and ID, a private
// element of undefined length with an item, the study UID, rows and pixel data.
// `defined` gives the sequences and items defined lengths instead of delimiters.
Elements Nested_Elements(bool explicit_VR, bool big, bool defined)
{
  auto element = [&](uint16_t g, uint16_t e, const char *VR, const std::string &v) {
    return Element_Bytes(explicit_VR, big, g, e, VR, v);
  };
  auto item = [&](const std::string &content) {
    Dicom_Bytes d;
    d.big = big;
    if (defined) return d.Item((int32_t)content.size()).Raw(content).bytes;
    return d.Item().Raw(content).Item_End().bytes;
  };
  auto sequence = [&](uint16_t g, uint16_t e, const std::string &items) {
    Dicom_Bytes d;
    d.big = big;
    int32_t length = defined ? (int32_t)items.size() : -1;
    if (explicit_VR) d.Explicit(g, e, "SQ", items, length);
    else d.Implicit(g, e, items, length);
    if (!defined) d.Sequence_End();
    return d.bytes;
  };
  // An implicit-VR private element of undefined length: a sequence by its delimiters.
  auto private_sequence = [&](const std::string &items) {
    Dicom_Bytes d;
    d.big = big;
    if (explicit_VR) d.Explicit(0x0009, 0x1010, "UN", items, -1);
    else d.Implicit(0x0009, 0x1010, items, -1);
    return d.Sequence_End().bytes;
  };
  std::string inner = sequence(0x0040, 0xA730, item(element(0x0040, 0xA160, "UT", "text")));
  std::string outer_item = item(element(0x0008, 0x1150, "UI", Even("1.2.840.10008.5.1.4.1.1.7")) +
                                element(0x0020, 0x000D, "UI", Even("9.9.9")) + inner);
  std::string pixels(600, '\x55');
  return {
      {0x00080060, element(0x0008, 0x0060, "CS", "OT")},
      {0x00081140, sequence(0x0008, 0x1140, outer_item + item(element(0x0010, 0x0020, "LO", "inside")))},
      {0x00090010, element(0x0009, 0x0010, "LO", "MAKER ")},
      {0x00091010, private_sequence(item(element(0x0009, 0x1011, "LO", "deep")))},
      {0x00100010, element(0x0010, 0x0010, "PN", "Doe^Jane")},
      {0x00100020, element(0x0010, 0x0020, "LO", "ID-7")},
      {0x0020000D, element(0x0020, 0x000D, "UI", Even("1.2.3"))},
      {0x00280010, element(0x0028, 0x0010, "US", big ? std::string("\0\x40", 2) : std::string("\x40\0", 2))},
      {0x7FE00010, element(0x7FE0, 0x0010, "OW", pixels)},
  };
}

// The data set after the preamble and "DICM": the meta group naming `syntax`, then the
// elements; `prefix` receives the bytes of the elements that a walk stopping past `last`
// reads: up to and including `last`, and on to the top-level study UID if it comes later.
std::string Stream(const char *syntax, const Elements &elements, uint32_t last, std::string *prefix)
{
  std::string meta = Part10_File(syntax, "").substr(132), all = meta;
  *prefix = meta;
  bool stopped = false, study_met = false;
  for (const auto &[tag, bytes] : elements) {
    all += bytes;
    stopped = stopped || (tag > last && study_met);
    study_met = study_met || tag == 0x0020000D;
    if (!stopped) *prefix += bytes;
  }
  return all;
}

// The list read from memory up to `last` (DICOMDIR_SCAN_ALL: everything).
struct Memory_List {
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  Memory_List(const std::string &bytes, uint32_t last)
  {
    NEMA_Source source;
    NEMA_Source_Memory(&source, bytes.data(), (int64_t)bytes.size(), "memory");
    list = DICOMDIR_Scan_Source_Until(&source, &root, last);
    NEMA_Source_Close(&source);  // frees what an inflated data set took
  }
  ~Memory_List() { DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF); }
  std::string Text(uint16_t group, uint16_t element) const
  {
    DICOM_Sequence_Root top{};
    const DICOM_Attribute *r = DICOM_Attribute_Get(nullptr, &top, list, group, element);
    return r && r->data ? std::string((const char *)r->data, (size_t)r->size) : "";
  }
};

const struct Syntax_Case {
  const char *syntax;
  bool explicit_VR, big;
} stop_syntaxes[] = {{implicit_le, false, false}, {explicit_le, true, false}, {explicit_be, true, true}};

// The last tags tried: the one before a sequence, a sequence itself (the stop comes
// after its items), a private group, the last text, rows, and every tag.
const uint32_t stop_lasts[] = {0x00080060, 0x00081140, 0x00091010, 0x00100020, 0x00280010, DICOMDIR_SCAN_ALL};

TEST(Scan_Read_Until, stops_at_the_first_top_level_tag_past_the_last_in_every_syntax_and_nesting)
{
  for (const Syntax_Case &c : stop_syntaxes)
    for (bool defined : {false, true})
      for (uint32_t last : stop_lasts) {
        std::string prefix;
        std::string all = Stream(c.syntax, Nested_Elements(c.explicit_VR, c.big, defined), last, &prefix);
        Memory_List stopped(all, last), whole_prefix(prefix, DICOMDIR_SCAN_ALL);
        std::string why;
        EXPECT_TRUE(Same_List(stopped.list, whole_prefix.list, &why))
            << c.syntax << (defined ? " defined" : " delimited") << " last " << std::hex << last << ": " << why;
        if (last >= 0x00100020) {
          EXPECT_EQ(stopped.Text(0x0010, 0x0020), "ID-7") << c.syntax;
        }
        EXPECT_EQ(stopped.Text(0x0020, 0x000D), Even("1.2.3"))
            << "the walk reads on to the top-level study UID, whatever the last tag";
      }
}

TEST(Scan_Read_Until, a_truncated_file_gives_what_a_whole_read_of_the_same_bytes_gives_up_to_the_stop)
{
  const uint32_t last = 0x00100020;
  for (const Syntax_Case &c : stop_syntaxes)
    for (bool defined : {false, true}) {
      std::string prefix;
      std::string all = Stream(c.syntax, Nested_Elements(c.explicit_VR, c.big, defined), last, &prefix);
      Message_Capture quiet;  // cut values and headers are repaired or end the walk
      for (size_t cut = 0; cut <= all.size(); cut += 5) {
        std::string bytes = all.substr(0, cut);
        Memory_List stopped(bytes, last), whole(bytes.substr(0, std::min(cut, prefix.size())), DICOMDIR_SCAN_ALL);
        std::string why;
        EXPECT_TRUE(Same_List(stopped.list, whole.list, &why)) << c.syntax << " cut at " << cut << ": " << why;
      }
    }
}

TEST(Scan_Read_Until, a_file_read_up_to_a_tag_never_reads_what_follows_it)
{
  Scoped_Temp_Env env;
  Dicom_Bytes d;
  d.Explicit(0x0010, 0x0010, "PN", "Doe^Jane").Explicit(0x0020, 0x000D, "UI", Even("1.2.3"));
  d.Explicit(0x7FE0, 0x0010, "OW", std::string(100000, '\x55'));
  d.Explicit(0xFFFA, 0xFFFA, "SQ", "", 0);  // past the pixels: a whole read goes there
  std::string path = env.temp() + "large.dcm";
  ASSERT_TRUE(Write_File(path, Part10_File(explicit_le, d.bytes)));
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = DICOMDIR_Scan_Read_Until(path.c_str(), &root, DICOMDIR_Scan_Tag(0x0020, 0x0013));
  DICOM_Sequence_Root top{};
  EXPECT_NE(DICOM_Attribute_Get(nullptr, &top, list, 0x0010, 0x0010), nullptr);
  EXPECT_EQ(DICOM_Attribute_Get(nullptr, &top, list, 0x7FE0, 0x0010), nullptr);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);

  // Through a file source of one small block: only the bytes up to the pixel data's header.
  int fd = open(path.c_str(), O_RDONLY);
  NEMA_Source source;
  ASSERT_TRUE(NEMA_Source_File(&source, fd, path.c_str(), 0));
  ASSERT_TRUE(NEMA_Source_Seek(nullptr, &source, 132));
  list = DICOMDIR_Scan_Source_Until(&source, &root, DICOMDIR_Scan_Tag(0x0020, 0x0013));
  EXPECT_LT(source.file_bytes_read, 512);
  NEMA_Source_Close(&source);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
}

TEST(Scan_Read_Until, a_file_without_a_study_uid_before_the_last_tag_is_read_on_until_it_comes)
{
  // Out of order: the study UID after the pixel data, as no file should have it.
  Dicom_Bytes d;
  d.Explicit(0x0010, 0x0010, "PN", "Doe^Jane").Explicit(0x7FE0, 0x0010, "OW", std::string(2000, '\x55'));
  std::string late = d.bytes, missing = d.bytes;
  Dicom_Bytes study;
  study.Explicit(0x0020, 0x000D, "UI", Even("1.2.3"));
  late += study.bytes;
  for (const std::string *bytes : {&late, &missing}) {
    std::string file = Part10_File(explicit_le, *bytes).substr(132);
    Memory_List stopped(file, DICOMDIR_Scan_Tag(0x0020, 0x0013)), whole(file, DICOMDIR_SCAN_ALL);
    std::string why;
    EXPECT_TRUE(Same_List(stopped.list, whole.list, &why)) << why;
  }
  EXPECT_EQ(Memory_List(Part10_File(explicit_le, late).substr(132), DICOMDIR_Scan_Tag(0x0020, 0x0013)).Text(0x0020, 0x000D),
            Even("1.2.3"));
}

// ---- the walk that keeps the tags asked for -----------------------------------------------

// Nested_Elements with what a walk keeping some tags treats apart: the character set, a
// private element of the creator's block (LO when explicit, of unknown VR when implicit,
// which nesting may read as a sequence) and a plain element of the standard.
Elements Tagged_Elements(bool explicit_VR, bool big, bool defined)
{
  auto element = [&](uint16_t g, uint16_t e, const char *VR, const std::string &v) {
    return std::make_pair(DICOMDIR_Scan_Tag(g, e), Element_Bytes(explicit_VR, big, g, e, VR, v));
  };
  Elements elements = Nested_Elements(explicit_VR, big, defined);
  elements.push_back(element(0x0008, 0x0005, "CS", "ISO_IR 100"));
  elements.push_back(element(0x0009, 0x1020, "LO", "plain "));
  elements.push_back(element(0x0018, 0x0050, "DS", "1.5 "));
  std::stable_sort(elements.begin(), elements.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  return elements;
}

// The stream after "DICM" for `c`: the meta group, then the elements (deflated for the
// deflated syntax, whose data set is explicit little endian).
std::string Tagged_Stream(const Syntax_Case &c, bool deflated, bool defined)
{
  std::string data;
  for (const auto &element : Tagged_Elements(c.explicit_VR, c.big, defined)) data += element.second;
  if (deflated) return Part10_File(NEMA_DEFLATED_SYNTAX_UID, Raw_Deflate(data)).substr(132);
  return Part10_File(c.syntax, data).substr(132);
}

// The list read from memory keeping the tags `needed` (ascending).
struct Tags_List {
  DICOM_Sequence_Root root{};
  DICOM_Attribute *list = nullptr;
  Tags_List(const std::string &bytes, const std::vector<uint32_t> &needed)
  {
    NEMA_Source source;
    NEMA_Source_Memory(&source, bytes.data(), (int64_t)bytes.size(), "memory");
    list = DICOMDIR_Scan_Source_Tags(&source, &root, needed.data(), (int)needed.size());
    NEMA_Source_Close(&source);
  }
  ~Tags_List() { DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF); }
};

// Whether a walk keeping `needed` makes no record for the top-level `r` of a full list:
// an element nobody asked for, of a known VR and a defined length: a plain one, or a
// sequence whose length the file holds whole.
bool Passed_Over_Expected(const DICOM_Attribute *r, const std::vector<uint32_t> &needed)
{
  uint32_t tag = DICOMDIR_Scan_Tag(r->group, r->element);
  uint16_t VR = r->VR ? r->VR : (uint16_t)r->dictionary_VR;
  bool creator = (r->group & 1) && r->element >= 0x0010 && r->element <= 0x00FF;
  bool whole = VR == DICOM_VR_SQ ? !(r->flags & DICOM_FLAG_REPAIRED) : !r->count;
  return !std::binary_search(needed.begin(), needed.end(), tag) && r->group != 0x0002 && tag != 0x00080005 &&
         !creator && r->group != 0xFFFE && r->size >= 0 && whole && !(r->flags & DICOM_FLAG_VR_UNKNOWN);
}

// Unlinks and frees the top-level records of `*list` that a walk keeping `needed` passes over.
void Drop_Passed_Over(DICOM_Attribute **list, const std::vector<uint32_t> &needed)
{
  DICOM_Attribute *kept = nullptr, *last = nullptr;
  for (DICOM_Attribute *r = *list, *next; r; r = next) {
    next = r->next;
    r->next = r->last = nullptr;
    if (Passed_Over_Expected(r, needed)) {
      DICOM_Attribute_Free(nullptr, r);
      continue;
    }
    if (last) last->next = r;
    else kept = r;
    last = r;
  }
  if (kept) kept->last = last;
  *list = kept;
}

// The sets of tags tried: after the sequences, one only inside a sequence, the first
// element and rows, and a private element with the character set.
const std::vector<uint32_t> needed_sets[] = {
    {0x00100010, 0x0020000D},
    {0x00081150, 0x00100020},
    {0x00080060, 0x00280010},
    {0x00080005, 0x00091020, 0x00100010},
};

TEST(Scan_Read_Tags, gives_the_records_of_a_read_up_to_the_last_tag_less_the_plain_ones_not_asked_for)
{
  for (const Syntax_Case &c : stop_syntaxes)
    for (bool deflated : {false, true}) {
      if (deflated && !(c.explicit_VR && !c.big)) continue;  // a deflated data set is explicit little endian
      for (bool defined : {false, true})
        for (const std::vector<uint32_t> &needed : needed_sets) {
          std::string label = std::string(deflated ? "deflated" : c.syntax) + (defined ? " defined" : " delimited") +
                              " needing " + std::to_string(needed.size()) + " tags, from " + std::to_string(needed[0]);
          std::string bytes = Tagged_Stream(c, deflated, defined);
          Tags_List kept(bytes, needed);
          Memory_List until(bytes, needed.back());
          Drop_Passed_Over(&until.list, needed);
          std::string why;
          EXPECT_TRUE(Same_List(kept.list, until.list, &why)) << label << ": " << why;
          DICOM_Sequence_Root top{};
          bool asked_for_first = needed[0] == 0x00080060;
          EXPECT_EQ(DICOM_Attribute_Get(nullptr, &top, kept.list, 0x0008, 0x0060) != nullptr, asked_for_first) << label;
          EXPECT_EQ(DICOM_Attribute_Get(nullptr, &top, kept.list, 0x0008, 0x1140) != nullptr, !defined)
              << label << ": a sequence of undefined length keeps its record and its items, one of defined length "
                          "is passed over whole";
          EXPECT_EQ(DICOM_Attribute_Get(nullptr, &top, kept.list, 0x0018, 0x0050), nullptr) << label;
          EXPECT_EQ(DICOM_Attribute_Get(nullptr, &top, kept.list, 0x0009, 0x1020) != nullptr,
                    std::binary_search(needed.begin(), needed.end(), 0x00091020u) || !c.explicit_VR)
              << label << ": an element of unknown VR keeps its record";
        }
    }
}

TEST(Scan_Read_Tags, a_truncated_file_gives_the_records_of_a_read_up_to_the_last_tag_of_the_same_bytes)
{
  const std::vector<uint32_t> needed = {0x00100010, 0x00100020};
  for (const Syntax_Case &c : stop_syntaxes)
    for (bool defined : {false, true}) {
      std::string all = Tagged_Stream(c, false, defined);
      Message_Capture quiet(0);
      for (size_t cut = 0; cut <= all.size(); cut += 3) {
        std::string bytes = all.substr(0, cut);
        Tags_List kept(bytes, needed);
        Memory_List until(bytes, needed.back());
        Drop_Passed_Over(&until.list, needed);
        std::string why;
        EXPECT_TRUE(Same_List(kept.list, until.list, &why)) << c.syntax << " cut at " << cut << ": " << why;
      }
      std::vector<std::string> warnings_kept, warnings_until;
      for (size_t cut : {all.size() - 3, all.size() / 2}) {
        std::string bytes = all.substr(0, cut);
        quiet.Clear();
        Tags_List kept(bytes, {0x7FE00010});
        warnings_kept = quiet.Texts(MSG_WARNING);
        quiet.Clear();
        Memory_List until(bytes, 0x7FE00010);
        warnings_until = quiet.Texts(MSG_WARNING);
        EXPECT_EQ(warnings_kept, warnings_until) << c.syntax << " cut at " << cut << ": the same warnings";
      }
    }
}

TEST(Scan_Read_Tags, an_element_passed_over_that_an_item_follows_at_the_top_level_is_read_again_with_its_record)
{
  // A stray item after (0018,0050): the nesting reads what comes before an item as
  // its sequence, so the element must be there as in a whole read.
  for (bool explicit_VR : {true, false}) {
    Dicom_Bytes d;
    if (explicit_VR) d.Explicit(0x0018, 0x0050, "DS", "1.5 ");
    else d.Implicit(0x0018, 0x0050, "1.5 ");
    d.Item(-1);
    if (explicit_VR) d.Explicit(0x0018, 0x0060, "DS", "80");
    else d.Implicit(0x0018, 0x0060, "80");
    d.Item_End();
    if (explicit_VR) d.Explicit(0x0020, 0x000D, "UI", Even("1.2.3"));
    else d.Implicit(0x0020, 0x000D, Even("1.2.3"));
    std::string bytes = Part10_File(explicit_VR ? explicit_le : implicit_le, d.bytes).substr(132);
    Tags_List kept(bytes, {0x0020000D});
    Memory_List until(bytes, 0x0020000D);
    std::string why;
    EXPECT_TRUE(Same_List(kept.list, until.list, &why)) << explicit_VR << ": " << why;
    EXPECT_NE(Shape(until.list).find("0018,0050"), std::string::npos);
  }
}

}  // namespace
