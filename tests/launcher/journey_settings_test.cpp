// The connection settings of the real program: the Connection Settings window
// opened from the menu, an HTTP proxy typed into it with a log-on entered in
// the Proxy Authentication window, the update then carried through tinyproxy
// with those credentials, and the settings read back at the next start. A
// missing or wrong log-on is the proxy's refusal; Detect offers the proxy that the
// environment names, and says so when there is none.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/peers.h"
#include "support/process.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace {

constexpr int kOk = 107;
constexpr int kCancel = 121;
constexpr int kDetect = 122;
constexpr int kUseDetected = 123;
constexpr int kWarningClose = 131;
constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";

// The nth empty-or-not entry box on screen now (the newest window's first).
bool ClickField(LauncherSession& s, int n) {
  int seen = 0;
  return s.ClickWhere([&](const TracedWidget& w) { return w.kind == "field" && seen++ == n; });
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class SettingsJourney : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", SmallGame("1.0")), "");
    ASSERT_EQ(server_.Publish("v2", SmallGame("2.0")), "");
    ASSERT_EQ(server_.Serve("v2"), "");
    ASSERT_EQ(server_.Start(), "");
    dir_ = DefaultInstallDir(home_.path());
    ASSERT_EQ(server_.InstallCopy("v1", dir_, home_ / "registry.txt"), "");
  }

  std::vector<std::string> Env(const std::vector<std::string>& more = {}) {
    std::vector<std::string> env = JourneyEnv(home_.path(), server_.base());
    env.insert(env.end(), more.begin(), more.end());
    return env;
  }

  bool Start(LauncherSession& s, const std::string& trace, const std::vector<std::string>& more = {}) {
    return s.Start(dir_ + "quorvel.exe", {}, dir_, Env(more), home_ / trace);
  }

  std::string Setting(const std::string& name) {
    ProcessResult r = RunTool({"settings", "get", kKey, name}, "", {}, {"QUORVEL_REGISTRY=" + home_ / "registry.txt"});
    return r.exitCode == 0 ? r.out : "(" + r.err + ")";
  }

  void Set(const std::string& name, const std::string& value, bool dword) {
    std::vector<std::string> args{"settings", "set", kKey, name, value};
    if (dword) args.push_back("--dword");
    ASSERT_EQ(RunTool(args, "", {}, {"QUORVEL_REGISTRY=" + home_ / "registry.txt"}).exitCode, 0);
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_;
  std::string dir_;
};

TEST_F(SettingsJourney, AProxyWithALogOnSetInTheWindowCarriesTheUpdateAndIsReadBackAtTheNextStart) {
  TinyproxyPeer proxy;
  ASSERT_EQ(proxy.Start("player", "secret"), "");
  const std::string port = std::to_string(proxy.port());
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace1"));
  ASSERT_TRUE(s.Click("Settings")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s.Describe();
  EXPECT_FALSE(s.Seen("widget field")) << "without a proxy in use the entry boxes are hidden";

  ASSERT_TRUE(s.Click("Use proxy server settings for updates")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << "the boxes appear\n" << s.Describe();
  ASSERT_TRUE(ClickField(s, 0)) << s.Describe();
  s.Type("127.0.0.1");
  ASSERT_TRUE(ClickField(s, 1)) << s.Describe();
  s.Type(port);

  ASSERT_TRUE(s.Click("My proxy server requires me to log on")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen AuthenticationWindow enabled").raw, "") << s.Describe();
  ASSERT_TRUE(ClickField(s, 0)) << s.Describe();
  s.Type("player");
  ASSERT_TRUE(ClickField(s, 1)) << s.Describe();
  s.Type("secret");
  ASSERT_TRUE(s.ClickMessage(kOk)) << s.Describe();
  ASSERT_NE(s.WaitFor("screen AuthenticationWindow disabled").raw, "") << s.Describe();
  EXPECT_FALSE(s.Seen("secret")) << "the password never reaches the trace";
  ASSERT_TRUE(s.ClickMessage(kOk)) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << s.Describe();

  EXPECT_EQ(Setting("ProxyAddress"), "127.0.0.1\n");
  EXPECT_EQ(Setting("ProxyPort"), port + "\n");
  EXPECT_EQ(Setting("UseProxy"), "1\n");
  EXPECT_EQ(Setting("ProxyAuthorization"), "cGxheWVyOnNlY3JldA==\n") << "player:secret in Base64";

  ASSERT_TRUE(s.Click("Launch")) << s.Describe();
  ASSERT_TRUE(s.Click("I Agree")) << s.Describe();
  ASSERT_NE(s.WaitFor("state 11 StateLaunch", 60000).raw, "") << s.Describe();
  EXPECT_FALSE(s.Wait(30000).timedOut) << s.Describe();
  EXPECT_EQ(ReadFileText(dir_ + "version.txt"), "2.0\n");
  const std::string log = ReadFileText(proxy.dir() + "/tinyproxy.log");
  EXPECT_NE(log.find("/krnx/version.txt"), std::string::npos) << "the new file came through the proxy\n" << log;
  EXPECT_NE(log.find("/krnx/master.lst"), std::string::npos) << log;

  // The next start reads the settings back: the window shows them, and the
  // Terms are fetched through the proxy again.
  const int before = Count(ReadFileText(proxy.dir() + "/tinyproxy.log"), "/krnx/tos.txt");
  LauncherSession again(x_);
  ASSERT_TRUE(Start(again, "trace2"));
  ASSERT_TRUE(again.Click("Settings")) << again.Describe();
  ASSERT_NE(again.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << again.Describe();
  ASSERT_NE(again.WaitFor("widget field \"127.0.0.1\"").raw, "") << again.Describe();
  ASSERT_NE(again.WaitFor("widget field \"" + port + "\"").raw, "") << again.Describe();
  ASSERT_TRUE(again.ClickMessage(kCancel)) << again.Describe();
  ASSERT_NE(again.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << again.Describe();
  ASSERT_TRUE(again.Click("Launch")) << again.Describe();
  ASSERT_NE(again.WaitFor("screen TOSWindow enabled", 60000).raw, "") << again.Describe();
  EXPECT_GT(Count(ReadFileText(proxy.dir() + "/tinyproxy.log"), "/krnx/tos.txt"), before);
}

// Without a log-on the proxy asks for one (407); with a wrong password
// tinyproxy 1.11 answers 401, older ones 407. Either way the player reads the
// proxy's answer, and nothing gets past it.
TEST_F(SettingsJourney, WithoutALogOnTheProxyAsksForOneAndAWrongPasswordIsRefused) {
  TinyproxyPeer proxy;
  ASSERT_EQ(proxy.Start("player", "secret"), "");
  Set("ProxyAddress", "127.0.0.1", false);
  Set("ProxyPort", std::to_string(proxy.port()), true);
  Set("UseProxy", "1", true);
  const std::string asked = "Code 407, Proxy Authentication Required.";
  {
    LauncherSession s(x_);
    ASSERT_TRUE(Start(s, "trace1"));
    ASSERT_TRUE(s.Click("Launch")) << s.Describe();
    const TraceLine report = s.WaitFor("report 2 \"tos.txt\"", 60000);
    ASSERT_NE(report.raw, "") << s.Describe();
    EXPECT_NE(report.raw.find(asked), std::string::npos) << report.raw;
    const TraceLine question = s.WaitFor("dialog \"Confirmation Window\"");
    EXPECT_NE(question.raw.find(asked + " Try again?"), std::string::npos) << question.raw;
    EXPECT_FALSE(s.Seen("screen TOSWindow enabled"));
  }
  Set("ProxyAuthorization", "cGxheWVyOndyb25n", false);  // player:wrong
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace2"));
  ASSERT_TRUE(s.Click("Launch")) << s.Describe();
  const TraceLine report = s.WaitFor("report 2 \"tos.txt\"", 60000);
  ASSERT_NE(report.raw, "") << s.Describe();
  EXPECT_TRUE(report.raw.find(asked) != std::string::npos ||
              report.raw.find("Code 401, Unauthorized.") != std::string::npos)
      << report.raw;
  ASSERT_NE(s.WaitFor("Try again?").raw, "") << s.Describe();
  EXPECT_FALSE(s.Seen("screen TOSWindow enabled"));
}

TEST_F(SettingsJourney, DetectOffersTheProxyOfTheEnvironmentAndSaysSoWhenThereIsNone) {
  const std::vector<std::string> noDesktop{
      "XDG_CURRENT_DESKTOP=", "DESKTOP_SESSION=", "PX_CONFIG_ORDER=config_envvar", "no_proxy=",
      "https_proxy=",         "HTTPS_PROXY="};
  {
    std::vector<std::string> none = noDesktop;
    none.insert(none.end(), {"http_proxy=", "HTTP_PROXY=", "all_proxy=", "ALL_PROXY="});
    LauncherSession s(x_);
    ASSERT_TRUE(Start(s, "trace1", none));
    ASSERT_TRUE(s.Click("Settings")) << s.Describe();
    ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s.Describe();
    ASSERT_TRUE(s.ClickMessage(kDetect)) << s.Describe();
    ASSERT_NE(s.WaitFor("dialog \"Message Window\" \"Proxy server information could not be detected.").raw, "")
        << s.Describe();
    ASSERT_TRUE(s.ClickMessage(kWarningClose)) << s.Describe();
    ASSERT_TRUE(s.ClickMessage(kCancel)) << s.Describe();
    ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << s.Describe();
    EXPECT_EQ(Setting("UseProxy").substr(0, 1), "(") << "nothing was saved";
  }
  std::vector<std::string> some = noDesktop;
  some.insert(some.end(), {"http_proxy=http://127.0.0.1:3128", "all_proxy=socks5://127.0.0.1:1080"});
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace2", some));
  ASSERT_TRUE(s.Click("Settings")) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow enabled").raw, "") << s.Describe();
  ASSERT_TRUE(s.ClickMessage(kDetect)) << s.Describe();
  const TraceLine question = s.WaitFor("dialog \"Confirmation Window\"");
  ASSERT_NE(question.raw, "") << s.Describe();
  EXPECT_NE(question.raw.find("Proxy Server Address=127.0.0.1\\nPort=3128\\n"), std::string::npos) << question.raw;
  EXPECT_NE(question.raw.find("Socks5 Server Address=127.0.0.1\\nPort=1080\\n"), std::string::npos) << question.raw;
  ASSERT_TRUE(s.ClickMessage(kUseDetected)) << s.Describe();
  ASSERT_NE(s.WaitFor("widget field \"3128\"").raw, "") << "the boxes take the detected proxy\n" << s.Describe();
  ASSERT_TRUE(s.ClickMessage(kOk)) << s.Describe();
  ASSERT_NE(s.WaitFor("screen ConnectionPrefsWindow disabled").raw, "") << s.Describe();
  EXPECT_EQ(Setting("ProxyAddress"), "127.0.0.1\n");
  EXPECT_EQ(Setting("ProxyPort"), "3128\n");
  EXPECT_EQ(Setting("UseProxy"), "1\n");
  EXPECT_EQ(Setting("SocksProxyPort"), "1080\n");
  EXPECT_EQ(Setting("GameUsesProxy"), "1\n");
}

}  // namespace
