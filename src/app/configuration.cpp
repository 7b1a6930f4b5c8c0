// The settings values and their round trip through the settings store, in the fixed
// order of the key table (configuration_keys.h). A missing key keeps its default; a key
// that cannot be written is traced and the others are written all the same.
#include "app/configuration.h"

#include <cstdint>

#include "app/configuration_keys.h"
#include "platform/os/os_paths.h"
#include "util/message_log.h"
#include "util/win_environment.h"

unsigned char flag_sub_dir, flag_standard_name, flag_overwrite, flag_dicomdir, delete_copy;
unsigned char flag_part_10, flag_print, flag_fail, delete_push;
std::string dir_copy, dir_fail, local_AET, server_AET, server_peer, server_port;
int timeout_connect, timeout_acse, timeout_dimse;

static const char SECTION[] = "Harrowdesk";

void Configuration_Defaults()
{
  flag_sub_dir = 3;
  flag_standard_name = 0;
  flag_overwrite = 1;
  flag_dicomdir = 0;
  delete_copy = 0;
  log_state.flag_audit = true;
  log_state.file_audit = "Harrowdesk.log";
  log_state.dir_audit = Log_State_Dir();
  flag_part_10 = 0;
  flag_print = 6;
  flag_fail = 0;
  dir_copy.clear();
  dir_fail = Os_Temp_Dir();
  local_AET = "ArdentVale";
  server_AET = "ANY-SCP";
  server_peer = "none";
  server_port = "104";
  delete_push = 0;
  timeout_connect = 30;
  timeout_acse = 30;
  timeout_dimse = 60;
}

int Configuration_Read()
{
  Message_Log(nullptr, MSG_TRACE, "in Configuration_Read()");
  for (size_t i = 0; i < configuration_key_count; i++) {
    const Configuration_Key &key = configuration_keys[i];
    if (key.text) {
      const char *text = Environment_Get_Value_String(SECTION, key.name);
      if (text) *key.text = std::string(text).substr(0, CONFIGURATION_TEXT_MAX);
      else Message_Log(nullptr, MSG_TRACE, "%s", key.missing);
      continue;
    }
    int32_t value = 0;
    if (!Environment_Get_Value_Int(SECTION, key.name, &value)) continue;
    if (key.byte) *key.byte = (unsigned char)value;
    else if (key.flag) *key.flag = (unsigned char)value != 0;
    else if (value >= 0 && value <= TIMEOUT_MAX) *key.number = value;
  }
  return 1;
}

int Configuration_Write_Key(const Configuration_Key &key)
{
  if (key.text) return Environment_Set_Value_String(SECTION, key.name, key.text->c_str());
  const int32_t value = key.byte ? *key.byte : key.flag ? (*key.flag ? 1 : 0) : *key.number;
  return Environment_Set_Value_Int(SECTION, key.name, value);
}

int Configuration_Write()
{
  Message_Log(nullptr, MSG_TRACE, "in Configuration_Write()");
  for (size_t i = 0; i < configuration_key_count; i++)
    if (!Configuration_Write_Key(configuration_keys[i])) Message_Log(nullptr, MSG_TRACE, "Unable to write to registry");
  return 1;
}
