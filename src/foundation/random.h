// The process-wide pseudo-random generator: two additive lagged-Fibonacci
// rings of 32-bit words. The main ring is seeded from a constant at start-up,
// so the sequence is the same on every run; the auxiliary ring starts at zero
// and takes outside entropy through AddRandomData / RandomizeAux.
//
// Every public function holds RandLock for its whole work, so values drawn
// from several threads are each a distinct step of the one sequence.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/mutex.h"

constexpr int kRandMainSize = 55;
constexpr int kRandAuxSize = 68;
constexpr uint32_t kRandStartSeed = 0x1234567;

extern pthread_mutex_t RandLock;
extern uint32_t RandY[kRandMainSize];
extern uint32_t* rand_j;  // element 23 after seeding
extern uint32_t* rand_k;  // element 54 after seeding
extern uint32_t Aux_RandY[kRandAuxSize];
extern uint32_t* aux_rand_j;           // element 34 after seeding
extern uint32_t* aux_rand_k;           // element 67 after seeding
extern int aux_cur_randomization_idx;  // next element AddRandomData stirs
extern unsigned long RandomCounter;    // values drawn since the last seeding

// Registered initialiser: seeds with 0x1234567.
void InitSystem();
// Reseeds the main ring from seed and clears the auxiliary ring.
void Randomize(uint32_t seed);
// Copies 68 words into the auxiliary ring and resets its pointers and the
// stirring index.
void RandomizeAux(const uint32_t* words);
// Adds value to the auxiliary element at the stirring index and advances it.
void AddRandomData(uint32_t value);

uint32_t URand();
int32_t LRand();
// 0 to 2^31 - 1.
uint32_t PosRand();
// 0 to n - 1 (0 for n of 0 or 1).
uint32_t RangeRand(uint32_t n);
// lo to hi inclusive (hi >= lo).
int RangeRand(int lo, int hi);
// 0 to 1, both ends possible, in steps of 1/32767.
float FRand();
// -1 to 1.
float FRand1();
// lo up to hi.
float FRangeRand(float lo, float hi);
// Fills count bytes, each the top 8 bits of its own draw; the lock is taken
// once per byte.
void TrueRand(void* buffer, size_t count);
