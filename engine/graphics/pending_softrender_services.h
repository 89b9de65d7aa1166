// Stand-in screen state for the software geometry front ends until the screen and draw-target code
// lands. Whether a display exists and is a software screen comes from g_PendingScreenFacts (no
// display by default, so every front end refuses); the rest is here. Tests set both up.
#pragma once
#include <cstdint>
#include "engine/graphics/draw_state.h"
#include "engine/graphics/mem_img.h"

struct SoftwareScreenStandIn {
  int32_t displayReady;
  MemImg* drawTarget;          // the current draw target's software image
  MemImg* mask;                // the mask image
  // The draw-target bracket: images it "prepares", what it was asked for, how often.
  MemImg* preparedDest;        // null: BeginSoftwareDrawTarget fails
  MemImg* preparedSource;
  RectI lastUpdate;
  RectI lastSource;
  int32_t lastShape;
  int32_t beginCalls, endCalls, graphSoftwareCalls;
};
extern SoftwareScreenStandIn g_SoftwareScreenStandIn;
