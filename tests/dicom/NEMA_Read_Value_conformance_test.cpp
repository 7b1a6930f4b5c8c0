// Conformance of the value decoders with pydicom on the DICOM files that Debian's
// python3-pydicom ships (written by other software): every number, person name, date
// and time of the files' top level that both readers see with the same VR must decode
// to the same values. tests/dicom/pydicom_values.py writes pydicom's view.
//
// Where the decoders differ on purpose:
// - times are read from the first 10 characters of a TM value, so seconds agree to the
//   millisecond;
// - decoded numbers are float32 (pydicom keeps float64): they agree to 6 digits;
// - dates are checked as old dates: a year outside 1801..2050 is refused, not decoded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/NEMA_Read_Value.h"
#include "support/test_support.h"

static const char TEST_FILES[] = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

namespace {
struct Expected {
  uint32_t tag;
  std::string vr, kind, values;
};
}  // namespace

static std::vector<std::string> Cut(const std::string &text, char separator)
{
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.push_back("");
  return parts;
}

// pydicom's view, by file.
static std::map<std::string, std::vector<Expected>> Pydicom_View(const std::string &output)
{
  int status = -1;
  Run_Command("/usr/bin/python3 " + Source_Dir() + "tests/dicom/pydicom_values.py " + TEST_FILES + " " + output,
              &status);
  EXPECT_EQ(status, 0);
  std::map<std::string, std::vector<Expected>> view;
  std::stringstream lines(Read_File(output));
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields = Cut(line, '\t');
    if (fields.size() != 5) continue;
    view[fields[0]].push_back({(uint32_t)std::stoul(fields[1], nullptr, 16), fields[2], fields[3], fields[4]});
  }
  return view;
}

static std::string Component(const char *text) { return text ? text : ""; }

// Compares one decoded attribute with pydicom's values; "" when they agree, else what differs.
static std::string Compare(DICOM_Attribute *tag, const Expected &want)
{
  std::vector<std::string> values = want.values.empty() ? std::vector<std::string>{} : Cut(want.values, '|');
  std::ostringstream got;
  if (want.kind == "int") {
    int32_t *numbers = DICOM_Value_Int(nullptr, tag, 0);
    for (uint32_t i = 0; numbers && i < tag->vm; i++)
      got << (i ? "|" : "") << (want.vr == "UL" ? (int64_t)(uint32_t)numbers[i] : (int64_t)numbers[i]);
    return got.str() == want.values ? "" : got.str();
  }
  if (want.kind == "float") {
    float *numbers = DICOM_Value_Float(nullptr, tag, 0);
    if (!numbers || tag->vm != values.size()) return "count " + std::to_string(tag->vm);
    for (uint32_t i = 0; i < tag->vm; i++) {
      double expected = std::strtod(values[i].c_str(), nullptr);
      if (std::fabs(numbers[i] - expected) > 1e-6 * std::max(1.0, std::fabs(expected)))
        return "value " + std::to_string(i) + " = " + std::to_string(numbers[i]);
    }
    return "";
  }
  if (want.kind == "name") {
    Ardent_Name *names = DICOM_Value_Name(nullptr, tag, 0);
    for (uint32_t i = 0; names && i < tag->vm; i++)
      got << (i ? "|" : "") << Component(names[i].family) << "^" << Component(names[i].given) << "^"
          << Component(names[i].middle) << "^" << Component(names[i].prefix) << "^" << Component(names[i].suffix);
    return got.str() == want.values ? "" : got.str();
  }
  if (want.values == "-") return "";  // pydicom cannot read it either
  std::vector<std::string> fields = Cut(want.values, '^');
  if (want.kind == "date") {
    Ardent_Date *date = DICOM_Value_Date(nullptr, tag, 0);
    if (!date) return "no date";
    const char *message = Check_Ardent_Date(date, 1);
    int year = std::stoi(fields[0]);
    if (year <= 1800 || year > 2050) return message ? "" : "year outside 1801..2050 accepted";
    got << Ardent_Date_Year(date) << "^" << Ardent_Date_Month(date) << "^" << Ardent_Date_Day(date);
    return got.str() == want.values ? "" : got.str() + (message ? std::string(" ") + message : "");
  }
  Ardent_Time *time = DICOM_Value_Time(nullptr, tag, 0);
  if (!time || Ardent_Time_Resolve(time)) return "no time";
  if (Ardent_Time_Hour(time) != std::stoi(fields[0]) || Ardent_Time_Minute(time) != std::stoi(fields[1]) ||
      std::fabs(Ardent_Time_Second(time) - std::stod(fields[2])) > 0.0011)
    return std::to_string(Ardent_Time_Hour(time)) + ":" + std::to_string(Ardent_Time_Minute(time)) + ":" +
           std::to_string(Ardent_Time_Second(time));
  return "";
}

TEST(DecoderConformance, NumbersNamesDatesAndTimesAgreeWithPydicom)
{
  Scoped_Temp_Env env;
  std::map<std::string, std::vector<Expected>> view = Pydicom_View(env.temp() + "values.txt");
  ASSERT_GT(view.size(), 50u);
  int compared = 0;
  for (auto &[path, expected] : view) {
    DICOM_Sequence_Root root = {};
    DICOM_Attribute *list = DICOMDIR_Scan_Read(path.c_str(), &root);
    for (const Expected &want : expected) {
      DICOM_Attribute *tag = DICOM_Attribute_Get(nullptr, &root, list, (uint16_t)(want.tag >> 16), (uint16_t)want.tag);
      uint16_t vr = DICOM_VR_Code(want.vr[0], want.vr[1]);
      // Elements the header reader does not keep, or sees with another VR, are the
      // header reader's conformance test's business.
      if (!tag || !tag->data || (tag->VR ? tag->VR : (uint16_t)tag->dictionary_VR) != vr) continue;
      compared++;
      std::string difference = Compare(tag, want);
      EXPECT_EQ(difference, "") << path << " (" << std::hex << (want.tag >> 16) << "," << (want.tag & 0xFFFF)
                                << ") " << want.vr << " pydicom: " << want.values;
    }
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  }
  // Most of pydicom's values must have been compared, not passed over.
  EXPECT_GT(compared, 3000);
}
