#include "game/framework/archive_key.h"

#include <cstdint>

#include "game/framework/engine_entries.h"

namespace {
// Keeps every key character of the title printable ASCII.
constexpr unsigned kArchiveKeyShift = 1;
}  // namespace

void ArchiveKeyFromTitle(const char* title, char key[kArchiveKeyLength + 1]) {
  int i = 0;
  for (; title && i < kArchiveKeyLength && title[i] != '\0'; ++i) {
    const unsigned c = static_cast<uint8_t>(title[i]);
    key[i] = static_cast<char>(static_cast<uint8_t>(c + kArchiveKeyShift + static_cast<unsigned>(i)));
  }
  for (; i <= kArchiveKeyLength; ++i) key[i] = '\0';
}

void SetArchiveKeyFromTitle(const char* title) {
  char key[kArchiveKeyLength + 1];
  ArchiveKeyFromTitle(title, key);
  g_Engine.SetArchiveKeyStringLocked(key);
}
