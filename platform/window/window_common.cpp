// The shared window layer: window records, classes, the message queue of the window thread, the
// drop lists, the cursor count and the single-copy lock files. Back ends only create, place and
// pump.
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/window.h"
#include "platform/window/window_backend.h"

namespace plat {

namespace {

constexpr int kMaxWindows = 16;
constexpr int kMaxClasses = 8;
constexpr int kMaxDrops = 8;
constexpr int kMaxLocks = 8;
constexpr size_t kQueueLimit = 10000;   // a Windows thread queue holds about as many

struct ClassRecord {
  bool used;
  std::string name;
  WindowProc proc;
  int iconId;
};

struct DropList {
  bool used;
  std::vector<std::string> names;
};

std::recursive_mutex g_mutex;           // records, classes, drops
std::mutex g_queueMutex;
std::deque<Message> g_queue;
WindowRecord g_windows[kMaxWindows];
ClassRecord g_classes[kMaxClasses];
DropList g_drops[kMaxDrops];
const WindowBackendOps* g_ops = nullptr;
WindowBackend g_choice = WindowBackend::Auto;
std::atomic<bool> g_ownerSet{false};
std::atomic<std::thread::id> g_owner;
int g_cursorCount = 0;

int g_lockFds[kMaxLocks] = {-1, -1, -1, -1, -1, -1, -1, -1};
std::string g_lockDir;

const WindowBackendOps* Ops() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!g_ops) {
    bool headless = g_choice == WindowBackend::Headless;
    if (g_choice == WindowBackend::Auto) {
      const char* h = getenv("VLX_HEADLESS");
      const char* x = getenv("DISPLAY");
      const char* wl = getenv("WAYLAND_DISPLAY");
      headless = (h && strcmp(h, "1") == 0) || !((x && *x) || (wl && *wl));
    }
    g_ops = headless ? &kHeadlessWindowOps : &kSdlWindowOps;
  }
  return g_ops;
}

bool IsOwnerThread() {
  return !g_ownerSet.load() || g_owner.load() == std::this_thread::get_id();
}

int ClassFind(const char* name) {
  for (int i = 0; i < kMaxClasses; ++i)
    if (g_classes[i].used && g_classes[i].name == name) return i;
  return -1;
}

bool AnyWindow() {
  for (auto& w : g_windows)
    if (w.used) return true;
  return false;
}

WindowProc ProcOf(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r || r->classSlot < 0 || !g_classes[r->classSlot].used) return nullptr;
  return g_classes[r->classSlot].proc;
}

}  // namespace

std::recursive_mutex& WindowLayerMutex() { return g_mutex; }

WindowRecord* WindowRecordByNative(const void* native) {
  if (!native) return nullptr;
  for (auto& r : g_windows)
    if (r.used && r.native == native) return &r;
  return nullptr;
}

int WindowAllIds(WindowId* out, int max) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  int n = 0;
  for (auto& r : g_windows)
    if (r.used && n < max) out[n++] = r.id;
  return n;
}

WindowRecord* WindowRecordOf(WindowId w) {
  if (w == 0) return nullptr;
  for (auto& r : g_windows)
    if (r.used && r.id == w) return &r;
  return nullptr;
}

WindowRect WindowClientOf(const WindowRecord& w) {
  WindowRect insets = WindowAdjustRect({0, 0, 0, 0}, w.style, w.exStyle, w.menu);
  if (w.fullScreen) insets = {0, 0, 0, 0};
  return {w.outer.left - insets.left, w.outer.top - insets.top, w.outer.right - insets.right,
          w.outer.bottom - insets.bottom};
}

void WindowMoveClient(WindowRecord* w, int left, int top, int width, int height) {
  WindowRect c{left, top, left + width, top + height};
  w->outer = w->fullScreen ? c : WindowAdjustRect(c, w->style, w->exStyle, w->menu);
}

void WindowSelectBackend(WindowBackend b) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (AnyWindow()) return;
  g_choice = b;
  g_ops = nullptr;
}

bool WindowIsHeadless() { return Ops() == &kHeadlessWindowOps; }

bool WindowDisplayUsable(std::string* why) { return Ops()->displayUsable(why); }

bool WindowClassRegister(const char* name, WindowProc proc, int iconId) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (!name || !proc || ClassFind(name) >= 0) return false;
  for (auto& c : g_classes) {
    if (c.used) continue;
    c.used = true;
    c.name = name;
    c.proc = proc;
    c.iconId = iconId;
    return true;
  }
  return false;
}

bool WindowClassUnregister(const char* name) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  int i = ClassFind(name);
  if (i < 0) return false;
  for (auto& w : g_windows)
    if (w.used && w.classSlot == i) return false;   // still has windows
  g_classes[i] = ClassRecord{};
  return true;
}

WindowRect WindowAdjustRect(const WindowRect& c, uint32_t style, uint32_t exStyle, bool menu) {
  int border = 0;
  if (style & WS_THICKFRAME) border = 4;
  else if (style & (WS_CAPTION | 0x00800000u | 0x00400000u)) border = 3;
  int top = border;
  if ((style & WS_CAPTION) == WS_CAPTION) top += 23;
  if (menu) top += 20;
  int edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : 0;
  return {c.left - border - edge, c.top - top - edge, c.right + border + edge, c.bottom + border + edge};
}

WindowId WindowCreate(const WindowCreateInfo& info) {
  const WindowBackendOps* ops = Ops();
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  int cls = info.className ? ClassFind(info.className) : -1;
  if (cls < 0) return 0;
  WindowRecord* r = nullptr;
  int slot = 0;
  for (; slot < kMaxWindows; ++slot)
    if (!g_windows[slot].used) { r = &g_windows[slot]; break; }
  if (!r) return 0;
  if (!AnyWindow()) {
    // A fresh window thread starts with an empty queue, as a new process would.
    std::lock_guard<std::mutex> q(g_queueMutex);
    g_queue.clear();
    g_owner = std::this_thread::get_id();
    g_ownerSet = true;
  } else if (!IsOwnerThread()) {
    return 0;
  }
  uint32_t gen = r->generation + 1;
  *r = WindowRecord{};
  r->generation = gen;
  r->id = static_cast<WindowId>(slot + 1) | (static_cast<WindowId>(gen & 0xFFFF) << 8);
  r->classSlot = cls;
  r->caption = info.caption ? info.caption : "";
  r->style = info.style;
  r->exStyle = info.exStyle;
  r->menu = info.menu;
  r->visible = (info.style & WS_VISIBLE) != 0;
  r->outer = {info.x, info.y, info.x + info.width, info.y + info.height};
  r->iconId = g_classes[cls].iconId;
  r->used = true;
  if (!ops->create(r)) {
    r->used = false;
    if (!AnyWindow()) g_ownerSet = false;
    return 0;
  }
  WindowId id = r->id;
  SendWindowMessage(id, WM_CREATE, 0, 0);
  return id;
}

bool WindowDestroy(WindowId w) {
  {
    std::lock_guard<std::recursive_mutex> g(g_mutex);
    if (!WindowRecordOf(w)) return false;
  }
  SendWindowMessage(w, WM_DESTROY, 0, 0);
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return true;
  Ops()->destroy(r);
  r->used = false;
  r->native = nullptr;
  {
    std::lock_guard<std::mutex> q(g_queueMutex);
    for (auto it = g_queue.begin(); it != g_queue.end();)
      it = (it->window == w) ? g_queue.erase(it) : it + 1;
  }
  if (!AnyWindow()) g_ownerSet = false;
  return true;
}

bool WindowExists(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  return WindowRecordOf(w) != nullptr;
}

void WindowSetCaption(WindowId w, const char* cp932) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return;
  r->caption = cp932 ? cp932 : "";
  Ops()->setCaption(r);
}

void WindowSetIcon(WindowId w, int iconId) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (WindowRecord* r = WindowRecordOf(w)) r->iconId = iconId;
}

void WindowShow(WindowId w, bool show) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return;
  r->visible = show;
  Ops()->show(r, show);
}

void WindowSetStyle(WindowId w, uint32_t style, uint32_t exStyle) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return;
  r->style = style;
  r->exStyle = exStyle;
  if (style & WS_VISIBLE) r->visible = true;
}

void WindowSetPos(WindowId w, int x, int y, int width, int height, bool topmost) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  // A full-screen window keeps covering its display until it leaves full screen.
  if (!r || r->fullScreen) return;
  r->outer = {x, y, x + width, y + height};
  Ops()->place(r, topmost);
}

void WindowSetFullScreen(WindowId w, bool fullScreen, int width, int height, int bits) {
  {
    std::lock_guard<std::recursive_mutex> g(g_mutex);
    WindowRecord* r = WindowRecordOf(w);
    if (!r) return;
    WindowRect covered{0, 0, width, height};
    Ops()->setFullScreen(r, fullScreen, width, height, &covered);
    r->fullScreen = fullScreen;
    if (fullScreen) r->outer = covered;
  }
  PostWindowMessage(w, WM_DISPLAYCHANGE, static_cast<uintptr_t>(bits),
                    static_cast<intptr_t>((width & 0xFFFF) | ((height & 0xFFFF) << 16)));
}

bool WindowIsFullScreen(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  return r && r->fullScreen;
}

bool WindowGetRect(WindowId w, WindowRect* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !out) return false;
  *out = r->outer;
  return true;
}

bool WindowGetClientRect(WindowId w, WindowRect* out) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !out) return false;
  *out = WindowClientOf(*r);
  return true;
}

void WindowBringToFront(WindowId w, bool topmost) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (WindowRecord* r = WindowRecordOf(w)) Ops()->raise(r, topmost);
}

void* WindowNativeHandle(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  WindowRecord* r = WindowRecordOf(w);
  return (r && !WindowIsHeadless()) ? r->native : nullptr;
}

bool PeekWindowMessage(Message* out, WindowId filter, bool remove) {
  if (!IsOwnerThread()) return false;
  if (g_ownerSet) Ops()->pump();
  std::lock_guard<std::mutex> q(g_queueMutex);
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    bool match = filter == 0 || (filter == kThreadMessages ? it->window == 0 : it->window == filter);
    if (!match) continue;
    if (out) *out = *it;
    if (remove) g_queue.erase(it);
    return true;
  }
  return false;
}

bool PostWindowMessage(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (w != 0 && !WindowExists(w)) return false;
  std::lock_guard<std::mutex> q(g_queueMutex);
  if (g_queue.size() >= kQueueLimit) return false;
  // Repaints coalesce as they do when the system makes them from an invalid region.
  if (message == WM_PAINT)
    for (auto& m : g_queue)
      if (m.window == w && m.message == WM_PAINT) return true;
  g_queue.push_back({w, message, wParam, lParam});
  return true;
}

bool PostWindowMessageOnce(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (w != 0 && !WindowExists(w)) return false;
  std::lock_guard<std::mutex> q(g_queueMutex);
  for (const Message& m : g_queue)
    if (m.window == w && m.message == message && m.wParam == wParam && m.lParam == lParam) return true;
  if (g_queue.size() >= kQueueLimit) return false;
  g_queue.push_back({w, message, wParam, lParam});
  return true;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> q(g_queueMutex);
  g_queue.push_back({0, WM_QUIT, static_cast<uintptr_t>(exitCode), 0});
}

intptr_t SendWindowMessage(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowProc proc = ProcOf(w);
  return proc ? proc(w, message, wParam, lParam) : 0;
}

intptr_t DispatchWindowMessage(const Message& m) {
  if (m.window == 0) return 0;
  return SendWindowMessage(m.window, m.message, m.wParam, m.lParam);
}

intptr_t DefaultWindowProc(WindowId w, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case WM_CLOSE:
      WindowDestroy(w);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0u) == SC_CLOSE) PostWindowMessage(w, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

int DropCreate() {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  for (int i = 0; i < kMaxDrops; ++i) {
    if (g_drops[i].used) continue;
    g_drops[i].used = true;
    g_drops[i].names.clear();
    return i + 1;
  }
  return 0;
}

void DropAdd(int drop, const char* cp932) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (drop >= 1 && drop <= kMaxDrops && g_drops[drop - 1].used) g_drops[drop - 1].names.push_back(cp932);
}

int DropFileCount(uintptr_t drop) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (drop < 1 || drop > kMaxDrops || !g_drops[drop - 1].used) return 0;
  return static_cast<int>(g_drops[drop - 1].names.size());
}

bool DropFileName(uintptr_t drop, int index, char* out, int outSize) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (drop < 1 || drop > kMaxDrops || !g_drops[drop - 1].used || !out || outSize <= 0) return false;
  auto& names = g_drops[drop - 1].names;
  if (index < 0 || index >= static_cast<int>(names.size())) return false;
  size_t n = names[index].size();
  if (n >= static_cast<size_t>(outSize)) return false;
  memcpy(out, names[index].c_str(), n + 1);
  return true;
}

void DropFinish(uintptr_t drop) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (drop >= 1 && drop <= kMaxDrops) g_drops[drop - 1] = DropList{};
}

void DesktopGetMetrics(int* width, int* height, int* bits) {
  int w = 0, h = 0, b = 0;
  Ops()->desktop(&w, &h, &b);
  if (width) *width = w;
  if (height) *height = h;
  if (bits) *bits = b;
}

int ShowCursor(bool show) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  bool before = g_cursorCount >= 0;
  g_cursorCount += show ? 1 : -1;
  bool after = g_cursorCount >= 0;
  if (before != after) Ops()->cursorVisible(after);
  return g_cursorCount;
}

void GetCursorPos(int* x, int* y) {
  int cx = 0, cy = 0;
  Ops()->cursorPos(&cx, &cy);
  if (x) *x = cx;
  if (y) *y = cy;
}

void ScreenSaverEnable(bool enable) { Ops()->screenSaver(enable); }

int MessageBox(const char* text, const char* caption, uint32_t type) {
  return Ops()->messageBox(text ? text : "", caption ? caption : "", type);
}

std::string SingleCopyLockPath(const char* name) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  const std::string file = std::string(name ? name : "") + ".lock";
  if (!g_lockDir.empty()) return g_lockDir + "/" + file;
  // The runtime folder only when it is really this user's: a variable left from another session
  // may name a folder that is gone, a file, or someone else's folder.
  const char* run = getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (run && run[0] == '/' && stat(run, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
      access(run, W_OK | X_OK) == 0)
    return std::string(run) + "/" + file;
  // The temporary folder is every user's: the name says whose copy it marks.
  return "/tmp/" + std::string(name ? name : "") + "." + std::to_string(getuid()) + ".lock";
}

void SingleCopyLockSetDirectory(const char* posixDir) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  g_lockDir = posixDir ? posixDir : "";
}

// A child of this process is never the running copy: its references to the lock files go, so the
// locks end with this process whatever the child does. Closing drops only the child's reference;
// an unlock here would free the parent's lock. No mutex: the child has one thread.
static void ForgetLocksInChild() {
  for (int& fd : g_lockFds) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

int SingleCopyLockTake(const char* name, std::string* why) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  static const bool forkHandled = pthread_atfork(nullptr, nullptr, ForgetLocksInChild) == 0;
  (void)forkHandled;
  auto refuse = [why](int result, const std::string& reason) {
    if (why) *why = reason;
    return result;
  };
  if (!name || !*name || strchr(name, '/')) return refuse(kSingleCopyUnavailable, "no usable lock name");
  int slot = -1;
  for (int i = 0; i < kMaxLocks; ++i)
    if (g_lockFds[i] < 0) { slot = i; break; }
  if (slot < 0) return refuse(kSingleCopyUnavailable, "too many locks held");
  const std::string path = SingleCopyLockPath(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return refuse(kSingleCopyUnavailable, path + ": " + strerror(errno));
  // flock belongs to the open file, so a second open in this process conflicts too.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    close(fd);
    if (e == EWOULDBLOCK) return refuse(kSingleCopyHeld, "another copy holds " + path);
    return refuse(kSingleCopyUnavailable, path + ": " + strerror(e));
  }
  g_lockFds[slot] = fd;
  return slot;
}

void SingleCopyLockRelease(int token) {
  std::lock_guard<std::recursive_mutex> g(g_mutex);
  if (token < 0 || token >= kMaxLocks || g_lockFds[token] < 0) return;
  close(g_lockFds[token]);   // the file stays; only the lock marks a running copy
  g_lockFds[token] = -1;
}

}  // namespace plat
