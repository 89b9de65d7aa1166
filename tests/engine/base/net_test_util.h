// Loopback helpers for the network tests: a real-time deadline, a plain POSIX peer and a small
// scripted HTTP server on 127.0.0.1 that runs in its own thread. Everything gives up after a few
// seconds so that a fault fails a test instead of hanging it.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

inline int64_t NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Calls step until it returns true or the time is up; true when step said so.
template <typename F>
bool Within(int ms, F step) {
  int64_t until = NowMs() + ms;
  for (;;) {
    if (step()) return true;
    if (NowMs() > until) return false;
    usleep(1000);
  }
}

inline int PlainListen(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return -1;
  }
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  *port = ntohs(a.sin_port);
  return fd;
}

inline int PlainConnect(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

inline int PlainAccept(int listener, int ms) {
  pollfd p{listener, POLLIN, 0};
  if (poll(&p, 1, ms) <= 0) return -1;
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

inline bool PlainSendAll(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t s = send(fd, p, n, MSG_NOSIGNAL);
    if (s <= 0) return false;
    p += s;
    n -= static_cast<size_t>(s);
  }
  return true;
}

// Reads exactly n bytes within ms; the bytes read.
inline std::string PlainRecvN(int fd, size_t n, int ms) {
  std::string out;
  int64_t until = NowMs() + ms;
  while (out.size() < n && NowMs() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    char buf[4096];
    size_t want = n - out.size() < sizeof buf ? n - out.size() : sizeof buf;
    ssize_t r = recv(fd, buf, want, 0);
    if (r <= 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  return out;
}

// True once the peer has closed (recv gives 0) within ms.
inline bool PlainSeesClose(int fd, int ms) {
  int64_t until = NowMs() + ms;
  while (NowMs() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10) <= 0) continue;
    char buf[256];
    ssize_t r = recv(fd, buf, sizeof buf, 0);
    if (r <= 0) return true;
  }
  return false;
}

// One answer per connection, in order: the chunks are sent with a pause before each, then the
// connection is closed, or (keepOpen) held until the client closes it.
struct HttpAnswer {
  std::vector<std::string> chunks;
  int pauseMs = 0;
  bool keepOpen = false;
};

class TestHttpServer {
public:
  explicit TestHttpServer(std::vector<HttpAnswer> answers) : answers_(std::move(answers)) {
    listener_ = PlainListen(&port_);
    thread_ = std::thread([this] { Run(); });
  }
  ~TestHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  int port() const { return port_; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> g(mutex_);
    return requests_;
  }

private:
  // The request ends after its blank line and, when it states one, its body length.
  static std::string ReadRequest(int fd) {
    std::string in;
    int64_t until = NowMs() + 3000;
    size_t need = std::string::npos;
    while (NowMs() < until) {
      if (need == std::string::npos) {
        size_t end = in.find("\r\n\r\n");
        size_t endLf = in.find("\n\n");
        size_t head = end != std::string::npos ? end + 4 : endLf != std::string::npos ? endLf + 2 : std::string::npos;
        if (head != std::string::npos) {
          size_t cl = in.find("Content-Length: ");
          need = head + (cl != std::string::npos && cl < head ? std::stoul(in.substr(cl + 16)) : 0);
        }
      }
      if (need != std::string::npos && in.size() >= need) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      char buf[4096];
      ssize_t r = recv(fd, buf, sizeof buf, 0);
      if (r <= 0) break;
      in.append(buf, static_cast<size_t>(r));
    }
    return in;
  }

  void Run() {
    for (const HttpAnswer& a : answers_) {
      int fd = -1;
      while (!stop_ && fd < 0) fd = PlainAccept(listener_, 20);
      if (fd < 0) return;
      std::string req = ReadRequest(fd);
      {
        std::lock_guard<std::mutex> g(mutex_);
        requests_.push_back(req);
      }
      for (const std::string& c : a.chunks) {
        if (a.pauseMs) usleep(static_cast<useconds_t>(a.pauseMs) * 1000);
        PlainSendAll(fd, c.data(), c.size());
      }
      if (a.keepOpen) {
        int64_t until = NowMs() + 5000;
        while (!stop_ && NowMs() < until && !PlainSeesClose(fd, 20)) {
        }
      }
      close(fd);
    }
  }

  std::vector<HttpAnswer> answers_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> requests_;
};
