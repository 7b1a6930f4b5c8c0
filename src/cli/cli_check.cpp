// harrowdesk-cli check: reads each file's header, holds it against the module template
// of its SOP class (dicom/DICOM_IOD_Check.h) and prints one line per finding, or, with
// --json, one JSON document for all files. The library's own messages go to standard
// error.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "dicom/DICOMDIR_Scan_Read.h"
#include "dicom/DICOM_IOD_Check.h"
#include "util/message_log.h"

static const char USAGE[] =
    "usage: harrowdesk-cli check [--json] FILE...\n"
    "\n"
    "Holds each DICOM file against the modules of its SOP class and prints one line per\n"
    "finding: type 1 attributes missing or empty, type 2 attributes missing, values that\n"
    "do not fit their VR or their number of values, and SOP classes without a template.\n"
    "Absent type 1C and 2C attributes are listed as \"conditional\": their conditions are\n"
    "not judged, and they do not fail the check.\n"
    "\n"
    "  --json               print one JSON document: a list with one object per file\n";

static const char EXIT_STATUS[] =
    "0 no file has a failing finding; 1 a file has one or could not be read; 2 usage error";

// No upper bound on the files named.
static const size_t FILES_MAX = (size_t)-1;

// The sink the command replaced: trace lines (-v) still go through it.
static Message_Sink outer_sink;

// Warnings and errors go to standard error, trace lines to the terminal's own sink;
// anything else is left out.
static int Check_Sink(Window_Handle window, int kind, const char *text)
{
  if (kind == MSG_ERROR || kind == MSG_WARNING)
    std::fprintf(stderr, "harrowdesk-cli check: %s\n", Log_Text_Clean(text).c_str());
  else if (kind >= MSG_TRACE && outer_sink)
    return outer_sink(window, kind, text);
  return kind == MSG_QUESTION ? 0 : 1;
}

static std::string Tag_Text(const DICOM_Check_Finding &finding)
{
  char tag[16];
  std::snprintf(tag, sizeof tag, "(%04x,%04x)", finding.group, finding.element);
  return tag;
}

// ---- text ----------------------------------------------------------------------------------

static void Print_Text(const char *path, const DICOM_Check_Result &result)
{
  if (!result.modality.empty()) std::printf("%s: %s (%s)\n", path, result.modality.c_str(), result.sop_class.c_str());
  int conditional = 0;
  for (const DICOM_Check_Finding &finding : result.findings) {
    conditional += finding.kind == DICOM_CHECK_CONDITIONAL;
    if (finding.kind == DICOM_CHECK_UNKNOWN_SOP) {
      std::printf("%s: unknown SOP class: %s\n", path, finding.message.c_str());
      continue;
    }
    std::string line = std::string(path) + ": " + DICOM_Check_Kind_Name(finding.kind) + " " + finding.path +
                       Tag_Text(finding) + " " + finding.name;
    if (!finding.type.empty()) line += ", type " + finding.type;
    if (!finding.module.empty()) line += ", module " + finding.module;
    if (!finding.message.empty()) line += ": " + finding.message;
    std::printf("%s\n", line.c_str());
  }
  std::printf("%s: %d failed, %d conditional\n", path, result.failures, conditional);
}

// ---- JSON --------------------------------------------------------------------------------------

static void Json_Finding(std::string &out, const DICOM_Check_Finding &finding)
{
  out += "{";
  Json_Key(out, "kind", true);
  Json_Text(out, DICOM_Check_Kind_Name(finding.kind));
  Json_Key(out, "tag");
  Json_Text(out, Tag_Text(finding).c_str());
  Json_Key(out, "name");
  Json_Text(out, finding.name.c_str());
  Json_Key(out, "type");
  Json_Text(out, finding.type.c_str());
  Json_Key(out, "module");
  Json_Text(out, finding.module.c_str());
  Json_Key(out, "path");
  Json_Text(out, finding.path.c_str());
  Json_Key(out, "message");
  Json_Text(out, finding.message.c_str());
  out += "}";
}

static void Json_File(std::string &out, const char *path, bool readable, const DICOM_Check_Result &result)
{
  out += "{";
  Json_Key(out, "file", true);
  Json_Text(out, path);
  Json_Key(out, "readable");
  out += readable ? "true" : "false";
  Json_Key(out, "sop_class");
  Json_Text(out, result.sop_class.c_str());
  Json_Key(out, "modality");
  Json_Text(out, result.modality.c_str());
  Json_Key(out, "failures");
  out += std::to_string(readable ? result.failures : 1);
  Json_Key(out, "findings");
  out += "[";
  for (size_t i = 0; i < result.findings.size(); i++) {
    if (i) out += ", ";
    Json_Finding(out, result.findings[i]);
  }
  out += "]}";
}

// ---- the command -------------------------------------------------------------------------------

// Checks one file; returns 1 when it passed.
static int Check_File(const char *path, bool json, std::string &out)
{
  DICOM_Sequence_Root root;
  DICOM_Attribute *list = DICOMDIR_Scan_Read(path, &root);
  DICOM_Check_Result result;
  if (!list) {
    if (json) Json_File(out, path, false, result);
    else std::fprintf(stderr, "harrowdesk-cli check: %s: no DICOM data elements could be read\n", path);
    return 0;
  }
  DICOM_IOD_Check(nullptr, list, &result);
  DICOM_Attribute_Delete(nullptr, &root, &list, 0xFFFF, 0xFFFF);
  if (json) Json_File(out, path, true, result);
  else Print_Text(path, result);
  return result.failures == 0;
}

static int Run_Check(int argc, char **argv)
{
  bool json = false;
  Cli_Syntax syntax{"check", USAGE, EXIT_STATUS, {}, 1, FILES_MAX, "FILE"};
  syntax.options = {{"--json", nullptr, [&json](const char *, std::string *) {
                       json = true;
                       return 1;
                     }}};
  std::vector<const char *> files;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &files);
  if (exit_code >= 0) return exit_code;
  outer_sink = Message_Callback.exchange(Check_Sink);
  std::string out = "[";
  int failed = 0;
  for (size_t i = 0; i < files.size(); i++) {
    if (json && i > 0) out += ",\n ";
    failed += !Check_File(files[i], json, out);
  }
  Message_Callback.store(outer_sink);
  if (json) std::printf("%s]\n", out.c_str());
  return failed ? CLI_FAILED : CLI_OK;
}

static Cli_Register reg({"check", "hold DICOM files against the modules of their SOP class", Run_Check});
