// Key material from the operating system's random source.
//
// This is the only source of secret random bytes in the program (session
// keys, key-exchange exponents). The program's own generator
// (foundation/random.h) is deterministic by design and must never be used
// for secrets.
#pragma once

#include <cstddef>

// Fills buffer with count bytes from the kernel's random source, waiting
// only until that source has been seeded once after boot. Returns 1 on
// success, 0 when the source cannot be read (the buffer may then hold
// anything and must not be used).
int PlatGetEntropy(void* buffer, size_t count);
