// The real screen brought up by one of the three drawing paths the platform can offer (the 3-D
// device, the software renderer on display surfaces, the software screen) with the sprite sheet
// loaded, and the presented frame read back.
#pragma once
#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/temp_folder.h"
#include "engine/graphics/draw/sprite_scene.h"
#include "engine/graphics/graph/graph_load.h"
#include "engine/graphics/screen/screen.h"
#include "engine/graphics/screen/screen_fixture.h"
#include "platform/present.h"
#include "platform/renderer.h"

namespace {

enum Path { kDevice, kSoftwareOnDisplay, kSoftwareScreen };

struct PathRun {
  TempFolder folder;
  int cell0 = -1, cell1 = -1;

  explicit PathRun(Path p) {
    plat::SetRendererSetting(p == kDevice             ? plat::RendererSetting::Full
                             : p == kSoftwareOnDisplay ? plat::RendererSetting::NoDevice3D
                                                       : plat::RendererSetting::NoDisplay);
    ScreenSetup s;
    s.width = kW;
    s.height = kH;
    s.bits = 32;
    s.direct3D = 1;   // the platform's offer decides
    s.noDirectDraw = p == kSoftwareScreen;
    s.software = p == kSoftwareScreen;
    EXPECT_EQ(StartScreenForTest(s), 0);
    EXPECT_EQ(Direct3DInUse() != 0, p == kDevice);
    SetDrawTarget(DRAW_SCREEN_BACK);
    folder.Write("sheet.png", SheetPng());
    const int sheet = LoadGraphFileCall("sheet.png");
    EXPECT_GT(sheet, 0);
    cell0 = DeriveGraphRegion(0, 0, 32, 32, sheet);
    cell1 = DeriveGraphRegion(32, 0, 32, 32, sheet);
  }
  ~PathRun() {
    TerminateGraphicsManager();
    StopScreenForTest();
    plat::ResetRendererSetting();
  }

  void Background() { DrawBoxShape(0, 0, kW, kH, GetScreenColor(0x20, 0x30, 0x40), 1); }

  // Presents the back screen and reads the frame the presenter was given.
  Frame Present() {
    EXPECT_EQ(PresentScreen(), 0);
    plat::PresentedFrame pf;
    Frame f(kW * kH, 0);
    if (!plat::PresenterLastFrame(&pf) || pf.format.bitCount != 32) {
      ADD_FAILURE() << "no 32-bit frame presented";
      return f;
    }
    for (int y = 0; y < kH && y < pf.height; ++y) {
      for (int x = 0; x < kW && x < pf.width; ++x) {
        uint32_t v;
        std::memcpy(&v, pf.pixels + y * pf.pitch + x * 4, 4);
        f[y * kW + x] = v & 0xFFFFFF;
      }
    }
    return f;
  }
};

}  // namespace
