// What the whole-run tests share: the presented picture or the window's as X holds it, kept as
// PNG files for review, and a key script that presses scripted keys one frame each.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

using Pixels = std::vector<uint32_t>;   // 0xRRGGBB, 640 x 480

// The last frame handed to the presenter (empty unless a 640 x 480 32-bit frame).
Pixels PresentedPicture();
// The main window's contents as the X server holds them.
Pixels MainWindowFromX();
// Written under $VLX_TEST_ARTIFACTS (or the working folder) as name.
void KeepPng(const Pixels& p, const std::string& name);

// Keys pressed one frame each, six frames apart; a negative entry waits that many frames.
struct KeyScript {
  std::deque<int> queue;
  int wait = 0, pressed = -1;
  // Once per frame: lets go of the last key and presses the next when its turn has come.
  void Step();
  bool Idle() const { return queue.empty() && wait == 0 && pressed < 0; }
};
