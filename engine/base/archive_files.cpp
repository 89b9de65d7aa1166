// The archive back end: its settings, the cache of open archives, the table of open files and
// the file-access slots that find a file inside the archive standing for one of its folders.
#include <cstring>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/operations.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

struct ArchiveCacheSlot {
  int refCount;
  ArchiveObject object;
  char path[FILE_PATH_MAX];
};

struct ArchiveOpenFile {
  int archiveFlag;            // 1: inside an archive; 0: plain file
  ThreadFile* plain;
  int cacheSlot;
  ArchiveEntryCursor cursor;
};

constexpr uint32_t kHandleTag = 0xF0000000u;

ArchiveOpenFile* g_files[ARCHIVE_OPEN_FILE_MAX];
int g_fileCount;
ArchiveCacheSlot* g_cache[ARCHIVE_CACHE_MAX];
int g_cacheCount;
char g_extension[ARCHIVE_EXTENSION_MAX + 1];
int g_extensionLength;
char g_keyString[ARCHIVE_KEY_STRING_MAX + 1];
int g_keyStringSet;
// The archive found last and the length of the folder prefix it stands for (0: none).
char g_lastPath[FILE_PATH_MAX];
int g_lastSlot;
int g_lastPrefixLength;

ArchiveOpenFile* FileOf(FileHandle h) {
  if (h <= 0 || h > FileHandle(0xFFFFFFFFu)) return nullptr;
  uint32_t v = uint32_t(h);
  if ((v & 0xF0000000u) != kHandleTag) return nullptr;
  uint32_t slot = v & 0x0FFFFFFFu;
  return slot < uint32_t(ARCHIVE_OPEN_FILE_MAX) ? g_files[slot] : nullptr;
}

void SweepUnusedArchives() {
  for (int i = 0; i < ARCHIVE_CACHE_MAX; i++) {
    ArchiveCacheSlot* s = g_cache[i];
    if (!s || s->refCount >= 1) continue;
    CloseArchive(&s->object);
    TrackedFree(s);
    g_cache[i] = nullptr;
    g_cacheCount--;
  }
}

int OpenArchiveCached(int hint, const char* path) {
  if (hint >= 0 && hint < ARCHIVE_CACHE_MAX && g_cache[hint] && std::strcmp(g_cache[hint]->path, path) == 0) {
    g_cache[hint]->refCount++;
    return hint;
  }
  int emptySlot = -1;
  for (int i = 0, seen = 0; i < ARCHIVE_CACHE_MAX && seen < g_cacheCount; i++) {
    if (!g_cache[i]) {
      emptySlot = i;
      continue;
    }
    seen++;
    if (std::strcmp(g_cache[i]->path, path) == 0) {
      g_cache[i]->refCount++;
      return i;
    }
  }
  if (std::strlen(path) >= FILE_PATH_MAX) return -1;
  if (g_cacheCount >= ARCHIVE_CACHE_MAX) {
    SweepUnusedArchives();
    if (g_cacheCount >= ARCHIVE_CACHE_MAX) return -1;
    emptySlot = -1;
  }
  if (emptySlot < 0 || g_cache[emptySlot]) {
    emptySlot = -1;
    for (int i = 0; i < ARCHIVE_CACHE_MAX && emptySlot < 0; i++)
      if (!g_cache[i]) emptySlot = i;
  }
  ArchiveObject object;
  std::memset(&object, 0, sizeof object);
  if (OpenArchive(&object, path, g_keyStringSet ? g_keyString : nullptr) < 0) return -1;
  ArchiveCacheSlot* s = static_cast<ArchiveCacheSlot*>(TRACKED_CALLOC(sizeof(ArchiveCacheSlot)));
  if (!s) {
    CloseArchive(&object);
    return -1;
  }
  s->object = object;
  s->refCount = 1;
  std::strcpy(s->path, path);
  g_cache[emptySlot] = s;
  g_cacheCount++;
  return emptySlot;
}

// The archive path standing for the first prefixLength bytes of a full path.
bool ArchivePathFor(const char* full, size_t prefixLength, char* out) {
  const char* ext = g_extensionLength ? g_extension : "VUV";
  size_t n = std::strlen(ext);
  if (prefixLength + 1 + n >= FILE_PATH_MAX) return false;
  std::memcpy(out, full, prefixLength);
  out[prefixLength] = '.';
  std::memcpy(out + prefixLength + 1, ext, n + 1);
  return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Finds the archive for a full path; its cache slot with the name inside it, or -1 when no
// archive stands for any folder of the path.
int FindArchiveFor(const char* full, const char** inner) {
  size_t last = size_t(g_lastPrefixLength);
  if (last > 0 && std::strncmp(full, g_lastPath, last) == 0 && IsSeparator(full[last])) {
    int slot = OpenArchiveCached(g_lastSlot, g_lastPath);
    if (slot >= 0) *inner = full + last + 1;
    return slot;
  }
  const char* p = full;
  while (*p) {
    const char* start = p;
    while (*p && !IsSeparator(*p)) p += (plat::IsCp932Lead(uint8_t(*p)) && p[1]) ? 2 : 1;
    if (p == start || !*p) break;   // an empty part, or the file name itself
    char path[FILE_PATH_MAX];
    size_t prefix = size_t(p - full);
    if (ArchivePathFor(full, prefix, path)) {
      int slot = OpenArchiveCached(-1, path);
      if (slot >= 0) {
        std::strcpy(g_lastPath, path);
        g_lastSlot = slot;
        g_lastPrefixLength = int(prefix);
        *inner = p + 1;
        return slot;
      }
    }
    p++;
  }
  return -1;
}

}  // namespace

void InitializeArchiveLayer() {
  for (int i = 0; i < ARCHIVE_OPEN_FILE_MAX; i++) {
    ArchiveOpenFile* f = g_files[i];
    if (!f) continue;
    if (f->archiveFlag) CloseArchiveEntry(&f->cursor);
    else ThreadFileClose(f->plain);
    TrackedFree(f);
    g_files[i] = nullptr;
  }
  for (int i = 0; i < ARCHIVE_CACHE_MAX; i++) {
    if (!g_cache[i]) continue;
    CloseArchive(&g_cache[i]->object);
    TrackedFree(g_cache[i]);
    g_cache[i] = nullptr;
  }
  g_fileCount = 0;
  g_cacheCount = 0;
  g_extension[0] = '\0';
  g_extensionLength = 0;
  g_keyString[0] = '\0';
  g_keyStringSet = 0;
  g_lastPath[0] = '\0';
  g_lastSlot = 0;
  g_lastPrefixLength = 0;
}

int SetArchiveExtension(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0 || n > size_t(ARCHIVE_EXTENSION_MAX)) n = 0;
  std::memcpy(g_extension, text ? text : "", n);
  g_extension[n] = '\0';
  g_extensionLength = int(n);
  return 0;
}

int SetArchiveKeyString(const char* text) {
  if (!text || !*text) {   // nothing to repeat: the same as no key string
    g_keyString[0] = '\0';
    g_keyStringSet = 0;
    return 0;
  }
  std::strncpy(g_keyString, text, ARCHIVE_KEY_STRING_MAX);
  g_keyString[ARCHIVE_KEY_STRING_MAX] = '\0';
  g_keyStringSet = 1;
  return 0;
}

void CloseUnusedArchives() { SweepUnusedArchives(); }
int GetCachedArchiveCount() { return g_cacheCount; }
int GetArchiveOpenFileCount() { return g_fileCount; }

FileHandle ArchiveFileOpen(const char* name, int threadFlag) {
  if (!name) return 0;
  if (g_fileCount >= ARCHIVE_OPEN_FILE_MAX) {
    LogWrite("同時に開けるファイルの数が限界を超えました\n");
    return 0;
  }
  int slot = 0;
  while (g_files[slot]) slot++;
  ArchiveOpenFile* f = static_cast<ArchiveOpenFile*>(TRACKED_CALLOC(sizeof(ArchiveOpenFile)));
  if (!f) {
    LogWrite("ファイルの情報を格納するメモリの確保に失敗しました\n");
    return 0;
  }
  f->archiveFlag = 1;

  char full[FILE_PATH_MAX];
  const char* inner = nullptr;
  int cacheSlot = BuildUpperFullPath(name, full, sizeof full, nullptr) == 0 ? FindArchiveFor(full, &inner) : -1;
  if (cacheSlot >= 0) {
    if (OpenArchiveEntry(&f->cursor, &g_cache[cacheSlot]->object, inner) < 0) {
      g_cache[cacheSlot]->refCount--;
      TrackedFree(f);
      return 0;
    }
    f->cacheSlot = cacheSlot;
  } else {
    f->plain = ThreadFileOpen(name, threadFlag);
    if (!f->plain) {
      TrackedFree(f);
      return 0;
    }
    f->archiveFlag = 0;
  }
  g_files[slot] = f;
  g_fileCount++;
  return FileHandle(kHandleTag | uint32_t(slot));
}

int ArchiveFileClose(FileHandle h) {
  ArchiveOpenFile* f = FileOf(h);
  if (!f) return -1;
  if (f->archiveFlag) {
    ArchiveCacheSlot* s = g_cache[f->cacheSlot];
    if (s && s->refCount > 0) s->refCount--;
    CloseArchiveEntry(&f->cursor);
  } else {
    ThreadFileClose(f->plain);
  }
  TrackedFree(f);
  g_files[uint32_t(h) & 0x0FFFFFFFu] = nullptr;
  g_fileCount--;
  return 0;
}

int64_t ArchiveFileTell(FileHandle h) {
  ArchiveOpenFile* f = FileOf(h);
  if (!f) return -1;
  return f->archiveFlag ? int64_t(f->cursor.position) : ThreadFileTell(f->plain);
}

int ArchiveFileSeek(FileHandle h, int64_t offset, int origin) {
  ArchiveOpenFile* f = FileOf(h);
  if (!f) return -1;
  return f->archiveFlag ? ArchiveEntrySeek(&f->cursor, offset, origin) : ThreadFileSeek(f->plain, offset, origin);
}

size_t ArchiveFileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h) {
  ArchiveOpenFile* f = FileOf(h);
  if (!f || !dst) return 0;
  if (!f->archiveFlag) return ThreadFileRead(dst, itemSize, itemCount, f->plain);
  size_t bytes = (itemSize != 0 && itemCount > SIZE_MAX / itemSize) ? SIZE_MAX : itemSize * itemCount;
  return ArchiveEntryRead(&f->cursor, dst, bytes);
}

int ArchiveFileEof(FileHandle h) {
  ArchiveOpenFile* f = FileOf(h);
  if (!f) return -1;
  if (!f->archiveFlag) return ThreadFileEof(f->plain);
  return f->cursor.eofFlag ? -1 : 0;
}

int ArchiveFileIdle(FileHandle h) { return FileOf(h) ? 1 : -1; }

int ArchiveSetCurrentDir(const char* path) {
  if (path) plat::SetCurrentDir(path);
  return 0;
}

int ArchiveGetCurrentDir(char* buffer) {
  if (!buffer) return -1;
  std::string dir = plat::GetCurrentDir();
  if (dir.empty() || dir.size() >= FILE_PATH_MAX) {
    buffer[0] = '\0';
    return -1;
  }
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return 0;
}
