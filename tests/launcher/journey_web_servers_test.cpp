// The first installation and an update with a patch as a player meets them,
// served in turn by each download server in its default configuration.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/journey.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

TEST(WebServerJourney, InstallThenPatchFromEachServer) {
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  for (WebServerKind kind : kEveryWebServer) {
    ServedRelease server(kind);
    SCOPED_TRACE(server.server().name());
    ASSERT_EQ(server.Publish("v1", SmallGame("1.0")), "");
    ASSERT_EQ(server.Backdate("v1", 3600), "");
    ASSERT_EQ(server.Serve("v1"), "");
    ASSERT_EQ(server.Start(), "");
    TempDir home, package;
    ASSERT_EQ(server.Package("v1", package / "pkg"), "");
    fs::remove(package / "pkg/data/file3.dat");  // so the installation downloads it
    const std::vector<std::string> env = JourneyEnv(home.path(), server.base());
    ASSERT_EQ(InstallFromPackage(x, package / "pkg", env, home / "install-trace"), "");
    const std::string dir = DefaultInstallDir(home.path());
    EXPECT_EQ(ReadFileText(dir + "data/file3.dat"), SmallGame("1.0").at("data/file3.dat"));

    GameFiles v2 = SmallGame("2.0");
    v2["data/added.dat"] = "a file new in 2.0\n";
    // Names that need percent-encoding in the request, each with its own bytes.
    for (const char* odd : {"100%.dat", "what?.dat", "a#b.dat", "a%20b.dat", "a b.dat", "caf\xC3\xA9 \xE2\x98\x95.dat"})
      v2[std::string("data/") + odd] = std::string("the file named ") + odd + "\n";
    server.PublishLinuxOnly();  // "what?.dat"
    ASSERT_EQ(server.Publish("v2", v2, {"v1"}), "");
    ASSERT_EQ(server.Serve("v2"), "");
    const UpdateRun update = LaunchInstalled(x, server, dir, env, home / "update-trace");
    ASSERT_EQ(update.failure, "");
    for (const auto& [name, contents] : v2) EXPECT_TRUE(ReadFileText(dir + name) == contents) << name;
    const std::vector<std::string> reports = Reports(update.trace);
    EXPECT_TRUE(std::any_of(reports.begin(), reports.end(), [](const std::string& r) {
      return r.rfind("0 patches", 0) == 0;
    })) << "the changed large file comes as a patch";
    EXPECT_EQ(std::count(reports.begin(), reports.end(), "0 data/big.dat"), 0);
  }
}
