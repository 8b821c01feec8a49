// A server that sends the header and a tenth of the body, then nothing: the
// download window, driven as the launcher drives it, gives the transfer up
// once no data has come for the time-out (on the test clock), reports the
// failure with its reason, queues the file again behind the others and goes
// on with the next one. The launcher's retry question follows from such
// reports as from any other failure.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "foundation/program_clock.h"
#include "gui/frame_pump.h"
#include "gui/gui_fixture.h"
#include "gui/gui_timers.h"
#include "integration/download_reports.h"
#include "support/files.h"
#include "support/manual_clock.h"
#include "support/peers.h"
#include "support/temp_dir.h"
#include "transport/http_download.h"
#include "transport/transport_globals.h"
#include "update/download_window.h"
#include "update/update_globals.h"

namespace {

using Report = DownloadReport;
using Parent = DownloadReportRecorder;

constexpr uint64_t kSecond = 1000000000ull;

class DownloadStallTest : public GUITest {
 protected:
  void SetUp() override {
    GUITest::SetUp();
    ResetUpdateGlobals();
    // The byte count the test waits on is left over from any transfer run
    // before it in the same process.
    ResetTransportGlobals();
    ResetFramePump();
    ASSERT_EQ(server_.Start(), "");
    parent_ = new Parent(0, 0, 640, 480);
    AddTopLevelObject(parent_);
    const std::string url = "http://127.0.0.1:" + std::to_string(server_.port()) + "/";
    window_ = new DownloadWindow(parent_, url.c_str(), nullptr, nullptr, (install_.path() + "/").c_str(), nullptr);
    window_->Downloads.SetSecondsToWaitForDownloadRetry(0);
  }
  void TearDown() override {
    ResetUpdateGlobals();
    GUITest::TearDown();
  }
  // One GUI tick (which advances the transfer), then a little real time for
  // the server. The pump's socket wait is not used: its time-out runs on the
  // program clock, which stands still here.
  void Turn() {
    GUITimerTick();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  FaultServerPeer server_;
  TempDir install_;
  Parent* parent_ = nullptr;
  DownloadWindow* window_ = nullptr;
};

}  // namespace

TEST_F(DownloadStallTest, AStalledTransferFailsAfterTheTimeOutAndTheNextFileRuns) {
  MinTransferRate = 0;  // the 360-second rule alone
  MaxConnections = 1;   // the stalled file holds the only slot
  ScopedManualClock clock(5 * kSecond);
  ResetTimer();
  std::filesystem::create_directories(install_ / "ok");
  window_->Downloads.AddNewDownload("ok/after.txt", nullptr, nullptr, 1, nullptr);
  window_->Downloads.AddNewDownload("stall", nullptr, nullptr, 1, nullptr);  // the newest runs first

  // Real time passes while the first tenth arrives; program time stands still.
  for (int i = 0; i < 400 && TotalAmtRecieved < 100; ++i) Turn();
  ASSERT_EQ(TotalAmtRecieved, 100u) << "the stalling answer never started";
  ASSERT_EQ(window_->Downloads.Running().size(), 1u);
  EXPECT_TRUE(parent_->reports.empty());

  // Silence for a little less than the time-out keeps the transfer.
  clock.Advance(359 * kSecond);
  Turn();
  EXPECT_TRUE(parent_->reports.empty()) << parent_->reports[0].error;
  // Time the transfer was held by a question is not the server's silence:
  // the time-out counts again from the resume.
  window_->Downloads.SetPaused(true);
  clock.Advance(600 * kSecond);
  Turn();
  window_->Downloads.SetPaused(false);
  clock.Advance(359 * kSecond);
  Turn();
  EXPECT_TRUE(parent_->reports.empty()) << parent_->reports[0].error;

  clock.Advance(2 * kSecond);
  Turn();
  ASSERT_FALSE(parent_->reports.empty());
  const Report& stalled = parent_->reports[0];
  EXPECT_EQ(stalled.status, kDownloadFailed);
  EXPECT_EQ(stalled.name, "stall");
  EXPECT_NE(stalled.error.find("has timed out, please check your connection."), std::string::npos) << stalled.error;
  EXPECT_FALSE(FileExists(install_ / "stall")) << "a stalled transfer leaves no file";

  // The next file goes ahead; the stalled one waits behind it.
  for (int i = 0; i < 400 && parent_->reports.size() < 2; ++i) Turn();
  ASSERT_GE(parent_->reports.size(), 2u);
  EXPECT_EQ(parent_->reports[1].name, "ok/after.txt");
  EXPECT_EQ(parent_->reports[1].status, kDownloadFinished) << parent_->reports[1].error;
  EXPECT_TRUE(ReadFileText(install_ / "ok/after.txt") == FaultBody("after.txt", 5000));
  clock.Restore();
  ResetTimer();
}
