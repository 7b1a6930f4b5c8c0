// Finding the installed data folder (the program's "App Paths" entry on its original
// platform).
#pragma once

#include <string>

// Finds the installation folder of `program`: $HARROWDESK_HOME when set and a folder,
// else <executable's folder>/../share/<program in lower case>/ when that folder exists.
// Returns 1 with the folder (ending in "/") in `folder`; returns 0, leaving `folder`
// untouched, after tracing why (kind 11).
int Registry_Get_Path(const char *program, std::string &folder);
