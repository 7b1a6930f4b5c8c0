// The header pass with its read-ahead helpers makes exactly the catalogue that filing
// the files one by one in walk order makes, and stops when cancelled.
#include "app/header_pass.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/dicom_dir_analyze.h"
#include "app/dicom_dir_work.h"
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
