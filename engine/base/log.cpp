// The log writer. The file is opened and closed for every call, so the log survives a crash up to
// its last line.
#include "engine/base/log.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/memory.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/sync.h"
#include "platform/text.h"

namespace {

char g_LogFileName[256] = "Log.txt";
int g_Indent = 0;
int g_MidLine = 0;
uint32_t g_LogStartTime = 0;

// Writers may run on more than one thread (the allocator logs its failures wherever it runs).
plat::CriticalSection& LogGuard() {
  static plat::CriticalSection cs;
  return cs;
}

// The terminal gets the text in the user's character set; the file keeps the engine's bytes.
void DebugOutput(const char* data, size_t n) {
  if (!n) return;
  const std::string text = plat::Cp932ToTerminal(std::string_view(data, n));
  fwrite(text.data(), 1, text.size(), stderr);
}

// Opens the log file in the start-up folder: positioned at its end, or, for a fresh log, deleted
// and created anew. The current folder is changed for the open and put back by CloseLogFile.
// The one place that touches the file system, so that it can move onto the file-access table.
plat::File* OpenLogFile(std::string* savedDir, bool fresh) {
  *savedDir = plat::GetCurrentDir();
  if (g_StartDirectory[0]) plat::SetCurrentDir(g_StartDirectory);
  if (fresh) {
    plat::FileDelete(g_LogFileName);
    return plat::FileOpen(g_LogFileName, plat::OpenMode::WriteCreateNew);
  }
  plat::File* f = plat::FileOpen(g_LogFileName, plat::OpenMode::WriteAlways);
  if (f) {
    int64_t end = plat::FileSize(f);
    if (end > 0) plat::FileSeek(f, end);
  }
  return f;
}

void CloseLogFile(plat::File* f, const std::string& savedDir) {
  if (f) plat::FileClose(f);
  if (!savedDir.empty()) plat::SetCurrentDir(savedDir.c_str());
}

// LF without CR becomes CR LF; the scan ends at the first LF that already has its CR and the rest
// is copied as it is. Second bytes of double-byte characters are never taken for line feeds.
size_t ConvertLineEnds(const char* src, size_t len, char* dst) {
  size_t i = 0, o = 0;
  while (i < len) {
    unsigned char c = static_cast<unsigned char>(src[i]);
    if (plat::IsCp932Lead(c) && i + 1 < len) {
      dst[o++] = src[i++];
      dst[o++] = src[i++];
      continue;
    }
    if (c == '\n') {
      if (i > 0 && src[i - 1] == '\r') break;
      dst[o++] = '\r';
    }
    dst[o++] = src[i++];
  }
  while (i < len) dst[o++] = src[i++];
  return o;
}

}  // namespace

int LogFileInitialize() {
  if (g_LogOffFlag || g_UserWindowFlag) return 1;
  LogGuard().Enter();
  if (g_LogDateStampedNameFlag) {
    plat::LocalTimeParts t;
    plat::LocalTime(&t);
    snprintf(g_LogFileName, sizeof g_LogFileName, "Log%d_%d_%d_%d_%d_%d.txt", t.year, t.month, t.day,
             t.hour, t.minute, t.second);
  } else {
    snprintf(g_LogFileName, sizeof g_LogFileName, "Log.txt");
  }
  std::string saved;
  CloseLogFile(OpenLogFile(&saved, true), saved);
  g_Indent = 0;
  g_MidLine = 0;
  g_LogStartTime = plat::MillisecondClock();
  LogGuard().Leave();
  return 1;
}

int LogWrite(const char* text) {
  if (!text || !text[0]) return -1;
  const size_t len = strlen(text);
  char local[1024];
  char* buffer = local;
  if (len > (sizeof local - 1) / 2) {
    buffer = static_cast<char*>(TRACKED_ALLOC(len * 2 + 1));
    if (!buffer) return -1;
  }
  const size_t n = ConvertLineEnds(text, len, buffer);
  buffer[n] = '\0';

  LogGuard().Enter();
  if (g_UserWindowFlag) {
    DebugOutput(buffer, n);
  } else if (!g_LogOffFlag && g_StartDirectory[0]) {
    std::string saved;
    plat::File* f = OpenLogFile(&saved, false);
    if (f) {
      if (!g_MidLine) {
        if (!g_LogTimeStampOffFlag) {
          char stamp[16];
          int k = snprintf(stamp, sizeof stamp, "%d:",
                           static_cast<int>(plat::MillisecondClock() - g_LogStartTime));
          plat::FileWrite(f, stamp, k);
        }
        if (g_Indent > 0) {
          std::string tabs(static_cast<size_t>(g_Indent), '\t');
          plat::FileWrite(f, tabs.data(), static_cast<int64_t>(tabs.size()));
          DebugOutput(tabs.data(), tabs.size());
        }
      }
      plat::FileWrite(f, buffer, static_cast<int64_t>(n));
      DebugOutput(buffer, n);
      g_MidLine = buffer[n - 1] != '\n';
    }
    CloseLogFile(f, saved);
  }
  LogGuard().Leave();

  if (buffer != local) TrackedFree(buffer);
  return -1;
}

int LogPrintf(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(buffer, sizeof buffer - 1, format, args);
  va_end(args);
  if (n < 0) return -1;
  size_t used = strlen(buffer);
  buffer[used] = '\n';
  buffer[used + 1] = '\0';
  return LogWrite(buffer);
}

int LogIndentIncrease() {
  LogGuard().Enter();
  g_Indent += 1;
  LogGuard().Leave();
  return 0;
}

int LogIndentDecrease() {
  LogGuard().Enter();
  if (g_Indent > 0) g_Indent -= 1;
  LogGuard().Leave();
  return 0;
}

int SetLogFileOutputFlag(int flag) {
  g_LogOffFlag = flag == 0 ? 1 : 0;
  return 0;
}

const char* GetLogFileName() { return g_LogFileName; }

int LogMemoryBlock(const TrackedBlockHeader* block) {
  const unsigned char* data = reinterpret_cast<const unsigned char*>(block) + TRACKED_HEADER_SIZE;
  // A damaged header may claim any size: only bytes that both the header and its guard copy vouch
  // for are read.
  uint32_t guardedSize;
  memcpy(&guardedSize, block->guard + offsetof(TrackedBlockHeader, size), sizeof guardedSize);
  uint32_t readable = block->size < guardedSize ? block->size : guardedSize;
  const int shown = readable < 16 ? static_cast<int>(readable) : 16;
  char line[256];
  int k = snprintf(line, sizeof line, "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  data:<",
                   static_cast<int>(block->size), block->size / 1024.0, block->name, block->line,
                   block->id);
  for (int i = 0; i < shown; ++i) line[k++] = data[i] < 32 ? '.' : static_cast<char>(data[i]);
  k += snprintf(line + k, sizeof line - k, "> [");
  for (int i = 0; i < shown; ++i) k += snprintf(line + k, sizeof line - k, "%02x ", data[i]);
  if (shown > 0) k -= 1;
  k += snprintf(line + k, sizeof line - k, "]\n");
  return LogWrite(line);
}
