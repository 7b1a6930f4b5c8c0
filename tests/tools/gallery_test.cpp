// harrowdesk-gallery: the picture is written and has the gallery's size; bad command lines
// give the usage exit code and one line naming the fault.
#include <climits>
#include <unistd.h>

#include "platform/window/window_png.h"
#include "tools_fixture.h"

// The gallery tool in the build tree, found from this test's own executable.
static std::string Gallery_Path()
{
  char path[PATH_MAX] = {0};
  ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, size > 0 ? (size_t)size : 0);
  return exe.substr(0, exe.rfind("/tests/") + 1) + "src/app/harrowdesk-gallery";
}

TEST(Gallery, DrawsTheWholeToolkitIntoAPicture)
{
  if (access(Gallery_Path().c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-gallery is not built";
  Scoped_Temp_Env env;
  std::string out = env.temp() + "gallery.png";
  int status = -1;
  Run_Command(Gallery_Path() + " " + out + " >/dev/null 2>&1", &status);
  ASSERT_EQ(status, 0);
  Framebuffer frame;
  ASSERT_EQ(Framebuffer_Load_PNG(&frame, out.c_str()), 1);
  EXPECT_EQ(frame.width, 1180);
  EXPECT_EQ(frame.height, 860);
  int hover_red = 0;  // the hovered button's face
  for (uint32_t p : frame.pixels) hover_red += p == 0xE66464;
  EXPECT_GT(hover_red, 500);
  struct { const char *args; int code; } cases[] = {{"", 2}, {"a.png b.png", 2}, {"--help", 0}, {"-h", 0},
                                                   {"/no/such/folder/x.png", 1}};
  for (auto &c : cases) {
    Run_Command(Gallery_Path() + " " + c.args + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, c.code) << c.args;
  }
}

TEST(Gallery, usage_errors_exit_2_with_one_line_naming_the_fault)
{
  if (access(Gallery_Path().c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-gallery is not built";
  Scoped_Temp_Env env;
  const struct {
    std::string args, line;
  } cases[] = {
      {"--size 3 out.png", "harrowdesk-gallery: unknown option '--size'"},
      {"a.png b.png", "harrowdesk-gallery: unexpected operand 'b.png'"},
      {"", "harrowdesk-gallery: no OUT.png given"},
  };
  for (const auto &c : cases) {
    int status = -1;
    std::string errors = Run_Command("cd '" + env.temp() + "' && " + Gallery_Path() + " " + c.args + " 2>&1", &status);
    EXPECT_EQ(status, 2) << c.args;
    EXPECT_EQ(errors, c.line + " (see 'harrowdesk-gallery --help')\n") << c.args;
  }
}

TEST(Gallery, help_names_the_tool_and_ends_with_the_exit_status)
{
  if (access(Gallery_Path().c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-gallery is not built";
  int status = -1;
  std::string out = Run_Command(Gallery_Path() + " --help", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.rfind("usage: harrowdesk-gallery OUT.png\n", 0), 0u) << out;
  EXPECT_NE(out.find("\nExit status: 0 "), std::string::npos) << out;
  EXPECT_NE(out.find("; 2 usage error\n"), std::string::npos) << out;
}
