// The screen tour of the harness (HarnessOptions::screensDir).
#pragma once
#include <functional>

void TourReset();
// After every pass: presses the tour's next key, or takes the picture of a stop reached (save is
// given its name) and queues the keys that lead on.
void TourAfterPass(const std::function<void(const char* name)>& save);
bool TourDone();          // every stop reached
void TourRelease();       // lets go of a key still held
