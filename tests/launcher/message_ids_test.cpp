#include <gtest/gtest.h>

#include <map>
#include <set>

#include "launcher/launcher_messages.h"
#include "launcher/launcher_state.h"

namespace {
template <typename A, typename B>
constexpr bool NoneShared(const A& a, const B& b) {
  for (auto x : a)
    for (auto y : b)
      if (static_cast<int>(x) == static_cast<int>(y)) return false;
  return true;
}
template <typename A>
constexpr bool AllDistinct(const A& a) {
  for (size_t i = 0; i < std::size(a); ++i)
    for (size_t j = i + 1; j < std::size(a); ++j)
      if (a[i] == a[j]) return false;
  return true;
}

// The main window's HandleMessage sees its own ids and the toolkit's.
static_assert(AllDistinct(kLauncherMessages));
static_assert(AllDistinct(kGuiMessages));
static_assert(NoneShared(kLauncherMessages, kGuiMessages));
static_assert(AllDistinct(kLauncherStates));
}  // namespace

TEST(LauncherMessages, IdsReachingTheMainWindowAreDistinct) {
  std::map<int, int> seen;
  for (int id : kLauncherMessages) ++seen[id];
  for (int id : kGuiMessages) ++seen[id];
  for (const auto& [id, count] : seen) EXPECT_EQ(count, 1) << "id " << id << " is used " << count << " times";
  EXPECT_EQ(seen.size(), std::size(kLauncherMessages) + std::size(kGuiMessages));
}

TEST(LauncherMessages, StoredNumbersOfTheProtocol) {
  // The ids other programs' windows and the stored flow agree on.
  EXPECT_EQ(MsgLaunch, 100);
  EXPECT_EQ(MsgWarningClosed, 131);
  EXPECT_EQ(MsgEndProgram, 127);
  EXPECT_EQ(MsgRetryYes, 5009);
  EXPECT_EQ(MsgRetryNo, 5010);
  EXPECT_EQ(MsgDownloadReport, 9876);
  EXPECT_EQ(MsgDownloadErrorButton, 9877);
  EXPECT_EQ(MsgDownloadPassOn, 9880);
  EXPECT_EQ(MsgEnterPressed, 2000);
  EXPECT_EQ(MsgItemChosen, 60000);
}

TEST(LauncherState, SeventeenStatesNumberedOneToSeventeen) {
  ASSERT_EQ(std::size(kLauncherStates), 17u);
  std::set<int> values;
  for (auto s : kLauncherStates) values.insert(s);
  EXPECT_EQ(*values.begin(), 1);
  EXPECT_EQ(*values.rbegin(), 17);
  EXPECT_EQ(values.size(), 17u);
  EXPECT_EQ(StateIdle, 2);
  EXPECT_EQ(StateBeginInstall, 9);
  EXPECT_EQ(StateLaunch, 11);
  EXPECT_EQ(StateWaitTermsForInstall, 17);
  static_assert(sizeof(LauncherState) == 1, "State is a byte");
}
