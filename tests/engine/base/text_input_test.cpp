#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/log.h"
#include "engine/base/startup_window.h"
#include "engine/base/str_helpers.h"
#include "engine/base/text_input.h"
#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"
#include "test_folder.h"

namespace {

// "亜" is 0x88 0x9F in CP932: its trail byte is also a lead byte.
const char kA[] = "亜";

void Type(const char* bytes) {
  for (const char* p = bytes; *p; ++p) KeyCharPush(static_cast<uint8_t>(*p));
  ProcessKeyInput();
}

void Key(uint8_t code) {
  KeyCharPush(code);
  ProcessKeyInput();
}

std::string Text(int h) {
  char buf[256];
  EXPECT_EQ(GetKeyInputString(buf, h), 0);
  return buf;
}

int Cursor(int h) { return GetKeyInputRecord(h)->cursor; }

// The key ring and fields alone, without a running engine.
class KeyInput : public ::testing::Test {
protected:
  void SetUp() override {
    g_LogOffFlag = 1;
    g_base = BaseState{};
    g_base.win.oemCharsetKind = 1;
    InitTextInputBuffers();
  }
  void TearDown() override {
    DeleteAllKeyInputHandles();
    g_LogOffFlag = 0;
  }
  int Field(int maxLength, int cancel = 1, int single = 0, int numbers = 0) {
    int h = MakeKeyInput(maxLength, cancel, single, numbers);
    EXPECT_NE(h, -1);
    EXPECT_EQ(SetActiveKeyInput(h), 0);
    return h;
  }
};

TEST_F(KeyInput, RingHoldsALeadByteBackUntilItsTrailArrivesAndDropsWhenFull) {
  uint8_t c[2] = {};
  EXPECT_EQ(KeyCharPop(c, 1), 0);
  KeyCharPush(0x88);
  EXPECT_EQ(KeyCharPop(c, 1), 0);
  KeyCharPush(0x9F);
  EXPECT_EQ(KeyCharPop(c, 0), 2);   // left in the ring
  EXPECT_EQ(KeyCharPop(c, 1), 2);
  EXPECT_EQ(c[0], 0x88);
  EXPECT_EQ(c[1], 0x9F);
  EXPECT_EQ(KeyCharPop(c, 1), 0);

  // Control codes of the key table are never leads; the ring holds 1024 bytes across its wrap.
  EXPECT_EQ(IsSingleKeyChar(0x10), 1);
  EXPECT_EQ(IsSingleKeyChar(0x1D), 1);
  EXPECT_EQ(IsSingleKeyChar(8), 0);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(KeyCharPush(static_cast<uint8_t>('0' + i % 10)), 0);
  EXPECT_FALSE(KeyRingHasRoom());
  EXPECT_EQ(KeyCharPush('x'), -1);
  for (int i = 0; i < 1024; ++i) {
    ASSERT_EQ(KeyCharPop(c, 1), 1);
    ASSERT_EQ(c[0], '0' + i % 10);
  }
  EXPECT_EQ(KeyCharPop(c, 1), 0);
  EXPECT_TRUE(KeyRingHasRoom());

  EXPECT_EQ(CountCharsMB("a亜b", 4), 3);
  EXPECT_EQ(CountCharsMB("a亜b", 3), 2);
  EXPECT_EQ(CountCharsMB("a亜b", 100), 3);
  EXPECT_EQ(CountCharsMB("\x88", 5), 1);   // a lead before the NUL is one character
}

TEST_F(KeyInput, TypesAndFinishesSingleAndDoubleByteText) {
  int h = Field(32);
  Type("ab亜い");
  EXPECT_EQ(Text(h), "ab亜い");
  EXPECT_EQ(Cursor(h), 6);
  EXPECT_EQ(CheckKeyInput(h), 0);
  // Enter ends the input; what follows stays in the ring.
  Type("c\rd");
  EXPECT_EQ(CheckKeyInput(h), 1);
  EXPECT_EQ(Text(h), "ab亜いc");
  uint8_t c[2];
  EXPECT_EQ(KeyCharPop(c, 0), 1);
  EXPECT_EQ(c[0], 'd');
  // Activating again starts afresh on the same text.
  SetActiveKeyInput(h);
  Type("\x1b");
  EXPECT_EQ(CheckKeyInput(h), 2);
  EXPECT_EQ(Text(h), "ab亜いcd");
}

TEST_F(KeyInput, EditsAcrossDoubleByteCharacters) {
  int h = Field(32);
  Type("亜a");
  // Backspace removes the "a" alone, not the trail byte that looks like a lead.
  Key(KEYCODE_BACK);
  EXPECT_EQ(Text(h), kA);
  Type("a");
  Key(KEYCODE_LEFT);
  EXPECT_EQ(Cursor(h), 2);
  Key(KEYCODE_LEFT);
  EXPECT_EQ(Cursor(h), 0);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_BACK);
  EXPECT_EQ(Cursor(h), 0);
  EXPECT_EQ(Text(h), "亜a");
  Type("x");
  EXPECT_EQ(Text(h), "x亜a");
  Key(KEYCODE_RIGHT);
  EXPECT_EQ(Cursor(h), 3);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_DELETE);
  EXPECT_EQ(Text(h), "xa");
  Key(KEYCODE_RIGHT);
  Key(KEYCODE_RIGHT);
  EXPECT_EQ(Cursor(h), 2);   // at the end the cursor stays
  Key(KEYCODE_DELETE);
  EXPECT_EQ(Text(h), "xa");
  Type("\t\x1e\x1f");        // tab, up and down are ignored
  EXPECT_EQ(Text(h), "xa");
  EXPECT_EQ(Cursor(h), 2);
}

TEST_F(KeyInput, LengthLimitsMakeTheLastCharacterGiveWay) {
  int h = Field(4);
  Type("abcd");
  Type("e");
  EXPECT_EQ(Text(h), "abce");
  EXPECT_EQ(Cursor(h), 4);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_LEFT);
  Type("x");
  EXPECT_EQ(Text(h), "axbc");
  EXPECT_EQ(Cursor(h), 2);
  // A double-byte character at the end gives way whole.
  SetKeyInputString("a亜", h);
  Type("b");
  EXPECT_EQ(Text(h), "a亜b");
  Type("c");
  EXPECT_EQ(Text(h), "a亜c");
  Type("い");
  EXPECT_EQ(Text(h), "aい");
  EXPECT_EQ(Cursor(h), 3);

  // A character wider than the whole field is dropped, and the input goes on.
  int one = Field(1);
  Type("亜z");
  EXPECT_EQ(Text(one), "z");
  EXPECT_EQ(SetKeyInputString("亜", one), 0);
  EXPECT_EQ(Text(one), "");
}

TEST_F(KeyInput, NumberOnlyAndSingleByteFieldsDropWhatTheyDoNotTake) {
  int n = Field(8, 1, 0, 1);
  Type("-1a2-3亜");
  EXPECT_EQ(Text(n), "-123");
  Key(KEYCODE_LEFT);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_LEFT);
  Key(KEYCODE_LEFT);
  Type("-");
  EXPECT_EQ(Text(n), "--123");

  int s = Field(8, 0, 1, 0);
  Type("a亜b\x1b");
  EXPECT_EQ(Text(s), "ab");
  EXPECT_EQ(CheckKeyInput(s), 0);   // Escape is ignored without the cancel permission
}

TEST_F(KeyInput, HandlesTwentyFieldsStaleHandlesAndTheActiveOne) {
  int h[KEY_INPUT_MAX];
  for (int i = 0; i < KEY_INPUT_MAX; ++i) ASSERT_NE(h[i] = MakeKeyInput(4, 0, 0, 0), -1);
  EXPECT_EQ(MakeKeyInput(4, 0, 0, 0), -1);
  EXPECT_EQ(MakeKeyInput(0, 0, 0, 0), -1);
  EXPECT_EQ(SetActiveKeyInput(h[5]), 0);
  EXPECT_EQ(DeleteKeyInputHandle(h[5]), 0);
  EXPECT_EQ(GetActiveKeyInput(), -1);
  EXPECT_EQ(DeleteKeyInputHandle(h[5]), -1);
  EXPECT_EQ(CheckKeyInput(h[5]), -1);
  int again = MakeKeyInput(4, 0, 0, 0);
  EXPECT_EQ(again & 0xFFFF, 5);
  EXPECT_NE(again, h[5]);
  EXPECT_EQ(CheckKeyInput(-1), -1);
  EXPECT_EQ(CheckKeyInput(h[0] ^ 0x08000000), -1);
  SetActiveKeyInput(again);
  EXPECT_EQ(g_TextInput.imeEnabled, 1);
  DeleteAllKeyInputHandles();
  EXPECT_EQ(g_TextInput.keyInputCount, 0);
  EXPECT_EQ(g_TextInput.imeEnabled, 0);
  // Input waits in the ring while no field is active.
  KeyCharPush('q');
  EXPECT_EQ(ProcessKeyInput(), 0);
  uint8_t c[2];
  EXPECT_EQ(KeyCharPop(c, 0), 1);
}

// Through a running headless engine: the window's messages feed the field.
class TextInputEngine : public ::testing::Test {
protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::VirtualClockEnable();
    g_base = BaseState{};
    g_base.settings.windowMode = 1;
    g_base.startup.noGraphics = 1;
    g_base.startup.noSound = 1;
    ASSERT_EQ(LibraryInitializeLocked(), 0);
    w = g_base.win.mainWindow;
  }
  void TearDown() override {
    if (g_base.win.mainWindow || g_base.win.messageThread) LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  void Pump() { ProcessMessageLocked(); }
  TestFolder folder;
  plat::WindowId w = 0;
};

TEST_F(TextInputEngine, TypedCharactersAndEditingKeysReachTheActiveField) {
  int h = MakeKeyInput(16, 1, 0, 0);
  SetActiveKeyInput(h);
  plat::HeadlessScriptChars(w, "abc亜");
  plat::HeadlessScriptKey(w, plat::VK_LEFT, false);
  plat::HeadlessScriptKey(w, plat::VK_LEFT, false);
  plat::HeadlessScriptKey(w, plat::VK_DELETE, false);
  plat::HeadlessScriptChars(w, "\b\r");
  Pump();
  EXPECT_EQ(Text(h), "a亜");
  EXPECT_EQ(CheckKeyInput(h), 1);
}

TEST_F(TextInputEngine, ACompositionIsKeptWhileUnderWayAndItsResultTyped) {
  int h = MakeKeyInput(16, 1, 0, 0);
  SetActiveKeyInput(h);
  ASSERT_EQ(g_TextInput.imeEnabled, 1);
  plat::HeadlessScriptChars(w, "x");
  plat::HeadlessScriptComposition(w, "あい", 2, 2);
  Pump();
  EXPECT_EQ(g_TextInput.imeInUse, 1);
  EXPECT_EQ(g_TextInput.compositionActive, 1);
  EXPECT_STREQ(g_TextInput.composition, "あい");
  EXPECT_EQ(g_TextInput.compositionCursor, 1);
  ASSERT_EQ(g_TextInput.clauseCount, 3);
  EXPECT_EQ(g_TextInput.clauses[1], 2u);
  EXPECT_EQ(Text(h), "x");

  plat::HeadlessScriptComposition(w, "愛", 2, 0);
  plat::HeadlessScriptCommit(w, "愛");
  plat::HeadlessScriptKey(w, plat::VK_LEFT, false);
  Pump();
  EXPECT_EQ(g_TextInput.compositionActive, 0);
  EXPECT_STREQ(g_TextInput.composition, "");
  EXPECT_EQ(Text(h), "x愛");
  EXPECT_EQ(Cursor(h), 1);

  // A field that takes single bytes only switches the method off: committed text is plain bytes.
  int s = MakeKeyInput(16, 1, 1, 0);
  SetActiveKeyInput(s);
  EXPECT_EQ(g_TextInput.imeEnabled, 0);
  plat::HeadlessScriptComposition(w, "か", 2, 0);
  plat::HeadlessScriptCommit(w, "k");
  Pump();
  EXPECT_EQ(g_TextInput.compositionActive, 0);
  EXPECT_EQ(Text(s), "k");
}

TEST_F(TextInputEngine, CandidateListsOpenStatusAndTheResetOnActivation) {
  g_LogOffFlag = 0;
  int h = MakeKeyInput(16, 1, 0, 0);
  SetActiveKeyInput(h);
  const char list[] = "candidates";
  plat::HeadlessScriptCandidates(w, list, 10);
  Pump();
  ASSERT_NE(g_TextInput.candidateList, nullptr);
  EXPECT_EQ(g_TextInput.candidateListSize, 10);
  EXPECT_EQ(memcmp(g_TextInput.candidateList, list, 10), 0);
  plat::HeadlessScriptCandidates(w, nullptr, 0);
  Pump();
  EXPECT_EQ(g_TextInput.candidateList, nullptr);
  plat::PostWindowMessage(w, plat::WM_IME_NOTIFY, plat::IMN_OPENCANDIDATE, 0);
  Pump();
  EXPECT_EQ(g_TextInput.candidateList, nullptr);
  EXPECT_NE(folder.Read("Log.txt").find("漢字変換候補のデータサイズが０でした"), std::string::npos);

  // The open status is recorded when the method reports a change.
  plat::ImeSetOpenStatus(w, false);
  Pump();
  EXPECT_EQ(g_TextInput.imeOpen, 0);
  plat::ImeSetOpenStatus(w, true);
  Pump();
  EXPECT_EQ(g_TextInput.imeOpen, 1);

  // Activation with the method open resets it and gives the composition back.
  plat::HeadlessScriptComposition(w, "かな", 0, 0);
  Pump();
  EXPECT_EQ(g_TextInput.compositionCursor, 0);
  plat::HeadlessScriptActivate(w, false);
  plat::HeadlessScriptActivate(w, true);
  Pump();
  Pump();
  EXPECT_EQ(g_TextInput.imeResetStep, 0);
  EXPECT_EQ(g_TextInput.imeOpen, 1);
  EXPECT_EQ(g_TextInput.compositionActive, 1);
  EXPECT_STREQ(g_TextInput.composition, "かな");
  EXPECT_EQ(g_TextInput.compositionCursor, 2);   // given back whole, the cursor at its end

  // Deleting the last field switches the method off and forgets the composition.
  DeleteKeyInputHandle(h);
  EXPECT_EQ(g_TextInput.imeEnabled, 0);
  EXPECT_EQ(g_TextInput.compositionActive, 0);
}

}  // namespace
