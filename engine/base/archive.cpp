// Archive objects: key and scrambling, the header block and its tables, name lookup, the LZ
// decoder and entry cursors. Every offset, count and size read from an archive is checked against
// the header block or the file before use: a corrupt archive is no archive, or its entry fails.
#include <cstring>

#include "engine/base/archive.h"
#include "engine/base/memory.h"
#include "platform/text.h"

namespace {

inline uint16_t Rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Rd32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint8_t Swap4(uint8_t v) { return uint8_t((v << 4) | (v >> 4)); }
inline uint8_t RotR(uint8_t v, int n) { return uint8_t((v >> n) | (v << (8 - n))); }
inline uint8_t RotL(uint8_t v, int n) { return uint8_t((v << n) | (v >> (8 - n))); }

// True when [offset, offset + length) lies inside the header block.
bool InBlock(const ArchiveObject* o, uint64_t offset, uint64_t length) {
  uint64_t size = o->header.headerBlockSize;
  return offset <= size && length <= size - offset;
}

bool ReadHeader(ArchiveObject* o, ArchiveHeader* h) {
  uint8_t raw[ARCHIVE_HEADER_SIZE];
  if (ThreadFileSeek(o->file, 0, 0) != 0) return false;
  if (ThreadFileRead(raw, sizeof raw, 1, o->file) != 1) return false;
  ScrambleArchiveData(sizeof raw, raw, 0, o->key);
  h->magic = Rd16(raw);
  h->version = Rd16(raw + 2);
  h->headerBlockSize = Rd32(raw + 4);
  h->dataAreaOffset = Rd32(raw + 8);
  h->headerBlockOffset = Rd32(raw + 12);
  h->fileTableOffset = Rd32(raw + 16);
  h->dirTableOffset = Rd32(raw + 20);
  return h->magic == ARCHIVE_MAGIC;
}

// The directory entry at a directory-table offset, or null when it lies outside the block.
const uint8_t* DirEntry(const ArchiveObject* o, uint32_t dirOffset) {
  uint64_t at = uint64_t(o->header.dirTableOffset) + dirOffset;
  return InBlock(o, at, ARCHIVE_DIR_ENTRY_SIZE) ? o->block + at : nullptr;
}

// The first file entry of a directory and its count, when all of them lie inside the block.
const uint8_t* DirFiles(const ArchiveObject* o, uint32_t dirOffset, uint32_t* count) {
  const uint8_t* d = DirEntry(o, dirOffset);
  if (!d) return nullptr;
  *count = Rd32(d + 8);
  uint64_t at = uint64_t(o->header.fileTableOffset) + Rd32(d + 12);
  uint64_t bytes = uint64_t(*count) * ArchiveFileEntrySize(o->header.version);
  if (*count == 0 || !InBlock(o, at, bytes)) return nullptr;
  return o->block + at;
}

void ParseFileEntry(const ArchiveObject* o, const uint8_t* e, ArchiveFileInfo* out) {
  out->nameOffset = Rd32(e);
  out->attributes = Rd32(e + 4);
  out->dataOffset = Rd32(e + 32);
  out->size = Rd32(e + 36);
  out->packedSize = o->header.version >= 2 ? Rd32(e + 40) : ARCHIVE_STORED;
}

bool NameMatches(const ArchiveObject* o, uint32_t nameOffset, const ArchiveSearchName* s) {
  if (!InBlock(o, nameOffset, 4)) return false;
  const uint8_t* n = o->block + nameOffset;
  if (Rd16(n) != s->wordCount || Rd16(n + 2) != s->sum) return false;
  if (!InBlock(o, uint64_t(nameOffset) + 4, uint64_t(s->wordCount) * 4)) return false;
  return std::memcmp(n + 4, s->words, size_t(s->wordCount) * 4) == 0;
}

// The first entry of the current directory with the directory bit as asked and a matching name.
const uint8_t* FindInCurrent(const ArchiveObject* o, const ArchiveSearchName* s, bool directory) {
  uint32_t count = 0;
  const uint8_t* e = DirFiles(o, o->currentDir, &count);
  if (!e) return nullptr;
  uint32_t size = ArchiveFileEntrySize(o->header.version);
  for (uint32_t i = 0; i < count; i++, e += size) {
    bool isDir = (Rd32(e + 4) & ARCHIVE_ATTR_DIRECTORY) != 0;
    if (isDir == directory && NameMatches(o, Rd32(e), s)) return e;
  }
  return nullptr;
}

int EnterArchiveSubdir(ArchiveObject* o, const ArchiveSearchName* s) {
  const uint8_t* e = FindInCurrent(o, s, true);
  if (!e) return -1;
  uint32_t target = Rd32(e + 32);
  if (!DirEntry(o, target)) return -1;
  o->currentDir = target;
  return 0;
}

// The walk of ChangeArchiveDir; *failedPart points at the part that could not be entered.
int WalkArchiveDir(ArchiveObject* o, const char* path, int restore, ArchiveSearchName* last,
                   const char** failedPart) {
  ArchiveSearchName local;
  ArchiveSearchName* s = last ? last : &local;
  *failedPart = nullptr;
  if (std::strcmp(path, ".") == 0) return 0;
  if (std::strcmp(path, "\\") == 0) {
    o->currentDir = 0;
    return 0;
  }
  if (std::strcmp(path, "..") == 0) {
    const uint8_t* d = DirEntry(o, o->currentDir);
    if (!d) return -1;
    uint32_t parent = Rd32(d + 4);
    if (parent == ARCHIVE_NO_PARENT || !DirEntry(o, parent)) return -1;
    o->currentDir = parent;
    return 0;
  }
  uint32_t saved = o->currentDir;
  const char* p = path;
  while (*p) {
    if (*p == '\\') {
      o->currentDir = 0;
      p++;
      continue;
    }
    int k = MakeArchiveSearchName(p, s);
    if (k < 0 || EnterArchiveSubdir(o, s) < 0) {
      if (restore == 1) o->currentDir = saved;
      *failedPart = p;
      return -1;
    }
    p += k;
    if (*p == '\\') p++;
  }
  return 0;
}

void DecodeCopy(uint8_t* out, size_t o, size_t distance, size_t length) {
  uint8_t* d = out + o;
  const uint8_t* s = d - distance;
  if (distance >= length) {
    std::memcpy(d, s, length);
  } else {
    for (size_t i = 0; i < length; i++) d[i] = s[i];
  }
}

}  // namespace

void MakeArchiveKey(const char* keyString, uint8_t key[ARCHIVE_KEY_SIZE]) {
  size_t n = keyString ? std::strlen(keyString) : 0;
  for (int i = 0; i < ARCHIVE_KEY_SIZE; i++)
    key[i] = n ? uint8_t(keyString[size_t(i) % n]) : ARCHIVE_NO_KEY_BYTE;
  key[0] = uint8_t(~key[0]);
  key[1] = Swap4(key[1]);
  key[2] = uint8_t(key[2] ^ 0x8A);
  key[3] = uint8_t(~Swap4(key[3]));
  key[4] = uint8_t(~key[4]);
  key[5] = uint8_t(key[5] ^ 0xAC);
  key[6] = uint8_t(~key[6]);
  key[7] = uint8_t(~RotR(key[7], 3));
  key[8] = RotL(key[8], 3);
  key[9] = uint8_t(key[9] ^ 0x7F);
  key[10] = uint8_t(Swap4(key[10]) ^ 0xD6);
  key[11] = uint8_t(key[11] ^ 0xCC);
}

void MakeArchiveFallbackKey(uint8_t key[ARCHIVE_KEY_SIZE]) {
  std::memset(key, ARCHIVE_FALLBACK_KEY_BYTE, ARCHIVE_KEY_SIZE);
}

void ScrambleArchiveData(size_t size, void* buffer, uint64_t filePosition,
                         const uint8_t key[ARCHIVE_KEY_SIZE]) {
  uint8_t* b = static_cast<uint8_t*>(buffer);
  size_t k = size_t(filePosition % ARCHIVE_KEY_SIZE);
  for (size_t i = 0; i < size; i++) {
    b[i] ^= key[k];
    if (++k == ARCHIVE_KEY_SIZE) k = 0;
  }
}

int MakeArchiveSearchName(const char* part, ArchiveSearchName* out) {
  size_t k = 0;
  unsigned sum = 0;
  const char* p = part;
  while (*p && *p != '\\') {
    int n = (plat::IsCp932Lead(uint8_t(*p)) && p[1]) ? 2 : 1;
    if (k + n + 4 > sizeof out->words) return -1;
    for (int i = 0; i < n; i++) {
      uint8_t c = uint8_t(p[i]);
      if (n == 1 && c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
      out->words[k++] = c;
      sum += c;
    }
    p += n;
  }
  size_t padded = (k + 4) / 4 * 4;
  std::memset(out->words + k, 0, padded - k);
  out->wordCount = uint16_t(padded / 4);
  out->sum = uint16_t(sum);
  return int(k);
}

int64_t DecodeArchiveData(const uint8_t* packed, size_t available, uint8_t* output,
                          size_t outputCapacity) {
  if (!packed || available < ARCHIVE_PACK_HEADER_SIZE) return -1;
  uint64_t unpacked = Rd32(packed);
  uint64_t packedSize = Rd32(packed + 4);
  if (packedSize < ARCHIVE_PACK_HEADER_SIZE || packedSize > available || unpacked > outputCapacity)
    return -1;
  if (unpacked > 0 && !output) return -1;
  const uint8_t escape = packed[8];
  const uint8_t* p = packed + ARCHIVE_PACK_HEADER_SIZE;
  const uint8_t* end = packed + packedSize;
  size_t o = 0;
  size_t previous = 0;   // 0: no match yet
  while (p < end) {
    if (*p != escape) {
      const uint8_t* stop = static_cast<const uint8_t*>(std::memchr(p, escape, size_t(end - p)));
      size_t run = size_t((stop ? stop : end) - p);
      if (run > unpacked - o) return -1;
      std::memcpy(output + o, p, run);
      o += run;
      p += run;
      continue;
    }
    if (++p >= end) return -1;
    unsigned c = *p++;
    if (c == escape) {
      if (o >= unpacked) return -1;
      output[o++] = escape;
      continue;
    }
    if (c > escape) c--;
    size_t length = c >> 3;
    if (c & 4) {
      if (p >= end) return -1;
      length |= size_t(*p++) << 5;
    }
    length += ARCHIVE_MATCH_MIN;
    size_t distance;
    unsigned kind = c & 3;
    if (kind == 3) {
      if (previous == 0) return -1;
      distance = previous + 1;
    } else {
      size_t bytes = kind + 1;
      if (size_t(end - p) < bytes) return -1;
      distance = 0;
      for (size_t i = 0; i < bytes; i++) distance |= size_t(p[i]) << (8 * i);
      p += bytes;
      distance += 1;
    }
    previous = distance;
    if (distance > o || length > unpacked - o) return -1;
    DecodeCopy(output, o, distance, length);
    o += length;
  }
  return o == unpacked ? int64_t(unpacked) : -1;
}

int OpenArchive(ArchiveObject* o, const char* path, const char* keyString) {
  if (o->file) return -1;
  o->file = ThreadFileOpen(path, 0);
  if (!o->file) return -1;
  o->fileSize = ThreadFileSize(o->file);
  MakeArchiveKey(keyString, o->key);
  ArchiveHeader h;
  if (!ReadHeader(o, &h)) {
    MakeArchiveFallbackKey(o->key);
    ReadHeader(o, &h);
  }
  uint64_t fileSize = uint64_t(o->fileSize);
  bool ok = h.magic == ARCHIVE_MAGIC && h.version <= ARCHIVE_VERSION_MAX &&
            uint64_t(h.headerBlockOffset) + h.headerBlockSize <= fileSize &&
            h.dataAreaOffset <= fileSize && h.fileTableOffset <= h.headerBlockSize &&
            uint64_t(h.dirTableOffset) + ARCHIVE_DIR_ENTRY_SIZE <= h.headerBlockSize;
  if (ok) {
    o->header = h;
    o->block = static_cast<uint8_t*>(TRACKED_ALLOC(h.headerBlockSize));
    ok = o->block && ThreadFileSeek(o->file, h.headerBlockOffset, 0) == 0 &&
         ThreadFileRead(o->block, h.headerBlockSize, 1, o->file) == 1;
  }
  if (!ok) {
    CloseArchive(o);
    return -1;
  }
  ScrambleArchiveData(h.headerBlockSize, o->block, h.headerBlockOffset, o->key);
  o->currentDir = 0;
  return 0;
}

void CloseArchive(ArchiveObject* o) {
  if (o->file) ThreadFileClose(o->file);
  if (o->block) TrackedFree(o->block);
  std::memset(o, 0, sizeof *o);
}

int ChangeArchiveDir(ArchiveObject* o, const char* path, int restore, ArchiveSearchName* last) {
  const char* failed;
  return WalkArchiveDir(o, path, restore, last, &failed);
}

int FindArchiveFile(const char* name, ArchiveObject* o, ArchiveFileInfo* out) {
  uint32_t saved = o->currentDir;
  ArchiveSearchName s;
  const uint8_t* found = nullptr;
  if (std::strchr(name, '\\')) {
    const char* failed = nullptr;
    // Only the last part may be the file: a missing folder in the middle is no match.
    if (WalkArchiveDir(o, name, 0, &s, &failed) < 0 && failed && !std::strchr(failed, '\\') &&
        MakeArchiveSearchName(failed, &s) >= 0)
      found = FindInCurrent(o, &s, false);
  } else if (MakeArchiveSearchName(name, &s) >= 0) {
    found = FindInCurrent(o, &s, false);
  }
  o->currentDir = saved;
  if (!found) return -1;
  ParseFileEntry(o, found, out);
  return 0;
}

int OpenArchiveEntry(ArchiveEntryCursor* c, ArchiveObject* o, const char* name) {
  ArchiveFileInfo e;
  if (FindArchiveFile(name, o, &e) < 0) return -1;
  uint64_t at = uint64_t(o->header.dataAreaOffset) + e.dataOffset;
  uint64_t fileSize = uint64_t(o->fileSize);
  bool packed = o->header.version >= 2 && e.packedSize != ARCHIVE_STORED;
  uint64_t stored = packed ? e.packedSize : e.size;
  if (at > fileSize || stored > fileSize - at) return -1;
  std::memset(c, 0, sizeof *c);
  c->object = o;
  c->entry = e;
  if (!packed) return 0;

  // Each code byte yields at most 8195 / 3 bytes, which bounds a believable unpacked size.
  if (e.packedSize < ARCHIVE_PACK_HEADER_SIZE ||
      e.size > uint64_t(e.packedSize - ARCHIVE_PACK_HEADER_SIZE) * (ARCHIVE_MATCH_MAX / 3 + 1))
    return -1;
  uint8_t* in = static_cast<uint8_t*>(TRACKED_ALLOC(e.packedSize));
  uint8_t* out = static_cast<uint8_t*>(TRACKED_ALLOC(e.size ? e.size : 1));
  bool ok = in && out && ThreadFileSeek(o->file, int64_t(at), 0) == 0 &&
            ThreadFileRead(in, e.packedSize, 1, o->file) == 1;
  if (ok) {
    ScrambleArchiveData(e.packedSize, in, at, o->key);
    ok = DecodeArchiveData(in, e.packedSize, out, e.size) == int64_t(e.size);
  }
  if (in) TrackedFree(in);
  if (!ok) {
    if (out) TrackedFree(out);
    std::memset(c, 0, sizeof *c);
    return -1;
  }
  c->decoded = out;
  return 0;
}

void CloseArchiveEntry(ArchiveEntryCursor* c) {
  if (c->decoded) TrackedFree(c->decoded);
  std::memset(c, 0, sizeof *c);
}

size_t ArchiveEntryRead(ArchiveEntryCursor* c, void* dst, size_t byteCount) {
  if (!c->object || c->eofFlag) return 0;
  if (c->position >= c->entry.size) {
    c->eofFlag = 1;
    return 0;
  }
  uint64_t left = c->entry.size - c->position;
  size_t n = byteCount < left ? byteCount : size_t(left);
  if (n == 0) return 0;
  if (c->decoded) {
    std::memcpy(dst, c->decoded + c->position, n);
  } else {
    ArchiveObject* o = c->object;
    uint64_t at = uint64_t(o->header.dataAreaOffset) + c->entry.dataOffset + c->position;
    if (uint64_t(ThreadFileTell(o->file)) != at && ThreadFileSeek(o->file, int64_t(at), 0) != 0)
      return 0;
    n = ThreadFileRead(dst, 1, n, o->file);
    ScrambleArchiveData(n, dst, at, o->key);
  }
  c->position += n;
  c->eofFlag = 0;
  return n;
}

int ArchiveEntrySeek(ArchiveEntryCursor* c, int64_t offset, int origin) {
  if (!c->object) return -1;
  int64_t size = c->entry.size;
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = int64_t(c->position) + offset; break;
    case 2: target = size + offset; break;
    default: return -1;
  }
  if (target < 0) target = 0;
  if (target > size) target = size;
  c->position = uint64_t(target);
  c->eofFlag = 0;
  return 0;
}
