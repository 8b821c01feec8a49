// The message ids of the launcher's main window: what its screens' buttons,
// its dialog boxes, the connection settings window and the download window
// send, and what the main window's HandleMessage answers. The numbers are
// the protocol and are kept as they are; the toolkit's own ids (gui_messages.h)
// reach the same HandleMessage, so the two sets must stay apart. The ids the
// update engine's windows send are defined there and named here.
#pragma once

#include "gui/gui_messages.h"
#include "update/connection_messages.h"
#include "update/download_window.h"

enum LauncherMessage : int {
  // Menu screen.
  MsgLaunch = 100,
  // Start-up with "-u": ask whether to uninstall.
  MsgAskUninstall = 101,
  MsgInstall = 102,
  // Install screen.
  MsgBrowseDirectory = 103,
  MsgInstallNext = 104,
  // "Directory does not exist, ok to create it?"
  MsgCreateDirectoryYes = 105,
  MsgCreateDirectoryNo = 106,
  // Connection settings and proxy log-on windows: OK.
  MsgConnectionOk = kConnectionOk,
  // Progress screen: Cancel.
  MsgCancelProgress = 108,
  // "Cancel Uninstall?"
  MsgCancelUninstallYes = 109,
  MsgCancelUninstallNo = 110,
  // The cancel-installation question: No.
  MsgCancelInstallNo = 114,
  // The uninstall question.
  MsgUninstallYes = 115,
  MsgUninstallNo = 116,
  // Terms of Service screen.
  MsgTermsAgree = 118,
  MsgTermsDisagree = 119,
  // Menu screen: Settings opens the connection settings window.
  MsgSettings = 120,
  // Connection settings and proxy log-on windows: Cancel.
  MsgConnectionCancel = kConnectionCancel,
  MsgDetectProxy = kConnectionDetect,
  // The question after detecting the system's proxy.
  MsgUseDetectedYes = kConnectionUseDetected,
  MsgUseDetectedNo = kConnectionIgnoreDetected,
  // Connection settings toggles.
  MsgProxyToggled = kConnectionProxyToggled,
  MsgLogonToggled = kConnectionLogonToggled,
  // Closing message of fatal warnings and Yes of the cancel questions: the
  // program ends.
  MsgEndProgram = 127,
  // Update engine: show the text (first pointer) as a warning.
  MsgShowWarning = 128,
  // A critical file was not fetched and the player acknowledged it.
  MsgCriticalFilesMissing = 129,
  // Menu screen: the "Scan All Files" box.
  MsgScanAllFiles = 130,
  // Closing message of ordinary warnings.
  MsgWarningClosed = kConnectionWarningClosed,
  // The retry question after a failed transfer.
  MsgRetryYes = 5009,
  MsgRetryNo = 5010,
  // Download window, to its parent: a transfer left the queue (a = status,
  // p = error text or the window, q = file name).
  MsgDownloadReport = kDownloadReportMessage,
  // Download window's error button; passed on to the parent unchanged.
  MsgDownloadErrorButton = kDownloadErrorButtonMessage,
  // Passed on by the download window to its parent unchanged.
  MsgDownloadPassOn = kDownloadPassOnMessage,
};

inline constexpr LauncherMessage kLauncherMessages[] = {
    MsgLaunch,
    MsgAskUninstall,
    MsgInstall,
    MsgBrowseDirectory,
    MsgInstallNext,
    MsgCreateDirectoryYes,
    MsgCreateDirectoryNo,
    MsgConnectionOk,
    MsgCancelProgress,
    MsgCancelUninstallYes,
    MsgCancelUninstallNo,
    MsgCancelInstallNo,
    MsgUninstallYes,
    MsgUninstallNo,
    MsgTermsAgree,
    MsgTermsDisagree,
    MsgSettings,
    MsgConnectionCancel,
    MsgDetectProxy,
    MsgUseDetectedYes,
    MsgUseDetectedNo,
    MsgProxyToggled,
    MsgLogonToggled,
    MsgEndProgram,
    MsgShowWarning,
    MsgCriticalFilesMissing,
    MsgScanAllFiles,
    MsgWarningClosed,
    MsgRetryYes,
    MsgRetryNo,
    MsgDownloadReport,
    MsgDownloadErrorButton,
    MsgDownloadPassOn,
};

// The download report's status argument.
enum DownloadReportStatus : int {
  kReportFetched = 0,
  kReportFailed = 2,
  kReportUnchanged = 4,
};
