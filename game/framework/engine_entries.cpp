#include "game/framework/engine_entries.h"

#include "engine/engine.h"
#include "platform/window.h"

namespace {

const EngineEntryTable kReal = {
    LibraryInitializeLocked,
    LibraryTerminateLocked,
    ProcessMessageLocked,
    WaitMillisecondsPumpingEntry,
    [] { return GetMillisecondCountLocked(0); },
    GetLocalDateTimeLocked,
    GetRandomUpToLocked,
    SeedRandomLocked,
    GetMainWindowHwndLocked,
    ClaimSingleCopyLocked,
    ReleaseSingleCopyLocked,
    CanCreateMainWindowLocked,
    SetMainWindowIconLocked,
    SetMainWindowCaptionLocked,
    ChangeWindowModeLocked,
    SetWindowScaleRateLocked,
    SetLogFileOutputFlagLocked,
    SetMouseCursorVisibleFlagLocked,
    SetArchiveUseFlagLocked,
    SetArchiveExtensionLocked,
    SetArchiveKeyStringLocked,
    [](const char* text, const char* caption, uint32_t type) {
      return plat::MessageBox(text, caption, type);
    },

    SetDrawModeStateLocked,
    SetFlipWaitsVBlankLocked,
    GetFlipWaitsVBlankLocked,
    SetScreenModeKeepLocked,
    SetNoTextureSplitFlagLocked,
    SetCreateGraphAlphaFlagLocked,
    SetDefaultFontSizeLocked,
    SetDefaultFontThicknessLocked,
    SetDefaultFontNameLocked,
    SetDefaultFontTypeLocked,
    GetScreenColorLocked,

    SetTransparentColorLocked,
    LoadGraphFileCallLocked,
    DeriveGraphRegionLocked,
    CreateBlankGraphLocked,
    DeleteGraphHandleLocked,
    DeleteAllGraphHandlesLocked,
    GetGraphDimensionsLocked,
    SetDrawTargetLocked,
    GetDrawScreenGraphLocked,
    ClearDrawTargetLocked,

    SetBlendModeStateLocked,
    SetDrawBrightRgbLocked,
    DrawGraphAtPointLocked,
    DrawGraphMirroredLocked,
    DrawGraphStretchedLocked,
    DrawGraphRotatedCallLocked,
    DrawBoxShapeLocked,
    DrawGraphRotatedAboutCenterLocked,
    DrawTextDefaultFontLocked,
    SaveDrawScreenToBmpLocked,

    PresentScreenLocked,
    WaitVerticalBlankLocked,

    GetPadInputBitsLocked,
    IsKeyDownLocked,

    SetSoundCreateTypeLocked,
    IsSoundSystemRunningLocked,
    LoadSoundFileLocked,
    SetStreamLoopMillisecondsLocked,
    PlaySoundHandleLocked,
    StopSoundHandleLocked,
    IsSoundHandlePlayingLocked,
    SetSoundHandleVolumeLocked,
};

uint64_t g_randomDraws = 0;

}  // namespace

EngineEntryTable g_Engine = kReal;

const EngineEntryTable& RealEngineEntries() { return kReal; }

int GameRandom(int n) {
  ++g_randomDraws;
  return g_Engine.GetRandomUpToLocked(n);
}

uint64_t GameRandomDrawCount() { return g_randomDraws; }
void ResetGameRandomDrawCount() { g_randomDraws = 0; }
