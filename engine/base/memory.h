// Tracked memory: every engine block carries a header in front of it, is linked into one list of
// live blocks, and can be checked for damage and dumped to the log. TRACKED_ALLOC records the
// caller. On top of it: a growable byte ring buffer and a small intrusive doubly linked list.
// Allocation, free and the dump are safe from any thread.
#pragma once
#include <cstddef>
#include <cstdint>

// The header is 64 bytes where pointers are 4 bytes; with 8-byte links it is 80, still a multiple
// of 16 so that the caller's block stays aligned. The guard is a copy of every field before it.
struct TrackedBlockHeader {
  char name[16];                  // last 15 characters of the allocating code's name
  uint16_t id;                    // running allocation number, wraps at 65536
  int16_t line;
  uint32_t size;                  // bytes requested
  TrackedBlockHeader* next;       // next older block, or the end sentinel
  TrackedBlockHeader* previous;   // next newer block, or null for the newest
  unsigned char guard[40];
};
constexpr size_t TRACKED_HEADER_SIZE = sizeof(TrackedBlockHeader);
constexpr size_t TRACKED_GUARDED_BYTES = offsetof(TrackedBlockHeader, guard);
static_assert(TRACKED_HEADER_SIZE == 80 && TRACKED_GUARDED_BYTES == 40);

void* TrackedAlloc(size_t size, const char* name, int line);    // null on failure (after a dump)
void* TrackedCalloc(size_t size, const char* name, int line);   // zero-filled
void TrackedFree(void* p);                                      // nothing for null
int CheckAllocations();                                         // 0, or -1 for a damaged header
void DumpAllocations();
void GetAllocationTotals(int64_t* bytes, int* count);           // either pointer may be null

// Trace settings; all 0 in this program.
extern int32_t g_MemTraceAll;             // log every allocation and free
extern int32_t g_MemTraceTotals;          // log the totals after every call
extern int32_t g_MemCheckEveryCall;       // run CheckAllocations on every call
extern int32_t g_MemTraceSize;            // log calls of this size; negative: every call

#define TRACKED_ALLOC(size) TrackedAlloc((size), __FILE__, __LINE__)
#define TRACKED_CALLOC(size) TrackedCalloc((size), __FILE__, __LINE__)

// Frees every block of a pointer list (null entries skipped) and empties it.
int FreePointerList(void** blocks, int* count);

// Bytes between the read and the write position, wrapping at the capacity.
struct RingBuffer {
  uint8_t* data;
  int32_t readPos;
  int32_t writePos;
  int32_t dataLength;
  int32_t capacity;
};
int RingBufferReserve(int n, RingBuffer* ring);   // room for n more bytes: 0, or -1 (data kept)
void RingBufferWrap(RingBuffer* ring);            // a position at the capacity becomes 0
int RingBufferFree(RingBuffer* ring);             // 0

// Head and tail sentinels carry the value -1.
struct ListNode {
  int32_t value;
  void* data;
  ListNode* previous;
  ListNode* next;
};
int ListInit(ListNode* head, ListNode* tail);
int ListInsertAfter(ListNode* position, ListNode* node, int32_t value, void* data);
int ListRemove(ListNode* node);
