// harrowdesk-cli's progress bar end to end: the copy command run with standard error on a
// pseudo-terminal (raw mode, so that what is read is what the program wrote), and the
// screen lines rebuilt as a terminal shows them (a carriage return starts the line
// again, "\033[K" clears it). A bar must appear, and no screen line may hold both a log
// text and a bar. With standard error on a pipe, or with -q, no bar is drawn at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/dicom_file_writer.h"
#include "support/test_support.h"

namespace {

const char CLEAR_LINE[] = "\033[K";

const size_t BAR_WIDTH = 30;  // marks between the bar's brackets

// Where the bar's marks start in `text` ("[" then 30 of '#' and '.', then "]"), or npos.
size_t Bar_At(const std::string &text)
{
  for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    if (open + BAR_WIDTH + 1 >= text.size() || text[open + BAR_WIDTH + 1] != ']') continue;
    if (text.find_first_not_of("#.", open + 1) == open + BAR_WIDTH + 1) return open;
  }
  return std::string::npos;
}

// A bar line as drawn: the phase, the marks, "N/M", then the rate and the time left.
bool Is_Bar_Line(const std::string &line)
{
  const size_t at = Bar_At(line);
  if (at == std::string::npos) return false;
  const std::string phase = line.substr(0, at);
  bool known = false;
  for (const char *label : {"Scanning ", "Reading headers ", "Copying ", "Pushing "}) known = known || phase == label;
  int position = -1, range = -1, end = 0;
  const std::string rest = line.substr(at + BAR_WIDTH + 2);
  const bool counted = std::sscanf(rest.c_str(), " %d/%d%n", &position, &range, &end) == 2;
  const std::string tail = counted ? rest.substr((size_t)end) : "";
  const bool timed = tail.find(" files/s  ") != std::string::npos && tail.size() > 5 &&
                     tail.compare(tail.size() - 5, 5, " left") == 0;
  return known && counted && timed;
}

// Runs `arguments` with standard error on a new pseudo-terminal (standard output to
// /dev/null); returns all that the program wrote there, `status` its exit code.
std::string Run_On_Terminal(const std::vector<std::string> &arguments, int *status)
{
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "";
  const std::string slave_name = ptsname(master);
  pid_t child = fork();
  if (child == 0) {
    setsid();
    int slave = open(slave_name.c_str(), O_RDWR);
    termios mode;
    tcgetattr(slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    close(master);
    std::vector<char *> argv;
    for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string output;
  char block[4096];
  for (ssize_t got; (got = read(master, block, sizeof block)) > 0;) output.append(block, (size_t)got);  // EIO at the end
  close(master);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  *status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return output;
}

// The lines a terminal shows for `output`: each line feed ends a line, a carriage
// return starts it again, the clear sequence erases what follows.
std::vector<std::string> Screen_Lines(const std::string &output)
{
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) {
    line = line.substr(line.rfind('\r') == std::string::npos ? 0 : line.rfind('\r') + 1);
    for (size_t at; (at = line.find(CLEAR_LINE)) != std::string::npos;) line.erase(at, sizeof CLEAR_LINE - 1);
    lines.push_back(line);
  }
  return lines;
}

class Cli_Progress : public ::testing::Test {
protected:
  void SetUp() override
  {
    source_ = env_.root() + "in/";
    mkdir(source_.c_str(), 0700);
    for (int i = 0; i < 12; i++)
      ASSERT_TRUE(Write_File(source_ + "image" + std::to_string(i) + ".dcm",
                             Part10_Bytes({{0x0010, 0x0020, "LO", "P1"}, {0x0020, 0x0013, "IS", std::to_string(i + 1)}},
                                          "1.2.3.14." + std::to_string(i))));
    ASSERT_TRUE(Write_File(source_ + "README.txt", "a note among the images\n"));
  }

  // The copy command's arguments, into a new target folder, then `extra`.
  std::vector<std::string> Copy_Arguments(const std::string &target, std::vector<std::string> extra)
  {
    mkdir(target.c_str(), 0700);
    std::vector<std::string> arguments = {Binary_Dir() + "src/app/harrowdesk-cli", "copy", source_, "--to", target};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  }

  Scoped_Temp_Env env_;
  std::string source_;
};

TEST_F(Cli_Progress, a_copy_on_a_terminal_draws_bars_and_prints_every_log_line_apart_from_them)
{
  int status = -1;
  const std::string output = Run_On_Terminal(Copy_Arguments(env_.root() + "out/", {}), &status);
  EXPECT_EQ(0, status) << output;
  bool summary = false;
  for (const std::string &line : Screen_Lines(output)) {
    if (Bar_At(line) != std::string::npos) {
      EXPECT_TRUE(Is_Bar_Line(line)) << "a log text shares the bar's line: " << line;
    }
    summary = summary || line == "12 copied, 1 skipped (not DICOM: no readable header), 0 failed";
  }
  // Each bar drawn, wherever the screen line ended up.
  EXPECT_NE(std::string::npos, output.find("\033[KCopying [")) << output;
  EXPECT_NE(std::string::npos, output.find("\033[KScanning [")) << output;
  EXPECT_TRUE(summary) << output;
  EXPECT_NE(std::string::npos, output.find(source_ + "image3.dcm")) << "the per-file lines are shown";
}

TEST_F(Cli_Progress, no_bar_is_drawn_on_a_pipe_or_when_quiet)
{
  int status = -1;
  mkdir((env_.root() + "piped/").c_str(), 0700);
  Run_Command("'" + Binary_Dir() + "src/app/harrowdesk-cli' copy '" + source_ + "' --to '" + env_.root() +
                  "piped/' 2>'" + env_.root() + "piped.err' >/dev/null",
              &status);
  const std::string pipe_output = Read_File(env_.root() + "piped.err");
  EXPECT_EQ(0, status) << pipe_output;
  EXPECT_NE(std::string::npos, pipe_output.find("12 copied, 1 skipped")) << pipe_output;
  const std::string quiet = Run_On_Terminal(Copy_Arguments(env_.root() + "quiet/", {"-q"}), &status);
  EXPECT_EQ(0, status) << quiet;
  const struct {
    const char *name;
    std::string output;
  } cases[] = {{"a pipe", pipe_output}, {"-q on a terminal", quiet}};
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(std::string::npos, Bar_At(test.output)) << test.output;
    EXPECT_EQ(std::string::npos, test.output.find(CLEAR_LINE)) << test.output;
  }
  EXPECT_EQ(std::string::npos, quiet.find("copied")) << "quiet prints no summary: " << quiet;
}

}  // namespace
