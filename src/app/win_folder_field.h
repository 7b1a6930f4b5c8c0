// Choosing a folder for a setting: with the folder chooser, or by typing it into a one-line
// text pane. A chosen or typed path always ends with "/", and is taken even when the folder
// does not exist (the operator may create it later, or mount the disk that holds it).
#pragma once

#include <string>

#include "platform/os/window_handle.h"

struct Text_Pane;

// Opens the folder chooser over `owner` with `title`, at the folder `pane` shows. Returns 1
// with the chosen folder (ending with "/") in `folder` and shown in the pane; returns 0 when
// nothing was chosen (pane and folder untouched).
int Folder_Browse(Window_Handle owner, Text_Pane &pane, const char *title, std::string &folder);

// Passes a translated key to `pane` (Text::Input). When it completes the entry (Enter),
// the text with a "/" added when missing becomes the folder: a folder that does not exist is
// offered for creation ("Directory: \"%s\" does not exist!\nDo you wish to create it ?",
// caption "Invalid Directory", owned by the main window), created on Yes, and an error box
// "Unable to create: \"%s\"!" (caption "ERROR Creating Directory") follows when it still does
// not exist. The path is shown in the pane and returned in every case: returns 1 with
// `folder` set; returns 0 while the entry is not complete (folder untouched).
int Folder_Field_Enter(Text_Pane &pane, int key, std::string &folder);
