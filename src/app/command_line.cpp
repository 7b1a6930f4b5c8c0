// Tokenising and applying the GUI program's options. The tokeniser keeps the original
// program's rules (quotes and square brackets group, and stay in the token) so the same
// command lines mean the same thing.
#include "app/command_line.h"

#include <cctype>
#include <cstdlib>

std::vector<std::string> Command_Line_Tokenise(const std::string &line)
{
  std::vector<std::string> tokens;
  std::string token;
  bool in_quotes = false;
  int bracket_depth = 0;
  for (char c : line) {
    bool blank = c == ' ' || c == '\t' || c == '\n';
    if (blank && !in_quotes && bracket_depth == 0) {
      if (!token.empty()) tokens.push_back(token);
      token.clear();
      continue;
    }
    if (c == '"') in_quotes = !in_quotes;
    else if (!in_quotes && c == '[') bracket_depth++;
    else if (!in_quotes && c == ']' && bracket_depth > 0) bracket_depth--;
    token += c;
  }
  if (!token.empty()) tokens.push_back(token);
  return tokens;
}

std::string Command_Line_Join(int argc, char **argv)
{
  std::string line;
  for (int i = 1; i < argc; i++) {
    std::string argument = argv[i];
    bool has_blank = argument.find_first_of(" \t\n") != std::string::npos;
    if (!line.empty()) line += ' ';
    line += (has_blank && argument.find('"') == std::string::npos) ? "\"" + argument + "\"" : argument;
  }
  return line;
}

// The option letter of `token` in lower case, or 0 when it is not "-" and one letter.
static char Option_Letter(const std::string &token)
{
  if (token.size() != 2 || token[0] != '-') return 0;
  return (char)std::tolower((unsigned char)token[1]);
}

// How many value tokens follow option `letter`, or -1 for no option of ours.
static int Option_Value_Count(char letter)
{
  switch (letter) {
  case 'x':
  case 'y': return 2;
  case 't':
  case 'd': return 1;
  case 'v': return 0;
  default: return -1;
  }
}

static int Decimal(const std::string &token) { return (int)std::strtol(token.c_str(), nullptr, 10); }

int Command_Line_Apply(const std::vector<std::string> &tokens, Command_Line_Options &options, std::string &bad)
{
  for (size_t i = 0; i < tokens.size(); i++) {
    char letter = Option_Letter(tokens[i]);
    int values = Option_Value_Count(letter);
    if (values < 0 || tokens.size() - i - 1 < (size_t)values) {
      bad = tokens[i];
      return 0;
    }
    switch (letter) {
    case 'x':
      options.x = Decimal(tokens[i + 1]);
      options.width = Decimal(tokens[i + 2]);
      break;
    case 'y':
      options.y = Decimal(tokens[i + 1]);
      options.height = Decimal(tokens[i + 2]);
      break;
    case 't': options.trace_level = (signed char)Decimal(tokens[i + 1]); break;
    case 'v': options.trace_level = 5; break;
    default: break;  // "-d": its token is read and ignored
    }
    i += (size_t)values;
  }
  return 1;
}

void Command_Line_Usage(FILE *stream, const char *program, const char *version)
{
  std::fprintf(stream, "\n");
  std::fprintf(stream, " ----- ----- %s (version: %s) ----- ----- \n", program, version);
  std::fprintf(stream, "\n");
  std::fprintf(stream, "\n --- usage: ---\n");
  std::fprintf(stream, " %s [-x * *] [-y * *]", program);
  std::fprintf(stream, "\n");
  std::fprintf(stream, "\n\t[-x * *]   X position & dimentinon of window");
  std::fprintf(stream, "\n\t[-y * *]   Y position & dimentinon of window");
  std::fprintf(stream, "\n\n");
}
