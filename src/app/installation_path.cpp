// Finding the installation folder at start-up.
#include "app/installation_path.h"

#include "platform/os/os_paths.h"
#include "util/message_log.h"
#include "util/path_split.h"
#include "util/win_registry.h"

std::string Inst_Path;

void Installation_Path_Find(const char *program)
{
  if (Registry_Get_Path(program, Inst_Path)) return;
  Message_Log(nullptr, MSG_TRACE, "Unable to get path from registry");
  MESSAGE_LOG_WHERE(nullptr);
  Path_Split(Os_Exe_Path().c_str(), &Inst_Path, nullptr, nullptr);
  if (Inst_Path.empty()) Inst_Path = "./";
}
