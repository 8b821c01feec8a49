// Shared fixture of the launcher screen tests: the main window with its four
// screens on a device of the program window's size, a scratch working
// directory, the UI trace in a file, and clicks at the rectangles the trace
// gives, through the toolkit's real input path.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/language_catalogue.h"
#include "foundation/ui_trace.h"
#include "gfx/gfx_device.h"
#include "gui/gui_fixture.h"
#include "gui/gui_input.h"
#include "gui/gui_skin.h"
#include "launcher/launcher_globals.h"
#include "launcher/registry_info.h"
#include "launcher/zindle_window.h"
#include "platform/filesystem.h"
#include "support/process.h"
#include "update/update_globals.h"

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One widget line of the trace.
struct TracedWidget {
  std::string kind, label;
  int x = 0, y = 0, w = 0, h = 0, message = 0;
};

class ScreensTest : public GUITest {
 protected:
  GfxDevice* MakeDevice() override { return new GfxDevice(720, 505); }

  void SetUp() override {
    GUITest::SetUp();
    // The fonts; the toolkit's textures stay unset (a device of the fixture's
    // own that loads textures would free them with itself).
    GfxDevice* device = CurGfxDevice;
    GfxDevice bare(device->Width, device->Height);
    CurGfxDevice = &bare;
    LoadDefaultGUISkin();
    CurGfxDevice = device;
    ResetLauncherGlobals();
    FreeHashList();
    ResetUpdateGlobals();
    char cwd[4096];
    oldCwd_ = getcwd(cwd, sizeof cwd) ? cwd : ".";
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    reg_ = RegistryInfo{};
    oldRegInfo_ = RegInfo;
    RegInfo = &reg_;
    setenv("QUORVEL_UI_TRACE", TracePath().c_str(), 1);
    UiTraceReload();
  }

  void TearDown() override {
    GUITest::TearDown();
    MainWin = nullptr;
    RegInfo = oldRegInfo_;
    ResetUpdateGlobals();
    ResetLauncherGlobals();
    FreeHashList();
    unsetenv("QUORVEL_UI_TRACE");
    UiTraceReload();
    if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << oldCwd_;
  }

  // Builds the main window as start-up does.
  ZindleWindow* Build() {
    MainWin = new ZindleWindow(0, 0, 720, 505, 24, 24, 200);
    AddTopLevelObject(MainWin);
    MainWin->LayoutChildren();
    return MainWin;
  }

  std::string TracePath() const { return dir_ / "trace.txt"; }
  // The trace without the time stamps.
  std::vector<std::string> TraceLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileText(TracePath()));
    for (std::string line; std::getline(in, line);) {
      size_t space = line.find(' ');
      lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
    }
    return lines;
  }
  std::string TraceText() const {
    std::string all;
    for (const std::string& l : TraceLines()) all += l + "\n";
    return all;
  }
  void ClearTrace() { WriteFileText(TracePath(), ""); }

  // The widgets of the last "screen NAME enabled" or dialog block that has a
  // widget with this label, newest first.
  bool FindWidget(const std::string& label, TracedWidget* out) const {
    std::vector<std::string> lines = TraceLines();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
      if (it->rfind("widget ", 0) != 0) continue;
      std::istringstream in(it->substr(7));
      TracedWidget w;
      in >> w.kind;
      std::string rest;
      std::getline(in, rest);
      size_t open = rest.find('"'), close = rest.rfind('"');
      if (open == std::string::npos || close == open) continue;
      w.label = rest.substr(open + 1, close - open - 1);
      std::istringstream nums(rest.substr(close + 1));
      nums >> w.x >> w.y >> w.w >> w.h >> w.message;
      if (w.label == label) {
        *out = w;
        return true;
      }
    }
    return false;
  }
  // Clicks the middle of the traced widget with this label.
  void ClickTraced(const std::string& label) {
    TracedWidget w;
    ASSERT_TRUE(FindWidget(label, &w)) << "no widget \"" << label << "\" in the trace:\n" << TraceText();
    Click(w.x + w.w / 2, w.y + w.h / 2);
  }

 public:
  static void ClickOn(GUIObject* o) { Click(o->AbsoluteX() + o->Width / 2, o->AbsoluteY() + o->Height / 2); }

 protected:
  TempDir dir_;
  RegistryInfo reg_;
  RegistryInfo* oldRegInfo_ = nullptr;
  std::string oldCwd_;
};
