// The virtual pad of a window run, driven from a control file (see harness_pad.cpp).
#pragma once
#include <string>

bool HarnessPadOpen(const std::string& path);   // attaches the pad; false with a message
void HarnessPadPoll();                           // applies the lines appended since the last poll
void HarnessPadClose();                          // detaches it; safe when none is open
