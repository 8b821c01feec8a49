// Allocation wrappers. Every allocation of the program goes through them,
// including the global operator new and delete, under global_lock.
#pragma once

#include <cstddef>

// Never returns null: a failed allocation ends the program through Fail.
void* MustAlloc(size_t size);
// The same allocation, returning null on failure.
void* GRTAlloc(size_t size);
void* AllocWrapper(size_t size);
// Releases memory from any of the above; null is ignored.
void GRTFree(void* p);
void FreeWrapper(void* p);

// The size of the heap block taken for a request: the request plus 7, rounded
// down to a multiple of 4, and at least 8 bytes.
size_t HeapBlockSize(size_t request);

// Heap usage recorded by MemInit; the exit report compares against these.
extern unsigned long StartHeapMem;
extern unsigned long StartHeapNodes;
// Bytes and blocks currently allocated through the wrappers.
unsigned long HeapBytesInUse();
unsigned long HeapNodesInUse();

void MemInit();
