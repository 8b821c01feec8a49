// The first installation on a Wayland desktop (weston nested in the Xvfb)
// and on X11, timed side by side: the window shows its skin and takes the
// player's clicks on both. With QUORVEL_SCREENSHOT_DIR set the Wayland
// pictures of the menu and the Terms are left there.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/journey.h"
#include "support/launcher_session.h"
#include "support/process.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/weston.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {
// The launcher's part of a picture, and how many colours it holds: a window
// that never received its contents is one flat colour.
int Colours(const std::string& png, const std::string& cut) {
  ProcessResult r = RunProcess({"convert", png, "-crop", "720x505+0+0", "-format", "%k", "info:"});
  if (r.exitCode == 0 && !cut.empty()) RunProcess({"convert", png, "-crop", "720x505+0+0", "+repage", cut});
  return r.exitCode == 0 ? std::atoi(r.out.c_str()) : 0;
}
}  // namespace

TEST(WaylandJourney, TheFirstInstallationRunsOnWaylandAsOnX11) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  Weston weston;
  ServedRelease server;
  ASSERT_EQ(server.Publish("v1", SmallGame("1.0")), "");
  ASSERT_EQ(server.Serve("v1"), "");
  ASSERT_EQ(server.Start(), "");
  double seconds[2] = {0, 0};
  for (bool wayland : {false, true}) {
    SCOPED_TRACE(wayland ? "Wayland" : "X11");
    // weston takes the display once the X11 round is done.
    if (wayland)
      if (const std::string why = weston.Start(x); !why.empty()) GTEST_SKIP() << "weston cannot start here: " << why;
    TempDir home, package;
    ASSERT_EQ(server.Package("v1", package / "pkg"), "");
    std::vector<std::string> env = JourneyEnv(home.path(), server.base());
    if (wayland) {
      const std::vector<std::string> client = weston.ClientEnv();
      env.insert(env.end(), client.begin(), client.end());
    }
    const auto start = std::chrono::steady_clock::now();
    LauncherSession s(x);
    if (wayland) s.UseWindow(weston.window());
    ASSERT_TRUE(s.Start(package / "pkg/quorvel.exe", {}, package / "pkg", env, home / "trace"));
    // A screen is drawn a moment after the trace names it.
    auto picture = [&](const std::string& name) {
      if (!wayland) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(700));
      ASSERT_TRUE(s.SaveWindowImage(home / (name + ".png"))) << s.Describe();
      EXPECT_GT(Colours(home / (name + ".png"), home / (name + "-cut.png")), 100) << name << " shows its contents";
    };
    ASSERT_NE(s.WaitFor("present", 60000).raw, "") << s.Describe();
    picture("menu");
    ASSERT_TRUE(s.Click("Install", 60000)) << s.Describe();
    ASSERT_NE(s.WaitFor("screen TOSWindow enabled", 60000).raw, "") << s.Describe();
    picture("terms");
    ASSERT_TRUE(s.Click("I Agree", 60000)) << s.Describe();
    ASSERT_NE(s.WaitFor("screen InstallWindow enabled", 60000).raw, "") << s.Describe();
    ASSERT_TRUE(s.Click("Next", 60000)) << s.Describe();
    ASSERT_NE(s.WaitFor("Directory does not exist", 60000).raw, "") << s.Describe();
    ASSERT_TRUE(s.Click("Yes", 60000)) << s.Describe();
    ASSERT_NE(s.WaitFor(" launch ", 120000).raw, "") << s.Describe();
    seconds[wayland] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(fs::exists(DefaultInstallDir(home.path()) + "quorvel1.exe"));
    const char* keep = std::getenv("QUORVEL_SCREENSHOT_DIR");
    for (const char* name : {"menu", "terms"})
      if (wayland && keep && *keep)
        fs::copy_file(home / (std::string(name) + "-cut.png"),
                      fs::path(keep) / ("screen-wayland-" + std::string(name) + ".png"),
                      fs::copy_options::overwrite_existing);
  }
  std::printf("first installation: X11 %.1f s, Wayland %.1f s\n", seconds[0], seconds[1]);
}
