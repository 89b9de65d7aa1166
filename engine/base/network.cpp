// Network handles: records in a table of 4097 slots (the listening socket takes the last), raw or
// length-framed transfers through ring buffers, socket events dispatched from the network window.
#include "engine/base/network.h"

#include <algorithm>
#include <cstring>

#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/base/system_hooks.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/window.h"

NetworkState g_Network;
int32_t g_NetworkReceiveLimit = static_cast<int32_t>(NETWORK_FRAME_LIMIT);

namespace {

constexpr const char* kNetworkWindowClass = "VlxNetWorkWindow";
constexpr int kListenSlot = NETWORK_TABLE_SIZE - 1;
constexpr int kConnectTimeoutMs = 10000;
constexpr uint32_t kCloseWaitMs = 1000;
// Pumps nest through the socket handlers (receive -> pump -> accept -> pump ...); deeper pumps
// leave their messages for an outer one.
constexpr int kPumpDepthLimit = 4;
int g_PumpDepth = 0;

intptr_t NetworkWindowProc(plat::WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == NETWORK_SOCKET_MESSAGE)
    return HandleSocketMessage(static_cast<uint32_t>(lParam), static_cast<plat::NetSocket>(wParam));
  if (message == plat::WM_DESTROY) {
    g_Network.windowClosed = 1;
    return 0;
  }
  return plat::DefaultWindowProc(w, message, wParam, lParam);
}

void LinkRecord(SocketRecord* r) {
  r->prev = nullptr;
  r->next = g_Network.first;
  if (g_Network.first) g_Network.first->prev = r;
  g_Network.first = r;
}

void UnlinkRecord(SocketRecord* r) {
  if (r->prev) r->prev->next = r->next;
  else if (g_Network.first == r) g_Network.first = r->next;
  if (r->next) r->next->prev = r->prev;
  r->prev = r->next = nullptr;
}

int FirstFreeConnectionSlot() {
  for (int i = 0; i < NETWORK_CONNECTION_SLOTS; ++i)
    if (!g_Network.table[i]) return i;
  return -1;
}

// A fresh record that takes the current check number before its own handle is built from it.
SocketRecord* NewRecord(int slot) {
  SocketRecord* r = static_cast<SocketRecord*>(TRACKED_CALLOC(sizeof(SocketRecord)));
  if (!r) return nullptr;
  r->inUse = 1;
  r->framing = g_Network.framingOff ? 0 : 1;
  r->autoClose = g_Network.autoCloseOff ? 0 : 1;
  r->socket = plat::kInvalidNetSocket;
  r->check = g_Network.nextCheck;
  r->handle = static_cast<int32_t>(((static_cast<uint32_t>(r->check) | 0x4800u) << 16) |
                                   static_cast<uint32_t>(slot));
  LinkRecord(r);
  return r;
}

// Puts a made record into its slot and moves the check counter on.
void CommitRecord(SocketRecord* r, int slot) {
  g_Network.table[slot] = r;
  g_Network.count += 1;
  g_Network.nextCheck = (g_Network.nextCheck + 1) % 2048;
}

void DiscardRecord(SocketRecord* r) {
  UnlinkRecord(r);
  if (r->socket != plat::kInvalidNetSocket) plat::NetCloseSocket(r->socket);
  RingBufferFree(&r->recvRing);
  RingBufferFree(&r->sendRing);
  TrackedFree(r);
}

// A peer that broke the framing: the connection goes, the record stays (in error) for its owner.
void DropConnection(SocketRecord* r) {
  if (r->socket != plat::kInvalidNetSocket) {
    plat::NetAsyncSelect(r->socket, 0, 0, 0);
    plat::NetCloseSocket(r->socket);
    r->socket = plat::kInvalidNetSocket;
  }
  r->error = 1;
  r->connected = 0;
}

void PutLength(uint8_t out[4], uint32_t v) {
  out[0] = static_cast<uint8_t>(v);
  out[1] = static_cast<uint8_t>(v >> 8);
  out[2] = static_cast<uint8_t>(v >> 16);
  out[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetLength(const uint8_t in[4]) {
  return static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
         (static_cast<uint32_t>(in[2]) << 16) | (static_cast<uint32_t>(in[3]) << 24);
}

// Receives into the ring's free space at its write position (two calls when the space wraps).
int RecvIntoRing(SocketRecord* r, int n) {
  RingBuffer* ring = &r->recvRing;
  int total = 0;
  while (n > 0) {
    RingBufferWrap(ring);
    int free = ring->capacity - ring->dataLength;
    int chunk = ring->capacity - ring->writePos;
    if (chunk > free) chunk = free;
    if (chunk > n) chunk = n;
    if (chunk <= 0) break;
    int got = plat::NetRecv(r->socket, ring->data + ring->writePos, chunk, 0);
    if (got <= 0) break;
    ring->writePos += got;
    ring->dataLength += got;
    total += got;
    n -= got;
    if (got < chunk) break;
  }
  return total;
}

}  // namespace

int RingBufferAppend(RingBuffer* ring, const void* data, int n) {
  if (n < 0 || (n > 0 && !data)) return -1;
  RingBufferWrap(ring);
  if (RingBufferReserve(n, ring) != 0) {
    LogPrintf("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", n);
    return -1;
  }
  const uint8_t* src = static_cast<const uint8_t*>(data);
  int first = ring->capacity - ring->writePos;
  if (first > n) first = n;
  if (first > 0) memcpy(ring->data + ring->writePos, src, static_cast<size_t>(first));
  if (n > first) memcpy(ring->data, src + first, static_cast<size_t>(n - first));
  ring->writePos = (ring->writePos + n) % ring->capacity;
  ring->dataLength += n;
  return 0;
}

int RingBufferRead(RingBuffer* ring, void* destination, int n, int keep) {
  if (n < 0 || ring->dataLength < n || (n > 0 && !destination)) return -1;
  if (n == 0) return 0;
  RingBufferWrap(ring);
  uint8_t* dst = static_cast<uint8_t*>(destination);
  int first = ring->capacity - ring->readPos;
  if (first > n) first = n;
  memcpy(dst, ring->data + ring->readPos, static_cast<size_t>(first));
  if (n > first) memcpy(dst + first, ring->data, static_cast<size_t>(n - first));
  if (!keep) {
    ring->readPos = (ring->readPos + n) % ring->capacity;
    ring->dataLength -= n;
  }
  return 0;
}

SocketRecord* NetWorkCheckHandle(int handle) {
  if (!g_Network.started || handle < 0) return nullptr;
  uint32_t h = static_cast<uint32_t>(handle);
  if ((h & HANDLE_KIND_MASK) != HANDLE_KIND_NETWORK) return nullptr;
  uint32_t slot = h & 0xFFFFu;
  if (slot >= static_cast<uint32_t>(NETWORK_TABLE_SIZE)) return nullptr;
  SocketRecord* r = g_Network.table[slot];
  if (!r || (static_cast<uint32_t>(r->check) << 16) != (h & 0x07FF0000u)) return nullptr;
  return r;
}

int LogNetworkError(const char* text) {
  return LogPrintf("ネットワークログ。%s[%d]", text, plat::NetGetLastError());
}

int NetworkStartUp() {
  if (g_Network.started) return 0;
  if (plat::NetStartup() != 0) return -1;
  plat::WindowClassRegister(kNetworkWindowClass, NetworkWindowProc, 0);
  plat::WindowCreateInfo info{};
  info.className = kNetworkWindowClass;
  info.caption = "";
  info.style = plat::WS_POPUP;
  plat::WindowId w = plat::WindowCreate(info);
  if (!w) {
    LogWrite("ネットワーク用ウインドウの作成に失敗しました\n");
    plat::WindowClassUnregister(kNetworkWindowClass);
    plat::NetCleanup();
    return -1;
  }
  int32_t framingOff = g_Network.framingOff, autoCloseOff = g_Network.autoCloseOff;
  memset(&g_Network, 0, sizeof g_Network);
  g_Network.framingOff = framingOff;
  g_Network.autoCloseOff = autoCloseOff;
  g_Network.window = w;
  g_Network.started = 1;
  return 0;
}

int AcceptNetWork() {
  PumpNetworkWindow(0);
  SocketRecord* listener = g_Network.listenRecord;
  if (!listener) return -1;
  int slot = FirstFreeConnectionSlot();
  if (slot < 0) {
    // Taking the connection and closing it at once keeps later connections coming.
    plat::NetSocket s = plat::NetAccept(listener->socket, nullptr, nullptr);
    if (s != plat::kInvalidNetSocket) plat::NetCloseSocket(s);
    return LogWrite("空きソケットデータがなかったので accept を拒否しました \n");
  }
  SocketRecord* r = NewRecord(slot);
  if (!r) return LogWrite("ソケット用のメモリの確保に失敗しました\n");
  r->connected = 1;
  r->socket = plat::NetAccept(listener->socket, r->peerAddress, &r->peerPort);
  if (r->socket == plat::kInvalidNetSocket) {
    LogNetworkError("acceptに失敗しました");
    DiscardRecord(r);
    return -1;
  }
  if (plat::NetAsyncSelect(r->socket, g_Network.window, NETWORK_SOCKET_MESSAGE,
                           plat::NET_FD_READ | plat::NET_FD_WRITE | plat::NET_FD_CLOSE) != 0) {
    LogNetworkError("WSAAsyncSelectのエラー in AcceptNetWork");
    DiscardRecord(r);
    return -1;
  }
  r->acceptNew = 1;
  r->acceptOrder = ++g_Network.acceptCounter;
  CommitRecord(r, slot);
  return 1;
}

int ConnectNetWorkMode(const char* host, int port, int framing) {
  if (NetworkStartUp() != 0) return -1;
  uint8_t address[4];
  if (plat::NetResolveIPv4(host, address) != 0) return LogNetworkError("ホスト名の解決に失敗しました");
  int slot = FirstFreeConnectionSlot();
  if (slot < 0) return LogWrite("空きソケットデータがなかったので接続できませんでした\n");
  SocketRecord* r = NewRecord(slot);
  if (!r) return LogWrite("ソケット用のメモリの確保に失敗しました\n");
  r->framing = framing;
  r->socket = plat::NetSocketTcp();
  if (r->socket == plat::kInvalidNetSocket ||
      plat::NetConnect(r->socket, address, port, kConnectTimeoutMs) != 0) {
    LogNetworkError("connectに失敗しました");
    DiscardRecord(r);
    return -1;
  }
  if (plat::NetAsyncSelect(r->socket, g_Network.window, NETWORK_SOCKET_MESSAGE,
                           plat::NET_FD_READ | plat::NET_FD_WRITE | plat::NET_FD_CLOSE) != 0) {
    LogNetworkError("WSAAsyncSelectのエラー in ConnectNetWork");
    DiscardRecord(r);
    return -1;
  }
  memcpy(r->peerAddress, address, 4);
  r->peerPort = port;
  r->connected = 1;
  CommitRecord(r, slot);
  return r->handle;
}

int ConnectNetWork(const char* host, int port) {
  return ConnectNetWorkMode(host, port, g_Network.framingOff ? 0 : 1);
}

int PreparationListenNetWork(const char* address, int port) {
  if (NetworkStartUp() != 0) return -1;
  if (g_Network.listenRecord) return -1;
  uint8_t ip[4] = {0, 0, 0, 0};
  if (address && plat::NetResolveIPv4(address, ip) != 0) return LogNetworkError("ホスト名の解決に失敗しました");
  SocketRecord* r = NewRecord(kListenSlot);
  if (!r) return LogWrite("ソケット用のメモリの確保に失敗しました\n");
  r->socket = plat::NetSocketTcp();
  int bound = -1;
  if (r->socket == plat::kInvalidNetSocket || plat::NetBindListen(r->socket, ip, port, 128) != 0 ||
      (bound = plat::NetLocalPort(r->socket)) < 0) {
    LogNetworkError("listenに失敗しました");
    DiscardRecord(r);
    return -1;
  }
  if (plat::NetAsyncSelect(r->socket, g_Network.window, NETWORK_SOCKET_MESSAGE, plat::NET_FD_ACCEPT) != 0) {
    LogNetworkError("WSAAsyncSelectのエラー in PreparationListenNetWork");
    DiscardRecord(r);
    return -1;
  }
  g_Network.listenRecord = r;
  CommitRecord(r, kListenSlot);
  return bound;
}

int StopListenNetWork() {
  if (!g_Network.started || !g_Network.listenRecord) return -1;
  return CloseNetWorkHandle(g_Network.listenRecord->handle);
}

int GetNewAcceptNetWork() {
  if (!g_Network.started) return -1;
  PumpNetworkWindow(0);
  SocketRecord* best = nullptr;
  for (SocketRecord* r = g_Network.first; r; r = r->next)
    if (r->acceptNew && (!best || r->acceptOrder < best->acceptOrder)) best = r;
  if (!best) return -1;
  best->acceptNew = 0;
  return best->handle;
}

int SetNetWorkFramingOffFlag(int flag) {
  g_Network.framingOff = flag ? 1 : 0;
  return 0;
}

int SetNetWorkAutoCloseOffFlag(int flag) {
  g_Network.autoCloseOff = flag ? 1 : 0;
  return 0;
}

int HandleSocketMessage(uint32_t eventWord, plat::NetSocket socket) {
  SocketRecord* r = g_Network.first;
  while (r && r->socket != socket) r = r->next;
  if (!r || socket == plat::kInvalidNetSocket) {
    LogWrite("通信エラー No.1\n");
    return 0;
  }
  switch (eventWord & 0xFFFFu) {
    case plat::NET_FD_READ: RecvSocket(r->handle); break;
    case plat::NET_FD_WRITE: SendSocket(r->handle); break;
    case plat::NET_FD_ACCEPT: AcceptNetWork(); break;
    case plat::NET_FD_CONNECT:
      if ((eventWord >> 16) == 0) r->connected = 1;
      break;
    case plat::NET_FD_CLOSE:
      r->connected = 0;
      r->disconnectSeen = 0;
      break;
    default: break;
  }
  return 1;
}

int RecvSocket(int handle) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  if (!r) return -1;
  if (!r->framing) return 0;
  if (g_Network.recvGuard) return -1;
  if (!r->inUse) return LogWrite("有効なネットワークハンドルではありません in RecvSocket\n");
  if (r->error) return LogWrite("このネットワークハンドルにはエラーが発生しています in RecvSocket\n");
  g_Network.recvGuard = 1;
  int result = 0;
  for (int messages = 0;; ++messages) {
    bool received = false;
    if (r->recvExpected == 0) {
      if (messages >= NETWORK_RECEIVE_ROUND_MESSAGES) break;
      uint8_t header[4];
      if (plat::NetRecv(r->socket, header, 4, plat::NET_MSG_PEEK) < 4) break;
      uint32_t length = GetLength(header);
      // Full: the message stays in the socket until the program reads, or asks for more than
      // the handle holds.
      if (length <= NETWORK_FRAME_LIMIT && r->recvRing.dataLength > 0 &&
          static_cast<int64_t>(r->recvRing.dataLength) + length > g_NetworkReceiveLimit &&
          r->recvRing.dataLength >= r->recvWanted) {
        break;
      }
      plat::NetRecv(r->socket, header, 4, 0);
      if (length > NETWORK_FRAME_LIMIT) {
        LogPrintf("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
                  static_cast<int>(length));
        DropConnection(r);
        result = -1;
        break;
      }
      r->recvExpected = static_cast<int32_t>(length);
      received = true;
    }
    if (r->recvExpected > 0) {
      // Room grows with what has arrived, never with what the peer announced.
      int waiting = plat::NetBytesReadable(r->socket);
      int take = waiting < r->recvExpected ? waiting : r->recvExpected;
      if (take > 0) {
        int room = r->recvRing.dataLength + 4096;
        if (room < take) room = take;
        if (room > r->recvExpected) room = r->recvExpected;
        if (RingBufferReserve(room, &r->recvRing) != 0) {
          LogPrintf("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
                    r->recvExpected);
          r->error = 1;
          result = -1;
          break;
        }
        int got = RecvIntoRing(r, take);
        r->recvExpected -= got;
        if (got > 0) received = true;
      }
    }
    if (PumpNetworkWindow(0) != 0 || !received || r->recvExpected != 0) break;
  }
  g_Network.recvGuard = 0;
  return result;
}

int SendSocket(int handle) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  if (!r) return -1;
  if (!r->framing || r->sendRing.dataLength == 0) return 0;
  if (g_Network.sendGuard) return -1;
  if (!r->inUse) return LogWrite("有効なネットワークハンドルではありません in SendSocket\n");
  if (r->error) return LogWrite("このネットワークハンドルにはエラーが発生しています in SendSocket\n");
  g_Network.sendGuard = 1;
  RingBuffer* ring = &r->sendRing;
  for (;;) {
    bool sent = false;
    uint8_t header[4];
    if (r->sendHeaderLeft > 0) {
      PutLength(header, r->sendLength);
      int n = plat::NetSend(r->socket, header + (4 - r->sendHeaderLeft), r->sendHeaderLeft, 0);
      if (n > 0) {
        r->sendHeaderLeft -= n;
        sent = true;
      }
      if (r->sendHeaderLeft > 0) break;
    }
    if (r->sendLength == 0) {
      if (ring->dataLength == 0) break;
      r->sendLength = static_cast<uint32_t>(ring->dataLength);
      PutLength(header, r->sendLength);
      int n = plat::NetSend(r->socket, header, 4, 0);
      if (n < 0) {
        r->sendLength = 0;
        break;
      }
      if (n < 4) {
        r->sendHeaderLeft = 4 - n;
        break;
      }
      sent = true;
    }
    while (r->sendLength > 0) {
      RingBufferWrap(ring);
      int chunk = ring->capacity - ring->readPos;
      if (static_cast<uint32_t>(chunk) > r->sendLength) chunk = static_cast<int>(r->sendLength);
      int n = plat::NetSend(r->socket, ring->data + ring->readPos, chunk, 0);
      if (n <= 0) break;
      ring->readPos += n;
      ring->dataLength -= n;
      r->sendLength -= static_cast<uint32_t>(n);
      sent = true;
      if (n < chunk) break;
    }
    if (PumpNetworkWindow(0) != 0 || !sent || r->sendLength > 0) break;
  }
  g_Network.sendGuard = 0;
  return 0;
}

namespace {

// The checks every data operation starts with; null after logging when the handle is unusable.
SocketRecord* CheckForUse(int handle, const char* errorText, const char* invalidText) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  if (!r) return nullptr;
  PumpNetworkWindow(0);
  if (r->error) {
    LogWrite(errorText);
    return nullptr;
  }
  if (!r->inUse) {
    LogWrite(invalidText);
    return nullptr;
  }
  return r;
}

int RecvCommon(int handle, void* buffer, int n, int peek) {
  SocketRecord* r =
      peek ? CheckForUse(handle, "このネットワークハンドルにはエラーが発生しています in NetWorkRecvToPeek\n",
                         "有効なネットワークハンドルではありません in NetWorkRecvToPeek\n")
           : CheckForUse(handle, "このネットワークハンドルにはエラーが発生しています in NetWorkRecv\n",
                         "有効なネットワークハンドルではありません in NetWorkRecv\n");
  if (!r) return -1;
  RecvSocket(handle);
  if (!r->framing) return plat::NetRecv(r->socket, buffer, n, peek ? plat::NET_MSG_PEEK : 0);
  if (n < 0) return -1;
  // A full handle takes in more once the program asks for more than it holds.
  if (r->recvRing.dataLength < n && n > r->recvWanted) {
    r->recvWanted = n;
    RecvSocket(handle);
  }
  if (r->recvRing.dataLength < n) return -1;
  r->recvWanted = 0;
  if (RingBufferRead(&r->recvRing, buffer, n, peek) != 0) return -1;
  RecvSocket(handle);
  return 0;
}

}  // namespace

int NetWorkRecv(int handle, void* buffer, int n) { return RecvCommon(handle, buffer, n, 0); }

int NetWorkRecvToPeek(int handle, void* buffer, int n) { return RecvCommon(handle, buffer, n, 1); }

int NetWorkSend(int handle, const void* data, int n) {
  SocketRecord* r = CheckForUse(handle, "このネットワークハンドルにはエラーが発生しています in NetWorkSend\n",
                                "有効なネットワークハンドルではありません in NetWorkSend\n");
  if (!r || !r->connected) return -1;
  SendSocket(handle);
  if (!r->framing) return plat::NetSend(r->socket, data, n, 0);
  if (RingBufferAppend(&r->sendRing, data, n) != 0)
    return LogPrintf("送信データ %d byte の追加に失敗しました in NewWorkSend", n);
  SendSocket(handle);
  return 0;
}

int GetNetWorkAcceptState(int handle) {
  SocketRecord* r =
      CheckForUse(handle, "このネットワークハンドルにはエラーが発生しています in GetNetWorkAcceptStateh\n",
                  "有効なネットワークハンドルではありません in GetNetWorkAcceptState\n");
  if (!r) return -1;
  if (r->connected) return 1;
  r->disconnectSeen = 1;
  return 0;
}

int GetNetWorkDataLength(int handle) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  if (!r) return -1;
  RecvSocket(handle);
  SendSocket(handle);
  r = CheckForUse(handle, "このネットワークハンドルにはエラーが発生しています in GetNetWorkDataLength\n",
                  "有効なネットワークハンドルではありません in GetNetWorkDataLength\n");
  if (!r) return -1;
  if (r->framing) return r->recvRing.dataLength;
  uint8_t b;
  int n = plat::NetRecv(r->socket, &b, 1, plat::NET_MSG_PEEK);
  if (n > 0) return 1;
  if (n == 0 || plat::NetGetLastError() == plat::WSAEWOULDBLOCK) return 0;
  return n;
}

int CloseNetWorkHandle(int handle) {
  SocketRecord* r = NetWorkCheckHandle(handle);
  if (!r) return -1;
  PumpNetworkWindow(0);
  uint32_t start = plat::MillisecondClock();
  while (r->framing && r->recvExpected > 0 && r->connected && !r->error &&
         plat::MillisecondClock() - start < kCloseWaitMs) {
    if (PumpNetworkWindow(0) != 0) break;
    RecvSocket(handle);
    if (r->recvExpected > 0) plat::Sleep(1);
  }
  start = plat::MillisecondClock();
  while (r->sendRing.dataLength > 0 && r->connected && !r->error &&
         plat::MillisecondClock() - start < kCloseWaitMs) {
    if (PumpNetworkWindow(0) != 0) break;
    SendSocket(handle);
    if (r->sendRing.dataLength > 0) plat::Sleep(1);
  }
  if (r->socket != plat::kInvalidNetSocket) plat::NetAsyncSelect(r->socket, g_Network.window, 0, 0);
  r->inUse = 0;
  r->connected = 0;
  r->disconnectSeen = 1;
  int slot = handle & 0xFFFF;
  if (g_Network.listenRecord == r) g_Network.listenRecord = nullptr;
  DiscardRecord(r);
  g_Network.table[slot] = nullptr;
  g_Network.count -= 1;
  return 0;
}

int PumpNetworkWindow(int sweep) {
  if (!g_Network.started || !g_Network.window) return 0;
  if (sweep) {
    for (int slot = 0; slot < NETWORK_TABLE_SIZE; ++slot) {
      SocketRecord* r = g_Network.table[slot];
      // Bytes already received stay readable until their owner has taken them.
      if (r && r->inUse &&
          (r->error || (!r->connected && r->disconnectSeen && r->autoClose && r->recvRing.dataLength == 0 &&
                        plat::NetBytesReadable(r->socket) <= 0)))
        CloseNetWorkHandle(r->handle);
    }
  }
  if (g_PumpDepth >= kPumpDepthLimit) return 0;
  ++g_PumpDepth;
  if (g_PumpDepth == 1) plat::NetPollNotices();
  plat::Message m;
  while (g_Network.window && plat::PeekWindowMessage(&m, g_Network.window, true))
    plat::DispatchWindowMessage(m);
  --g_PumpDepth;
  return 0;
}

int NetworkTerminate() {
  if (!g_Network.started) return 0;
  LogWrite("ネットワーク関連の終了処理を行います \n");
  for (int slot = 0; slot < NETWORK_TABLE_SIZE; ++slot)
    if (SocketRecord* r = g_Network.table[slot]) CloseNetWorkHandle(r->handle);
  if (g_Network.window) {
    plat::PostWindowMessage(g_Network.window, plat::WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && !g_Network.windowClosed; ++i) PumpNetworkWindow(0);
    // A pump from a thread that does not own the window sees nothing; close it directly then.
    if (!g_Network.windowClosed) plat::WindowDestroy(g_Network.window);
  }
  plat::WindowClassUnregister(kNetworkWindowClass);
  int32_t framingOff = g_Network.framingOff, autoCloseOff = g_Network.autoCloseOff;
  memset(&g_Network, 0, sizeof g_Network);
  g_Network.framingOff = framingOff;
  g_Network.autoCloseOff = autoCloseOff;
  plat::NetCleanup();
  LogWrite("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}

// Hooks of start-up, shut-down, the window procedure and message processing.
void NetWorkPumpWindow() { PumpNetworkWindow(1); }
void NetWorkTerminate() { NetworkTerminate(); }
intptr_t NetWorkSocketEvent(uintptr_t wParam, intptr_t lParam) {
  return HandleSocketMessage(static_cast<uint32_t>(lParam), static_cast<plat::NetSocket>(wParam));
}
