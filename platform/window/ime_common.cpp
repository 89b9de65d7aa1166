// The input method's side of a window: the composition under way, committed text waiting to be
// taken, the open status. Back ends report what the method does; the engine reads it back while
// it handles the IME messages posted here, as it would read an input context.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/text.h"
#include "platform/window.h"
#include "platform/window/window_backend.h"

namespace plat {

namespace {

constexpr uint32_t kCompositionChange = GCS_COMPSTR | GCS_CURSORPOS | GCS_COMPCLAUSE;

// Bytes of the whole characters of s that fit in n bytes.
int WholeChars(const std::string& s, int n) {
  int i = 0;
  const int len = static_cast<int>(s.size());
  while (i < len) {
    int step = IsCp932Lead(static_cast<uint8_t>(s[i])) && i + 1 < len ? 2 : 1;
    if (i + step > n) break;
    i += step;
  }
  return i;
}

void ClearComposition(ImeRecord& ime) {
  ime.composing = false;
  ime.composition.clear();
  ime.cursor = 0;
  ime.clauses.clear();
}

// Ends the composition under way as the method does when it is dropped: the emptied string,
// then the end.
void EndComposition(WindowId w, ImeRecord& ime) {
  if (!ime.composing) return;
  ClearComposition(ime);
  PostWindowMessage(w, WM_IME_COMPOSITION, 0, kCompositionChange);
  PostWindowMessage(w, WM_IME_ENDCOMPOSITION, 0, 0);
}

void SetComposition(WindowId w, ImeRecord& ime, const std::string& text, int cursor, int selected) {
  if (text.empty()) {
    EndComposition(w, ime);
    return;
  }
  if (!ime.composing) {
    ime.composing = true;
    PostWindowMessage(w, WM_IME_STARTCOMPOSITION, 0, 0);
  }
  const int len = static_cast<int>(text.size());
  cursor = std::clamp(cursor, 0, len);
  selected = std::clamp(selected, 0, len - cursor);
  ime.composition = text;
  ime.cursor = cursor;
  ime.clauses.clear();
  ime.clauses.push_back(0);
  if (selected > 0) {
    if (cursor > 0) ime.clauses.push_back(static_cast<uint32_t>(cursor));
    if (cursor + selected < len) ime.clauses.push_back(static_cast<uint32_t>(cursor + selected));
  }
  ime.clauses.push_back(static_cast<uint32_t>(len));
  PostWindowMessage(w, WM_IME_COMPOSITION, 0, kCompositionChange);
}

}  // namespace

void ImeReportComposition(WindowId w, const std::string& cp932, int cursorBytes, int selectedBytes) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !r->ime.enabled || !r->ime.open) return;
  SetComposition(w, r->ime, cp932, cursorBytes, selectedBytes);
}

void ImeReportCommit(WindowId w, const std::string& cp932) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return;
  ImeRecord& ime = r->ime;
  if (ime.enabled && ime.composing) {
    ime.result += cp932;
    ClearComposition(ime);
    PostWindowMessage(w, WM_IME_COMPOSITION, 0, GCS_RESULTSTR | kCompositionChange);
    PostWindowMessage(w, WM_IME_ENDCOMPOSITION, 0, 0);
    return;
  }
  for (unsigned char b : cp932) PostWindowMessage(w, WM_CHAR, b, 1);
}

void ImeSetCandidates(WindowId w, const std::string& list) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return;
  r->ime.candidates = list;
  PostWindowMessage(w, WM_IME_NOTIFY, list.empty() ? IMN_CLOSECANDIDATE : IMN_OPENCANDIDATE, 0);
}

void WindowEnableIme(WindowId w, bool enable) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || r->ime.enabled == enable) return;
  r->ime.enabled = enable;
  if (!enable && r->ime.composing) {
    r->ime.cancelPending = true;
    EndComposition(w, r->ime);
  }
}

int ImeGetComposition(WindowId w, uint32_t item, void* out, int outSize) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r) return -1;
  ImeRecord& ime = r->ime;
  if (outSize < 0) outSize = 0;
  switch (item) {
    case GCS_COMPSTR: {
      int n = WholeChars(ime.composition, outSize);
      if (out && n) memcpy(out, ime.composition.data(), static_cast<size_t>(n));
      return n;
    }
    case GCS_RESULTSTR: {
      int n = WholeChars(ime.result, outSize);
      if (!out) return 0;
      if (n) memcpy(out, ime.result.data(), static_cast<size_t>(n));
      ime.result.erase(0, static_cast<size_t>(n));
      return n;
    }
    case GCS_COMPCLAUSE: {
      int n = std::min(static_cast<int>(ime.clauses.size()), outSize / 4) * 4;
      if (out && n) memcpy(out, ime.clauses.data(), static_cast<size_t>(n));
      return n;
    }
    case GCS_CURSORPOS:
      return ime.cursor;
    default:
      return 0;
  }
}

int ImeGetCandidateList(WindowId w, void* out, int outSize) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !r->ime.enabled) return 0;
  const int n = static_cast<int>(r->ime.candidates.size());
  if (out && outSize >= n && n) memcpy(out, r->ime.candidates.data(), static_cast<size_t>(n));
  return n;
}

bool ImeGetOpenStatus(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  return r && r->ime.open;
}

void ImeSetOpenStatus(WindowId w, bool open) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || r->ime.open == open) return;
  r->ime.open = open;
  if (!open && r->ime.composing) {
    r->ime.cancelPending = true;
    EndComposition(w, r->ime);
  }
  PostWindowMessage(w, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
}

void ImeCancelComposition(WindowId w) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !r->ime.composing) return;
  r->ime.cancelPending = true;
  EndComposition(w, r->ime);
}

void ImeSetCompositionString(WindowId w, const char* cp932) {
  std::lock_guard<std::recursive_mutex> g(WindowLayerMutex());
  WindowRecord* r = WindowRecordOf(w);
  if (!r || !r->ime.enabled || !r->ime.open) return;
  std::string s = cp932 ? cp932 : "";
  SetComposition(w, r->ime, s, static_cast<int>(s.size()), 0);
}

}  // namespace plat
