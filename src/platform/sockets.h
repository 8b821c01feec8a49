// TCP sockets for the connection layer: IPv4 and IPv6 stream sockets, always
// non-blocking once set up, name resolution and readiness polling.
//
// Handles are small positive numbers; 0 means "no socket" (the descriptor plus
// one, so descriptor 0 is still usable). Errors are reported as the Windows
// Sockets error numbers below, so that the layers above keep one meaning for
// each condition whatever the system underneath calls it. Nothing here logs or
// ends the program.
#pragma once

#include <cstdint>

typedef unsigned PlatSocket;

// Error numbers (Windows Sockets meanings).
enum : int {
  kSockOk = 0,
  kSockInterrupted = 10004,  // call interrupted by a signal
  kSockBadHandle = 10009,
  kSockAccess = 10013,
  kSockFault = 10014,
  kSockInvalid = 10022,
  kSockTooManyOpen = 10024,  // out of descriptors
  kSockWouldBlock = 10035,   // nothing to do now (also: connect in progress)
  kSockInProgress = 10036,
  kSockAlready = 10037,  // a connect is already pending
  kSockMessageSize = 10040,
  kSockAddressInUse = 10048,
  kSockAddressNotAvailable = 10049,
  kSockNetworkDown = 10050,
  kSockNetworkUnreachable = 10051,
  kSockNetworkReset = 10052,
  kSockConnectionAborted = 10053,
  kSockConnectionReset = 10054,
  kSockNoBuffers = 10055,
  kSockAlreadyConnected = 10056,
  kSockNotConnected = 10057,
  kSockShutdown = 10058,  // the connection was shut down (broken pipe)
  kSockTimedOut = 10060,
  kSockConnectionRefused = 10061,
  kSockHostUnreachable = 10065,
  kSockHostNotFound = 11001,
  kSockTryAgain = 11002,  // temporary lookup failure
  kSockNoRecovery = 11003,
  kSockNoData = 11004,
  kSockOther = 10100,  // anything without a closer meaning
};

// Maps a system error number (errno) to the numbers above.
int PlatSocketErrorFromErrno(int err);

// An address of either family: IPv4 in the first 4 bytes, IPv6 in all 16
// (network order).
enum PlatFamily : unsigned char { kPlatIPv4 = 4, kPlatIPv6 = 6 };
struct PlatAddress {
  PlatFamily family;
  unsigned char bytes[16];
};

// A new non-blocking IPv4 stream socket (close-on-exec), or 0 with *error set.
PlatSocket PlatSocketOpen(int* error);
// The same for either family.
PlatSocket PlatSocketOpenFamily(PlatFamily family, int* error);
void PlatSocketClose(PlatSocket s);

// Binds to the any-address on port (host order; 0 picks one) and listens with
// the given backlog. Address reuse is allowed so a restarted listener does not
// wait for old connections to time out. Return 0 or an error number.
int PlatSocketBindAny(PlatSocket s, uint16_t port);
int PlatSocketListen(PlatSocket s, int backlog);
// The local port a socket is bound to (host order), 0 on failure.
uint16_t PlatSocketLocalPort(PlatSocket s);

// Starts a connect to addr (4 bytes, network order) and port (host order).
// Returns 0 when connected at once, kSockWouldBlock while it is pending, or
// another error number.
int PlatSocketConnect(PlatSocket s, const unsigned char addr[4], uint16_t port);
// The same for an address of either family (the socket's).
int PlatSocketConnectAddress(PlatSocket s, const PlatAddress& addr, uint16_t port);
// Waits up to timeoutMs (0: just look) for a pending connect to end. Returns
// 0 when connected, kSockWouldBlock while still pending, else the error.
int PlatSocketConnectStatus(PlatSocket s, int timeoutMs);

// Sends up to len bytes without raising a signal on a closed peer. Returns the
// count sent (>= 0) or minus an error number.
long PlatSocketSend(PlatSocket s, const void* data, unsigned long len);
// Receives up to len bytes. Returns the count (> 0), 0 when the peer has
// closed its side, or minus an error number (-kSockWouldBlock: nothing there).
long PlatSocketReceive(PlatSocket s, void* buffer, unsigned long len);

// Accepts one waiting client; the new socket is non-blocking. Returns 0 with
// *error set when none (kSockWouldBlock) or on failure. addr/port receive the
// peer's address (network order) and port (host order).
PlatSocket PlatSocketAccept(PlatSocket listener, unsigned char addr[4], uint16_t* port, int* error);

// Readiness of a set of sockets.
struct PlatPollItem {
  PlatSocket socket;
  bool wantRead;
  bool wantWrite;
  // results
  bool readable;  // data or a close waiting (or a client to accept)
  bool writable;
  bool failed;  // error or hang-up reported
};
// Waits until one item is ready: timeoutMs < 0 waits without limit, 0 looks
// without waiting. Interrupted waits are repeated. Returns the number of ready
// items, or minus an error number.
int PlatSocketPoll(PlatPollItem* items, int count, int timeoutMs);

// Resolves name to its stream addresses of both families, in the order the
// system's resolver gives them (its address selection rules), each one once;
// at most max of them go to out and *count says how many. Returns 0 or an
// error number (kSockHostNotFound, kSockTryAgain, ...; kSockNoData when the
// name has no address).
int PlatResolveHost(const char* name, PlatAddress* out, int max, int* count);
// True when text is an IPv6 address literal ("::1", "2001:db8::5"); its 16
// bytes go to out.
bool PlatParseIPv6(const char* text, unsigned char out[16]);

// Several sockets and an alarm behind one handle that a poll for reading
// (PlatPollItem with wantRead) finds ready when one of the sockets can be
// written to or has failed, or when the alarm has rung: the connects of one
// connection racing each other are waited on as one socket.
struct PlatWaitGroup {
  PlatSocket handle = 0;  // poll this for reading
  int alarm = -1;         // the platform's own
};
// Returns 0 or an error number.
int PlatWaitGroupOpen(PlatWaitGroup* group);
void PlatWaitGroupClose(PlatWaitGroup* group);
// Watches s for the end of its connect; returns 0 or an error number.
int PlatWaitGroupAdd(PlatWaitGroup* group, PlatSocket s);
void PlatWaitGroupRemove(PlatWaitGroup* group, PlatSocket s);
// Rings the alarm once after ms milliseconds (negative: never); setting it
// again silences one that has rung.
void PlatWaitGroupSetAlarm(PlatWaitGroup* group, long ms);
// This machine's IPv4 addresses (network order), up to max of them, loopback
// last. Returns the count, or minus an error number.
int PlatLocalIPv4Addresses(unsigned char (*addrs)[4], int max);
