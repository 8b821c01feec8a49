// The log: time-stamped lines ("%9d : " with clock()) in a text file and,
// when a log port is set, to TCP clients connected to it. Safe from any
// thread. The file is opened on the first line: "LOGFILENAME" names it,
// otherwise "game.log.<MYIPADR>" when that variable is set, else "game.log".
#pragma once

extern unsigned char LogEnabled;  // Log and FLog do nothing while 0
extern char LogFileName[260];
extern unsigned long FastLogs;  // 0: flush after every line
extern int TCPLogPort;          // -1: no network log

// printf-style; lines are cut to 512 bytes. Log also goes to log clients.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void FLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void __Log(const char* text, int toNetwork);

// The network log needs TCP connections, which live in a higher layer; that
// layer registers these at start-up. Both are called with the log's mutex held.
struct LogNetworkService {
  void (*acceptClients)(int port);          // open the port on first use, accept one pending client
  void (*sendToClients)(const char* text);  // send text + "\r\n" to each client, dropping failed ones
};
void SetLogNetworkService(const LogNetworkService* service);

// Forgets the open log file so that the next line opens it again (tests).
void ResetLogForTests();
