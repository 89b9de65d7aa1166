// Texts: the TextTable of 440 interface strings by id (CP932), and the records of the text file
// "dat\vlx1.dat", kept scrambled in memory and laid out one record at a time into 32 text lines.
#pragma once
#include <cstdint>

constexpr int kTextTableSize = 440;
constexpr int kTextFileMax = 32000;      // the whole file
constexpr int kTextRecordMax = 1600;     // one decoded record
constexpr int kTextRecordCount = 96;
constexpr int kTextLineCount = 32;
constexpr int kTextLineSize = 256;       // 255 bytes and the terminator

extern const char* const TextTable[kTextTableSize];
const char* GetTableText(int id);        // "" for ids outside 0-439

// The same call scrambles and unscrambles: byte k of the file is XORed with the low byte of the
// (k + 1)-th keystream output after seeding with 0x6D1A.
void DescrambleDataBuffer(const uint8_t* source, uint8_t* destination, int offset, int n);

void LoadTextRecords();                  // reads the file, finds the 96 record offsets
int TextRecordCount();                   // records found by the last load (0-96)
int TextFileSize();                      // bytes the last load read (0: no file)
void DecodeTextRecord(int record, uint8_t out[kTextRecordMax]);
void ClearTextLines();
void SetTextLine(int line, int record);
int SplitTextPage(int record, int skip); // lines ended by a line or page tag
const char* GetTextLine(int line);       // "" for lines outside 0-31
void DrawTextLine(int x, int y, int line);
