// Slot tables behind the file layer's 32-bit handles: a tag in the top four bits, a check number
// in bits 16-27 that must match the slot's, and the slot in bits 0-11, so a stale or foreign handle
// finds nothing instead of another file.
#pragma once
#include <cstdint>
#include "engine/base/file_access.h"

constexpr int FILE_SLOT_MAX = 4096;

struct FileSlotTable {
  uint32_t tag;                       // 0xD0000000, 0xE0000000, ...
  void* slots[FILE_SLOT_MAX];
  uint16_t checks[FILE_SLOT_MAX];
  int count;
  uint16_t nextCheck;
};

// Stores the record in the first empty slot; the handle, or 0 when the table is full.
inline FileHandle FileSlotAdd(FileSlotTable* t, void* record) {
  if (t->count >= FILE_SLOT_MAX) return 0;
  for (int i = 0; i < FILE_SLOT_MAX; i++) {
    if (t->slots[i]) continue;
    t->nextCheck = static_cast<uint16_t>((t->nextCheck + 1) & 0xFFF);
    t->slots[i] = record;
    t->checks[i] = t->nextCheck;
    t->count++;
    return static_cast<FileHandle>(t->tag | (uint32_t(t->nextCheck) << 16) | uint32_t(i));
  }
  return 0;
}

inline int FileSlotIndex(const FileSlotTable* t, FileHandle h) {
  if (h <= 0 || h > static_cast<FileHandle>(0xFFFFFFFFu)) return -1;
  uint32_t v = static_cast<uint32_t>(h);
  if ((v & 0xF0000000u) != t->tag || (v & 0xF000u) != 0) return -1;
  uint32_t slot = v & 0xFFFu;
  if (slot >= static_cast<uint32_t>(FILE_SLOT_MAX) || !t->slots[slot]) return -1;
  if (t->checks[slot] != ((v >> 16) & 0xFFFu)) return -1;
  return static_cast<int>(slot);
}

inline void* FileSlotGet(const FileSlotTable* t, FileHandle h) {
  int i = FileSlotIndex(t, h);
  return i < 0 ? nullptr : t->slots[i];
}

// Empties the handle's slot and gives back its record (null for a bad handle).
inline void* FileSlotRemove(FileSlotTable* t, FileHandle h) {
  int i = FileSlotIndex(t, h);
  if (i < 0) return nullptr;
  void* r = t->slots[i];
  t->slots[i] = nullptr;
  t->count--;
  return r;
}
