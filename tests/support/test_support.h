// Shared test fixtures: a private temporary folder that stands in for the application
// data and temp folders, and a message sink that records what the code under test logs.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "util/message_log.h"

// Creates a fresh folder under $TMPDIR and points HARROWDESK_APPDATA, TMPDIR and
// XDG_STATE_HOME into it for the life of the object; restores them and removes the
// folder afterwards.
class Scoped_Temp_Env {
public:
  Scoped_Temp_Env();
  ~Scoped_Temp_Env();
  Scoped_Temp_Env(const Scoped_Temp_Env &) = delete;
  Scoped_Temp_Env &operator=(const Scoped_Temp_Env &) = delete;

  const std::string &root() const { return root_; }          // ends with "/"
  const std::string &app_data() const { return app_data_; }  // root + "appdata/"
  const std::string &temp() const { return temp_; }          // root + "tmp/"
  const std::string &state() const { return state_; }        // root + "state/" (XDG_STATE_HOME)
  std::string log_state() const { return state_ + "harrowdesk/"; }  // the audit and error files' folder

private:
  std::string root_, app_data_, temp_, state_;
  std::string saved_appdata_, saved_tmpdir_, saved_state_;
  bool had_appdata_ = false, had_tmpdir_ = false, had_state_ = false;
};

// Installs itself as Message_Callback and records (kind, text) of every message that
// passes the level filter; restores the previous sink and trace level afterwards.
class Message_Capture {
public:
  explicit Message_Capture(signed char level = 9);
  ~Message_Capture();
  Message_Capture(const Message_Capture &) = delete;
  Message_Capture &operator=(const Message_Capture &) = delete;

  // Messages of `kind` (all messages when kind is 0).
  std::vector<std::string> Texts(int kind = 0) const;
  // Number of messages of `kind` whose text contains `part`.
  int Count(int kind, const std::string &part) const;
  void Clear();

  std::vector<std::pair<int, std::string>> messages;

private:
  Message_Sink saved_sink_;
  signed char saved_level_;
};

// Reads a whole file; "" when it cannot be read.
std::string Read_File(const std::string &path);
// Writes a whole file; returns true on success.
bool Write_File(const std::string &path, const std::string &bytes);
// Every file below `folder` (any entry but a folder, links not followed), as paths
// relative to it, sorted; empty when the folder cannot be read.
std::vector<std::string> Files_Below(const std::string &folder);
// zlib's raw deflate of `bytes` (no header), as the deflated transfer syntax holds a data
// set; `finish` ends the stream, else it is left open, as a stream cut after these bytes.
std::string Raw_Deflate(const std::string &bytes, bool finish = true);
// Runs a shell command and returns its standard output; `status` receives the exit code.
std::string Run_Command(const std::string &command, int *status = nullptr);
// The source tree's root and the build tree's, both ending with "/".
std::string Source_Dir();
std::string Binary_Dir();
