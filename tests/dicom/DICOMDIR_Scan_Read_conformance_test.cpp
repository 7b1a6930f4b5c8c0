// The header reader against pydicom on the DICOM test files that Debian's python3-pydicom
// ships (written by many programs): every file is read with DICOMDIR_Scan_Read and its
// top-level tags, VRs and string texts are compared with what pydicom reads (written by
// pydicom_view.py). The files where we differ on purpose are listed with the reason;
// every other file must agree exactly. Each file is also read element by element
// without the window, and must give the same list.
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fnmatch.h>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

#include "attribute_lists.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "support/test_support.h"

namespace {

const char *const test_files = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

struct Py_Element {
  std::string VR;
  bool has_text = false;
  std::string text;
};

struct Py_File {
  std::string error;
  std::vector<uint32_t> order;
  std::map<uint32_t, Py_Element> elements;
};

std::string From_Hex(const std::string &hex)
{
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
  return bytes;
}

// The JSON string starting at `at` (no escapes: paths and hex texts only).
std::string Json_String(const std::string &line, size_t &at)
{
  size_t open = line.find('"', at), close = line.find('"', open + 1);
  at = close + 1;
  return line.substr(open + 1, close - open - 1);
}

// pydicom's view of every file, by path.
std::map<std::string, Py_File> Pydicom_View()
{
  // A file of the process's own: ctest runs the cases of this program as parallel processes.
  std::string output = Binary_Dir() + "test-tmp/pydicom_view-" + std::to_string(getpid()) + ".jsonl";
  int status = -1;
  Run_Command("/usr/bin/python3 " + Source_Dir() + "tests/dicom/pydicom_view.py " + test_files + " " + output,
              &status);
  EXPECT_EQ(status, 0);
  std::map<std::string, Py_File> files;
  std::istringstream lines(Read_File(output));
  std::remove(output.c_str());
  for (std::string line; std::getline(lines, line);) {
    size_t at = 0;
    std::string path = Json_String(line, at);
    size_t comma = line.find(',', at) + 1;
    std::string tag = line.substr(comma, line.find(',', comma) - comma);
    at = line.find(',', comma);
    std::string VR = Json_String(line, at);
    size_t rest = line.find(',', at) + 1;
    bool is_null = line.compare(rest + 1, 4, "null") == 0;
    std::string text = is_null ? "" : From_Hex(Json_String(line, at));
    Py_File &file = files[path];
    if (VR == "error" && tag.find("null") != std::string::npos) {
      file.error = text;
      continue;
    }
    uint32_t number = (uint32_t)std::stoul(tag);
    file.order.push_back(number);
    file.elements[number] = {VR, !is_null, text};
  }
  return files;
}

std::string VR_Text(uint16_t VR) { return VR ? std::string{(char)(VR >> 8), (char)(VR & 0xFF)} : ""; }

std::string Trimmed(const DICOM_Attribute *r)
{
  std::string text((const char *)r->data, (size_t)r->size);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

// The differences between our list and pydicom's view of one file, one line each.
std::vector<std::string> Differences(const DICOM_Attribute *list, const Py_File &py)
{
  std::vector<std::string> found;
  std::set<uint32_t> ours;
  char tag[32];
  for (const DICOM_Attribute *r = list; r; r = r->next) {
    if (r->group == 0xFFFE) continue;
    uint32_t number = (uint32_t)r->group << 16 | r->element;
    std::snprintf(tag, sizeof tag, "(%04x,%04x)", r->group, r->element);
    ours.insert(number);
    auto it = py.elements.find(number);
    if (it == py.elements.end()) {
      found.push_back(std::string("extra ") + tag);
      continue;
    }
    const Py_Element &p = it->second;
    uint16_t VR = r->VR ? r->VR : (uint16_t)r->dictionary_VR;
    if (VR_Text(VR) != p.VR) found.push_back(std::string("VR ") + tag + " " + VR_Text(VR) + " vs " + p.VR);
    if (!p.has_text) continue;
    if (!r->data && r->size > 1024)
      found.push_back(std::string("over 1024 ") + tag);
    else if ((r->data ? Trimmed(r) : "") != p.text)
      found.push_back(std::string("text ") + tag + " '" + (r->data ? Trimmed(r) : "") + "' vs '" + p.text + "'");
  }
  for (uint32_t number : py.order)
    if (!ours.count(number)) {
      std::snprintf(tag, sizeof tag, "(%04x,%04x)", number >> 16, number & 0xFFFF);
      found.push_back(std::string("missing ") + tag);
    }
  return found;
}

// The files where we differ from pydicom on purpose: the differences allowed (shell
// patterns over the lines of Differences) and why.
struct Deliberate {
  const char *file;
  std::vector<const char *> allowed;
  const char *reason;
};

const Deliberate deliberate[] = {
    {"no_meta.dcm", {"missing (0820,0500)"},
     "a stream that starts one byte into its first element: pydicom reads one element of junk, we none"},
    {"MR_small_implicit.dcm", {"VR (0028,010[67]) US vs SS", "VR (7fe0,0010) OB vs OW"},
     "implicit VR: an ambiguous VR is the dictionary's first choice (pydicom resolves it from the pixel module)"},
    {"rtdose.dcm", {"VR (7fe0,0010) OB vs OW"}, "implicit VR: pixel data is the dictionary's OB"},
    {"rtdose_1frame.dcm", {"VR (7fe0,0010) OB vs OW"}, "implicit VR: pixel data is the dictionary's OB"},
    {"SC_rgb_jpeg.dcm", {"VR (7fe0,0010) OB vs OB or OW"}, "implicit VR: pixel data is the dictionary's OB"},
    {"SC_rgb_jpeg_dcmd.dcm", {"VR (7fe0,0010) OB vs OW"}, "implicit VR: pixel data is the dictionary's OB"},
    {"meta_missing_tsyntax.dcm", {"VR (0001,0001)  vs SQ", "VR (7fe0,0010) OB vs OW"},
     "implicit VR: a private sequence keeps no VR (it is nested all the same); pixel data is OB"},
    {"nested_priv_SQ.dcm", {"VR (0001,0001)  vs SQ", "VR (7fe0,0010) OB vs OW"},
     "implicit VR: a private sequence keeps no VR (it is nested all the same); pixel data is OB"},
    {"priv_SQ.dcm", {"VR (3f03,1001)  vs UN"}, "implicit VR: a private sequence keeps no VR (pydicom says UN)"},
    {"rtdose_rle.dcm", {"VR (*) UN vs *"}, "explicit UN is kept as written (pydicom replaces it by the dictionary's VR)"},
    {"rtdose_rle_1frame.dcm", {"VR (*) UN vs *"},
     "explicit UN is kept as written (pydicom replaces it by the dictionary's VR)"},
    {"UN_sequence.dcm", {"VR (4453,100c) UN vs SQ"},
     "explicit UN of undefined length is kept as UN; its items are nested all the same"},
};

const Deliberate *Deliberate_For(const std::string &name)
{
  for (const Deliberate &d : deliberate)
    if (name == d.file) return &d;
  return nullptr;
}

std::string File_Name(const std::string &path) { return path.substr(std::strlen(test_files) + 1); }

TEST(Conformance, every_pydicom_test_file_reads_as_pydicom_reads_it)
{
  std::map<std::string, Py_File> view = Pydicom_View();
  ASSERT_GT(view.size(), 100u);
  int skipped_values = 0;
  for (const auto &[path, py] : view) {
    std::string name = File_Name(path);
    ASSERT_TRUE(py.error.empty()) << name << ": pydicom: " << py.error;
    Read_List l(path);
    const Deliberate *d = Deliberate_For(name);
    int explained = 0;
    for (const std::string &difference : Differences(l.list, py)) {
      if (difference.rfind("over 1024 ", 0) == 0) {
        skipped_values++;  // values over 1024 bytes are never read
        continue;
      }
      bool allowed = false;
      for (const char *pattern : d ? d->allowed : std::vector<const char *>{})
        allowed = allowed || fnmatch(pattern, difference.c_str(), 0) == 0;
      EXPECT_TRUE(allowed) << name << ": " << difference;
      explained += allowed;
    }
    if (d) {
      EXPECT_GT(explained, 0) << name << " is listed (" << d->reason << ") but reads as pydicom reads it";
    }
  }
  std::printf("%zu files compared; %d string values over 1024 bytes not compared\n", view.size(), skipped_values);
}

TEST(Conformance, the_window_reads_every_file_as_element_by_element_reading)
{
  std::map<std::string, Py_File> view = Pydicom_View();
  for (const auto &[path, py] : view) {
    int64_t unbuffered_bytes = 0;
    Flat_List owner;
    owner.list = Read_Through(path, 0, &unbuffered_bytes);
    Read_List windowed(path);
    std::string why;
    EXPECT_TRUE(Same_List(owner.list, windowed.list, &why)) << File_Name(path) << ": " << why;
  }
}

}  // namespace
