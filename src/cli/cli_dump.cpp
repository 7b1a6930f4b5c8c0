// harrowdesk-cli dump: reads each file named with the header reader and prints the
// library's listing of its attributes. The listing's markup bytes become terminal
// colours when standard output is a terminal (and NO_COLOR is unset), and are dropped
// otherwise; the library's own messages go to standard error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/cli_command.h"
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

// The listing (MSG_REPORT) goes to standard output; warnings and errors to standard
// error; anything else (traces) is left out.
static int Dump_Sink(Window_Handle, int kind, const char *text)
{
  if (kind == MSG_REPORT) {
    std::string line = use_colour ? Colour_Text(text) : Log_Text_Clean(text);
    std::fprintf(stdout, "%s\n", line.c_str());
  } else if (kind == MSG_ERROR || kind == MSG_WARNING) {
    std::fprintf(stderr, "harrowdesk-cli dump: %s\n", Log_Text_Clean(text).c_str());
  }
  return kind == MSG_QUESTION ? 0 : 1;
}

static void Print_Help(FILE *stream)
{
  std::fprintf(stream,
               "usage: harrowdesk-cli dump FILE...\n\n"
               "Reads the header of each DICOM file and prints its attributes, one line each,\n"
               "with the items of sequences indented below them. Values over 1024 bytes (pixel\n"
               "data) are not read.\n\n"
               "Exit status: 0 when every file was read, 1 when one could not be, 2 on a usage error.\n");
}

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
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; first++) {
    if (!std::strcmp(argv[first], "--")) {
      first++;
      break;
    }
    if (!std::strcmp(argv[first], "--help") || !std::strcmp(argv[first], "-h")) {
      Print_Help(stdout);
      return CLI_OK;
    }
    std::fprintf(stderr, "harrowdesk-cli dump: unknown option '%s'\n", argv[first]);
    Print_Help(stderr);
    return CLI_USAGE;
  }
  if (first >= argc) {
    Print_Help(stderr);
    return CLI_USAGE;
  }
  use_colour = isatty(STDOUT_FILENO) && !std::getenv("NO_COLOR");
  Message_Sink saved = Message_Callback.exchange(Dump_Sink);
  int failed = 0;
  for (int i = first; i < argc; i++) {
    if (i > first) std::fprintf(stdout, "\n");
    failed += !Dump_File(argv[i], argc - first > 1);
  }
  Message_Callback.store(saved);
  return failed ? CLI_FAILED : CLI_OK;
}

static Cli_Register reg({"dump", "print the attributes of DICOM files", Run_Dump});
