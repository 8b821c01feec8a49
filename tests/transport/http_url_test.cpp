#include "transport/http_url.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct Split {
  std::string text;
  HttpUrlParts parts{};
  bool ok = false;
  explicit Split(const std::string& url) : text(url) { ok = SplitUrl(text.data(), &parts); }
  std::string Path(bool proxy, size_t size = 2048) {
    std::string out(size, '\0');
    if (!BuildRequestPath(parts, proxy, out.data(), size)) return "<refused>";
    return out.c_str();
  }
};
}  // namespace

TEST(HttpUrl, RequestPathsDirectAndThroughProxy) {
  struct Case {
    const char* url;
    const char* host;
    const char* direct;
    const char* proxy;
  } cases[] = {
      {"http://server/dir/name.lst", "server", "/dir/name.lst", "http://server/dir/name.lst"},
      {"HTTP://server//dir///name.lst", "server", "/dir/name.lst", "HTTP://server/dir/name.lst"},
      {"http:\\\\server\\dir\\a b c.txt", "server", "/dir/a%20b%20c.txt", "http://server/dir/a%20b%20c.txt"},
      {"http://127.0.0.1:8080/krnx/", "127.0.0.1:8080", "/krnx", "http://127.0.0.1:8080/krnx"},
      {"http://server", "server", "/", "http://server"},
      {"server/file", "server", "/file", "server//file"},
      // Every kind of name goes out as one path segment that means only itself.
      {"http://h/d/100%.dat", "h", "/d/100%25.dat", "http://h/d/100%25.dat"},
      {"http://h/d/what?.dat", "h", "/d/what%3F.dat", "http://h/d/what%3F.dat"},
      {"http://h/d/a#b.dat", "h", "/d/a%23b.dat", "http://h/d/a%23b.dat"},
      {"http://h/d/a%20b.dat", "h", "/d/a%2520b.dat", "http://h/d/a%2520b.dat"},
      {"http://h:81/d/caf\xC3\xA9 \xE2\x98\x95.dat", "h:81", "/d/caf%C3%A9%20%E2%98%95.dat",
       "http://h:81/d/caf%C3%A9%20%E2%98%95.dat"},
      {"http://h/d/\x01\x7F\"<>[]^`{|}.dat", "h", "/d/%01%7F%22%3C%3E%5B%5D%5E%60%7B%7C%7D.dat",
       "http://h/d/%01%7F%22%3C%3E%5B%5D%5E%60%7B%7C%7D.dat"},
      {"http://h/d/a+b;c'd&e~f(g)!h$i*j,k=l:m@n.dat", "h", "/d/a+b;c'd&e~f(g)!h$i*j,k=l:m@n.dat",
       "http://h/d/a+b;c'd&e~f(g)!h$i*j,k=l:m@n.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Split s(c.url);
    ASSERT_TRUE(s.ok);
    EXPECT_STREQ(s.parts.parts[s.parts.host_index], c.host);
    EXPECT_EQ(s.Path(false), c.direct);
    EXPECT_EQ(s.Path(true), c.proxy);
  }
}

TEST(HttpUrl, PartLimitAndEmptyUrlsAreRefused) {
  std::string url = "http://host";
  for (int i = 0; i < 29; ++i) url += "/p";
  EXPECT_TRUE(Split(url).ok);          // 31 parts
  EXPECT_FALSE(Split(url + "/q").ok);  // 32 parts
  EXPECT_FALSE(Split("").ok);
  EXPECT_FALSE(Split("///").ok);
  EXPECT_FALSE(Split("http:").ok);  // no host after the scheme
}

TEST(HttpUrl, RequestPathThatDoesNotFitIsRefused) {
  Split s("http://host/" + std::string(100, 'x'));
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.Path(false, 102), "/" + std::string(100, 'x'));
  EXPECT_EQ(s.Path(false, 101), "<refused>");
  Split spaces("http://host/a b");
  EXPECT_EQ(spaces.Path(false, 6), "<refused>");  // "/a%20b" needs 7 bytes
}

TEST(HttpUrl, HostAndPort) {
  struct Case {
    const char* part;
    bool ok;
    const char* name;
    uint16_t port;
  } cases[] = {
      {"server", true, "server", 80},
      {"127.0.0.1:8080", true, "127.0.0.1", 8080},
      {"h:65535", true, "h", 65535},
      {"h:1", true, "h", 1},
      {"h:0", false, "", 0},
      {"h:65536", false, "", 0},
      {"h:", false, "", 0},
      {"h:80x", false, "", 0},
      {"h:-1", false, "", 0},
      {":80", false, "", 0},
      // IPv6 literals come in brackets.
      {"[::1]:8080", true, "::1", 8080},
      {"[2001:db8::7]", true, "2001:db8::7", 80},
      {"[::ffff:1.2.3.4]:1", true, "::ffff:1.2.3.4", 1},
      {"::1:8080", false, "", 0},
      {"[::1", false, "", 0},
      {"[::1]8080", false, "", 0},
      {"[a.b/c]", false, "", 0},
      {"[]:80", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    char name[64] = "unchanged";
    uint16_t port = 0;
    EXPECT_EQ(SplitHostPort(c.part, name, sizeof name, &port), c.ok);
    if (c.ok) {
      EXPECT_STREQ(name, c.name);
      EXPECT_EQ(port, c.port);
    }
  }
  char small[4];
  uint16_t port;
  EXPECT_TRUE(SplitHostPort("abc:1", small, sizeof small, &port));
  EXPECT_FALSE(SplitHostPort("abcd:1", small, sizeof small, &port));
}

// RFC 3986's examples (5.4) against its base, and what cannot be followed.
TEST(HttpUrl, RedirectLocationsResolveAgainstTheAddressAskedFor) {
  const std::string base = "http://a/b/c/d;p?q";
  struct Case {
    const char* location;
    const char* resolved;  // null: refused
  } cases[] = {
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g/"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q"},
      {"g#s", "http://a/b/c/g"},
      {";x", "http://a/b/c/;x"},
      {"", nullptr},
      {".", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"g/../h", "http://a/b/c/h"},
      {" HTTP://X:81/y z ", "http://x:81/y%20z"},
      {"https://a/", nullptr},
      {"ftp://a/", nullptr},
      {"http:///p", nullptr},
      {"http://u@a/", nullptr},
      {"http://[::1]:81/x", "http://[::1]:81/x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.location);
    std::string out, why;
    const bool ok = ResolveHttpLocation(base, c.location, &out, &why);
    EXPECT_EQ(ok, c.resolved != nullptr) << why;
    if (ok && c.resolved) EXPECT_EQ(out, c.resolved);
    if (!ok) EXPECT_FALSE(why.empty());
  }
  std::string authority, target;
  ASSERT_TRUE(SplitAbsoluteHttpUrl("http://x:81?q", &authority, &target));
  EXPECT_EQ(authority + " " + target, "x:81 /?q");
}
