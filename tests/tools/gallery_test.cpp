// harrowdesk-cli gallery: the picture is written and has the gallery's size; bad command
// lines give the usage exit code.
#include <climits>
#include <unistd.h>

#include "platform/window/window_png.h"
#include "tools_fixture.h"

// The CLI binary in the build tree, found from this test's own executable.
static std::string Cli_Path()
{
  char path[PATH_MAX] = {0};
  ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, size > 0 ? (size_t)size : 0);
  return exe.substr(0, exe.rfind("/tests/") + 1) + "src/app/harrowdesk-cli";
}

TEST(Gallery, DrawsTheWholeToolkitIntoAPicture)
{
  if (access(Cli_Path().c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-cli is not built";
  Scoped_Temp_Env env;
  std::string out = env.temp() + "gallery.png";
  int status = -1;
  Run_Command(Cli_Path() + " gallery " + out + " >/dev/null 2>&1", &status);
  ASSERT_EQ(status, 0);
  Framebuffer frame;
  ASSERT_EQ(Framebuffer_Load_PNG(&frame, out.c_str()), 1);
  EXPECT_EQ(frame.width, 1180);
  EXPECT_EQ(frame.height, 860);
  int hover_red = 0;  // the hovered button's face
  for (uint32_t p : frame.pixels) hover_red += p == 0xE66464;
  EXPECT_GT(hover_red, 500);
  struct { const char *args; int code; } cases[] = {{"gallery", 2}, {"gallery a.png b.png", 2}, {"gallery --help", 0},
                                                   {"gallery /no/such/folder/x.png", 1}};
  for (auto &c : cases) {
    Run_Command(Cli_Path() + " " + c.args + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, c.code) << c.args;
  }
}
