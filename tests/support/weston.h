// A Wayland desktop for end-to-end tests: weston nested in an Xvfb (its x11
// backend, the pixman renderer, the kiosk shell, which places the one
// client window at the output's top left), so that a Wayland client is seen
// and driven through weston's own X window.
#pragma once

#include <string>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

class Weston {
 public:
  // Starts weston on x; "" when it runs, else why not (weston missing, or it
  // did not come up).
  std::string Start(const Xvfb& x);
  ~Weston();

  // What a client needs to reach this compositor over Wayland.
  std::vector<std::string> ClientEnv() const;
  // weston's window on the X display: a client's window coordinates are
  // this window's.
  unsigned long window() const { return window_; }

 private:
  TempDir runtime_;
  ChildProcess process_;
  unsigned long window_ = 0;
};
