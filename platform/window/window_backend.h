// What each window back end supplies to the shared window layer (records, queue, classes).
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>
#include "platform/window.h"

namespace plat {

// Input-method state of a window.
struct ImeRecord {
  bool enabled = true;
  bool open = true;
  bool composing = false;
  bool cancelPending = false;     // the real method must drop its composition (window thread)
  std::string composition;        // CP932
  int cursor = 0;                 // byte offset into the composition
  std::vector<uint32_t> clauses;  // clause starts and the end, byte offsets
  std::string result;             // committed and not yet taken
  std::string candidates;         // scripted candidate list (headless only)
};

struct WindowRecord {
  bool used;
  uint32_t generation;
  WindowId id;
  int classSlot;
  std::string caption;          // CP932
  uint32_t style, exStyle;
  bool menu;
  bool visible;
  bool fullScreen;
  WindowRect outer;             // screen coordinates
  int iconId;
  void* native;                 // back-end data
  ImeRecord ime;
};

struct WindowBackendOps {
  bool (*create)(WindowRecord* w);
  void (*destroy)(WindowRecord* w);
  void (*setCaption)(WindowRecord* w);
  void (*show)(WindowRecord* w, bool show);
  void (*place)(WindowRecord* w, bool topmost);          // apply outer rectangle and style
  // Full screen covers the window's whole display; *covered receives that display's rectangle.
  void (*setFullScreen)(WindowRecord* w, bool full, int width, int height, WindowRect* covered);
  void (*raise)(WindowRecord* w, bool topmost);
  void (*pump)();                                        // turn pending events into messages
  void (*desktop)(int* width, int* height, int* bits);
  void (*cursorVisible)(bool visible);
  void (*cursorPos)(int* x, int* y);
  void (*screenSaver)(bool enable);
  int (*messageBox)(const char* text, const char* caption, uint32_t type);  // CP932 in
  bool (*displayUsable)(std::string* why);
};

extern const WindowBackendOps kSdlWindowOps;
extern const WindowBackendOps kHeadlessWindowOps;

// Shared-layer services for the back ends. The layer mutex guards the window records.
std::recursive_mutex& WindowLayerMutex();
WindowRecord* WindowRecordOf(WindowId w);
WindowRecord* WindowRecordByNative(const void* native);
int WindowAllIds(WindowId* out, int max);
WindowRect WindowClientOf(const WindowRecord& w);
void WindowMoveClient(WindowRecord* w, int clientLeft, int clientTop, int clientWidth, int clientHeight);
int DropCreate();                                        // a new drop id, or 0 when full
void DropAdd(int drop, const char* cp932);

// What the input method reports, turned into IME messages (or WM_CHAR bytes) for the window.
// The selection is the clause being converted: selectedBytes from the cursor.
void ImeReportComposition(WindowId w, const std::string& cp932, int cursorBytes, int selectedBytes);
void ImeReportCommit(WindowId w, const std::string& cp932);
void ImeSetCandidates(WindowId w, const std::string& list);   // announced with IMN_OPENCANDIDATE

}  // namespace plat
