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

TEST_F(HeadlessWindow, FullScreenCoversTheDesktopAndAlwaysReportsADisplayChange) {
  WindowId w = Make();
  HeadlessSetDesktop(1600, 1200, 32);
  WindowSetFullScreen(w, true, 640, 480, 32);
  EXPECT_TRUE(WindowIsFullScreen(w));
  // The window covers the display, not the picture's size; moving it waits for window mode.
  WindowSetPos(w, 10, 20, 640, 480, false);
  WindowRect c;
  WindowGetClientRect(w, &c);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);
  EXPECT_EQ(c.right, 1600);
  EXPECT_EQ(c.bottom, 1200);
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

TEST(SingleCopyLock, SecondHolderIsRefusedUntilReleaseAndEveryRefusalSaysWhy) {
  std::string dir = "/tmp/vlx_lock_test_" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  SingleCopyLockSetDirectory(dir.c_str());
  int a = SingleCopyLockTake("D123987X");
  ASSERT_GE(a, 0);
  std::string why;
  EXPECT_EQ(SingleCopyLockTake("D123987X", &why), kSingleCopyHeld);
  EXPECT_EQ(why, "another copy holds " + dir + "/D123987X.lock");
  int other = SingleCopyLockTake("OTHER");
  EXPECT_GE(other, 0);
  EXPECT_EQ(SingleCopyLockTake("../escape"), kSingleCopyUnavailable);
  mkdir((dir + "/BLOCKED.lock").c_str(), 0700);   // a lock file that cannot be opened
  EXPECT_EQ(SingleCopyLockTake("BLOCKED", &why), kSingleCopyUnavailable);
  EXPECT_EQ(why, dir + "/BLOCKED.lock: Is a directory");
  SingleCopyLockRelease(a);
  int b = SingleCopyLockTake("D123987X");
  EXPECT_GE(b, 0);
  SingleCopyLockRelease(b);
  SingleCopyLockRelease(other);
  SingleCopyLockRelease(other);   // twice is harmless
  unlink((dir + "/D123987X.lock").c_str());
  rmdir((dir + "/BLOCKED.lock").c_str());
  // Without a runtime folder of the user's own, the shared temporary folder holds one lock per
  // user: a variable left from another session may name a folder that is gone, a file, or another
  // user's folder.
  SingleCopyLockSetDirectory(nullptr);
  const std::string run = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
  const std::string shared = "/tmp/D123987X." + std::to_string(getuid()) + ".lock", others = dir + "/others";
  mkdir(others.c_str(), 0700);
  for (const std::string& value : {std::string(), std::string("relative"), dir + "/gone", dir + "/OTHER.lock", others, dir}) {
    if (value == others && chown(others.c_str(), getuid() + 1, getgid()) != 0) continue;
    value.empty() ? unsetenv("XDG_RUNTIME_DIR") : setenv("XDG_RUNTIME_DIR", value.c_str(), 1);
    EXPECT_EQ(SingleCopyLockPath("D123987X"), value == dir ? dir + "/D123987X.lock" : shared) << value;
  }
  unlink((dir + "/OTHER.lock").c_str());
  rmdir(others.c_str());
  rmdir(dir.c_str());
  if (!run.empty()) setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  else unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace

// The input method as the back ends report it: the message sequence the engine reads it by.
class HeadlessIme : public HeadlessWindow {
protected:
  std::vector<Message> Drain() {
    std::vector<Message> out;
    Message m;
    while (PeekWindowMessage(&m, 0, true)) out.push_back(m);
    return out;
  }
};

TEST_F(HeadlessIme, CompositionMessagesCursorClausesAndACommitTakenOnce) {
  WindowId w = Make();
  Drain();
  // "あいう" with the cursor after "あ" and "い" being converted.
  HeadlessScriptComposition(w, "あいう", 2, 2);
  std::vector<Message> m = Drain();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].message, WM_IME_STARTCOMPOSITION);
  EXPECT_EQ(m[1].message, WM_IME_COMPOSITION);
  EXPECT_EQ(static_cast<uint32_t>(m[1].lParam), GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE);
  char buf[16] = {};
  EXPECT_EQ(ImeGetComposition(w, GCS_COMPSTR, buf, sizeof buf), 6);
  EXPECT_EQ(std::string(buf, 6), "あいう");
  // Only whole characters are copied.
  EXPECT_EQ(ImeGetComposition(w, GCS_COMPSTR, buf, 3), 2);
  EXPECT_EQ(ImeGetComposition(w, GCS_CURSORPOS, nullptr, 0), 2);
  uint32_t clauses[8] = {};
  EXPECT_EQ(ImeGetComposition(w, GCS_COMPCLAUSE, clauses, sizeof clauses), 16);
  EXPECT_EQ(clauses[0], 0u);
  EXPECT_EQ(clauses[1], 2u);
  EXPECT_EQ(clauses[2], 4u);
  EXPECT_EQ(clauses[3], 6u);

  // A further change continues the composition; the commit ends it.
  HeadlessScriptComposition(w, "愛う", 4, 0);
  HeadlessScriptCommit(w, "愛う");
  m = Drain();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].message, WM_IME_COMPOSITION);
  EXPECT_EQ(m[1].message, WM_IME_COMPOSITION);
  EXPECT_TRUE(m[1].lParam & GCS_RESULTSTR);
  EXPECT_EQ(m[2].message, WM_IME_ENDCOMPOSITION);
  EXPECT_EQ(ImeGetComposition(w, GCS_COMPSTR, buf, sizeof buf), 0);
  EXPECT_EQ(ImeGetComposition(w, GCS_RESULTSTR, buf, 3), 2);
  EXPECT_EQ(ImeGetComposition(w, GCS_RESULTSTR, buf, sizeof buf), 2);
  EXPECT_EQ(std::string(buf, 2), "う");
  EXPECT_EQ(ImeGetComposition(w, GCS_RESULTSTR, buf, sizeof buf), 0);
  EXPECT_EQ(ImeGetComposition(w + 1000, GCS_COMPSTR, buf, sizeof buf), -1);
}

TEST_F(HeadlessIme, WithoutACompositionOrWhileDisabledCommittedTextIsCharacterBytes) {
  WindowId w = Make();
  Drain();
  HeadlessScriptCommit(w, "a亜");
  std::vector<Message> m = Drain();
  ASSERT_EQ(m.size(), 3u);
  for (auto& x : m) EXPECT_EQ(x.message, WM_CHAR);
  EXPECT_EQ(m[1].wParam, 0x88u);
  EXPECT_EQ(m[2].wParam, 0x9Fu);

  // Disabling drops the composition under way and ignores later ones.
  HeadlessScriptComposition(w, "か", 2, 0);
  Drain();
  WindowEnableIme(w, false);
  m = Drain();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m.back().message, WM_IME_ENDCOMPOSITION);
  HeadlessScriptComposition(w, "か", 2, 0);
  EXPECT_TRUE(Drain().empty());
  HeadlessScriptCommit(w, "b");
  m = Drain();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, WM_CHAR);
}
