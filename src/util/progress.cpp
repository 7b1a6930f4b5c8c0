// The progress record's operations: each takes the record's lock, changes its fields,
// notifies the attached view and releases the lock, so that a worker thread reports
// without ever waiting for the user interface.
#include "util/progress.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <thread>

#include "util/message_log.h"

std::atomic<Progress_View_Factory> progress_view_factory{nullptr};

// Notifies the view of `message`; the caller holds the lock.
static void Progress_Notify(Progress_Record *progress, int message)
{
  if (progress->view) progress->view->Notify(progress, message);
}

Progress_Record *Progress_Create(Window_Handle owner, const char *title, const char *subtitle,
                                 void *value_callback, int topmost)
{
  Progress_Record *progress = new (std::nothrow) Progress_Record;
  if (!progress) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), "progress", 1, (int)sizeof(Progress_Record));
    return nullptr;
  }
  progress->title = title ? title : "";
  Progress_View_Factory factory = progress_view_factory.load();
  if (factory) progress->view = factory(progress, owner, value_callback, topmost);
  std::lock_guard<std::mutex> hold(progress->lock);
  progress->subtitle = subtitle ? subtitle : "";
  Progress_Notify(progress, WM_PROGRESS_TITLE);
  return progress;
}

void Progress_Show(Progress_Record *progress)
{
  if (!progress) return;
  {
    std::lock_guard<std::mutex> hold(progress->lock);
    progress->shown = true;
  }
  if (progress->view) progress->view->Show(progress);
}

void Progress_Set_Range(Progress_Record *progress, int range)
{
  if (!progress) return;
  std::lock_guard<std::mutex> hold(progress->lock);
  progress->range = range;
  progress->bounce_direction = 0;
  Progress_Notify(progress, WM_PROGRESS_RANGE);
}

// Sets the position to `value` within 0..range and notifies; the caller holds the lock.
static void Progress_Place(Progress_Record *progress, long long value)
{
  if (value > progress->range) value = progress->range;
  if (value < 0) value = 0;
  progress->position = (int32_t)value;
  Progress_Notify(progress, WM_PROGRESS_POSITION);
}

void Progress_Set_Position(Progress_Record *progress, int value)
{
  if (!progress) return;
  std::lock_guard<std::mutex> hold(progress->lock);
  Progress_Place(progress, value);
}

void Progress_Step(Progress_Record *progress, int n)
{
  if (!progress) return;
  std::lock_guard<std::mutex> hold(progress->lock);
  Progress_Place(progress, (long long)progress->position + n);
}

void Progress_Bounce(Progress_Record *progress, int n)
{
  if (!progress) return;
  std::lock_guard<std::mutex> hold(progress->lock);
  int32_t width = progress->bar_width > 0 ? progress->bar_width : 1;
  if (progress->bounce_direction == 0) progress->bounce_direction = 1;
  long long place = progress->bounce_position + (long long)n * progress->bounce_direction;
  if (place < 0) {
    progress->bounce_direction = 1;
    place = -place;
  }
  if (place >= width) {
    progress->bounce_direction = -1;
    place = 2LL * width - place;
  }
  if (place < 0 || place > width) place = 0;  // a step longer than the whole bar
  progress->bounce_position = (int32_t)place;
  Progress_Notify(progress, WM_PROGRESS_POSITION);
}

void Progress_Write(Progress_Record *progress, const char *format, ...)
{
  if (!progress) return;
  char line[PROGRESS_LINE_SIZE];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  std::lock_guard<std::mutex> hold(progress->lock);
  if (!progress->view) return;
  if (progress->pending.size() >= PROGRESS_LINES)
    Message_Log(nullptr, MSG_TRACE, "in Progress_Write: To many lines");
  else
    progress->pending.emplace_back(line);
  Progress_Notify(progress, WM_PROGRESS_TEXT);
}

bool Progress_Cancelled(Progress_Record *progress) { return progress && progress->cancelled.load(); }

void Progress_Pause(Progress_Record *progress, int milliseconds)
{
  if (progress && progress->paced.load()) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void Progress_Cancel(Progress_Record *progress)
{
  if (progress) progress->cancelled.store(true);
}

void Progress_End(Progress_Record *progress)
{
  if (!progress) return;
  {
    std::lock_guard<std::mutex> hold(progress->lock);
    Progress_Notify(progress, WM_PROGRESS_END);
  }
  Progress_Release(progress);
}

std::vector<std::string> Progress_Take_Lines(Progress_Record *progress)
{
  std::vector<std::string> lines;
  if (progress) lines.swap(progress->pending);
  return lines;
}

void Progress_Retain(Progress_Record *progress)
{
  if (progress) progress->references.fetch_add(1);
}

void Progress_Release(Progress_Record *progress)
{
  if (!progress || progress->references.fetch_sub(1) != 1) return;
  delete progress->view;
  delete progress;
}
