// Pictures of the connection windows taken from the real program under Xvfb:
// the Connection Settings window with a proxy filled in, and the Proxy
// Authentication window over it. The test checks that each picture is the
// program window with the window drawn in it; with QUORVEL_SCREENSHOT_DIR set
// it also leaves them there (the README's pictures in docs/ are made so).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/process.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr int kOk = 107;

std::string Geometry(const std::string& png) { return RunProcess({"identify", "-format", "%wx%h", png}).out; }

std::string Pixels(const std::string& png) { return RunProcess({"convert", png, "rgb:-"}).out; }

bool ClickField(LauncherSession& s, int n) {
  int seen = 0;
  return s.ClickWhere([&](const TracedWidget& w) { return w.kind == "field" && seen++ == n; });
}

void Keep(const std::string& png, const std::string& name) {
  const char* dir = std::getenv("QUORVEL_SCREENSHOT_DIR");
  if (dir && *dir) fs::copy_file(png, fs::path(dir) / name, fs::copy_options::overwrite_existing);
}

}  // namespace

TEST(ScreenshotJourney, TheConnectionSettingsAndProxyAuthenticationWindows) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  ServedRelease server;
  ASSERT_EQ(server.Publish("v1", SmallGame("1.0")), "");
  ASSERT_EQ(server.Serve("v1"), "");
  TempDir home;
  const std::string dir = DefaultInstallDir(home.path());
  ASSERT_EQ(server.InstallCopy("v1", dir, home / "registry.txt"), "");

  LauncherSession s(x);
  ASSERT_TRUE(s.Start(dir + "quorvel.exe", {}, dir, JourneyEnv(home.path(), "http://127.0.0.1:9/"), home / "trace"));
  ASSERT_NE(s.WaitFor("present").raw, "") << s.Describe();
  ASSERT_TRUE(s.SaveWindowImage(home / "menu.png")) << x.Describe();

  ASSERT_TRUE(s.Click("Settings")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s.Describe();
  ASSERT_TRUE(s.Click("Use proxy server settings for updates")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s.Describe();
  ASSERT_TRUE(ClickField(s, 0)) << s.Describe();
  s.Type("proxy.example.net");
  ASSERT_TRUE(ClickField(s, 1)) << s.Describe();
  s.Type("3128");
  // The typed text shows once the program has taken every key: pictures are
  // taken until two in a row agree (a blinking caret may keep them apart;
  // twenty tries are then enough for the text).
  const std::string settings = home / "screen-connection-settings.png";
  std::string menu = Pixels(home / "menu.png"), shot;
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(s.SaveWindowImage(settings));
    shot = Pixels(settings);
    // The window has been drawn over the menu, and stays put between two pictures.
    if (shot != menu && s.SaveWindowImage(home / "again.png") && Pixels(home / "again.png") == shot) break;
  }
  EXPECT_EQ(Geometry(settings), "720x505");
  EXPECT_NE(shot, menu) << "the settings window is in the picture";

  ASSERT_TRUE(s.Click("My proxy server requires me to log on")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen AuthenticationWindow enabled").raw, "") << s.Describe();
  ASSERT_TRUE(ClickField(s, 0)) << s.Describe();
  s.Type("player");
  ASSERT_TRUE(ClickField(s, 1)) << s.Describe();
  s.Type("secret");
  const std::string auth = home / "screen-proxy-authentication.png";
  std::string authShot;
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(s.SaveWindowImage(auth));
    authShot = Pixels(auth);
    if (authShot != shot && s.SaveWindowImage(home / "again.png") && Pixels(home / "again.png") == authShot) break;
  }
  EXPECT_EQ(Geometry(auth), "720x505");
  EXPECT_NE(authShot, shot) << "the log-on window is drawn over the settings";
  ASSERT_TRUE(s.ClickMessage(kOk)) << s.Describe();
  ASSERT_NE(s.WaitFor("screen AuthenticationWindow disabled").raw, "") << s.Describe();

  Keep(settings, "screen-connection-settings.png");
  Keep(auth, "screen-proxy-authentication.png");
  ASSERT_TRUE(x.CloseWindow(s.Window()));
  EXPECT_FALSE(s.Wait(20000).timedOut);
}
