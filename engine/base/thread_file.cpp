// Plain files: ThreadFile in direct mode and in threaded mode (its own file-access thread with a
// read-ahead buffer), and the plain back end's table slots over a handle table.
#include <cstring>
#include <string>

#include "engine/base/file_access.h"
#include "engine/base/file_slots.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "platform/files.h"
#include "platform/sync.h"

namespace {

constexpr int64_t kReadAheadSize = 0x20000;
constexpr uint32_t kReadAheadWaitMs = 100;

enum : int { CMD_OPEN = 0, CMD_CLOSE = 1, CMD_READ = 2, CMD_SEEK = 3, CMD_END = 4 };

}  // namespace

struct ThreadFile {
  plat::File* file;          // direct mode
  int threadFlag;
  int eofFlag;
  int64_t position;
  int64_t size;

  // Threaded mode. The caller writes the command fields only while the done event is set; the
  // thread touches them and the buffer only between the command event and setting done again.
  plat::Thread* thread;
  plat::File* threadFile;
  plat::Event* commandEvent;
  plat::Event* doneEvent;
  int command;
  int ended;
  int error;
  char name[FILE_PATH_MAX];
  uint8_t* readDst;
  int64_t readPos;
  int64_t readCount;
  int64_t readDone;          // bytes the last read command delivered
  int64_t seekPos;

  uint8_t* buffer;           // kReadAheadSize bytes, threaded mode only
  int64_t bufferPos;
  int64_t bufferValid;
};

namespace {

// Reads until n bytes arrived or the file gives no more; -1 only when nothing could be read.
int64_t ReadFully(plat::File* f, void* dst, int64_t n) {
  int64_t got = 0;
  while (got < n) {
    int64_t r = plat::FileRead(f, static_cast<uint8_t*>(dst) + got, n - got);
    if (r < 0) return got > 0 ? got : -1;
    if (r == 0) break;
    got += r;
  }
  return got;
}

void ThreadRead(ThreadFile* f) {
  if (f->readPos == f->bufferPos && f->bufferValid > 0) {
    int64_t m = f->readCount < f->bufferValid ? f->readCount : f->bufferValid;
    std::memcpy(f->readDst, f->buffer, static_cast<size_t>(m));
    f->readDst += m;
    f->readPos += m;
    f->readCount -= m;
    f->readDone += m;
    f->bufferValid -= m;
    f->bufferPos += m;
    std::memmove(f->buffer, f->buffer + m, static_cast<size_t>(f->bufferValid));
  }
  if (f->readCount == 0) return;
  int64_t got = 0;
  if (plat::FileSeek(f->threadFile, f->readPos)) {
    got = ReadFully(f->threadFile, f->readDst, f->readCount);
    if (got < 0) got = 0;
  }
  f->readDone += got;
  f->bufferPos = f->readPos + got;
  f->bufferValid = 0;
}

void FileAccessThread(void* arg) {
  ThreadFile* f = static_cast<ThreadFile*>(arg);
  for (;;) {
    plat::WaitResult r = plat::EventWait(f->commandEvent, kReadAheadWaitMs);
    while (r == plat::WaitResult::TimedOut && f->threadFile) {
      if (f->bufferValid < kReadAheadSize &&
          plat::FileSeek(f->threadFile, f->bufferPos + f->bufferValid)) {
        int64_t n = plat::FileRead(f->threadFile, f->buffer + f->bufferValid,
                                   kReadAheadSize - f->bufferValid);
        if (n > 0) f->bufferValid += n;
      }
      r = plat::EventWait(f->commandEvent, kReadAheadWaitMs);
    }
    if (r == plat::WaitResult::TimedOut) continue;   // no file and no command yet
    plat::EventReset(f->commandEvent);
    switch (f->command) {
      case CMD_OPEN:
        f->threadFile = plat::FileOpen(f->name, plat::OpenMode::ReadExisting);
        if (!f->threadFile) {
          f->error = 1;
          f->ended = 1;
          plat::EventSet(f->doneEvent);
          return;
        }
        f->bufferPos = 0;
        f->bufferValid = 0;
        break;
      case CMD_CLOSE:
        if (f->threadFile) plat::FileClose(f->threadFile);
        f->threadFile = nullptr;
        break;
      case CMD_READ:
        ThreadRead(f);
        break;
      case CMD_SEEK:
        if (f->threadFile) plat::FileSeek(f->threadFile, f->seekPos);
        f->bufferPos = f->seekPos;
        f->bufferValid = 0;
        break;
      case CMD_END:
        if (f->threadFile) plat::FileClose(f->threadFile);
        f->threadFile = nullptr;
        f->ended = 1;
        plat::EventSet(f->doneEvent);
        return;
      default:
        break;
    }
    plat::EventSet(f->doneEvent);
  }
}

// Waits until no command is in flight, so that the request fields may be written.
void WaitCommandDone(ThreadFile* f) { plat::EventWait(f->doneEvent, plat::kWaitForever); }

// Hands the command to the thread; the caller waited for the previous one and wrote the request.
void PostCommand(ThreadFile* f, int command) {
  f->command = command;
  plat::EventReset(f->doneEvent);
  plat::EventSet(f->commandEvent);
}

void FreeThreadFile(ThreadFile* f) {
  if (f->buffer) TrackedFree(f->buffer);
  TrackedFree(f);
}

}  // namespace

ThreadFile* ThreadFileOpen(const char* name, int threadFlag) {
  if (!name) return nullptr;
  ThreadFile* f = static_cast<ThreadFile*>(TRACKED_CALLOC(sizeof(ThreadFile)));
  if (!f) return nullptr;
  f->threadFlag = threadFlag == 1 ? 1 : 0;

  plat::File* probe = plat::FileOpen(name, plat::OpenMode::ReadExisting);
  if (!probe) {
    TrackedFree(f);
    return nullptr;
  }
  f->size = plat::FileSize(probe);
  if (f->size < 0) f->size = 0;
  if (!f->threadFlag) {
    f->file = probe;
    return f;
  }
  plat::FileClose(probe);

  if (std::strlen(name) >= sizeof f->name) {
    TrackedFree(f);
    return nullptr;
  }
  std::strcpy(f->name, name);
  f->buffer = static_cast<uint8_t*>(TRACKED_ALLOC(kReadAheadSize));
  f->commandEvent = plat::EventCreate(true, false);
  f->doneEvent = plat::EventCreate(true, true);
  if (f->buffer && f->commandEvent && f->doneEvent)
    f->thread = plat::ThreadStart(FileAccessThread, f);
  if (!f->thread) {
    if (f->commandEvent) plat::EventDestroy(f->commandEvent);
    if (f->doneEvent) plat::EventDestroy(f->doneEvent);
    FreeThreadFile(f);
    LogWrite("ファイルアクセス専用スレッドの作成に失敗しました\n");
    return nullptr;
  }
  WaitCommandDone(f);
  PostCommand(f, CMD_OPEN);
  plat::EventWait(f->doneEvent, plat::kWaitForever);
  if (f->error) {
    plat::ThreadJoin(f->thread);
    plat::EventDestroy(f->commandEvent);
    plat::EventDestroy(f->doneEvent);
    FreeThreadFile(f);
    LogWrite("ファイルのオープンに失敗しました\n");
    return nullptr;
  }
  return f;
}

int ThreadFileClose(ThreadFile* f) {
  if (!f) return -1;
  int result = 0;
  if (f->threadFlag) {
    WaitCommandDone(f);
    PostCommand(f, CMD_END);
    plat::EventWait(f->doneEvent, plat::kWaitForever);
    plat::ThreadJoin(f->thread);
    plat::EventDestroy(f->commandEvent);
    plat::EventDestroy(f->doneEvent);
  } else {
    plat::FileClose(f->file);
  }
  FreeThreadFile(f);
  return result;
}

int64_t ThreadFileTell(ThreadFile* f) { return f ? f->position : -1; }

int64_t ThreadFileSize(ThreadFile* f) { return f ? f->size : -1; }

int ThreadFileSeek(ThreadFile* f, int64_t offset, int origin) {
  if (!f) return -1;
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = f->position + offset; break;
    case 2: target = f->size + offset; break;
    default: return -1;
  }
  if (target < 0) return -1;
  if (f->threadFlag) {
    WaitCommandDone(f);
    f->seekPos = target;
    PostCommand(f, CMD_SEEK);   // not waited for: the next command waits
  } else if (!plat::FileSeek(f->file, target)) {
    return -1;
  }
  f->position = target;
  f->eofFlag = 0;
  return 0;
}

size_t ThreadFileRead(void* dst, size_t itemSize, size_t itemCount, ThreadFile* f) {
  if (!f || !dst || itemSize == 0) return 0;
  if (f->position >= f->size) {
    f->eofFlag = 1;
    return 0;
  }
  uint64_t left = static_cast<uint64_t>(f->size - f->position);
  uint64_t items = itemCount;
  if (items > left / itemSize) items = left / itemSize;
  if (items == 0) {
    f->eofFlag = 1;
    return 0;
  }
  int64_t bytes = static_cast<int64_t>(items * itemSize);
  int64_t got;
  if (f->threadFlag) {
    WaitCommandDone(f);
    f->readDst = static_cast<uint8_t*>(dst);
    f->readPos = f->position;
    f->readCount = bytes;
    f->readDone = 0;
    PostCommand(f, CMD_READ);
    plat::EventWait(f->doneEvent, plat::kWaitForever);
    got = f->readDone;
  } else {
    got = ReadFully(f->file, dst, bytes);
    if (got < 0) return 0;
  }
  f->position += got;
  return static_cast<size_t>(got) / itemSize;
}

int ThreadFileEof(ThreadFile* f) { return f && f->eofFlag ? -1 : 0; }

int ThreadFileIdle(ThreadFile* f) {
  if (!f) return -1;
  if (!f->threadFlag) return 1;
  return plat::EventIsSet(f->doneEvent) ? 1 : 0;
}

// ---- the plain back end's slots ----

namespace {
FileSlotTable g_plainFiles = {0xE0000000u, {}, {}, 0, 0};

ThreadFile* PlainFile(FileHandle h) { return static_cast<ThreadFile*>(FileSlotGet(&g_plainFiles, h)); }
}  // namespace

FileHandle PlainFileOpen(const char* name, int threadFlag) {
  ThreadFile* f = ThreadFileOpen(name, threadFlag);
  if (!f) return 0;
  FileHandle h = FileSlotAdd(&g_plainFiles, f);
  if (!h) ThreadFileClose(f);
  return h;
}

int PlainFileClose(FileHandle h) {
  ThreadFile* f = static_cast<ThreadFile*>(FileSlotRemove(&g_plainFiles, h));
  return f ? ThreadFileClose(f) : -1;
}

int64_t PlainFileTell(FileHandle h) { return ThreadFileTell(PlainFile(h)); }
int PlainFileSeek(FileHandle h, int64_t offset, int origin) { return ThreadFileSeek(PlainFile(h), offset, origin); }
size_t PlainFileRead(void* dst, size_t itemSize, size_t itemCount, FileHandle h) {
  return ThreadFileRead(dst, itemSize, itemCount, PlainFile(h));
}
int PlainFileEof(FileHandle h) {
  ThreadFile* f = PlainFile(h);
  return f ? ThreadFileEof(f) : -1;
}
int PlainFileIdle(FileHandle h) { return ThreadFileIdle(PlainFile(h)); }

int PlainSetCurrentDir(const char* path) { return path && plat::SetCurrentDir(path) ? 1 : 0; }

int PlainGetCurrentDir(char* buffer) {
  if (!buffer) return 0;
  std::string dir = plat::GetCurrentDir();
  if (dir.empty() || dir.size() >= FILE_PATH_MAX) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<int>(dir.size());
}
