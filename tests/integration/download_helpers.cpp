#include "integration/download_helpers.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>

#include "transport/http_download.h"

DownloadOutcome RunDownload(const std::string& url, const std::string& name, const std::string& dir, int flags,
                            const unsigned char* digest) {
  DownloadOutcome o;
  auto d = std::make_unique<FileDownload>(url.c_str(), name.c_str(), flags, nullptr, dir.c_str(), digest);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int percent = -1;
  for (;;) {
    int r = d->Update(percent);
    if (r == kDownloadFinished || r == kDownloadFailed || r == kDownloadNotModified) {
      o.result = r;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) break;
    d->WaitForActivity(20);
  }
  o.error = d->ErrorString();
  o.percent = percent;
  o.request = d->Request();
  d->Reset(1);
  return o;
}
