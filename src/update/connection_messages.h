// The message ids of the connection settings and proxy log-on windows: what
// their buttons, toggles and boxes send, and the answers of the question and
// warning boxes their owner puts up. The owner's own table uses the same
// numbers for the same messages.
#pragma once

enum ConnectionMessage : int {
  kConnectionOk = 107,
  kConnectionCancel = 121,
  kConnectionDetect = 122,
  kConnectionUseDetected = 123,
  kConnectionIgnoreDetected = 124,
  kConnectionProxyToggled = 125,
  kConnectionLogonToggled = 126,
  kConnectionWarningClosed = 131,
};
