#include "launcher/os.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/runtime.h"
#include "support/fatal.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace {
std::vector<int> g_order;
int H0(unsigned, unsigned long, long) { return g_order.push_back(0), 0; }
int H1(unsigned, unsigned long, long) { return g_order.push_back(1), 0; }
int H2(unsigned, unsigned long, long) { return g_order.push_back(2), 0; }

struct HandlerScope {
  ~HandlerScope() { ResetLauncherGlobals(); }
};

// Runs fn with the current directory set to dir.
template <typename F>
void InDirectory(const std::string& dir, F fn) {
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  fn();
  ASSERT_EQ(chdir(old), 0);
}
}  // namespace

TEST(CommandLine, SplitsLikeStrtokWithNullFirstEntryAndTwentyTokensAtMost) {
  char* argv[kMaxArguments + 1];
  char empty[] = "";
  EXPECT_EQ(SplitCommandLine(empty, argv), 1);
  EXPECT_EQ(argv[0], nullptr);
  char some[] = "  -u \t\t-S  x ";
  ASSERT_EQ(SplitCommandLine(some, argv), 4);
  EXPECT_STREQ(argv[1], "-u");
  EXPECT_STREQ(argv[2], "-S");
  EXPECT_STREQ(argv[3], "x");
  std::string twenty, twentyOne;
  for (int i = 0; i < 20; ++i) twenty += "a ";
  twentyOne = twenty + "b";
  EXPECT_EQ(SplitCommandLine(twenty.data(), argv), 21);
  EXPECT_EQ(SplitCommandLine(twentyOne.data(), argv), -1);
}

TEST(MainWindowVars, CentreTheFramedWindowOnTheScreen) {
  // The headless display is 1024 x 768.
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  SetMainWindowVars();
  EXPECT_EQ(MainWindowWidth, 728);
  EXPECT_EQ(MainWindowHeight, 529);
  EXPECT_EQ(MainWindowLeft, 148);
  EXPECT_EQ(MainWindowTop, 119);
  EXPECT_EQ(FixedWidth, 728);
  EXPECT_EQ(FixedHeight, 532);
  EXPECT_EQ(MainWindowStyle, kMainWindowStyle);
}

TEST(MessageHandlers, AllRunInSlotOrderOnlyForTheirWindowAndAnEleventhFails) {
  HandlerScope scope;
  HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x20);
  AddWindozeMessageHandler(H1, a);
  AddWindozeMessageHandler(H0, a);
  AddWindozeMessageHandler(H2, b);
  AddWindozeMessageHandler(H1, b);  // already registered: its window stays a
  g_order.clear();
  OurWindowProc(a, WM_USER, 0, 0);
  EXPECT_EQ(g_order, (std::vector<int>{1, 0}));
  RemoveWindozeMessageHandler(H1);
  g_order.clear();
  OurWindowProc(a, WM_USER, 0, 0);
  EXPECT_EQ(g_order, (std::vector<int>{0}));

  ProgramExiting = 1;
  g_order.clear();
  OurWindowProc(a, WM_USER, 0, 0);
  EXPECT_TRUE(g_order.empty()) << "no handler runs once the program is ending";
  ProgramExiting = 0;

  // Fill the remaining slots with distinct handlers; one more fails.
  static WindozeMessageHandler extra[] = {
      [](unsigned, unsigned long, long) { return 3; }, [](unsigned, unsigned long, long) { return 4; },
      [](unsigned, unsigned long, long) { return 5; }, [](unsigned, unsigned long, long) { return 6; },
      [](unsigned, unsigned long, long) { return 7; }, [](unsigned, unsigned long, long) { return 8; },
      [](unsigned, unsigned long, long) { return 9; }, [](unsigned, unsigned long, long) { return 10; },
      [](unsigned, unsigned long, long) { return 11; }};
  for (int i = 0; i < 8; ++i) EXPECT_NO_FATAL(AddWindozeMessageHandler(extra[i], a));
  EXPECT_FATAL(AddWindozeMessageHandler(extra[8], a), "too many message handlers, increase limit in os");
}

TEST(LanguageDat, FirstLineNamesTheLanguageSecondItsNumberAndAbsenceMeansEnglish) {
  TempDir dir;
  InDirectory(dir.path(), [] {
    ReadLanguageDat();
    EXPECT_STREQ(LanguageString, "English");
    EXPECT_EQ(LanguageTrack, 0);
  });
  WriteFileText(dir / "language.dat", "Francais\n3\n");
  InDirectory(dir.path(), [] {
    ReadLanguageDat();
    EXPECT_STREQ(LanguageString, "Francais");
    EXPECT_EQ(LanguageTrack, 3);
  });
  WriteFileText(dir / "language.dat", "Deutsch");
  InDirectory(dir.path(), [] {
    ReadLanguageDat();
    EXPECT_STREQ(LanguageString, "Deutsch") << "a first line without a line feed is kept whole";
    EXPECT_EQ(LanguageTrack, 0);
  });
  WriteFileText(dir / "language.dat", "ABCDEFGHIJKLMNOPQRSTUVWXYZ\n");
  InDirectory(dir.path(), [] {
    ReadLanguageDat();
    EXPECT_STREQ(LanguageString, "ABCDEFGHIJKLMNOPQRS") << "at most 19 characters";
  });
  // The number is always the second line, however long the first.
  struct Case {
    const char* text;
    const char* name;
    int track;
  } cases[] = {{"FRENCH\r\n1\r\n", "FRENCH", 1},
               {"ABCDEFGHIJKLMNOPQRS\n2\n", "ABCDEFGHIJKLMNOPQRS", 2},
               {"ABCDEFGHIJKLMNOPQRSTUVWXYZ\n5\n", "ABCDEFGHIJKLMNOPQRS", 5},
               {"Italiano\n1234567890123\n", "Italiano", 123456789}};
  for (const Case& c : cases) {
    WriteFileText(dir / "language.dat", c.text);
    InDirectory(dir.path(), [&] {
      ReadLanguageDat();
      EXPECT_STREQ(LanguageString, c.name) << c.text;
      EXPECT_EQ(LanguageTrack, c.track) << c.text;
    });
  }
}
