// The installation folder: where the program finds its "DICOM Tables", report templates
// and "Icons".
#pragma once

#include <string>

// The installation folder, ending in "/"; set once at start-up.
extern std::string Inst_Path;

// Sets Inst_Path from Registry_Get_Path, else from the executable's own folder (an
// uninstalled build keeps its data beside the binaries), else the current folder.
void Installation_Path_Find(const char *program);
