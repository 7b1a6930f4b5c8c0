// A private Xvfb server for the end-to-end window tests: started on a display number that
// no other server uses (scripts/xvfb-start.sh), stopped by its PID when the object goes.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "support/test_support.h"

// True when `program` is on the PATH.
inline bool Have(const char *program)
{
  return system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

class Xvfb_Server {
public:
  // `geometry` is the screen's WIDTHxHEIGHT.
  explicit Xvfb_Server(const std::string &geometry = "640x480")
  {
    int status = -1;
    std::string line = Run_Command(Source_Dir() + "scripts/xvfb-start.sh " + geometry, &status);
    std::istringstream words(line);
    if (status == 0 && (words >> number_ >> pid_)) started_ = true;
  }
  Xvfb_Server(const Xvfb_Server &) = delete;
  Xvfb_Server &operator=(const Xvfb_Server &) = delete;
  ~Xvfb_Server()
  {
    if (!started_) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; i++) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  bool started() const { return started_; }
  std::string display() const { return ":" + std::to_string(number_); }

private:
  bool started_ = false;
  int number_ = -1;
  pid_t pid_ = -1;
};
