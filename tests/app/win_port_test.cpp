// The server pane on its own, on the headless backend: a top-level window with one "PORT"
// child, typed into with the pointer over a field (injected keys and characters, no click),
// its button pressed, and what it changed read back: the caption, the four settings, the
// four files of the "Courierline" section, the traces of writes that fail. Pictures of the
// pane go to the build tree's test-output folder for a person to look at.
#include "app/win_port.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/win_classes.h"
#include "platform/window/window_input.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools/tools_fixture.h"

namespace {

// The pixels of a band of rows (y downwards) of a window's client area.
std::vector<uint32_t> Rows(Window_Handle window, int y1, int y2)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
  std::vector<uint32_t> pixels;
  for (int y = y1; y < y2; y++)
    for (int x = 0; x < width; x++) pixels.push_back(Pixel_At(window, x, height - 1 - y));
  return pixels;
}

class Server_Pane_Test : public ::testing::Test {
protected:
  // The pane at (kLeft, kTop) of the top-level window, kWidth x kHeight. Points below are
  // in the top-level window's client coordinates, y downwards.
  static constexpr int kLeft = 10, kTop = 10, kWidth = 340, kHeight = 200;
  static constexpr int kButtonX = kLeft + 170, kButtonY = kTop + 42;  // on "DICOM Server Update"
  static constexpr int kFieldX = kLeft + 230;                          // inside every field
  static constexpr int kPeerY = kTop + 78, kPortY = kTop + 110, kSenderY = kTop + 142, kCalledY = kTop + 174;

  void SetUp() override
  {
    setenv("HARROWDESK_BACKEND", "headless", 1);
    ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
    ASSERT_EQ(Window_Classes_Register(), 1);
    Window_Class top_class;
    top_class.name = "Server_Pane_Test";
    top_class.procedure = Window_Default_Proc;
    top_class.background = 0x404040;
    ASSERT_EQ(Window_Class_Register(top_class), 1);
    Configuration_Defaults();
    server_peer = "old.host", server_port = "11112", local_AET = "HARROW", server_AET = "ORTHANC";
    top = Window_Create(0, "Server_Pane_Test", "server pane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 30,
                        kWidth + 2 * kLeft, kHeight + 2 * kTop, nullptr, 0, nullptr);
    ASSERT_NE(top, nullptr);
    pane = Window_Create(0, "PORT", "", WS_CHILD | WS_VISIBLE, kLeft, kTop, kWidth, kHeight, top, 1, nullptr);
    ASSERT_NE(pane, nullptr);
    Pump();
  }

  void TearDown() override
  {
    Window_System_Stop();
    Configuration_Defaults();
  }

  void Pump()
  {
    while (Window_Process_Pending() > 0) {
    }
  }

  void Move(int x, int y)
  {
    Window_Input_Mouse_Move(top, x, y);
    Pump();
  }
  void Click(int x, int y)
  {
    Move(x, y);
    Window_Input_Mouse_Button(top, 0, 1, x, y);
    Window_Input_Mouse_Button(top, 0, 0, x, y);
    Pump();
  }
  // A key going down, its character (0: none) and the key coming up.
  void Key(int virtual_key, unsigned character)
  {
    Window_Input_Key(top, virtual_key, 0, 1);
    if (character) Window_Input_Char(top, character);
    Window_Input_Key(top, virtual_key, 0, 0);
    Pump();
  }
  void Type(const std::string &text)
  {
    for (unsigned char c : text) Key(std::isalnum(c) ? std::toupper(c) : VK_OEM_PERIOD, c);
  }
  void Erase(int count)
  {
    for (int i = 0; i < count; i++) Key(VK_BACK, 0x08);
  }
  void Enter() { Key(VK_RETURN, 0x0D); }

  std::string Courierline(const char *key) { return Read_File(env.app_data() + "ArdentVale/Courierline/" + key); }

  // The four server settings, and the four files of "Courierline", hold these values.
  void Expect_Saved(const char *peer, const char *port, const char *sender, const char *called)
  {
    EXPECT_EQ(server_peer, peer);
    EXPECT_EQ(server_port, port);
    EXPECT_EQ(local_AET, sender);
    EXPECT_EQ(server_AET, called);
    EXPECT_EQ(Courierline("server_peer"), peer);
    EXPECT_EQ(Courierline("server_port"), port);
    EXPECT_EQ(Courierline("local_AET"), sender);
    EXPECT_EQ(Courierline("server_AET"), called);
  }

  void Save_Picture(const char *name)
  {
    std::filesystem::create_directories(Binary_Dir() + "test-output");
    EXPECT_EQ(Window_Save_PNG(pane, (Binary_Dir() + "test-output/" + name).c_str()), 1);
  }

  Scoped_Temp_Env env;
  Window_Handle top = nullptr, pane = nullptr;
};

TEST_F(Server_Pane_Test, a_peer_typed_under_the_pointer_and_saved_shows_in_the_caption_and_in_courierline)
{
  Message_Capture capture(5);
  EXPECT_EQ(Server_Pane_Caption(), "Peer:\"old.host\" Port:11112");
  Save_Picture("server_pane_before.png");
  std::vector<uint32_t> caption_before = Rows(pane, 3, 20);

  Move(kFieldX, kPeerY);  // no click: the pointer picks the field
  Erase(8);
  Type("pacs.example.org");
  Enter();
  EXPECT_EQ(server_peer, "old.host");  // entered in the pane, not yet a setting
  EXPECT_EQ(Files_Below(env.app_data()), std::vector<std::string>{});

  Click(kButtonX, kButtonY);
  EXPECT_EQ(Server_Pane_Caption(), "Peer:\"pacs.example.org\" Port:11112");
  EXPECT_NE(Rows(pane, 3, 20), caption_before);
  Expect_Saved("pacs.example.org", "11112", "HARROW", "ORTHANC");
  const std::string write = "in Environment_Set_Value_String(Courierline,";
  std::vector<std::string> writes;  // the store's traces of the four writes, in their order
  for (const std::string &text : capture.Texts(MSG_TRACE + 4))
    if (text.rfind(write, 0) == 0) writes.push_back(text.substr(write.size()));
  EXPECT_EQ(writes, (std::vector<std::string>{"local_AET,HARROW)", "server_AET,ORTHANC)",
                                              "server_peer,pacs.example.org)", "server_port,11112)"}));
  // Only the pane's own section is written: the program's settings wait for "Done".
  EXPECT_EQ(Files_Below(env.app_data()),
            (std::vector<std::string>{"ArdentVale/Courierline/local_AET", "ArdentVale/Courierline/server_AET",
                                      "ArdentVale/Courierline/server_peer", "ArdentVale/Courierline/server_port"}));
  Save_Picture("server_pane_after.png");
  EXPECT_EQ(capture.Count(0, "WARNING"), 0);  // every widget was ready for what it was asked
}

TEST_F(Server_Pane_Test, only_an_entry_completed_with_enter_is_saved_and_keys_beside_the_fields_go_nowhere)
{
  Move(kFieldX, kPortY);
  Type("4242");  // no Enter: dropped
  Move(kFieldX, kSenderY);
  Type("X");
  Enter();
  Move(kFieldX, kCalledY);
  Erase(7);
  Type("ANY");
  Enter();
  Move(kButtonX, kButtonY);  // over the button, not a field
  Type("zz");
  Enter();
  Click(kButtonX, kButtonY);
  Expect_Saved("old.host", "11112", "HARROWX", "ANY");
}

TEST_F(Server_Pane_Test, a_press_beside_the_button_saves_nothing)
{
  Move(kFieldX, kPeerY);
  Type("x");
  Enter();
  for (int y : {kTop + 14, kPeerY, kTop + kHeight - 3}) Click(kButtonX, y);
  EXPECT_EQ(server_peer, "old.host");
  EXPECT_EQ(Files_Below(env.app_data()), std::vector<std::string>{});
}

TEST_F(Server_Pane_Test, the_button_lights_up_under_the_pointer)
{
  // A point of the button's face left of its label, in the pane's coordinates (y up).
  const int x = kButtonX - kLeft - 120, y = kHeight - 1 - (kButtonY - kTop);
  uint32_t normal = Pixel_At(pane, x, y);
  Move(kButtonX, kButtonY);
  EXPECT_NE(Pixel_At(pane, x, y), normal);
  Move(kFieldX, kPeerY);
  EXPECT_EQ(Pixel_At(pane, x, y), normal);
}

TEST_F(Server_Pane_Test, the_caption_drops_one_pair_of_enclosing_quotes_from_the_peer)
{
  struct Case {
    const char *peer, *caption;
  } cases[] = {
      {"pacs", "Peer:\"pacs\" Port:11112"},
      {"\"pacs\"", "Peer:\"pacs\" Port:11112"},
      {"\"\"pacs\"\"", "Peer:\"\"pacs\"\" Port:11112"},
      {"\"pacs", "Peer:\"\"pacs\" Port:11112"},
      {"pacs\"", "Peer:\"pacs\"\" Port:11112"},
      {"\"\"", "Peer:\"\" Port:11112"},
      {"\"", "Peer:\"\"\" Port:11112"},
      {"", "Peer:\"\" Port:11112"},
  };
  for (const Case &c : cases) {
    server_peer = c.peer;
    Window_Invalidate(pane, 1);
    Pump();
    EXPECT_EQ(Server_Pane_Caption(), c.caption) << c.peer;
  }
}

TEST_F(Server_Pane_Test, a_store_that_cannot_be_written_traces_each_of_the_four_writes_and_keeps_the_values)
{
  ASSERT_TRUE(Write_File(env.root() + "not-a-folder", "x"));
  setenv("HARROWDESK_APPDATA", (env.root() + "not-a-folder").c_str(), 1);
  Move(kFieldX, kPeerY);
  Erase(8);
  Type("new.host");
  Enter();
  Message_Capture capture(1);
  Click(kButtonX, kButtonY);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to write to registry"), 4);
  EXPECT_EQ(server_peer, "new.host");
  EXPECT_EQ(Server_Pane_Caption(), "Peer:\"new.host\" Port:11112");
}

TEST_F(Server_Pane_Test, a_pane_made_again_takes_the_settings_afresh)
{
  Move(kFieldX, kPeerY);
  Type("x");
  Enter();
  Window_Destroy(pane);
  server_port = "104";
  pane = Window_Create(0, "PORT", "", WS_CHILD | WS_VISIBLE, kLeft, kTop, kWidth, kHeight, top, 1, nullptr);
  ASSERT_NE(pane, nullptr);
  Pump();
  Click(kButtonX, kButtonY);
  EXPECT_EQ(server_peer, "old.host");  // the typed "x" went with the old pane
  EXPECT_EQ(Courierline("server_port"), "104");
}

}  // namespace
