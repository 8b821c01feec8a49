// The download window's reports as its parent receives them: a GUI object
// that keeps every report (status, name, and the error text of a failure).
#pragma once

#include <string>
#include <vector>

#include "gui/gui_object.h"
#include "transport/http_download.h"
#include "update/download_window.h"

struct DownloadReport {
  int status;
  std::string name;
  std::string error;
};

class DownloadReportRecorder : public GUIObject {
 public:
  using GUIObject::GUIObject;
  std::vector<DownloadReport> reports;
  int HandleMessage(int msg, int a, int b, void* p, void* q) override {
    if (msg == kDownloadReportMessage)
      reports.push_back({a, static_cast<const char*>(q), a == kDownloadFailed && p ? static_cast<const char*>(p) : ""});
    return 1;
  }
};
