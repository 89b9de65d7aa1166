// The title text, the data keystream's scrambling and the archive key as the game's boot code
// will have them; they go once the game framework provides them.
#include "game/framework/game_math.h"
#include "game/framework/text.h"
#include "tools/make-data/make_data.h"

const char* const TextTable[kTextTableSize] = {"VELMARONDIX"};

void DescrambleDataBuffer(const uint8_t* source, uint8_t* destination, int offset, int n) {
  SeedDataKeystream(0x6D1A);
  for (int i = 0; i < offset; i++) NextDataKeystream();
  for (int i = 0; i < n; i++) destination[i] = uint8_t(source[offset + i] ^ (NextDataKeystream() & 0xFF));
}

void ArchiveKeyFromTitle(const char* title, char key[12]) {
  for (int i = 0; i < 11; i++) key[i] = char(uint8_t(title[i]) + 1 + i);
  key[11] = '\0';
}
