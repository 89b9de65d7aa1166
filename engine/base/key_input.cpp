// The key ring and the key-input fields it feeds.
#include "engine/base/text_input.h"

#include <cstring>

#include "engine/base/base_state.h"
#include "engine/base/handle.h"
#include "engine/base/log.h"
#include "engine/base/memory.h"
#include "engine/base/startup_window.h"
#include "engine/base/system_hooks.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/operations.h"

TextInputState g_TextInput;

namespace {

// The control codes that the window procedure makes of the editing keys.
const uint8_t kTableCodes[] = {0x10, 0x1D, 0x1C, 0x1E, 0x1F};

int NextPos(int p) { return p + 1 == KEY_RING_SIZE ? 0 : p + 1; }

// Start of the character that ends at byte `pos` (exclusive). Boundaries come from a scan from the
// start: a trail byte may look like a lead, so the byte before `pos` alone cannot tell.
int PrevCharStart(const KeyInputRecord& r, int pos) {
  int i = 0;
  while (i < pos) {
    int step = IsKeyInputLead(r.text + i) && i + 1 < r.length ? 2 : 1;
    if (i + step >= pos) return i;
    i += step;
  }
  return 0;
}

int CharSizeAt(const KeyInputRecord& r, int pos) {
  return IsKeyInputLead(r.text + pos) && pos + 1 < r.length ? 2 : 1;
}

void RemoveBytes(KeyInputRecord& r, int at, int n) {
  memmove(r.text + at, r.text + at + n, static_cast<size_t>(r.length - at - n + 1));
  r.length -= n;
}

void TypeChar(KeyInputRecord& r, const uint8_t* c, int size) {
  if (r.numbersOnly) {
    bool digit = size == 1 && c[0] >= '0' && c[0] <= '9';
    bool minus = size == 1 && c[0] == '-' && r.cursor == 0;
    if (!digit && !minus) return;
  }
  if (r.singleByteOnly && size == 2) return;
  // A character that could never fit would otherwise empty the text and still not fit.
  if (size > r.maxLength) return;
  while (r.length + size > r.maxLength) {
    int last = PrevCharStart(r, r.length);
    int lastSize = r.length - last;
    if (r.cursor == r.length) r.cursor -= lastSize;
    r.length = last;
    r.text[last] = '\0';
  }
  memmove(r.text + r.cursor + size, r.text + r.cursor, static_cast<size_t>(r.length - r.cursor + 1));
  memcpy(r.text + r.cursor, c, static_cast<size_t>(size));
  r.cursor += size;
  r.length += size;
}

void EditField(KeyInputRecord& r, const uint8_t* c, int size) {
  if (size == 1) {
    switch (c[0]) {
      case KEYCODE_BACK:
        if (r.cursor > 0) {
          int prev = PrevCharStart(r, r.cursor);
          RemoveBytes(r, prev, r.cursor - prev);
          r.cursor = prev;
        }
        return;
      case KEYCODE_TAB:
      case KEYCODE_UP:
      case KEYCODE_DOWN:
        return;
      case KEYCODE_ENTER:
        r.done = 1;
        return;
      case KEYCODE_DELETE:
        if (r.cursor < r.length) RemoveBytes(r, r.cursor, CharSizeAt(r, r.cursor));
        return;
      case KEYCODE_ESCAPE:
        if (r.cancelAllowed) {
          r.cancelled = 1;
          r.done = 1;
        }
        return;
      case KEYCODE_RIGHT:
        if (r.cursor < r.length) r.cursor += CharSizeAt(r, r.cursor);
        return;
      case KEYCODE_LEFT:
        if (r.cursor > 0) r.cursor = PrevCharStart(r, r.cursor);
        return;
      default:
        break;
    }
  }
  TypeChar(r, c, size);
}

void ClearField(KeyInputRecord& r) {
  TrackedFree(r.text);
  r = KeyInputRecord{};
}

int HandleOf(int slot) {
  return static_cast<int>(HANDLE_KIND_KEYINPUT | (static_cast<uint32_t>(g_TextInput.keyInput[slot].check) << 16) |
                          static_cast<uint32_t>(slot));
}

}  // namespace

int IsKeyInputLead(const char* p) {
  return IsDoubleByteLead(reinterpret_cast<const uint8_t*>(p), g_base.win.oemCharsetKind == 2 ? 2 : 1);
}

// Key ring ---------------------------------------------------------------------------------------

bool KeyRingHasRoom() {
  const TextInputState& t = g_TextInput;
  return NextPos(t.writePos) != t.readPos;
}

int KeyCharPush(uint8_t byte) {
  TextInputState& t = g_TextInput;
  if (!KeyRingHasRoom()) return -1;
  t.keyRing[t.writePos] = byte;
  t.writePos = NextPos(t.writePos);
  return 0;
}

int IsSingleKeyChar(uint8_t byte) {
  for (uint8_t c : kTableCodes)
    if (c == byte) return 1;
  return 0;
}

int KeyCharPop(uint8_t out[2], int consume) {
  TextInputState& t = g_TextInput;
  if (t.readPos == t.writePos) return 0;
  const int start = t.readPos;
  const uint8_t b = t.keyRing[t.readPos];
  t.readPos = NextPos(t.readPos);
  int n = 1;
  out[0] = b;
  if (!IsSingleKeyChar(b) && IsKeyInputLead(reinterpret_cast<const char*>(&b))) {
    if (t.readPos == t.writePos) {
      t.readPos = start;
      return 0;
    }
    out[1] = t.keyRing[t.readPos];
    t.readPos = NextPos(t.readPos);
    n = 2;
  }
  if (!consume) t.readPos = start;
  return n;
}

// Fields -----------------------------------------------------------------------------------------

KeyInputRecord* GetKeyInputRecord(int handle) {
  if (handle < 0) return nullptr;
  const uint32_t h = static_cast<uint32_t>(handle);
  if ((h & HANDLE_KIND_MASK) != HANDLE_KIND_KEYINPUT) return nullptr;
  const int slot = static_cast<int>(h & HANDLE_SLOT_MASK);
  if (slot >= KEY_INPUT_MAX) return nullptr;
  KeyInputRecord& r = g_TextInput.keyInput[slot];
  if (!r.inUse || (static_cast<uint32_t>(r.check) << 16) != (h & HANDLE_CHECK_MASK)) return nullptr;
  return &r;
}

int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int numbersOnly) {
  TextInputState& t = g_TextInput;
  if (maxLength <= 0 || t.keyInputCount >= KEY_INPUT_MAX) return -1;
  int slot = -1;
  if (t.keyInputAreaEnd < KEY_INPUT_MAX) {
    slot = t.keyInputAreaEnd;
  } else {
    for (int i = 0; i < KEY_INPUT_MAX && slot < 0; ++i)
      if (!t.keyInput[i].inUse) slot = i;
    if (slot < 0) return -1;
  }
  char* text = static_cast<char*>(TRACKED_CALLOC(static_cast<size_t>(maxLength) + 1));
  if (!text) return -1;
  KeyInputRecord& r = t.keyInput[slot];
  r = KeyInputRecord{};
  r.inUse = 1;
  r.check = t.keyInputNextCheck;
  t.keyInputNextCheck = (t.keyInputNextCheck + 1) & 0x7FF;
  r.maxLength = maxLength;
  r.text = text;
  r.cancelAllowed = cancelAllowed ? 1 : 0;
  r.singleByteOnly = singleByteOnly ? 1 : 0;
  r.numbersOnly = numbersOnly ? 1 : 0;
  t.keyInputCount += 1;
  if (slot >= t.keyInputAreaEnd) t.keyInputAreaEnd = slot + 1;
  return HandleOf(slot);
}

int DeleteKeyInputHandle(int handle) {
  TextInputState& t = g_TextInput;
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r) return -1;
  const int slot = handle & static_cast<int>(HANDLE_SLOT_MASK);
  ClearField(*r);
  t.keyInputCount -= 1;
  if (slot == t.keyInputAreaEnd - 1) {
    int end = slot;
    while (end > 0 && !t.keyInput[end - 1].inUse) --end;
    t.keyInputAreaEnd = end;
  }
  if (t.activeKeyInput == handle) t.activeKeyInput = -1;
  if (t.keyInputCount == 0) SetImeEnabled(0);
  return 0;
}

void DeleteAllKeyInputHandles() {
  TextInputState& t = g_TextInput;
  for (int slot = 0; slot < t.keyInputAreaEnd; ++slot)
    if (t.keyInput[slot].inUse) DeleteKeyInputHandle(HandleOf(slot));
  t.activeKeyInput = -1;
}

int SetActiveKeyInput(int handle) {
  TextInputState& t = g_TextInput;
  if (handle == -1) {
    t.activeKeyInput = -1;
    return 0;
  }
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r) return -1;
  r->done = 0;
  r->cancelled = 0;
  t.activeKeyInput = handle;
  // Composition only makes sense where double-byte text may be typed.
  SetImeEnabled(r->singleByteOnly || r->numbersOnly ? 0 : 1);
  t.lastInputTime = GetMillisecondCount();
  t.cursorShown = 1;
  return 0;
}

int GetActiveKeyInput() { return g_TextInput.activeKeyInput; }

int CheckKeyInput(int handle) {
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r) return -1;
  if (!r->done) return 0;
  return r->cancelled ? 2 : 1;
}

int GetKeyInputString(char* out, int handle) {
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r || !out) return -1;
  memcpy(out, r->text, static_cast<size_t>(r->length) + 1);
  return 0;
}

int SetKeyInputString(const char* text, int handle) {
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r || !text) return -1;
  int n = 0;
  for (int i = 0; text[i];) {
    int step = IsKeyInputLead(text + i) && text[i + 1] ? 2 : 1;
    if (i + step > r->maxLength) break;
    i += step;
    n = i;
  }
  memcpy(r->text, text, static_cast<size_t>(n));
  r->text[n] = '\0';
  r->length = n;
  r->cursor = n;
  return 0;
}

int ProcessKeyInput() {
  TextInputState& t = g_TextInput;
  if (t.imeResetStep >= 1 && t.imeResetStep <= 4) {
    const plat::WindowId w = g_base.win.mainWindow;
    for (int step = t.imeResetStep; step <= 4; ++step) {
      switch (step) {
        case 1:
          memcpy(t.savedComposition, t.composition, sizeof t.savedComposition);
          plat::ImeCancelComposition(w);
          break;
        case 2: plat::ImeSetOpenStatus(w, false); break;
        case 3: plat::ImeSetOpenStatus(w, true); break;
        case 4: plat::ImeSetCompositionString(w, t.savedComposition); break;
      }
    }
    t.imeResetStep = 0;
  }

  if (t.activeKeyInput == -1) return 0;
  KeyInputRecord* r = GetKeyInputRecord(t.activeKeyInput);
  if (!r) return -1;
  if (r->done) return 0;
  uint8_t c[2];
  int n;
  while (!r->done && (n = KeyCharPop(c, 1)) > 0) {
    t.lastInputTime = GetMillisecondCount();
    t.cursorShown = 1;
    EditField(*r, c, n);
  }
  return 0;
}

int InitTextInputBuffers() {
  TextInputState& t = g_TextInput;
  LogWrite("文字コードバッファの初期化を行います... ");
  for (KeyInputRecord& r : t.keyInput) TrackedFree(r.text);
  TrackedFree(t.candidateList);
  t = TextInputState{};
  static const int kRgb[KEY_INPUT_COLOR_COUNT][3] = {
      {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 255, 255}, {255, 255, 255},
      {255, 0, 0},     {255, 255, 20}, {0, 0, 0},      {0, 0, 0},
  };
  for (int i = 0; i < KEY_INPUT_COLOR_COUNT; ++i) t.colors[i] = GetScreenColor(kRgb[i][0], kRgb[i][1], kRgb[i][2]);
  t.activeKeyInput = -1;
  t.secondKeyInput = -1;
  t.lastInputTime = 0;
  t.blinkPeriod = 500;
  t.cursorShown = 1;
  LogWrite("完了しました\n");
  return 0;
}
