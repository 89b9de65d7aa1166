// Network handles over loopback: framed and raw data both ways, several accepts, a peer's close,
// the handle checks and a peer that announces an absurd frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/base/base_state.h"
#include "engine/base/memory.h"
#include "engine/base/network.h"
#include "engine/base/startup_window.h"
#include "engine/engine.h"
#include "net_test_util.h"
#include "platform/window.h"

namespace {

class NetworkHandles : public ::testing::Test {
protected:
  // No main window: message processing does only its per-frame work, the network's included.
  void SetUp() override {
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    g_base.startup.noWindow = 1;
    // Blocks other tests of this process still hold; what a test leaves is measured from here.
    GetAllocationTotals(nullptr, &baselineBlocks_);
  }
  int baselineBlocks_ = 0;
  void TearDown() override {
    NetworkTerminate();
    SetNetWorkFramingOffFlag(0);
    SetNetWorkAutoCloseOffFlag(0);
  }
  // A listening layer and one connection to it: the client's and the server's handle.
  void Pair(int* client, int* server) {
    if (!g_Network.listenRecord) port_ = PreparationListenNetWork("127.0.0.1", 0);
    ASSERT_GT(port_, 0);
    *client = ConnectNetWork("127.0.0.1", port_);
    ASSERT_GE(*client, 0);
    *server = -1;
    ASSERT_TRUE(Within(3000, [&] {
      ProcessMessage();
      return (*server = GetNewAcceptNetWork()) >= 0;
    }));
  }
  // Pumps until the handle holds n framed bytes.
  static bool WaitLength(int h, int n) {
    return Within(3000, [&] {
      ProcessMessage();
      return GetNetWorkDataLength(h) >= n;
    });
  }
  int port_ = -1;
};

TEST_F(NetworkHandles, NotStartedEverythingFailsAndNothingRuns) {
  EXPECT_EQ(GetNetWorkAcceptState(0x48000000), -1);
  char b[4];
  EXPECT_EQ(NetWorkRecv(0x48000000, b, 1), -1);
  EXPECT_EQ(NetWorkRecvToPeek(0x48000000, b, 1), -1);
  EXPECT_EQ(NetWorkSend(0x48000000, b, 1), -1);
  EXPECT_EQ(GetNetWorkDataLength(0x48000000), -1);
  EXPECT_EQ(CloseNetWorkHandle(0x48000000), -1);
  EXPECT_EQ(AcceptNetWork(), -1);
  EXPECT_EQ(PumpNetworkWindow(1), 0);
  EXPECT_EQ(NetworkTerminate(), 0);
  EXPECT_EQ(HandleSocketMessage(plat::NET_FD_READ, 12345), 0);
  EXPECT_EQ(g_Network.started, 0);
  EXPECT_EQ(HttpTransferProcess(0), -1);
  EXPECT_EQ(HttpTransferDelete(0), -1);
  EXPECT_EQ(HttpTransferDelete(100), -1);
}

TEST_F(NetworkHandles, RingAppendAndReadWrapAndKeep) {
  RingBuffer ring{};
  ASSERT_EQ(RingBufferAppend(&ring, "0123456789", 10), 0);
  char out[32] = {};
  ASSERT_EQ(RingBufferRead(&ring, out, 8, 0), 0);
  EXPECT_EQ(std::string(out, 8), "01234567");
  // Fill right up to the end of the block so that the next append wraps.
  int room = ring.capacity - ring.writePos;
  std::string fill(static_cast<size_t>(room), 'x');
  ASSERT_EQ(RingBufferAppend(&ring, fill.data(), room), 0);
  int capacity = ring.capacity;
  ASSERT_EQ(RingBufferAppend(&ring, "ABCDE", 5), 0);
  EXPECT_EQ(ring.capacity, capacity);   // went into the freed front
  EXPECT_EQ(ring.dataLength, 2 + room + 5);
  std::string all(static_cast<size_t>(ring.dataLength), '\0');
  ASSERT_EQ(RingBufferRead(&ring, all.data(), ring.dataLength, 1), 0);
  EXPECT_EQ(all, "89" + fill + "ABCDE");
  EXPECT_EQ(ring.dataLength, 2 + room + 5);   // kept
  EXPECT_EQ(RingBufferRead(&ring, out, ring.dataLength + 1, 0), -1);
  EXPECT_EQ(RingBufferAppend(&ring, nullptr, 3), -1);
  RingBufferFree(&ring);
}

TEST_F(NetworkHandles, FramedDataBothWaysAndHandleLayout) {
  int client, server;
  Pair(&client, &server);
  for (int h : {client, server}) {
    EXPECT_EQ(static_cast<uint32_t>(h) & 0x78000000u, 0x48000000u);
    SocketRecord* r = NetWorkCheckHandle(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->handle, h);
    EXPECT_EQ((h >> 16) & 0x7FF, r->check);
    EXPECT_EQ(GetNetWorkAcceptState(h), 1);
  }
  EXPECT_NE((client >> 16) & 0x7FF, (server >> 16) & 0x7FF);
  EXPECT_EQ(NetWorkCheckHandle(g_Network.listenRecord->handle)->handle & 0xFFFF, 4096);

  ASSERT_EQ(NetWorkSend(client, "hello", 5), 0);
  ASSERT_EQ(NetWorkSend(client, "", 0), 0);
  ASSERT_TRUE(WaitLength(server, 5));
  char buf[64] = {};
  EXPECT_EQ(NetWorkRecvToPeek(server, buf, 5), 0);
  EXPECT_EQ(GetNetWorkDataLength(server), 5);
  EXPECT_EQ(NetWorkRecv(server, buf, 6), -1);
  EXPECT_EQ(NetWorkRecv(server, buf, 5), 0);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(GetNetWorkDataLength(server), 0);

  ASSERT_EQ(NetWorkSend(server, "abc", 3), 0);
  ASSERT_EQ(NetWorkSend(server, "defgh", 5), 0);
  ASSERT_TRUE(WaitLength(client, 8));
  EXPECT_EQ(NetWorkRecv(client, buf, 8), 0);
  EXPECT_EQ(std::string(buf, 8), "abcdefgh");

  // A larger message than one socket buffer's worth arrives whole.
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  ASSERT_EQ(NetWorkSend(client, big.data(), static_cast<int>(big.size())), 0);
  ASSERT_TRUE(Within(5000, [&] {
    ProcessMessage();
    SendSocket(client);
    return GetNetWorkDataLength(server) >= static_cast<int>(big.size());
  }));
  std::string got(big.size(), '\0');
  EXPECT_EQ(NetWorkRecv(server, got.data(), static_cast<int>(got.size())), 0);
  EXPECT_TRUE(got == big);
}

TEST_F(NetworkHandles, FramedReceiveFromAPlainPeerAndTheWireFormat) {
  port_ = PreparationListenNetWork("127.0.0.1", 0);
  ASSERT_GT(port_, 0);
  int peer = PlainConnect(port_);
  ASSERT_GE(peer, 0);
  int h = -1;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessage();
    return (h = GetNewAcceptNetWork()) >= 0;
  }));
  const unsigned char header[4] = {10, 0, 0, 0};
  ASSERT_TRUE(PlainSendAll(peer, header, 4));
  ASSERT_TRUE(PlainSendAll(peer, "012345", 6));
  ASSERT_TRUE(WaitLength(h, 6));
  EXPECT_EQ(GetNetWorkDataLength(h), 6);
  char buf[16];
  EXPECT_EQ(NetWorkRecv(h, buf, 8), -1);
  ASSERT_TRUE(PlainSendAll(peer, "6789", 4));
  ASSERT_TRUE(WaitLength(h, 10));
  EXPECT_EQ(NetWorkRecv(h, buf, 8), 0);
  EXPECT_EQ(std::string(buf, 8), "01234567");
  EXPECT_EQ(GetNetWorkDataLength(h), 2);

  // Empty messages between others are allowed and add nothing.
  const unsigned char two[] = {0, 0, 0, 0, 1, 0, 0, 0, 'z', 0, 0, 0, 0};
  ASSERT_TRUE(PlainSendAll(peer, two, sizeof two));
  ASSERT_TRUE(WaitLength(h, 3));
  EXPECT_EQ(NetWorkRecv(h, buf, 3), 0);
  EXPECT_EQ(std::string(buf, 3), "89z");

  ASSERT_EQ(NetWorkSend(h, "xyz", 3), 0);
  std::string wire = PlainRecvN(peer, 7, 3000);
  EXPECT_EQ(wire, std::string("\x03\x00\x00\x00xyz", 7));
  close(peer);
}

TEST_F(NetworkHandles, AnAbsurdFrameLengthDropsTheConnectionWithoutAllocating) {
  port_ = PreparationListenNetWork("127.0.0.1", 0);
  int peer = PlainConnect(port_);
  ASSERT_GE(peer, 0);
  int h = -1;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessage();
    return (h = GetNewAcceptNetWork()) >= 0;
  }));
  int64_t before = 0;
  GetAllocationTotals(&before, nullptr);
  const unsigned char header[8] = {0xF0, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c', 'd'};
  ASSERT_TRUE(PlainSendAll(peer, header, sizeof header));
  SocketRecord* r = NetWorkCheckHandle(h);
  ASSERT_TRUE(Within(3000, [&] {
    PumpNetworkWindow(0);
    return r->error == 1;
  }));
  int64_t after = 0;
  GetAllocationTotals(&after, nullptr);
  EXPECT_LT(after - before, 1 << 20);
  char buf[4];
  EXPECT_EQ(NetWorkRecv(h, buf, 1), -1);
  EXPECT_EQ(GetNetWorkAcceptState(h), -1);
  EXPECT_TRUE(PlainSeesClose(peer, 3000));
  // The sweep of message processing takes the broken handle away.
  ProcessMessage();
  EXPECT_EQ(NetWorkCheckHandle(h), nullptr);
  close(peer);
}

// A peer that never stops sending: one receive takes a bounded number of messages and leaves the
// rest in the socket for later rounds; and what a handle holds unread stays within its limit while
// the program does not read, every message still arriving whole and in order once it does.
TEST_F(NetworkHandles, APeerThatFloodsIsTakenInBoundedRoundsAndBuffersNoMoreThanTheLimit) {
  port_ = PreparationListenNetWork("127.0.0.1", 0);
  int peer = PlainConnect(port_);
  ASSERT_GE(peer, 0);
  int h = -1;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessage();
    return (h = GetNewAcceptNetWork()) >= 0;
  }));
  SocketRecord* r = NetWorkCheckHandle(h);

  // 20000 empty messages, all in the socket before the engine looks.
  std::vector<unsigned char> empties(4 * 20000, 0);
  ASSERT_TRUE(PlainSendAll(peer, empties.data(), empties.size()));
  ASSERT_TRUE(Within(3000, [&] { return plat::NetBytesReadable(r->socket) >= 4 * 20000; }));
  ASSERT_EQ(RecvSocket(h), 0);
  EXPECT_EQ(plat::NetBytesReadable(r->socket), 4 * (20000 - NETWORK_RECEIVE_ROUND_MESSAGES));
  ASSERT_TRUE(Within(5000, [&] {
    ProcessMessage();
    GetNetWorkDataLength(h);
    return plat::NetBytesReadable(r->socket) == 0;
  }));
  EXPECT_EQ(GetNetWorkDataLength(h), 0);

  // 48 messages of 1 KB against a limit of 4 KB (all of them fit in the socket's own buffers).
  const int32_t savedLimit = g_NetworkReceiveLimit;
  g_NetworkReceiveLimit = 4 << 10;
  std::string sent;
  for (int i = 0; i < 48; ++i) {
    std::string body(1024, static_cast<char>('A' + i % 26));
    body[0] = static_cast<char>(i);
    const unsigned char header[4] = {0, 4, 0, 0};
    ASSERT_TRUE(PlainSendAll(peer, header, 4));
    ASSERT_TRUE(PlainSendAll(peer, body.data(), body.size()));
    sent += body;
  }
  int most = 0;
  for (int i = 0; i < 200; ++i) {
    ProcessMessage();
    GetNetWorkDataLength(h);
    most = std::max(most, r->recvRing.dataLength);
    usleep(500);
  }
  EXPECT_EQ(most, 4 << 10);
  EXPECT_LE(r->recvRing.capacity, 8 << 10);
  std::string got;
  char buf[1024];
  ASSERT_TRUE(Within(5000, [&] {
    ProcessMessage();
    while (NetWorkRecv(h, buf, sizeof buf) == 0) got.append(buf, sizeof buf);
    return got.size() >= sent.size();
  }));
  EXPECT_TRUE(got == sent);

  // A read longer than the limit is still served: the handle takes in what the read asks for.
  std::string big(10 << 10, 'x');
  const unsigned char bigHeader[4] = {0, 40, 0, 0};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PlainSendAll(peer, bigHeader, 4));
    ASSERT_TRUE(PlainSendAll(peer, big.data(), big.size()));
  }
  std::vector<char> twenty(20 << 10);
  ASSERT_TRUE(Within(5000, [&] {
    ProcessMessage();
    return NetWorkRecv(h, twenty.data(), static_cast<int>(twenty.size())) == 0;
  }));
  EXPECT_TRUE(Within(3000, [&] { return GetNetWorkDataLength(h) == 10 << 10; }));
  g_NetworkReceiveLimit = savedLimit;
  close(peer);
}

TEST_F(NetworkHandles, SeveralAcceptsAndAPeerClose) {
  port_ = PreparationListenNetWork("127.0.0.1", 0);
  std::vector<int> clients;
  for (int i = 0; i < 5; ++i) clients.push_back(ConnectNetWork("127.0.0.1", port_));
  std::vector<int> servers;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessage();
    for (int h; (h = GetNewAcceptNetWork()) >= 0;) servers.push_back(h);
    return servers.size() == 5;
  }));
  EXPECT_EQ(GetNewAcceptNetWork(), -1);
  EXPECT_EQ(g_Network.count, 11);   // five each way and the listener
  for (size_t i = 0; i < servers.size(); ++i) {
    for (size_t j = i + 1; j < servers.size(); ++j) EXPECT_NE(servers[i], servers[j]);
    char c = static_cast<char>('A' + i);
    ASSERT_EQ(NetWorkSend(servers[i], &c, 1), 0);
  }
  // Each client gets one byte; together they got every byte once.
  std::string seen;
  for (int c : clients) {
    ASSERT_TRUE(WaitLength(c, 1));
    char b;
    ASSERT_EQ(NetWorkRecv(c, &b, 1), 0);
    seen += b;
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, "ABCDE");

  // A peer's close: the state turns 0, and auto-close removes the handle once that was seen.
  ASSERT_EQ(CloseNetWorkHandle(clients[0]), 0);
  EXPECT_EQ(GetNetWorkAcceptState(clients[0]), -1);
  ASSERT_TRUE(Within(3000, [&] {
    PumpNetworkWindow(0);
    return NetWorkCheckHandle(servers[0])->connected == 0;
  }));
  EXPECT_EQ(GetNetWorkAcceptState(servers[0]), 0);
  ProcessMessage();
  EXPECT_EQ(GetNetWorkAcceptState(servers[0]), -1);

  // With auto-close off the closed handle stays until its owner closes it.
  SetNetWorkAutoCloseOffFlag(1);
  int c2, s2;
  Pair(&c2, &s2);
  ASSERT_EQ(CloseNetWorkHandle(c2), 0);
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessage();
    return GetNetWorkAcceptState(s2) == 0;
  }));
  ProcessMessage();
  EXPECT_EQ(GetNetWorkAcceptState(s2), 0);
  EXPECT_EQ(CloseNetWorkHandle(s2), 0);

  EXPECT_EQ(StopListenNetWork(), 0);
  EXPECT_EQ(StopListenNetWork(), -1);
  EXPECT_EQ(ConnectNetWork("127.0.0.1", port_), -1);
}

TEST_F(NetworkHandles, StaleAndForeignHandlesFail) {
  int client, server;
  Pair(&client, &server);
  int slot = client & 0xFFFF;
  ASSERT_EQ(CloseNetWorkHandle(client), 0);
  int again = ConnectNetWork("127.0.0.1", port_);
  ASSERT_EQ(again & 0xFFFF, slot);   // the same slot, a new check number
  EXPECT_NE(again, client);
  EXPECT_EQ(GetNetWorkAcceptState(client), -1);
  EXPECT_EQ(GetNetWorkAcceptState(again), 1);
  EXPECT_EQ(GetNetWorkAcceptState(-1), -1);
  EXPECT_EQ(GetNetWorkAcceptState(static_cast<int>((static_cast<uint32_t>(again) & 0x07FFFFFFu) | 0x08000000u)), -1);
  EXPECT_EQ(GetNetWorkAcceptState(static_cast<int>((static_cast<uint32_t>(again) & 0xFFFF0000u) | 4097u)), -1);
  // A late notice for a socket that is gone finds no record.
  EXPECT_EQ(HandleSocketMessage(plat::NET_FD_CLOSE, 1), 0);
  EXPECT_EQ(GetNetWorkAcceptState(again), 1);
}

TEST_F(NetworkHandles, RawHandlesPassBytesStraightThrough) {
  SetNetWorkFramingOffFlag(1);
  int client, server;
  Pair(&client, &server);
  EXPECT_EQ(GetNetWorkDataLength(server), 0);
  EXPECT_EQ(NetWorkSend(client, "raw bytes", 9), 9);
  ASSERT_TRUE(Within(3000, [&] { return GetNetWorkDataLength(server) == 1; }));
  char buf[16] = {};
  ASSERT_TRUE(Within(3000, [&] { return NetWorkRecvToPeek(server, buf, 9) == 9; }));
  EXPECT_EQ(NetWorkRecv(server, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "raw ");
  EXPECT_EQ(NetWorkRecv(server, buf, 16), 5);
  EXPECT_EQ(NetWorkSend(server, "back", 4), 4);
  ASSERT_TRUE(Within(3000, [&] { return NetWorkRecv(client, buf, 16) == 4; }));
  EXPECT_EQ(std::string(buf, 4), "back");
}

TEST_F(NetworkHandles, ShutDownClosesEverythingAndTheLayerStartsAgain) {
  int client, server;
  Pair(&client, &server);
  plat::WindowId w = g_Network.window;
  ASSERT_TRUE(plat::WindowExists(w));
  EXPECT_EQ(NetworkTerminate(), 0);
  EXPECT_FALSE(plat::WindowExists(w));
  EXPECT_EQ(g_Network.started, 0);
  EXPECT_EQ(GetNetWorkAcceptState(client), -1);
  EXPECT_EQ(GetNetWorkAcceptState(server), -1);
  int64_t bytes = 0;
  int blocks = 0;
  GetAllocationTotals(&bytes, &blocks);
  EXPECT_EQ(blocks, baselineBlocks_);
  port_ = -1;
  Pair(&client, &server);
  EXPECT_EQ(GetNetWorkAcceptState(client), 1);
}

TEST_F(NetworkHandles, PublicEntriesReachTheLayer) {
  int port = PreparationListenNetWorkLocked("127.0.0.1", 0);
  ASSERT_GT(port, 0);
  int c = ConnectNetWorkLocked("127.0.0.1", port);
  ASSERT_GE(c, 0);
  int s = -1;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessageLocked();
    return (s = GetNewAcceptNetWorkLocked()) >= 0;
  }));
  ASSERT_EQ(NetWorkSendLocked(c, "hi", 2), 0);
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessageLocked();
    return GetNetWorkDataLengthLocked(s) == 2;
  }));
  char b[2];
  EXPECT_EQ(NetWorkRecvToPeekLocked(s, b, 2), 0);
  EXPECT_EQ(NetWorkRecvLocked(s, b, 2), 0);
  EXPECT_EQ(GetNetWorkAcceptStateLocked(s), 1);
  EXPECT_EQ(CloseNetWorkHandleLocked(c), 0);
  EXPECT_EQ(StopListenNetWorkLocked(), 0);
}

}  // namespace
