// Start-up and shutdown of a program's window, drawing device and GUI skin,
// shared by the launcher and the tool's GUI demo. Each step is its own call so
// that a caller with its own window (the launcher builds its framed main
// window itself) or its own skin loading takes only the steps it needs:
//   CreateProgramWindow   video, window class, window; sets hMainWindow
//   StartWindowedDisplay  windowed mode, timer rate, missing-image hook, device
//   StartGUI              default skin and the GUI's message handling
//   StopDisplay           GUI objects, window and device, in that order
#pragma once

#include "gui/gui_message_handler.h"
#include "platform/window.h"

// The window to create: its class (registered with `proc`), title, top-left
// corner and drawing area; the outer size adds the window frame.
struct ProgramWindowSettings {
  const char* ClassName = nullptr;
  const char* Title = "";
  WNDPROC Proc = nullptr;
  int Left = 50, Top = 50;
  int ClientWidth = 0, ClientHeight = 0;
};

enum class DisplayStartError : int {
  kNone = 0,
  kNoVideo,          // PlatInitVideo failed
  kNoWindowClass,    // RegisterWindowClass failed
  kNoWindow,         // CreateWindowExA failed
  kNoDrawingDevice,  // InitDisplay failed
};

// A short text for the error ("no video", "cannot create the window", ...).
const char* DisplayStartErrorText(DisplayStartError error);

// Brings up video, registers the class and creates a visible overlapped
// window; on success hMainWindow is the window.
DisplayStartError CreateProgramWindow(const ProgramWindowSettings& settings);

// The desktop pixel format when the windowed device draws it (565, 24 or 32
// bits), else PF_RGB565.
int ChooseDisplayPixelFormat();

// Windowed mode, the program clock at 64 ticks a second, missing images
// marked by CheckMissingFilename, and the windowed drawing device of width
// by height in the chosen pixel format.
DisplayStartError StartWindowedDisplay(int width, int height);

// Loads the default GUI skin from the working directory and makes `window`
// (null: hMainWindow) the GUI's window, registering its message handler
// through `registrar` when one is given.
void StartGUI(HWND window = nullptr, GUIHandlerRegistrar registrar = nullptr);

// Destroys every GUI object, the main window when it still exists (hMainWindow
// becomes null) and the drawing device.
void StopDisplay();
