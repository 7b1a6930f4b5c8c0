// The settings values and their round trip through the settings store, in the fixed
// order of the keys. A missing key keeps its default; a key that cannot be written is
// traced and the others are written all the same.
#include "app/configuration.h"

#include <cstdint>

#include "platform/os/os_paths.h"
#include "util/message_log.h"
#include "util/win_environment.h"

unsigned char flag_sub_dir, flag_standard_name, flag_overwrite, flag_dicomdir, delete_copy;
unsigned char flag_part_10, flag_print, flag_fail, delete_push;
std::string dir_copy, dir_fail, local_AET, server_AET, server_peer, server_port;
int timeout_connect, timeout_acse, timeout_dimse;

static const char SECTION[] = "Harrowdesk";
enum { TEXT_SETTING_MAX = 255 };

namespace {

unsigned char audit_byte;  // the audit flag's byte while it travels through the store

const char LOCAL_AET_MISSING[] = "Unable to get local AET from registry";

// One key of the store: a byte, a text (with the trace of a missing text) or a timeout.
struct Setting {
  const char *key;
  unsigned char *byte;
  std::string *text;
  const char *missing;
  int *timeout = nullptr;
};

// Every key, in the order in which the store is read and written.
const Setting SETTINGS[] = {
    {"flag_sub_dir", &flag_sub_dir, nullptr, nullptr},
    {"flag_standard_name", &flag_standard_name, nullptr, nullptr},
    {"flag_overwrite", &flag_overwrite, nullptr, nullptr},
    {"flag_dicomdir", &flag_dicomdir, nullptr, nullptr},
    {"delete_copy", &delete_copy, nullptr, nullptr},
    {"dir_copy", nullptr, &dir_copy, LOCAL_AET_MISSING},
    {"flag_audit", &audit_byte, nullptr, nullptr},
    {"file_audit", nullptr, &log_state.file_audit, LOCAL_AET_MISSING},
    {"dir_audit", nullptr, &log_state.dir_audit, LOCAL_AET_MISSING},
    {"flag_part_10", &flag_part_10, nullptr, nullptr},
    {"flag_print", &flag_print, nullptr, nullptr},
    {"flag_fail", &flag_fail, nullptr, nullptr},
    {"dir_fail", nullptr, &dir_fail, LOCAL_AET_MISSING},
    {"local_AET", nullptr, &local_AET, LOCAL_AET_MISSING},
    {"server_AET", nullptr, &server_AET, "Unable to get sercer's AET from registry"},
    {"server_peer", nullptr, &server_peer, "Unable to get server's peer from registry"},
    {"server_port", nullptr, &server_port, "Unable to get server's port from registry"},
    {"delete_push", &delete_push, nullptr, nullptr},
    {"timeout_connect", nullptr, nullptr, nullptr, &timeout_connect},
    {"timeout_acse", nullptr, nullptr, nullptr, &timeout_acse},
    {"timeout_dimse", nullptr, nullptr, nullptr, &timeout_dimse},
};

}  // namespace

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
  audit_byte = log_state.flag_audit ? 1 : 0;
  for (const Setting &setting : SETTINGS) {
    if (setting.byte) {
      int32_t value = 0;
      if (Environment_Get_Value_Int(SECTION, setting.key, &value)) *setting.byte = (unsigned char)value;
      continue;
    }
    if (setting.timeout) {
      int32_t value = 0;
      if (Environment_Get_Value_Int(SECTION, setting.key, &value) && value >= 0 && value <= TIMEOUT_MAX)
        *setting.timeout = value;
      continue;
    }
    const char *text = Environment_Get_Value_String(SECTION, setting.key);
    if (!text) {
      Message_Log(nullptr, MSG_TRACE, "%s", setting.missing);
      continue;
    }
    *setting.text = std::string(text).substr(0, TEXT_SETTING_MAX);
  }
  log_state.flag_audit = audit_byte != 0;
  return 1;
}

int Configuration_Write()
{
  Message_Log(nullptr, MSG_TRACE, "in Configuration_Write()");
  audit_byte = log_state.flag_audit ? 1 : 0;
  for (const Setting &setting : SETTINGS) {
    int written = setting.byte      ? Environment_Set_Value_Int(SECTION, setting.key, *setting.byte)
                  : setting.timeout ? Environment_Set_Value_Int(SECTION, setting.key, *setting.timeout)
                                    : Environment_Set_Value_String(SECTION, setting.key, setting.text->c_str());
    if (!written) Message_Log(nullptr, MSG_TRACE, "Unable to write to registry");
  }
  return 1;
}
