// harrowdesk-gallery OUT.png: a developer's tool, built with the toolkit and never
// installed. It draws every widget family of the toolkit in its states on the headless
// backend and saves the window as one picture, so that a person can look at the whole
// toolkit at once. The folder tree is opened two levels deep in a small folder made for
// the picture (and removed afterwards), so the picture is the same on every machine but
// for the mount points. It lives outside harrowdesk-cli so that the command-line program
// links no window system.
//
// Index: placing and hovering / the sections / the command line.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/os/os_paths.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/checklist.h"
#include "tools/dirtree.h"
#include "tools/icon.h"
#include "tools/list.h"
#include "tools/slider.h"
#include "tools/tabs.h"
#include "tools/text_pane.h"
#include "tools/tools.h"
#include "tools/tree_glyph.h"

enum { GALLERY_WIDTH = 1180, GALLERY_HEIGHT = 860 };

static Window_Handle gallery;

// ---- placing and hovering -------------------------------------------------------------------

// Fills the header fields of a widget: rectangle (y upwards), colour, bold Arial.
static void Place(Tools_Device &device, int x, int y, int width, int height, int grey = 170, int size = 10)
{
  device.x = (uint16_t)x;
  device.y = (uint16_t)y;
  device.width = (int16_t)width;
  device.height = (int16_t)height;
  device.red = device.green = device.blue = (int16_t)grey;
  device.font_face = "Arial";
  device.font_style = "bold";
  device.font_size = (int16_t)size;
}

// Puts the toolkit's last mouse position at drawing position (x, y) of the gallery.
static void Mouse_At(int x, int y)
{
  int sx = x, sy = GALLERY_HEIGHT - 1 - y;
  Window_Client_To_Screen(gallery, &sx, &sy);
  Tools_Set_Mouse(sx, sy);
}

static void Mouse_Away() { Mouse_At(-100, -100); }

// A caption over a section.
static void Heading(int x, int y, const char *text)
{
  Label label;
  Place(label, x, y, 560, 18, 150, 10);
  label.options = OPT_NO_BACKGROUND | OPT_TEXT_LEFT;
  label.text = text;
  Labels::Init(label, gallery);
  Labels::Draw(label);
}

// ---- the sections --------------------------------------------------------------------------------

static void Draw_Buttons(int x, int y)
{
  Heading(x, y + 60, "Buttons: normal, hover, pressed, disabled (0x23), flat; lamps; pictures (normal, hover)");
  const char *labels[5] = {"Normal", "Hover", "Pressed", "Disabled", "Flat"};
  for (int i = 0; i < 5; i++) {
    Button b;
    Place(b, x + i * 104, y + 28, 98, TOOLS_BUTTON_HEIGHT);
    b.text = labels[i];
    b.pressed = i == 2;
    if (i == 3) b.options = 0x23;
    if (i == 4) b.options = BUTTON_FLAT;
    Buttons::Init(b, gallery);
    if (i == 1) Mouse_At(b.x + 10, b.y + 10);
    else Mouse_Away();
    b.Draw();
    b.Select(0);
  }
  const char *lamps[5] = {"Off", "OK", "Busy", "Wait", "Failed"};
  for (int i = 0; i < 5; i++) {
    Button b;
    Place(b, x + i * 104, y, 98, TOOLS_BUTTON_HEIGHT);
    b.text = lamps[i];
    b.options = BUTTON_LAMP | BUTTON_LAMP_COLOURS;
    b.lamp = (int16_t)i;
    Buttons::Init(b, gallery);
    b.Draw();
  }
  const char *pictures[4] = {"but_left.tga", "but_right.tga", "but_save.tga", "folder.rgb"};
  for (int i = 0; i < 8; i++) {
    Button b;
    Place(b, x + i * 30 + (i >= 4 ? 20 : 0), y - 30, TOOLS_BUTTON_HEIGHT, TOOLS_BUTTON_HEIGHT);
    b.options = OPT_PICTURE_ON_COLOUR;
    Buttons::Init(b, gallery);
    Buttons::Load_Faces(b, Icon_Folder(), pictures[i % 4], TOOLS_GREY, Tools_Pack(102, 100, 100));
    if (i >= 4) Mouse_At(b.x + 5, b.y + 5);
    else Mouse_Away();
    b.Select(0);
    b.Draw();
  }
}

static void Draw_Tabs(int x, int y)
{
  Heading(x, y + 130, "Tab bar (hover on \"Audit\") and its page");
  Tabs_Bar bar;
  Place(bar, x, y + 100, 380, 26, 190);
  Tabs::Init(bar, gallery);
  Tabs::Add(bar, "Copy", 150, 150, 170);
  Tabs::Add(bar, "Push", 150, 170, 150);
  Tabs::Add(bar, "Audit", 170, 150, 150);
  bar.selected = 1;
  Tabs::Draw(bar);
  Tabs::Page(bar, 100);
  Mouse_At(bar.Item[2].x + 10, bar.Item[2].y + 10);
  Tabs::Select(bar, 0);
  Mouse_Away();
  Label label;
  Place(label, x + 10, y + 60, 360, 20, 150);
  label.options = OPT_NO_BACKGROUND | OPT_TEXT_LEFT;
  label.text = "The \"Push\" page";
  Labels::Init(label, gallery);
  Labels::Draw(label);
}

static void Draw_Boxes_Labels(int x, int y)
{
  Heading(x, y + 112, "Boxes (plain, caption, hover, pressed) and labels");
  const char *captions[4] = {"", "Caption", "Hover", "Pressed"};
  for (int i = 0; i < 4; i++) {
    Box box;
    Place(box, x + i * 95, y + 40, 88, 68, i == 1 ? 150 : 170);
    box.text = captions[i];
    box.pressed = i == 3;
    Boxs::Init(box, gallery);
    if (i == 2) Mouse_At(box.x + 20, box.y + 20);
    box.Draw();
    box.Select(0);
    Mouse_Away();
  }
  struct { const char *text; uint32_t options; } labels[4] = {
      {"Left", OPT_TEXT_LEFT}, {"Centre", 0}, {"Right", OPT_TEXT_RIGHT}, {"Highlight", OPT_HIGHLIGHT_TEXT}};
  for (int i = 0; i < 4; i++) {
    Label label;
    Place(label, x + i * 95, y + 10, 88, 24, 200);
    label.text = labels[i].text;
    label.options = labels[i].options;
    Labels::Init(label, gallery);
    Labels::Draw(label);
  }
  Label white;
  Place(white, x + 385, y + 10, 28, 98, 90);
  white.text = "TOOLS";
  white.options = OPT_VERTICAL_TEXT | OPT_WHITE_TEXT;
  Labels::Init(white, gallery);
  Labels::Draw(white);
}

static void Draw_Check_Lists(int x, int y)
{
  Heading(x, y + 88, "Check lists: normal, hover on \"Study ID\", disabled");
  static const char *yes_no[] = {"no", "yes", ""};
  static const char *study[] = {"no subdir", "Study ID", "Patient ID", ""};
  CheckList lists[3];
  const char *const *texts[3] = {yes_no, study, yes_no};
  for (int i = 0; i < 3; i++) {
    Place(lists[i], x, y + 58 - i * 28, i == 1 ? 380 : 200, 24, 150);
    lists[i].selected = 1;
    lists[i].options = i == 2 ? 0x40000063 : 0x40000040;
    CheckLists::Init(lists[i], gallery, texts[i]);
    CheckLists::Draw(lists[i]);
  }
  Mouse_At(lists[1].x + 150, lists[1].y + 10);
  CheckLists::Select(lists[1], 0);
  Mouse_Away();
}

static void Draw_Sliders(int x, int y)
{
  Heading(x, y + 122, "Sliders: at 0, mid, end; held thumb; vertical");
  double values[3] = {0, 50, 100};
  for (int i = 0; i < 4; i++) {
    Slider s;
    Place(s, x, y + 88 - i * 26, 300, TOOLS_SLIDER_WIDTH, 170);
    s.value = i < 3 ? values[i] : 30;
    Sliders::Init(s, gallery);
    s.thumb_state = i == 3;
    Sliders::Draw(s);
  }
  Slider v;
  Place(v, x + 320, y, TOOLS_SLIDER_WIDTH, 118, 170);
  v.options = SLIDER_VERTICAL;
  v.value = 25;
  Sliders::Init(v, gallery);
  Sliders::Draw(v);
}

static void Draw_List(int x, int y)
{
  Heading(x, y + 60, "List (\"by Study ID\" selected, hover on \"by Name\")");
  List list;
  Place(list, x, y, 540, 56, 170, 9);
  Lists::Init(list, gallery);
  const char *items[5] = {"by File", "by Study ID", "by Date", "by Patient ID", "by Name"};
  for (const char *item : items) Lists::Add(list, item);
  list.start_x = 4;
  list.start_y = 16;
  list.step_x = 106;
  list.item_width = 102;
  list.item_height = TOOLS_BUTTON_HEIGHT;
  list.selected = 1;
  list.Adjust();
  list.Draw();
  Mouse_At(list.Item[4].x + 10, list.Item[4].y + 10);
  list.Select(0);
  Mouse_Away();
}

static void Draw_Text_Panes(int x, int y)
{
  Heading(x, y + 236, "Text panes: message pane with display codes, one-line field");
  Text_Pane pane;
  Place(pane, x, y + 44, 540, 188, 180, 10);
  pane.green = 185;
  pane.options = 0x38000000;
  Texts::Init(pane, gallery);
  for (int i = 1; i <= 6; i++) Text::Write(pane, "\x02" "Earlier line %d", i);
  Text::Write(pane, "\xF1\x02" "Dir: \x01/data/studies/2026/");
  Text::Write(pane, "    Directory has \x01%d\x02 files", 1284);
  Text::Write(pane, "    Of these \x01%d\x02 are DICOM", 1270);
  Text::Write(pane, "\xF1\x04WARNING!\x02 file skipped: not DICOM (\xF2readme.txt\xF1)");
  Text::Write(pane, "\xF0" "Colours: \x01" "blue \x02" "black \x04" "red \x06" "green \x02" "and \xF2" "italic\xF0" " text");
  Text::Write(pane, "Copied \x06%d\x02 files to \x01/mnt/archive/\x02\nPushed \x06%d\x02 files to PACS", 12, 12);
  Text::Write(pane, "\xF1\x02" "Done");
  Text_Pane field;
  Place(field, x + 130, y, 410, TOOLS_BUTTON_HEIGHT, 230, 10);
  field.options = 0x02;
  Texts::Init(field, gallery);
  Text::Write(field, "HARROWDESK");
  Text::Draw(field);
  Label label;
  Place(label, x, y, 125, TOOLS_BUTTON_HEIGHT, 150);
  label.options = OPT_NO_BACKGROUND | OPT_TEXT_LEFT;
  label.text = "A.E.T. sender:";
  Labels::Init(label, gallery);
  Labels::Draw(label);
}

// Makes a small folder tree to show; returns its root ("" when it cannot be made).
static std::string Make_Sample_Folders()
{
  std::string root = Os_Temp_Dir() + "harrowdesk-gallery-" + std::to_string(getpid()) + "/";
  const char *folders[] = {"Archive", "Patients/Doe^Jane/CT 2026-03-14", "Patients/Doe^Jane/MR 2026-05-02",
                           "Patients/Roe^Richard", "Patients/Smith^Ann", "Reports", "Transfer"};
  std::error_code error;
  for (const char *folder : folders) std::filesystem::create_directories(root + folder, error);
  return error ? "" : root;
}

static void Draw_Folder_Tree(int x, int y, const std::string &sample)
{
  Heading(x, y + 424, "Folder tree, opened two levels");
  Dir_Tree tree;
  Place(tree, x, y, 360, 420, 200, 10);
  tree.home = sample;
  tree.title = "Copy file to:";
  DirTrees::Init(tree, gallery);
  if (!sample.empty()) {
    DirTrees::Set_Path(tree, sample + "Patients/Doe^Jane/");
    for (Dir_Row &row : tree.rows)
      if (row.node->path == sample + "Patients/Doe^Jane/") DirTrees::Toggle(tree, *row.node);
    DirTrees::Set_Path(tree, sample + "Patients/Doe^Jane/");
    tree.root.child[0].name = "Home (~/)";
  }
  DirTrees::Dir_Tree_Draw2(tree);
}

static void Draw_Primitives(int x, int y)
{
  Heading(x, y + 104, "Bevels (depth 1, 4; raised, sunken), outline, arrows, glyphs, icons");
  Tools_Device d;
  Place(d, x, y, 400, 100);
  d.state = 1;
  d.window = gallery;
  for (int i = 0; i < 4; i++) {
    int left = x + i * 46;
    Tools::Fill(d, 0, left, left + 40, y + 60, y + 100);
    Tools::Cadre(d, 0, i % 2, i < 2 ? 1 : 4, left, left + 40, y + 60, y + 100);
  }
  Tools::Fill(d, 0, x + 184, x + 224, y + 60, y + 100);
  Tools::Cadre_Outline(d, x + 184, x + 224, y + 60, y + 100);
  for (int i = 0; i < 4; i++) Tools::Arrow(d, i, x + 232 + i * 26, x + 254 + i * 26, y + 68, y + 90);
  Tree_Glyph_Node(d, x, y + 34, 0, y + 52, x + 18);
  Tree_Glyph_Node(d, x + 24, y + 34, 1, y + 52, x + 42);
  Tree_Glyph_Leaf(d, x + 48, y + 34, 0, y + 52, y + 30, x + 62);
  Tree_Glyph_Leaf(d, x + 68, y + 34, 1, y + 52, y + 30, x + 82);
  Tree_Glyph_Folder(d, x + 92, y + 33, 0);
  Tree_Glyph_Folder(d, x + 114, y + 33, 1);
  const char *icons[11] = {"icon_select_yes.rgb", "icon_select_part.rgb", "icon_select_no.rgb", "icon_copy_yes.rgb",
                           "icon_copy_no.rgb", "icon_copy_part.rgb", "icon_mycomputer.rgb", "icon_floppy.rgb",
                           "icon_fixed.rgb", "icon_cdrom.rgb", "icon_remote.rgb"};
  for (int i = 0; i < 11; i++) Icon_Draw_Image(d, x + i * 22, y + 2, nullptr, icons[i]);
}

// ---- the command line ----------------------------------------------------------------------------

static const char PROGRAM[] = "harrowdesk-gallery";

enum { GALLERY_OK = 0, GALLERY_FAILED = 1, GALLERY_USAGE = 2 };

static const char USAGE[] =
    "usage: harrowdesk-gallery OUT.png\n\n"
    "Draws every widget family of the toolkit in its states (normal, hover, pressed,\n"
    "disabled, selected, a text pane with colour codes, a folder tree opened two levels)\n"
    "without a display and saves the picture as OUT.png.\n\n"
    "  -h, --help           this text\n"
    "  --                   what follows is the picture's name, even when it starts with \"-\"\n\n"
    "Exit status: 0 the picture was saved; 1 it could not be drawn or saved; 2 usage error\n";

// Prints "harrowdesk-gallery: WHY (see 'harrowdesk-gallery --help')"; returns GALLERY_USAGE.
static int Usage_Error(const std::string &why)
{
  fprintf(stderr, "%s: %s (see '%s --help')\n", PROGRAM, why.c_str(), PROGRAM);
  return GALLERY_USAGE;
}

// Finds the one operand. Returns -1 with it in `picture`, else the exit code to return.
static int Parse(int argc, char **argv, const char **picture)
{
  std::vector<const char *> operands;
  bool options_end = false;
  for (int i = 1; i < argc; i++) {
    const char *argument = argv[i];
    if (!options_end && (!strcmp(argument, "--help") || !strcmp(argument, "-h"))) {
      fputs(USAGE, stdout);
      return GALLERY_OK;
    }
    if (!options_end && !strcmp(argument, "--")) {
      options_end = true;
    } else if (!options_end && argument[0] == '-' && argument[1]) {
      return Usage_Error(std::string("unknown option '") + argument + "'");
    } else if (!operands.empty()) {
      return Usage_Error(std::string("unexpected operand '") + argument + "'");
    } else {
      operands.push_back(argument);
    }
  }
  if (operands.empty()) return Usage_Error("no OUT.png given");
  *picture = operands[0];
  return -1;
}

static intptr_t Gallery_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Window_Default_Proc(window, message, wparam, lparam);
}

int main(int argc, char **argv)
{
  const char *picture = nullptr;
  int exit_code = Parse(argc, argv, &picture);
  if (exit_code >= 0) return exit_code;
  if (!Window_System_Start(WINDOW_BACKEND_HEADLESS)) return GALLERY_FAILED;
  Window_Class gallery_class;
  gallery_class.name = "Gallery";
  gallery_class.procedure = Gallery_Proc;
  gallery_class.background = 0x9A9A9A;
  if (!Window_Class_Register(gallery_class)) return GALLERY_FAILED;
  gallery = Window_Create(0, "Gallery", "Harrowdesk toolkit", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, GALLERY_WIDTH,
                          GALLERY_HEIGHT, nullptr, 0, nullptr);
  if (!gallery) return GALLERY_FAILED;
  Window_Process_Pending();
  std::string sample = Make_Sample_Folders();
  int m = 16, right = 600;
  Draw_Buttons(m, GALLERY_HEIGHT - 100);
  Draw_Tabs(m, GALLERY_HEIGHT - 290);
  Draw_Boxes_Labels(m, GALLERY_HEIGHT - 430);
  Draw_Check_Lists(m, GALLERY_HEIGHT - 542);
  Draw_Sliders(m, GALLERY_HEIGHT - 688);
  Draw_Primitives(m, 16);
  Draw_List(right, GALLERY_HEIGHT - 100);
  Draw_Text_Panes(right, GALLERY_HEIGHT - 372);
  Draw_Folder_Tree(right, 16, sample);
  if (!sample.empty()) {
    std::error_code error;
    std::filesystem::remove_all(sample, error);
  }
  int saved = Window_Save_PNG(gallery, picture);
  Window_System_Stop();
  if (!saved) return GALLERY_FAILED;
  printf("%s\n", picture);
  return GALLERY_OK;
}
