// Waits for the file access layer: the start directory is saved and restored straight through
// the platform, and the archive layer has nothing to set up or close yet.
#include <cstring>
#include <string>

#include "engine/base/base_state.h"
#include "engine/base/file_access.h"
#include "engine/base/system_hooks.h"
#include "platform/files.h"

int SetFileAccessTable(const FileAccessTable*) { return 0; }

int FileGetCurrentDir(char* buffer) {
  std::string dir = plat::GetCurrentDir();
  if (dir.size() >= static_cast<size_t>(START_DIRECTORY_SIZE)) {
    buffer[0] = 0;
    return -1;
  }
  memcpy(buffer, dir.c_str(), dir.size() + 1);
  return 0;
}

int FileSetCurrentDir(const char* path) { return plat::SetCurrentDir(path) ? 0 : -1; }

void InitializeArchiveLayer() {}
void CloseUnreferencedArchives() {}
