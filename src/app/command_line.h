// The GUI program's command line: "-x X W", "-y Y H", "-t LEVEL", "-v", "-d TOKEN".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/os/os_messages.h"  // CW_USEDEFAULT

struct Command_Line_Options {
  int x = CW_USEDEFAULT;  // main window position and size
  int y = CW_USEDEFAULT;
  int width = 900;
  int height = 600;
  signed char trace_level = 0;
};

// Splits a command line at blanks, tabs and line feeds. A stretch in double quotes or in
// square brackets is not split; the quotes and brackets stay in the token.
std::vector<std::string> Command_Line_Tokenise(const std::string &line);

// Joins argv[1..] into one command line, quoting each argument that holds white space,
// so that Command_Line_Tokenise gives the arguments back as the shell passed them.
std::string Command_Line_Join(int argc, char **argv);

// Applies the options in `tokens` (letters case-blind; each value is the next token read
// as a decimal number). Returns 1 when every token was understood; returns 0 with the
// offending token in `bad` (an unknown token, or an option whose value is missing),
// leaving the options applied so far in `options`.
int Command_Line_Apply(const std::vector<std::string> &tokens, Command_Line_Options &options, std::string &bad);

// Prints the usage text of `program` and `version`.
void Command_Line_Usage(FILE *stream, const char *program, const char *version);
