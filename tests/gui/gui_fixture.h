// Shared fixture of the GUI tests: a null drawing device of 640 by 480, a
// clean toolkit state before and after each test, and a probe object that
// records what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/gfx_device.h"
#include "gui/damage.h"
#include "gui/gui_globals.h"
#include "gui/gui_object.h"
#include "gui/gui_timers.h"
#include "gui/mouse_dispatch.h"

struct ReceivedMessage {
  int msg, a, b;
  void* p;
  void* q;
};

// Records messages from children, button events, moves, keys and hover.
class Probe : public GUIObject {
 public:
  using GUIObject::GUIObject;
  std::vector<ReceivedMessage> messages;
  std::vector<std::string> events;
  int keysTaken = 0;
  bool takeKeys = false;
  int ticks = 0;
  int idle = 0;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    messages.push_back({msg, a, b, p, q});
    return 0;
  }
  void DoButtonEvent(ButtonEventType t, int x, int y, unsigned long mods) override {
    events.push_back("button " + std::to_string(int(t)) + " " + std::to_string(x) + "," + std::to_string(y));
    GUIObject::DoButtonEvent(t, x, y, mods);
  }
  void DoMouseMovement(int x, int y, unsigned long mods) override {
    events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseIsOverYou(int x, int y) override { events.push_back("over"); }
  void MouseIsNoLongerOverYou() override { events.push_back("left"); }
  int HandleKey(int key, unsigned long mods) override {
    events.push_back("key " + std::to_string(key));
    if (takeKeys) {
      ++keysTaken;
      return 1;
    }
    return GUIObject::HandleKey(key, mods);
  }
  void HandleTimerTick() override {
    ++ticks;
    GUIObject::HandleTimerTick();
  }
  void UserHasBeenIdle() override { ++idle; }
  int CountMessages(int id) const {
    int n = 0;
    for (auto& m : messages) n += m.msg == id;
    return n;
  }
};

class GUITest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGUIState();
    if (!CurGfxDevice) ownDevice_ = CurGfxDevice = MakeDevice();
  }
  void TearDown() override {
    KillAllGUIObjects();
    ResetGUIState();
    if (ownDevice_) {
      delete ownDevice_;
      CurGfxDevice = nullptr;
    }
  }
  virtual GfxDevice* MakeDevice() { return new GfxDevice(640, 480); }
  static void ResetGUIState() { ResetGuiGlobals(); }
  GfxDevice* ownDevice_ = nullptr;
};
