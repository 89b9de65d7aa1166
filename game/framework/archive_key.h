// The archive key: derived from the game's title, so the game and the data tool that packs its
// archive always agree on it.
#pragma once

constexpr int kArchiveKeyLength = 11;

// Character i of the key (i = 0..10) is character i of the title raised by a fixed shift plus i;
// the key ends after the title or after 11 characters. A null title gives an empty key.
void ArchiveKeyFromTitle(const char* title, char key[kArchiveKeyLength + 1]);
// Hands the key of the title to the engine's archive layer.
void SetArchiveKeyFromTitle(const char* title);
