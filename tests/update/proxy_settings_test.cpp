// The connection settings in the store, the start-up reading, the proxy
// credential, and both detections (the Windows ProxyServer text, and the
// system's answers on POSIX through libproxy and all_proxy).
#include "update/proxy_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/alloc.h"
#include "platform/settings_store.h"
#include "support/process.h"
#include "support/scoped_env.h"
#include "transport/transport_globals.h"
#include "update/product_key.h"

namespace {
class ProxySettings : public testing::Test {
 protected:
  ProxySettings() : env_("QUORVEL_REGISTRY", (dir_ / "settings.txt").c_str()) { ResetTransportGlobals(); }
  ~ProxySettings() override { ResetTransportGlobals(); }
  TempDir dir_;
  ScopedEnv env_;
};

TEST_F(ProxySettings, ValuesReadBackWithDefaultsForWhatIsMissing) {
  EXPECT_STREQ(GetKeyValueString("ProxyAddress"), "");
  EXPECT_EQ(GetKeyValue("ProxyPort"), -1);
  ConnectionSettings absent = LoadConnectionSettings();
  EXPECT_EQ(absent.proxyAddress, "");
  EXPECT_EQ(absent.authorization, "");
  EXPECT_EQ(absent.proxyPort, -1);
  EXPECT_EQ(absent.gameUsesProxy, 0);

  ConnectionSettings saved{"proxy.local", 3128, 1, "YW5uOnB3", "socks.local", 1080, 1};
  ASSERT_TRUE(SaveConnectionSettings(saved));
  ConnectionSettings loaded = LoadConnectionSettings();
  EXPECT_EQ(loaded.proxyAddress, "proxy.local");
  EXPECT_EQ(loaded.socksAddress, "socks.local");
  EXPECT_EQ(loaded.authorization, "YW5uOnB3");
  EXPECT_EQ(loaded.proxyPort, 3128);
  EXPECT_EQ(loaded.socksPort, 1080);
  EXPECT_EQ(loaded.useProxy, 1);
  EXPECT_EQ(loaded.gameUsesProxy, 1);
  EXPECT_EQ(GetKeyValue("ProxyAddress"), -1);  // a string is not a 32-bit value
  saved.socksPort = -1;                        // not entered: the stored port stays
  ASSERT_TRUE(SaveConnectionSettings(saved));
  EXPECT_EQ(GetKeyValue("SocksProxyPort"), 1080);
}

TEST_F(ProxySettings, AStringOver127CharactersIsCutAsTheReadBufferWould) {
  const std::string longHost(300, 'h');
  ASSERT_TRUE(SetProductString("ProxyAddress", longHost.c_str()));
  EXPECT_EQ(std::string(GetKeyValueString("ProxyAddress")), longHost.substr(0, 127));
  EXPECT_EQ(LoadConnectionSettings().proxyAddress, longHost.substr(0, 127));
}

TEST_F(ProxySettings, TheCredentialIsStoredAsBase64AndSurvivesARestart) {
  ASSERT_EQ(SetProxyAuthentication("player", "s3cret pass"), 1);
  ASSERT_NE(ProxyAuthentication, nullptr);
  EXPECT_STREQ(ProxyAuthentication, "cGxheWVyOnMzY3JldCBwYXNz");
  EXPECT_STREQ(GetKeyValueString("ProxyAuthorization"), "cGxheWVyOnMzY3JldCBwYXNz");

  // The longest credential still reads back whole (its Base64 is 340 characters).
  const std::string user(100, 'u'), password(154, 'p');
  ASSERT_EQ(SetProxyAuthentication(user.c_str(), password.c_str()), 1);
  const std::string stored = ProxyAuthentication;
  EXPECT_EQ(stored.size(), 340u);
  ASSERT_TRUE(SetProductDword("UseProxy", 1));
  ASSERT_TRUE(SetProductString("ProxyAddress", "proxy.local"));
  ASSERT_TRUE(SetProductDword("ProxyPort", 8888));
  ResetTransportGlobals();
  LoadProxySettingsAtStartup();
  ASSERT_NE(ProxyServer, nullptr);
  EXPECT_STREQ(ProxyServer, "proxy.local");
  EXPECT_EQ(ProxyPort, 8888);
  ASSERT_NE(ProxyAuthentication, nullptr);
  EXPECT_EQ(std::string(ProxyAuthentication), stored);

  // Refused: one byte too long, a colon in the user name, an empty part.
  EXPECT_EQ(CheckCredential(user.c_str(), (password + "p").c_str()), CredentialProblem::kTooLong);
  EXPECT_EQ(SetProxyAuthentication("a:b", "c"), 0);
  EXPECT_EQ(CheckCredential("a:b", "c"), CredentialProblem::kColonInUser);
  EXPECT_EQ(CheckCredential("", "c"), CredentialProblem::kEmpty);
  EXPECT_EQ(std::string(ProxyAuthentication), stored);  // unchanged by a refusal

  KillProxyAuthentication();
  EXPECT_EQ(ProxyAuthentication, nullptr);
  EXPECT_STREQ(GetKeyValueString("ProxyAuthorization"), "");
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, RegistryKeyName, 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(k, "ProxyAuthorization", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(ProxySettings, StartupIgnoresAProxyThatIsNotInUse) {
  ASSERT_TRUE(SetProductString("ProxyAddress", "proxy.local"));
  ASSERT_TRUE(SetProductDword("ProxyPort", 8888));
  ASSERT_TRUE(SetProductDword("UseProxy", 0));
  ASSERT_TRUE(SetProductDword("SocksProxyPort", 1081));
  LoadProxySettingsAtStartup();
  EXPECT_EQ(ProxyServer, nullptr);
  EXPECT_EQ(SocksPPort, 1081);
  EXPECT_EQ(SocksProxyPort, 0);  // the game's SOCKS proxy is not in use either
}

TEST(ProxyDetection, WindowsProxyServerTexts) {
  DetectedProxy d;
  // host:port, one proxy for everything: offered as the HTTP proxy, no SOCKS.
  ASSERT_EQ(ParseMicrosoftProxyServer("proxy.corp:8080", 1, &d), 1);
  EXPECT_STREQ(d.httpHost, "proxy.corp");
  EXPECT_EQ(d.httpPort, 8080);
  EXPECT_EQ(d.httpEnabled, 1);
  EXPECT_STREQ(d.socksHost, "");
  EXPECT_EQ(d.socksPort, -1);
  EXPECT_EQ(d.socksEnabled, 0);
  // http= then socks=: both; with ProxyEnable 0 both are offered as not enabled.
  ASSERT_EQ(ParseMicrosoftProxyServer("http=web.corp:3128;socks=sox.corp:1080", 1, &d), 1);
  EXPECT_STREQ(d.httpHost, "web.corp");
  EXPECT_EQ(d.httpPort, 3128);
  EXPECT_STREQ(d.socksHost, "sox.corp");
  EXPECT_EQ(d.socksPort, 1080);
  EXPECT_EQ(d.httpEnabled + d.socksEnabled, 2);
  ASSERT_EQ(ParseMicrosoftProxyServer("http=web.corp:3128;socks=sox.corp:1080", 0, &d), 1);
  EXPECT_STREQ(d.httpHost, "web.corp");
  EXPECT_STREQ(d.socksHost, "sox.corp");
  EXPECT_EQ(d.httpEnabled + d.socksEnabled, 0);
  // With ProxyEnable unreadable the flags stay.
  ASSERT_EQ(ParseMicrosoftProxyServer("web.corp:3128", -1, &d), 1);
  EXPECT_EQ(d.httpEnabled, 1);
  // SOCKS listed first: its cut hides the HTTP entry after it.
  ASSERT_EQ(ParseMicrosoftProxyServer("socks=sox.corp:1080;http=web.corp:3128", 1, &d), 1);
  EXPECT_STREQ(d.socksHost, "sox.corp");
  EXPECT_EQ(d.socksPort, 1080);
  EXPECT_EQ(d.httpEnabled, 0);
  EXPECT_STREQ(d.httpHost, "");
  // Other protocols only, no colon, empty: nothing to offer.
  EXPECT_EQ(ParseMicrosoftProxyServer("ftp=f.corp:21;https=s.corp:443", 1, &d), 0);
  EXPECT_EQ(ParseMicrosoftProxyServer("justahost", 1, &d), 0);
  EXPECT_EQ(ParseMicrosoftProxyServer("", 1, &d), 0);
  EXPECT_EQ(d.httpPort, -1);
  // Long texts stay within the hosts' 256 bytes.
  const std::string longValue = "http=" + std::string(400, 'h') + ":80";
  ASSERT_EQ(ParseMicrosoftProxyServer(longValue.c_str(), 1, &d), 0);  // the colon lies beyond 260 bytes
  const std::string host250 = "http=" + std::string(250, 'h') + ":80";
  ASSERT_EQ(ParseMicrosoftProxyServer(host250.c_str(), 1, &d), 1);
  EXPECT_EQ(std::strlen(d.httpHost), 250u);
}

TEST_F(ProxySettings, WindowsDetectionReadsTheInternetSettingsKey) {
  char http[256], socks[256];
  int hp, sp, he, se;
  EXPECT_EQ(DetectMicrosoftProxyInformation(http, socks, &hp, &sp, &he, &se), 0);
  EXPECT_EQ(hp, -1);
  HKEY k;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", &k),
            ERROR_SUCCESS);
  const char* value = "http=web.corp:3128;socks=sox.corp:1080";
  ASSERT_EQ(RegSetValueExA(k, "ProxyServer", 0, REG_SZ, reinterpret_cast<const unsigned char*>(value),
                           DWORD(std::strlen(value) + 1)),
            ERROR_SUCCESS);
  int32_t enable = 0;
  ASSERT_EQ(RegSetValueExA(k, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const unsigned char*>(&enable), 4),
            ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(DetectMicrosoftProxyInformation(http, socks, &hp, &sp, &he, &se), 1);
  EXPECT_STREQ(http, "web.corp");
  EXPECT_EQ(sp, 1080);
  EXPECT_EQ(he + se, 0);
}

TEST(ProxyDetection, SystemAnswers) {
  DetectedProxy d;
  const char* httpAndSocks[] = {"socks5://user:pw@sox.local:1085", "http://web.local:3128/", "direct://"};
  ASSERT_EQ(ParseSystemProxyAnswers(httpAndSocks, 3, nullptr, &d), 1);
  EXPECT_STREQ(d.httpHost, "web.local");
  EXPECT_EQ(d.httpPort, 3128);
  EXPECT_STREQ(d.socksHost, "sox.local");
  EXPECT_EQ(d.socksPort, 1085);
  EXPECT_EQ(d.httpEnabled + d.socksEnabled, 2);
  const char* direct[] = {"direct://"};
  EXPECT_EQ(ParseSystemProxyAnswers(direct, 1, nullptr, &d), 0);
  EXPECT_EQ(d.httpPort, -1);
  ASSERT_EQ(ParseSystemProxyAnswers(direct, 1, "socks5h://127.0.0.1:9050", &d), 1);
  EXPECT_STREQ(d.socksHost, "127.0.0.1");
  EXPECT_EQ(d.socksPort, 9050);
  EXPECT_EQ(d.httpEnabled, 0);
  EXPECT_EQ(ParseSystemProxyAnswers(direct, 1, "http://not-socks:1", &d), 0);
  const char* odd[] = {"http://:80", "socks://[::1]:1080", "http://bad:99999"};
  ASSERT_EQ(ParseSystemProxyAnswers(odd, 3, nullptr, &d), 1);
  EXPECT_EQ(d.httpEnabled, 0);
  EXPECT_STREQ(d.socksHost, "::1");
}

// The real detection: libproxy reads the proxy variables of the environment
// when no desktop configuration is there.
TEST(ProxyDetection, FromTheEnvironmentAndWithout) {
  ScopedEnv noDesktop("XDG_CURRENT_DESKTOP", nullptr), noSession("DESKTOP_SESSION", nullptr);
  ScopedEnv noGnome("GNOME_DESKTOP_SESSION_ID", nullptr), noKde("KDE_FULL_SESSION", nullptr);
  ScopedEnv noPac("PX_CONFIG_ORDER", "config_envvar");
  {
    ScopedEnv a("http_proxy", nullptr), b("HTTP_PROXY", nullptr), c("all_proxy", nullptr), e("ALL_PROXY", nullptr),
        f("no_proxy", nullptr), g("https_proxy", nullptr);
    DetectedProxy d;
    EXPECT_EQ(DetectProxyInformation("http://updates.example/krnx/", &d), 0);
  }
  {
    ScopedEnv a("http_proxy", "http://127.0.0.1:3128"), c("all_proxy", "socks5://127.0.0.1:1080"),
        f("no_proxy", nullptr);
    DetectedProxy d;
    ASSERT_EQ(DetectProxyInformation("http://updates.example/krnx/", &d), 1);
    EXPECT_STREQ(d.httpHost, "127.0.0.1");
    EXPECT_EQ(d.httpPort, 3128);
    EXPECT_STREQ(d.socksHost, "127.0.0.1");
    EXPECT_EQ(d.socksPort, 1080);
  }
  EXPECT_STREQ(DetectedProxyQuestionHeader(), "Found system proxy information:\n");
}
}  // namespace
