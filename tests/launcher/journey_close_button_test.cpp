// The close button in the title bar of each kind of box, pressed when the
// flow depends on the answer: it answers as the box's safe button does, so
// the flow goes on (or ends, for a fatal warning) instead of waiting for an
// answer that never comes. An installed game is updated from a server that
// holds one large file half sent until the row lets it go.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/files.h"
#include "support/launcher_session.h"
#include "support/peers.h"
#include "support/served_release.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

namespace {

constexpr int kCloseGadget = 6001;
constexpr int kProgressCancel = 108;

std::string Huge(char fill) {
  std::string s(2 * 1024 * 1024, fill);
  for (size_t i = 0; i < s.size(); i += 4096) s[i] = char(i >> 12);
  return s;
}

// One run of the launcher on an installed game whose update holds data/huge.dat.
struct Stage {
  explicit Stage(const Xvfb& x) : session(x) {}
  std::string Start() {
    GameFiles v1 = SmallGame("1.0"), v2 = SmallGame("2.0");
    v1["data/huge.dat"] = Huge('a');
    v2["data/huge.dat"] = Huge('b');
    for (const std::string& e : {server.Publish("v1", v1), server.Publish("v2", v2), server.Serve("v2"),
                                 gate.Start(server.site(), "/krnx/data/huge.dat")})
      if (!e.empty()) return e;
    dir = DefaultInstallDir(home.path());
    if (std::string e = server.InstallCopy("v1", dir, home / "registry.txt"); !e.empty()) return e;
    const std::string base = "http://127.0.0.1:" + std::to_string(gate.port()) + "/";
    if (!session.Start(dir + "quorvel.exe", {}, dir, JourneyEnv(home.path(), base), home / "trace")) return "no start";
    return session.WaitFor("present", 60000).raw.empty() ? "no window" : "";
  }
  // Launch and the Terms, up to the held transfer.
  bool UpdateUntilHeld() { return session.Click("Launch") && session.Click("I Agree") && gate.WaitHeld(120000); }
  bool Saw(const std::string& text, int timeoutMs = 60000) { return !session.WaitFor(text, timeoutMs).raw.empty(); }
  // The update runs to the game's start with the new file in place.
  bool Completes() {
    gate.Release();
    return Saw(" launch ", 120000) && !session.Wait(30000).timedOut && ReadFileText(dir + "data/huge.dat") == Huge('b');
  }

  ServedRelease server;
  GatedServerPeer gate;
  TempDir home;
  std::string dir;
  LauncherSession session;
};

TEST(CloseButtonJourney, EachBoxClosedByItsCloseButtonGivesItsSafeAnswer) {
  struct Row {
    const char* box;
    std::function<bool(Stage&)> raise;       // puts the box up
    const char* closed;                      // the trace line its close button leads to
    std::function<bool(Stage&)> afterwards;  // what the flow does then
  } rows[] = {
      {"the cancel question of an update",
       [](Stage& s) {
         return s.UpdateUntilHeld() && s.session.ClickMessage(kProgressCancel) && s.Saw("wish to cancel");
       },
       "closed 114", [](Stage& s) { return s.Completes(); }},
      {"a warning on the Terms, then the update",
       [](Stage& s) { return s.session.Click("Launch") && s.session.Click("I Disagree") && s.Saw("You must agree"); },
       "closed 131", [](Stage& s) { return s.session.Click("I Agree") && s.Completes(); }},
      {"the retry question of a failed file, then the fatal warning",
       [](Stage& s) {
         if (!s.UpdateUntilHeld()) return false;
         s.gate.Stop();
         return s.Saw("Try again?");
       },
       "closed 129",
       [](Stage& s) {
         return s.Saw("Critical files were not downloaded") && s.session.ClickMessage(kCloseGadget) &&
                s.Saw("closed 127") && !s.session.Wait(30000).timedOut && !s.session.Seen(" launch ");
       }},
      {"the Connection Settings window",
       [](Stage& s) { return s.session.Click("Settings") && s.Saw("screen ConnectionPrefsWindow enabled"); },
       "screen ConnectionPrefsWindow disabled",
       [](Stage& s) { return s.session.Click("Settings") && s.Saw("screen ConnectionPrefsWindow enabled"); }},
  };
  Xvfb x;
  ASSERT_TRUE(x.running()) << "Xvfb did not start";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.box);
    Stage s(x);
    ASSERT_EQ(s.Start(), "") << s.session.Describe();
    ASSERT_TRUE(row.raise(s)) << s.session.Describe();
    ASSERT_TRUE(s.session.ClickMessage(kCloseGadget)) << s.session.Describe();
    ASSERT_TRUE(s.Saw(row.closed)) << s.session.Describe();
    EXPECT_TRUE(row.afterwards(s)) << s.session.Describe();
  }
}

}  // namespace
