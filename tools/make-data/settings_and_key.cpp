// The settings file that the data set starts with, and the key of the folder archive.
#include "game/framework/archive_key.h"
#include "game/framework/settings.h"
#include "game/framework/text.h"
#include "tools/make-data/make_data.h"

// Stored unscrambled (word 29 = 0).
Bytes MakeSettingsFile() {
  SetDataSetSettings();
  Bytes image(kSettingsFileSize);
  BuildSettingsFileImage(0, image.data());
  return image;
}

std::string ArchiveKey() {
  char key[kArchiveKeyLength + 1];
  ArchiveKeyFromTitle(TextTable[0], key);
  return std::string(key);
}
