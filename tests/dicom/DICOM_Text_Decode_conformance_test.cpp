// Conformance of the text decoder with pydicom on the character set test files that
// Debian's python3-pydicom ships (written by other software: Latin, Greek, Cyrillic,
// Arabic, Hebrew, Japanese and Korean code extensions, UTF-8, GB18030, an item with
// its own character set). tests/dicom/pydicom_charset.py reads the stored bytes and the
// (0008,0005) text in force with pydicom, and pydicom's decoding; the decoder must give
// the same text from the same bytes. Our reader is not involved.
//
// The decoder keeps padding and delimiters; pydicom strips the padding of each value
// and the empty trailing groups of a person name, so the decoded text is brought to
// pydicom's form before the comparison.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dicom/DICOM_Text_Decode.h"
#include "dicom/NEMA_Tag_Attribute.h"
#include "support/test_support.h"

static const char CHARSET_FILES[] = "/usr/lib/python3/dist-packages/pydicom/data/charset_files";

namespace {
struct Reference {
  std::string file, tag, vr, charset, value, text;
};
}  // namespace

// The string field `key` of one JSON line written by the script ("" when absent). The
// fields read here hold no escapes: hex, tags, VRs and paths.
static std::string Field(const std::string &line, const std::string &key)
{
  std::string lead = "\"" + key + "\": \"";
  size_t start = line.find(lead);
  if (start == std::string::npos) return "";
  start += lead.size();
  return line.substr(start, line.find('"', start) - start);
}

static std::string From_Hex(const std::string &hex)
{
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
  return bytes;
}

static std::vector<Reference> Pydicom_Decoding()
{
  int status = -1;
  std::string output = Run_Command("/usr/bin/python3 " + Source_Dir() + "tests/dicom/pydicom_charset.py " +
                                       CHARSET_FILES,
                                   &status);
  EXPECT_EQ(status, 0);
  std::vector<Reference> rows;
  std::stringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    rows.push_back({Field(line, "file"), Field(line, "tag"), Field(line, "vr"), From_Hex(Field(line, "charset_hex")),
                    From_Hex(Field(line, "value_hex")), From_Hex(Field(line, "text_hex"))});
  }
  return rows;
}

static uint16_t VR_Code(const std::string &vr) { return DICOM_VR_Code(vr[0], vr[1]); }

static void Strip_Padding(std::string *value)
{
  while (!value->empty() && (value->back() == ' ' || value->back() == '\0')) value->pop_back();
}

// The decoded text in pydicom's form: padding stripped from each value (from the whole
// of a person name), empty trailing groups of a person name dropped.
static std::string Pydicom_Form(std::string text, uint16_t vr)
{
  bool multiple = vr == DICOM_VR_PN || vr == DICOM_VR_LO || vr == DICOM_VR_SH || vr == DICOM_VR_UC;
  if (vr == DICOM_VR_PN) Strip_Padding(&text);
  std::vector<std::string> values;
  std::string value;
  std::stringstream in(text);
  if (!multiple) {
    values.push_back(text);
  } else {
    while (std::getline(in, value, '\\')) values.push_back(value);
    if (!text.empty() && text.back() == '\\') values.push_back("");
  }
  std::string joined;
  for (size_t i = 0; i < values.size(); i++) {
    Strip_Padding(&values[i]);
    while (vr == DICOM_VR_PN && !values[i].empty() && values[i].back() == '=') values[i].pop_back();
    joined += (i ? "\\" : "") + values[i];
  }
  return joined;
}

TEST(TextDecodeConformance, every_text_value_of_the_character_set_files_decodes_as_pydicom_decodes_it)
{
  std::vector<Reference> rows = Pydicom_Decoding();
  ASSERT_GE(rows.size(), 25u);
  std::set<std::string> files, character_sets;
  for (const Reference &row : rows) {
    SCOPED_TRACE(row.file + " " + row.tag + " " + row.vr + " [" + row.charset + "]");
    std::string utf8;
    uint16_t vr = VR_Code(row.vr);
    EXPECT_EQ(DICOM_Text_Decode(row.value.data(), row.value.size(), row.charset.c_str(), vr, &utf8), 1);
    EXPECT_EQ(Pydicom_Form(utf8, vr), row.text);
    files.insert(row.file);
    character_sets.insert(row.charset);
  }
  EXPECT_GE(files.size(), 16u);           // every file with a name or text outside ASCII
  EXPECT_GE(character_sets.size(), 10u);  // and their different character sets
}

TEST(TextDecodeConformance, the_ascii_form_of_every_decoded_name_holds_printable_ascii_only)
{
  for (const Reference &row : Pydicom_Decoding()) {
    std::string utf8;
    DICOM_Text_Decode(row.value.data(), row.value.size(), row.charset.c_str(), VR_Code(row.vr), &utf8);
    std::string ascii = DICOM_Text_To_ASCII(utf8);
    for (char c : ascii) EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << row.file << ": " << ascii;
  }
}
