// harrowdesk-cli dump: reads each file named with the header reader and prints the
// library's listing of its attributes. The listing's markup bytes become terminal
// colours when standard output is a terminal (and NO_COLOR is unset), and are dropped
// otherwise; the library's own messages go to standard error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_options.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "util/message_log.h"

static bool use_colour = false;

// The text with its markup bytes turned into ANSI escapes, the rest as the clean text.
static std::string Colour_Text(const char *text)
{
  std::string out;
  for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
    switch (*p) {
    case 0x01: out += "\033[34m"; break;
    case 0x02: out += "\033[39m"; break;
    case 0x03: out += "\033[37m"; break;
    case 0x04: out += "\033[31m"; break;
    case 0x05: out += "\033[33m"; break;
    case 0x06: out += "\033[32m"; break;
    case 0xF0: out += "\033[22;23m"; break;
    case 0xF1: out += "\033[1m"; break;
    case 0xF2: out += "\033[3m"; break;
    default:
      if ((*p >= ' ' && *p <= '~') || *p == '\t' || *p == '\n') out += (char)*p;
    }
  }
  return out + "\033[0m";
}

// The sink the command replaced: trace lines (-v) still go through it.
static Message_Sink outer_sink;

// The listing (MSG_REPORT) goes to standard output; warnings and errors to standard
// error; trace lines to the terminal's own sink; anything else is left out.
static int Dump_Sink(Window_Handle window, int kind, const char *text)
{
  if (kind == MSG_REPORT) {
    std::string line = use_colour ? Colour_Text(text) : Log_Text_Clean(text);
    std::fprintf(stdout, "%s\n", line.c_str());
  } else if (kind == MSG_ERROR || kind == MSG_WARNING) {
    std::fprintf(stderr, "harrowdesk-cli dump: %s\n", Log_Text_Clean(text).c_str());
  } else if (kind >= MSG_TRACE && outer_sink) {
    return outer_sink(window, kind, text);
  }
  return kind == MSG_QUESTION ? 0 : 1;
}

static const char USAGE[] =
    "usage: harrowdesk-cli dump FILE...\n\n"
    "Reads the header of each DICOM file and prints its attributes, one line each,\n"
    "with the items of sequences indented below them. Values over 1024 bytes (pixel\n"
    "data) are not read.\n\n";

static const char EXIT_STATUS[] = "0 every file was read; 1 a file could not be read; 2 usage error";

// No upper bound on the files named.
static const size_t FILES_MAX = (size_t)-1;

// Reads and prints one file; returns 1 when it gave a list.
static int Dump_File(const char *path, bool named)
{
  DICOM_Sequence_Root root;
  DICOM_Attribute *list = DICOMDIR_Scan_Read(path, &root);
  if (!list) {
    std::fprintf(stderr, "harrowdesk-cli dump: %s: no DICOM data elements could be read\n", path);
    return 0;
  }
  if (named) std::fprintf(stdout, "==> %s <==\n", path);
  DICOM_Attribute_Sequence_Reset(nullptr, &root);
  DICOM_Attribute_Dump(nullptr, &root, list, MSG_REPORT);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  std::fflush(stdout);
  return 1;
}

static int Run_Dump(int argc, char **argv)
{
  Cli_Syntax syntax{"dump", USAGE, EXIT_STATUS, {}, 1, FILES_MAX, "FILE"};
  std::vector<const char *> files;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &files);
  if (exit_code >= 0) return exit_code;
  use_colour = isatty(STDOUT_FILENO) && !std::getenv("NO_COLOR");
  outer_sink = Message_Callback.exchange(Dump_Sink);
  int failed = 0;
  for (size_t i = 0; i < files.size(); i++) {
    if (i > 0) std::fprintf(stdout, "\n");
    failed += !Dump_File(files[i], files.size() > 1);
  }
  Message_Callback.store(outer_sink);
  return failed ? CLI_FAILED : CLI_OK;
}

static Cli_Register reg({"dump", "print the attributes of DICOM files", Run_Dump});
