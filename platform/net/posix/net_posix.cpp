// POSIX TCP sockets behind the engine's socket ids; notices come from a zero-time poll.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "platform/net.h"

namespace plat {

namespace {

constexpr int kSlotBits = 13;
constexpr int kMaxSockets = 1 << kSlotBits;
constexpr uint32_t kGenerationLimit = 1u << (31 - kSlotBits);

struct SocketSlot {
  bool used;
  bool listening;
  int fd;
  uint32_t generation;
  NetSocket id;
  WindowId window;
  uint32_t message;
  int events;
  bool readArmed, writeArmed, acceptArmed, closeArmed;
};

struct PendingNotice {
  WindowId window;
  uint32_t message;
  NetSocket id;
  intptr_t word;
};

std::mutex g_mutex;
int g_startCount = 0;
SocketSlot g_slots[kMaxSockets];
int g_slotsInUse = 0;   // one past the highest slot ever used: polls look no further
pollfd g_pollFds[kMaxSockets];
int g_pollSlot[kMaxSockets];
PendingNotice g_notices[kMaxSockets * 3];
thread_local int t_lastError = 0;

int Fail(int wsaError) {
  t_lastError = wsaError;
  return -1;
}

SocketSlot* SlotOf(NetSocket id) {
  if (id < 0) return nullptr;
  SocketSlot* s = &g_slots[id & (kMaxSockets - 1)];
  return (s->used && s->id == id) ? s : nullptr;
}

NetSocket AddSocket(int fd, bool listening) {
  for (int i = 0; i < kMaxSockets; ++i) {
    SocketSlot& s = g_slots[i];
    if (s.used) continue;
    uint32_t gen = s.generation + 1;
    if (gen >= kGenerationLimit) gen = 1;
    s = SocketSlot{};
    s.used = true;
    s.listening = listening;
    s.fd = fd;
    s.generation = gen;
    s.id = static_cast<NetSocket>((static_cast<intptr_t>(gen) << kSlotBits) | i);
    if (i >= g_slotsInUse) g_slotsInUse = i + 1;
    return s.id;
  }
  return kInvalidNetSocket;
}

sockaddr_in MakeAddress(const uint8_t ipv4[4], int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  memcpy(&a.sin_addr, ipv4, 4);
  return a;
}

void SetNonBlocking(int fd, bool on) {
  int fl = fcntl(fd, F_GETFL, 0);
  if (fl < 0) return;
  fcntl(fd, F_SETFL, on ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK));
}

}  // namespace

int NetErrorFromErrno(int err) {
  switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK;   // a non-blocking connect under way
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: case EPIPE: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH: case EHOSTDOWN: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
  }
}

int NetStartup() {
  std::lock_guard<std::mutex> g(g_mutex);
  ++g_startCount;
  return 0;
}

int NetCleanup() {
  std::lock_guard<std::mutex> g(g_mutex);
  if (g_startCount == 0) return Fail(WSANOTINITIALISED);
  if (--g_startCount == 0) {
    for (SocketSlot& s : g_slots) {
      if (!s.used) continue;
      close(s.fd);
      s.used = false;
    }
  }
  return 0;
}

int NetGetLastError() { return t_lastError; }

int NetResolveIPv4(const char* host, uint8_t out[4]) {
  if (!host || !*host || !out) return Fail(WSAEINVAL);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return Fail(WSAHOST_NOT_FOUND);
  const sockaddr_in* a = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
  memcpy(out, &a->sin_addr, 4);
  freeaddrinfo(list);
  return 0;
}

NetSocket NetSocketTcp() {
  std::lock_guard<std::mutex> g(g_mutex);
  if (g_startCount == 0) return Fail(WSANOTINITIALISED);
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Fail(NetErrorFromErrno(errno));
  NetSocket id = AddSocket(fd, false);
  if (id == kInvalidNetSocket) {
    close(fd);
    return Fail(WSAEMFILE);
  }
  return id;
}

int NetConnect(NetSocket id, const uint8_t ipv4[4], int port, int timeoutMs) {
  int fd;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    SocketSlot* s = SlotOf(id);
    if (!s) return Fail(WSAENOTSOCK);
    fd = s->fd;
  }
  if (port < 0 || port > 65535) return Fail(WSAEINVAL);
  sockaddr_in a = MakeAddress(ipv4, port);
  SetNonBlocking(fd, true);
  int r = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int err = r == 0 ? 0 : errno;
  if (err == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int n;
    do n = poll(&p, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    if (n == 0) err = ETIMEDOUT;
    else if (n < 0) err = errno;
    else {
      socklen_t len = sizeof err;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    }
  }
  SetNonBlocking(fd, false);
  if (err != 0) return Fail(NetErrorFromErrno(err));
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return 0;
}

int NetBindListen(NetSocket id, const uint8_t ipv4[4], int port, int backlog) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(id);
  if (!s) return Fail(WSAENOTSOCK);
  if (port < 0 || port > 65535) return Fail(WSAEINVAL);
  int one = 1;
  setsockopt(s->fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = MakeAddress(ipv4, port);
  if (bind(s->fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return Fail(NetErrorFromErrno(errno));
  if (listen(s->fd, backlog) != 0) return Fail(NetErrorFromErrno(errno));
  s->listening = true;
  return 0;
}

int NetLocalPort(NetSocket id) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(id);
  if (!s) return Fail(WSAENOTSOCK);
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (getsockname(s->fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return Fail(NetErrorFromErrno(errno));
  return ntohs(a.sin_port);
}

NetSocket NetAccept(NetSocket listener, uint8_t peer[4], int* peerPort) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(listener);
  if (!s) return Fail(WSAENOTSOCK);
  if (!s->listening) return Fail(WSAEINVAL);
  s->acceptArmed = true;
  sockaddr_in a{};
  socklen_t len = sizeof a;
  int fd = accept4(s->fd, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return Fail(NetErrorFromErrno(errno));
  SetNonBlocking(fd, false);
  NetSocket id = AddSocket(fd, false);
  if (id == kInvalidNetSocket) {
    close(fd);
    return Fail(WSAEMFILE);
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (peer) memcpy(peer, &a.sin_addr, 4);
  if (peerPort) *peerPort = ntohs(a.sin_port);
  return id;
}

int NetRecv(NetSocket id, void* buffer, int n, int flags) {
  int fd;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    SocketSlot* s = SlotOf(id);
    if (!s) return Fail(WSAENOTSOCK);
    if (n < 0 || (n > 0 && !buffer)) return Fail(WSAEFAULT);
    s->readArmed = true;
    fd = s->fd;
  }
  ssize_t r;
  do r = recv(fd, buffer, static_cast<size_t>(n), (flags & NET_MSG_PEEK) ? MSG_PEEK : 0);
  while (r < 0 && errno == EINTR);
  if (r < 0) return Fail(NetErrorFromErrno(errno));
  return static_cast<int>(r);
}

int NetSend(NetSocket id, const void* data, int n, int /*flags*/) {
  int fd;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    SocketSlot* s = SlotOf(id);
    if (!s) return Fail(WSAENOTSOCK);
    if (n < 0 || (n > 0 && !data)) return Fail(WSAEFAULT);
    fd = s->fd;
  }
  ssize_t r;
  do r = send(fd, data, static_cast<size_t>(n), MSG_NOSIGNAL);
  while (r < 0 && errno == EINTR);
  if (r < 0) {
    int err = errno;
    if (err == EAGAIN) {
      std::lock_guard<std::mutex> g(g_mutex);
      if (SocketSlot* s = SlotOf(id)) s->writeArmed = true;
    }
    return Fail(NetErrorFromErrno(err));
  }
  return static_cast<int>(r);
}

int NetBytesReadable(NetSocket id) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(id);
  if (!s) return Fail(WSAENOTSOCK);
  int n = 0;
  if (ioctl(s->fd, FIONREAD, &n) != 0) return Fail(NetErrorFromErrno(errno));
  return n;
}

int NetCloseSocket(NetSocket id) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(id);
  if (!s) return Fail(WSAENOTSOCK);
  close(s->fd);
  s->used = false;
  s->fd = -1;
  return 0;
}

int NetAsyncSelect(NetSocket id, WindowId window, uint32_t message, int events) {
  std::lock_guard<std::mutex> g(g_mutex);
  SocketSlot* s = SlotOf(id);
  if (!s) return Fail(WSAENOTSOCK);
  if (events != 0 && window == 0) return Fail(WSAEINVAL);
  s->window = events ? window : 0;
  s->message = message;
  s->events = events;
  s->readArmed = s->writeArmed = s->acceptArmed = true;
  s->closeArmed = true;
  if (events) SetNonBlocking(s->fd, true);
  return 0;
}

int NetPollNotices() {
  int count = 0;
  {
    std::lock_guard<std::mutex> g(g_mutex);
    int n = 0;
    for (int i = 0; i < g_slotsInUse; ++i) {
      const SocketSlot& s = g_slots[i];
      if (!s.used || !s.events) continue;
      g_pollFds[n] = pollfd{s.fd, static_cast<short>(POLLIN | POLLOUT | POLLRDHUP), 0};
      g_pollSlot[n++] = i;
    }
    if (n == 0) return 0;
    if (poll(g_pollFds, static_cast<nfds_t>(n), 0) <= 0) return 0;
    auto add = [&](const SocketSlot& s, int event, int error) {
      g_notices[count++] = PendingNotice{
          s.window, s.message, s.id,
          static_cast<intptr_t>((static_cast<uint32_t>(event) & 0xFFFFu) |
                                (static_cast<uint32_t>(error) << 16))};
    };
    for (int k = 0; k < n; ++k) {
      SocketSlot& s = g_slots[g_pollSlot[k]];
      short rev = g_pollFds[k].revents;
      if (!rev) continue;
      if (s.listening) {
        if ((rev & POLLIN) && s.acceptArmed && (s.events & NET_FD_ACCEPT)) {
          s.acceptArmed = false;
          add(s, NET_FD_ACCEPT, 0);
        }
        continue;
      }
      int readable = 0;
      if (ioctl(s.fd, FIONREAD, &readable) != 0) readable = 0;
      if ((rev & POLLOUT) && s.writeArmed && s.closeArmed && (s.events & NET_FD_WRITE)) {
        s.writeArmed = false;
        add(s, NET_FD_WRITE, 0);
      }
      if (readable > 0 && s.readArmed && (s.events & NET_FD_READ)) {
        s.readArmed = false;
        add(s, NET_FD_READ, 0);
      }
      // The peer has shut its side (bytes it sent before stay readable), or the connection failed;
      // readable with nothing to read means the same.
      bool closed = (rev & (POLLRDHUP | POLLHUP | POLLERR)) || ((rev & POLLIN) && readable == 0);
      if (closed && s.closeArmed && (s.events & NET_FD_CLOSE)) {
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = 0;
        s.closeArmed = false;
        add(s, NET_FD_CLOSE, NetErrorFromErrno(err));
      }
    }
  }
  // A notice waiting already is not queued twice, so a thread that polls while another takes the
  // messages cannot fill the queue; one the queue cannot take is armed again for the next poll, so
  // that none (above all the one close notice) is ever lost.
  int posted = 0;
  for (int i = 0; i < count; ++i) {
    const PendingNotice& n = g_notices[i];
    if (PostWindowMessageOnce(n.window, n.message, static_cast<uintptr_t>(n.id), n.word)) {
      ++posted;
      continue;
    }
    std::lock_guard<std::mutex> g(g_mutex);
    SocketSlot* s = SlotOf(n.id);
    if (!s) continue;
    switch (static_cast<int>(n.word & 0xFFFF)) {
      case NET_FD_READ: s->readArmed = true; break;
      case NET_FD_WRITE: s->writeArmed = true; break;
      case NET_FD_ACCEPT: s->acceptArmed = true; break;
      case NET_FD_CLOSE: s->closeArmed = true; break;
      default: break;
    }
  }
  return posted;
}

}  // namespace plat
