// The "Audit" page of the settings window: which files a scan accepts and how reports lay
// studies out (the bits of flag_print), whether the audit trail is kept and where, and
// "Done". Keys go to the text pane under the pointer; Enter completes it.
#include "app/configuration.h"
#include "app/win_config.h"
#include "app/win_config_page.h"
#include "tools/tools.h"
#include "util/message_log.h"

namespace {

constexpr int FIELD_LABEL = 180;
constexpr unsigned char PRINT_PER_DB = 0x02, PRINT_NO_STUDY_ID = 0x04;

struct Audit_Page {
  bool ready = false;
  Box checks, trail;
  Config_Choice part_10, study_id, print_mode, audit;
  Config_Folder folder;
  Config_Field name;
  Button done;
};

Audit_Page page;

// flag_print as the two lists show it: "per db" (0) when bit 0x02 is set, else "per media";
// "no" (0) for "is study ID valid ?" when bit 0x04 is set, else "yes".
int Print_Mode_Index() { return (flag_print & PRINT_PER_DB) ? 0 : 1; }
int Study_Id_Index() { return (flag_print & PRINT_NO_STUDY_ID) ? 0 : 1; }

void Store_Print()
{
  flag_print = (unsigned char)((page.print_mode.list.selected != 0 ? 1 : PRINT_PER_DB) |
                               (page.study_id.list.selected != 0 ? 0 : PRINT_NO_STUDY_ID));
}

void Layout(Window_Handle window, int x, int y, int width, int height, uint32_t colour)
{
  const int box_height = Config_Box_Height(3, nullptr);
  const int checks_y = y + height - box_height, trail_y = checks_y - TOOLS_MARGIN - box_height;
  Config_Box_Place(page.checks, window, x, checks_y, width, box_height, colour, nullptr);
  Config_Box_Place(page.trail, window, x, trail_y, width, box_height, colour, nullptr);
  Config_Button_Place(page.done, window, x, y, width, colour, "Done");

  const int inner_x = Config_Box_Inner_X(page.checks), inner_width = Config_Box_Inner_Width(page.checks);
  const int long_label = inner_width - CONFIG_LIST_WIDTH;
  auto choice = [&](Config_Choice &row, const Box &box, int r, const char *label, const char *const *choices,
                    int selected) {
    Config_Choice_Place(row, window, inner_x, Config_Box_Row(box, r), inner_width, long_label, CONFIG_LIST_WIDTH,
                        colour, label, choices, selected, true);
  };
  choice(page.part_10, page.checks, 0, "check valid DICOM files ?", CONFIG_YES_NO, flag_part_10);
  choice(page.study_id, page.checks, 1, "is study ID valid ?", CONFIG_YES_NO, Study_Id_Index());
  choice(page.print_mode, page.checks, 2, "print study mode ?", CONFIG_PRINT_MODE, Print_Mode_Index());
  choice(page.audit, page.trail, 0, "Do you want an Audit File ?", CONFIG_YES_NO, log_state.flag_audit ? 1 : 0);
  Config_Folder_Place(page.folder, window, inner_x, Config_Box_Row(page.trail, 1), inner_width, FIELD_LABEL, colour,
                      "Audit files' drirectory");
  Config_Field_Place(page.name, window, inner_x, Config_Box_Row(page.trail, 2), inner_width, FIELD_LABEL, 0, colour,
                     "Audit files' name");
  Config_Field_Show(page.folder.field, log_state.dir_audit);
  Config_Field_Show(page.name, log_state.file_audit);
  page.ready = true;
}

void Paint()
{
  if (!page.ready) return;
  page.checks.Draw();
  for (Config_Choice *row : {&page.part_10, &page.study_id, &page.print_mode}) Config_Choice_Draw(*row);
  page.trail.Draw();
  Config_Choice_Draw(page.audit);
  Config_Folder_Draw(page.folder);
  Config_Field_Draw(page.name);
  page.done.Draw();
}

void Click(int state)
{
  if (!page.ready || state != 2) return;
  if (Config_Done_Pressed(page.done)) return;
  if (!Config_Folder_Click(page.folder, log_state.dir_audit) && Config_Field_Under_Mouse(page.name))
    Config_Field_Show(page.name, log_state.file_audit);
  if (CheckLists::Select(page.part_10.list, 2)) flag_part_10 = (unsigned char)page.part_10.list.selected;
  if (CheckLists::Select(page.study_id.list, 2)) Store_Print();
  if (CheckLists::Select(page.print_mode.list, 2)) Store_Print();
  if (CheckLists::Select(page.audit.list, 2)) log_state.flag_audit = page.audit.list.selected != 0;
}

void Key(int code)
{
  if (!page.ready) return;
  if (Config_Folder_Key(page.folder, code, log_state.dir_audit)) return;
  if (Config_Field_Under_Mouse(page.name)) {
    std::string text;
    if (Text::Input(page.name.pane, code) && Texts::Read_Echo(page.name.pane, text)) {
      log_state.file_audit = text;
      Config_Field_Show(page.name, text);
    }
  }
}

void Mouse_Move(int mode)
{
  if (!page.ready) return;
  for (Config_Choice *row : {&page.part_10, &page.study_id, &page.print_mode, &page.audit})
    CheckLists::Select(row->list, mode);
  page.folder.button.Select(mode);
  page.done.Select(mode);
}

void Wheel(int) {}

const Tools_Device *Widget(const char *name)
{
  return Config_Find(name, {&page.part_10.list, &page.study_id.list, &page.print_mode.list, &page.audit.list,
                            &page.folder.field.pane, &page.name.pane, &page.folder.button, &page.done});
}

}  // namespace

const Config_Page config_audit_page = {Layout, Paint, Click, Key, Wheel, Mouse_Move, Widget};
