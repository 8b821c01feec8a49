#include "foundation/program_clock.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "support/manual_clock.h"

namespace {
constexpr uint64_t kSecondNs = 1000000000ull;

// Runs each test on the manual clock and puts the clock's state back after.
class ProgramClock : public testing::Test {
 protected:
  void SetUp() override {
    savedRate = RateCounter;
    savedSecond = Second;
    savedHalf = HalfSecond;
    savedQuarter = QuarterSecond;
    savedDivisor = TickDivisor;
    clock.emplace(1000 * kSecondNs);
  }
  void TearDown() override {
    clock.reset();
    RateCounter = savedRate;
    Second = savedSecond;
    HalfSecond = savedHalf;
    QuarterSecond = savedQuarter;
    TickDivisor = savedDivisor;
    ResetTimer();
  }
  long savedRate;
  int savedSecond, savedHalf, savedQuarter;
  unsigned long savedDivisor;
  std::optional<ScopedManualClock> clock;
};
}  // namespace

TEST_F(ProgramClock, BeforeSetTimerRateItCountsEighteenPerSecond) {
  EXPECT_EQ(Second, 18);
  EXPECT_EQ(HalfSecond, 9);
  EXPECT_EQ(QuarterSecond, 5);
  EXPECT_EQ(TickDivisor, 0u);
  ResetTimer();
  EXPECT_EQ(GetTimerCount(), 0u);
  clock->Advance(kSecondNs);
  EXPECT_EQ(GetTimerCount(), 18u);
}

TEST_F(ProgramClock, RatesGiveTheirTickCounts) {
  struct Case {
    long rate;
    int second, half, quarter;
  } cases[] = {
      {kTimerRate64Hz, 64, 32, 16}, {65535, 18, 9, 4}, {0, 18, 9, 4}, {1, 1186048, 593024, 296512}, {11862, 99, 49, 24},
  };
  for (const Case& c : cases) {
    SetTimerRate(c.rate);
    EXPECT_EQ(Second, c.second) << c.rate;
    EXPECT_EQ(HalfSecond, c.half) << c.rate;
    EXPECT_EQ(QuarterSecond, c.quarter) << c.rate;
    EXPECT_EQ(TickDivisor, CPUSpeed / static_cast<unsigned long>(c.second)) << c.rate;
  }
  EXPECT_EQ(CPUSpeed, 1000000000ul);
  EXPECT_EQ(CPUClocksPerSecond(), 1000000000ul);
}

TEST_F(ProgramClock, CountsTicksOfTheManualClock) {
  SetTimerRate(kTimerRate64Hz);
  ResetTimer();
  EXPECT_EQ(GetTimerCount(), 0u);
  clock->Advance(kSecondNs / 64 - 1);
  EXPECT_EQ(GetTimerCount(), 0u);
  clock->Advance(1);
  EXPECT_EQ(GetTimerCount(), 1u);
  // Six minutes pass at once.
  clock->Advance(360 * kSecondNs);
  EXPECT_EQ(GetTimerCount(), 1u + 360u * 64u);
  EXPECT_EQ(LastTimerValue, 1u + 360u * 64u);
  ResetTimer();
  EXPECT_EQ(GetTimerCount(), 0u);
}

TEST_F(ProgramClock, ElapsedTimeIsInSixtyFifthThousandthsOfASecond) {
  SetTimerRate(kTimerRate64Hz);
  ResetTimer();
  clock->Advance(kSecondNs);  // 64 ticks
  EXPECT_EQ(GetElapsedTime(), 65536u);
  EXPECT_EQ(GetElapsedTime(), 0u);
  clock->Advance(kSecondNs / 2);  // 32 ticks
  EXPECT_EQ(GetElapsedTime(), 32768u);
  clock->Advance(kSecondNs / 64 * 3);  // 3 ticks: 3 × 256 × kTimerRate64Hz / 4633
  EXPECT_EQ(GetElapsedTime(), 3072u);
  SetTimerRate(11862);  // 99 per second
  ResetTimer();
  clock->Advance(kSecondNs);
  EXPECT_EQ(GetElapsedTime(), 99ul * 256 * 11862 / 4633);
}

TEST_F(ProgramClock, NeverGoesBackwardsWhenTheSourceDoes) {
  SetTimerRate(kTimerRate64Hz);
  ResetTimer();
  clock->Advance(10 * kSecondNs);
  EXPECT_EQ(GetTimerCount(), 640u);
  clock->Set(1 * kSecondNs);  // the source jumps back 9 s
  EXPECT_EQ(GetTimerCount(), 640u);
  clock->Advance(kSecondNs);
  EXPECT_EQ(GetTimerCount(), 704u);
}

TEST_F(ProgramClock, DelayWaitsForTheTicks) {
  SetTimerRate(kTimerRate64Hz);
  ResetTimer();
  std::thread mover([this] {
    for (int i = 0; i < 40; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      clock->Advance(kSecondNs / 64);
    }
  });
  Delay(20);
  unsigned long at = GetTimerCount();
  mover.join();
  EXPECT_GE(at, 20u);
  EXPECT_LT(at, 40u);
}

TEST_F(ProgramClock, GetTimerIsTheMillisecondClock) {
  unsigned long before = GetTimer();
  clock->Advance(1500 * 1000000ull);
  EXPECT_EQ(GetTimer() - before, 1500u);
}

TEST(ProgramClockReal, CountsOnTheMonotonicClock) {
  long savedRate = RateCounter;
  SetTimerRate(kTimerRate64Hz);
  ResetTimer();
  unsigned long a = GetTimerCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  unsigned long b = GetTimerCount();
  EXPECT_GE(b - a, 5u);
  EXPECT_LE(b - a, 30u);
  if (savedRate == 0) {
    RateCounter = 0;
    Second = 18;
    HalfSecond = 9;
    QuarterSecond = 5;
    TickDivisor = 0;
  } else {
    SetTimerRate(savedRate);
  }
  ResetTimer();
}
