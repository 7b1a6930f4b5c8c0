// The server pane. Its widgets are laid out in the pane's own drawing coordinates (y up):
// the outer box fills the pane, with the caption in its top band; the inner box sits
// inside it below the caption; the button runs along the inner box's top, and the four
// rows share the rest of the inner box evenly, top to bottom, each a label and a field
// centred in its share. The fields' texts live in the pane's record, apart from the
// settings, so that typing never changes a setting until the button is pressed.
#include "app/win_port.h"

#include "app/configuration.h"
#include "app/win_pane.h"
#include "platform/window/window_messages.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/text_pane.h"
#include "util/message_log.h"
#include "util/win_environment.h"

namespace {

constexpr char SERVER_SECTION[] = "Courierline";
constexpr char BUTTON_LABEL[] = "DICOM Server Update";

// Select modes of the toolkit: a press, and a test that changes nothing.
constexpr int SELECT_PRESS = 2, SELECT_TEST = 4;

// The fields top to bottom, their labels, their settings and the settings' keys; the
// button saves them in SAVE_ORDER.
constexpr int FIELD_PEER = 0, FIELD_PORT = 1, FIELD_SENDER = 2, FIELD_CALLED = 3, FIELDS = 4;
const char *const FIELD_LABELS[FIELDS] = {"Peer name:", "Port number:", "A.E.T. sender:", "A.E.T. peer:"};
std::string *const FIELD_SETTINGS[FIELDS] = {&server_peer, &server_port, &local_AET, &server_AET};
const char *const FIELD_KEYS[FIELDS] = {"server_peer", "server_port", "local_AET", "server_AET"};
constexpr int SAVE_ORDER[FIELDS] = {FIELD_SENDER, FIELD_CALLED, FIELD_PEER, FIELD_PORT};

constexpr int LABEL_WIDTH = 120;
constexpr int FIELD_HEIGHT = 22;  // one line of the 10-point face inside the field's bevel
constexpr int INSET = TOOLS_BEVEL + 2;  // from a box's edge to what it holds
constexpr int FONT_SIZE = 10;

struct Server_Pane {
  Box outer, inner;
  Button update;
  Label labels[FIELDS];
  Text_Pane fields[FIELDS];
  std::string texts[FIELDS];  // the pane's own copies of the four server settings
  bool initialised = false;
};

Server_Pane server;

// The peer as the caption shows it: without one pair of enclosing double quotes.
std::string Peer_Unquoted(const std::string &peer)
{
  if (peer.size() >= 2 && peer.front() == '"' && peer.back() == '"') return peer.substr(1, peer.size() - 2);
  return peer;
}

void Caption_Set() { server.outer.text = "Peer:\"" + Peer_Unquoted(server_peer) + "\" Port:" + server_port; }

void Place(Tools_Device &device, const char *name, int x, int y, int width, int height)
{
  device.name = name;
  device.x = (uint16_t)(x < 0 ? 0 : x);
  device.y = (uint16_t)(y < 0 ? 0 : y);
  device.width = (int16_t)width;
  device.height = (int16_t)height;
  device.font_style = "bold";
  device.font_size = FONT_SIZE;
}

// The field under the mouse pointer, or -1.
int Field_Under_Mouse()
{
  for (int f = 0; f < FIELDS; f++)
    if (Text::Select(server.fields[f], SELECT_TEST)) return f;
  return -1;
}

void Hover(int mode)
{
  if (!server.initialised) return;
  server.update.Select(mode);
  for (Text_Pane &field : server.fields) Text::Select(field, mode);
}

void Mouse_Left() { Hover(0); }
void Button_Down() { Server_Pane_Update(SELECT_PRESS); }

Pane_Handlers port_pane = {Server_Pane_Layout, Server_Pane_Paint, Hover, Button_Down, nullptr, Mouse_Left, nullptr,
                           Server_Pane_Key, 0};

// The pane's window is gone: its widgets go with it, and a new pane starts afresh.
void Forget() { server = Server_Pane(); }

}  // namespace

void Server_Pane_Layout(Window_Handle window, int width, int height)
{
  if (!server.initialised)
    for (int f = 0; f < FIELDS; f++) server.texts[f] = *FIELD_SETTINGS[f];

  Place(server.outer, "win_port", 0, 0, width, height);
  server.outer.options = BOX_NO_HOVER;
  Caption_Set();
  Boxs::Init(server.outer, window);
  int band = server.outer.Caption_Height();

  Box &inner = server.inner;
  Place(inner, "win_port inner", INSET, INSET, width - 2 * INSET, height - 2 * INSET - band);
  inner.options = BOX_NO_HOVER;
  Boxs::Init(inner, window);

  int left = inner.x + INSET, right = inner.x + inner.width - INSET;  // right: one past the last column
  int top = inner.y + inner.height - INSET;                           // one above the last row
  Place(server.update, BUTTON_LABEL, left, top - TOOLS_BUTTON_HEIGHT, right - left, TOOLS_BUTTON_HEIGHT);
  server.update.text = BUTTON_LABEL;
  Buttons::Init(server.update, window);

  int rows_top = server.update.y - TOOLS_MARGIN, rows_bottom = inner.y + INSET;
  int share = (rows_top - rows_bottom) / FIELDS;
  int field_height = share - 2 < FIELD_HEIGHT ? share - 2 : FIELD_HEIGHT;
  for (int f = 0; f < FIELDS; f++) {
    int y = rows_top - (f + 1) * share + (share - field_height) / 2;
    Label &label = server.labels[f];
    Place(label, FIELD_LABELS[f], left, y, LABEL_WIDTH, field_height);
    label.text = FIELD_LABELS[f];
    label.options = OPT_TEXT_LEFT;
    Labels::Init(label, window);
    Text_Pane &field = server.fields[f];
    Place(field, FIELD_LABELS[f], left + LABEL_WIDTH, y, right - left - LABEL_WIDTH, field_height);
    field.options = TEXT_ONE_LINE;
    Texts::Init(field, window);
  }
  server.initialised = true;
}

void Server_Pane_Paint()
{
  if (!server.initialised) return;
  Caption_Set();
  server.outer.Draw();
  server.inner.Draw();
  server.update.Draw();
  for (Label &label : server.labels) Labels::Draw(label);
  for (int f = 0; f < FIELDS; f++) Text::Write(server.fields[f], "%s", server.texts[f].c_str());
}

void Server_Pane_Key(int key)
{
  if (!server.initialised || key == 0) return;
  int f = Field_Under_Mouse();
  if (f < 0) return;
  Text_Pane &field = server.fields[f];
  std::string entered;
  if (!Text::Input(field, key) || !Texts::Read_Echo(field, entered)) return;
  server.texts[f] = entered;
  Text::Write(field, "%s", entered.c_str());
}

void Server_Pane_Update(int mode)
{
  if (!server.initialised || !server.update.Select(mode)) return;
  Button &button = server.update;
  button.pressed = 1;
  button.Draw();
  for (int f = 0; f < FIELDS; f++) *FIELD_SETTINGS[f] = server.texts[f];
  for (int f : SAVE_ORDER)
    if (!Environment_Set_Value_String(SERVER_SECTION, FIELD_KEYS[f], FIELD_SETTINGS[f]->c_str()))
      Message_Log(nullptr, MSG_TRACE, "Unable to write to registry");
  Server_Pane_Paint();
  button.pressed = 0;
  button.Draw();
}

std::string Server_Pane_Caption() { return server.outer.text; }

intptr_t Port_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message == WM_DESTROY) Forget();
  return Pane_Dispatch(port_pane, window, message, wparam, lparam);
}
