#include "engine/base/screen_log.h"

#include <algorithm>
#include <cstring>

#include "engine/base/base_state.h"
#include "engine/graphics/base_hooks.h"
#include "engine/graphics/font/font.h"
#include "engine/graphics/operations.h"

ScreenLogState g_ScreenLog = {{}, 0, 0, 16, 4, -1, 1};

namespace {

// Re-creating every font after a restore keeps the handle's number but drops the registration, so
// a lost flag alone does not prove the font is gone.
bool FontSurvivedUnregistered(const ScreenLogState& s) {
  const FontRecord* f = s.font != -1 ? GetFontRecord(s.font) : nullptr;
  return f != nullptr && f->lostFlag == nullptr;
}

}  // namespace

int ScreenLogInitialize() {
  if (!HasDirectDrawObject() || g_base.win.mainWindow == 0) return -1;
  ScreenLogState& s = g_ScreenLog;
  if (s.setUp) return 0;
  s.fontSize = 16;
  s.fontThickness = 4;
  EnsureScreenLogFont();
  s.shown = 0;
  std::memset(s.lines, 0, sizeof(s.lines));
  s.setUp = 1;
  return 0;
}

int EnsureScreenLogFont() {
  ScreenLogState& s = g_ScreenLog;
  if (!s.fontLost) return 0;
  if (FontSurvivedUnregistered(s)) return SetFontLostFlagPointer(s.font, &s.fontLost);
  s.font = CreateFontToHandle(nullptr, s.fontSize, 4, -1, -1, -1, 0, -1, -1);
  if (s.font == -1) return -1;
  return SetFontLostFlagPointer(s.font, &s.fontLost);
}

int DrawScreenLog() {
  ScreenLogState& s = g_ScreenLog;
  if (s.fontSize < 1) return 0;
  int width = 0, height = 0;
  GetScreenSize(&width, &height);
  const int lines = std::min(height / s.fontSize, SCREEN_LOG_LINES);
  if (lines < 1 || EnsureScreenLogFont() == -1) return 0;
  const uint32_t white = GetScreenColor(255, 255, 255), black = GetScreenColor(0, 0, 0);
  for (int i = 0; i < lines; ++i) {
    // A line filled to its last byte still ends inside its own row.
    char text[SCREEN_LOG_LINE_SIZE + 1];
    std::memcpy(text, s.lines[i], SCREEN_LOG_LINE_SIZE);
    text[SCREEN_LOG_LINE_SIZE] = '\0';
    DrawTextWithFont(0, s.fontSize * i, text, white, s.font, black, 0);
  }
  return 0;
}

int IsScreenLogEnabled() { return g_ScreenLog.shown; }

void DeleteScreenLogFontIfMade() {
  ScreenLogState& s = g_ScreenLog;
  if (s.font == -1) return;
  if (!s.fontLost || FontSurvivedUnregistered(s)) DeleteFontHandle(s.font);
  s.font = -1;
  s.fontLost = 1;
}
