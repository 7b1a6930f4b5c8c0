// The pages of the settings window ("Copy", "Push", "Audit") and what they share: the six
// operations by which the window drives the selected page, and the rows every page is built
// from (a label with a check list, a label with a one-line text pane, a framed box), all in
// the page's colour, "Arial" bold. Used by win_config.cpp and the three page files only.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/os/window_handle.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/checklist.h"
#include "tools/text_pane.h"

// A page's operations. Every one but layout does nothing until the page's first layout.
struct Config_Page {
  // Builds and places the page's widgets in the rectangle (drawing coordinates, y upwards)
  // with the page's colour, showing the current settings.
  void (*layout)(Window_Handle window, int x, int y, int width, int height, uint32_t colour);
  void (*paint)();
  void (*click)(int state);     // 2: the left button went down; 0: it came up
  void (*key)(int code);        // a translated key
  void (*wheel)(int steps);     // whole wheel steps, away from the user positive
  void (*mouse_move)(int mode); // 1 while the left button is held, else 0
  // The widget named `name` (a row's label names its list or pane; "Done"; "folder.rgb";
  // the tree's "copy tree"), or null: where a thing of the page is drawn.
  const Tools_Device *(*widget)(const char *name);
};

extern const Config_Page config_copy_page, config_push_page, config_audit_page;

// Check list options: usable, and greyed (no background, no selection, highlight text).
constexpr uint32_t CONFIG_LIST_ENABLED = 0x40000040;
constexpr uint32_t CONFIG_LIST_DISABLED = CONFIG_LIST_ENABLED | OPT_NO_BACKGROUND | CHECKLIST_NO_SELECT |
                                          OPT_HIGHLIGHT_TEXT;

constexpr int CONFIG_ROW = 25;        // height of a row and of a button
constexpr int CONFIG_LIST_WIDTH = 200;  // a yes/no list beside a long label

// The choices of the check lists, each ended by an empty text.
extern const char *const CONFIG_YES_NO[];
extern const char *const CONFIG_STUDY_FOLDER[];
extern const char *const CONFIG_SERIES_FOLDER[];
extern const char *const CONFIG_PRINT_MODE[];

// Sets a widget's rectangle, colour and font ("Arial" bold, `size` points).
void Config_Place(Tools_Device &device, int x, int y, int width, int height, uint32_t colour, int size = 10);

// A framed box in the page's colour, with an optional caption. `rows` rows of CONFIG_ROW
// with a margin between them fit inside Config_Box_Height(rows, caption).
int Config_Box_Height(int rows, const char *caption);
void Config_Box_Place(Box &box, Window_Handle window, int x, int y, int width, int height, uint32_t colour,
                      const char *caption);
// The bottom of row `row` (0 at the top) inside a box placed with Config_Box_Place.
int Config_Box_Row(const Box &box, int row);
// The box's inner left edge and width.
int Config_Box_Inner_X(const Box &box);
int Config_Box_Inner_Width(const Box &box);

// A label and the check list after it.
struct Config_Choice {
  Label label;
  CheckList list;
};

// Places a choice row: the label `label_width` wide from x, the list `list_width` wide after
// it (0: the rest of `width`), showing `selected`; `enabled` sets the list's option word.
void Config_Choice_Place(Config_Choice &row, Window_Handle window, int x, int y, int width, int label_width,
                         int list_width, uint32_t colour, const char *label, const char *const *choices,
                         int selected, bool enabled);
void Config_Choice_Draw(Config_Choice &row);
// Enables or greys the row's list (drawn again by the caller).
void Config_Choice_Enable(Config_Choice &row, bool enabled);

// A label and a one-line text pane after it, `pane_width` wide (0: the rest of `width`).
struct Config_Field {
  Label label;
  Text_Pane pane;
};

void Config_Field_Place(Config_Field &row, Window_Handle window, int x, int y, int width, int label_width,
                        int pane_width, uint32_t colour, const char *label);
void Config_Field_Draw(Config_Field &row);
// Shows `text` in the field's pane.
void Config_Field_Show(Config_Field &row, const std::string &text);
// 1 when the last mouse position is over the field's pane.
int Config_Field_Under_Mouse(Config_Field &row);

// A folder setting: a label, a one-line pane with the folder, and the folder picture button
// ("folder.rgb") that opens the folder chooser.
struct Config_Folder {
  Config_Field field;
  Button button;
};

void Config_Folder_Place(Config_Folder &row, Window_Handle window, int x, int y, int width, int label_width,
                         uint32_t colour, const char *label);
void Config_Folder_Draw(Config_Folder &row);
// A press: on the button the folder chooser sets `folder`; on the pane the pane shows
// `folder` afresh. Returns 1 when the press was on either.
int Config_Folder_Click(Config_Folder &row, std::string &folder);
// A key: with the pointer over the pane it goes to Folder_Field_Enter, whose path becomes
// `folder`. Returns 1 when the pointer was over the pane.
int Config_Folder_Key(Config_Folder &row, int key, std::string &folder);

// The "Done" button along the bottom of a page (buttons are size 11).
void Config_Button_Place(Button &button, Window_Handle window, int x, int y, int width, uint32_t colour,
                         const char *text);

// A press on the page's "Done" button: shown pressed, every setting saved, the window
// closed. Returns 1 when the press was on it (the page's widgets are gone then).
int Config_Done_Pressed(Button &done);

// Draws the whole window again (tabs and page) when the loop next paints.
void Config_Repaint();

// The first of `widgets` whose name is `name`, or null.
const Tools_Device *Config_Find(const char *name, std::initializer_list<const Tools_Device *> widgets);
