// Input-method bookkeeping: what the IME messages say about the composition under way, its cursor
// and clauses and the candidate list, kept for the drawing of the active field; committed text goes
// into the key ring like typed characters.
#include "engine/base/text_input.h"

#include <cstdio>
#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/startup_window.h"
#include "engine/base/str_helpers.h"

namespace {

// Bounds the wait after an open-status change when the clock stands still (the virtual clock).
constexpr int kOpenStatusMaxPumps = 64;

void FreeCandidateList() {
  TextInputState& t = g_TextInput;
  TrackedFree(t.candidateList);
  t.candidateList = nullptr;
  t.candidateListSize = 0;
}

void ReadCandidateList(plat::WindowId w) {
  TextInputState& t = g_TextInput;
  char line[160];
  const int size = plat::ImeGetCandidateList(w, nullptr, 0);
  if (size <= 0) {
    snprintf(line, sizeof line, "漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x\n",
             static_cast<unsigned>(w), static_cast<unsigned>(w));
    LogWrite(line);
    return;
  }
  FreeCandidateList();
  t.candidateList = TRACKED_ALLOC(static_cast<size_t>(size));
  if (!t.candidateList)
    ErrorExitF("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )", size);
  t.candidateListSize = size;
  if (plat::ImeGetCandidateList(w, t.candidateList, size) != size) {
    FreeCandidateList();
    snprintf(line, sizeof line, "漢字変換候補の取得に失敗しました  BufSize:%d\n", size);
    LogWrite(line);
  }
}

void ReadComposition(plat::WindowId w) {
  TextInputState& t = g_TextInput;
  int n = plat::ImeGetComposition(w, plat::GCS_COMPSTR, t.composition, IME_STRING_SIZE - 1);
  t.composition[n > 0 ? n : 0] = '\0';
}

intptr_t OnNotify(plat::WindowId w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  TextInputState& t = g_TextInput;
  switch (wParam) {
    case plat::IMN_CHANGECANDIDATE:
    case plat::IMN_OPENCANDIDATE:
    case plat::IMN_SETCANDIDATEPOS:
      ReadCandidateList(w);
      return 0;
    case plat::IMN_CLOSECANDIDATE:
      FreeCandidateList();
      return 0;
    case plat::IMN_SETOPENSTATUS:
      if (!t.insideOpenStatus) {
        t.insideOpenStatus = 1;
        plat::DefaultWindowProc(w, message, wParam, lParam);
        const int64_t t0 = GetMicrosecondCount(1);
        for (int i = 0; i < kOpenStatusMaxPumps; ++i)
          if (ProcessMessage() != 0 || GetMicrosecondCount(1) - t0 >= 2000) break;
        t.imeOpen = plat::ImeGetOpenStatus(w) ? 1 : 0;
        t.insideOpenStatus = 0;
      }
      return 0;
    default:
      return plat::DefaultWindowProc(w, message, wParam, lParam);
  }
}

}  // namespace

intptr_t HandleImeMessage(intptr_t lParam, uint32_t message, uintptr_t wParam, plat::WindowId w) {
  TextInputState& t = g_TextInput;
  if (!t.imeEnabled) return 0;
  t.imeInUse = 1;
  t.lastInputTime = GetMillisecondCount();
  t.cursorShown = 1;
  switch (message) {
    case plat::WM_IME_SETCONTEXT:
      // The engine draws the composition; the method shows no windows of its own.
      return plat::DefaultWindowProc(w, message, wParam, lParam & 0x3FFFFFF0);
    case plat::WM_IME_NOTIFY:
      return OnNotify(w, message, wParam, lParam);
    case plat::WM_IME_STARTCOMPOSITION:
      t.compositionCursor = 0;
      t.compositionActive = 1;
      return 0;
    case plat::WM_IME_ENDCOMPOSITION:
      t.composition[0] = '\0';
      t.compositionActive = 0;
      return 0;
    case plat::WM_IME_COMPOSITION: {
      const uint32_t flags = static_cast<uint32_t>(lParam);
      if (flags & plat::GCS_COMPSTR) ReadComposition(w);
      if (flags & plat::GCS_RESULTSTR) {
        char result[IME_STRING_SIZE];
        int n;
        while ((n = plat::ImeGetComposition(w, plat::GCS_RESULTSTR, result, sizeof result)) > 0)
          for (int i = 0; i < n; ++i) KeyCharPush(static_cast<uint8_t>(result[i]));
        ReadComposition(w);
      }
      if (flags & plat::GCS_CURSORPOS) {
        int pos = plat::ImeGetComposition(w, plat::GCS_CURSORPOS, nullptr, 0);
        t.compositionCursor = pos > 0 ? CountCharsMB(t.composition, pos) : 0;
      }
      if (flags & plat::GCS_COMPCLAUSE) {
        int n = plat::ImeGetComposition(w, plat::GCS_COMPCLAUSE, t.clauses, sizeof t.clauses);
        t.clauseCount = n > 0 ? n / 4 : 0;
      }
      return 0;
    }
    default:
      return plat::DefaultWindowProc(w, message, wParam, lParam);
  }
}

void SetImeEnabled(int flag) {
  TextInputState& t = g_TextInput;
  flag = flag ? 1 : 0;
  if (t.imeEnabled == flag) return;
  t.imeEnabled = flag;
  plat::WindowEnableIme(g_base.win.mainWindow, flag != 0);
  if (!flag) {
    FreeCandidateList();
    t.composition[0] = '\0';
    t.compositionActive = 0;
  }
}

void RequestImeResetIfOpen() {
  TextInputState& t = g_TextInput;
  if (t.imeEnabled && t.imeOpen) t.imeResetStep = 1;
}
