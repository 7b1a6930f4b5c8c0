// The jobs' progress on harrowdesk-cli's terminal: one bar per phase of work
// ("Scanning", "Reading headers", "Copying", "Pushing") on standard error, with the
// count, the total, the rate in files a second and the time left, redrawn at most ten
// times a second. Log lines are printed above the bar, never inside it: the bar's line
// is cleared, the line written and the bar drawn again below it. One lock orders the
// bar's redraws and every line that the message sink prints, since both come from
// worker threads. Nothing of the bar is drawn when standard error is no terminal or
// with -q; the view is attached all the same, so that Ctrl-C still reaches the job.
// At its end a job over files prints one summary line, and a line per failed file.
#pragma once

#include <csignal>
#include <mutex>
#include <string>

// The lock of standard error: held by each redraw of the bar and by the message sink
// for each line it prints (cli/cli_messages.h). Never taken with it held: a progress
// record's lock (the bar takes this one inside the record's).
extern std::mutex cli_terminal_lock;

// Writes `line` and a newline on standard error; when a bar is drawn, its line is
// cleared first and the bar drawn again below the line. The caller holds
// cli_terminal_lock.
void Cli_Terminal_Write(const char *line);

// Set by Cli_Progress_Interrupt; every attached view then sets its job's cancelled flag
// at its next notification.
extern volatile std::sig_atomic_t cli_interrupted;

// A SIGINT handler that sets cli_interrupted (async-signal-safe).
void Cli_Progress_Interrupt(int signal);

// Installs the terminal view as the progress view factory (util/progress.h): every job
// started from now on shows its phase as a bar when standard error is a terminal and
// the command is not quiet. Call on the main thread with no job running.
void Cli_Progress_Start();

// Removes the factory; records made later get no view. Call on the main thread with no
// job running.
void Cli_Progress_Stop();

// The closing line of a job over files, on standard error unless quiet:
// "N VERB, M skipped (not DICOM: no readable header), K failed", with
// ", cancelled after I of COUNT" when `cancelled` (I = done + skipped + failed).
void Cli_Summary_Print(const char *verb, int done, int skipped, int failed, bool cancelled, int count);

// Prints one more line of the summary, `line` (nothing with -q).
void Cli_Summary_Line(const std::string &line);

// Prints "harrowdesk-cli COMMAND: failed: TEXT" on standard error (also when quiet):
// one failed file and its cause.
void Cli_Failure_Print(const char *command, const std::string &text);
