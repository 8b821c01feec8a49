// The GUI demo's connection scene in a real X server: the launcher's
// Connection Settings and Proxy Authentication windows with the demo window
// as their owner, driven at the rectangles their trace gives. What OK saves
// lands in the demo's scratch settings file, never in the player's store.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";
constexpr int kOk = 107;
constexpr int kCancel = 121;
constexpr int kWarningClosed = 131;

bool ClickField(LauncherSession& s, int n) {
  int seen = 0;
  return s.ClickWhere([&](const TracedWidget& w) { return w.kind == "field" && seen++ == n; });
}

std::string Setting(const std::string& file, const std::string& name) {
  ProcessResult r = RunTool({"settings", "get", kKey, name}, "", {}, {"QUORVEL_REGISTRY=" + file});
  return r.exitCode == 0 ? r.out : "(missing)";
}

class GuiDemoConnection : public testing::Test {
 protected:
  void Start(const std::string& scene) {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    s_.SetWindowTitle("Quorvel GUI Demo");
    // The player's own store would be under this home: it must stay absent.
    ASSERT_TRUE(s_.Start(
        QUORVEL_TOOL,
        {"gui-demo", std::string(QUORVEL_SOURCE_DIR) + "/assets", "--scene", scene, "--settings", "scratch.txt"},
        home_.path(), LauncherHomeEnv(home_.path()), home_ / "trace"));
  }
  // Waits for the scene's first window and gives the program the keyboard.
  void WaitForScene(const std::string& screen) {
    ASSERT_NE(s_.WaitFor("screen " + screen + " enabled", 30000).raw, "") << s_.Describe();
    const unsigned long window = s_.Window();
    ASSERT_NE(window, 0u) << s_.Describe();
    x_.Xdotool("windowfocus --sync " + std::to_string(window));
  }
  std::string Out() const { return ReadFileText(home_ / "trace.out"); }

  Xvfb x_;
  TempDir home_;
  LauncherSession s_{x_};
};

}  // namespace

TEST_F(GuiDemoConnection, SettingsTypedIntoBothWindowsAreSavedInTheScratchStore) {
  Start("connection");
  WaitForScene("ConnectionPrefsWindow");

  // OK with the proxy ticked and no server: the window's first check warns
  // through the demo's own message box, and answering it gives the window back.
  ASSERT_TRUE(s_.Click("Use proxy server settings for updates")) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s_.Describe();
  ASSERT_TRUE(s_.ClickMessage(kOk)) << s_.Describe();
  ASSERT_NE(s_.WaitFor("dialog \"Message Window\"").raw, "") << s_.Describe();
  EXPECT_NE(Out().find("warning "), std::string::npos) << Out();
  ASSERT_TRUE(s_.ClickMessage(kWarningClosed)) << s_.Describe();
  for (int i = 0; i < 100 && Out().find("warning closed") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_NE(Out().find("warning closed"), std::string::npos) << Out();

  ASSERT_TRUE(ClickField(s_, 0)) << s_.Describe();
  s_.Type("proxy.example.net");
  ASSERT_TRUE(ClickField(s_, 1)) << s_.Describe();
  s_.Type("3128");
  ASSERT_TRUE(s_.Click("My proxy server requires me to log on")) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen AuthenticationWindow enabled").raw, "") << s_.Describe();
  ASSERT_TRUE(ClickField(s_, 0)) << s_.Describe();
  s_.Type("player");
  ASSERT_TRUE(ClickField(s_, 1)) << s_.Describe();
  s_.Type("secret");
  ASSERT_TRUE(s_.ClickMessage(kOk)) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen AuthenticationWindow disabled").raw, "") << s_.Describe();
  ASSERT_TRUE(s_.ClickMessage(kOk)) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << s_.Describe();

  const std::string scratch = home_ / "scratch.txt";
  EXPECT_EQ(Setting(scratch, "ProxyAddress"), "proxy.example.net\n");
  EXPECT_EQ(Setting(scratch, "ProxyPort"), "3128\n");
  EXPECT_EQ(Setting(scratch, "UseProxy"), "1\n");
  EXPECT_EQ(Setting(scratch, "ProxyAuthorization"), "cGxheWVyOnNlY3JldA==\n");  // player:secret
  EXPECT_FALSE(FileExists(home_ / "registry.txt")) << "the player's store was written";
  const std::string out = Out();
  EXPECT_NE(out.find("authentication open"), std::string::npos) << out;
  EXPECT_NE(out.find("connection closed"), std::string::npos) << out;

  ASSERT_TRUE(x_.CloseWindow(s_.Window()));
  ProcessResult r = s_.Wait(20000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << s_.Describe();
}

TEST_F(GuiDemoConnection, TheAuthenticationSceneOpensTheLogOnWindowOverTheSettings) {
  Start("authentication");
  WaitForScene("AuthenticationWindow");
  // Cancel on the log-on window unticks the log-on box again, and the
  // settings window's Cancel then saves nothing.
  ASSERT_TRUE(s_.ClickMessage(kCancel)) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen AuthenticationWindow disabled").raw, "") << s_.Describe();
  ASSERT_TRUE(s_.ClickMessage(kCancel)) << s_.Describe();
  ASSERT_NE(s_.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << s_.Describe();
  EXPECT_EQ(Setting(home_ / "scratch.txt", "UseProxy"), "(missing)");
  ASSERT_TRUE(x_.CloseWindow(s_.Window()));
  EXPECT_FALSE(s_.Wait(20000).timedOut);
}
