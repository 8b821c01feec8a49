#include "gui/display_startup.h"

#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "gfx/display_device.h"
#include "gfx/texture.h"
#include "gui/gui_object.h"
#include "gui/gui_skin.h"

const char* DisplayStartErrorText(DisplayStartError error) {
  switch (error) {
    case DisplayStartError::kNone: return "no error";
    case DisplayStartError::kNoVideo: return "no video";
    case DisplayStartError::kNoWindowClass: return "cannot register window";
    case DisplayStartError::kNoWindow: return "cannot create the window";
    case DisplayStartError::kNoDrawingDevice: return "no drawing device";
  }
  return "unknown display error";
}

DisplayStartError CreateProgramWindow(const ProgramWindowSettings& settings) {
  if (!PlatInitVideo()) return DisplayStartError::kNoVideo;
  if (!RegisterWindowClass(settings.ClassName, settings.Proc, CS_DBLCLKS)) return DisplayStartError::kNoWindowClass;
  hMainWindow = CreateWindowExA(WS_EX_APPWINDOW, settings.ClassName, settings.Title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                settings.Left, settings.Top, settings.ClientWidth + kWindowFrameWidth,
                                settings.ClientHeight + kWindowFrameHeight);
  return hMainWindow ? DisplayStartError::kNone : DisplayStartError::kNoWindow;
}

int ChooseDisplayPixelFormat() {
  int format = GetScreenPixelFormat();
  if (format != PF_RGB565 && format != PF_RGB24 && format != PF_RGB32) format = PF_RGB565;
  return format;
}

DisplayStartError StartWindowedDisplay(int width, int height) {
  SetTimerRate(kTimerRate64Hz);
  notgahook = CheckMissingFilename;
  SetWindowedMode(1);
  if (!InitDisplay(DD_VGA565, width, height, ChooseDisplayPixelFormat(), nullptr, 0))
    return DisplayStartError::kNoDrawingDevice;
  return DisplayStartError::kNone;
}

void StartGUI(HWND window, GUIHandlerRegistrar registrar) {
  LoadDefaultGUISkin();
  SetupGUIObjEventHandler(window, registrar);
}

void StopDisplay() {
  KillAllGUIObjects();
  if (hMainWindow && IsWindow(hMainWindow)) DestroyWindow(hMainWindow);
  hMainWindow = nullptr;
  CleanupDisplay();
}
