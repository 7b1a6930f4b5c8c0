// The progress record of a job and its operations. A worker thread reports through
// these operations; they only change the record's fields under its lock and notify
// whatever view the front end attached (a progress window in the GUI, a bar on the
// terminal in the CLI, nothing in tests), so the worker never waits for a user
// interface. The view sets the cancelled flag (its Cancel button, its close box, Ctrl-C)
// and the worker reads it between units of work.
//
// Every operation accepts a null record and then does nothing (Progress_Cancelled
// returns false). Ownership: the record is reference counted and owns its view;
// Progress_Create gives the job one reference, which Progress_End releases. A view that
// uses the record outside Notify (a window drawing it later) takes a reference of its own
// with Progress_Retain and gives it back with Progress_Release.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os/os_messages.h"  // the WM_PROGRESS_* numbers the view is notified with
#include "platform/os/window_handle.h"

enum {
  PROGRESS_LINES = 50,        // pending lines at most
  PROGRESS_LINE_SIZE = 2048,  // a line holds at most 2047 characters
};

struct Progress_Record;

// What a front end implements to show a job's progress. Notify is called on the
// reporting thread with the record's lock held: it may read and change the record's
// fields (it takes the pending lines with Progress_Take_Lines) but must call no progress
// operation. A window-based view posts a message to its window and returns at once.
class Progress_View {
public:
  virtual ~Progress_View() = default;
  virtual void Notify(Progress_Record *progress, int message) = 0;
  // The record was shown (Progress_Show); called without the lock.
  virtual void Show(Progress_Record *progress) { (void)progress; }
};

struct Progress_Record {
  std::mutex lock;                       // guards every field below but `cancelled`
  std::atomic<bool> cancelled{false};    // set by the view, read by the worker
  std::atomic<bool> paced{false};        // the job pauses for a person watching (Progress_Pause)
  bool shown = false;                    // set by Progress_Show
  int32_t range = 0;                     // the bar's maximum
  int32_t position = 0;                  // the bar's value, within 0..range
  int32_t bounce_position = 0;           // activity indicator, in pixels along the bar
  int32_t bounce_direction = 0;          // 0 idle, +1 or -1
  int32_t bar_width = 360;               // the bar's width in pixels (set by the view)
  std::string title;                     // the job's title (the window caption)
  std::string subtitle;                  // the line under the title
  std::vector<std::string> pending;      // lines written and not yet shown (at most 50)
  Progress_View *view = nullptr;         // the attached view, or none
  std::atomic<int> references{1};        // the job's, plus those a view took
};

// Makes a progress view for a new record: installed by the front end, or none (then
// records have no view). `owner` is the window the view belongs to (may be null),
// `value_callback` and `topmost` are passed through from Progress_Create. Returns the
// view, or nullptr when none could be made (the job then runs without one).
typedef Progress_View *(*Progress_View_Factory)(Progress_Record *progress, Window_Handle owner,
                                                void *value_callback, int topmost);
extern std::atomic<Progress_View_Factory> progress_view_factory;

// Makes a progress record with `title` and `subtitle` and attaches a view through
// progress_view_factory when one is installed, then notifies WM_PROGRESS_TITLE.
// Returns the record (the caller owns one reference, released by Progress_End), or
// nullptr after a logged memory failure.
Progress_Record *Progress_Create(Window_Handle owner, const char *title, const char *subtitle,
                                 void *value_callback, int topmost);
// Sets `shown` and asks the view to show itself.
void Progress_Show(Progress_Record *progress);
// range = `range`, bounce direction 0; notifies WM_PROGRESS_RANGE.
void Progress_Set_Range(Progress_Record *progress, int range);
// position = `value` clamped to 0..range; notifies WM_PROGRESS_POSITION.
void Progress_Set_Position(Progress_Record *progress, int value);
// position = position + `n`, clamped to 0..range; notifies WM_PROGRESS_POSITION.
void Progress_Step(Progress_Record *progress, int n);
// Moves the activity indicator `n` pixels, turning at both ends of the bar; notifies
// WM_PROGRESS_POSITION.
void Progress_Bounce(Progress_Record *progress, int n);
// Formats a line (printf-style, cut at 2047 characters) and adds it to the pending lines
// when a view is attached; with 50 lines pending the line is dropped with the trace
// "in Progress_Write: To many lines". Notifies WM_PROGRESS_TEXT in both cases.
void Progress_Write(Progress_Record *progress, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
// The cancelled flag (read without the lock).
bool Progress_Cancelled(Progress_Record *progress);
// Sleeps `milliseconds` when the record is paced: the pauses that keep a window
// responsive and let a person read each phase line. Unpaced or null: returns at once.
void Progress_Pause(Progress_Record *progress, int milliseconds);
// Sets the cancelled flag: what the view's Cancel button does.
void Progress_Cancel(Progress_Record *progress);
// Notifies WM_PROGRESS_END and releases the job's reference: the record must not be
// used by the caller afterwards.
void Progress_End(Progress_Record *progress);

// For views: moves the pending lines out (call with the lock held, from Notify).
std::vector<std::string> Progress_Take_Lines(Progress_Record *progress);
// For views: takes one more reference to the record.
void Progress_Retain(Progress_Record *progress);
// Gives a reference back; the last one deletes the view and frees the record. Never
// called with the record's lock held.
void Progress_Release(Progress_Record *progress);
