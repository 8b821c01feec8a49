// The launcher's download against each download server in its default
// configuration (and HAProxy in front of nginx): a file and its second,
// conditional request, a resumed leftover, a missing file and a name with a
// space. h2o and HAProxy send their field names in lower case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/program_clock.h"
#include "integration/download_helpers.h"
#include "support/files.h"
#include "support/peers.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "transport/http_download.h"
#include "transport/http_header_file.h"

TEST(WebServers, FetchNotModifiedResumeMissingAndSpacedNames) {
  SetTimerRate(kTimerRate64Hz);
  TempDir site;
  const std::string body = FaultBody("served", 2 * 1024 * 1024 + 3);
  WriteFileText(site / "game.dat", body);
  WriteFileText(site / "with space.txt", "spaced\n");
  // Names that mean something else in a URL unless escaped; "a%20b.dat"
  // beside "a b.dat" must not be answered with the other file.
  const std::vector<std::string> names = {
      "100%.dat", "what?.dat", "a#b.dat", "a%20b.dat", "a b.dat", "caf\xC3\xA9 \xE2\x98\x95.dat", "a+b;c'd&e~[f].dat"};
  for (const std::string& name : names) WriteFileText(site / name, "the file " + name + "\n");
  for (WebServerKind kind : kEveryWebServer) {
    std::unique_ptr<WebServerPeer> server = MakeWebServer(kind);
    SCOPED_TRACE(server->name());
    ASSERT_EQ(server->Start(site.path()), "");
    TempDir out;
    auto url = [&](const std::string& name) {
      return "http://127.0.0.1:" + std::to_string(server->port()) + "/" + name;
    };
    auto fetch = [&](const std::string& name) { return RunTool({"fetch", url(name), name, out.path()}).out; };

    EXPECT_EQ(fetch("game.dat"), "result 0\n") << server->Log();
    EXPECT_TRUE(ReadFileText(out / "game.dat") == body);
    // The stored header keeps the server's lines as they came, in their case.
    EXPECT_TRUE(ParseHeaderFileText(ReadFileText(out / "game.dat.hdr")).has_last_modified);
    EXPECT_EQ(fetch("game.dat"), "result 4\n") << "the second request carries the server's date and gets 304";

    // An interrupted transfer's leftover is completed with a validated range.
    WriteFileText(out / "game.dat", "older");
    WriteFileText(out / "game.dat.res", body.substr(0, 1000000));
    DownloadOutcome resumed = RunDownload(url("game.dat"), "game.dat", out.path() + "/");
    ASSERT_EQ(resumed.result, kDownloadFinished) << resumed.error;
    EXPECT_NE(resumed.request.find("\r\nRange: bytes=1000000-\r\nIf-Range: "), std::string::npos);
    EXPECT_TRUE(ReadFileText(out / "game.dat") == body);

    EXPECT_NE(fetch("absent.dat").find("Code 404, Not Found."), std::string::npos);
    EXPECT_EQ(fetch("with space.txt"), "result 0\n");
    EXPECT_EQ(ReadFileText(out / "with space.txt"), "spaced\n");
    for (const std::string& name : names) {
      DownloadOutcome o = RunDownload(url(name), name, out.path() + "/");
      EXPECT_EQ(o.result, kDownloadFinished) << name << ": " << o.error;
      EXPECT_EQ(ReadFileText(out / name), "the file " + name + "\n");
      EXPECT_EQ(o.request.substr(0, o.request.find("\r\n")).find_first_of("?#\x80\xC3 ", 4),
                o.request.find(" HTTP/1.1"))
          << o.request;
    }
  }
}
