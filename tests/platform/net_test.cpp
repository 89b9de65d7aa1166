// Sockets on 127.0.0.1: notices posted to a window once per arming, error numbers, id reuse.
#include <gtest/gtest.h>
#include <errno.h>

#include <time.h>
#include <unistd.h>

#include <vector>

#include "platform/net.h"
#include "platform/window.h"

namespace {

using namespace plat;

constexpr uint32_t kMsg = 0x505;
const uint8_t kLoop[4] = {127, 0, 0, 1};

int64_t NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

intptr_t NullProc(WindowId, uint32_t, uintptr_t, intptr_t) { return 0; }

struct Notice {
  NetSocket socket;
  int event;
  int error;
};

class NetSockets : public ::testing::Test {
protected:
  void SetUp() override {
    WindowSelectBackend(WindowBackend::Headless);
    ASSERT_TRUE(WindowClassRegister("NETTEST", NullProc, 0));
    WindowCreateInfo info{"NETTEST", "", WS_POPUP, 0, 0, 0, 0, 0, false};
    w_ = WindowCreate(info);
    ASSERT_NE(w_, 0u);
    ASSERT_EQ(NetStartup(), 0);
  }
  void TearDown() override {
    NetCleanup();
    WindowDestroy(w_);
    WindowClassUnregister("NETTEST");
  }
  // Polls for up to ms until a notice of the kind comes for the socket.
  std::vector<Notice> PollFor(NetSocket s, int event, int ms = 2000) {
    std::vector<Notice> all;
    int64_t until = NowMs() + ms;
    for (;;) {
      NetPollNotices();
      Message m;
      bool found = false;
      while (PeekWindowMessage(&m, w_, true)) {
        Notice n{static_cast<NetSocket>(m.wParam), static_cast<int>(m.lParam & 0xFFFF),
                 static_cast<int>((m.lParam >> 16) & 0xFFFF)};
        EXPECT_EQ(m.message, kMsg);
        all.push_back(n);
        if (n.socket == s && n.event == event) found = true;
      }
      if (found || NowMs() > until) return all;
      usleep(1000);
    }
  }
  static int Count(const std::vector<Notice>& v, NetSocket s, int event) {
    int n = 0;
    for (const Notice& x : v) n += (x.socket == s && x.event == event);
    return n;
  }
  WindowId w_ = 0;
};

TEST_F(NetSockets, NoticesComeOncePerArmingAndCloseKeepsUnreadBytes) {
  NetSocket listener = NetSocketTcp();
  ASSERT_EQ(NetBindListen(listener, kLoop, 0, 8), 0);
  int port = NetLocalPort(listener);
  ASSERT_GT(port, 0);
  ASSERT_EQ(NetAsyncSelect(listener, w_, kMsg, NET_FD_ACCEPT), 0);

  NetSocket client = NetSocketTcp();
  ASSERT_EQ(NetConnect(client, kLoop, port, 2000), 0);
  auto got = PollFor(listener, NET_FD_ACCEPT);
  EXPECT_EQ(Count(got, listener, NET_FD_ACCEPT), 1);
  // Not armed again until accepted.
  NetSocket second = NetSocketTcp();
  ASSERT_EQ(NetConnect(second, kLoop, port, 2000), 0);
  NetPollNotices();
  Message m;
  EXPECT_FALSE(PeekWindowMessage(&m, w_, true));

  uint8_t peer[4] = {};
  int peerPort = 0;
  NetSocket server = NetAccept(listener, peer, &peerPort);
  ASSERT_NE(server, kInvalidNetSocket);
  EXPECT_EQ(peer[0], 127);
  EXPECT_GT(peerPort, 0);
  EXPECT_EQ(Count(PollFor(listener, NET_FD_ACCEPT), listener, NET_FD_ACCEPT), 1);

  ASSERT_EQ(NetAsyncSelect(server, w_, kMsg, NET_FD_READ | NET_FD_WRITE | NET_FD_CLOSE), 0);
  EXPECT_EQ(Count(PollFor(server, NET_FD_WRITE), server, NET_FD_WRITE), 1);
  char buf[16];
  EXPECT_EQ(NetRecv(server, buf, 4, 0), -1);
  EXPECT_EQ(NetGetLastError(), WSAEWOULDBLOCK);

  ASSERT_EQ(NetSend(client, "abcdef", 6, 0), 6);
  EXPECT_EQ(Count(PollFor(server, NET_FD_READ), server, NET_FD_READ), 1);
  NetPollNotices();
  EXPECT_FALSE(PeekWindowMessage(&m, w_, true));   // not re-armed yet
  EXPECT_EQ(NetRecv(server, buf, 2, NET_MSG_PEEK), 2);
  EXPECT_EQ(NetBytesReadable(server), 6);
  EXPECT_EQ(NetRecv(server, buf, 4, 0), 4);
  EXPECT_EQ(Count(PollFor(server, NET_FD_READ), server, NET_FD_READ), 1);   // two bytes remain

  // The peer leaves with bytes unread: the close comes once, and the bytes stay readable.
  NetCloseSocket(client);
  auto after = PollFor(server, NET_FD_CLOSE);
  EXPECT_EQ(Count(after, server, NET_FD_CLOSE), 1);
  EXPECT_EQ(after.back().error, 0);
  EXPECT_EQ(Count(PollFor(server, -1, 50), server, NET_FD_CLOSE), 0);
  EXPECT_EQ(NetRecv(server, buf, 8, 0), 2);
  EXPECT_EQ(NetRecv(server, buf, 8, 0), 0);
  NetCloseSocket(second);
  NetCloseSocket(server);
  NetCloseSocket(listener);
}

// Polls from a thread that never takes the messages must not fill the queue with copies of one
// notice; and a notice the full queue cannot take (above all the one close notice) comes again
// once there is room, instead of being lost.
TEST_F(NetSockets, NoticesAreQueuedOnceAndNeverLostToAFullQueue) {
  NetSocket listener = NetSocketTcp();
  ASSERT_EQ(NetBindListen(listener, kLoop, 0, 8), 0);
  NetSocket client = NetSocketTcp();
  ASSERT_EQ(NetConnect(client, kLoop, NetLocalPort(listener), 2000), 0);
  NetSocket server = kInvalidNetSocket;
  for (int i = 0; i < 2000 && server == kInvalidNetSocket; ++i) {
    server = NetAccept(listener, nullptr, nullptr);
    if (server == kInvalidNetSocket) usleep(1000);
  }
  ASSERT_NE(server, kInvalidNetSocket);
  ASSERT_EQ(NetAsyncSelect(server, w_, kMsg, NET_FD_READ | NET_FD_CLOSE), 0);
  ASSERT_EQ(NetSend(client, "abc", 3, 0), 3);
  char buf[8];
  for (int i = 0; i < 50; ++i) {
    NetPollNotices();
    EXPECT_EQ(NetRecv(server, buf, 1, NET_MSG_PEEK), 1);   // arms the read notice again
  }
  std::vector<Notice> waiting = PollFor(server, NET_FD_READ, 0);
  EXPECT_EQ(Count(waiting, server, NET_FD_READ), 1);

  // A full queue, then the peer leaves.
  int fillers = 0;
  while (PostWindowMessage(w_, kMsg + 1, 0, 0)) ++fillers;
  ASSERT_GT(fillers, 0);
  NetCloseSocket(client);
  for (int i = 0; i < 200; ++i) {
    NetPollNotices();
    usleep(500);
  }
  Message m;
  int taken = 0;
  while (PeekWindowMessage(&m, w_, true)) taken += m.message == kMsg + 1;
  EXPECT_EQ(taken, fillers);
  std::vector<Notice> after = PollFor(server, NET_FD_CLOSE);
  EXPECT_EQ(Count(after, server, NET_FD_CLOSE), 1);
  EXPECT_EQ(NetRecv(server, buf, 8, 0), 3);
  NetCloseSocket(server);
  NetCloseSocket(listener);
}

TEST_F(NetSockets, ErrorsUseWinsockNumbersAndIdsAreNotReused) {
  EXPECT_EQ(NetErrorFromErrno(ECONNREFUSED), WSAECONNREFUSED);
  EXPECT_EQ(NetErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
  EXPECT_EQ(NetErrorFromErrno(ECONNRESET), WSAECONNRESET);
  EXPECT_EQ(NetErrorFromErrno(EPIPE), WSAECONNRESET);
  EXPECT_EQ(NetErrorFromErrno(EADDRINUSE), WSAEADDRINUSE);

  // A port that nobody listens on: bind one, close it, connect to it.
  NetSocket probe = NetSocketTcp();
  ASSERT_EQ(NetBindListen(probe, kLoop, 0, 1), 0);
  int port = NetLocalPort(probe);
  NetCloseSocket(probe);
  NetSocket s = NetSocketTcp();
  EXPECT_EQ(NetConnect(s, kLoop, port, 2000), -1);
  EXPECT_EQ(NetGetLastError(), WSAECONNREFUSED);
  NetCloseSocket(s);
  EXPECT_NE(s, probe);

  NetSocket t = NetSocketTcp();
  EXPECT_NE(t, s);
  EXPECT_EQ(NetRecv(s, nullptr, 0, 0), -1);   // closed id
  EXPECT_EQ(NetGetLastError(), WSAENOTSOCK);
  NetCloseSocket(t);

  uint8_t ip[4];
  EXPECT_EQ(NetResolveIPv4("127.0.0.1", ip), 0);
  EXPECT_EQ(ip[0], 127);
  EXPECT_EQ(ip[3], 1);
  EXPECT_EQ(NetResolveIPv4("", ip), -1);
}

TEST(NetSocketsCold, NothingWorksBeforeStartup) {
  EXPECT_EQ(NetSocketTcp(), kInvalidNetSocket);
  EXPECT_EQ(NetGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(NetCleanup(), -1);
  EXPECT_EQ(NetPollNotices(), 0);
}

}  // namespace
