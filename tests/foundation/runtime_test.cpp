#include "foundation/runtime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "foundation/alloc.h"
#include "foundation/fail.h"
#include "support/fatal.h"

namespace {
std::vector<int> g_calls;
void ExitA() { g_calls.push_back(1); }
void ExitB() { g_calls.push_back(2); }
void ExitAddsC();
void ExitC() { g_calls.push_back(3); }
void ExitAddsC() {
  g_calls.push_back(4);
  AtExit(ExitC);
}

// The exit list is process state; each test works on a clean copy.
struct ExitListScope {
  RuntimeFn saved[kMaxExitFns];
  int savedCount;
  ExitListScope() {
    std::copy(exit_fns, exit_fns + kMaxExitFns, saved);
    savedCount = n_atexits;
    std::fill(exit_fns, exit_fns + kMaxExitFns, nullptr);
    n_atexits = 0;
    g_calls.clear();
  }
  ~ExitListScope() {
    std::copy(saved, saved + kMaxExitFns, exit_fns);
    n_atexits = savedCount;
  }
};
}  // namespace

TEST(ExitList, RunsOnceInRegistrationOrderIncludingLateAdditions) {
  ExitListScope scope;
  AtExit(ExitA);
  AtExit(ExitAddsC);
  AtExit(ExitA);  // already there: ignored
  AtExit(ExitB);
  CallAllExitFunctions();
  EXPECT_EQ(g_calls, (std::vector<int>{1, 4, 2, 3}));
  CallAllExitFunctions();
  EXPECT_EQ(g_calls.size(), 4u) << "a second walk calls nothing that already ran";
}

namespace {
std::vector<std::string> g_messages;
void RecordMessage(const char* text) { g_messages.push_back(text); }
void ExitThatFails() {
  g_calls.push_back(5);
  Fail("cleanup failed: %d", 42);
}

// Program state that a fatal stop changes, restored afterwards.
struct StopStateScope {
  unsigned char inside = Inside_SetJMP, inits = Did_Inits, exiting = ProgramExiting;
  StopStateScope() {
    g_messages.clear();
    SetFatalMessageSink(RecordMessage);
    Did_Inits = 1;
  }
  ~StopStateScope() {
    Inside_SetJMP = inside;
    Did_Inits = inits;
    ProgramExiting = exiting;
  }
};
}  // namespace

// A fatal stop inside an exit function, while a stop is already walking the
// exit list: the inner stop finishes the walk (each function once, in order,
// none again) and shows its own message; the shutdown's second walk finds
// nothing left.
TEST(ExitList, FatalStopInsideAnExitFunctionRunsEachFunctionOnce) {
  ExitListScope scope;
  StopStateScope state;
  AtExit(ExitA);
  AtExit(ExitThatFails);
  AtExit(ExitAddsC);
  AtExit(ExitB);
  Inside_SetJMP = 1;
  bool unwound = false;
  try {
    PrintMessageAndExit("first stop");
  } catch (const ProgramExit&) {
    unwound = true;
  }
  EXPECT_TRUE(unwound);
  EXPECT_EQ(g_calls, (std::vector<int>{1, 5, 4, 2, 3}));
  EXPECT_EQ(g_messages, (std::vector<std::string>{"first stop", "cleanup failed: 42"}));
  Inside_SetJMP = 0;
  CallAllExitFunctions();  // what the entry does after the unwinding
  EXPECT_EQ(g_calls.size(), 5u);
}

// The same outside the main routine: the inner stop ends the process, with
// the rest of the list run once, and the status is a failure.
TEST(ExitListDeathTest, FatalStopInsideAnExitFunctionOutsideTheMainRoutine) {
  auto run = [] {
    ExitListScope scope;
    StopStateScope state;
    Inside_SetJMP = 0;
    AtExit([] { std::fputs("A ", stderr); });
    AtExit([] {
      std::fputs("F ", stderr);
      Fail("inner");
    });
    AtExit([] { std::fputs("B ", stderr); });
    AtExit([] { std::fputs("C ", stderr); });
    PrintMessageAndExit("outer");
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(1), "^A F B C $");
}

TEST(Fail, FormatsAndCutsTheMessageAt131Characters) {
  EXPECT_FATAL(Fail("bad integer %s", "12x"), "bad integer 12x");
  std::string longText(200, 'x');
  EXPECT_FATAL(Fail("%s", longText.c_str()), std::string(131, 'x'));
  EXPECT_FATAL(Fail(nullptr), "");
}

TEST(Alloc, HeapBlockSizesFollowTheRoundingRule) {
  EXPECT_EQ(HeapBlockSize(1), 8u);
  EXPECT_EQ(HeapBlockSize(10), 16u);
  EXPECT_EQ(HeapBlockSize(0), 8u);
  EXPECT_EQ(HeapBlockSize(13), 20u);
}

TEST(Alloc, CountsLiveBlocksThroughTheWrappers) {
  unsigned long before = HeapNodesInUse();
  void* p = GRTAlloc(100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(HeapNodesInUse(), before + 1);
  GRTFree(p);
  EXPECT_EQ(HeapNodesInUse(), before);
  EXPECT_EQ(GRTAlloc(size_t(-1) / 2), nullptr);
  EXPECT_FATAL(MustAlloc(size_t(1) << 62), "Failed to allocate 4611686018427387904 bytes\n");
}

namespace {
template <int N>
void Numbered() {}

template <int... N>
void RegisterNumbered(std::integer_sequence<int, N...>) {
  (AtExit(Numbered<N>), ...);
}
}  // namespace

// The exit list is a fixed array: one registration too many stops the
// program with a message instead of writing past its end.
TEST(RuntimeLists, ARegistrationBeyondTheListsRoomStopsTheProgram) {
  ExitListScope scope;
  RegisterNumbered(std::make_integer_sequence<int, kMaxExitFns>());
  EXPECT_EQ(n_atexits, kMaxExitFns);
  AtExit(Numbered<0>);  // already there: no room needed
  EXPECT_EQ(n_atexits, kMaxExitFns);
  EXPECT_DEATH(AtExit(ExitA), "More than 40 exit functions are registered");
}
