#include "foundation/ui_trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace {
std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The line without its time stamp; fails when the stamp is not a number.
std::string AfterStamp(const std::string& line) {
  size_t space = line.find(' ');
  EXPECT_NE(space, std::string::npos) << line;
  EXPECT_GT(space, 0u) << line;
  for (size_t i = 0; i < space; ++i) EXPECT_TRUE(line[i] >= '0' && line[i] <= '9') << line;
  return line.substr(space + 1);
}

// Points QUORVEL_UI_TRACE at a fresh file for the test and unsets it after.
class UiTraceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "trace.txt";
    setenv("QUORVEL_UI_TRACE", path_.c_str(), 1);
    UiTraceReload();
  }
  void TearDown() override {
    unsetenv("QUORVEL_UI_TRACE");
    UiTraceReload();
  }
  TempDir dir_;
  std::string path_;
};
}  // namespace

TEST(UiTraceFormat, EveryLineKindAsSupportReadsIt) {
  EXPECT_EQ(UiTraceStateLine(123, 9, "StateBeginInstall"), "123 state 9 StateBeginInstall");
  EXPECT_EQ(UiTraceScreenLine(0, "SplashScreen", true), "0 screen SplashScreen enabled");
  EXPECT_EQ(UiTraceScreenLine(7, "TOSWindow", false), "7 screen TOSWindow disabled");
  EXPECT_EQ(UiTraceWidgetLine(123, UiWidgetKind::kButton, "Install", {605, 462, 100, 28}, 102),
            "123 widget button \"Install\" 605 462 100 28 102");
  EXPECT_EQ(UiTraceWidgetLine(5, UiWidgetKind::kToggle, "", {20, 25, 16, 16}, 130),
            "5 widget toggle \"\" 20 25 16 16 130");
  EXPECT_EQ(UiTraceWidgetLine(5, UiWidgetKind::kField, "C:\\Games\\", {-3, 0, 360, 21}, 2000),
            "5 widget field \"C:\\\\Games\\\\\" -3 0 360 21 2000");
  EXPECT_EQ(UiTraceWidgetLine(5, UiWidgetKind::kDropdown, "ENGLISH", {590, 300, 115, 25}, 60000),
            "5 widget dropdown \"ENGLISH\" 590 300 115 25 60000");
  EXPECT_EQ(UiTraceDialogLine(123, "Confirmation Window", "Are you sure you want to uninstall?"),
            "123 dialog \"Confirmation Window\" \"Are you sure you want to uninstall?\"");
  EXPECT_EQ(UiTraceClosedLine(123, 115), "123 closed 115");
  EXPECT_EQ(UiTraceReportLine(123, 2, "data\\x.dat", "Code 404, Not Found"),
            "123 report 2 \"data\\\\x.dat\" \"Code 404, Not Found\"");
  EXPECT_EQ(UiTraceReportLine(9, 0, "master.lst", nullptr), "9 report 0 \"master.lst\" \"\"");
  EXPECT_EQ(UiTracePresentLine(41), "41 present");
  EXPECT_EQ(UiTraceLaunchLine(123, "/path/quorvel1451.exe"), "123 launch \"/path/quorvel1451.exe\"");
  EXPECT_EQ(UiTraceEndLine(99999, 0), "99999 end 0");
}

TEST(UiTraceFormat, QuotedTextsKeepEveryLineWholeAndReadable) {
  EXPECT_EQ(UiTraceQuote(nullptr), "\"\"");
  EXPECT_EQ(UiTraceQuote("say \"hi\"\n"), "\"say \\\"hi\\\"\\n\"");
  EXPECT_EQ(UiTraceQuote("a\\b\tc\rd"), "\"a\\\\b\\tc\\rd\"");
  // Other control bytes cannot break a line or the quotes either.
  EXPECT_EQ(UiTraceQuote("\x01x\x1b\x7f"), "\"\\001x\\033\\177\"");
  // Bytes of other languages' texts pass as they are.
  EXPECT_EQ(UiTraceQuote("caf\xc3\xa9 \xe9"), "\"caf\xc3\xa9 \xe9\"");
}

TEST_F(UiTraceFile, AppendsOneStampedLinePerEventInOrder) {
  ASSERT_TRUE(UiTraceEnabled());
  { std::ofstream(path_) << "earlier line\n"; }
  TraceState(2, "StateIdle");
  TraceScreen("SplashScreen", true);
  TraceWidget(UiWidgetKind::kButton, "Install", {605, 462, 100, 28}, 102);
  TraceDialog("Message Window", "line one\nline two");
  TraceClosed(131);
  TraceReport(4, "updated.lst", nullptr);
  TracePresent();
  TraceLaunch("/opt/q/quorvel1.exe");
  TraceEnd(1);
  auto lines = ReadLines(path_);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "earlier line") << "the trace appends";
  std::vector<std::string> rest;
  long previous = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    rest.push_back(AfterStamp(lines[i]));
    long stamp = std::atol(lines[i].c_str());
    EXPECT_GE(stamp, previous) << "time stamps never go back";
    previous = stamp;
  }
  EXPECT_EQ(rest, (std::vector<std::string>{
                      "state 2 StateIdle",
                      "screen SplashScreen enabled",
                      "widget button \"Install\" 605 462 100 28 102",
                      "dialog \"Message Window\" \"line one\\nline two\"",
                      "closed 131",
                      "report 4 \"updated.lst\" \"\"",
                      "present",
                      "launch \"/opt/q/quorvel1.exe\"",
                      "end 1",
                  }));
}

TEST_F(UiTraceFile, LinesFromManyThreadsStayWhole) {
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      std::string label(300, char('a' + t));
      for (int i = 0; i < kLines; ++i) TraceWidget(UiWidgetKind::kButton, label.c_str(), {t, i, 1, 1}, 100 + t);
    });
  for (auto& th : threads) th.join();
  auto lines = ReadLines(path_);
  ASSERT_EQ(lines.size(), size_t(kThreads * kLines));
  std::map<int, int> perThread;
  for (const auto& line : lines) {
    std::string body = AfterStamp(line);
    int t = body[15] - 'a';  // first label byte after `widget button "`
    ASSERT_TRUE(t >= 0 && t < kThreads) << body;
    std::string label(300, char('a' + t));
    std::istringstream tail(body.substr(body.rfind('"') + 1));
    int x, y, w, h, msg;
    ASSERT_TRUE(tail >> x >> y >> w >> h >> msg) << body;
    EXPECT_EQ(body.substr(0, 15 + 300 + 1), "widget button \"" + label + "\"");
    EXPECT_EQ(x, t);
    EXPECT_EQ(msg, 100 + t);
    ++perThread[t];
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(perThread[t], kLines);
}

TEST_F(UiTraceFile, UnsetOrEmptyVariableWritesNothing) {
  unsetenv("QUORVEL_UI_TRACE");
  UiTraceReload();
  EXPECT_FALSE(UiTraceEnabled());
  TraceState(1, "StateShowMenu");
  TraceEnd(0);
  setenv("QUORVEL_UI_TRACE", "", 1);
  UiTraceReload();
  EXPECT_FALSE(UiTraceEnabled());
  TracePresent();
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}
