// IPv4 datagram (UDP) sockets for the connection layer's datagram class.
//
// Handles and error numbers follow platform/sockets.h: a handle is the
// descriptor plus one (0: none), closed with PlatSocketClose, and errors are
// the Windows Sockets numbers there. Nothing here logs or ends the program.
#pragma once

#include <cstdint>

#include "platform/sockets.h"

// A new non-blocking datagram socket (close-on-exec) that may send to
// broadcast addresses, bound to the any-address on port (host order; 0 lets
// the system pick). Returns 0 with *error set on failure; *bindFailed tells
// whether it was the bind that failed.
PlatSocket PlatUdpOpen(uint16_t port, int* error, bool* bindFailed);

// Sends one datagram of length bytes to addr (4 bytes, network order) and
// port (host order). Returns length, or minus an error number
// (-kSockWouldBlock when the system cannot take it now).
long PlatUdpSendTo(PlatSocket s, const void* data, unsigned long length, const unsigned char addr[4], uint16_t port);

// Takes the next waiting datagram into buffer. Returns its length (0 is a
// valid, empty datagram), or minus an error number: -kSockWouldBlock when
// none is waiting, -kSockMessageSize when it was longer than capacity (it is
// then dropped). addr/port receive the sender (network order / host order).
long PlatUdpReceiveFrom(PlatSocket s, void* buffer, unsigned long capacity, unsigned char addr[4], uint16_t* port);
