// Menu keys for scripted runs: pressed one frame each, six frames apart, through the scripted
// input back end.
#pragma once
#include <deque>

#include "platform/input/scripted/scripted_input.h"

// A negative entry in the queue waits that many frames.
struct KeyScript {
  std::deque<int> queue;
  int wait = 0, pressed = -1;

  // Once per frame: lets go of the last key and presses the next when its turn has come.
  void Step() {
    Release();
    if (wait > 0) {
      --wait;
    } else if (!queue.empty()) {
      const int next = queue.front();
      queue.pop_front();
      if (next < 0) {
        wait = -next;
      } else {
        plat::ScriptedKey(pressed = next, true);
        wait = 5;
      }
    }
  }
  // Lets go of the key still down (at a run's end, so the next run starts with none held).
  void Release() {
    if (pressed >= 0) plat::ScriptedKey(pressed, false);
    pressed = -1;
  }
  bool Idle() const { return queue.empty() && wait == 0 && pressed < 0; }
};
