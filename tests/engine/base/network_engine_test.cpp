// The network inside a running engine: socket messages reaching the main window, and shut-down
// taking HTTP transfers and the network down before the window.
#include <gtest/gtest.h>

#include <string>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/network.h"
#include "engine/base/startup_window.h"
#include "engine/engine.h"
#include "net_test_util.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "test_folder.h"

namespace {

class NetworkInEngine : public ::testing::Test {
protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::VirtualClockEnable();
    g_base = BaseState{};
    g_base.settings.windowMode = 1;
    g_base.startup.noGraphics = 1;   // the display back end is not built yet
    g_LogOffFlag = 0;
  }
  void TearDown() override {
    if (g_base.win.mainWindow || g_base.win.messageThread) LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  TestFolder folder;
};

TEST_F(NetworkInEngine, SocketMessagesReachTheLayerAndShutDownEndsIt) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  int port = PreparationListenNetWorkLocked("127.0.0.1", 0);
  ASSERT_GT(port, 0);
  int client = ConnectNetWorkLocked("127.0.0.1", port);
  ASSERT_GE(client, 0);
  int server = -1;
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessageLocked();
    return (server = GetNewAcceptNetWorkLocked()) >= 0;
  }));

  // Message 0x505 sent to the main window is a socket event like one from the network window.
  SocketRecord* r = NetWorkCheckHandle(client);
  ASSERT_NE(r, nullptr);
  plat::PostWindowMessage(g_base.win.mainWindow, 0x505, static_cast<uintptr_t>(r->socket), plat::NET_FD_CLOSE);
  ASSERT_TRUE(Within(3000, [&] {
    ProcessMessageLocked();
    return r->connected == 0;
  }));
  SetNetWorkAutoCloseOffFlagLocked(1);

  TestHttpServer http({{{}, 0, true}});
  void* body = nullptr;
  int slot = HttpTransferStartLocked(0, "127.0.0.1", http.port(), "/", nullptr, 0, nullptr, &body);
  ASSERT_GE(slot, 0);
  ProcessMessageLocked();

  ASSERT_EQ(LibraryTerminateLocked(), 0);
  EXPECT_EQ(g_Http.count, 0);
  EXPECT_EQ(g_Network.started, 0);
  EXPECT_EQ(body, nullptr);
  std::string log = folder.Read("Log.txt");
  size_t netBegin = log.find("ネットワーク関連の終了処理を行います");
  size_t netEnd = log.find("ネットワーク関連の終了処理は完了しました");
  size_t windowClose = log.find("ウインドウを閉じようとしています");
  ASSERT_NE(netBegin, std::string::npos);
  ASSERT_NE(netEnd, std::string::npos);
  ASSERT_NE(windowClose, std::string::npos);
  EXPECT_LT(netBegin, netEnd);
  EXPECT_LT(netEnd, windowClose);
}

TEST_F(NetworkInEngine, AnEngineThatNeverStartsTheNetworkShutsDownWithoutIt) {
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(ProcessMessageLocked(), 0);
  ASSERT_EQ(LibraryTerminateLocked(), 0);
  std::string log = folder.Read("Log.txt");
  EXPECT_EQ(log.find("ネットワーク関連"), std::string::npos);
  EXPECT_EQ(g_Network.started, 0);
}

}  // namespace
