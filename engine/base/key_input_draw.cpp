// Drawing a key-input field with the engine's fonts: its text, the blinking cursor, and for the
// active field the composition under way at the cursor, underlined, with the clause being
// converted marked and the composition's own cursor.
#include "engine/base/text_input.h"

#include <string>

#include "engine/base/startup_window.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/font/font.h"

namespace {

int Advance(int font, const char* text, int bytes) {
  if (bytes <= 0) return 0;
  int w = DrawTextCore(0, 0, 0, 0, 1.0, 1.0, text, 0, nullptr, nullptr, 0, font, 0, bytes, 0, nullptr);
  return w > 0 ? w : 0;
}

// Draws the text and returns its advance.
int DrawPart(int x, int y, const std::string& text, uint32_t colour, uint32_t edge, int font) {
  if (text.empty()) return 0;
  DrawTextWithFont(x, y, text.c_str(), colour, font, edge, 0);
  return Advance(font, text.c_str(), static_cast<int>(text.size()));
}

// Byte offset of the composition's cursor (kept in characters).
int CompositionCursorBytes(const TextInputState& t) {
  int i = 0;
  for (int c = 0; c < t.compositionCursor && t.composition[i]; ++c)
    i += IsKeyInputLead(t.composition + i) && t.composition[i + 1] ? 2 : 1;
  return i;
}

void DrawComposition(int x, int y, int height, int font) {
  const TextInputState& t = g_TextInput;
  const uint32_t* c = t.colors;
  const int len = static_cast<int>(std::char_traits<char>::length(t.composition));
  const int cursor = CompositionCursorBytes(t);
  DrawPart(x, y, t.composition, c[KEYINPUT_COLOR_COMPOSITION], c[KEYINPUT_COLOR_COMPOSITION_EDGE], font);
  // Each clause is underlined apart, leaving a pixel between clauses; the one that starts at the
  // cursor is the one being converted.
  for (int i = 0; i + 1 < t.clauseCount; ++i) {
    const int from = static_cast<int>(t.clauses[i]), to = static_cast<int>(t.clauses[i + 1]);
    if (from < 0 || to > len || from >= to) continue;
    const int x1 = x + Advance(font, t.composition, from), x2 = x + Advance(font, t.composition, to);
    const bool converting = from == cursor && t.clauseCount > 2;
    if (converting) {
      DrawPart(x1, y, std::string(t.composition + from, t.composition + to), c[KEYINPUT_COLOR_CLAUSE],
               c[KEYINPUT_COLOR_COMPOSITION_EDGE], font);
    }
    DrawFilledBox(x1, y + height, x2 - 1, y + height + (converting ? 2 : 1),
                  c[converting ? KEYINPUT_COLOR_CLAUSE_LINE : KEYINPUT_COLOR_COMPOSITION_LINE]);
  }
  const int cx = x + Advance(font, t.composition, cursor);
  DrawFilledBox(cx, y, cx + 1, y + height, c[KEYINPUT_COLOR_COMPOSITION_CURSOR]);
}

}  // namespace

int DrawKeyInputString(int x, int y, int handle, int font) {
  TextInputState& t = g_TextInput;
  KeyInputRecord* r = GetKeyInputRecord(handle);
  if (!r) return -1;
  if (font == -1) {
    UpdateDefaultFont();
    font = GetDefaultFontHandle();
  }
  FontRecord* f = GetFontRecord(font);
  if (!f) return -1;
  const int height = f->size;
  const uint32_t* c = t.colors;
  const bool active = handle == t.activeKeyInput && !r->done;
  const std::string before(r->text, static_cast<size_t>(r->cursor));
  const std::string after(r->text + r->cursor);

  int pen = x + DrawPart(x, y, before, c[KEYINPUT_COLOR_TEXT], c[KEYINPUT_COLOR_TEXT_EDGE], font);
  if (active && t.compositionActive && t.composition[0]) {
    DrawComposition(pen, y, height, font);
    pen += Advance(font, t.composition, static_cast<int>(std::char_traits<char>::length(t.composition)));
    DrawPart(pen, y, after, c[KEYINPUT_COLOR_TEXT], c[KEYINPUT_COLOR_TEXT_EDGE], font);
    return 0;
  }
  DrawPart(pen, y, after, c[KEYINPUT_COLOR_TEXT], c[KEYINPUT_COLOR_TEXT_EDGE], font);
  if (!active) return 0;
  // Shown steadily for a blink period after each input, then on and off in turn.
  const uint32_t since = GetMillisecondCount() - t.lastInputTime;
  const uint32_t period = t.blinkPeriod > 0 ? static_cast<uint32_t>(t.blinkPeriod) : 500u;
  t.cursorShown = (since / period) % 2 == 0 ? 1 : 0;
  if (t.cursorShown) DrawFilledBox(pen, y, pen + 2, y + height, c[KEYINPUT_COLOR_CURSOR]);
  return 0;
}
