// Text input: the key ring that the window procedure fills with typed bytes and editing codes, the
// key-input fields that message processing edits from it, and the input-method bookkeeping
// (composition string, cursor, clauses, candidate list) that the drawing of a field shows.
// The hooks the window procedure and message processing call are declared in system_hooks.h.
#pragma once
#include <cstdint>
#include "platform/window.h"

constexpr int KEY_RING_SIZE = 1025;
constexpr int KEY_INPUT_MAX = 20;
constexpr int IME_STRING_SIZE = 1024;
constexpr int KEY_INPUT_COLOR_COUNT = 9;

// Control codes in the key ring.
enum : uint8_t {
  KEYCODE_BACK = 8, KEYCODE_TAB = 9, KEYCODE_ENTER = 13, KEYCODE_DELETE = 16, KEYCODE_ESCAPE = 27,
  KEYCODE_RIGHT = 28, KEYCODE_LEFT = 29, KEYCODE_UP = 30, KEYCODE_DOWN = 31,
};

// The nine colours, in the order they are made.
enum {
  KEYINPUT_COLOR_TEXT, KEYINPUT_COLOR_CURSOR, KEYINPUT_COLOR_COMPOSITION,
  KEYINPUT_COLOR_COMPOSITION_LINE, KEYINPUT_COLOR_CLAUSE, KEYINPUT_COLOR_CLAUSE_LINE,
  KEYINPUT_COLOR_COMPOSITION_CURSOR, KEYINPUT_COLOR_TEXT_EDGE, KEYINPUT_COLOR_COMPOSITION_EDGE,
};

// Held in the key-input table itself: in-use flag first, check number second.
struct KeyInputRecord {
  int32_t inUse;
  int32_t check;
  int32_t done;             // Enter or Escape ended the input
  int32_t cancelled;
  int32_t length;           // bytes
  int32_t maxLength;        // bytes
  int32_t cursor;           // byte offset, always on a character boundary
  char* text;               // tracked block of maxLength + 1 bytes, NUL-terminated
  int32_t cancelAllowed;    // Escape ends the input
  int32_t singleByteOnly;
  int32_t numbersOnly;
};

struct TextInputState {
  uint8_t keyRing[KEY_RING_SIZE];
  int32_t readPos, writePos;

  KeyInputRecord keyInput[KEY_INPUT_MAX];
  int32_t keyInputCount, keyInputAreaEnd, keyInputNextCheck;
  int32_t activeKeyInput = -1;
  int32_t secondKeyInput = -1;

  int32_t imeEnabled, imeOpen, imeInUse, compositionActive;
  char composition[IME_STRING_SIZE];
  int32_t compositionCursor;                 // characters
  uint32_t clauses[IME_STRING_SIZE / 4];     // clause starts and the end, byte offsets
  int32_t clauseCount;
  void* candidateList;                       // tracked block, or null
  int32_t candidateListSize;
  char savedComposition[IME_STRING_SIZE];
  int32_t imeResetStep;                      // 0 idle, 1..4
  int32_t insideOpenStatus;

  uint32_t lastInputTime;                    // ms
  int32_t blinkPeriod = 500;                 // ms
  int32_t cursorShown = 1;
  uint32_t colors[KEY_INPUT_COLOR_COUNT];
};

extern TextInputState g_TextInput;

// Key ring.
int KeyCharPush(uint8_t byte);                 // 0, or -1 when the ring is full
int KeyCharPop(uint8_t out[2], int consume);   // bytes of the next character (0: none or incomplete)
int IsSingleKeyChar(uint8_t byte);             // 1 for a control code of the window's key table
bool KeyRingHasRoom();

// Key-input fields.
int MakeKeyInput(int maxLength, int cancelAllowed, int singleByteOnly, int numbersOnly);  // handle or -1
int DeleteKeyInputHandle(int handle);          // 0 / -1
void DeleteAllKeyInputHandles();
KeyInputRecord* GetKeyInputRecord(int handle); // null for a bad handle
int SetActiveKeyInput(int handle);             // -1 leaves no field active; a field starts afresh
int GetActiveKeyInput();
int CheckKeyInput(int handle);                 // 0 running, 1 finished, 2 cancelled, -1 bad handle
int GetKeyInputString(char* out, int handle);  // copies the text (out holds maxLength + 1); 0 / -1
int SetKeyInputString(const char* text, int handle);  // whole characters that fit; cursor at the end
int ProcessKeyInput();                         // 0, or -1 when the active handle is invalid
int InitTextInputBuffers();
int IsKeyInputLead(const char* p);             // double-byte lead for the window's character set

// Input method.
intptr_t HandleImeMessage(intptr_t lParam, uint32_t message, uintptr_t wParam, plat::WindowId w);
void SetImeEnabled(int flag);
void RequestImeResetIfOpen();

// Drawing: the field's text at (x, y) with the font (-1: the default font), its cursor, and while
// it is the active field the composition under way at the cursor. 0, or -1 for a bad handle.
int DrawKeyInputString(int x, int y, int handle, int font);
