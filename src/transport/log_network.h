// The network side of the log: a listening connection on TCPLogPort and up to
// 10 clients that receive every line written with Log. Registered with the
// log at start-up; the log calls it with its own mutex held.
#pragma once

class RealTCPConnection;

constexpr int kMaxLogClients = 10;

extern RealTCPConnection* LogAcceptPort;
extern RealTCPConnection* TCPLogSockets[kMaxLogClients];

// Opens the port on first use and accepts at most one waiting client, which
// takes the first free slot or, with all taken, is closed at once.
void AcceptLogClients(int port);
// Sends text and "\r\n" to each client in slot order; a client whose
// connection has failed is closed and its slot freed.
void SendToLogClients(const char* text);
// Closes the clients and the port (at exit, and in tests).
void CloseLogNetwork();
