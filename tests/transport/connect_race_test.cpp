#include "transport/connect_race.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The families take turns from the first address's; each attempt has 250 ms
// to itself unless every attempt so far has failed.
TEST(ConnectRace, AttemptOrderAndStarts) {
  struct Order {
    std::vector<std::string> given, tried;
  } orders[] = {
      {{"::1", "::2", "10.0.0.1", "10.0.0.2"}, {"::1", "10.0.0.1", "::2", "10.0.0.2"}},
      {{"10.0.0.1", "::1", "::2", "::3"}, {"10.0.0.1", "::1", "::2", "::3"}},
      {{"10.0.0.1", "10.0.0.2"}, {"10.0.0.1", "10.0.0.2"}},
  };
  for (const Order& o : orders) {
    SCOPED_TRACE(o.given.front());
    std::vector<NodeAddress> given;
    for (const std::string& t : o.given) {
      NodeAddress a{};
      ASSERT_TRUE(ParseAddressLiteral(t.c_str(), &a));
      given.push_back(a);
    }
    std::vector<std::string> tried;
    for (const NodeAddress& a : InterleaveFamilies(given)) tried.push_back(a.ToText());
    EXPECT_EQ(tried, o.tried);
  }

  struct Due {
    const char* name;
    size_t started, total, pending;
    unsigned long since;
    long wait;
  } dues[] = {
      {"the first at once", 0, 2, 0, 0, 0},
      {"the next waits", 1, 2, 1, 100, 150},
      {"the next after 250 ms", 1, 3, 1, 250, 0},
      {"at once after a failure", 2, 3, 0, 10, 0},
      {"none left", 2, 2, 1, 300, -1},
  };
  for (const Due& d : dues) {
    SCOPED_TRACE(d.name);
    EXPECT_EQ(MsUntilNextAttempt(d.started, d.total, d.pending, d.since), d.wait);
  }
}
