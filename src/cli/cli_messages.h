// How harrowdesk-cli shows the core's messages on its terminal. Standard output stays
// the command's own; the message pane, the boxes and (with -v) the trace lines go to
// standard error. With -q only the lines that report a fault are shown. The log files
// (audit trail, error file, trace file) are written as the GUI writes them.
#pragma once

// Installs the terminal's display hooks and message sink over the core's routing
// (app/my_error_fct.h). Call once on the main thread before any command runs.
void Cli_Messages_Start();

// Prints the line still held for joining (a connection failure whose cause may follow).
// Call on the main thread after a command ends, with no job running.
void Cli_Messages_Flush();

// From now on, the job's own closing line ("Done: ..." in the message pane, which counts
// a skipped file as failed) is left off the terminal: the command prints its own summary
// instead. The audit trail and the other log files keep the line.
void Cli_Messages_Own_Summary();
