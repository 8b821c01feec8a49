// Running one FileDownload in the test process, as the launcher drives it.
#pragma once

#include <string>

struct DownloadOutcome {
  int result = -1;
  std::string error;
  int percent = -1;
  std::string request;  // the request as sent
};

// Creates the download and calls Update until it ends (or about 30 seconds
// of real time pass: result -1), then resets it with its temp file removed.
DownloadOutcome RunDownload(const std::string& url, const std::string& name, const std::string& dir, int flags = 0,
                            const unsigned char* digest = nullptr);
