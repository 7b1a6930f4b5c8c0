// The "Push" page of the settings window: the storage server's four parameters, what
// becomes of files that failed (kept in a fail folder) and of files that were stored
// (deleted), and "Done". Keys go to the text pane under the pointer; Enter completes it.
#include "app/configuration.h"
#include "app/win_config.h"
#include "app/win_config_page.h"
#include "tools/tools.h"

namespace {

enum { SERVER_FIELDS = 4 };
constexpr int FIELD_LABEL = 155;

struct Push_Page {
  bool ready = false;
  Box server, failing, deleting;
  Config_Field fields[SERVER_FIELDS];
  Config_Choice keep_row, delete_row;
  Config_Folder fail_folder;
  Button done;
};

Push_Page page;

// The settings the four server fields show and set, top to bottom.
std::string *Field_Setting(int field)
{
  std::string *settings[SERVER_FIELDS] = {&local_AET, &server_AET, &server_peer, &server_port};
  return settings[field];
}

const char *const FIELD_LABELS[SERVER_FIELDS] = {"A.E.T. sender:", "A.E.T. peer:", "Peer name:", "Port number:"};

void Layout(Window_Handle window, int x, int y, int width, int height, uint32_t colour)
{
  // The boxes from the top down; "Done" along the bottom.
  const int server_height = Config_Box_Height(SERVER_FIELDS, "DICOM Push Parameters");
  const int one_row = Config_Box_Height(1, nullptr), two_rows = Config_Box_Height(2, nullptr);
  const int server_y = y + height - server_height, failing_y = server_y - TOOLS_MARGIN - two_rows;
  const int deleting_y = failing_y - TOOLS_MARGIN - one_row;
  Config_Box_Place(page.server, window, x, server_y, width, server_height, colour, "DICOM Push Parameters");
  Config_Box_Place(page.failing, window, x, failing_y, width, two_rows, colour, nullptr);
  Config_Box_Place(page.deleting, window, x, deleting_y, width, one_row, colour, nullptr);
  Config_Button_Place(page.done, window, x, y, width, colour, "Done");

  const int inner_x = Config_Box_Inner_X(page.server), inner_width = Config_Box_Inner_Width(page.server);
  const int long_label = inner_width - CONFIG_LIST_WIDTH;
  for (int f = 0; f < SERVER_FIELDS; f++)
    Config_Field_Place(page.fields[f], window, inner_x, Config_Box_Row(page.server, f), inner_width, FIELD_LABEL, 0,
                       colour, FIELD_LABELS[f]);
  Config_Choice_Place(page.keep_row, window, inner_x, Config_Box_Row(page.failing, 0), inner_width, long_label,
                      CONFIG_LIST_WIDTH, colour, "Keep a copy of the failed files ?", CONFIG_YES_NO, flag_fail, true);
  Config_Folder_Place(page.fail_folder, window, inner_x, Config_Box_Row(page.failing, 1), inner_width, FIELD_LABEL,
                      colour, "Fail directory name");
  Config_Choice_Place(page.delete_row, window, inner_x, Config_Box_Row(page.deleting, 0), inner_width, long_label,
                      CONFIG_LIST_WIDTH, colour, "Delete files once they are pushed ?", CONFIG_YES_NO, delete_push,
                      true);
  Config_Field_Show(page.fail_folder.field, dir_fail);
  page.ready = true;
}

// Painting shows the settings afresh in the four server fields.
void Paint()
{
  if (!page.ready) return;
  page.server.Draw();
  for (int f = 0; f < SERVER_FIELDS; f++) {
    Config_Field_Show(page.fields[f], *Field_Setting(f));
    Config_Field_Draw(page.fields[f]);
  }
  page.failing.Draw();
  Config_Choice_Draw(page.keep_row);
  Config_Folder_Draw(page.fail_folder);
  page.deleting.Draw();
  Config_Choice_Draw(page.delete_row);
  page.done.Draw();
}

void Click(int state)
{
  if (!page.ready || state != 2) return;
  if (Config_Done_Pressed(page.done)) return;
  Config_Folder_Click(page.fail_folder, dir_fail);
  if (CheckLists::Select(page.keep_row.list, 2)) flag_fail = (unsigned char)page.keep_row.list.selected;
  if (CheckLists::Select(page.delete_row.list, 2)) delete_push = (unsigned char)page.delete_row.list.selected;
}

void Key(int code)
{
  if (!page.ready) return;
  if (Config_Folder_Key(page.fail_folder, code, dir_fail)) return;
  for (int f = 0; f < SERVER_FIELDS; f++) {
    if (!Config_Field_Under_Mouse(page.fields[f])) continue;
    std::string text;
    if (Text::Input(page.fields[f].pane, code) && Texts::Read_Echo(page.fields[f].pane, text)) {
      *Field_Setting(f) = text;
      Config_Field_Show(page.fields[f], text);
    }
    return;
  }
}

void Mouse_Move(int mode)
{
  if (!page.ready) return;
  CheckLists::Select(page.keep_row.list, mode);
  CheckLists::Select(page.delete_row.list, mode);
  page.fail_folder.button.Select(mode);
  page.done.Select(mode);
}

void Wheel(int) {}

const Tools_Device *Widget(const char *name)
{
  return Config_Find(name, {&page.fields[0].pane, &page.fields[1].pane, &page.fields[2].pane, &page.fields[3].pane,
                            &page.keep_row.list, &page.fail_folder.field.pane, &page.delete_row.list, &page.fail_folder.button,
                            &page.done});
}

}  // namespace

const Config_Page config_push_page = {Layout, Paint, Click, Key, Wheel, Mouse_Move, Widget};
