// In-memory windows: nothing is drawn, nothing arrives but what a test scripts.
#include "platform/window/headless/headless_window.h"

#include <deque>
#include <mutex>

#include "platform/window/window_backend.h"

namespace plat {

namespace {

struct HeadlessDesk {
  int width = 1920, height = 1080, bits = 32;
  int cursorX = 0, cursorY = 0;
  bool cursorVisible = true;
  std::deque<int> answers;
  int boxes = 0;
  std::string lastText, lastCaption;
};

std::mutex g_deskMutex;
HeadlessDesk g_desk;

bool Create(WindowRecord*) { return true; }
void Destroy(WindowRecord*) {}
void SetCaption(WindowRecord*) {}
void Show(WindowRecord*, bool) {}
void Place(WindowRecord*, bool) {}
void SetFullScreen(WindowRecord*, bool full, int, int, WindowRect* covered) {
  if (!full) return;
  std::lock_guard<std::mutex> g(g_deskMutex);
  *covered = {0, 0, g_desk.width, g_desk.height};
}
void Raise(WindowRecord*, bool) {}
void Pump() {}

void Desktop(int* w, int* h, int* b) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  *w = g_desk.width;
  *h = g_desk.height;
  *b = g_desk.bits;
}

void CursorVisible(bool v) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  g_desk.cursorVisible = v;
}

void CursorPos(int* x, int* y) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  *x = g_desk.cursorX;
  *y = g_desk.cursorY;
}

void ScreenSaver(bool) {}

int Box(const char* text, const char* caption, uint32_t type) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  ++g_desk.boxes;
  g_desk.lastText = text;
  g_desk.lastCaption = caption;
  if (!g_desk.answers.empty()) {
    int a = g_desk.answers.front();
    g_desk.answers.pop_front();
    return a;
  }
  return (type & 0xF) == MB_OK || (type & 0xF) == MB_OKCANCEL ? IDOK : IDYES;
}

bool DisplayUsable(std::string*) { return true; }

}  // namespace

const WindowBackendOps kHeadlessWindowOps = {
    Create, Destroy, SetCaption, Show, Place, SetFullScreen, Raise, Pump,
    Desktop, CursorVisible, CursorPos, ScreenSaver, Box, DisplayUsable,
};

void HeadlessReset() {
  std::lock_guard<std::mutex> g(g_deskMutex);
  g_desk = HeadlessDesk{};
}

void HeadlessSetDesktop(int width, int height, int bits) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  g_desk.width = width;
  g_desk.height = height;
  g_desk.bits = bits;
}

void HeadlessSetCursorPos(int x, int y) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  g_desk.cursorX = x;
  g_desk.cursorY = y;
}

bool HeadlessCursorVisible() {
  std::lock_guard<std::mutex> g(g_deskMutex);
  return g_desk.cursorVisible;
}

void HeadlessScriptActivate(WindowId w, bool active) {
  PostWindowMessage(w, WM_ACTIVATEAPP, active ? 1 : 0, 0);
  PostWindowMessage(w, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

void HeadlessScriptClose(WindowId w) { PostWindowMessage(w, WM_CLOSE, 0, 0); }

void HeadlessScriptKey(WindowId w, uint32_t vk, bool alt) {
  PostWindowMessage(w, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1);
  if (alt && vk == VK_RETURN) PostWindowMessage(w, WM_SYSCHAR, 13, 0x20000001);
  PostWindowMessage(w, alt ? WM_SYSKEYUP : WM_KEYUP, vk, static_cast<intptr_t>(0xC0000001u));
}

void HeadlessScriptChars(WindowId w, const char* cp932) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(cp932); p && *p; ++p)
    PostWindowMessage(w, WM_CHAR, *p, 1);
}

void HeadlessScriptComposition(WindowId w, const char* cp932, int cursorBytes, int selectedBytes) {
  ImeReportComposition(w, cp932 ? cp932 : "", cursorBytes, selectedBytes);
}

void HeadlessScriptCommit(WindowId w, const char* cp932) { ImeReportCommit(w, cp932 ? cp932 : ""); }

void HeadlessScriptCandidates(WindowId w, const void* list, int bytes) {
  ImeSetCandidates(w, list && bytes > 0 ? std::string(static_cast<const char*>(list), static_cast<size_t>(bytes))
                                        : std::string());
}

void HeadlessScriptDrop(WindowId w, const char* const* names, int count) {
  int drop = DropCreate();
  if (!drop) return;
  for (int i = 0; i < count; ++i) DropAdd(drop, names[i]);
  PostWindowMessage(w, WM_DROPFILES, static_cast<uintptr_t>(drop), 0);
}

void HeadlessPushMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> g(g_deskMutex);
  g_desk.answers.push_back(answer);
}

int HeadlessMessageBoxCount() {
  std::lock_guard<std::mutex> g(g_deskMutex);
  return g_desk.boxes;
}

std::string HeadlessLastMessageBoxText() {
  std::lock_guard<std::mutex> g(g_deskMutex);
  return g_desk.lastText;
}

std::string HeadlessLastMessageBoxCaption() {
  std::lock_guard<std::mutex> g(g_deskMutex);
  return g_desk.lastCaption;
}

}  // namespace plat
