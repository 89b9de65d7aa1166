// Handles name engine objects: bit 31 clear, bits 27-30 the kind, bits 16-26 a check number that
// must equal the record's, bits 0-15 the slot. One table per kind; records held through the table
// begin with HandleRecordHead. Slots are handed out in rising order until the table's end has been
// reached once; after that the first free slot is reused.
#pragma once
#include <cstddef>
#include <cstdint>

enum : uint32_t {
  HANDLE_KIND_MASK = 0x78000000u,
  HANDLE_CHECK_MASK = 0x07FF0000u,
  HANDLE_SLOT_MASK = 0x0000FFFFu,
  HANDLE_KIND_GRAPH = 0x08000000u,
  HANDLE_KIND_SOUND = 0x10000000u,
  HANDLE_KIND_MOVIE = 0x18000000u,
  HANDLE_KIND_FONT = 0x20000000u,
  HANDLE_KIND_SURFACE2D = 0x28000000u,
  HANDLE_KIND_TEXTURE = 0x30000000u,
  HANDLE_KIND_SURFACEDATA = 0x38000000u,
  HANDLE_KIND_MASK_SCREEN = 0x40000000u,
  HANDLE_KIND_NETWORK = 0x48000000u,
  HANDLE_KIND_KEYINPUT = 0x50000000u,
};

struct HandleRecordHead {
  uint32_t check;           // check number given when the record was made
  int32_t* deletedNotice;   // set to 1 when the record is deleted; null when not wanted
};

struct HandleTable {
  uint32_t kind;            // one of HANDLE_KIND_*
  uint32_t kindMask;        // HANDLE_KIND_MASK, or 0xF8000000 for surface data
  int capacity;
  bool firstFreeSlot;       // fonts always take the first free slot
  void** slots;
  int count;
  int areaEnd;
  int nextCheck;
};

// The slot array comes from tracked memory; when it cannot be had, every HandleCreate fails.
void HandleTableInit(HandleTable* t, uint32_t kind, int capacity, bool firstFreeSlot = false);
void HandleTableRelease(HandleTable* t);               // frees the slot array, not the records
// A zeroed record with its check number; the handle, or -1 when the table is full or memory short.
// The caller may then set the record's deletedNotice.
int HandleCreate(HandleTable* t, size_t recordSize);
void* HandleLookup(const HandleTable* t, int handle);  // the record, or null when the handle is bad
int HandleDestroy(HandleTable* t, int handle);         // frees the record; 0, or -1 for a bad handle
int HandleFromSlot(const HandleTable* t, int slot);    // rebuilt handle of a slot in use, else -1
