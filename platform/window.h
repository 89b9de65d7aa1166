// Window, message queue, message boxes, cursor and desktop facts. Messages carry the engine's
// window message numbers. Windows and their queue belong to the thread that created them (the
// main thread): only that thread pumps the real back end and takes window messages; a peek from
// any other thread finds nothing. Posting works from any thread.
// The back end is chosen on first use: headless when VLX_HEADLESS=1 or no display exists, or when
// a test asks for it; otherwise SDL2. The program itself asks for SDL2, never falling back.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

using WindowId = uintptr_t;                       // 0: no window
constexpr WindowId kThreadMessages = ~WindowId(0);  // peek filter: messages posted to no window
using WindowProc = intptr_t (*)(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Message {
  WindowId window;                                // 0 for thread messages (WM_QUIT)
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

struct WindowRect { int left, top, right, bottom; };

enum : uint32_t {
  WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006,
  WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_ACTIVATEAPP = 0x001C,
  WM_SETCURSOR = 0x0020, WM_DISPLAYCHANGE = 0x007E, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105, WM_SYSCHAR = 0x0106,
  WM_IME_STARTCOMPOSITION = 0x010D, WM_IME_ENDCOMPOSITION = 0x010E, WM_IME_COMPOSITION = 0x010F,
  WM_COMMAND = 0x0111, WM_SYSCOMMAND = 0x0112, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202, WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208, WM_MOUSEWHEEL = 0x020A, WM_SIZING = 0x0214, WM_MOVING = 0x0216,
  WM_DROPFILES = 0x0233, WM_IME_SETCONTEXT = 0x0281, WM_IME_NOTIFY = 0x0282,
};
enum : uint32_t { SC_CLOSE = 0xF060, SC_SCREENSAVE = 0xF140 };
enum : uint32_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
enum : uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1 };
enum : uint32_t {
  WS_POPUP = 0x80000000u, WS_VISIBLE = 0x10000000u, WS_CAPTION = 0x00C00000u,
  WS_SYSMENU = 0x00080000u, WS_THICKFRAME = 0x00040000u, WS_MAXIMIZEBOX = 0x00010000u,
  WS_EX_TOPMOST = 0x8u, WS_EX_TRANSPARENT = 0x20u, WS_EX_WINDOWEDGE = 0x100u,
  WS_EX_CLIENTEDGE = 0x200u,
};
enum : uint32_t {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
  VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_DELETE = 0x2E, VK_F1 = 0x70,
};

enum class WindowBackend { Auto, Sdl, Headless };
void WindowSelectBackend(WindowBackend b);       // before the first window; Auto re-chooses
bool WindowIsHeadless();                          // the back end in use (chooses it when unset)
// Whether windows can be shown at all: always on the headless back end; on the real one, whether
// a display answers. `why` (system encoding) names DISPLAY, WAYLAND_DISPLAY and the reason.
bool WindowDisplayUsable(std::string* why);

// Window classes: a name bound to a window procedure.
bool WindowClassRegister(const char* name, WindowProc proc, int iconId);  // false when taken
bool WindowClassUnregister(const char* name);                             // false when unknown

// Frame rule (AdjustWindowRectEx): outer rectangle of a client rectangle for a style.
WindowRect WindowAdjustRect(const WindowRect& client, uint32_t style, uint32_t exStyle, bool menu);

struct WindowCreateInfo {
  const char* className;
  const char* caption;                            // CP932
  uint32_t style, exStyle;
  int x, y, width, height;                        // outer rectangle
  bool menu;
};
WindowId WindowCreate(const WindowCreateInfo& info);  // sends WM_CREATE; 0 on failure
bool WindowDestroy(WindowId w);                   // sends WM_DESTROY; the window is gone after
bool WindowExists(WindowId w);
void WindowSetCaption(WindowId w, const char* cp932);
void WindowSetIcon(WindowId w, int iconId);
void WindowShow(WindowId w, bool show);
void WindowSetStyle(WindowId w, uint32_t style, uint32_t exStyle);
void WindowSetPos(WindowId w, int x, int y, int width, int height, bool topmost);  // outer rectangle
// Desktop full screen or back to a window; posts WM_DISPLAYCHANGE (bits, width, height) afterwards.
// A full-screen window covers its whole display: its outer and client rectangles are the
// display's, and moving or sizing it waits until it is a window again.
void WindowSetFullScreen(WindowId w, bool fullScreen, int width, int height, int bits);
bool WindowIsFullScreen(WindowId w);
bool WindowGetRect(WindowId w, WindowRect* r);    // outer, screen coordinates
bool WindowGetClientRect(WindowId w, WindowRect* r);  // client, screen coordinates
void WindowBringToFront(WindowId w, bool topmost);
void* WindowNativeHandle(WindowId w);             // SDL_Window* on the SDL back end, else null

// Message queue.
bool PeekWindowMessage(Message* out, WindowId filter, bool remove);  // filter 0: any message
bool PostWindowMessage(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);
// As PostWindowMessage, but nothing is added when the same message waits already; true when it
// waits in the queue afterwards (false when the queue is full or the window is gone).
bool PostWindowMessageOnce(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);
intptr_t SendWindowMessage(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t DispatchWindowMessage(const Message& m); // calls the class procedure of m.window
intptr_t DefaultWindowProc(WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam);  // WM_CLOSE destroys

// Input method. While it is enabled and open for a window, typing under way arrives as a
// composition: WM_IME_STARTCOMPOSITION, WM_IME_COMPOSITION with the GCS_* flags of what changed,
// WM_IME_ENDCOMPOSITION; the text it commits arrives as WM_IME_COMPOSITION with GCS_RESULTSTR.
// Text committed with no composition under way (or the method disabled) arrives as WM_CHAR bytes.
// Strings are CP932, offsets in bytes. The real method offers no candidate list, so none is ever
// announced there; the headless back end can script one.
enum : uint32_t { GCS_COMPSTR = 0x8, GCS_COMPCLAUSE = 0x20, GCS_CURSORPOS = 0x80, GCS_RESULTSTR = 0x800 };
enum : uint32_t {
  IMN_CHANGECANDIDATE = 3, IMN_CLOSECANDIDATE = 4, IMN_OPENCANDIDATE = 5, IMN_SETOPENSTATUS = 8,
  IMN_SETCANDIDATEPOS = 9,
};
void WindowEnableIme(WindowId w, bool enable);    // disabling drops a composition under way
// GCS_COMPSTR, GCS_RESULTSTR: copies whole characters, at most outSize bytes, and returns the
// count; what GCS_RESULTSTR copies is taken, so committed text is handed out once. GCS_COMPCLAUSE:
// the clause starts and the end as uint32 byte offsets (bytes copied). GCS_CURSORPOS: the cursor's
// byte offset, out unused. -1 for an unknown window.
int ImeGetComposition(WindowId w, uint32_t item, void* out, int outSize);
int ImeGetCandidateList(WindowId w, void* out, int outSize);  // bytes of the list (copied when they fit); 0: none
bool ImeGetOpenStatus(WindowId w);
void ImeSetOpenStatus(WindowId w, bool open);     // a change posts WM_IME_NOTIFY IMN_SETOPENSTATUS
void ImeCancelComposition(WindowId w);            // drops the composition under way (ends it)
// Makes the text the composition under way, cursor at its end. The real method does not learn
// of it: its next report replaces it.
void ImeSetCompositionString(WindowId w, const char* cp932);

// Files dropped on a window arrive as WM_DROPFILES with a drop id in wParam.
int DropFileCount(uintptr_t drop);
bool DropFileName(uintptr_t drop, int index, char* out, int outSize);  // CP932, NUL-terminated
void DropFinish(uintptr_t drop);

// Desktop, cursor and screen saver.
void DesktopGetMetrics(int* width, int* height, int* bitsPerPixel);  // 24-bit X11 desktops say 32
int ShowCursor(bool show);                        // display count after the change (shown when >= 0)
void GetCursorPos(int* x, int* y);                // screen coordinates
void ScreenSaverEnable(bool enable);

// Modal message boxes; the text and caption are CP932. A box stands over the first window on show
// and ends with this process.
enum : uint32_t { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
int MessageBox(const char* text, const char* caption, uint32_t type);

// One running copy per name and user: a lock file, held until released or the process ends (never
// by a child process). Two holders conflict even inside one process. The file is "<name>.lock" in
// the set folder or in $XDG_RUNTIME_DIR when that is a folder the user owns and may write, else
// "/tmp/<name>.<user id>.lock".
enum : int { kSingleCopyHeld = -1, kSingleCopyUnavailable = -2 };
void SingleCopyLockSetDirectory(const char* posixDir);  // null: back to the default
std::string SingleCopyLockPath(const char* name);
// A token >= 0; kSingleCopyHeld while another holder has it; kSingleCopyUnavailable when the file
// cannot be made or locked. `why` (may be null) gets the path and the reason on failure.
int SingleCopyLockTake(const char* name, std::string* why = nullptr);
void SingleCopyLockRelease(int token);

}  // namespace plat
