#include "foundation/random.h"

#include <cstring>

#include "foundation/runtime.h"

pthread_mutex_t RandLock = PTHREAD_MUTEX_INITIALIZER;
uint32_t RandY[kRandMainSize];
uint32_t* rand_j;
uint32_t* rand_k;
uint32_t Aux_RandY[kRandAuxSize];
uint32_t* aux_rand_j;
uint32_t* aux_rand_k;
int aux_cur_randomization_idx;
unsigned long RandomCounter;

namespace {
StartupRegistration registration(InitSystem);

struct Locked {
  Locked() { pthread_mutex_lock(&RandLock); }
  ~Locked() { pthread_mutex_unlock(&RandLock); }
};

void ResetAuxPointers() {
  aux_rand_j = Aux_RandY + 34;
  aux_rand_k = Aux_RandY + 67;
  aux_cur_randomization_idx = 0;
}

// Called with the lock held.
void SeedLocked(uint32_t x) {
  RandomCounter = 0;
  for (int i = 0; i < kRandMainSize; ++i) {
    RandY[i] = x;
    x = (x + 1) * 0xBB40E62Du;
  }
  rand_j = RandY + 23;
  rand_k = RandY + 54;
  std::memset(Aux_RandY, 0, sizeof Aux_RandY);
  ResetAuxPointers();
}

// One step of both rings, with the lock held.
uint32_t DrawLocked() {
  if (!rand_j) SeedLocked(kRandStartSeed);  // a draw before start-up
  uint32_t a = *rand_j, b = *rand_k;
  *rand_k = a + b;
  ++RandomCounter;
  rand_j = rand_j == RandY ? RandY + kRandMainSize - 1 : rand_j - 1;
  rand_k = rand_k == RandY ? RandY + kRandMainSize - 1 : rand_k - 1;

  uint32_t c = *aux_rand_k, d = *aux_rand_j;
  *aux_rand_k = c + d;
  aux_rand_j = aux_rand_j == Aux_RandY ? Aux_RandY + kRandAuxSize - 1 : aux_rand_j - 1;
  aux_rand_k = aux_rand_k == Aux_RandY ? Aux_RandY + kRandAuxSize - 1 : aux_rand_k - 1;
  return a + b + c + d;
}

uint32_t Draw() {
  Locked lock;
  return DrawLocked();
}

// The high 32 bits of s × n.
inline uint32_t High(uint32_t s, uint32_t n) { return static_cast<uint32_t>((uint64_t(s) * n) >> 32); }
}  // namespace

void InitSystem() { Randomize(kRandStartSeed); }

void Randomize(uint32_t seed) {
  Locked lock;
  SeedLocked(seed);
}

void RandomizeAux(const uint32_t* words) {
  Locked lock;
  if (!rand_j) SeedLocked(kRandStartSeed);
  std::memcpy(Aux_RandY, words, sizeof Aux_RandY);
  ResetAuxPointers();
}

void AddRandomData(uint32_t value) {
  Locked lock;
  if (!rand_j) SeedLocked(kRandStartSeed);
  Aux_RandY[aux_cur_randomization_idx] += value;
  aux_cur_randomization_idx = aux_cur_randomization_idx == kRandAuxSize - 1 ? 0 : aux_cur_randomization_idx + 1;
}

uint32_t URand() { return Draw(); }
int32_t LRand() { return static_cast<int32_t>(Draw()); }
uint32_t PosRand() { return Draw() >> 1; }
uint32_t RangeRand(uint32_t n) { return High(Draw(), n); }
int RangeRand(int lo, int hi) {
  uint32_t span = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo) + 1u;
  return static_cast<int>(static_cast<uint32_t>(lo) + High(Draw(), span));
}
float FRand() { return static_cast<float>(High(Draw(), 32768)) * (1.0f / 32767.0f); }
float FRand1() { return static_cast<float>(static_cast<int>(High(Draw(), 65535)) - 32767) * (1.0f / 32767.0f); }
float FRangeRand(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(Draw() >> 1) / 2147483648.0f; }

void TrueRand(void* buffer, size_t count) {
  unsigned char* out = static_cast<unsigned char*>(buffer);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(High(Draw(), 256));
}
