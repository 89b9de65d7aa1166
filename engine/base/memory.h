// Tracked memory: every engine block carries a 64-byte header, is linked into one list of live
// blocks, and can be checked for damage and dumped to the log. TRACKED_ALLOC records the caller.
#pragma once
#include <cstddef>
#include <cstdint>

void* TrackedAlloc(size_t size, const char* name, int line);
void* TrackedCalloc(size_t size, const char* name, int line);
void TrackedFree(void* p);
int CheckAllocations();
void DumpAllocations();

#define TRACKED_ALLOC(size) TrackedAlloc((size), __FILE__, __LINE__)
#define TRACKED_CALLOC(size) TrackedCalloc((size), __FILE__, __LINE__)
