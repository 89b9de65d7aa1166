// HTTP/1.0 transfers over raw network handles, one step at a time from message processing.
#include "engine/base/network.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/base/log.h"
#include "engine/base/str_helpers.h"
#include "engine/base/system_hooks.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/sync.h"

HttpState g_Http;

namespace {

// A body kept in memory is allocated from the length the server states; beyond this the
// transfer fails as if memory had run out.
constexpr int kMemoryBodyLimit = 256 << 20;
constexpr uint32_t kSendWaitMs = 10000;
// Body bytes one step takes; a server that never pauses must not hold message processing.
constexpr int kBodyBytesPerStep = 1 << 20;

HttpTransfer* TransferOf(int slot) {
  if (slot < 0 || slot >= HTTP_TABLE_SIZE) return nullptr;
  return g_Http.table[slot];
}

bool ConnectionDown(int handle) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  return !r || !r->connected;
}

// Raw sends may take part of the data; the rest goes once the socket has room again.
int SendAll(int handle, const void* data, int n) {
  const char* p = static_cast<const char*>(data);
  uint32_t start = plat::MillisecondClock();
  while (n > 0) {
    int sent = NetWorkSend(handle, p, n);
    if (sent > 0) {
      p += sent;
      n -= sent;
      continue;
    }
    if (sent == 0 || ConnectionDown(handle) || plat::NetGetLastError() != plat::WSAEWOULDBLOCK ||
        plat::MillisecondClock() - start >= kSendWaitMs)
      return -1;
    plat::Sleep(1);
  }
  return 0;
}

// One line of the response: 1 a line was read into line, 0 wait, -1 finished.
int ReadHeader(int slot, HttpTransfer* t, char* line) {
  int r = HttpReadLine(t->network, line);
  if (r == -2) {
    HttpTransferFinish(slot, 2, 0);
    return -1;
  }
  if (r < 0) {
    if (ConnectionDown(t->network)) {
      HttpTransferFinish(slot, 2, 3);
      return -1;
    }
    return 0;
  }
  return 1;
}

// Reads the status line: 1 when it was 200, 0 when the caller is to wait, -1 when finished.
int ReadStatus(int slot, HttpTransfer* t, bool logFailure) {
  char line[256];
  int r = ReadHeader(slot, t, line);
  if (r <= 0) return r;
  int status = ParseIntAfterBlank(line);
  if (status == 200) return 1;
  if (logFailure) LogPrintf("接続に失敗しました (戻り値:%d)", status);
  HttpTransferFinish(slot, 2, status == 404 ? 1 : 0);
  return -1;
}

bool IsContentLength(const char* line) { return strncmp(line, "Content-Length:", 15) == 0; }

bool StartsWithNoCase(const char* s, const char* prefix) {
  for (; *prefix; ++s, ++prefix)
    if (tolower(static_cast<unsigned char>(*s)) != tolower(static_cast<unsigned char>(*prefix))) return false;
  return true;
}

// The request is HTTP/1.0, whose bodies are plain bytes; a server that answers in chunks anyway
// would leave its chunk markers in the body, so such an answer is refused.
bool IsChunkedEncoding(const char* line) {
  if (!StartsWithNoCase(line, "Transfer-Encoding:")) return false;
  for (const char* p = line + 18; *p; ++p)
    if (StartsWithNoCase(p, "chunked")) return true;
  return false;
}

// GET and POST differ only in their request, the failure log and how long a call keeps reading.
int BodyTransferStep(int slot, bool post) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  char line[256];
  for (;;) {
    switch (t->step) {
      case 0: {
        char request[768];
        int n = post ? snprintf(request, sizeof request, "POST %s HTTP/1.0\nHost: %s:%d\nContent-Length: %d\n\n",
                                t->path, t->host, t->port, t->postLength)
                     : snprintf(request, sizeof request,
                                "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n", t->path,
                                t->host, t->port);
        if (SendAll(t->network, request, n) != 0 ||
            (post && t->postLength > 0 && SendAll(t->network, t->postBody, t->postLength) != 0)) {
          HttpTransferFinish(slot, 2, 3);
          return 0;
        }
        t->step = 1;
        break;
      }
      case 1: {
        int r = ReadStatus(slot, t, !post);
        if (r <= 0) return 0;
        t->step = 2;
        break;
      }
      case 2: {
        int r = ReadHeader(slot, t, line);
        if (r <= 0) return 0;
        if (strchr(line, ':')) {
          if (IsChunkedEncoding(line)) {
            LogWrite("チャンク形式の応答には対応していません\n");
            HttpTransferFinish(slot, 2, 0);
            return 0;
          }
          if (IsContentLength(line)) {
            int length = ParseIntAfterBlank(line);
            t->contentLength = length < 0 ? -1 : length;
            if (t->outputKind == HTTP_OUT_MEMORY && t->contentLength >= 0) {
              TrackedFree(*t->memoryBody);
              *t->memoryBody = nullptr;
              if (t->contentLength <= kMemoryBodyLimit)
                *t->memoryBody = TRACKED_ALLOC(static_cast<size_t>(t->contentLength));
              if (!*t->memoryBody) {
                HttpTransferFinish(slot, 2, 2);
                return 0;
              }
            }
          }
          return 0;
        }
        // A body in memory needs its length before it comes.
        if (t->outputKind == HTTP_OUT_MEMORY && t->contentLength < 0) {
          HttpTransferFinish(slot, 2, 2);
          return 0;
        }
        t->step = 3;
        break;
      }
      case 3: {
        for (int stepBytes = 0;;) {
          int got;
          if (t->outputKind == HTTP_OUT_FILE) {
            char buffer[4096];
            int want = static_cast<int>(sizeof buffer);
            if (t->contentLength >= 0 && t->contentLength - t->received < want)
              want = t->contentLength - t->received;
            got = want > 0 ? NetWorkRecv(t->network, buffer, want) : 0;
            if (got > 0 && plat::FileWrite(static_cast<plat::File*>(t->outputFile), buffer, got) != got) {
              HttpTransferFinish(slot, 2, 2);
              return 0;
            }
          } else {
            int want = t->contentLength - t->received;
            got = want > 0 ? NetWorkRecv(t->network, static_cast<char*>(*t->memoryBody) + t->received, want) : 0;
          }
          if (got < 0) got = 0;
          t->received += got;
          stepBytes += got;
          bool complete = t->contentLength >= 0
                              ? t->received >= t->contentLength
                              : ConnectionDown(t->network) && GetNetWorkDataLength(t->network) <= 0;
          if (complete) {
            t->step = 4;
            HttpTransferFinish(slot, 0, -1);
            return 0;
          }
          if (got == 0 || stepBytes >= kBodyBytesPerStep) return 0;
          if (post && !(t->contentLength >= 0 && t->received < t->contentLength)) return 0;
        }
      }
      default:
        HttpTransferFinish(slot, 0, -1);
        return 0;
    }
  }
}

}  // namespace

int HttpReadLine(int handle, char* line) {
  char peek[256];
  int n = NetWorkRecvToPeek(handle, peek, 255);
  if (n <= 0) return -1;
  const char* lf = static_cast<const char*>(memchr(peek, '\n', static_cast<size_t>(n)));
  if (!lf) return n >= 255 ? -2 : -1;
  int length = static_cast<int>(lf - peek);
  memcpy(line, peek, static_cast<size_t>(length));
  line[length] = 0;
  NetWorkRecv(handle, peek, length + 1);
  return 0;
}

int HttpGetStep(int slot) { return BodyTransferStep(slot, false); }

int HttpPostStep(int slot) { return BodyTransferStep(slot, true); }

int HttpHeadStep(int slot) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  char line[256];
  for (;;) {
    switch (t->step) {
      case 0: {
        char request[512];
        int n = snprintf(request, sizeof request, "HEAD %s HTTP/1.0\n\n", t->path);
        if (SendAll(t->network, request, n) != 0) {
          HttpTransferFinish(slot, 2, 3);
          return 0;
        }
        t->step = 1;
        break;
      }
      case 1:
        if (ReadStatus(slot, t, false) <= 0) return 0;
        t->step = 2;
        break;
      case 2:
        if (ReadHeader(slot, t, line) <= 0) return 0;
        if (IsContentLength(line)) {
          int length = ParseIntAfterBlank(line);
          t->contentLength = length < 0 ? -1 : length;
          t->step = 3;
          HttpTransferFinish(slot, 0, -1);
        }
        return 0;
      default:
        HttpTransferFinish(slot, 0, -1);
        return 0;
    }
  }
}

int HttpTransferProcess(int slot) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  if (t->status != -1) return 0;
  if (GetNetWorkAcceptState(t->network) <= 0 && GetNetWorkDataLength(t->network) <= 0) {
    // Without a stated length, the end of the connection is the end of the body.
    bool bodyDone = t->kind != HTTP_HEAD && t->step == 3 && t->contentLength < 0;
    HttpTransferFinish(slot, bodyDone ? 0 : 2, bodyDone ? -1 : 3);
    return 0;
  }
  switch (t->kind) {
    case HTTP_GET: return HttpGetStep(slot) < 0 ? -1 : 0;
    case HTTP_POST: return HttpPostStep(slot) < 0 ? -1 : 0;
    default: return HttpHeadStep(slot) < 0 ? -1 : 0;
  }
}

int HttpProcessAll() {
  int seen = 0;
  for (int slot = 0; slot < HTTP_TABLE_SIZE && seen < g_Http.count; ++slot) {
    if (!g_Http.table[slot]) continue;
    ++seen;
    HttpTransferProcess(slot);
  }
  return 0;
}

int HttpTransferFinish(int slot, int status, int result) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  if (t->network >= 0) {
    CloseNetWorkHandle(t->network);
    t->network = -1;
  }
  TrackedFree(t->postBody);
  t->postBody = nullptr;
  if (t->outputFile) {
    plat::FileClose(static_cast<plat::File*>(t->outputFile));
    t->outputFile = nullptr;
  }
  if (t->status == -1) t->status = status;
  if (t->result == -1) t->result = result;
  if (t->status != 0 && t->outputKind == HTTP_OUT_MEMORY && t->memoryBody && *t->memoryBody) {
    TrackedFree(*t->memoryBody);
    *t->memoryBody = nullptr;
  }
  // From here the body, if any, is the caller's; its pointer is not touched again.
  t->memoryBody = nullptr;
  return 0;
}

int HttpTransferDelete(int slot) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  HttpTransferFinish(slot, 0, -1);
  TrackedFree(t);
  g_Http.table[slot] = nullptr;
  g_Http.count -= 1;
  return 0;
}

int HttpTransferDeleteAll() {
  for (int slot = 0; slot < HTTP_TABLE_SIZE; ++slot)
    if (g_Http.table[slot]) HttpTransferDelete(slot);
  return 0;
}

int HttpTransferStart(int kind, const char* host, int port, const char* path, const void* postBody,
                      int postLength, const char* fileName, void** memoryBody) {
  if (kind < HTTP_GET || kind > HTTP_HEAD || !host || !path || port <= 0 || port > 65535) return -1;
  if (strlen(host) >= sizeof(HttpTransfer::host) || strlen(path) >= sizeof(HttpTransfer::path)) return -1;
  if (kind != HTTP_HEAD && !fileName && !memoryBody) return -1;
  if (kind == HTTP_POST && (postLength < 0 || (postLength > 0 && !postBody))) return -1;
  int slot = 0;
  while (slot < HTTP_TABLE_SIZE && g_Http.table[slot]) ++slot;
  if (slot == HTTP_TABLE_SIZE) return -1;

  HttpTransfer* t = static_cast<HttpTransfer*>(TRACKED_CALLOC(sizeof(HttpTransfer)));
  if (!t) return -1;
  t->kind = kind;
  t->status = -1;
  t->result = -1;
  t->network = -1;
  t->contentLength = -1;
  t->port = port;
  strcpy(t->host, host);
  strcpy(t->path, path);
  if (kind == HTTP_POST && postLength > 0) {
    t->postBody = TRACKED_ALLOC(static_cast<size_t>(postLength));
    if (!t->postBody) {
      TrackedFree(t);
      return -1;
    }
    memcpy(t->postBody, postBody, static_cast<size_t>(postLength));
  }
  t->postLength = kind == HTTP_POST ? postLength : 0;
  if (kind != HTTP_HEAD) {
    if (fileName) {
      t->outputKind = HTTP_OUT_FILE;
      t->outputFile = plat::FileOpen(fileName, plat::OpenMode::WriteTruncate);
    } else {
      t->outputKind = HTTP_OUT_MEMORY;
      t->memoryBody = memoryBody;
      *memoryBody = nullptr;
    }
  }
  if ((t->outputKind == HTTP_OUT_FILE && kind != HTTP_HEAD && !t->outputFile) ||
      (t->network = ConnectNetWorkMode(host, port, 0)) < 0) {
    if (t->outputFile) plat::FileClose(static_cast<plat::File*>(t->outputFile));
    TrackedFree(t->postBody);
    TrackedFree(t);
    return -1;
  }
  // The transfer closes its connection itself when it finishes.
  NetWorkCheckHandle(t->network)->autoClose = 0;
  g_Http.table[slot] = t;
  g_Http.count += 1;
  return slot;
}

int HttpGetTransferState(int slot, int* status, int* result, int* contentLength, int* received) {
  HttpTransfer* t = TransferOf(slot);
  if (!t) return -1;
  if (status) *status = t->status;
  if (result) *result = t->result;
  if (contentLength) *contentLength = t->contentLength;
  if (received) *received = t->received;
  return 0;
}

int HttpMemoryBodyFree(void* body) {
  TrackedFree(body);
  return 0;
}

// Hooks of start-up, shut-down and message processing.
void HttpProcessAllTransfers() { HttpProcessAll(); }
void HttpClearTransferTable() { memset(&g_Http, 0, sizeof g_Http); }
void HttpDeleteAllTransfers() { HttpTransferDeleteAll(); }
