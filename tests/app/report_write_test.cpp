// The reports byte for byte on a small catalogue: default and custom templates, the
// study layouts of flag_print, listed rows only, group lines, escaping, report names and
// paths, and the failures to create the files; and the CSV cells of real files whose
// header values and names look like spreadsheet formulas or hold control bytes.
#include "app/report_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "app/configuration.h"
#include "app/dicom_file_writer.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "app/report_template.h"
#include "catalogue_fixture.h"
#include "support/test_support.h"

namespace {

// The stored form of a report text: every line feed as CR LF.
std::string Crlf(const std::string &text)
{
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// Two studies of one date: A (two images, folders CT and MR) and B (one image).
struct Report_Fixture {
  Catalogue_Fixture fixture{{{"A", "S1", "P1", "DOE^JOHN", "20240131", {2}},
                             {"B", "S2", "P2", "O'BRIEN^ANN", "20240131", {1}}}};
  List_Tree *root = nullptr;
  List_Rows rows{};

  Report_Fixture()
  {
    item_study *a = fixture.Study("A"), *b = fixture.Study("B");
    std::strcpy(a->folder[0], "CT");
    std::strcpy(a->folder[1], "MR");
    std::strcpy(b->folder[0], "CT");
    Names(a->first_file, a->last_file, "A_1_1", "A_1_2");
    Names(a->child[0].first_file, a->child[0].last_file, "A_1_1", "A_1_2");
    Names(b->first_file, b->last_file, "B_1_1", "B_1_1");
    Names(b->child[0].first_file, b->child[0].last_file, "B_1_1", "B_1_1");
    a->DICOM_Info = Catalogue_Fixture::Info_New({"S1", "31 Jan 2024", "Doe, John", "P1", "CT"});
    b->DICOM_Info = Catalogue_Fixture::Info_New({"S2", "31 Jan 2024", "O'Brien, Ann", "P2", "CT"});
    a->child[0].DICOM_Info = Catalogue_Fixture::Info_New({0, 0, 0, 0, 0, "1", "Chest"});
    b->child[0].DICOM_Info = Catalogue_Fixture::Info_New({0, 0, 0, 0, 0, "1"});
    a->child[0].child[0]->DICOM_Info = Catalogue_Fixture::Info_New({0, 0, 0, 0, 0, 0, 0, "1"});
    a->child[0].child[1]->DICOM_Info = Catalogue_Fixture::Info_New({0, 0, 0, 0, 0, 0, 0, "2"});
    b->child[0].child[0]->DICOM_Info = Catalogue_Fixture::Info_New({0, 0, 0, 0, 0, 0, 0, "1"});
    List_Rows_Init(rows);
  }
  ~Report_Fixture()
  {
    List_Rows_Free(rows);
    List_Tree_Free(root);
    flag_print = 6;
  }
  static void Names(char *first, char *last, const char *a, const char *b)
  {
    std::strcpy(first, a);
    std::strcpy(last, b);
  }
  // Builds the tree of `order` and opens it to `level`.
  void View(int order, int level)
  {
    List_Tree_Free(root);
    root = fixture.Tree_Of(order);
    List_Rows_Init(rows);
    List_Rows_Build(rows, root);
    for (int l = 1; l < level; l++) {
      List_Rows_Level_Change(rows, +1);
      List_Rows_Build(rows, root);
    }
  }
};

const char *const rtf_head =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl\\f0\\fswiss Arial;}\n"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green100\\blue0;}\n"
    "\\par{\\b scans}\n";

TEST(ReportWrite, DateOrderWithDefaultTemplatesByteForByte)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);  // no template files: the defaults
  Report_Fixture report;
  report.View(SORT_STUDY_DATE, 4);
  ASSERT_EQ(report.rows.nb_row, 9);
  flag_print = 6;
  capture.Clear();
  ASSERT_EQ(Report_Write(report.rows, SORT_STUDY_DATE, "/data/scans/", nullptr), 1);
  std::string rtf_path = env.temp() + "Dir_Date_scans.rtf";
  EXPECT_EQ(capture.Texts(MSG_REPORT), std::vector<std::string>{"     in " + rtf_path});

  EXPECT_EQ(Read_File(rtf_path),
            Crlf(std::string(rtf_head) +
                 "\\par\n"
                 "\\par\n\t{\\cf3 date: \\cf1\\b 31 Jan 2024}\t{\\cf3(2 studies)}\\par\n"
                 "        {\\cf3 patient: \\cf1\\b Doe, John}, \t{\\cf3 study:} {\\cf1\\b S1}\t{\\cf2\\b CT\tMR}\\par\n"
                 "\t\t\tseries: {\\b 1}\t(2 images)\\par\n"
                 "\t\t\t\timage: {\\b 1}\t(file /scan/A_1_1.dcm)\\par\n"
                 "\t\t\t\timage: {\\b 2}\t(file /scan/A_1_2.dcm)\\par\n"
                 "        {\\cf3 patient: \\cf1\\b O'Brien, Ann}, \t{\\cf3 study:} {\\cf1\\b S2}\t{\\cf2\\b CT}\\par\n"
                 "\t\t\tseries: {\\b 1}\t(1 images)\\par\n"
                 "\t\t\t\timage: {\\b 1}\t(file /scan/B_1_1.dcm)\\par\n"
                 " }"));
  EXPECT_EQ(Read_File(env.temp() + "Dir_Date_scans.csv"),
            Crlf("sep=\t\n"
                 "Study Header\tStudy ID\tStudy Date\tPatient's Name\tPatient ID\tModality\t\t\t\t"
                 "Nb Series\tNb Files\tFrom\tTo\n"
                 "\t=\"(0020,0010)\"\t=\"(0008,0020)\"\t=\"(0010,0010)\"\t=\"(0010,0020)\"\t=\"(0008,0060)\"\t\t\t\t\n"
                 "Series Header\t\t\t\t\t\tSeries Number\tSeries Description\t\t\tNb Files\tFrom\tTo\n"
                 "\t\t\t\t\t\t=\"(0020,0011)\"\t=\"(0008,103E)\"\t\t\t\n"
                 "Image Header\t\t\t\t\t\t\t\tInstance Number\t\t\tFile name\n"
                 "\t\t\t\t\t\t\t\t=\"(0020,0013)\"\t\t\t\n"
                 "Study\tS1\t31 Jan 2024\tDoe, John\tP1\tCT\t\t\t\t(1 series)\t(2 files)\tA_1_1\tA_1_2\n"
                 "Series\t\t\t\t\t\t1\tChest\t\t\t(2 images)\tA_1_1\tA_1_2\n"
                 "Image\t\t\t\t\t\t\t\t1\t\t\t/scan/A_1_1.dcm\n"
                 "Image\t\t\t\t\t\t\t\t2\t\t\t/scan/A_1_2.dcm\n"
                 "Study\tS2\t31 Jan 2024\tO'Brien, Ann\tP2\tCT\t\t\t\t(1 series)\t(1 files)\tB_1_1\n"
                 "Series\t\t\t\t\t\t1\t\t\t\t(1 images)\tB_1_1\n"
                 "Image\t\t\t\t\t\t\t\t1\t\t\t/scan/B_1_1.dcm\n"));
}

TEST(ReportWrite, CustomTemplatesAndClosedStudiesByteForByte)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Study.txt", "names\n(0010,0010)\n  (0009,0010)\n(0000,0000)\n"));
  ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Series.txt", "no columns\n"));
  ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Image.txt", ""));
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  Report_Fixture report;
  Catalogue_Fixture &f = report.fixture;
  for (item_study *study : {f.Study("A"), f.Study("B")}) {
    std::free(study->DICOM_Info[1]);
    study->DICOM_Info[1] = nullptr;
    std::free(study->DICOM_Info[0]);
    study->DICOM_Info[0] = strdup(study == f.Study("A") ? "Doe, John" : "O'Brien, Ann");
  }
  f.Study("A")->DICOM_Info[1] = strdup("private\tvalue");  // a tab inside a cell: written "\t"
  report.View(SORT_STUDY_ID, 1);
  flag_print = 1;  // "per media", study ID valid
  ASSERT_EQ(Report_Write(report.rows, SORT_STUDY_ID, "/data/scans", env.root().c_str()), 1);
  EXPECT_EQ(Read_File(env.root() + "Dir_Study_scans.rtf"),
            Crlf(std::string(rtf_head) +
                 "\\par\n"
                 "\t{\\cf3 study: \\cf1\\b S1}\t{\\cf3 patient: \\cf1\\b Doe, John}, \t{\\cf3 id: \\cf1\\b P1}\\par\n"
                 "\t{\\cf3 study: \\cf1\\b S2}\t{\\cf3 patient: \\cf1\\b O'Brien, Ann}, \t{\\cf3 id: \\cf1\\b P2}\\par\n"
                 " }"));
  EXPECT_EQ(Read_File(env.root() + "Dir_Study_scans.csv"),
            Crlf("sep=\t\n"
                 "Study Header\tPatient's Name\tUnknown tag\t\tNb Series\tNb Files\tFrom\tTo\n"
                 "\t=\"(0010,0010)\"\t=\"(0009,0010)\"\t\t\n"
                 "Study\tDoe, John\tprivate\\tvalue\t\t(1 series)\t(2 files)\tA_1_1\tA_1_2\n"
                 "Study\tO'Brien, Ann\t\t\t(1 series)\t(1 files)\tB_1_1\n"));
}

struct Line_Case {
  const char *name;
  int order, level, print;
  const char *line;  // one RTF line that the report must hold
};

TEST(ReportWrite, RtfLinesOfEveryRowKindAndLayout)
{
  const Line_Case cases[] = {
      {"file row", SORT_FILE, 1, 6, "\n\tfile: /scan/A_1_1.dcm\\par\r\n"},
      {"patient group of the name order", SORT_PATIENT_NAME, 1, 6,
       "\\par\r\n{\\cf1\\b Doe, John}\t{\\cf3id:} {\\cf1\\b P1}\\par\r\n"},
      {"patient group of the patient-ID order", SORT_PATIENT_ID, 1, 6,
       "\\par\r\n{\\cf3patient:} {\\cf1\\b P2}\t{\\cf1\\b O'Brien, Ann}\\par\r\n"},
      {"name order, bits 0x02 and 0x04: no patient piece", SORT_PATIENT_NAME, 2, 6,
       "\n        {\\cf3 study:} {\\cf1\\b S1}\t{\\cf3 31 Jan 2024}\t{\\cf2\\b CT\tMR}\\par\r\n"},
      {"bit 0x02 alone: study and date", SORT_PATIENT_ID, 2, 2,
       "\n        {\\cf3 study:} {\\cf1\\b S1}\t{\\cf3 31 Jan 2024}\t{\\cf2\\b CT\tMR}\\par\r\n"},
      {"bit 0x02 alone in the date order: study and patient", SORT_STUDY_DATE, 2, 2,
       "\n        {\\cf3 study:} {\\cf1\\b S1}\t{\\cf3 patient: \\cf1\\b Doe, John}, \t{\\cf2\\b CT\tMR}\\par\r\n"},
      {"bits 0x01 and 0x04: patient first; no id in the patient-ID order", SORT_PATIENT_ID, 2, 5,
       "\n\t\t{\\cf3 patient: \\cf1\\b Doe, John}, \t{\\cf3 study: \\cf1\\b S1}\t\\par\r\n"},
      {"neither bit: an empty study paragraph", SORT_STUDY_ID, 1, 4, "\n\\par\r\n\\par\r\n\\par\r\n }"},
  };
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  for (const Line_Case &c : cases) {
    SCOPED_TRACE(c.name);
    Report_Fixture report;
    report.View(c.order, c.level);
    flag_print = (unsigned char)c.print;
    ASSERT_EQ(Report_Write(report.rows, c.order, "/data/scans/", nullptr), 1);
    std::string rtf_path, csv_path;
    ASSERT_EQ(Report_Paths(c.order, "scans", env.temp(), &rtf_path, &csv_path), 1);
    std::string rtf = Read_File(rtf_path);
    EXPECT_NE(rtf.find(c.line), std::string::npos) << rtf;
  }
}

TEST(ReportWrite, CatalogueTextsCannotBreakTheRtf)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  Report_Fixture report;
  // RTF markup is escaped; control bytes become visible escapes (their backslash escaped).
  const std::pair<const char *, const char *> values[] = {
      {"{\\b0}", "{\\cf3 study: \\cf1\\b \\{\\\\b0\\}}"},
      {"S1\npar\x1b", "{\\cf3 study: \\cf1\\b S1\\\\npar\\\\x1B}"},
  };
  for (const auto &value : values) {
    item_study *a = report.fixture.Study("A");
    std::free(a->Study_ID);
    a->Study_ID = strdup(value.first);
    report.View(SORT_STUDY_ID, 1);
    flag_print = 1;
    ASSERT_EQ(Report_Write(report.rows, SORT_STUDY_ID, "/data/scans/", nullptr), 1);
    std::string rtf = Read_File(env.temp() + "Dir_Study_scans.rtf");
    EXPECT_NE(rtf.find(value.second), std::string::npos) << rtf;
    for (char c : rtf) EXPECT_TRUE(c == '\r' || c == '\n' || c == '\t' || (unsigned char)c >= 0x20) << (int)c;
  }
}

TEST(ReportWrite, ReportNamesAndPaths)
{
  const std::pair<const char *, std::string> names[] = {
      {"/data/CT 7/", "CT 7"}, {"/data/CT 7", "CT 7"}, {"/data//", "data"}, {"/", "root"},
      {"", ""}, {nullptr, ""}, {"/media/cdrom/", "cdrom"},
  };
  for (const auto &n : names) EXPECT_EQ(Report_Name(n.first), n.second) << (n.first ? n.first : "(null)");
  EXPECT_EQ(Report_Name(("/x/" + std::string(200, 'n') + "/").c_str()), std::string(118, 'n'));

  const char *const stems[SORT_ORDERS] = {"Dir_File_", "Dir_Study_", "Dir_Date_", "Dir_PID_", "Dir_Name_"};
  for (int order = 0; order < SORT_ORDERS; order++) {
    std::string rtf, csv;
    ASSERT_EQ(Report_Paths(order, "x", "/out", &rtf, &csv), 1);
    EXPECT_EQ(rtf, std::string("/out/") + stems[order] + "x.rtf");
    EXPECT_EQ(csv, std::string("/out/") + stems[order] + "x.csv");
  }
  std::string rtf, csv;
  EXPECT_EQ(Report_Paths(5, "x", "/out/", &rtf, &csv), 0);
}

TEST(ReportWrite, FilesThatCannotBeCreated)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  Report_Fixture report;
  report.View(SORT_FILE, 1);
  capture.Clear();
  EXPECT_EQ(Report_Write(report.rows, SORT_FILE, nullptr, nullptr), 0);  // no folder chosen
  EXPECT_TRUE(capture.messages.empty());

  std::string missing = env.root() + "missing/";
  EXPECT_EQ(Report_Write(report.rows, SORT_FILE, "/scans/", missing.c_str()), 0);
  EXPECT_EQ(capture.Texts(MSG_WARNING),
            (std::vector<std::string>{"\xF1\x04WARNING!\x02 Unable to open RTF dir file",
                                      "\t\t [ENOENT] No such file or directory"}));

  capture.Clear();
  ASSERT_EQ(mkdir((env.root() + "Dir_File_scans.csv").c_str(), 0700), 0);
  ASSERT_TRUE(Write_File(env.root() + "Dir_File_scans.rtf", "older report"));
  EXPECT_EQ(Report_Write(report.rows, SORT_FILE, "/scans/", env.root().c_str()), 0);
  EXPECT_EQ(capture.Texts(MSG_WARNING),
            (std::vector<std::string>{"\xF1\x04WARNING!\x02 Unable to open \"csv\" file",
                                      "\t\t [EISDIR] Is a directory"}));
  EXPECT_EQ(Read_File(env.root() + "Dir_File_scans.rtf"), "");

  capture.Clear();
  ASSERT_TRUE(Write_File(env.root() + "victim", "keep"));
  ASSERT_EQ(symlink((env.root() + "victim").c_str(), (env.root() + "Dir_Name_scans.rtf").c_str()), 0);
  EXPECT_EQ(Report_Write(report.rows, SORT_PATIENT_NAME, "/scans/", env.root().c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[ELOOP]"), 1);
  EXPECT_EQ(Read_File(env.root() + "victim"), "keep");

  struct stat info;
  ASSERT_EQ(Report_Write(report.rows, SORT_PATIENT_ID, "/scans/", env.root().c_str()), 1);
  ASSERT_EQ(stat((env.root() + "Dir_PID_scans.csv").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace

// The cells of every line of a CSV report (lines end in CR LF, cells split at tabs).
static std::vector<std::vector<std::string>> Csv_Lines(const std::string &csv)
{
  std::vector<std::vector<std::string>> lines;
  for (size_t start = 0; start < csv.size();) {
    size_t end = csv.find("\r\n", start);
    if (end == std::string::npos) end = csv.size();
    std::vector<std::string> cells;
    std::string line = csv.substr(start, end - start);
    for (size_t cell = 0;;) {
      size_t tab = line.find('\t', cell);
      cells.push_back(line.substr(cell, tab == std::string::npos ? std::string::npos : tab - cell));
      if (tab == std::string::npos) break;
      cell = tab + 1;
    }
    lines.push_back(cells);
    start = end + 2;
  }
  return lines;
}

TEST(ReportWrite, csv_cells_from_hostile_header_values_and_file_names_are_never_formulas_nor_split)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);  // the default columns
  Configuration_Defaults();
  std::string folder = env.root() + "scans/";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  // One study of two images; the study's values and the file names are hostile.
  const std::vector<Part10_Element> study = {{0x0008, 0x0060, "CS", "@SUM(11+1)"},
                                             {0x0010, 0x0020, "LO", "=cmd|' /C calc'!A0"},
                                             {0x0020, 0x0010, "SH", "+SUM(A1)"},
                                             {0x0020, 0x0011, "IS", "-7"}};
  auto with = [&](std::vector<Part10_Element> more) {
    more.insert(more.begin(), study.begin(), study.end());
    return more;
  };
  ASSERT_TRUE(Write_File(folder + "=1+2.dcm",
                         Part10_Bytes(with({{0x0008, 0x103E, "LO", "-2+3"}, {0x0020, 0x0013, "IS", "1"}}), "1.2.3.7.1")));
  ASSERT_TRUE(Write_File(folder + "-5.dcm", Part10_Bytes(with({{0x0008, 0x103E, "LO", "-2+3"}, {0x0020, 0x0013, "IS", "2"}}),
                                                         "1.2.3.7.2")));
  ASSERT_TRUE(Write_File(folder + "\tline\r\nbreak.dcm",
                         Part10_Bytes(with({{0x0008, 0x103E, "LO", "-2+3"}, {0x0020, 0x0013, "IS", "3"}}), "1.2.3.7.3")));

  ASSERT_EQ(Scan_Start(folder.c_str()), 1);
  Scan_Wait();
  ASSERT_EQ(Sort_Start(&Dir_List, List_Tree_Slot(SORT_STUDY_ID), SORT_STUDY_ID), 0);
  Sort_Wait();
  List_Tree *tree = *List_Tree_Slot(SORT_STUDY_ID);
  ASSERT_NE(tree, nullptr);
  List_Rows rows{};
  List_Rows_Init(rows);
  List_Rows_Build(rows, tree);
  for (int level = 1; level < 4; level++) {
    List_Rows_Level_Change(rows, +1);
    List_Rows_Build(rows, tree);
  }
  ASSERT_EQ(Report_Write(rows, SORT_STUDY_ID, folder.c_str(), nullptr), 1);
  List_Rows_Free(rows);
  std::string csv = Read_File(env.temp() + "Dir_Study_scans.csv");
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);

  std::vector<std::vector<std::string>> lines = Csv_Lines(csv);
  ASSERT_EQ(lines.size(), 1u + 6 + 1 + 1 + 3) << csv;  // sep, 3 x 2 header lines, study, series, 3 images
  // The header line's own formula cells stay as they are.
  EXPECT_EQ(lines[2], (std::vector<std::string>{"", "=\"(0020,0010)\"", "=\"(0008,0020)\"", "=\"(0010,0010)\"",
                                                "=\"(0010,0020)\"", "=\"(0008,0060)\"", "", "", "", ""}));
  EXPECT_EQ(lines[7], (std::vector<std::string>{"Study", "'+SUM(A1)", "", "", "'=cmd|' /C calc'!A0", "'@SUM(11+1)", "",
                                                "", "", "(1 series)", "(3 files)", "'\\tline\\r\\nbreak", "'=1+2"}))
      << csv;
  EXPECT_EQ(lines[8], (std::vector<std::string>{"Series", "", "", "", "", "", "-7", "'-2+3", "", "", "(3 images)",
                                                "'\\tline\\r\\nbreak", "'=1+2"}))
      << csv;
  // Image rows end with the file's path, whose control bytes are escaped too.
  EXPECT_EQ(lines[9].back(), folder + "\\tline\\r\\nbreak.dcm");
  EXPECT_EQ(lines[10].back(), folder + "-5.dcm");
  EXPECT_EQ(lines[11].back(), folder + "=1+2.dcm");
  EXPECT_EQ(csv.find('\n'), csv.find("\r\n") + 1) << "no raw line break but the line ends";
}

TEST(ReportWrite, plain_numbers_and_ordinary_texts_keep_their_cells_and_formulas_get_an_apostrophe)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  Report_Fixture report;
  item_study *a = report.fixture.Study("A");
  const std::pair<const char *, const char *> cells[] = {
      {"-12", "-12"},         {"+3.5", "+3.5"},         {"-1.2e-3", "-1.2e-3"}, {"-", "'-"},
      {"-1e", "'-1e"},        {"--1", "'--1"},          {"=\"x\"", "'=\"x\""},   {"@", "'@"},
      {"\t1", "'\\t1"},      {"\r1", "'\\r1"},        {"a=b", "a=b"},         {"1-2", "1-2"},
      {"x\x01y\x7F", "x\\x01y\\x7F"}, {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const auto &cell : cells) {
    std::free(a->DICOM_Info[0]);
    a->DICOM_Info[0] = strdup(cell.first);
    report.View(SORT_STUDY_ID, 1);
    ASSERT_EQ(Report_Write(report.rows, SORT_STUDY_ID, "/data/scans/", nullptr), 1);
    std::vector<std::vector<std::string>> lines = Csv_Lines(Read_File(env.temp() + "Dir_Study_scans.csv"));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[7][1], cell.second) << cell.first;
  }
}

TEST(ReportWrite, a_report_never_writes_into_a_fifo_or_a_file_with_another_name)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  Report_Fixture report;
  report.View(SORT_FILE, 1);
  ASSERT_EQ(mkfifo((env.root() + "Dir_File_scans.rtf").c_str(), 0600), 0);
  EXPECT_EQ(Report_Write(report.rows, SORT_FILE, "/scans/", env.root().c_str()), 0) << "a FIFO neither blocks nor takes it";
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to open RTF dir file"), 1);
  ASSERT_TRUE(Write_File(env.root() + "kept", "another name's bytes"));
  ASSERT_EQ(link((env.root() + "kept").c_str(), (env.root() + "Dir_Study_scans.rtf").c_str()), 0);
  report.View(SORT_STUDY_ID, 1);
  EXPECT_EQ(Report_Write(report.rows, SORT_STUDY_ID, "/scans/", env.root().c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[EMLINK]"), 1);
  EXPECT_EQ(Read_File(env.root() + "kept"), "another name's bytes");
}
