// quorvel-tool gui-demo: a window showing every widget of the toolkit on the
// default skin, and the launcher's Connection Settings and Proxy
// Authentication windows. Each user action is reported as one line on
// standard output (flushed at once), so that scripted sessions can follow
// what happened:
//   ready
//   widget NAME X Y WIDTH HEIGHT      (screen rectangles, after "ready")
//   button clicked STATE
//   toggle STATE
//   entered TEXT
//   picked TEXT VALUE
//   dialog open / dialog result ID
//   folder PATH / folder cancelled
//   connection open / connection closed
//   authentication open / authentication closed
//   warning TEXT / warning closed / question TEXT
//   closed
// The connection windows also write the UI trace (QUORVEL_UI_TRACE) as in the
// launcher. They read and write a scratch settings file, never the player's
// own: --settings FILE names it, else it is "quorvel-gui-demo/settings.txt"
// in the temporary folder.
#include <cstring>
#include <string>

#include "foundation/runtime.h"
#include "gfx/texture.h"
#include "gfx/vga565_device.h"
#include "gui/damage.h"
#include "gui/display_startup.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_message_handler.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_toggle_button.h"
#include "launcher/launcher_globals.h"
#include "launcher/server_urls.h"
#include "platform/filesystem.h"
#include "platform/known_folders.h"
#include "platform/settings_store.h"
#include "platform/window.h"
#include "tool/gui_demo_window.h"
#include "tool/tool_command.h"
#include "update/connection_messages.h"
#include "update/dialog_connection_prefs.h"

namespace {

constexpr int kWidth = kDefaultCustomWinWidth, kHeight = kDefaultCustomWinHeight;
constexpr const char* kUsage = "gui-demo [ASSETDIR] [--scene connection|authentication] [--settings FILE]";
constexpr const char* kSummary =
    "show every GUI widget and the connection windows on the skin in ASSETDIR/zindimgs (default: here) and report "
    "each action";

bool g_quit = false;

long DemoWindowProc(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (window == hMainWindow) {
    GfxWindowMessageHandler(message, wParam, lParam);
    GUIMessageHandler(message, wParam, lParam);
    if (message == WM_DESTROY) g_quit = true;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

enum class Scene { kWidgets, kConnection, kAuthentication };

struct Options {
  const char* assetDir = nullptr;
  Scene scene = Scene::kWidgets;
  std::string settings;
};

// Returns false (after the message) on a bad command line.
bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!std::strcmp(arg, "--scene") || !std::strcmp(arg, "--settings")) {
      if (i + 1 >= argc) return ToolError("%s needs a value", arg), false;
      const char* value = argv[++i];
      if (arg[2] == 's' && arg[3] == 'e' && arg[4] == 't') {
        o.settings = value;
      } else if (!std::strcmp(value, "connection")) {
        o.scene = Scene::kConnection;
      } else if (!std::strcmp(value, "authentication")) {
        o.scene = Scene::kAuthentication;
      } else {
        return ToolError("unknown scene %s (connection or authentication)", value), false;
      }
    } else if (arg[0] == '-' || o.assetDir) {
      return ToolError("usage: quorvel-tool %s", kUsage), false;
    } else {
      o.assetDir = arg;
    }
  }
  return true;
}

// The scratch store, so that OK in the demo never changes the player's settings.
bool UseScratchSettings(const Options& o) {
  std::string file = o.settings;
  if (file.empty()) {
    const std::string dir = KnownFolderPath(KnownFolder::kTemporary) + "/quorvel-gui-demo";
    if (!PlatMakeDirectory(dir)) return ToolError("cannot create %s", dir.c_str()), false;
    file = dir + "/settings.txt";
  }
  // Taken before the asset folder becomes the current one.
  if (file[0] != '/') file = PlatCurrentDirectory() + "/" + file;
  UseSettingsStoreFile(file);
  return true;
}

// Opens the scene's windows and reports where their controls are.
void OpenScene(DemoWindow* demo, Scene scene) {
  if (scene == Scene::kWidgets) return;
  demo->OpenConnectionSettings();
  ConnectionPrefsWindow* w = demo->Connection;
  if (scene != Scene::kAuthentication || !w) return;
  // As clicks on the two boxes do: the proxy is used, and it wants a log-on.
  if (!w->UseProxy) {
    w->UseProxy = w->UseProxyToggle->State = 1;
    w->HandleMessage(kConnectionProxyToggled, 1, 0, nullptr, nullptr);
  }
  if (!w->RequiresLogon) {
    w->RequiresLogon = w->LogonToggle->State = 1;
    w->HandleMessage(kConnectionLogonToggled, 1, 0, nullptr, nullptr);
  }
}

int Run(int argc, char** argv) {
  static const ToolCommand self = {"gui-demo", kUsage, kSummary, Run};
  if (WantsHelp(argc, argv)) return ToolHelp(self);
  Options options;
  if (!ParseOptions(argc, argv, options)) return 1;
  if (!UseScratchSettings(options)) return 1;
  if (options.assetDir && !PlatChangeDirectory(options.assetDir)) return ToolError("cannot enter %s", options.assetDir);
  // Missing images would quietly draw as nothing: say so instead.
  if (!PlatFileExists("zindimgs/menublue.tga"))
    return ToolError("no skin in %s (zindimgs/menublue.tga is missing)",
                     options.assetDir ? options.assetDir : "the current directory");
  ReadServerURLOverrides();
  DisplayStartError error = CreateProgramWindow({.ClassName = "QuorvelGuiDemo",
                                                 .Title = "Quorvel GUI Demo",
                                                 .Proc = DemoWindowProc,
                                                 .ClientWidth = kWidth,
                                                 .ClientHeight = kHeight});
  if (error == DisplayStartError::kNone) error = StartWindowedDisplay(kWidth, kHeight);
  if (error != DisplayStartError::kNone) return ToolError("%s", DisplayStartErrorText(error));
  StartGUI();

  auto* demo = new DemoWindow(CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0));
  AddTopLevelObject(demo);
  demo->LayoutChildren();
  Need_Redraw = 1;
  GUIRedrawWindows();
  std::printf("ready\n");
  DemoReportWidget("button", demo->Press);
  DemoReportWidget("toggle", demo->Toggle);
  DemoReportWidget("entry", demo->Entry);
  DemoReportWidget("dropdown", demo->Drop);
  DemoReportWidget("dialog", demo->DialogButton);
  DemoReportWidget("browse", demo->BrowseButton);
  DemoReportWidget("connection", demo->ConnectionButton);
  DemoReportWidget("quit", demo->QuitButton);
  std::fflush(stdout);
  OpenScene(demo, options.scene);

  while (!g_quit && !demo->Quit && IsWindow(hMainWindow)) {
    GUIDoEvents(0);
    if (g_quit || demo->Quit) break;
    GUIRedrawWindows();
    if (demo->Drop->List && Need_Redraw == 0 && NDamageRegions == 0) {
      // Report the open list once it is on screen.
      static GUIMenuObject* reported = nullptr;
      if (reported != demo->Drop->List) {
        reported = demo->Drop->List;
        std::printf("list open %d %d %d %d %d\n", reported->AbsoluteX(), reported->AbsoluteY(), reported->Width,
                    reported->ItemHeight, reported->Scrolls() ? 10 : 0);
        std::fflush(stdout);
        Need_Redraw = 1;
      }
    }
  }
  DemoReport("closed");
  StopDisplay();
  return 0;
}

ToolCommandRegistration reg({"gui-demo", kUsage, kSummary, Run});

}  // namespace
