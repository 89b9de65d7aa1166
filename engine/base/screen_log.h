// The on-screen log: up to 80 lines of text drawn over the picture at each present while it is
// shown. Nothing in this program fills the lines or shows it; the state is here for whoever does.
#pragma once
#include <cstdint>

constexpr int SCREEN_LOG_LINES = 80;
constexpr int SCREEN_LOG_LINE_SIZE = 255;

struct ScreenLogState {
  char lines[SCREEN_LOG_LINES][SCREEN_LOG_LINE_SIZE];
  int32_t setUp;
  int32_t shown;
  int32_t fontSize;
  int32_t fontThickness;
  int32_t font;          // -1 until made
  int32_t fontLost;      // 1: the font must be made (again) before drawing
};

extern ScreenLogState g_ScreenLog;

int ScreenLogInitialize();          // 0; -1 without the display object or the main window
int EnsureScreenLogFont();          // 0; -1 when the font cannot be made
int DrawScreenLog();                // 0
int IsScreenLogEnabled();           // the shown flag
void DeleteScreenLogFontIfMade();
