// Tracked memory, ring buffers and lists.
#include "engine/base/memory.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "engine/base/log.h"
#include "platform/sync.h"

int32_t g_MemTraceAll = 0;
int32_t g_MemTraceTotals = 0;
int32_t g_MemCheckEveryCall = 0;
int32_t g_MemTraceSize = 0;

namespace {

TrackedBlockHeader* g_Head = nullptr;   // newest block; the sentinel once anything was allocated
TrackedBlockHeader g_EndSentinel;       // never freed, never checked
uint16_t g_NextId = 0;
int64_t g_TotalBytes = 0;
int g_LiveCount = 0;

// Recursive: a dump logs, and a long log line takes a tracked buffer.
plat::CriticalSection& MemGuard() {
  static plat::CriticalSection cs;
  return cs;
}

void RefreshGuard(TrackedBlockHeader* h) {
  if (h && h != &g_EndSentinel) memcpy(h->guard, h, TRACKED_GUARDED_BYTES);
}

bool GuardIntact(const TrackedBlockHeader* h) { return memcmp(h->guard, h, TRACKED_GUARDED_BYTES) == 0; }

void LogTotals() {
  LogPrintf("\tTotal size:%" PRId64 "(%.3fkb)  Alloc num:%d", g_TotalBytes, g_TotalBytes / 1024.0,
            g_LiveCount);
}

void TraceCall(const char* what, const TrackedBlockHeader* h) {
  if (g_MemTraceSize < 0 || static_cast<uint32_t>(g_MemTraceSize) == h->size || g_MemTraceAll) {
    LogWrite(what);
    LogMemoryBlock(h);
  }
  if (g_MemTraceTotals) LogTotals();
}

}  // namespace

void* TrackedAlloc(size_t size, const char* name, int line) {
  // The header records a 32-bit size; anything larger (or wrapping with the header) is refused.
  void* raw = nullptr;
  if (size <= UINT32_MAX - TRACKED_HEADER_SIZE) raw = malloc(size + TRACKED_HEADER_SIZE);
  if (!raw) {
    DumpAllocations();
    return nullptr;
  }
  auto* h = static_cast<TrackedBlockHeader*>(raw);
  memset(h, 0, TRACKED_HEADER_SIZE);
  h->size = static_cast<uint32_t>(size);
  if (name) {
    size_t len = strlen(name);
    const char* tail = len > 15 ? name + (len - 15) : name;
    memcpy(h->name, tail, strlen(tail));
  }
  h->line = static_cast<int16_t>(line);

  MemGuard().Enter();
  h->id = g_NextId++;
  if (!g_Head) g_Head = &g_EndSentinel;
  TrackedBlockHeader* old = g_Head;
  old->previous = h;
  h->next = old;
  h->previous = nullptr;
  g_Head = h;
  RefreshGuard(h);
  RefreshGuard(old);
  g_TotalBytes += size;
  g_LiveCount += 1;
  TraceCall("mem alloc  ", h);
  if (g_MemCheckEveryCall) CheckAllocations();
  MemGuard().Leave();
  return reinterpret_cast<unsigned char*>(h) + TRACKED_HEADER_SIZE;
}

void* TrackedCalloc(size_t size, const char* name, int line) {
  void* p = TrackedAlloc(size, name, line);
  if (p) memset(p, 0, size);
  return p;
}

void TrackedFree(void* p) {
  if (!p) return;
  auto* h = reinterpret_cast<TrackedBlockHeader*>(static_cast<unsigned char*>(p) - TRACKED_HEADER_SIZE);
  MemGuard().Enter();
  g_TotalBytes -= h->size;
  g_LiveCount -= 1;
  if (g_MemCheckEveryCall) CheckAllocations();
  TrackedBlockHeader* next = h->next;
  TrackedBlockHeader* prev = h->previous;
  if (next) next->previous = prev;
  if (prev) prev->next = next;
  if (g_Head == h) g_Head = next;
  RefreshGuard(next);
  RefreshGuard(prev);
  TraceCall("mem free  ", h);
  MemGuard().Leave();
  free(h);
}

int CheckAllocations() {
  MemGuard().Enter();
  int result = 0;
  for (TrackedBlockHeader* h = g_Head; h && h != &g_EndSentinel; h = h->next) {
    // Checked before its next pointer is followed, so a damaged link is never walked.
    if (!GuardIntact(h)) {
      LogPrintf("以下のメモリ確保情報が破損しました");
      LogMemoryBlock(h);
      result = -1;
      break;
    }
  }
  MemGuard().Leave();
  return result;
}

void DumpAllocations() {
  MemGuard().Enter();
  LogWrite("\n");
  LogPrintf("Alloc memory dump");
  for (TrackedBlockHeader* h = g_Head; h && h != &g_EndSentinel; h = h->next) LogMemoryBlock(h);
  LogTotals();
  LogWrite("\n");
  MemGuard().Leave();
}

void GetAllocationTotals(int64_t* bytes, int* count) {
  MemGuard().Enter();
  if (bytes) *bytes = g_TotalBytes;
  if (count) *count = g_LiveCount;
  MemGuard().Leave();
}

int FreePointerList(void** blocks, int* count) {
  for (int i = 0; i < *count; ++i) {
    TrackedFree(blocks[i]);
    blocks[i] = nullptr;
  }
  *count = 0;
  return 0;
}

void RingBufferWrap(RingBuffer* ring) {
  if (ring->readPos == ring->capacity) ring->readPos = 0;
  if (ring->writePos == ring->capacity) ring->writePos = 0;
}

int RingBufferReserve(int n, RingBuffer* ring) {
  RingBufferWrap(ring);
  const int64_t needed = static_cast<int64_t>(ring->dataLength) + n;
  if (ring->capacity >= needed) return 0;
  // A capacity past the 32-bit positions is refused like a failed allocation; either way the
  // stored bytes stay where they are.
  const int64_t newCapacity = needed + 1000;
  uint8_t* block = nullptr;
  if (newCapacity <= INT32_MAX) block = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(newCapacity)));
  if (!block) {
    LogPrintf("リングバッファの再確保に失敗しました(確保しようとしたサイズ %" PRId64 " byte)", newCapacity);
    return -1;
  }
  const int32_t len = ring->dataLength;
  if (len > 0) {
    if (static_cast<int64_t>(ring->readPos) + len > ring->capacity) {
      const int32_t first = ring->capacity - ring->readPos;
      memcpy(block, ring->data + ring->readPos, first);
      memcpy(block + first, ring->data, len - first);
    } else {
      memcpy(block, ring->data + ring->readPos, len);
    }
  }
  TrackedFree(ring->data);
  ring->data = block;
  ring->readPos = 0;
  ring->writePos = len;
  ring->capacity = static_cast<int32_t>(newCapacity);
  return 0;
}

int RingBufferFree(RingBuffer* ring) {
  TrackedFree(ring->data);
  memset(ring, 0, sizeof *ring);
  return 0;
}

int ListInit(ListNode* head, ListNode* tail) {
  head->value = -1;
  head->data = nullptr;
  head->previous = nullptr;
  head->next = tail;
  tail->value = -1;
  tail->data = nullptr;
  tail->next = nullptr;
  tail->previous = head;
  return 0;
}

int ListInsertAfter(ListNode* position, ListNode* node, int32_t value, void* data) {
  node->value = value;
  node->data = data;
  node->previous = position;
  node->next = position->next;
  if (position->next) position->next->previous = node;
  position->next = node;
  return 0;
}

int ListRemove(ListNode* node) {
  if (node->previous) node->previous->next = node->next;
  if (node->next) node->next->previous = node->previous;
  node->previous = nullptr;
  node->next = nullptr;
  return 0;
}
