// The rows, boxes and buttons the settings window's pages are built from.
#include "app/win_config.h"
#include "app/win_config_page.h"

#include <algorithm>

#include "app/configuration.h"
#include "app/win_folder_field.h"
#include "platform/window/window_system.h"
#include "tools/icon.h"
#include "tools/tools.h"
#include "tools/y_font.h"

const char *const CONFIG_YES_NO[] = {"no", "yes", ""};
const char *const CONFIG_STUDY_FOLDER[] = {"no subdir", "Study ID", "Patient ID", "Patient Name", ""};
const char *const CONFIG_SERIES_FOLDER[] = {"no subdir", "Series ID", "Series Desc.", ""};
const char *const CONFIG_PRINT_MODE[] = {"per db", "per media", ""};

static constexpr int BOX_PADDING = 4;  // inside a box's bevel
static constexpr int FOLDER_FACE_DARKER = -60;

void Config_Place(Tools_Device &device, int x, int y, int width, int height, uint32_t colour, int size)
{
  device.x = (uint16_t)std::max(0, x);
  device.y = (uint16_t)std::max(0, y);
  device.width = (int16_t)std::max(0, width);
  device.height = (int16_t)std::max(0, height);
  device.font_face = "Arial";
  device.font_style = "bold";
  device.font_size = (int16_t)size;
  Tools_Set_Colour(device, colour);
}

// ---- boxes ------------------------------------------------------------------------------------

// The caption band of a box in the pages' font, as the box draws it.
static int Caption_Band(const char *caption)
{
  if (!caption || !*caption) return 0;
  return Y_Font_Height(Y_Create_Font(nullptr, "Arial", "bold", nullptr, 10)) + 4;
}

int Config_Box_Height(int rows, const char *caption)
{
  return 2 * (TOOLS_BEVEL + BOX_PADDING) + Caption_Band(caption) + rows * CONFIG_ROW + (rows - 1) * TOOLS_MARGIN;
}

void Config_Box_Place(Box &box, Window_Handle window, int x, int y, int width, int height, uint32_t colour,
                      const char *caption)
{
  box.options = BOX_NO_HOVER;
  box.text = caption ? caption : "";
  box.name = box.text.empty() ? "config box" : box.text;
  Config_Place(box, x, y, width, height, colour);
  Boxs::Init(box, window);
}

int Config_Box_Row(const Box &box, int row)
{
  int top = box.y + box.height - TOOLS_BEVEL - BOX_PADDING - Caption_Band(box.text.c_str());
  return top - (row + 1) * CONFIG_ROW - row * TOOLS_MARGIN;
}

int Config_Box_Inner_X(const Box &box) { return box.x + TOOLS_BEVEL + BOX_PADDING; }
int Config_Box_Inner_Width(const Box &box) { return box.width - 2 * (TOOLS_BEVEL + BOX_PADDING); }

// ---- rows -------------------------------------------------------------------------------------

static void Label_Place(Label &label, Window_Handle window, int x, int y, int width, uint32_t colour,
                        const char *text)
{
  label.options = OPT_TEXT_LEFT;
  label.text = text;
  label.name = text;
  Config_Place(label, x, y, width, CONFIG_ROW, colour);
  Labels::Init(label, window);
}

void Config_Choice_Place(Config_Choice &row, Window_Handle window, int x, int y, int width, int label_width,
                         int list_width, uint32_t colour, const char *label, const char *const *choices,
                         int selected, bool enabled)
{
  Label_Place(row.label, window, x, y, label_width, colour, label);
  CheckList &list = row.list;
  list.name = label;
  list.selected = selected;
  list.hover = -1;
  list.options = enabled ? CONFIG_LIST_ENABLED : CONFIG_LIST_DISABLED;
  Config_Place(list, x + label_width, y, list_width ? list_width : width - label_width, CONFIG_ROW, colour);
  CheckLists::Init(list, window, choices);
}

void Config_Choice_Draw(Config_Choice &row)
{
  Labels::Draw(row.label);
  CheckLists::Draw(row.list);
}

void Config_Choice_Enable(Config_Choice &row, bool enabled)
{
  row.list.options = enabled ? CONFIG_LIST_ENABLED : CONFIG_LIST_DISABLED;
  row.list.hover = -1;
}

void Config_Field_Place(Config_Field &row, Window_Handle window, int x, int y, int width, int label_width,
                        int pane_width, uint32_t colour, const char *label)
{
  Label_Place(row.label, window, x, y, label_width, colour, label);
  Text_Pane &pane = row.pane;
  pane.options = TEXT_ONE_LINE;
  pane.name = label;
  pane.depth = 1;
  Config_Place(pane, x + label_width, y + 1, (pane_width ? pane_width : width - label_width), CONFIG_ROW - 2,
               Tools_Shade(colour, 60));
  Texts::Init(pane, window);
}

void Config_Field_Draw(Config_Field &row)
{
  Labels::Draw(row.label);
  Text::Draw(row.pane);
}

void Config_Field_Show(Config_Field &row, const std::string &text) { Text::Write(row.pane, "%s", text.c_str()); }

int Config_Field_Under_Mouse(Config_Field &row) { return Text::Select(row.pane, 4); }

// ---- buttons ------------------------------------------------------------------------------------

void Config_Button_Place(Button &button, Window_Handle window, int x, int y, int width, uint32_t colour,
                         const char *text)
{
  button.text = text;
  button.name = text;
  Config_Place(button, x, y, width, CONFIG_ROW, colour, 11);
  Buttons::Init(button, window);
}

// ---- folders -------------------------------------------------------------------------------------

static constexpr int FOLDER_BUTTON = CONFIG_ROW;  // the folder button is square
static const char FOLDER_TITLE[] = "Select the directory for the audit trail";

void Config_Folder_Place(Config_Folder &row, Window_Handle window, int x, int y, int width, int label_width,
                         uint32_t colour, const char *label)
{
  Config_Field_Place(row.field, window, x, y, width - FOLDER_BUTTON - TOOLS_MARGIN, label_width, 0, colour, label);
  Button &button = row.button;
  bool first = !button.state;
  button.options = OPT_PICTURE_ON_COLOUR;
  button.name = "folder.rgb";
  Config_Place(button, x + width - FOLDER_BUTTON, y, FOLDER_BUTTON, FOLDER_BUTTON, colour);
  Buttons::Init(button, window);
  if (first) Buttons::Load_Faces(button, Icon_Folder(), "folder.rgb", colour, Tools_Shade(colour, FOLDER_FACE_DARKER));
}

void Config_Folder_Draw(Config_Folder &row)
{
  Config_Field_Draw(row.field);
  row.button.Draw();
}

int Config_Folder_Click(Config_Folder &row, std::string &folder)
{
  if (row.button.Select(4)) {
    row.button.pressed = 1;
    row.button.Draw();
    Folder_Browse(Config_Window(), row.field.pane, FOLDER_TITLE, folder);
    row.button.pressed = 0;
    row.button.Draw();
    return 1;
  }
  if (!Config_Field_Under_Mouse(row.field)) return 0;
  Config_Field_Show(row.field, folder);
  return 1;
}

int Config_Folder_Key(Config_Folder &row, int key, std::string &folder)
{
  if (!Config_Field_Under_Mouse(row.field)) return 0;
  Folder_Field_Enter(row.field.pane, key, folder);
  return 1;
}

// ---- lookup and "Done" ----------------------------------------------------------------------------

const Tools_Device *Config_Find(const char *name, std::initializer_list<const Tools_Device *> widgets)
{
  for (const Tools_Device *widget : widgets)
    if (widget->name == name) return widget;
  return nullptr;
}

int Config_Done_Pressed(Button &done)
{
  if (!done.Select(4)) return 0;
  done.pressed = 1;
  done.Draw();
  Configuration_Write();
  Window_Destroy(Config_Window());
  done.pressed = 0;
  return 1;
}
