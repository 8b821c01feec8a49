// The command-line switches and the server addresses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/command_line_switches.h"
#include "launcher/launcher_globals.h"
#include "launcher/server_urls.h"
#include "transport/http_url.h"

namespace {

CommandLineSwitches Parse(std::vector<std::string> args) {
  std::vector<char*> argv{nullptr};
  for (auto& a : args) argv.push_back(a.data());
  return ParseCommandLineSwitches(static_cast<int>(argv.size()), argv.data());
}

class Switches : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLauncherGlobals();
    ResetServerURLs();
  }
  void TearDown() override {
    ResetLauncherGlobals();
    ResetServerURLs();
  }
};

}  // namespace

TEST_F(Switches, OnlyTheLetterCountsInEitherCaseAndExaminationStopsAtANonSwitch) {
  EXPECT_TRUE(Parse({"-U"}).uninstall);
  EXPECT_TRUE(Parse({"-uninstall"}).uninstall);
  EXPECT_FALSE(Parse({"x", "-u"}).uninstall) << "examination stops at x";
  CommandLineSwitches all = Parse({"-Auto", "-d", "-G", "-s", "-zzz", "-", "-u"});
  EXPECT_TRUE(all.automatic && all.doNotLaunch && all.alternateServer && all.shortInstall && all.uninstall)
      << "unknown letters and a bare - are passed over";
  CommandLineSwitches none = Parse({});
  EXPECT_FALSE(none.automatic || none.doNotLaunch || none.alternateServer || none.shortInstall || none.uninstall);
}

TEST_F(Switches, UninstallAndAutomaticNeedAnInstallation) {
  ApplyCommandLineSwitches(Parse({"-u", "-a"}), false);
  EXPECT_EQ(Uninstalling, 0);
  EXPECT_EQ(AutomaticUpdateAndLaunch, 0);
  EXPECT_EQ(DoNotLaunchQuorvel, 0);
  ApplyCommandLineSwitches(Parse({"-u", "-a"}), true);
  EXPECT_EQ(Uninstalling, 1);
  EXPECT_EQ(AutomaticUpdateAndLaunch, 1);
  EXPECT_EQ(DoNotLaunchQuorvel, 1) << "-a updates without starting the game";

  ResetLauncherGlobals();
  ApplyCommandLineSwitches(Parse({"-d", "-s"}), false);
  EXPECT_EQ(DoNotLaunchQuorvel, 1);
  EXPECT_EQ(ShortInstall, 1);
  EXPECT_EQ(AutomaticUpdateAndLaunch, 0);
}

TEST_F(Switches, TheAlternateServerAndTheEnvironmentsAddressesWithPorts) {
  EXPECT_STREQ(ServerURL, InstallURL);
  EXPECT_NE(std::string(InstallURL).find("/krnx/"), std::string::npos);
  EXPECT_NE(std::string(UpdateURL).find("/krnx/"), std::string::npos);
  EXPECT_NE(std::string(AlternateServerURL).find("/zeph4/"), std::string::npos);

  setenv("QUORVEL_INSTALL_URL", "http://127.0.0.1:8123/krnx/", 1);
  setenv("QUORVEL_ALTERNATE_URL", "http://127.0.0.1:8124/zeph4/", 1);
  setenv("QUORVEL_UPDATE_URL", "", 1);  // empty: the built-in address stays
  ReadServerURLOverrides();
  unsetenv("QUORVEL_INSTALL_URL");
  unsetenv("QUORVEL_ALTERNATE_URL");
  unsetenv("QUORVEL_UPDATE_URL");
  EXPECT_STREQ(ServerURL, "http://127.0.0.1:8123/krnx/") << "the server follows the install address";
  EXPECT_NE(std::string(UpdateURL), "");

  ApplyCommandLineSwitches(Parse({"-g"}), false);
  EXPECT_STREQ(ServerURL, "http://127.0.0.1:8124/zeph4/");

  // The address with its port reaches the transfer's host and request path.
  std::string url = ServerURL;
  HttpUrlParts parts;
  ASSERT_TRUE(SplitUrl(url.data(), &parts));
  char host[64];
  uint16_t port = 0;
  ASSERT_TRUE(SplitHostPort(parts.parts[parts.host_index], host, sizeof host, &port));
  EXPECT_STREQ(host, "127.0.0.1");
  EXPECT_EQ(port, 8124);
}
