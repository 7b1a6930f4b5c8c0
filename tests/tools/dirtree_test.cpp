// The folder tree over a folder made by the test and a mount table written by the test:
// drives, opening, selecting, the results of Select, and folders that cannot be listed.
#include <filesystem>

#include "tools/dirtree.h"
#include "tools/drives.h"
#include "tools/folder_chooser.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "tools_fixture.h"

class Dir_Tree_Test : public Tools_Test {
protected:
  void SetUp() override
  {
    Tools_Test::SetUp();
    home = env.temp() + "home/";
    for (const char *folder : {"Alpha/One", "Alpha/Two", "beta", ".hidden", "Gamma"})
      std::filesystem::create_directories(home + folder);
    Write_File(home + "file.txt", "not a folder");
    mounts = env.temp() + "mounts";
    Write_File(mounts, "proc /proc proc rw 0 0\n"
                       "/dev/loop3 /snap/core squashfs ro 0 0\n"
                       "tmpfs /run tmpfs rw 0 0\n"
                       "/dev/vda / ext4 rw 0 0\n"
                       "server:/export /mnt/nfs\\040share nfs4 rw 0 0\n"
                       "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
                       "/dev/vda /again ext4 rw 0 0\n"
                       "/dev/vda / ext4 rw 0 0\n");
    Place(tree, 10, 10, 380, 280, 200);
    tree.home = home;
    tree.mounts = mounts;
    DirTrees::Init(tree, window);
  }

  // Puts the mouse on row `row` (from the top, after scrolling) and column `column`.
  void Mouse_On(int row, int column)
  {
    int x1 = tree.x + 2 + 2;  // inside the bevel of depth 2
    int y2 = tree.vbar.y + tree.vbar.height - 1 - 2;  // the rows' top
    Mouse_At(x1 + column * DIR_ROW + 5, y2 - row * DIR_ROW - 5);
  }

  int Row_Of(const std::string &path)
  {
    for (size_t r = 0; r < tree.rows.size(); r++)
      if (tree.rows[r].node->path == path) return (int)r - tree.scroll_row;
    return -1;
  }

  Scoped_Temp_Env env;
  std::string home, mounts;
  Dir_Tree tree;
};

TEST_F(Dir_Tree_Test, DrivesAreHomeFirstThenRealMountPointsOnceEach)
{
  std::vector<Drive_Info> drives = Drives_List(mounts, home);
  ASSERT_EQ(drives.size(), 5u);
  EXPECT_EQ(drives[0].path, home);
  EXPECT_EQ(drives[1].path, "/");
  EXPECT_EQ(drives[1].type, DRIVE_FIXED);
  EXPECT_EQ(drives[2].path, "/mnt/nfs share/");
  EXPECT_EQ(drives[2].type, DRIVE_REMOTE);
  EXPECT_EQ(drives[3].path, "/media/cdrom/");
  EXPECT_EQ(drives[3].type, DRIVE_CDROM);
  EXPECT_EQ(drives[4].path, "/again/");
  EXPECT_EQ(Drives_List(env.temp() + "missing", home).size(), 1u);
  ASSERT_EQ(tree.root.name, "My Computer");
  EXPECT_EQ(tree.root.flags, DIR_ROOT | DIR_OPEN);
  EXPECT_EQ(tree.root.child[0].flags, DIR_OPENABLE | DIR_DRIVE | DRIVE_FIXED);
}

TEST_F(Dir_Tree_Test, SetPathOpensDownToTheFolderAndSelectsIt)
{
  EXPECT_EQ(DirTrees::Set_Path(tree, home + "Alpha/Two"), 1);
  EXPECT_EQ(DirTrees::Read(tree), home + "Alpha/Two/");
  EXPECT_EQ(tree.selected_name, "Two");
  ASSERT_GE(Row_Of(home + "Alpha/Two/"), 0);
  std::vector<std::string> names;
  for (const Dir_Node &child : tree.root.child[0].child) names.push_back(child.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Gamma"}));  // no files, no hidden folders
  EXPECT_EQ(DirTrees::Set_Path(tree, home + "Alpha/Missing/"), 0);
  EXPECT_EQ(DirTrees::Read(tree), home + "Alpha/");
}

TEST_F(Dir_Tree_Test, PressOnAGlyphOpensAndClosesAndOnANameSelects)
{
  DirTrees::Dir_Tree_Draw2(tree);
  int home_row = Row_Of(home);
  ASSERT_EQ(home_row, 1);
  Mouse_On(home_row, 1);                       // the home drive's glyph (depth 1)
  EXPECT_EQ(DirTrees::Select(tree, 2), 1);
  EXPECT_TRUE(tree.root.child[0].flags & DIR_OPEN);
  int alpha = Row_Of(home + "Alpha/");
  ASSERT_EQ(alpha, 2);
  Mouse_On(alpha, 2);                          // Alpha's glyph: opens it
  EXPECT_EQ(DirTrees::Select(tree, 2), 1);
  ASSERT_EQ(Row_Of(home + "Alpha/One/"), 3);
  Mouse_On(3, 5);                              // One's name
  EXPECT_EQ(DirTrees::Select(tree, 2), 2);
  EXPECT_EQ(DirTrees::Read(tree), home + "Alpha/One/");
  Mouse_On(alpha, 2);                          // closing Alpha hides One
  EXPECT_EQ(DirTrees::Select(tree, 2), 1);
  EXPECT_EQ(Row_Of(home + "Alpha/One/"), -1);
  Mouse_On(alpha, 0);                          // left of the glyph: nothing
  EXPECT_EQ(DirTrees::Select(tree, 2), 0);
  EXPECT_EQ(DirTrees::Select(tree, 0), 1);     // mode 0: hover refresh only
  Mouse_On(0, 3);                              // "My Computer" has no path to select
  EXPECT_EQ(DirTrees::Select(tree, 2), 0);
}

TEST_F(Dir_Tree_Test, UnreadableFolderIsTracedAndStaysEmpty)
{
  Message_Capture capture;
  Dir_Node gone;
  gone.flags = DIR_OPENABLE;
  gone.name = "gone";
  gone.path = home + "gone/";
  tree.root.child[0].child.clear();
  tree.root.child[0].flags |= DIR_LISTED | DIR_OPEN;
  tree.root.child[0].child.push_back(gone);
  DirTrees::Toggle(tree, tree.root.child[0].child[0]);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Scan_Dir(" + home + "gone/) -> NULL"), 1);
  EXPECT_TRUE(tree.root.child[0].child[0].flags & DIR_LISTED);
  EXPECT_TRUE(tree.root.child[0].child[0].child.empty());
}

TEST_F(Dir_Tree_Test, FolderChooserReturnsTheClickedFolderOrNothing)
{
  struct { bool ok; int result; } cases[] = {{true, 1}, {false, 0}};
  for (auto &c : cases) {
    Window_Handle chooser = Folder_Chooser_Open(window, "Choose", home + "beta/");
    ASSERT_NE(chooser, nullptr);
    Window_Process_Pending();
    int width = 0, height = 0;
    Window_Get_Client_Size(chooser, &width, &height);
    int x = c.ok ? width - 6 - 2 * 96 + 40 : width - 6 - 96 + 40;  // OK, then Cancel
    Window_Input_Mouse_Button(chooser, 0, 1, x, height - 6 - 12);
    Window_Process_Pending();
    std::string folder = "untouched";
    EXPECT_EQ(Folder_Chooser_State(chooser, folder), c.result);
    EXPECT_EQ(folder, c.ok ? home + "beta/" : "untouched");
    EXPECT_FALSE(Window_Is_Window(chooser));
  }
}
