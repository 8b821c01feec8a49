// quorvel-tool verify --url: a published release served by nginx under the
// launcher's path passes; files the server answers with 404, 500 or wrong
// bytes are reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "support/files.h"
#include "support/peers.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {
ProcessResult Tool(const std::vector<std::string>& args) { return RunTool(args); }

class VerifyUrl : public testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(3);
    std::string big(400000, '\0');
    for (char& c : big) c = char(rng());
    fs::create_directories(tmp_ / "game/data");
    WriteFileText(tmp_ / "game/data/big.dat", big);
    WriteFileText(tmp_ / "game/data/name with spaces.txt", "spaces travel as %20");
    WriteFileText(tmp_ / "game/quorvel1.exe", "game");
    WriteFileText(tmp_ / "tos", "terms");
    fs::create_directories(tmp_ / "site");
    ProcessResult r = Tool({"publish", tmp_ / "game", tmp_ / "site/krnx", "--tos", tmp_ / "tos"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  std::string Url(const Peer& peer, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(peer.port()) + path;
  }
  TempDir tmp_;
};
}  // namespace

TEST_F(VerifyUrl, APublishedReleaseServedByNginxPassesAndItsDamageIsReported) {
  NginxPeer nginx;
  ASSERT_EQ(nginx.Start(tmp_ / "site"), "");
  ProcessResult good = Tool({"verify", "--url", Url(nginx, "/krnx/")});
  EXPECT_EQ(good.exitCode, 0) << good.out << good.err;
  EXPECT_EQ(good.out.rfind("ok: ", 0), 0u) << good.out;

  std::string big = ReadFileText(tmp_ / "site/krnx/data/big.dat");
  big[1000] ^= 1;
  WriteFileText(tmp_ / "site/krnx/data/big.dat", big);
  fs::remove(tmp_ / "site/krnx/zindimgs/txtr.ctl");
  ProcessResult bad = Tool({"verify", "--url", Url(nginx, "/krnx/")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.out.find("data/big.dat: digest "), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("zindimgs/txtr.ctl: HTTP error"), std::string::npos) << bad.out;
  EXPECT_NE(bad.out.find("Code 404"), std::string::npos) << bad.out;
  EXPECT_EQ(std::count(bad.out.begin(), bad.out.end(), '\n'), 2) << bad.out;

  ProcessResult nothing = Tool({"verify", "--url", Url(nginx, "/zeph4/")});
  EXPECT_EQ(nothing.exitCode, 1);
  EXPECT_NE(nothing.out.find("master.lst: HTTP error"), std::string::npos) << nothing.out;
}

TEST_F(VerifyUrl, AServerAnsweringErrorsOrWrongBytesFails) {
  FaultServerPeer server;
  ASSERT_EQ(server.Start(), "");
  ProcessResult errors = Tool({"verify", "--url", Url(server, "/error/")});
  EXPECT_EQ(errors.exitCode, 1);
  EXPECT_NE(errors.out.find("master.lst: HTTP error"), std::string::npos) << errors.out;
  EXPECT_NE(errors.out.find("Code 500"), std::string::npos) << errors.out;
  // 200 with bytes that are no list.
  ProcessResult noise = Tool({"verify", "--url", Url(server, "/ok/")});
  EXPECT_EQ(noise.exitCode, 1);
  EXPECT_NE(noise.out.find("master.lst line 1: "), std::string::npos) << noise.out;
  ProcessResult cut = Tool({"verify", "--url", Url(server, "/truncated/")});
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.out.find("master.lst: Lost connection"), std::string::npos) << cut.out;
}
