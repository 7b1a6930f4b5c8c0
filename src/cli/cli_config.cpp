// harrowdesk-cli config: lists, shows and sets the keys of the settings store, through
// the key table of app/configuration_keys.h. A value is checked by its key's kind before
// anything is written, and written alone in the store's own format by the same function
// as the settings window's save, so the GUI reads it at its next start. Values are shown
// as the store holds them: what `set` wrote, `get` prints.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/configuration_keys.h"
#include "cli/cli_command.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "util/text_escape.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli config list [--json]\n"
    "       harrowdesk-cli config get KEY\n"
    "       harrowdesk-cli config set KEY VALUE\n"
    "\n"
    "Shows or changes the settings that the program and its settings window share.\n"
    "  list                 every key with its value, one \"KEY=VALUE\" a line\n"
    "  get KEY              the value alone\n"
    "  set KEY VALUE        checks VALUE and saves it; a refusal names what the key\n"
    "                       accepts. Flags take 0 or 1 (\"no\" or \"yes\"); folders must\n"
    "                       exist and are saved absolute, ending in \"/\"; flag_sub_dir\n"
    "                       and flag_print also take the settings window's words, as\n"
    "                       \"Patient Name/Series Desc.\" or \"per db/no\". A VALUE that\n"
    "                       starts with \"-\" goes after \"--\".\n"
    "\n"
    "  --json               with list: one JSON object {\"KEY\": VALUE, ...}, integers\n"
    "                       and flags as numbers, the rest as strings\n";

const char EXIT_STATUS[] =
    "0 done; 1 an unknown key, or a store that cannot be written;\n"
    "2 usage error or a refused value";

// The value as one line of text: control bytes escaped (set never writes them, but a
// file edited by hand may hold them).
std::string Shown(const std::string &value)
{
  std::string line;
  for (unsigned char c : value) {
    if (Text_Is_Control(c)) Text_Escape_Control(line, c);
    else line += (char)c;
  }
  return line;
}

int List_Text()
{
  for (size_t i = 0; i < configuration_key_count; i++) {
    const Configuration_Key &key = configuration_keys[i];
    std::printf("%s=%s\n", key.name, Shown(Configuration_Key_Text(key)).c_str());
  }
  return CLI_OK;
}

int List_Json()
{
  std::string out = "{";
  for (size_t i = 0; i < configuration_key_count; i++) {
    const Configuration_Key &key = configuration_keys[i];
    Json_Key(out, key.name, i == 0);
    if (key.text) Json_Text(out, key.text->c_str());
    else out += Configuration_Key_Text(key);
  }
  out += "}\n";
  std::fputs(out.c_str(), stdout);
  return CLI_OK;
}

// The key named `name`, or null after "unknown key" and the list of keys on standard
// error.
const Configuration_Key *Key_Or_Report(const char *name)
{
  const Configuration_Key *key = Configuration_Key_Find(name);
  if (key) return key;
  std::string names;
  for (size_t i = 0; i < configuration_key_count; i++) names += std::string(i ? ", " : "") + configuration_keys[i].name;
  std::fprintf(stderr, "harrowdesk-cli config: unknown key '%s'; the keys are: %s\n", Shown(name).c_str(),
               names.c_str());
  return nullptr;
}

int Get(const char *name)
{
  const Configuration_Key *key = Key_Or_Report(name);
  if (!key) return CLI_FAILED;
  std::printf("%s\n", Shown(Configuration_Key_Text(*key)).c_str());
  return CLI_OK;
}

int Set(const char *name, const char *value)
{
  const Configuration_Key *key = Key_Or_Report(name);
  if (!key) return CLI_FAILED;
  std::string why;
  if (!Configuration_Key_Assign(*key, value, &why)) {
    std::fprintf(stderr, "harrowdesk-cli config: %s '%s' refused: takes %s\n", key->name, Shown(value).c_str(),
                 why.c_str());
    return CLI_USAGE;
  }
  if (!Configuration_Write_Key(*key)) {
    std::fprintf(stderr, "harrowdesk-cli config: %s could not be written into the settings store "
                         "(-v shows why)\n", key->name);
    return CLI_FAILED;
  }
  return CLI_OK;
}

int Config_Run(int argc, char **argv)
{
  bool json = false;
  Cli_Syntax syntax{"config", USAGE, EXIT_STATUS, {}, 1, 3, "ACTION"};
  syntax.options = {{"--json", nullptr, [&json](const char *, std::string *) {
                       json = true;
                       return 1;
                     }}};
  std::vector<const char *> operands;
  int code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (code >= 0) return code;
  const std::string action = operands[0];
  const size_t wanted = action == "list" ? 1 : action == "get" ? 2 : action == "set" ? 3 : 0;
  if (!wanted) return Cli_Usage_Error(syntax, "unknown action '" + action + "' (list, get or set)");
  if (operands.size() != wanted)
    return Cli_Usage_Error(syntax, action + " takes " + (wanted == 1 ? "no operand" : wanted == 2 ? "KEY" : "KEY VALUE"));
  if (json && action != "list") return Cli_Usage_Error(syntax, "--json goes with list only");
  if (action == "list") return json ? List_Json() : List_Text();
  if (action == "get") return Get(operands[1]);
  return Set(operands[1], operands[2]);
}

Cli_Register reg({"config", "list, show or change the settings (list [--json] | get KEY | set KEY VALUE)", Config_Run});

}  // namespace
