// Waits for the file access layer and the archive reader.
#include "engine/base/operations.h"

int SetArchiveUseFlag(int) { return -1; }
int SetArchiveExtension(const char*) { return -1; }
int SetArchiveKeyString(const char*) { return -1; }
