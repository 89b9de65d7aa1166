// SDL2 windows. SDL video is used only on the window thread; its events become window messages in
// the shared queue when that thread peeks.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <langinfo.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "platform/window/window_backend.h"

namespace plat {

namespace {

bool g_videoUp = false;
bool g_videoFailed = false;

// SDL's boxes and the window's old-style title go through the C library's character handling,
// which must be UTF-8 for Japanese: the environment's when it is, else C.UTF-8 (every Debian
// system has it). Only the character category changes here: numbers keep their "C" form. A box
// takes the environment's locale in a process of its own, whose environment is told too (ours
// stays the user's, which the terminal lines follow).
bool g_boxWantsUtf8 = false;

void UseUtf8Characters() {
  if (setlocale(LC_CTYPE, "") && strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  g_boxWantsUtf8 = setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
}

bool EnsureVideo() {
  if (g_videoUp) return true;
  if (g_videoFailed) return false;
  UseUtf8Characters();
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The window answers nothing while a modal box is up; the window manager's pings would have it
  // called not responding and offered to be killed.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_PING, "0");
  // The engine draws the composition itself, and wants it whole however long it grows.
  SDL_SetHint(SDL_HINT_IME_INTERNAL_EDITING, "1");
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    g_videoFailed = true;
    return false;
  }
  g_videoUp = true;
  return true;
}

SDL_Window* Win(WindowRecord* w) { return static_cast<SDL_Window*>(w->native); }

uint32_t MakeLong(int lo, int hi) {
  return (static_cast<uint32_t>(lo) & 0xFFFFu) | ((static_cast<uint32_t>(hi) & 0xFFFFu) << 16);
}

void ApplyFrame(WindowRecord* w) {
  SDL_Window* s = Win(w);
  SDL_SetWindowBordered(s, (w->style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(s, (w->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
}

// The X display and window under an SDL window; false on any other video driver.
bool X11Of(SDL_Window* s, Display** d, Window* xw) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(s, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *d = info.info.x11.display;
  *xw = info.info.x11.window;
  return true;
}

// SDL writes the old-style title (WM_NAME) as Latin-1 text made of the locale's bytes, which no
// reader takes for Japanese; as compound text it reads as the caption.
void SetOldStyleTitle(SDL_Window* s, const std::string& utf8) {
  Display* d = nullptr;
  Window xw = 0;
  if (!X11Of(s, &d, &xw)) return;
  char* list[] = {const_cast<char*>(utf8.c_str())};
  XTextProperty prop{};
  if (Xutf8TextListToTextProperty(d, list, 1, XStdICCTextStyle, &prop) < 0) return;
  XSetWMName(d, xw, &prop);
  XFree(prop.value);
  XFlush(d);
}

// The window manager's own full-screen command would leave the game a window's picture in the
// corner of a screen-sized window: full screen is the game's to choose, so the state is taken off
// again at once and the window keeps its size. True when it was refused. Without a window manager
// the state is only what SDL wrote while the window was hidden, and nobody acts on it.
bool RefuseOutsideFullScreen(SDL_Window* s) {
  Display* d = nullptr;
  Window xw = 0;
  if (!X11Of(s, &d, &xw)) return false;
  // Whether a property of 32-bit values holds `value` (any value, for None).
  auto holds = [d](Window w, const char* property, unsigned long value) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, w, XInternAtom(d, property, False), 0, 64, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && data) {
      const auto* values = reinterpret_cast<const unsigned long*>(data);
      for (unsigned long i = 0; format == 32 && i < count; ++i) found = found || value == None || values[i] == value;
      XFree(data);
    }
    return found;
  };
  const Atom full = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
  const Window root = DefaultRootWindow(d);
  if (!holds(xw, "_NET_WM_STATE", full) || !holds(root, "_NET_SUPPORTING_WM_CHECK", None)) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = xw;
  e.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = 0;   // remove
  e.xclient.data.l[1] = static_cast<long>(full);
  e.xclient.data.l[3] = 1;   // asked by the application
  XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(d);
  return true;
}

bool Create(WindowRecord* w) {
  if (!EnsureVideo()) return false;
  WindowRect c = WindowClientOf(*w);
  uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  if (!(w->style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
  if (w->style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  std::string title = Cp932ToUtf8(w->caption);
  int width = c.right - c.left, height = c.bottom - c.top;
  SDL_Window* s = SDL_CreateWindow(title.c_str(), c.left, c.top, width > 0 ? width : 1,
                                   height > 0 ? height : 1, flags);
  if (!s) return false;
  w->native = s;
  SetOldStyleTitle(s, title);
  if (w->visible) SDL_ShowWindow(s);
  SDL_StartTextInput();
  return true;
}

void Destroy(WindowRecord* w) {
  if (Win(w)) SDL_DestroyWindow(Win(w));
}

void SetCaption(WindowRecord* w) {
  const std::string title = Cp932ToUtf8(w->caption);
  SDL_SetWindowTitle(Win(w), title.c_str());
  SetOldStyleTitle(Win(w), title);
}

void Show(WindowRecord* w, bool show) {
  if (show) SDL_ShowWindow(Win(w));
  else SDL_HideWindow(Win(w));
}

bool Minimised(WindowRecord* w) { return (SDL_GetWindowFlags(Win(w)) & SDL_WINDOW_MINIMIZED) != 0; }

void Place(WindowRecord* w, bool topmost) {
  // A minimised window stays so until the player brings it back; it then takes the rectangle
  // the record holds by now (the restore reports WM_SIZE, and the engine places it again).
  if (w->fullScreen || Minimised(w)) return;
  ApplyFrame(w);
  WindowRect c = WindowClientOf(*w);
  SDL_SetWindowSize(Win(w), c.right - c.left, c.bottom - c.top);
  SDL_SetWindowPosition(Win(w), c.left, c.top);
  SDL_SetWindowAlwaysOnTop(Win(w), topmost ? SDL_TRUE : SDL_FALSE);
  if (w->visible) SDL_ShowWindow(Win(w));
}

void SetFullScreen(WindowRecord* w, bool full, int, int, WindowRect* covered) {
  SDL_Window* s = Win(w);
  if (!full) {
    SDL_SetWindowFullscreen(s, 0);
    return;
  }
  SDL_Rect b{0, 0, 0, 0};
  int display = SDL_GetWindowDisplayIndex(s);
  if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &b) != 0) SDL_GetWindowSize(s, &b.w, &b.h);
  // Without a window manager that honours the full-screen state (a bare X server) SDL only
  // believes the window covers the display; sized to it first, the window really does.
  SDL_SetWindowPosition(s, b.x, b.y);
  SDL_SetWindowSize(s, b.w, b.h);
  SDL_SetWindowFullscreen(s, SDL_WINDOW_FULLSCREEN_DESKTOP);
  *covered = {b.x, b.y, b.x + b.w, b.y + b.h};
}

void Raise(WindowRecord* w, bool topmost) {
  SDL_RaiseWindow(Win(w));
  if (topmost) SDL_SetWindowAlwaysOnTop(Win(w), SDL_TRUE);
}

uint32_t VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<uint32_t>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<uint32_t>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + static_cast<uint32_t>(k - SDLK_F1);
  switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_INSERT: return 0x2D;
    default: return 0;
  }
}

WindowId IdOf(uint32_t sdlWindowId) {
  SDL_Window* s = SDL_GetWindowFromID(sdlWindowId);
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordByNative(s);
  return r ? r->id : 0;
}

void WindowEvent(const SDL_WindowEvent& e) {
  WindowId id = IdOf(e.windowID);
  if (!id) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_MOVED: {
      {
        std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
        WindowRecord* r = WindowRecordOf(id);
        if (!r || r->fullScreen || RefuseOutsideFullScreen(Win(r))) break;
        WindowRect c = WindowClientOf(*r);
        WindowMoveClient(r, e.data1, e.data2, c.right - c.left, c.bottom - c.top);
      }
      PostWindowMessage(id, WM_MOVE, 0, MakeLong(e.data1, e.data2));
      break;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      {
        std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
        WindowRecord* r = WindowRecordOf(id);
        if (!r || r->fullScreen || RefuseOutsideFullScreen(Win(r))) break;
        WindowRect c = WindowClientOf(*r);
        WindowMoveClient(r, c.left, c.top, e.data1, e.data2);
      }
      PostWindowMessage(id, WM_SIZE, SIZE_RESTORED, MakeLong(e.data1, e.data2));
      break;
    }
    case SDL_WINDOWEVENT_MAXIMIZED:
      PostWindowMessage(id, WM_SIZE, SIZE_MAXIMIZED, 0);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      PostWindowMessage(id, WM_SIZE, SIZE_MINIMIZED, 0);
      break;
    case SDL_WINDOWEVENT_RESTORED: {
      int width = 0, height = 0;
      SDL_GetWindowSize(SDL_GetWindowFromID(e.windowID), &width, &height);
      PostWindowMessage(id, WM_SIZE, SIZE_RESTORED, MakeLong(width, height));
      break;
    }
    case SDL_WINDOWEVENT_EXPOSED:
      PostWindowMessage(id, WM_PAINT, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST: {
      bool on = e.event == SDL_WINDOWEVENT_FOCUS_GAINED;
      PostWindowMessage(id, WM_ACTIVATEAPP, on ? 1 : 0, 0);
      PostWindowMessage(id, WM_ACTIVATE, on ? WA_ACTIVE : WA_INACTIVE, 0);
      break;
    }
    case SDL_WINDOWEVENT_CLOSE:
      PostWindowMessage(id, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

int g_drop = 0;

// Bytes of the CP932 form of the first `chars` characters of a UTF-8 text.
int Cp932PrefixBytes(const char* utf8, int chars) {
  const char* p = utf8;
  while (*p && chars > 0) {
    ++p;
    while ((static_cast<unsigned char>(*p) & 0xC0) == 0x80) ++p;
    --chars;
  }
  return static_cast<int>(Utf8ToCp932(std::string(utf8, p)).size());
}

void Editing(uint32_t windowId, const char* text, int start, int length) {
  WindowId id = IdOf(windowId);
  if (!id || !text) return;
  int cursor = Cp932PrefixBytes(text, start);
  int selected = length > 0 ? Cp932PrefixBytes(text, start + length) - cursor : 0;
  ImeReportComposition(id, Utf8ToCp932(text), cursor, selected);
}

// A composition dropped by the engine (from any thread) is dropped by the real method here.
void ApplyImeCancels() {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowId ids[16];
  int n = WindowAllIds(ids, 16);
  bool clear = false;
  for (int i = 0; i < n; ++i) {
    WindowRecord* r = WindowRecordOf(ids[i]);
    if (r && r->ime.cancelPending) {
      r->ime.cancelPending = false;
      clear = true;
    }
  }
  if (clear) SDL_ClearComposition();
}

void Pump() {
  if (!g_videoUp) return;
  ApplyImeCancels();
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_WINDOWEVENT:
        WindowEvent(e.window);
        break;
      case SDL_KEYDOWN: {
        WindowId id = IdOf(e.key.windowID);
        uint32_t vk = VirtualKey(e.key.keysym.sym);
        if (!id || !vk) break;
        bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
        intptr_t lp = static_cast<intptr_t>(1 | (e.key.repeat ? 0x40000000u : 0) | (alt ? 0x20000000u : 0));
        PostWindowMessage(id, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, lp);
        // The control characters that text events never carry.
        if (vk == VK_RETURN || vk == VK_BACK || vk == VK_ESCAPE || vk == VK_TAB)
          PostWindowMessage(id, alt ? WM_SYSCHAR : WM_CHAR, vk == VK_RETURN ? 13 : vk, lp);
        break;
      }
      case SDL_KEYUP: {
        WindowId id = IdOf(e.key.windowID);
        uint32_t vk = VirtualKey(e.key.keysym.sym);
        bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
        if (id && vk) PostWindowMessage(id, alt ? WM_SYSKEYUP : WM_KEYUP, vk, static_cast<intptr_t>(0xC0000001u));
        break;
      }
      case SDL_TEXTINPUT: {
        WindowId id = IdOf(e.text.windowID);
        if (id) ImeReportCommit(id, Utf8ToCp932(e.text.text));
        break;
      }
      case SDL_TEXTEDITING:
        Editing(e.edit.windowID, e.edit.text, e.edit.start, e.edit.length);
        break;
      case SDL_TEXTEDITING_EXT:
        Editing(e.editExt.windowID, e.editExt.text, e.editExt.start, e.editExt.length);
        SDL_free(e.editExt.text);
        break;
      case SDL_MOUSEMOTION: {
        WindowId id = IdOf(e.motion.windowID);
        if (id) PostWindowMessage(id, WM_MOUSEMOVE, 0, MakeLong(e.motion.x, e.motion.y));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        WindowId id = IdOf(e.button.windowID);
        if (!id) break;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        uint32_t msg = e.button.button == SDL_BUTTON_RIGHT ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                       : e.button.button == SDL_BUTTON_MIDDLE ? (down ? WM_MBUTTONDOWN : WM_MBUTTONUP)
                                                              : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
        PostWindowMessage(id, msg, 0, MakeLong(e.button.x, e.button.y));
        break;
      }
      case SDL_MOUSEWHEEL: {
        WindowId id = IdOf(e.wheel.windowID);
        if (!id || e.wheel.y == 0) break;
        int delta = e.wheel.y * 120;
        PostWindowMessage(id, WM_MOUSEWHEEL, (static_cast<uint32_t>(delta) & 0xFFFFu) << 16, 0);
        break;
      }
      case SDL_DROPFILE:
        if (!g_drop) g_drop = DropCreate();
        if (g_drop && e.drop.file) DropAdd(g_drop, Utf8ToCp932(e.drop.file).c_str());
        SDL_free(e.drop.file);
        break;
      case SDL_DROPCOMPLETE: {
        WindowId id = IdOf(e.drop.windowID);
        if (g_drop && id) PostWindowMessage(id, WM_DROPFILES, static_cast<uintptr_t>(g_drop), 0);
        else if (g_drop) DropFinish(static_cast<uintptr_t>(g_drop));
        g_drop = 0;
        break;
      }
      case SDL_DISPLAYEVENT: {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) break;
        int bits = SDL_BITSPERPIXEL(mode.format) == 24 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        WindowId ids[16];
        int n = WindowAllIds(ids, 16);
        for (int i = 0; i < n; ++i) PostWindowMessage(ids[i], WM_DISPLAYCHANGE, bits, MakeLong(mode.w, mode.h));
        break;
      }
      default:
        break;
    }
  }
}

void Desktop(int* w, int* h, int* b) {
  *w = *h = *b = 0;
  if (!EnsureVideo()) return;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return;
  *w = mode.w;
  *h = mode.h;
  int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
  // X11 calls its 32-bit-per-pixel visuals 24-bit depth; the engine needs to hear 32.
  *b = bits == 24 ? 32 : bits;
}

void CursorVisible(bool v) {
  if (g_videoUp) SDL_ShowCursor(v ? SDL_ENABLE : SDL_DISABLE);
}

void CursorPos(int* x, int* y) {
  *x = *y = 0;
  if (g_videoUp) SDL_GetGlobalMouseState(x, y);
}

void ScreenSaver(bool enable) {
  if (!g_videoUp) return;
  if (enable) SDL_EnableScreenSaver();
  else SDL_DisableScreenSaver();
}

const char* U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

int EscapeAnswer(uint32_t type) {
  int tp = static_cast<int>(type & 0xF);
  return tp == MB_OK ? IDOK : tp == MB_YESNO ? IDNO : IDCANCEL;
}

// A box's first line, cut short on a character boundary, to name it in a log line.
std::string BoxBrief(const std::string& utf8) {
  constexpr size_t kMax = 60;
  size_t end = utf8.find('\n');
  bool cut = end != std::string::npos;
  if (!cut) end = utf8.size();
  if (end > kMax) {
    end = kMax;
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    cut = true;
  }
  return utf8.substr(0, end) + (cut ? "..." : "");
}

// The box runs in a child process of its own. It must end with this process, however this one
// ends (a kill while the box is up included), or it would keep the window's picture and the
// running copy's mark alive.
pid_t g_boxParent = 0;

void SetUpBoxChild() {
  if (g_boxParent == 0) return;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != g_boxParent) _exit(127);   // the parent was gone before the line above
  if (g_boxWantsUtf8) setenv("LC_ALL", "C.UTF-8", 1);
}

// The window a box belongs to: the first shown one that is not minimised; null before the first.
SDL_Window* BoxOwner() {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowId ids[16];
  const int n = WindowAllIds(ids, 16);
  for (int i = 0; i < n; ++i) {
    WindowRecord* r = WindowRecordOf(ids[i]);
    if (!r || !Win(r)) continue;
    const uint32_t flags = SDL_GetWindowFlags(Win(r));
    if ((flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_MINIMIZED)) return Win(r);
  }
  return nullptr;
}

int Box(const char* text, const char* caption, uint32_t type) {
  SDL_MessageBoxButtonData buttons[3];
  int n = 0;
  auto add = [&](int id, const char8_t* label, uint32_t flags) {
    buttons[n].flags = flags;
    buttons[n].buttonid = id;
    buttons[n].text = U8(label);
    ++n;
  };
  switch (type & 0xF) {
    case MB_OKCANCEL:
      add(IDOK, u8"OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
      add(IDCANCEL, u8"キャンセル", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
      break;
    case MB_YESNOCANCEL:
      add(IDYES, u8"はい", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
      add(IDNO, u8"いいえ", 0);
      add(IDCANCEL, u8"キャンセル", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
      break;
    case MB_YESNO:
      add(IDYES, u8"はい", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
      add(IDNO, u8"いいえ", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
      break;
    default:
      add(IDOK, u8"OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
      break;
  }
  std::string t = Cp932ToUtf8(text), c = Cp932ToUtf8(caption);
  SDL_MessageBoxData data{};
  data.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.title = c.c_str();
  data.message = t.c_str();
  data.numbuttons = n;
  data.buttons = buttons;
  // Each box is its own display client, and before the first window this process may hold no
  // other: a bare X server left with no client resets itself and refuses the next box's
  // connection for a moment, so back-to-back boxes would fail at random. Video up keeps us
  // connected from the first box on.
  EnsureVideo();
  // Tied to the game's window, the window manager keeps it over the game and with it.
  data.window = BoxOwner();
  static const bool forkHandled = pthread_atfork(nullptr, nullptr, SetUpBoxChild) == 0;
  (void)forkHandled;
  g_boxParent = getpid();
  int hit = -1;
  const int shown = SDL_ShowMessageBox(&data, &hit);
  g_boxParent = 0;
  if (shown != 0) {
    std::fprintf(stderr, "velmarondix: message box \"%s\" could not be shown (%s); taken as Escape\n",
                 BoxBrief(t).c_str(), SDL_GetError());
    return EscapeAnswer(type);
  }
  // Closed by its window's close box: that is the escape key's answer too.
  return hit < 0 ? EscapeAnswer(type) : hit;
}

std::string DisplayVariable(const char* name) {
  const char* v = getenv(name);
  return (v && *v) ? std::string(name) + "=" + v : std::string(name) + " is not set";
}

// Asked before anything is shown. Video stays up from here on, as for the boxes: a probe that put
// it down again could leave a bare X server without clients, and it resets itself. SDL falls back
// by itself to drivers that show nothing; for a player they are no display.
bool DisplayUsable(std::string* why) {
  std::string reason;
  if (!EnsureVideo()) {
    reason = SDL_GetError();
  } else {
    const char* name = SDL_GetCurrentVideoDriver();
    const std::string driver = name ? name : "";
    if (driver != "offscreen" && driver != "dummy") return true;
    reason = "only SDL's " + driver + " video driver answers, which shows nothing";
  }
  if (why) *why = DisplayVariable("DISPLAY") + ", " + DisplayVariable("WAYLAND_DISPLAY") + ": " + reason;
  return false;
}

}  // namespace

const WindowBackendOps kSdlWindowOps = {
    Create, Destroy, SetCaption, Show, Place, SetFullScreen, Raise, Pump,
    Desktop, CursorVisible, CursorPos, ScreenSaver, Box, DisplayUsable,
};

}  // namespace plat
