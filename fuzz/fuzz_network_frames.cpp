// Framed network messages from a peer: the input is what a plain socket on 127.0.0.1 sends to a
// framed handle of the engine (lengths and bodies as they come, broken framing included) before it
// closes. The first byte sets how the program reads: the piece size, and whether it reads while the
// bytes arrive or only at the end. Every round must end, what the handle buffers must stay within
// its limit, and the handle must end closed with nothing left behind.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/base/memory.h"
#include "engine/base/network.h"
#include "engine/base/startup_window.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace {

int g_port = -1;

int PlainConnect() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(g_port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
  return fd;
}

// Takes whole pieces as long as there are any, as a program would; a read that finds too little
// tells the handle how much is wanted.
void ReadPieces(int h, int piece) {
  std::vector<uint8_t> buf(static_cast<size_t>(piece));
  while (NetWorkRecv(h, buf.data(), piece) == 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The closing of a handle waits for an unfinished message on the clock: virtual time passes at once.
  plat::VirtualClockEnable();
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  g_base.startup.noWindow = 1;
  g_NetworkReceiveLimit = 16 << 10;   // small, so that the limit is reached often
  g_port = PreparationListenNetWork("127.0.0.1", 0);
  if (g_port <= 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  int64_t before = 0;
  GetAllocationTotals(&before, nullptr);
  const int piece = 16 + (data[0] & 0x3F) * 97;
  const bool readWhileSending = (data[0] >> 6) & 1;
  const int peer = PlainConnect();
  int h = -1;
  for (int i = 0; i < 2000 && h < 0; ++i) {
    ProcessMessage();
    h = GetNewAcceptNetWork();
    if (h < 0) usleep(100);
  }
  if (h < 0) std::abort();
  SocketRecord* r = NetWorkCheckHandle(h);
  // A handle takes a new message only while it fits the limit, into an empty ring, or while a read
  // asks for more than the handle holds: never past the limit by more than one message.
  const int64_t bound = g_NetworkReceiveLimit + static_cast<int64_t>(size);
  const uint8_t* p = data + 1;
  size_t left = size - 1;
  while (left > 0) {
    const ssize_t n = send(peer, p, left < 4096 ? left : 4096, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      p += n;
      left -= static_cast<size_t>(n);
    }
    ProcessMessage();
    if (!NetWorkCheckHandle(h)) break;   // the sweep took a handle broken by its peer
    if (r->recvRing.dataLength > bound) std::abort();
    if (readWhileSending) ReadPieces(h, piece);
    else if (n <= 0) ReadPieces(h, piece);   // the socket is full: the program reads at last
  }
  close(peer);
  for (int round = 0; round < 4000 && NetWorkCheckHandle(h); ++round) {
    ProcessMessage();
    if (!NetWorkCheckHandle(h)) break;
    ReadPieces(h, piece);
    if (r->recvRing.dataLength > bound) std::abort();
    // Closed (or broken) and drained as far as this program reads: done.
    if (GetNetWorkAcceptState(h) != 1 && GetNetWorkDataLength(h) < piece && plat::NetBytesReadable(r->socket) <= 0) {
      break;
    }
  }
  if (NetWorkCheckHandle(h)) CloseNetWorkHandle(h);
  int64_t after = 0;
  GetAllocationTotals(&after, nullptr);
  if (after != before) std::abort();
  return 0;
}
