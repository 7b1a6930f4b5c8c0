// The key translation for key and character messages, with the modifier keys held.
#include "platform/window/window_input.h"
#include "platform/window/window_messages.h"
#include "platform/window/window_queue.h"
#include "tools/keys.h"
#include "tools_fixture.h"

class Keys_Test : public Tools_Test {
protected:
  // Translates a key-down with the modifiers held (injected, so the window system knows).
  int Key(int virtual_key, bool extended, std::initializer_list<int> held = {})
  {
    for (int modifier : held) Window_Input_Key(window, modifier, 0, 1);
    int code = Tools_Key_Translate(window, WM_KEYDOWN, (uintptr_t)virtual_key, extended ? (intptr_t)KF_EXTENDED_BIT : (intptr_t)0);
    for (int modifier : held) Window_Input_Key(window, modifier, 0, 0);
    Window_Process_Pending();
    return code;
  }
  int Char(unsigned character) { return Tools_Key_Translate(window, WM_CHAR, character, 0); }
};

TEST_F(Keys_Test, NavigationKeysHaveTheirKeypadCodes)
{
  struct { int key; int code; } cases[] = {
      {VK_INSERT, 0x1060}, {VK_END, 0x1061}, {VK_DOWN, 0x1062}, {VK_NEXT, 0x1063}, {VK_LEFT, 0x1064},
      {VK_RIGHT, 0x1066}, {VK_HOME, 0x1067}, {VK_UP, 0x1068}, {VK_PRIOR, 0x1069}, {VK_DELETE, 0x106E}};
  for (auto &c : cases) {
    EXPECT_EQ(Key(c.key, true), c.code) << c.key;
    EXPECT_EQ(Key(c.key, false), c.code) << c.key;  // the keypad's own, Num Lock off
    EXPECT_EQ(Key(c.key, true, {VK_SHIFT}), c.code | 0x100) << c.key;
  }
}

TEST_F(Keys_Test, CtrlAndAltWithDigitsAndLettersComeFromTheKeyDown)
{
  for (int digit = '0'; digit <= '9'; digit++) EXPECT_EQ(Key(digit, false, {VK_CONTROL}), digit | 0x200);
  EXPECT_EQ(Key('D', false, {VK_CONTROL}), 'D' | 0x200);
  EXPECT_EQ(Key('X', false, {VK_MENU}), 'X' | 0x400);
  EXPECT_EQ(Key('D', false), 0);  // a plain letter comes as its character
}

TEST_F(Keys_Test, CharactersCarryShiftAndTheKeypadMarks)
{
  EXPECT_EQ(Char('d'), 'd');
  EXPECT_EQ(Char(0x08), 0x08);
  EXPECT_EQ(Char(0x0D), 0x0D);
  EXPECT_EQ(Char(0x04), 0);      // Ctrl+D's control character: the key-down gave it
  EXPECT_EQ(Char(0x263A), 0);    // outside the program's 8-bit texts
  Window_Input_Key(window, VK_SHIFT, 0, 1);
  EXPECT_EQ(Char('D'), 'D' | 0x100);
  Window_Input_Key(window, VK_SHIFT, 0, 0);
  Key(VK_NUMPAD0 + 7, false);
  EXPECT_EQ(Char('7'), 0x2000 | '7');
  EXPECT_EQ(Key(VK_RETURN, true), 0x100D);
  EXPECT_EQ(Char(0x0D), 0);      // keypad Enter was given by its key-down
  EXPECT_EQ(Key(VK_RETURN, false), 0);
  EXPECT_EQ(Char(0x0D), 0x0D);
}

TEST_F(Keys_Test, EscapeAsksTheWindowToClose)
{
  Window_Queue_Remove(nullptr, WM_CLOSE);
  EXPECT_EQ(Char(0x1B), 0x1B);
  Window_Message msg;
  ASSERT_EQ(Window_Peek_Message(&msg, window, WM_CLOSE, WM_CLOSE, 1), 1);
  EXPECT_EQ(msg.message, (unsigned)WM_CLOSE);
}
