// Input inside a started engine: the start-up and shut-down lines, the public entries, and the
// window procedure's activation and input-flag messages.
#include <gtest/gtest.h>
#include <SDL2/SDL_scancode.h>

#include <string>

#include "engine/base/base_state.h"
#include "engine/base/test_folder.h"
#include "engine/engine.h"
#include "engine/input_sound/input.h"
#include "platform/clock.h"
#include "platform/input/scripted/scripted_input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/window/headless/headless_window.h"

namespace {

class EngineInput : public ::testing::Test {
protected:
  void SetUp() override {
    folder.Enter();
    plat::WindowSelectBackend(plat::WindowBackend::Headless);
    plat::HeadlessReset();
    plat::SingleCopyLockSetDirectory(folder.path.c_str());
    plat::InputSelectBackend(plat::InputBackend::Auto);
    plat::ScriptedInputReset();
    plat::VirtualClockEnable();
    g_base = BaseState{};
    g_input = InputState{};
    g_base.settings.windowMode = 1;
    g_base.startup.noGraphics = 1;   // the display needs more than a headless desktop offers
    g_base.startup.noSound = 1;
    g_LogOffFlag = 0;
  }
  void TearDown() override {
    if (g_base.win.mainWindow || g_base.win.messageThread) LibraryTerminateLocked();
    plat::VirtualClockDisable();
    plat::SingleCopyLockSetDirectory(nullptr);
    folder.Leave();
  }
  static void Tick() { plat::VirtualClockAdvance(1000); }
  TestFolder folder;
};

void ExpectInOrder(const std::string& log, std::initializer_list<const char*> lines) {
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << plat::Cp932ToUtf8(line);
    at = found;
  }
}

TEST_F(EngineInput, StartReadStop) {
  plat::ScriptedAddJoystick("pad one", 2, 8, 0, true);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_TRUE(plat::InputIsScripted());
  EXPECT_EQ(g_input.object, INPUT_DEVICE_LAYER);
  EXPECT_EQ(GetPadCountLocked(), 1);

  plat::ScriptedKey(SDL_SCANCODE_ESCAPE, true);
  plat::ScriptedJoystickButton(0, 0, true);
  Tick();
  EXPECT_EQ(IsKeyDownLocked(0x01), 1);
  EXPECT_EQ(GetPadInputBitsLocked(0x1001), 0x1000 | 0x10);
  EXPECT_EQ(GetPadInputBitsLocked(2), 0);
  plat::ScriptedMouse(0, 0, 2);
  EXPECT_EQ(GetMouseButtonBitsLocked(), 2);

  // Deactivation silences a vibrating pad, activation brings it back.
  JoypadRecord& p = g_input.pads[0];
  p.vibrationState = 1;
  p.power = 10000;
  p.timeLimit = -1;
  EXPECT_EQ(ProcessMessageLocked(), 0);
  bool strong, weak;
  plat::ScriptedJoystickRumble(0, &strong, &weak);
  EXPECT_TRUE(strong && weak);
  plat::SendWindowMessage(g_base.win.mainWindow, plat::WM_ACTIVATE, plat::WA_INACTIVE, 0);
  plat::ScriptedJoystickRumble(0, &strong, &weak);
  EXPECT_FALSE(strong || weak);
  plat::SendWindowMessage(g_base.win.mainWindow, plat::WM_ACTIVATE, plat::WA_ACTIVE, 0);
  plat::ScriptedJoystickRumble(0, &strong, &weak);
  EXPECT_TRUE(strong && weak);

  EXPECT_EQ(LibraryTerminateLocked(), 0);
  EXPECT_EQ(g_input.object, INPUT_NOT_STARTED);
  plat::ScriptedJoystickRumble(0, &strong, &weak);
  EXPECT_FALSE(strong || weak);

  std::string log = folder.Read("Log.txt");
  ExpectInOrder(log, {"DirectInput関係初期化処理", "\tDirectInput7 の取得中... 成功",
                      "\t引き続き初期化処理... 初期化成功", "\tジョイパッドの初期化... ",
                      "\t入力装置を見つけました", "\tデバイスの製品登録名:pad one",
                      "\tジョイパッドの追加は正常に終了しました",
                      "\tジョイパッドの初期化は正常に終了しました",
                      "\tマウスデバイスの初期化... キーボードデバイスの初期化... DirectInput 関連の初期化は正常に終了しました",
                      "DirectInput 関連の終了処理... 完了"});
}

TEST_F(EngineInput, FlagMessageMakesTheNextStartUseTheSystemCalls) {
  plat::ScriptedAddJoystick("pad one", 4, 8, 0, false);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(g_input.object, INPUT_DEVICE_LAYER);
  plat::SendWindowMessage(g_base.win.mainWindow, 0x46F, 1, 0);
  TerminateInputSystem();
  Tick();
  EXPECT_EQ(GetPadCountLocked(), 0);             // the lazy start reports nothing
  EXPECT_EQ(g_input.object, INPUT_SYSTEM_CALLS);
  EXPECT_EQ(GetPadCountLocked(), 1);
  plat::ScriptedJoystickAxis(0, 0, 32767);
  Tick();
  EXPECT_EQ(GetPadInputBitsLocked(1), 0x4);
  EXPECT_EQ(LibraryTerminateLocked(), 0);
  ExpectInOrder(folder.Read("Log.txt"), {"DirectInput を使用しません。", "パッドの数は 1 個です",
                                         "入力関連の初期化をしました", "入力関連の終了処理... 完了"});
}

TEST_F(EngineInput, WithoutTheDeviceLayerTheStartLogsBothAttempts) {
  plat::ScriptedInputSetDeviceLayer(false);
  ASSERT_EQ(LibraryInitializeLocked(), 0);
  EXPECT_EQ(g_input.object, INPUT_SYSTEM_CALLS);
  EXPECT_EQ(LibraryTerminateLocked(), 0);
  ExpectInOrder(folder.Read("Log.txt"),
                {"DirectInput7 の取得中... 取得に失敗。", "エラーコード 0x80004005",
                 "DirectInput8 の取得を試みます...取得に失敗。", "DirectInput を使用しません。",
                 "パッドの数は 0 個です"});
}

}  // namespace
