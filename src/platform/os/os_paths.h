// Where the program keeps its files on this system: the application-data folder of the
// settings store, the state folder of the files that must outlast a reboot (the audit
// trail, the error file), the temp folder of the trace file and the reports, the
// program's own path, and private folder creation. Every folder text returned ends
// with "/".
#pragma once

#include <string>

// The application-data folder: $HARROWDESK_APPDATA, else $XDG_CONFIG_HOME, else ~/.config.
// Returns 1 with the folder in `folder`; returns 0 when none can be named (no HOME),
// leaving `folder` untouched.
int Os_App_Data_Dir(std::string &folder);

// The user's state folder, for files that must last (many systems empty the temp folder
// at boot): $XDG_STATE_HOME/harrowdesk/ when that variable holds an absolute path, else
// ~/.local/state/harrowdesk/. Returns 1 with the folder in `folder`; returns 0 when none
// can be named (no HOME), leaving `folder` untouched. Creates nothing: the log files
// create the folder (0700) on their first line.
int Os_State_Dir(std::string &folder);

// The temp folder: $TMPDIR when set and not empty, else "/tmp/".
std::string Os_Temp_Dir();

// The full path of the running executable, or "" when the system does not tell.
std::string Os_Exe_Path();

// Creates one folder readable and writable by its owner only (0700).
// Returns 1 when the folder exists afterwards (an existing folder is no error);
// returns 0 with errno set otherwise.
int Os_Create_Private_Dir(const std::string &folder);

// Creates every missing level of `folder` with mode 0700.
// Returns 1 when the whole folder exists afterwards; returns 0 with errno set otherwise.
int Os_Create_Private_Dirs(const std::string &folder);
