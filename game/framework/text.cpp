#include "game/framework/text.h"

#include <cstring>

#include "game/framework/drawlist.h"
#include "game/framework/engine_entries.h"
#include "game/framework/game_math.h"

namespace {

constexpr const char* kTextFileName = "dat\\vlx1.dat";
constexpr uint32_t kKeystreamSeed = 0x6D1A;

// The file as read, kept scrambled; bytes past the loaded size stay zero.
uint8_t g_textBuffer[kTextFileMax];
int g_textSize = 0;
int g_recordOffset[kTextRecordCount + 1];
int g_recordsFound = 0;
char g_lines[kTextLineCount][kTextLineSize];

bool ValidRecord(int record) { return record >= 0 && record < kTextRecordCount; }
bool ValidLine(int line) { return line >= 0 && line < kTextLineCount; }

// A byte of a decoded record; past the record's 1600 bytes everything reads as zero.
uint8_t At(const uint8_t* record, int p) { return p >= 0 && p < kTextRecordMax ? record[p] : 0; }

// Appends a byte to a line, keeping room for the terminator.
void PutLineByte(int line, int* column, uint8_t byte) {
  if (*column < kTextLineSize - 1) g_lines[line][*column] = static_cast<char>(byte);
  ++*column;
}

}  // namespace

int TextFileSize() { return g_textSize; }

void DescrambleDataBuffer(const uint8_t* source, uint8_t* destination, int offset, int n) {
  if (!source || !destination || offset < 0 || n <= 0) return;
  SeedDataKeystream(kKeystreamSeed);
  for (int k = 0; k < offset; ++k) NextDataKeystream();
  for (int i = 0; i < n; ++i) {
    destination[i] = static_cast<uint8_t>(source[offset + i] ^ (NextDataKeystream() & 0xFFu));
  }
}

void LoadTextRecords() {
  std::memset(g_textBuffer, 0, sizeof g_textBuffer);
  // Only what fits the buffer is read; a missing file reads as empty.
  const int64_t fileSize = GetFileSizeByName(kTextFileName);
  int size = fileSize > 0 ? static_cast<int>(fileSize < kTextFileMax ? fileSize : kTextFileMax) : 0;
  if (size > 0) {
    const int got = ReadFileToBuffer(kTextFileName, g_textBuffer, size);
    size = got > 0 ? got : 0;
  }
  g_textSize = size;
  DescrambleDataBuffer(g_textBuffer, g_textBuffer, 0, size);

  // The scan stops at the end of what was read, so records the file lacks are empty.
  int p = 0;
  g_recordsFound = 0;
  for (int r = 0; r < kTextRecordCount; ++r) {
    g_recordOffset[r] = p;
    while (p < size && !(p + 1 < size && g_textBuffer[p] == '@' && g_textBuffer[p + 1] == 'e')) ++p;
    if (p < size) {
      p += 2;
      ++g_recordsFound;
    }
  }
  g_recordOffset[kTextRecordCount] = p;
  if (g_recordsFound < kTextRecordCount) SayDataFileUnreadable(kTextFileName, false);

  DescrambleDataBuffer(g_textBuffer, g_textBuffer, 0, size);
}

int TextRecordCount() { return g_recordsFound; }

void DecodeTextRecord(int record, uint8_t out[kTextRecordMax]) {
  if (!out) return;
  std::memset(out, 0, kTextRecordMax);
  if (!ValidRecord(record)) return;
  const int from = g_recordOffset[record];
  int n = g_recordOffset[record + 1] - from;
  if (n > kTextRecordMax) n = kTextRecordMax;
  if (from < 0 || n <= 0 || from + n > g_textSize) return;
  DescrambleDataBuffer(g_textBuffer, out, from, n);
}

void ClearTextLines() { std::memset(g_lines, 0, sizeof g_lines); }

void SetTextLine(int line, int record) {
  if (!ValidLine(line)) return;
  std::memset(g_lines[line], 0, kTextLineSize);
  uint8_t text[kTextRecordMax];
  DecodeTextRecord(record, text);
  int column = 0;
  for (int p = 0; p < kTextRecordMax && column < kTextLineSize - 1; ++p) {
    if (text[p] == '@' && At(text, p + 1) == 'e') break;
    PutLineByte(line, &column, text[p]);
  }
}

int SplitTextPage(int record, int skip) {
  uint8_t text[kTextRecordMax];
  DecodeTextRecord(record, text);
  ClearTextLines();

  int p = 0;
  for (int passed = 0; p < kTextRecordMax && passed < skip;) {
    if (text[p] == '@' && (At(text, p + 1) == 'n' || At(text, p + 1) == 'w')) {
      ++passed;
      p += 2;
    } else {
      ++p;
    }
  }

  int row = 0;
  int column = 0;
  while (p < kTextRecordMax) {
    const uint8_t b = text[p];
    if (b == '@') {
      const uint8_t tag = At(text, p + 1);
      if (tag == 'e') break;
      if (tag == 'n' || tag == 'w') {
        ++row;
        column = 0;
        p += 2;
        if (tag == 'w' || row >= kTextLineCount) break;
        continue;
      }
      // Not a tag: the "@" goes, the next two bytes stand as they are.
      PutLineByte(row, &column, At(text, p + 1));
      PutLineByte(row, &column, At(text, p + 2));
      p += 3;
      continue;
    }
    PutLineByte(row, &column, b);
    ++p;
  }
  return row;
}

const char* GetTextLine(int line) { return ValidLine(line) ? g_lines[line] : ""; }

void DrawTextLine(int x, int y, int line) {
  if (!ValidLine(line)) return;
  g_Engine.DrawTextDefaultFontLocked(x, y, g_lines[line], ScreenWhite(), ScreenBlack());
}
