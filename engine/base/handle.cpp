// The handle scheme shared by every kind of engine object.
#include "engine/base/handle.h"

#include "engine/base/memory.h"

namespace {

bool SlotInUse(const HandleTable* t, int slot) { return t->slots && t->slots[slot] != nullptr; }

int MakeHandle(const HandleTable* t, uint32_t check, int slot) {
  return static_cast<int>(t->kind | (check << 16) | static_cast<uint32_t>(slot));
}

}  // namespace

void HandleTableInit(HandleTable* t, uint32_t kind, int capacity, bool firstFreeSlot) {
  if (capacity < 0) capacity = 0;
  if (capacity > 0x10000) capacity = 0x10000;   // the slot field has 16 bits
  t->kind = kind;
  t->kindMask = kind == HANDLE_KIND_SURFACEDATA ? 0xF8000000u : HANDLE_KIND_MASK;
  t->capacity = capacity;
  t->firstFreeSlot = firstFreeSlot;
  t->slots = static_cast<void**>(TRACKED_CALLOC(sizeof(void*) * static_cast<size_t>(capacity)));
  t->count = 0;
  t->areaEnd = 0;
  t->nextCheck = 0;
}

void HandleTableRelease(HandleTable* t) {
  TrackedFree(t->slots);
  t->slots = nullptr;
  t->count = 0;
  t->areaEnd = 0;
}

int HandleCreate(HandleTable* t, size_t recordSize) {
  if (!t->slots || recordSize < sizeof(HandleRecordHead)) return -1;
  // A full table refuses; the kind decides whether that is fatal.
  if (t->count >= t->capacity) return -1;
  int slot = -1;
  if (!t->firstFreeSlot && t->areaEnd < t->capacity) {
    slot = t->areaEnd;
  } else {
    for (int i = 0; i < t->capacity; ++i) {
      if (!t->slots[i]) {
        slot = i;
        break;
      }
    }
    if (slot < 0) return -1;
  }
  auto* rec = static_cast<HandleRecordHead*>(TRACKED_CALLOC(recordSize));
  if (!rec) return -1;
  t->slots[slot] = rec;
  const uint32_t check = static_cast<uint32_t>(t->nextCheck);
  rec->check = check;
  rec->deletedNotice = nullptr;
  t->nextCheck = (t->nextCheck + 1) & 0x7FF;
  t->count += 1;
  if (slot >= t->areaEnd) t->areaEnd = slot + 1;
  return MakeHandle(t, check, slot);
}

void* HandleLookup(const HandleTable* t, int handle) {
  if (handle < 0) return nullptr;
  const uint32_t h = static_cast<uint32_t>(handle);
  if ((h & t->kindMask) != t->kind) return nullptr;
  const int slot = static_cast<int>(h & HANDLE_SLOT_MASK);
  if (slot >= t->capacity || !SlotInUse(t, slot)) return nullptr;
  auto* rec = static_cast<HandleRecordHead*>(t->slots[slot]);
  if ((rec->check << 16) != (h & HANDLE_CHECK_MASK)) return nullptr;
  return rec;
}

int HandleDestroy(HandleTable* t, int handle) {
  auto* rec = static_cast<HandleRecordHead*>(HandleLookup(t, handle));
  if (!rec) return -1;
  const int slot = handle & static_cast<int>(HANDLE_SLOT_MASK);
  t->count -= 1;
  if (slot == t->areaEnd - 1) {
    int end = slot;
    while (end > 0 && !t->slots[end - 1]) --end;
    t->areaEnd = end;
  }
  if (rec->deletedNotice) *rec->deletedNotice = 1;
  t->slots[slot] = nullptr;
  TrackedFree(rec);
  return 0;
}

int HandleFromSlot(const HandleTable* t, int slot) {
  if (slot < 0 || slot >= t->capacity || !SlotInUse(t, slot)) return -1;
  return MakeHandle(t, static_cast<const HandleRecordHead*>(t->slots[slot])->check, slot);
}
