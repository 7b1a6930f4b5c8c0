// The settings window on the headless backend, opened from the main window's "Config"
// button: one window at a time; the DICOMDIR choice greying and restoring the four choices it
// overrides, and a window opened with it set greying only the folder choices; the folder
// choices round trip through flag_sub_dir; the flag_print sequence of the "Audit" page; a typed
// fail folder that does not exist, refused creation and still taken with its "/"; typed
// server values; the close box keeping changes unsaved and "Done" saving them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/configuration.h"
#include "app/gui_fixture.h"
#include "app/win_config.h"
#include "app/win_config_page.h"
#include "platform/window/message_box.h"
#include "tools/checklist.h"

namespace {

class Config_Window_Test : public Gui_Test {
protected:
  void SetUp() override
  {
    Configuration_Defaults();
    Gui_Test::SetUp();
  }
  void TearDown() override
  {
    Message_Box_Script(nullptr);
    Gui_Test::TearDown();
    Configuration_Defaults();
  }

  // The main window's "Config" button, at the bottom of the menu pane.
  void Press_Config() { Click(763, 580); }

  // Opens the window on its "Copy" page (the page shown last stays selected for the run).
  void Open()
  {
    Press_Config();
    ASSERT_EQ(Config_Is_Open(), 1);
    Show(CONFIG_PAGE_COPY);
  }

  // A point of the settings window in drawing coordinates (y upwards), as a client point.
  void Config_Point(int x, int y_up, int *cx, int *cy)
  {
    int width = 0, height = 0;
    Window_Get_Client_Size(Config_Window(), &width, &height);
    *cx = x;
    *cy = height - 1 - y_up;
  }

  void Config_Move(int x, int y_up)
  {
    int cx = 0, cy = 0;
    Config_Point(x, y_up, &cx, &cy);
    Window_Input_Mouse_Move(Config_Window(), cx, cy);
    Pump();
  }

  void Config_Click(int x, int y_up)
  {
    int cx = 0, cy = 0;
    Config_Point(x, y_up, &cx, &cy);
    Window_Handle config = Config_Window();
    Window_Input_Mouse_Move(config, cx, cy);
    Window_Input_Mouse_Button(config, 0, 1, cx, cy);
    Window_Input_Mouse_Button(config, 0, 0, cx, cy);
    Pump();
  }

  const Tools_Device &Widget(int page, const char *name)
  {
    const Tools_Device *widget = Config_Widget(page, name);
    EXPECT_NE(widget, nullptr) << name;
    static Tools_Device none;
    return widget ? *widget : none;
  }

  void Click_Centre(int page, const char *name)
  {
    const Tools_Device &w = Widget(page, name);
    Config_Click(w.x + w.width / 2, w.y + w.height / 2);
  }

  void Show(int page) { Click_Centre(page, "tab"); }

  // Clicks choice `index` of the check list after the label `label`.
  void Choose(int page, const char *label, int index)
  {
    const CheckList &list = static_cast<const CheckList &>(Widget(page, label));
    int count = (int)list.List.size();
    Config_Click(list.x + (2 * index + 1) * list.width / (2 * count), list.y + list.height / 2);
  }

  const CheckList &List_Of(int page, const char *label)
  {
    return static_cast<const CheckList &>(Widget(page, label));
  }

  // Types `text` and Enter into the pane after `label`, with the pointer over it, after
  // Backspace has emptied it.
  void Type(int page, const char *label, const std::string &text)
  {
    const Tools_Device &pane = Widget(page, label);
    Config_Move(pane.x + pane.width / 2, pane.y + pane.height / 2);
    for (int i = 0; i < 300; i++) {
      Window_Input_Key(Config_Window(), VK_BACK, 0, 1);
      Window_Input_Key(Config_Window(), VK_BACK, 0, 0);
    }
    for (char c : text) Window_Input_Char(Config_Window(), (unsigned char)c);
    Window_Input_Key(Config_Window(), VK_RETURN, 0, 1);
    Window_Input_Key(Config_Window(), VK_RETURN, 0, 0);
    Pump();
  }

  bool Saved(const char *key)
  {
    struct stat info;
    return stat((env_.app_data() + "ArdentVale/Harrowdesk/" + key).c_str(), &info) == 0;
  }

  Scoped_Temp_Env env_;
};

const char DICOMDIR[] = "Create DICOMDIR compatible names and dir. ?";
const char OVERWRITE[] = "Overwrite existing files ?";
const char RENAME[] = "Rename files with \"ExxxxSyyyIzzzz.dcm\" file names ?";
const char STUDY[] = "study subdir name:";
const char SERIES[] = "series subdir name:";

TEST_F(Config_Window_Test, config_opens_one_window_of_700_by_600_and_a_second_press_opens_none)
{
  Open();
  Window_Handle first = Config_Window();
  EXPECT_STREQ(Window_Get_Title(first), "Harrowdesk Configuration");
  int width = 0, height = 0;
  Window_Get_Client_Size(first, &width, &height);
  EXPECT_EQ(width, 700);
  EXPECT_EQ(height, 600);
  Press_Config();
  EXPECT_EQ(Config_Window(), first);
  EXPECT_EQ(Config_Open(), 0);
}

TEST_F(Config_Window_Test, dicomdir_yes_greys_the_four_choices_it_overrides_and_no_restores_them)
{
  Open();
  Choose(CONFIG_PAGE_COPY, DICOMDIR, 1);
  EXPECT_EQ(flag_dicomdir, 1);
  for (const char *label : {OVERWRITE, RENAME, STUDY, SERIES})
    EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, label).options, CONFIG_LIST_DISABLED) << label;
  Choose(CONFIG_PAGE_COPY, STUDY, 1);  // greyed: the click changes nothing
  EXPECT_EQ(flag_sub_dir, 3);
  Choose(CONFIG_PAGE_COPY, DICOMDIR, 0);
  EXPECT_EQ(flag_dicomdir, 0);
  for (const char *label : {OVERWRITE, RENAME, STUDY, SERIES})
    EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, label).options, CONFIG_LIST_ENABLED) << label;
}

TEST_F(Config_Window_Test, a_window_opened_with_dicomdir_set_greys_only_the_folder_choices)
{
  flag_dicomdir = 1;
  Open();
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, OVERWRITE).options, CONFIG_LIST_ENABLED);
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, RENAME).options, CONFIG_LIST_ENABLED);
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, STUDY).options, CONFIG_LIST_DISABLED);
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, SERIES).options, CONFIG_LIST_DISABLED);
}

TEST_F(Config_Window_Test, patient_name_and_series_description_store_23_and_show_again_on_reopening)
{
  Open();
  Choose(CONFIG_PAGE_COPY, STUDY, 3);
  Choose(CONFIG_PAGE_COPY, SERIES, 2);
  EXPECT_EQ(flag_sub_dir, 23);
  Window_Input_Close(Config_Window());
  Pump();
  ASSERT_EQ(Config_Is_Open(), 0);
  Open();
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, STUDY).selected, 3);
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, SERIES).selected, 2);
  flag_sub_dir = 25;  // every tens digit from 2 up shows "Series Desc."
  Window_Input_Close(Config_Window());
  Pump();
  Open();
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, SERIES).selected, 2);
  EXPECT_EQ(List_Of(CONFIG_PAGE_COPY, STUDY).selected, 5 % 10);
}

TEST_F(Config_Window_Test, the_print_choices_follow_the_flag_print_bits_6_then_5_then_1)
{
  flag_print = 6;
  Open();
  Show(CONFIG_PAGE_AUDIT);
  EXPECT_EQ(Config_Page_Selected(), CONFIG_PAGE_AUDIT);
  EXPECT_EQ(List_Of(CONFIG_PAGE_AUDIT, "print study mode ?").selected, 0);  // "per db"
  EXPECT_EQ(List_Of(CONFIG_PAGE_AUDIT, "is study ID valid ?").selected, 0);  // "no"
  Choose(CONFIG_PAGE_AUDIT, "print study mode ?", 1);
  EXPECT_EQ(flag_print, 5);
  Choose(CONFIG_PAGE_AUDIT, "is study ID valid ?", 1);
  EXPECT_EQ(flag_print, 1);
}

TEST_F(Config_Window_Test, a_typed_fail_folder_that_does_not_exist_is_taken_with_its_slash_when_creation_is_refused)
{
  Open();
  Show(CONFIG_PAGE_PUSH);
  std::string missing = env_.root() + "not/there";
  int boxes = Message_Box_Count();
  Message_Box_Script("no");
  Type(CONFIG_PAGE_PUSH, "Fail directory name", missing);
  EXPECT_EQ(Message_Box_Count(), boxes + 1);
  EXPECT_EQ(dir_fail, missing + "/");
  struct stat info;
  EXPECT_NE(stat(missing.c_str(), &info), 0);
  Message_Box_Script("yes");  // and Yes creates it
  Type(CONFIG_PAGE_PUSH, "Fail directory name", missing);
  EXPECT_EQ(stat(missing.c_str(), &info), 0);
}

TEST_F(Config_Window_Test, typed_server_values_become_the_settings_on_enter)
{
  Open();
  Show(CONFIG_PAGE_PUSH);
  Type(CONFIG_PAGE_PUSH, "Peer name:", "pacs.example");
  EXPECT_EQ(server_peer, "pacs.example");
  Type(CONFIG_PAGE_PUSH, "Port number:", "11112");
  EXPECT_EQ(server_port, "11112");
}

TEST_F(Config_Window_Test, the_close_box_keeps_changes_for_the_run_and_done_saves_them)
{
  Open();
  Choose(CONFIG_PAGE_COPY, "Delete files once they are copied ?", 1);
  Window_Input_Close(Config_Window());
  Pump();
  EXPECT_EQ(Config_Is_Open(), 0);
  EXPECT_EQ(delete_copy, 1);
  EXPECT_FALSE(Saved("delete_copy"));
  Open();
  Click_Centre(CONFIG_PAGE_COPY, "Done");
  EXPECT_EQ(Config_Is_Open(), 0);
  ASSERT_TRUE(Saved("delete_copy"));
  Configuration_Defaults();
  Configuration_Read();
  EXPECT_EQ(delete_copy, 1);
}

}  // namespace
