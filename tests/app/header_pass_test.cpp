// The header pass with its read-ahead helpers makes exactly the catalogue that filing
// the files one by one in walk order makes, whole files read, also with a report
// column past the catalogue's own tags and with no helper at all; and stops when
// cancelled.
#include "app/header_pass.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/dicom_dir_analyze.h"
#include "app/dicom_dir_work.h"
#include "app/dicom_file_writer.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";
const char *const SOURCES[] = {"MR_small.dcm", "CT_small.dcm", "MR_small_implicit.dcm", "rtplan.dcm",
                               "MR_small_bigendian.dcm", "rtdose.dcm", "test-SR.dcm", "JPEG2000.dcm"};

// One line per study, series and image of a catalogue, in array order.
std::vector<std::string> Outline(const item_catalogue &catalogue)
{
  std::vector<std::string> lines;
  for (int s = 0; s < catalogue.nb_child; s++) {
    const item_study &study = catalogue.child[s];
    lines.push_back(std::string("study ") + (study.Study_UID ? study.Study_UID : "-") + " files " +
                    std::to_string(study.nb_file) + " " + study.first_file + ".." + study.last_file);
    for (int r = 0; r < study.nb_child; r++) {
      const item_series &series = study.child[r];
      lines.push_back(std::string(" series ") + series.Series_UID);
      for (int i = 0; i < series.nb_child; i++)
        lines.push_back(std::string("  image ") + series.child[i]->path + " " +
                        (series.child[i]->Images_UID ? series.child[i]->Images_UID : "-"));
    }
  }
  return lines;
}

// Files every entry below `record` one by one, in walk order, without helpers.
void File_In_Order(item_catalogue &catalogue, item_dir &record)
{
  for (int d = 0; d < record.nb_dir; d++) File_In_Order(catalogue, record.dir[d]);
  for (int f = 0; f < record.nb_file; f++) {
    DICOM_Sequence_Root root{};
    DICOM_Attribute_Sequence_Reset(nullptr, &root);
    DICOM_Attribute *list = DICOMDIR_Scan_Read(record.file[f].path, &root);
    Catalogue_Add_File(&catalogue, &record.file[f], list, &root);
    DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  }
}

class Pass : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  Message_Capture capture{0};
  std::string top = env.root() + "scan/";
  item_catalogue read_ahead{}, one_by_one{};

  void SetUp() override
  {
    // 200 files over nested folders: the sources under many names, some twice over.
    for (int i = 0; i < 200; i++) {
      std::string folder = top + "p" + std::to_string(i % 4) + "/s" + std::to_string(i % 3) + "/";
      fs::create_directories(folder);
      fs::copy_file(PYDICOM_FILES + SOURCES[i % std::size(SOURCES)], folder + "im" + std::to_string(i));
    }
    Write_File(top + "p1/notes.txt", "not DICOM");
    for (item_catalogue *catalogue : {&read_ahead, &one_by_one}) {
      catalogue->path = strdup(top.c_str());
      catalogue->dir = (item_dir *)std::calloc(1, sizeof(item_dir));
      catalogue->nb_dir = 1;
      DICOM_Dir_Analyze(catalogue->dir, top.c_str(), top.c_str(), nullptr);
    }
  }
  void TearDown() override
  {
    Catalogue_Free(&read_ahead);
    Catalogue_Free(&one_by_one);
  }
};

TEST_F(Pass, ReadingAheadGivesExactlyTheOneByOneCatalogue)
{
  ASSERT_EQ(read_ahead.dir[0].nb_dicom, 201);
  EXPECT_EQ(Header_Pass(&read_ahead, &read_ahead.dir[0], nullptr), 1);
  File_In_Order(one_by_one, one_by_one.dir[0]);
  std::vector<std::string> expected = Outline(one_by_one);
  EXPECT_GT(expected.size(), 200u);
  EXPECT_EQ(Outline(read_ahead), expected);
}

// The image column texts of a catalogue, one line per image.
std::vector<std::string> Image_Columns(const item_catalogue &catalogue, int columns)
{
  std::vector<std::string> lines;
  for (int s = 0; s < catalogue.nb_child; s++)
    for (int r = 0; r < catalogue.child[s].nb_child; r++)
      for (int i = 0; i < catalogue.child[s].child[r].nb_child; i++) {
        const item_file *image = catalogue.child[s].child[r].child[i];
        std::string line = image->path;
        for (int c = 0; c < columns; c++)
          line += std::string(" | ") + (image->DICOM_Info && image->DICOM_Info[c] ? image->DICOM_Info[c] : "-");
        lines.push_back(line);
      }
  return lines;
}

TEST_F(Pass, ReportColumnsPastTheCataloguesOwnTagsAreStillRead)
{
  Catalogue_Template saved = template_image;
  template_image = {3, {0x0020, 0x0028, 0x0028}, {0x0013, 0x0010, 0x0011}};  // rows and columns lie past (0020,0013)
  EXPECT_EQ(Header_Pass(&read_ahead, &read_ahead.dir[0], nullptr), 1);
  File_In_Order(one_by_one, one_by_one.dir[0]);
  std::vector<std::string> expected = Image_Columns(one_by_one, 3);
  template_image = saved;
  EXPECT_EQ(Image_Columns(read_ahead, 3), expected);
  bool rows_seen = false;
  for (const std::string &line : expected) rows_seen = rows_seen || line.find(" | 64 | 64") != std::string::npos;
  EXPECT_TRUE(rows_seen) << "MR_small's 64 x 64 among the columns";
}

TEST_F(Pass, AFileWhoseStudyUidComesOutOfOrderKeepsItsStudy)
{
  // The study UID after (0020,0013), the last tag filing needs: a reader that stops
  // there would miss it.
  std::string tail;
  Part10_Element_Write(tail, {0x0020, 0x000D, "UI", "1.2.3.4.5.6.7.99"});
  std::string path = top + "p0/late-study";
  std::string head = Part10_Bytes({{0x0020, 0x0013, "IS", "7"}}, "1.2.3.4.5.6.7.1", 0);
  size_t study = head.find(std::string("\x20\x00\x0D\x00UI", 6));
  ASSERT_NE(study, std::string::npos);
  size_t length = (unsigned char)head[study + 6] | (unsigned char)head[study + 7] << 8;
  head.erase(study, 8 + length);  // the study UID the writer added in order
  ASSERT_TRUE(Write_File(path, head + tail));
  Catalogue_Free(&read_ahead);
  read_ahead = {};
  read_ahead.path = strdup(top.c_str());
  read_ahead.dir = (item_dir *)std::calloc(1, sizeof(item_dir));
  read_ahead.nb_dir = 1;
  DICOM_Dir_Analyze(read_ahead.dir, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(Header_Pass(&read_ahead, &read_ahead.dir[0], nullptr), 1);
  bool found = false;
  for (const std::string &line : Outline(read_ahead)) found = found || line.find("study 1.2.3.4.5.6.7.99 ") == 0;
  EXPECT_TRUE(found) << "the late study UID was read";
}

TEST_F(Pass, OnOneProcessorTheFilesAreReadWithoutHelpersToTheSameCatalogue)
{
  cpu_set_t all, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; cpu++)
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  int result = Header_Pass(&read_ahead, &read_ahead.dir[0], nullptr);
  sched_setaffinity(0, sizeof all, &all);
  EXPECT_EQ(result, 1);
  File_In_Order(one_by_one, one_by_one.dir[0]);
  EXPECT_EQ(Outline(read_ahead), Outline(one_by_one));
}

// Presses Cancel once the bar has passed the tenth file of a directory.
struct Cancel_At_Ten : Progress_View {
  void Notify(Progress_Record *progress, int message) override
  {
    if (message == WM_PROGRESS_POSITION && progress->position >= 10) progress->cancelled = true;
  }
};

TEST_F(Pass, ACancelledPassStopsAtTheNextFile)
{
  progress_view_factory = [](Progress_Record *, Window_Handle, void *, int) -> Progress_View * {
    return new Cancel_At_Ten;
  };
  Progress_Record *progress = Progress_Create(nullptr, "Sort", "", nullptr, 0);
  progress_view_factory = nullptr;
  EXPECT_EQ(Header_Pass(&read_ahead, &read_ahead.dir[0], progress), 0);
  int filed = 0;
  for (int s = 0; s < read_ahead.nb_child; s++) filed += read_ahead.child[s].nb_file;
  EXPECT_EQ(filed, 11);  // files 0 to 10 of the first directory
  Progress_End(progress);
}

}  // namespace
