// Entry of the desktop program: brings the program up in a fixed order (log state, command
// line, installation folder, folder trees, settings, window classes, main window, message
// sink, module folder, report templates), then runs the message loop until the main window
// quits. The exit code is the quit message's value; 0 when start-up stops early; 2 for a
// command line it does not understand; 1 when there is no display to open a window on.
//
// $HARROWDESK_OPEN_FOLDER, when set, names a folder that is opened in the tree pane and
// scanned as soon as the window is up (`make run` opens its sample collection this way).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/command_line.h"
#include "app/configuration.h"
#include "app/installation_path.h"
#include "app/job.h"
#include "app/list_thread.h"
#include "app/menu_copy.h"
#include "app/menu_push.h"
#include "app/my_error_fct.h"
#include "app/report_template.h"
#include "app/win_classes.h"
#include "app/win_list.h"
#include "app/win_main.h"
#include "app/win_text.h"
#include "app/win_tree.h"
#include "dicom/NEMA_Read_IOD.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/dirtree.h"
#include "tools/icon.h"
#include "tools/progress_window.h"
#include "util/message_log.h"
#include "util/mutex_access.h"
#include "util/progress.h"

// A job moved or deleted files: the main window scans the folder again on its own thread.
static void Post_Rescan() { Window_Post(main_window, WM_JOB_RESCAN, 0, 0); }

// Starts the window system on a real display. Returns 0, after one line on standard error,
// when there is none.
static int Display_Start()
{
  const char *x11 = std::getenv("DISPLAY"), *wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 && *x11) || (wayland && *wayland)) {
    if (Window_System_Start(WINDOW_BACKEND_SDL)) return 1;
    std::fprintf(stderr, "no display: cannot open the display \"%s\"; harrowdesk-cli works without one\n",
                 x11 && *x11 ? x11 : wayland);
    return 0;
  }
  std::fprintf(stderr, "no display: neither DISPLAY nor WAYLAND_DISPLAY is set; harrowdesk-cli works without one\n");
  return 0;
}

// The progress windows of the jobs sit on the main window (the jobs themselves name no
// owner: they do not know the windows).
static Progress_View *Progress_On_Main_Window(Progress_Record *progress, Window_Handle owner, void *value_callback,
                                              int topmost)
{
  return Progress_Window_View(progress, owner ? owner : main_window, value_callback, topmost);
}

// Connects the jobs and the message log to the windows.
static void Front_End_Install()
{
  Message_Pane_Install();
  Icon_Folder_Set(Inst_Path + "Icons/");
  progress_view_factory = Progress_On_Main_Window;
  list_refresh = List_Pane_Refresh;
  job_rescan = Post_Rescan;
  job_pacing = true;
}

// The jobs that still run when the window closes stop at their next check (a file being
// copied or sent is finished first). The window system is stopped between the two halves,
// so that a worker waiting for a message box gets its answer.
static void Jobs_Cancel()
{
  Scan_Cancel();
  Sort_Cancel();
  Copy_Cancel();
  Push_Cancel();
}

static void Jobs_Wait()
{
  Scan_Wait();
  Sort_Wait();
  Copy_Wait(nullptr);
  Push_Wait();
}

int main(int argc, char **argv)
{
  // 1. Log state and default geometry.
  Command_Line_Options options;
  trace_level = 0;
  log_state.flag_audit = true;
  log_state.file_trace = log_state.program_name + "_trace.dat";

  // 2. The command line.
  std::string bad;
  if (!Command_Line_Apply(Command_Line_Tokenise(Command_Line_Join(argc, argv)), options, bad)) {
    std::fprintf(stderr, "unknown argument (%s)\n", bad.c_str());
    Command_Line_Usage(stdout, log_state.program_name.c_str(), log_state.program_version.c_str());
    return 2;
  }
  // 3. Traces go to standard output, which is the console here.
  trace_level = options.trace_level;
  // Worker threads share the DICOM library's rotating pools.
  Mutex_Access_Create();

  // 4 to 6. Installation folder, folder trees, settings.
  Installation_Path_Find(log_state.program_name.c_str());
  Tree_Panes_Init();
  Configuration_Defaults();
  Configuration_Read();
  if (!dir_copy.empty()) DirTrees::Set_Path(Tree_Destination(), dir_copy);

  // 7 and 8. Window classes and the main window.
  if (!Display_Start()) return 1;
  int code = 0;
  if (Window_Classes_Register()) {
    Window_Handle window = Window_Create(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_CLASS, WS_OVERLAPPEDWINDOW, options.x,
                                         options.y, options.width, options.height, nullptr, 0, nullptr);
    if (window) {
      Window_Show(window, SW_SHOWNORMAL);
      Window_Update(window);
      // 9 to 11. Message sink, module folder, report templates.
      Front_End_Install();
      Message_Callback = My_Error_Callback;
      if (trace_level != 0) Trace_Header_Write();
      DICOM_Module_Dir_Set(window, (Inst_Path + "DICOM Tables/").c_str());
      if (Report_Templates_Load(Inst_Path)) {
        const char *open = std::getenv("HARROWDESK_OPEN_FOLDER");
        if (open && *open && !Tree_Pane_Open(open))
          Message_Log(window, MSG_WARNING, "Unable to open the folder %s", Log_Value_Escape(open).c_str());
        // 12. The message loop.
        Window_Invalidate(window, 1);
        code = Window_Run_Loop();
      }
    }
  }
  Jobs_Cancel();
  Window_System_Stop();
  Jobs_Wait();
  return code;
}
