// Arbitrary response bytes for an HTTP transfer: the first byte picks GET into memory, GET into a
// file, POST or HEAD (bits 0-1) and, with bit 2, a server that answers and closes before the
// request arrives; otherwise the server on 127.0.0.1 reads the whole request first, as a real one
// does, so the response reaches the status, header and body parsing. Every transfer must end,
// within a bounded number of message-processing rounds, without a fault.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/network.h"
#include "engine/base/startup_window.h"
#include "platform/window.h"

namespace {

int g_listener = -1;
int g_port = 0;

bool Init() {
  plat::WindowSelectBackend(plat::WindowBackend::Headless);
  g_base.startup.noWindow = 1;
  char dir[] = "/tmp/vlx_fuzz_http_XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) abort();
  g_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(g_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(g_listener, 4) != 0) abort();
  socklen_t len = sizeof a;
  getsockname(g_listener, reinterpret_cast<sockaddr*>(&a), &len);
  g_port = ntohs(a.sin_port);
  return true;
}

// The request is whole once its header has ended (GET ends lines with CR LF, POST and HEAD with
// LF) and, for POST, its body has come too.
bool RequestComplete(const std::string& r, int kind, int bodyLength) {
  size_t end = r.find("\r\n\r\n");
  size_t after = end == std::string::npos ? std::string::npos : end + 4;
  if (after == std::string::npos) {
    end = r.find("\n\n");
    after = end == std::string::npos ? std::string::npos : end + 2;
  }
  if (after == std::string::npos) return false;
  return kind != HTTP_POST || r.size() - after >= static_cast<size_t>(bodyLength);
}

bool TransferRunning(int slot) {
  int status = -1;
  HttpGetTransferState(slot, &status, nullptr, nullptr, nullptr);
  return status == -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Init();
  (void)ready;
  if (size < 1 || size > 65536) return 0;
  const int mode = data[0] & 3;
  void* body = nullptr;
  int kind = mode == 3 ? HTTP_HEAD : mode == 2 ? HTTP_POST : HTTP_GET;
  int slot = HttpTransferStart(kind, "127.0.0.1", g_port, "/fuzz", "x=1", 3, mode == 1 ? "body.bin" : nullptr,
                               mode == 1 || mode == 3 ? nullptr : &body);
  if (slot < 0) abort();
  int peer = accept4(g_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (peer < 0) abort();
  long rounds = 0;
  const long limit = 4 * static_cast<long>(size) + 2000;
  auto step = [&] {
    if (++rounds > limit) {
      fprintf(stderr, "transfer did not end after %ld rounds\n", limit);
      abort();
    }
    ProcessMessage();
  };

  if ((data[0] & 4) == 0) {
    std::string request;
    char buffer[1024];
    while (!RequestComplete(request, kind, 3) && TransferRunning(slot)) {
      step();
      ssize_t n;
      while ((n = recv(peer, buffer, sizeof buffer, 0)) > 0) request.append(buffer, static_cast<size_t>(n));
      if (n == 0) break;   // the engine gave up on the connection
    }
  }
  // The socket's buffer may be smaller than the response: the engine reads while it is sent.
  const uint8_t* p = data + 1;
  size_t left = size - 1;
  while (left > 0) {
    ssize_t n = send(peer, p, left, MSG_NOSIGNAL);
    if (n > 0) {
      p += n;
      left -= static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && TransferRunning(slot)) {
      step();
    } else {
      break;
    }
  }
  close(peer);

  int status = -1, result = -1, length = -1, received = 0;
  HttpGetTransferState(slot, &status, &result, &length, &received);
  while (status == -1) {
    step();
    HttpGetTransferState(slot, &status, &result, &length, &received);
  }
  if (status == 0 && kind != HTTP_HEAD && length >= 0 && received != length) abort();
  if (status != 0 && body) abort();   // a failed transfer keeps no body
  if (body) {
    // Touch every byte the transfer says it stored.
    volatile uint8_t sum = 0;
    for (int i = 0; i < received; ++i) sum = static_cast<uint8_t>(sum + static_cast<uint8_t*>(body)[i]);
  }
  HttpTransferDelete(slot);
  HttpMemoryBodyFree(body);
  return 0;
}
