// The player's language, chosen in the menu's drop-down box of the real
// program: FRANCAIS writes "language.txt", the captions drawn from then on are
// French at once, and after a restart the buttons built at start-up are
// French too. Without catalogues there is no box at all.
#include <gtest/gtest.h>

#include <chrono>
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

bool IsDropdown(const TracedWidget& w) { return w.kind == "dropdown"; }

const TracedWidget* Find(const std::vector<TracedWidget>& widgets, bool (*match)(const TracedWidget&)) {
  for (const TracedWidget& w : widgets)
    if (match(w)) return &w;
  return nullptr;
}

// The pixels of a rectangle of a PNG, as raw RGB bytes ("" when unreadable).
std::string Pixels(const std::string& png, int x, int y, int w, int h) {
  ProcessResult r =
      RunProcess({"convert", png, "-crop",
                  std::to_string(w) + "x" + std::to_string(h) + "+" + std::to_string(x) + "+" + std::to_string(y),
                  "+repage", "rgb:-"});
  return r.exitCode == 0 ? r.out : "";
}

class LanguageJourney : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(x_.running()) << "Xvfb did not start";
    ASSERT_EQ(server_.Publish("v1", SmallGame("1.0")), "");
    ASSERT_EQ(server_.Serve("v1"), "");
    ASSERT_EQ(server_.Start(), "");
    ASSERT_EQ(server_.Package("v1", package_ / "pkg"), "");
    pkg_ = package_ / "pkg";
    ASSERT_TRUE(fs::exists(pkg_ + "/FRANCAIS.CAT")) << "the package carries the catalogues";
  }

  bool Start(LauncherSession& s, const std::string& trace) {
    return s.Start(pkg_ + "/quorvel.exe", {}, pkg_, JourneyEnv(home_.path(), server_.base()), home_ / trace);
  }

  Xvfb x_;
  ServedRelease server_;
  TempDir home_, package_;
  std::string pkg_;
};

TEST_F(LanguageJourney, FrancaisFromTheBoxRelabelsTheCaptionAtOnceAndTheButtonsAfterARestart) {
  // One catalogue: the list holds ENGLISH, then FRANCAIS.
  fs::remove(pkg_ + "/DEUTSCH.CAT");
  fs::remove(pkg_ + "/language.txt");
  LauncherSession first(x_);
  ASSERT_TRUE(Start(first, "trace1"));
  ASSERT_NE(first.WaitFor("widget dropdown").raw, "") << first.Describe();
  ASSERT_NE(first.WaitFor("present").raw, "") << first.Describe();
  const TracedWidget* box = Find(first.Widgets(), IsDropdown);
  ASSERT_NE(box, nullptr) << first.Describe();
  EXPECT_EQ(box->label, "") << "nothing chosen yet";
  const TracedWidget at = *box;
  // "Select Language" is drawn 22 pixels above the box.
  const int cx = at.x, cy = at.y - 22, cw = at.w, ch = 18;
  ASSERT_TRUE(first.SaveWindowImage(home_ / "before.png")) << x_.Describe();
  const std::string english = Pixels(home_ / "before.png", cx, cy, cw, ch);
  ASSERT_FALSE(english.empty());

  // Open the list, then walk down to its last item and take it.
  ASSERT_TRUE(first.ClickWhere(IsDropdown)) << first.Describe();
  first.Key("Down Down Down Return");
  ASSERT_NE(first.WaitFor("widget dropdown \"FRANCAIS\"").raw, "") << first.Describe();
  EXPECT_EQ(ReadFileText(pkg_ + "/language.txt"), std::string("FRANCAIS", 9)) << "the name and its NUL";

  // The caption is redrawn in French without a restart.
  std::string french;
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < deadline;) {
    ASSERT_TRUE(first.SaveWindowImage(home_ / "after.png"));
    french = Pixels(home_ / "after.png", cx, cy, cw, ch);
    if (!french.empty() && french != english) break;
  }
  EXPECT_NE(french, english) << "the caption above the box changed";
  // The button built at start-up keeps its English label in this run.
  EXPECT_TRUE(first.Seen("widget button \"Install\"")) << first.Describe();
  ASSERT_TRUE(x_.CloseWindow(first.Window()));
  EXPECT_FALSE(first.Wait(20000).timedOut);

  LauncherSession second(x_);
  ASSERT_TRUE(Start(second, "trace2"));
  ASSERT_NE(second.WaitFor("widget button \"Installer\"").raw, "")
      << "after the restart the button is built in French\n"
      << second.Describe();
  ASSERT_NE(second.WaitFor("present").raw, "") << second.Describe();
  const TracedWidget* chosen = Find(second.Widgets(), IsDropdown);
  ASSERT_NE(chosen, nullptr) << second.Describe();
  EXPECT_EQ(chosen->label, "FRANCAIS") << "the stored choice is selected in the box";
  ASSERT_TRUE(second.SaveWindowImage(home_ / "restarted.png"));
  EXPECT_EQ(Pixels(home_ / "restarted.png", cx, cy, cw, ch), french) << "the caption is French from the start";
  // The French button does what Install did.
  ASSERT_TRUE(second.Click("Installer")) << second.Describe();
  ASSERT_NE(second.WaitFor("screen TOSWindow enabled", 60000).raw, "") << second.Describe();
}

TEST_F(LanguageJourney, WithoutCataloguesThereIsNoBoxAndNoLanguageFile) {
  fs::remove(pkg_ + "/DEUTSCH.CAT");
  fs::remove(pkg_ + "/FRANCAIS.CAT");
  fs::remove(pkg_ + "/language.txt");
  LauncherSession s(x_);
  ASSERT_TRUE(Start(s, "trace"));
  ASSERT_NE(s.WaitFor("widget button \"Install\"").raw, "") << s.Describe();
  ASSERT_NE(s.WaitFor("present").raw, "") << s.Describe();
  EXPECT_EQ(Find(s.Widgets(), IsDropdown), nullptr) << s.Describe();
  EXPECT_FALSE(s.Seen("widget dropdown"));
  ASSERT_TRUE(x_.CloseWindow(s.Window()));
  EXPECT_FALSE(s.Wait(20000).timedOut);
  EXPECT_FALSE(fs::exists(pkg_ + "/language.txt"));
}

}  // namespace
