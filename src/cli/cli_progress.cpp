// The terminal's progress view: a bar per phase on standard error, drawn under the one
// terminal lock that the message sink shares, and the Ctrl-C flag that every view
// hands on to its job. The bar's text is kept while it is drawn, so that a log line
// from any thread can clear it, print itself and draw the same text again without
// touching the progress record (whose lock the sink must never wait for).
#include "cli/cli_progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "util/progress.h"

std::mutex cli_terminal_lock;
volatile std::sig_atomic_t cli_interrupted = 0;

namespace {

typedef std::chrono::steady_clock Clock;

// Clears the line the cursor is on: carriage return, then erase to the end of line.
const char CLEAR_LINE[] = "\r\033[K";

enum {
  BAR_WIDTH = 30,        // characters between the brackets
  REDRAW_MS = 100,       // at most ten redraws a second
  SECONDS_PER_MINUTE = 60,
};

// A job's progress title and the phase it shows as. The record's own lines (the
// progress window's) are not printed: the message pane says the same on the terminal
// (the folder, the counts, each file), and the bar names the phase.
struct Phase {
  const char *title;
  const char *label;
};

const Phase PHASES[] = {
    {"Scanning", "Scanning"},
    {"Sort Structure", "Reading headers"},
    {"Copying", "Copying"},
    {"Pushing", "Pushing"},
};

const double RATE_AFTER_SECONDS = 0.5;  // the rate is shown once the phase has run this long

std::string bar_line;  // the bar as drawn now, or empty; guarded by cli_terminal_lock

Phase Phase_Of(const std::string &title)
{
  for (const Phase &phase : PHASES)
    if (title == phase.title) return phase;
  return {nullptr, nullptr};
}

// "1:05" for 65 seconds.
std::string Minutes_Text(long seconds)
{
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", seconds / SECONDS_PER_MINUTE, seconds % SECONDS_PER_MINUTE);
  return text;
}

class Terminal_Bar : public Progress_View {
public:
  Terminal_Bar(bool drawn, const Phase &phase) : drawn_(drawn), phase_(phase) {}

  void Notify(Progress_Record *progress, int message) override
  {
    if (cli_interrupted) progress->cancelled.store(true);
    Progress_Take_Lines(progress);  // never shown, but taken so that they do not pile up
    if (!drawn_) return;
    std::lock_guard<std::mutex> hold(cli_terminal_lock);
    if (message == WM_PROGRESS_END) {
      if (!bar_line.empty()) std::fputs(CLEAR_LINE, stderr);
      bar_line.clear();
      std::fflush(stderr);
      return;
    }
    const Clock::time_point now = Clock::now();
    if (!bar_line.empty() && now - redrawn_ < std::chrono::milliseconds(REDRAW_MS)) return;
    redrawn_ = now;
    bar_line = Bar_Text(progress, now);
    std::fputs(CLEAR_LINE, stderr);
    std::fputs(bar_line.c_str(), stderr);
    std::fflush(stderr);
  }

private:
  // "Copying [#########.....................] 120/400  35.2 files/s  0:07 left".
  std::string Bar_Text(const Progress_Record *progress, Clock::time_point now) const
  {
    const int range = progress->range, position = progress->position;
    int filled = range > 0 ? (int)((long long)BAR_WIDTH * position / range) : 0;
    std::string bar(filled, '#');
    bar.resize(BAR_WIDTH, '.');
    const char *label = phase_.label ? phase_.label : progress->title.c_str();
    char text[256];
    int length = std::snprintf(text, sizeof text, "%s [%s] %d/%d", label, bar.c_str(), position, range);
    const double seconds = std::chrono::duration<double>(now - started_).count();
    if (position > 0 && seconds >= RATE_AFTER_SECONDS && length > 0 && (size_t)length < sizeof text) {
      const double rate = position / seconds;
      std::snprintf(text + length, sizeof text - length, "  %.1f files/s  %s left", rate,
                    Minutes_Text((long)((range - position) / rate + 0.5)).c_str());
    } else if (length > 0 && (size_t)length < sizeof text) {
      std::snprintf(text + length, sizeof text - length, "  -- files/s  -:-- left");
    }
    return text;
  }

  bool drawn_;
  Phase phase_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point redrawn_{};
};

Progress_View *Make_Terminal_Bar(Progress_Record *progress, Window_Handle, void *, int)
{
  const bool drawn = isatty(STDERR_FILENO) == 1 && cli_verbosity != CLI_QUIET;
  return new Terminal_Bar(drawn, Phase_Of(progress->title));
}

}  // namespace

// The line (between a clear and a redraw of the bar when one is drawn) leaves in one
// write: standard error is unbuffered, and a copy of thousands of files writes a line
// or more for each.
void Cli_Terminal_Write(const char *line)
{
  std::string text;
  if (!bar_line.empty()) text = CLEAR_LINE;
  text += line;
  text += '\n';
  text += bar_line;
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void Cli_Progress_Interrupt(int) { cli_interrupted = 1; }

void Cli_Progress_Start() { progress_view_factory = Make_Terminal_Bar; }

void Cli_Progress_Stop() { progress_view_factory = nullptr; }

void Cli_Summary_Print(const char *verb, int done, int skipped, int failed, bool cancelled, int count)
{
  std::string line = std::to_string(done) + " " + verb + ", " + std::to_string(skipped) +
                     " skipped (not DICOM: no readable header), " + std::to_string(failed) + " failed";
  if (cancelled)
    line += ", cancelled after " + std::to_string(done + skipped + failed) + " of " + std::to_string(count);
  Cli_Summary_Line(line);
}

void Cli_Summary_Line(const std::string &line)
{
  if (cli_verbosity == CLI_QUIET) return;
  std::lock_guard<std::mutex> hold(cli_terminal_lock);
  Cli_Terminal_Write(line.c_str());
}

void Cli_Failure_Print(const char *command, const std::string &text)
{
  const std::string line = std::string("harrowdesk-cli ") + command + ": failed: " + text;
  std::lock_guard<std::mutex> hold(cli_terminal_lock);
  Cli_Terminal_Write(line.c_str());
}
