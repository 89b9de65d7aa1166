// The headless window back end's script: what a test makes the desktop, the user and the message
// boxes do. Scripted events are posted to the window's queue like the real back end's events.
#pragma once
#include <cstdint>
#include <string>
#include "platform/window.h"

namespace plat {

void HeadlessReset();                                   // desktop 1920 x 1080 x 32, no answers
void HeadlessSetDesktop(int width, int height, int bits);
void HeadlessSetCursorPos(int x, int y);
bool HeadlessCursorVisible();

void HeadlessScriptActivate(WindowId w, bool active);  // WM_ACTIVATEAPP, then WM_ACTIVATE
void HeadlessScriptClose(WindowId w);                  // the close box: WM_CLOSE
void HeadlessScriptKey(WindowId w, uint32_t vk, bool alt);  // key down (and Alt+Enter's WM_SYSCHAR)
void HeadlessScriptChars(WindowId w, const char* cp932);   // one WM_CHAR per byte
// The input method: the composition under way (cursor and converted clause in bytes; an empty
// text ends it), committed text (WM_CHAR bytes when no composition is under way), and a candidate
// list (its bytes as the method would hand them over; empty closes it).
void HeadlessScriptComposition(WindowId w, const char* cp932, int cursorBytes, int selectedBytes);
void HeadlessScriptCommit(WindowId w, const char* cp932);
void HeadlessScriptCandidates(WindowId w, const void* list, int bytes);
void HeadlessScriptDrop(WindowId w, const char* const* names, int count);

void HeadlessPushMessageBoxAnswer(int answer);          // answers are used in order
int HeadlessMessageBoxCount();                          // boxes shown since the reset
std::string HeadlessLastMessageBoxText();
std::string HeadlessLastMessageBoxCaption();

}  // namespace plat
