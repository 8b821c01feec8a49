// The launcher's main routine: the start-up steps in their order, then the
// state loop.
#include <cstdio>
#include <string>

#include "foundation/fail.h"
#include "foundation/intrusive_list.h"
#include "foundation/log.h"
#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "foundation/ui_trace.h"
#include "gfx/display_device.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gfx/texture_control_file.h"
#include "gfx/true_color_bitmap.h"
#include "gfx/vga565_device.h"
#include "gui/balloon_help.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_object.h"
#include "gui/gui_skin.h"
#include "launcher/command_line_switches.h"
#include "launcher/flow.h"
#include "launcher/game_launch.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_messages.h"
#include "launcher/launcher_skin.h"
#include "launcher/localisation.h"
#include "launcher/os.h"
#include "launcher/registry_info.h"
#include "launcher/screen_splash.h"
#include "launcher/server_urls.h"
#include "launcher/shortcuts.h"
#include "launcher/zindle_window.h"
#include "platform/directory_maintenance.h"
#include "platform/filesystem.h"
#include "platform/instance_lock.h"
#include "update/file_list.h"
#include "update/proxy_settings.h"

namespace {

void TraceProgramEnd() { TraceEnd(0); }

// At the end: the window tree, the lists and the drawing device with its
// textures go, so nothing of the run is left allocated.
void FreeLauncher() {
  KillAllGUIObjects();
  MainWin = nullptr;  // the window left UpdateHostWindow as it went
  WipeList(ZindleList);
  WipeList(InstallFileList);
  FreeShortcuts(*DesktopShortcuts);
  FreeShortcuts(*StartMenuShortcuts);
  CleanupDisplay();
  FreeTextureControls();
  // The fonts of the skin; the other font globals point at these.
  delete SmallFont;
  delete MedFont;
  delete DefaultDropDownMenuFont;
  SmallFont = MedFont = DefaultDropDownMenuFont = nullptr;
  DefaultSpreadsheetFont = DefaultGUIObjFont = DefaultSimpleDialogButtonFont = DefaultStringInputFont = nullptr;
  WindowTitleBarFont = BalloonHelpFont = nullptr;
}

// Step 2: one launcher at a time.
void TakeSingleInstanceLock() {
  HANDLE mutex = CreateMutexA(nullptr, 0, "Quorvel Online.mutex");
  if (GetLastError() == ERROR_ALREADY_EXISTS)
    PrintMessageAndExit(
        "Quorvel Online is currently running, please close Quorvel Online before starting the update process.");
  if (mutex) ReleaseMutex(mutex);
}

// Step 3.
void SetUpGraphics() {
  DontAllowWindowResize = 1;
  CheckTgaJpeg = 1;
  SetWindowedMode(1);
  SetTimerRate(kTimerRate64Hz);
  notgahook = CheckMissingFilename;
  GUISoundEnabled = 0;
  int format = GetScreenPixelFormat();
  if (format != PF_RGB565 && format != PF_RGB24 && format != PF_RGB32) format = PF_RGB565;
  InitDisplay(DD_VGA565, CustomWinWidth, CustomWinHeight, format, nullptr, 0);
}

// Step 5: the folder with the skin becomes the working directory: the
// installation's, else "data", else the working directory itself, else the
// folder of the program (a package's launcher started from elsewhere).
void EnterSkinDirectory() {
  if (RegInfo->Installed) {
    ServerURL = UpdateURL;
    if (PlatIsDirectory(std::string(RegInfo->Directory) + "zindimgs")) {
      PlatEnterDirectory(RegInfo->Directory);
      return;
    }
  } else {
    ServerURL = InstallURL;
  }
  if (PlatIsDirectory("data/zindimgs")) {
    PlatEnterDirectory("data");
    return;
  }
  if (PlatIsDirectory("zindimgs")) return;
  const std::string program = PlatProgramDirectory();
  if (!program.empty() && PlatIsDirectory(program + "zindimgs")) {
    PlatEnterDirectory(program);
    return;
  }
  Fail("could not find a zindimgs directory");
}

// Step 6.
void LoadSkinTextures() {
  if (PlatFileExists("txtr.ctl")) ReadTextureControlFile("txtr.ctl");
  GfxDevice* d = CurGfxDevice;
  if (!d) return;
  MarbleBGTexture = d->LoadTexture("zindimgs/menublue.tga", 0);
  MarbleDarkBGTexture = d->LoadTexture("zindimgs/menudkgr.tga", 0);
  checkbtn0 = d->LoadTexture("zindimgs/button01.tga", 0);
  checkbtn1 = d->LoadTexture("zindimgs/button02.tga", 0);
  checkbtn2 = d->LoadTexture("zindimgs/button03.tga", 0);
  ZindleBGTexture = d->LoadTexture("zindimgs/signin.tga", 0);
  DropDownTexture = d->LoadTexture("zindimgs/arromenu.tga", 0);
  // The toolkit's own textures (borders, corners, arrows, icons, gadgets)
  // and, for step 7, its fonts.
  LoadDefaultGUISkin();
  for (const char*& name : ButtonStyleTextureNames) name = "zindimgs/btn01";
}

}  // namespace

int RealMain(int argc, char** argv) {
  LogEnabled = 0;  // 1
  AtExit(TraceProgramEnd);
  ReadServerURLOverrides();
  TakeSingleInstanceLock();  // 2
  SetUpGraphics();           // 3
  AtExit(FreeLauncher);
  ReadRegistryInfo(*RegInfo);                                                               // 4
  EnterSkinDirectory();                                                                     // 5
  LoadSkinTextures();                                                                       // 6, 7
  DeleteCopiedQuorvelExes();                                                                // 8
  ReadLanguageChoice();                                                                     // 9
  ApplyCommandLineSwitches(ParseCommandLineSwitches(argc, argv), RegInfo->Installed != 0);  // 10
  LoadProxySettingsAtStartup();                                                             // 11

  GfxDevice* d = CurGfxDevice;  // 12
  if (d) d->DisableZBuffer();
  MainWin = new ZindleWindow(0, 0, CustomWinWidth, CustomWinHeight, 24, 24, 200);
  MainWin->State = StateIdle;
  AddTopLevelObject(MainWin);  // the window is the update engine's host from here
  if (d) d->ResizeToWidthHeight(CustomWinWidth, CustomWinHeight);
  SetMainWindowVars();
#ifndef _WIN32
  // The window is held at exactly its drawing area: the three rows of slack
  // a Windows frame needs would show here as an undrawn strip.
  FixedHeight = MainWindowHeight;
#endif

  LoadShortcuts();  // 13

  if (d) {  // 14
    d->SetTextureCacheAttributes(2097152, 1);
    d->DisableZBuffer();
  }
  CustomWinWidth = MainWin->Width;
  CustomWinHeight = MainWin->Height;
  AddWindozeMessageHandler(GfxWindowMessageHandler, nullptr);
  SetupGUIObjEventHandler(hMainWindow, AddWindozeMessageHandler);
  Need_Redraw = 1;

  if (RegInfo->Installed && Uninstalling) {  // 15
    MainWin->SplashWin->Redraw();
    MainWin->HandleMessage(MsgAskUninstall, 0, 0, nullptr, nullptr);
  } else if (RegInfo->Installed && AutomaticUpdateAndLaunch) {
    DoNotLaunchQuorvel = 1;
    MainWin->State = StateShowMenu;
  }
  RunStateLoop(MainWin);
}
