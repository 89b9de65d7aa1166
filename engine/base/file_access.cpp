// The installed file-access table and its public forwarders, the two stream function sets,
// memory streams, full paths and temporary files.
#include "engine/base/file_access.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/archive.h"
#include "engine/base/file_slots.h"
#include "engine/base/memory.h"
#include "engine/base/operations.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr FileAccessTable kArchiveSet = {
    ArchiveFileOpen, ArchiveFileClose, ArchiveFileTell, ArchiveFileSeek, ArchiveFileRead,
    ArchiveFileEof,  ArchiveFileIdle,  ArchiveSetCurrentDir, ArchiveGetCurrentDir,
};

constexpr FileAccessTable kPlainSet = {
    PlainFileOpen, PlainFileClose, PlainFileTell, PlainFileSeek, PlainFileRead,
    PlainFileEof,  PlainFileIdle,  PlainSetCurrentDir, PlainGetCurrentDir,
};

FileAccessTable g_fileAccess = kArchiveSet;
int g_bypassArchives = 0;   // survives start-up's reset on purpose

const FileAccessTable& DefaultSet(int bypass) { return bypass == 1 ? kPlainSet : kArchiveSet; }

bool SameSlots(const FileAccessTable& a, const FileAccessTable& b) {
  return a.open == b.open && a.close == b.close && a.tell == b.tell && a.seek == b.seek &&
         a.read == b.read && a.eof == b.eof && a.setCurrentDir == b.setCurrentDir &&
         a.getCurrentDir == b.getCurrentDir;
}

}  // namespace

int SetFileAccessTable(const FileAccessTable* table) {
  g_fileAccess = table ? *table : DefaultSet(g_bypassArchives);
  return 0;
}

int IsDefaultFileAccessTable() { return SameSlots(g_fileAccess, DefaultSet(g_bypassArchives)) ? 1 : 0; }

int SetArchiveUseFlag(int flag) {
  int bypass = flag == 0 ? 1 : 0;
  if (bypass == g_bypassArchives) return 0;
  if (IsDefaultFileAccessTable()) g_fileAccess = DefaultSet(bypass);
  g_bypassArchives = bypass;
  return 0;
}

FileHandle FileOpen(const char* name, int threadFlag) { return g_fileAccess.open(name, threadFlag); }
int FileClose(FileHandle h) { return g_fileAccess.close(h); }
int64_t FileTell(FileHandle h) { return g_fileAccess.tell(h); }
int FileSeek(FileHandle h, int64_t offset, int origin) { return g_fileAccess.seek(h, offset, origin); }
size_t FileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h) {
  return g_fileAccess.read(dst, itemSize, itemCount, h);
}
int FileEof(FileHandle h) { return g_fileAccess.eof(h); }
int FileIdleCheck(FileHandle h) { return g_fileAccess.idle(h); }
int FileSetCurrentDir(const char* path) { return g_fileAccess.setCurrentDir(path); }
int FileGetCurrentDir(char* buffer) { return g_fileAccess.getCurrentDir(buffer); }

// ---- memory streams ----

namespace {

struct MemoryStream {
  const uint8_t* data;   // not owned
  uint32_t size;
  uint32_t position;
  int eofFlag;
};

FileSlotTable g_memoryStreams = {0xD0000000u, {}, {}, 0, 0};

MemoryStream* Stream(FileHandle h) { return static_cast<MemoryStream*>(FileSlotGet(&g_memoryStreams, h)); }

constexpr StreamFunctionTable kFileStreamSet = {FileTell, FileSeek, FileRead, FileEof, FileIdleCheck, FileClose};
constexpr StreamFunctionTable kMemoryStreamSet = {MemoryStreamTell, MemoryStreamSeek, MemoryStreamRead,
                                                  MemoryStreamEof,  MemoryStreamIdle, MemoryStreamClose};

}  // namespace

const StreamFunctionTable* GetFileStreamFunctions() { return &kFileStreamSet; }
const StreamFunctionTable* GetMemoryStreamFunctions() { return &kMemoryStreamSet; }

FileHandle MemoryStreamOpen(const void* data, uint32_t size) {
  if (!data && size > 0) return 0;
  MemoryStream* m = static_cast<MemoryStream*>(TRACKED_CALLOC(sizeof(MemoryStream)));
  if (!m) return 0;
  m->data = static_cast<const uint8_t*>(data);
  m->size = size;
  FileHandle h = FileSlotAdd(&g_memoryStreams, m);
  if (!h) TrackedFree(m);
  return h;
}

int MemoryStreamClose(FileHandle h) {
  void* m = FileSlotRemove(&g_memoryStreams, h);
  if (!m) return -1;
  TrackedFree(m);
  return 0;
}

int64_t MemoryStreamTell(FileHandle h) {
  MemoryStream* m = Stream(h);
  return m ? int64_t(m->position) : -1;
}

int MemoryStreamSeek(FileHandle h, int64_t offset, int origin) {
  MemoryStream* m = Stream(h);
  if (!m) return -1;
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = int64_t(m->position) + offset; break;
    case 2: target = int64_t(m->size) + offset; break;
    default: return -1;
  }
  if (target < 0) target = 0;
  if (target > m->size) target = m->size;
  m->position = static_cast<uint32_t>(target);
  m->eofFlag = 0;
  return 0;
}

size_t MemoryStreamRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h) {
  MemoryStream* m = Stream(h);
  if (!m || !dst || itemSize == 0 || itemCount == 0) return 0;
  if (m->position >= m->size) {
    m->eofFlag = 1;
    return 0;
  }
  size_t left = m->size - m->position;
  size_t items = itemCount;
  if (items > left / itemSize) items = left / itemSize;
  // Fewer bytes than one item left: the tail is handed over as one (short) item.
  size_t bytes = items > 0 ? items * itemSize : left;
  std::memcpy(dst, m->data + m->position, bytes);
  m->position += static_cast<uint32_t>(bytes);
  m->eofFlag = 0;
  return items > 0 ? items : 1;
}

int MemoryStreamEof(FileHandle h) {
  MemoryStream* m = Stream(h);
  return m ? m->eofFlag : -1;
}

int MemoryStreamIdle(FileHandle) { return 1; }

// ---- full paths ----

namespace {

inline bool IsLead(char c) { return plat::IsCp932Lead(static_cast<uint8_t>(c)); }
inline bool IsSep(char c) { return c == '\\' || c == '/'; }
inline char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

struct PathOut {
  char* s;
  size_t cap;
  size_t len;
  bool overflow;
  void Add(char c) {
    if (len + 1 >= cap) { overflow = true; return; }
    s[len++] = c;
    s[len] = '\0';
  }
};

// Copies text, upper-casing a-z outside double-byte characters when asked.
void AddText(PathOut* o, const char* p, size_t n, bool upper) {
  for (size_t i = 0; i < n; i++) {
    if (IsLead(p[i]) && i + 1 < n) {
      o->Add(p[i]);
      o->Add(p[++i]);
    } else {
      o->Add(upper ? Upper(p[i]) : p[i]);
    }
  }
}

// ".." drops the last component: cut at the last "\" (a "/" or ":" also stops the step back; a
// ":" stays). Scanned forwards so that a trail byte 0x5C of a double-byte character never counts.
void DropLastPart(PathOut* o) {
  size_t cut = 0;
  bool keepColon = false;
  for (size_t i = 0; i < o->len; i++) {
    if (IsLead(o->s[i]) && i + 1 < o->len) { i++; continue; }
    if (o->s[i] == '\\' || o->s[i] == '/') { cut = i; keepColon = false; }
    else if (o->s[i] == ':') { cut = i; keepColon = true; }
  }
  o->len = keepColon ? cut + 1 : cut;
  o->s[o->len] = '\0';
}

int BuildPath(const char* relative, char* output, size_t outputSize, const char* base, bool upper) {
  if (!output || outputSize == 0) return -1;
  output[0] = '\0';
  char current[FILE_PATH_MAX];
  if (!base) {
    current[0] = '\0';
    FileGetCurrentDir(current);
    base = current;
  }
  PathOut o = {output, outputSize, 0, false};
  if (!relative) {
    AddText(&o, base, std::strlen(base), upper);
    return o.overflow ? -1 : 0;
  }
  const char* p = relative;
  if (p[0] == '\\') {
    AddText(&o, base, std::strlen(base) < 2 ? std::strlen(base) : 2, upper);
    p += 1;
  } else if (p[0] != '\0' && p[1] == ':') {
    o.Add(upper ? Upper(p[0]) : p[0]);
    o.Add(':');
    p += p[2] == '\\' ? 3 : 2;
  } else {
    size_t n = std::strlen(base);
    if (n > 0 && IsSep(base[n - 1]) && !(n >= 2 && IsLead(base[n - 2]))) n--;
    AddText(&o, base, n, upper);
  }
  while (*p) {
    const char* start = p;
    while (*p && !IsSep(*p)) p += (IsLead(*p) && p[1]) ? 2 : 1;
    size_t n = static_cast<size_t>(p - start);
    if (*p) {   // a part ended by a separator
      if (n == 0) return -1;
      if (n == 1 && start[0] == '.') {
      } else if (n == 2 && start[0] == '.' && start[1] == '.') {
        DropLastPart(&o);
      } else {
        o.Add('\\');
        AddText(&o, start, n, upper);
      }
      p++;
    } else {
      o.Add('\\');
      AddText(&o, start, n, upper);
    }
  }
  if (o.overflow) {
    output[0] = '\0';
    return -1;
  }
  return 0;
}

}  // namespace

int BuildFullPath(const char* relative, char* output, size_t outputSize, const char* base) {
  return BuildPath(relative, output, outputSize, base, false);
}

int BuildUpperFullPath(const char* relative, char* output, size_t outputSize, const char* base) {
  return BuildPath(relative, output, outputSize, base, true);
}

plat::File* CreateTempFile(char* outputPath, size_t outputSize) {
  std::string dir = plat::GetTempDir();
  if (dir.empty() || dir.size() >= FILE_PATH_MAX - 16) return nullptr;
  if (dir.back() != '\\') dir += '\\';
  static unsigned s_next = plat::MillisecondClock();
  for (int attempt = 0; attempt < 0x10000; attempt++) {
    unsigned unique = s_next++ & 0xFFFFu;
    if (unique == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "tmp%X.tmp", unique);
    char full[FILE_PATH_MAX];
    if (BuildFullPath(name, full, sizeof full, dir.c_str()) < 0) return nullptr;
    if (plat::FileExists(full)) continue;
    plat::File* f = plat::FileOpen(full, plat::OpenMode::WriteCreateNew);
    if (!f) return nullptr;
    if (outputPath) {
      if (std::strlen(full) >= outputSize) {
        plat::FileClose(f);
        plat::FileDelete(full);
        return nullptr;
      }
      std::strcpy(outputPath, full);
    }
    return f;
  }
  return nullptr;
}
