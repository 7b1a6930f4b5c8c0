// The GUI program's command line: tokens, options, and the program's answer to a command
// line it refuses (message, usage text, exit code).
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

TEST(Command_Line, tokens_split_at_white_space_but_not_inside_quotes_or_brackets)
{
  EXPECT_EQ(Command_Line_Tokenise("  -x 10\t800\n-v  "), (std::vector<std::string>{"-x", "10", "800", "-v"}));
  EXPECT_EQ(Command_Line_Tokenise("-d \"a b\" [c d] e"), (std::vector<std::string>{"-d", "\"a b\"", "[c d]", "e"}));
  EXPECT_EQ(Command_Line_Tokenise("-d \"[x\" y"), (std::vector<std::string>{"-d", "\"[x\"", "y"}));
  EXPECT_TRUE(Command_Line_Tokenise("").empty());
}

TEST(Command_Line, joining_argv_quotes_arguments_with_blanks)
{
  char program[] = "harrowdesk", d[] = "-d", value[] = "my folder";
  char *argv[] = {program, d, value};
  EXPECT_EQ(Command_Line_Tokenise(Command_Line_Join(3, argv)), (std::vector<std::string>{"-d", "\"my folder\""}));
}

TEST(Command_Line, options_set_geometry_and_trace_level)
{
  struct Case {
    const char *line;
    int x, y, width, height, level;
  } cases[] = {
      {"", CW_USEDEFAULT, CW_USEDEFAULT, 900, 600, 0},
      {"-x 10 800 -y 20 500", 10, 20, 800, 500, 0},
      {"-X 10 800 -Y 20 500", 10, 20, 800, 500, 0},
      {"-t -1", CW_USEDEFAULT, CW_USEDEFAULT, 900, 600, -1},
      {"-t 300", CW_USEDEFAULT, CW_USEDEFAULT, 900, 600, 44},  // kept as a signed byte
      {"-V -d anything", CW_USEDEFAULT, CW_USEDEFAULT, 900, 600, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    Command_Line_Options options;
    std::string bad;
    ASSERT_EQ(Command_Line_Apply(Command_Line_Tokenise(c.line), options, bad), 1);
    EXPECT_EQ(options.x, c.x);
    EXPECT_EQ(options.y, c.y);
    EXPECT_EQ(options.width, c.width);
    EXPECT_EQ(options.height, c.height);
    EXPECT_EQ(options.trace_level, c.level);
  }
}

TEST(Command_Line, unknown_tokens_and_missing_values_are_refused)
{
  struct Case {
    const char *line, *bad;
  } cases[] = {
      {"-q", "-q"}, {"image.dcm", "image.dcm"}, {"-x 10", "-x"}, {"-t", "-t"}, {"-d", "-d"}, {"-xx 1 2", "-xx"},
  };
  for (const Case &c : cases) {
    Command_Line_Options options;
    std::string bad;
    EXPECT_EQ(Command_Line_Apply(Command_Line_Tokenise(c.line), options, bad), 0) << c.line;
    EXPECT_EQ(bad, c.bad);
  }
}

TEST(Command_Line, the_program_prints_the_usage_and_exits_2_on_a_refused_option)
{
  Scoped_Temp_Env env;
  std::string program = Binary_Dir() + "src/app/harrowdesk";
  const char usage[] =
      "\n ----- ----- Harrowdesk (version: 1.0 Rev-7) ----- ----- \n\n\n --- usage: ---\n Harrowdesk [-x * *] [-y * *]\n"
      "\n\t[-x * *]   X position & dimentinon of window\n\t[-y * *]   Y position & dimentinon of window\n\n";
  for (const char *arguments : {"-q", "image.dcm", "-x 10"}) {
    int status = 0;
    std::string out = Run_Command(program + " " + arguments + " 2>" + env.root() + "err", &status);
    EXPECT_EQ(status, 2) << arguments;
    EXPECT_EQ(out, usage);
    std::string first = std::string(arguments).substr(0, std::string(arguments).find(' '));
    EXPECT_EQ(Read_File(env.root() + "err"), "unknown argument (" + first + ")\n");
  }
}
