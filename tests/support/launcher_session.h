// The real launcher in a real X server, driven as a player would drive it:
// started with its own scratch home (settings store, menu, desktop, lock,
// temporary files all inside one folder), watched through its UI trace, and
// clicked at the rectangles the trace gives. One session is one run of the
// program; start another session on the same home for a restart.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/ui_trace_reader.h"
#include "support/xvfb.h"

// Environment for a launcher whose every per-user place lies under home:
// HOME, the XDG folders, the settings store, TMPDIR. The folders are created.
std::vector<std::string> LauncherHomeEnv(const std::string& home);

// The server variables pointing the launcher at base ("http://127.0.0.1:N/"):
// installs and updates from base + "krnx/", the alternate server base + "zeph4/".
std::vector<std::string> LauncherServerEnv(const std::string& base);

// Everything a journey's launcher needs: LauncherHomeEnv, LauncherServerEnv
// and the demo game's marker file (QUORVEL_GAME_MARKER) at home + "/marker".
std::vector<std::string> JourneyEnv(const std::string& home, const std::string& base);

// The installation directory a first installation offers for this home.
std::string DefaultInstallDir(const std::string& home);

// Waits until the file holds text (the game copy is started in a session of
// its own and writes its marker after the launcher has ended). Returns the
// file's contents then, or whatever it holds at the time limit.
std::string WaitForFileContaining(const std::string& path, const std::string& text, int timeoutMs = 10000);

class LauncherSession {
 public:
  // x must outlive the session.
  explicit LauncherSession(const Xvfb& x);
  ~LauncherSession();  // kills the program (and its process group) if it still runs
  LauncherSession(const LauncherSession&) = delete;
  LauncherSession& operator=(const LauncherSession&) = delete;

  // Starts exe with args in cwd, the trace going to traceFile, with env added
  // to the display and the trace variable. Native message boxes go to
  // standard error only, unless env names QUORVEL_MESSAGEBOX (a test that
  // acknowledges them passes QUORVEL_MESSAGEBOX=display). Output goes beside the trace
  // (traceFile + ".out", ".err").
  bool Start(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
             const std::vector<std::string>& env, const std::string& traceFile);

  // The trace so far.
  std::vector<TraceLine> Lines() const;
  // Waits until a line after the last one waited for contains text (the whole
  // line, as written) and returns it; the next wait looks after it. An empty
  // line's raw text when it did not come within timeoutMs or the program ended
  // first (failure messages: Describe()).
  TraceLine WaitFor(const std::string& text, int timeoutMs = 20000);
  // Whether any line so far contains text.
  bool Seen(const std::string& text) const;
  // Waits for the screen or dialog that shows a widget with this label and
  // clicks its centre (never before the window's first present). False when it did not appear in time.
  bool Click(const std::string& label, int timeoutMs = 20000);
  // The same for the first widget on screen that match accepts (buttons drawn
  // with an icon and no label, the nth of several empty fields).
  bool ClickWhere(const std::function<bool(const TracedWidget&)>& match, int timeoutMs = 20000);
  bool ClickMessage(int message, int timeoutMs = 20000);
  // A click at a point of the program window.
  void ClickAt(int x, int y);
  // The widgets on screen now, as the trace so far gives them.
  std::vector<TracedWidget> Widgets() const;
  // The program window as a PNG (ImageMagick's import); false when that failed.
  bool SaveWindowImage(const std::string& path);
  // Types text into the focused window (xdotool type), or presses keys
  // (xdotool key), delayMs apart.
  void Type(const std::string& text, int delayMs = 20);
  void Key(const std::string& keys, int delayMs = 12);

  bool Running();
  // Waits for the end (killing it after timeoutMs).
  ProcessResult Wait(int timeoutMs = 30000);
  void Signal(int signal);
  pid_t pid() const { return process_.pid(); }
  // The program window, found by its title (0 before it appears).
  unsigned long Window(int timeoutMs = 20000);
  // Clicks, keys and pictures go to this X window instead: a Wayland
  // compositor's window on the display, whose coordinates are the program's.
  void UseWindow(unsigned long window) { window_ = pinned_ = window; }
  // The title Window() looks for: the launcher's own unless set (another
  // program of the project that writes the trace, such as the GUI demo).
  void SetWindowTitle(const std::string& title) { title_ = title; }

  // The trace, the program's output and the display, for failure messages.
  std::string Describe() const;

 private:
  const Xvfb& x_;
  ChildProcess process_;
  std::string trace_;
  std::string title_ = "Quorvel Online Install/Update Agent";
  unsigned long window_ = 0;
  unsigned long pinned_ = 0;  // UseWindow's, kept over a new Start
  size_t cursor_ = 0;         // lines before it were matched by earlier waits
};
