#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/window.h"
#include "platform/window/headless/headless_window.h"

namespace {

using namespace plat;

std::vector<uint32_t> g_seen;
intptr_t RecordingProc(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  g_seen.push_back(message);
  return DefaultWindowProc(w, message, wParam, lParam);
}

class HeadlessWindow : public ::testing::Test {
protected:
  void SetUp() override {
    WindowSelectBackend(WindowBackend::Headless);
    HeadlessReset();
    g_seen.clear();
    ASSERT_TRUE(WindowClassRegister("TESTCLS", RecordingProc, 0));
  }
  void TearDown() override {
    if (w_ && WindowExists(w_)) WindowDestroy(w_);
    Message m;
    while (PeekWindowMessage(&m, 0, true)) {
    }
    WindowClassUnregister("TESTCLS");
  }
  WindowId Make(uint32_t style = 0x80CA0000u, uint32_t ex = 0x300u) {
    WindowRect outer = WindowAdjustRect({100, 50, 740, 530}, style, ex, false);
    WindowCreateInfo info{"TESTCLS", "cap", style, ex, outer.left, outer.top,
                          outer.right - outer.left, outer.bottom - outer.top, false};
    w_ = WindowCreate(info);
    return w_;
  }
  WindowId w_ = 0;
};

TEST_F(HeadlessWindow, CreateKeepsTheClientRectangleAndSendsCreate) {
  EXPECT_TRUE(WindowIsHeadless());
  EXPECT_FALSE(WindowClassRegister("TESTCLS", RecordingProc, 0));
  WindowId w = Make();
  ASSERT_NE(w, 0u);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0], WM_CREATE);
  WindowRect c;
  ASSERT_TRUE(WindowGetClientRect(w, &c));
  EXPECT_EQ(c.left, 100);
  EXPECT_EQ(c.top, 50);
  EXPECT_EQ(c.right - c.left, 640);
  EXPECT_EQ(c.bottom - c.top, 480);
  // A class with live windows cannot go.
  EXPECT_FALSE(WindowClassUnregister("TESTCLS"));
  WindowCreateInfo bad{"NOCLASS", "", 0, 0, 0, 0, 10, 10, false};
  EXPECT_EQ(WindowCreate(bad), 0u);
}

TEST_F(HeadlessWindow, QueueOrderFiltersAndOwnerThread) {
  WindowId w = Make();
  PostWindowMessage(w, WM_CHAR, 'a', 0);
  PostQuitMessage(3);
  PostWindowMessage(w, WM_CHAR, 'b', 0);
  PostWindowMessage(w, WM_PAINT, 0, 0);
  PostWindowMessage(w, WM_PAINT, 0, 0);   // coalesced

  // Another thread finds nothing: the queue belongs to the window's thread.
  bool otherSaw = true;
  std::thread([&] { Message m; otherSaw = PeekWindowMessage(&m, 0, false); }).join();
  EXPECT_FALSE(otherSaw);

  Message m;
  ASSERT_TRUE(PeekWindowMessage(&m, kThreadMessages, true));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(PeekWindowMessage(&m, kThreadMessages, false));
  ASSERT_TRUE(PeekWindowMessage(&m, w, true));
  EXPECT_EQ(m.wParam, static_cast<uintptr_t>('a'));
  ASSERT_TRUE(PeekWindowMessage(&m, 0, true));
  EXPECT_EQ(m.wParam, static_cast<uintptr_t>('b'));
  ASSERT_TRUE(PeekWindowMessage(&m, 0, true));
  EXPECT_EQ(m.message, WM_PAINT);
  EXPECT_FALSE(PeekWindowMessage(&m, 0, true));
}

TEST_F(HeadlessWindow, CloseDestroysThroughTheDefaultProcedure) {
  WindowId w = Make();
  HeadlessScriptClose(w);
  Message m;
  ASSERT_TRUE(PeekWindowMessage(&m, w, true));
  DispatchWindowMessage(m);
  EXPECT_FALSE(WindowExists(w));
  EXPECT_EQ(g_seen.back(), WM_DESTROY);
  EXPECT_FALSE(PostWindowMessage(w, WM_CHAR, 1, 0));
}

TEST_F(HeadlessWindow, FullScreenSwitchesAlwaysReportADisplayChange) {
  WindowId w = Make();
  WindowSetFullScreen(w, true, 640, 480, 32);
  EXPECT_TRUE(WindowIsFullScreen(w));
  WindowRect c;
  WindowGetClientRect(w, &c);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.right, 640);
  Message m;
  ASSERT_TRUE(PeekWindowMessage(&m, w, true));
  EXPECT_EQ(m.message, WM_DISPLAYCHANGE);
  EXPECT_EQ(m.wParam, 32u);
  EXPECT_EQ(m.lParam, 640 | (480 << 16));
  WindowSetFullScreen(w, false, 640, 480, 32);
  ASSERT_TRUE(PeekWindowMessage(&m, w, true));
  EXPECT_EQ(m.message, WM_DISPLAYCHANGE);
}

TEST_F(HeadlessWindow, ScriptedInputAndDesktop) {
  WindowId w = Make();
  HeadlessScriptActivate(w, false);
  HeadlessScriptKey(w, VK_RETURN, true);
  HeadlessScriptChars(w, "\x82\xa0");
  std::vector<uint32_t> got;
  Message m;
  while (PeekWindowMessage(&m, w, true)) got.push_back(m.message);
  std::vector<uint32_t> want{WM_ACTIVATEAPP, WM_ACTIVATE, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_CHAR, WM_CHAR};
  EXPECT_EQ(got, want);

  HeadlessSetDesktop(1024, 768, 24);
  int dw, dh, db;
  DesktopGetMetrics(&dw, &dh, &db);
  EXPECT_EQ(dw, 1024);
  EXPECT_EQ(db, 24);
  EXPECT_EQ(ShowCursor(false), -1);
  EXPECT_FALSE(HeadlessCursorVisible());
  EXPECT_EQ(ShowCursor(true), 0);
  EXPECT_TRUE(HeadlessCursorVisible());
}

TEST_F(HeadlessWindow, MessageBoxesTakeScriptedAnswers) {
  HeadlessPushMessageBoxAnswer(IDNO);
  EXPECT_EQ(MessageBox("text", "caption", MB_YESNOCANCEL), IDNO);
  EXPECT_EQ(MessageBox("again", "c2", MB_OK), IDOK);
  EXPECT_EQ(HeadlessMessageBoxCount(), 2);
  EXPECT_EQ(HeadlessLastMessageBoxText(), "again");
  EXPECT_EQ(HeadlessLastMessageBoxCaption(), "c2");
}

TEST_F(HeadlessWindow, DroppedFilesArriveWithTheirNames) {
  WindowId w = Make();
  const char* names[] = {"a.png", "b\\c.txt"};
  HeadlessScriptDrop(w, names, 2);
  Message m;
  ASSERT_TRUE(PeekWindowMessage(&m, w, true));
  ASSERT_EQ(m.message, WM_DROPFILES);
  EXPECT_EQ(DropFileCount(m.wParam), 2);
  char buf[16];
  ASSERT_TRUE(DropFileName(m.wParam, 1, buf, sizeof buf));
  EXPECT_STREQ(buf, "b\\c.txt");
  EXPECT_FALSE(DropFileName(m.wParam, 1, buf, 4));   // too small: refused, not cut
  EXPECT_FALSE(DropFileName(m.wParam, 2, buf, sizeof buf));
  DropFinish(m.wParam);
  EXPECT_EQ(DropFileCount(m.wParam), 0);
}

TEST(SingleCopyLock, SecondHolderIsRefusedUntilRelease) {
  std::string dir = "/tmp/vlx_lock_test_" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  SingleCopyLockSetDirectory(dir.c_str());
  int a = SingleCopyLockTake("D123987X");
  ASSERT_GE(a, 0);
  EXPECT_EQ(SingleCopyLockTake("D123987X"), -1);
  int other = SingleCopyLockTake("OTHER");
  EXPECT_GE(other, 0);
  EXPECT_EQ(SingleCopyLockTake("../escape"), -1);
  SingleCopyLockRelease(a);
  int b = SingleCopyLockTake("D123987X");
  EXPECT_GE(b, 0);
  SingleCopyLockRelease(b);
  SingleCopyLockRelease(other);
  SingleCopyLockRelease(other);   // twice is harmless
  unlink((dir + "/D123987X.lock").c_str());
  unlink((dir + "/OTHER.lock").c_str());
  rmdir(dir.c_str());
  SingleCopyLockSetDirectory(nullptr);
}

}  // namespace
