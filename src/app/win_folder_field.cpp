// Folder settings from the chooser or from a typed path.
#include "app/win_folder_field.h"

#include <cstdio>

#include "app/win_main.h"
#include "platform/window/message_box.h"
#include "platform/window/window_messages.h"
#include "tools/folder_chooser.h"
#include "tools/text_pane.h"
#include "util/utility_directory.h"

static std::string With_Slash(std::string path)
{
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

int Folder_Browse(Window_Handle owner, Text_Pane &pane, const char *title, std::string &folder)
{
  std::string chosen;
  if (!Folder_Choose(owner, title, Text::Read(pane), chosen)) return 0;
  folder = With_Slash(chosen);
  Text::Write(pane, "%s", folder.c_str());
  return 1;
}

int Folder_Field_Enter(Text_Pane &pane, int key, std::string &folder)
{
  if (!Text::Input(pane, key)) return 0;
  std::string path = With_Slash(Text::Read(pane));
  if (!path.empty() && !Directory_Exists(path.c_str())) {
    std::string question = "Directory: \"" + path + "\" does not exist!\nDo you wish to create it ?";
    if (Message_Box(main_window, question.c_str(), "Invalid Directory", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      Directory_Create(path.c_str());
      if (!Directory_Exists(path.c_str())) {
        std::string error = "Unable to create: \"" + path + "\"!";
        Message_Box(main_window, error.c_str(), "ERROR Creating Directory", MB_OK | MB_ICONERROR);
      }
    }
  }
  Text::Write(pane, "%s", path.c_str());
  folder = path;
  return 1;
}
