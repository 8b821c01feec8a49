// The Connection Settings window's OK checks, apart from the window: each
// row is what the boxes and toggles hold, and what the check makes of it.
#include "update/connection_entries.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kUnchanged = -99;  // the global is left as it is

TEST(ConnectionEntriesCheck, EachRuleInItsOrder) {
  using B = ConnectionBox;
  struct Row {
    ConnectionEntries in;
    const char* warning;  // null: accepted
    B box;
    int proxyPort, socksPort;  // the globals afterwards
    const char* host;          // what the HTTP box and ProxyServer take
  } rows[] = {
      {{"", "", "", "", 0, 0}, nullptr, B::kNone, -1, 0, ""},
      {{"", "65536", "", "", 0, 0}, "Invalid port number", B::kProxyPort, 65535, kUnchanged, ""},
      {{"", "3128", "", "99999", 0, 0}, "Invalid socks port number", B::kSocksPort, kUnchanged, 65535, ""},
      {{"", "", "", "", 1, 0}, "valid proxy server", B::kProxyHost, kUnchanged, 0, ""},
      {{"http://", "80", "", "", 1, 0}, "valid proxy server", B::kProxyHost, kUnchanged, 0, ""},
      {{"HTTP://proxy.local:3128/", "", "", "", 1, 0}, "port to connect", B::kProxyPort, -1, 0, "proxy.local:3128"},
      {{"proxy.local/x", "8080", "", "", 1, 0}, nullptr, B::kNone, 8080, 0, "proxy.local"},
      {{"typed.but.unused", "8080", "", "", 0, 0}, nullptr, B::kNone, 8080, 0, ""},
      {{"", "", "", "1080", 0, 1}, "valid socks proxy server", B::kSocksHost, -1, 1080, ""},
      {{"", "", "socks.local", "", 0, 1}, "socks port", B::kSocksPort, -1, -1, ""},
      {{"", "", "socks.local", "1080", 0, 1}, nullptr, B::kNone, -1, 1080, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in.proxyHost + "|" + row.in.proxyPort + "|" + row.in.socksHost + "|" + row.in.socksPort + "|" +
                 std::to_string(row.in.useProxy) + std::to_string(row.in.gameUsesProxy));
    const ConnectionVerdict v = CheckConnectionEntries(row.in);
    if (row.warning) {
      ASSERT_NE(v.warning, nullptr);
      EXPECT_NE(std::string(v.warning).find(row.warning), std::string::npos) << v.warning;
    } else {
      EXPECT_EQ(v.warning, nullptr) << v.warning;
    }
    EXPECT_EQ(v.box, row.box);
    EXPECT_EQ(v.proxyPort.value_or(kUnchanged), row.proxyPort);
    EXPECT_EQ(v.socksPort.value_or(kUnchanged), row.socksPort);
    EXPECT_EQ(v.proxyHost, row.host);
    if (!row.warning) {
      EXPECT_EQ(v.settings.proxyAddress, row.in.useProxy ? row.host : row.in.proxyHost);
      EXPECT_EQ(v.settings.proxyPort, row.proxyPort);
      EXPECT_EQ(v.settings.socksPort, row.socksPort);
      EXPECT_EQ(v.settings.useProxy, row.in.useProxy);
      EXPECT_EQ(v.settings.gameUsesProxy, row.in.gameUsesProxy);
    }
  }
}

}  // namespace
