// The tests' trace reader against the program's trace writer: every line kind
// the launcher writes reads back to the same fields, and the widgets on the
// screen follow screens and dialogs as they open and close.
#include "support/ui_trace_reader.h"

#include <gtest/gtest.h>

#include "foundation/ui_trace.h"

TEST(UiTraceReader, ReadsBackWhatTheWriterWrites) {
  const char* awkward = "a \"quoted\" \\ path\nwith\ttabs\r and \x01 a control byte";
  struct Case {
    std::string line;
    std::string word;
    std::vector<std::string> fields;
  } cases[] = {
      {UiTraceStateLine(5, 9, "StateBeginInstall"), "state", {"9", "StateBeginInstall"}},
      {UiTraceScreenLine(6, "SplashScreen", true), "screen", {"SplashScreen", "enabled"}},
      {UiTraceWidgetLine(7, UiWidgetKind::kButton, "I Agree", {257, 471, 100, 24}, 118),
       "widget",
       {"button", "I Agree", "257", "471", "100", "24", "118"}},
      {UiTraceDialogLine(8, "Confirmation Window", awkward), "dialog", {"Confirmation Window", awkward}},
      {UiTraceReportLine(9, 2, "data\\x.dat", "Code 404, Not Found"),
       "report",
       {"2", "data\\x.dat", "Code 404, Not Found"}},
      {UiTraceLaunchLine(10, "/games/quorvel 2/quorvel1451.exe"), "launch", {"/games/quorvel 2/quorvel1451.exe"}},
      {UiTraceEndLine(11, 0), "end", {"0"}},
  };
  for (const Case& c : cases) {
    TraceLine read;
    ASSERT_TRUE(ParseTraceLine(c.line, &read)) << c.line;
    EXPECT_EQ(read.word, c.word) << c.line;
    EXPECT_EQ(read.fields, c.fields) << c.line;
  }
  TraceLine cut;
  EXPECT_FALSE(ParseTraceLine("12 dialog \"Confirmation", &cut)) << "a line still being written";
  EXPECT_EQ(ParseTraceText("1 present\n2 state 2 StateIdle\n3 wid").size(), 2u) << "the unfinished last line is left";
}

TEST(UiTraceReader, TheWidgetsShownFollowScreensAndDialogs) {
  auto widget = [](const char* label, int message) {
    return UiTraceWidgetLine(0, UiWidgetKind::kButton, label, {10, 20, 30, 40}, message) + "\n";
  };
  std::string text = UiTraceScreenLine(0, "SplashScreen", true) + "\n" + widget("Install", 102) +
                     UiTraceStateLine(0, 2, "StateIdle") + "\n";
  auto labels = [&] {
    std::vector<std::string> out;
    for (const TracedWidget& w : CurrentWidgets(ParseTraceText(text))) out.push_back(w.label);
    return out;
  };
  EXPECT_EQ(labels(), (std::vector<std::string>{"Install"}));
  text += UiTraceScreenLine(0, "ConnectionPrefsWindow", true) + "\n" + widget("OK", 1) + widget("Cancel", 2);
  EXPECT_EQ(labels(), (std::vector<std::string>{"OK", "Cancel", "Install"})) << "the newest screen first";
  text += UiTraceDialogLine(0, "Warning", "text") + "\n" + widget("Yes", 105) + widget("No", 106);
  EXPECT_EQ(labels(), (std::vector<std::string>{"Yes", "No"})) << "a dialog covers the screens";
  text += UiTraceClosedLine(0, 105) + "\n" + UiTraceScreenLine(0, "ConnectionPrefsWindow", false) + "\n";
  EXPECT_EQ(labels(), (std::vector<std::string>{"Install"}));
  text += UiTraceScreenLine(0, "SplashScreen", false) + "\n" + UiTraceScreenLine(0, "TOSWindow", true) + "\n" +
          widget("I Agree", 118);
  EXPECT_EQ(labels(), (std::vector<std::string>{"I Agree"}));
}
