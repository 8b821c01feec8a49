// A virtual X server for end-to-end tests.
#pragma once

#include <string>

#include "support/process.h"
#include "support/temp_dir.h"

class Xvfb {
 public:
  // Starts Xvfb on a free display number with one 1024x768x24 screen.
  Xvfb();
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;

  bool running() const { return server_.started(); }
  // "DISPLAY=:N", for a child's environment.
  std::string displayEnv() const { return "DISPLAY=" + display_; }
  const std::string& display() const { return display_; }

  // Finds a window by its exact title with xdotool; 0 when none appears within timeoutMs.
  unsigned long FindWindow(const std::string& title, int timeoutMs = 10000) const;
  // Runs xdotool with the arguments; returns its standard output.
  std::string Xdotool(const std::string& args) const;
  // The display, whether the server still runs, the names of its windows and
  // what the server printed, for failure messages.
  std::string Describe() const;
  // Asks the window to close as a window manager would.
  bool CloseWindow(unsigned long window) const;

 private:
  TempDir dir_;                  // the server's standard error, for Describe
  mutable ChildProcess server_;  // Describe looks whether it still runs
  std::string display_;
};
