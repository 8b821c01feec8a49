#include "transport/log_network.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/log.h"
#include "support/files.h"
#include "support/temp_dir.h"
#include "transport/real_tcp_connection.h"

namespace {
const NodeAddress kLoopback = NodeAddress::FromBytes(127, 0, 0, 1);

class NetworkLog : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LOGFILENAME", (dir_ / "net.log").c_str(), 1);
    ResetLogForTests();
    LogEnabled = 1;
    {
      RealTCPConnection probe(uint16_t(0));
      port_ = probe.LocalPort();
    }
    TCPLogPort = port_;
  }
  void TearDown() override {
    TCPLogPort = -1;
    LogEnabled = 0;
    CloseLogNetwork();
    ResetLogForTests();
    unsetenv("LOGFILENAME");
  }
  std::unique_ptr<RealTCPConnection> Client() { return std::make_unique<RealTCPConnection>(port_, kLoopback, 1, 1); }
  // What arrives at c within about a second, or until it holds want bytes or the text until.
  static std::string Drain(RealTCPConnection& c, size_t want, const char* until = nullptr) {
    std::string got;
    char buf[1024];
    for (int i = 0; i < 1000 && got.size() < want && !(c.flags & sockflags_fatal_error) &&
                    !(until && got.find(until) != std::string::npos);
         ++i) {
      long n = c.Receive(buf, sizeof buf);
      if (n > 0) got.append(buf, size_t(n));
      else std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
  }
  TempDir dir_;
  uint16_t port_ = 0;
};
}  // namespace

TEST_F(NetworkLog, ClientsReceiveLogLinesButNotFLogLines) {
  Log("opens the port");
  ASSERT_NE(LogAcceptPort, nullptr);
  auto client = Client();
  ASSERT_TRUE(client->flags & sockflags_connected);
  Log("hello %d", 7);  // accepts the client, then sends to it
  FLog("file only");
  Log("bye");
  std::string got = Drain(*client, 30);
  EXPECT_TRUE(std::regex_match(got, std::regex(" {0,8}\\d{1,9} : hello 7\r\n {0,8}\\d{1,9} : bye\r\n"))) << got;
  ASSERT_NE(TCPLogSockets[0], nullptr);
  EXPECT_TRUE(TCPLogSockets[0]->flags & sockflags_log_client);
  std::string file = ReadFileText(dir_ / "net.log");
  EXPECT_NE(file.find("file only\n"), std::string::npos);
}

TEST_F(NetworkLog, TenClientsAtMostAndFailedOnesAreDropped) {
  Log("open");
  std::vector<std::unique_ptr<RealTCPConnection>> clients;
  for (int i = 0; i < 11; ++i) {
    clients.push_back(Client());
    Log("line %d", i);  // each line accepts one waiting client
  }
  int slots = 0;
  for (RealTCPConnection* c : TCPLogSockets) slots += c != nullptr;
  EXPECT_EQ(slots, 10);
  // The eleventh was closed at once.
  EXPECT_EQ(Drain(*clients[10], 1), "");
  EXPECT_TRUE(clients[10]->flags & sockflags_fatal_error);

  // A client that goes away is dropped without disturbing the others.
  clients[3].reset();
  for (int i = 0; i < 5 && TCPLogSockets[3]; ++i) {
    Log("after close %d", i);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(TCPLogSockets[3], nullptr);
  Log("still here");
  EXPECT_NE(Drain(*clients[4], 100000, "still here\r\n").find("still here\r\n"), std::string::npos);
  // The freed slot takes the next client.
  auto late = Client();
  Log("welcome");
  Log("to the log");
  EXPECT_NE(Drain(*late, 10000, "to the log\r\n").find("to the log\r\n"), std::string::npos);
}

// A client that stops reading fills its socket buffer; the line that meets
// the full buffer waits once (the send wait) and marks it failed, the next
// line drops it, and the file and the reading client miss nothing.
TEST_F(NetworkLog, ClientThatStopsReadingIsDroppedAfterTheSendWait) {
  Log("open");
  auto stalled = Client();
  Log("accept stalled");
  auto reader = Client();
  Log("accept reader");
  ASSERT_NE(TCPLogSockets[0], nullptr);
  ASSERT_NE(TCPLogSockets[1], nullptr);
  std::string received;
  auto drainReader = [&] {
    char buf[65536];
    for (long n; (n = reader->Receive(buf, sizeof buf)) > 0;) received.append(buf, size_t(n));
  };
  const std::string filler(400, 'f');
  int lines = 0, slowLines = 0;
  for (; lines < 200000 && TCPLogSockets[0]; ++lines) {
    auto before = std::chrono::steady_clock::now();
    Log("line %d %s", lines, filler.c_str());
    if (std::chrono::steady_clock::now() - before > std::chrono::milliseconds(300)) ++slowLines;
    drainReader();
  }
  ASSERT_EQ(TCPLogSockets[0], nullptr) << "still connected after " << lines << " lines";
  EXPECT_EQ(slowLines, 1) << "one send wait, then the client is given up";
  ASSERT_NE(TCPLogSockets[1], nullptr);
  Log("after the drop");
  received += Drain(*reader, 100000000, "after the drop\r\n");
  size_t at = 0;
  for (int i = 0; i < lines && at != std::string::npos; ++i) {
    at = received.find(" : line " + std::to_string(i) + " " + filler + "\r\n", at);
    EXPECT_NE(at, std::string::npos) << "line " << i << " did not reach the reading client";
  }
  EXPECT_NE(received.find("after the drop\r\n"), std::string::npos);
  // The end of the file (the whole is megabytes): the last lines are there.
  std::ifstream log(dir_ / "net.log", std::ios::binary | std::ios::ate);
  log.seekg(-2000, std::ios::end);
  std::string tail(2000, '\0');
  log.read(tail.data(), long(tail.size()));
  EXPECT_NE(tail.find(" : line " + std::to_string(lines - 1) + " " + filler + "\n"), std::string::npos);
  EXPECT_NE(tail.find(" : after the drop\n"), std::string::npos);
}

TEST_F(NetworkLog, PortInUseLeavesTheLogWorkingWithoutClients) {
  RealTCPConnection squatter(port_);
  ASSERT_TRUE(squatter.flags & sockflags_connected);
  Log("first");
  Log("second");
  ASSERT_NE(LogAcceptPort, nullptr);
  EXPECT_EQ(LogAcceptPort->socket, 0u);
  EXPECT_TRUE(LogAcceptPort->flags & sockflags_bind_failed);
  EXPECT_NE(ReadFileText(dir_ / "net.log").find("second\n"), std::string::npos);
}
