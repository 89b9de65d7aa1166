// Temporary: what the display list needs of the texts and screen colours until they land.
#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/text.h"

const char* GetTableText(int id) {
  static const char* const kTexts[] = {"SCORE", "HI SCORE", "IRIS 10"};
  return id >= 0 && id < 3 ? kTexts[id] : "";
}
void DrawTextLine(int x, int y, int line) {
  if (line < 0 || line >= kTextLineCount) return;
  g_Engine.DrawTextDefaultFontLocked(x, y, "LINE", ScreenWhite(), ScreenBlack());
}
void SetScreenColours(uint32_t, uint32_t) {}
uint32_t ScreenBlack() { return g_Engine.GetScreenColorLocked(0, 0, 0); }
uint32_t ScreenWhite() { return g_Engine.GetScreenColorLocked(255, 255, 255); }
