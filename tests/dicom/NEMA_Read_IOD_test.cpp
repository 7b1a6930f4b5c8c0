// The module folder: stored with its separator, refused when absent, unchanged by a refusal.
#include "dicom/NEMA_Read_IOD.h"

#include <gtest/gtest.h>

namespace {

TEST(Module_Folder, a_folder_is_stored_ending_with_its_separator_and_an_empty_one_changes_nothing)
{
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, "/opt/harrowdesk/DICOM Tables"), 1);
  EXPECT_EQ(DICOM_Module_Dir(), "/opt/harrowdesk/DICOM Tables/");
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, "/srv/tables/"), 1);
  EXPECT_EQ(DICOM_Module_Dir(), "/srv/tables/");
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, ""), 0);
  EXPECT_EQ(DICOM_Module_Dir_Set(nullptr, nullptr), 0);
  EXPECT_EQ(DICOM_Module_Dir(), "/srv/tables/");
}

}  // namespace
