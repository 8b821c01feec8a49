#include "foundation/alloc.h"

#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "foundation/fail.h"
#include "foundation/runtime.h"

unsigned long StartHeapMem;
unsigned long StartHeapNodes;

namespace {
std::atomic<long> g_liveNodes{0};
std::atomic<long> g_liveBytes{0};
bool g_memInitDone = false;

void* RawAlloc(size_t size) {
  pthread_mutex_lock(&global_lock);
  void* p = std::malloc(HeapBlockSize(size));
  pthread_mutex_unlock(&global_lock);
  if (p) {
    g_liveNodes.fetch_add(1, std::memory_order_relaxed);
    g_liveBytes.fetch_add(long(malloc_usable_size(p)), std::memory_order_relaxed);
  }
  return p;
}

// Measures the heap once more when the program's statics are destroyed and
// reports what was left allocated beyond the start.
struct LeakReport {
  ~LeakReport() {
    if (!g_memInitDone) return;
    long bytes = long(HeapBytesInUse()) - long(StartHeapMem);
    long nodes = long(HeapNodesInUse()) - long(StartHeapNodes);
    if (bytes > 12288 || nodes > 12) {
      std::fprintf(stderr, "\nHEAP allocation report:\n");
      std::fprintf(stderr, "Memory allocated at exit=%ld. HeapNodes used=%ld.\n", bytes, nodes);
    }
  }
} g_leakReport;

StartupRegistration g_registration(MemInit);
}  // namespace

size_t HeapBlockSize(size_t request) {
  size_t n = (request + 7) & ~size_t(3);
  if (n < request) return request;  // wrapped: let malloc refuse it
  return n < 8 ? 8 : n;
}

void* GRTAlloc(size_t size) { return RawAlloc(size); }
void* AllocWrapper(size_t size) { return RawAlloc(size); }

void* MustAlloc(size_t size) {
  void* p = RawAlloc(size);
  // The size in full: requests of 2 GB and more are the likely failures.
  if (!p) Fail("Failed to allocate %s bytes\n", std::to_string(size).c_str());
  return p;
}

void GRTFree(void* p) {
  if (!p) return;
  g_liveNodes.fetch_sub(1, std::memory_order_relaxed);
  g_liveBytes.fetch_sub(long(malloc_usable_size(p)), std::memory_order_relaxed);
  pthread_mutex_lock(&global_lock);
  std::free(p);
  pthread_mutex_unlock(&global_lock);
}

void FreeWrapper(void* p) { GRTFree(p); }

// The program's own heap usage: the C heap's usable size of every block taken
// through the wrappers and not yet released. Libraries that call malloc
// directly (SDL, FreeType) are not counted.
unsigned long HeapBytesInUse() {
  long n = g_liveBytes.load();
  return n < 0 ? 0 : static_cast<unsigned long>(n);
}

unsigned long HeapNodesInUse() {
  long n = g_liveNodes.load();
  return n < 0 ? 0 : static_cast<unsigned long>(n);
}

void MemInit() {
  // Grow the heap by a megabyte before the program starts allocating.
  void* p = std::malloc(1048580);
  std::free(p);
  StartHeapMem = HeapBytesInUse();
  StartHeapNodes = HeapNodesInUse();
  g_memInitDone = true;
}

void* operator new(size_t size) { return MustAlloc(size); }
void* operator new[](size_t size) { return MustAlloc(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return GRTAlloc(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return GRTAlloc(size); }
void operator delete(void* p) noexcept { GRTFree(p); }
void operator delete[](void* p) noexcept { GRTFree(p); }
void operator delete(void* p, size_t) noexcept { GRTFree(p); }
void operator delete[](void* p, size_t) noexcept { GRTFree(p); }
