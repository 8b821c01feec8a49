// The progress screen of installing, updating and uninstalling: a status line
// that follows the flow's state, a bar with the percentage done, and Cancel,
// which asks before anything stops.
#pragma once

#include <cstdint>

#include "gui/gui_backdrop_window.h"

class GUIButton;
class ZindleWindow;

constexpr int kCurrentFileSize = 1024;
// Ticks between two redraws of the status area caused by FinishedFile: a
// quarter of a second.
constexpr unsigned long kProgressRedrawTicks = 16;

class FileCopyWindow : public GUIBackdropWindow {
 public:
  ZindleWindow* Owner = nullptr;
  GUIButton* CancelButton = nullptr;
  char CurrentFile[kCurrentFileSize] = {};
  unsigned long NextRedrawTime = 0;
  int FilesDone = 0;
  int FilesTotal = 0;
  int TextX = 0, TextY = 0;
  // Percent done; beyond 100 only when more files were counted than the
  // total, and held at 255 past that.
  uint8_t Percent = 0;
  // Entries checked by the digest pass of an update.
  int FilesChecked = 0;

  FileCopyWindow(int x, int y, int width, int height, ZindleWindow* owner);

  void Draw(int x, int y) override;
  // 108 (Cancel) asks whether to cancel; 0 for every message.
  int HandleMessage(int msg, int a, int b, void* p, void* q) override;
  ~FileCopyWindow() override;
  void LayoutChildren() override;
  void Enable() override;
  void Disable() override;

  // Counters and percentage back to 0 (the total too unless keepTotal); redraw.
  void Reset(int keepTotal);
  // One file done: counted, FilesDone goes up and Percent follows it (a total
  // below 2 counts as 1). The path becomes CurrentFile; the status area is
  // redrawn at most every kProgressRedrawTicks.
  void FinishedFile(const char* path, int countIt);
  // Sets Percent (held to 0..255) and redraws the status area.
  void SetPercent(int percent);

  // The bar's ends for Percent, in screen coordinates relative to the
  // screen's drawing origin: the grey bar runs from BarX0 to BarX1, the red
  // part from BarX0 to RedBarEnd (never past BarX1).
  int BarX0() const;
  int BarX1() const;
  int RedBarEnd() const;
};
