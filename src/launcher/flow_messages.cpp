#include "launcher/zindle_window.h"
void ZindleWindow::OnLaunch() {}
void ZindleWindow::OnInstall() {}
void ZindleWindow::OnCreateDirectoryYes() {}
void ZindleWindow::OnUninstallYes() {}
void ZindleWindow::OnUninstallNo() {}
void ZindleWindow::OnTermsAgree() {}
void ZindleWindow::OnCriticalFilesMissing() {}
void ZindleWindow::OnRetryYes() {}
void ZindleWindow::OnRetryNo() {}
void ZindleWindow::OnDownloadReport(int, const char*, const char*) {}
