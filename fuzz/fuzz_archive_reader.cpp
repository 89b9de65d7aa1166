// Fuzzes the archive reader. The first byte picks the target: even, the LZ decoder on the rest;
// odd, the rest as the plain (descrambled) bytes of an archive, scrambled with the no-key key,
// written to disk, opened, searched and read through both the object and the file back end.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/archive.h"
#include "engine/base/file_access.h"

namespace {

const char* const kNames[] = {"PIC00.PNG", "pic01.png", "SUB\\TOP.TXT", "SUB\\DEEP\\SE00.WAV", "\\PIC00.PNG",
                              "SUB\\..\\X", "SUB\\", "A\\B\\C\\D.TXT", "EMPTY\\X"};

void ReadAll(ArchiveEntryCursor* c) {
  uint8_t buf[4096];
  while (ArchiveEntryRead(c, buf, sizeof buf) > 0) {
  }
  ArchiveEntrySeek(c, -7, 2);
  ArchiveEntryRead(c, buf, 100);
  ArchiveEntrySeek(c, -100, 1);
  ArchiveEntryRead(c, buf, 3);
}

char g_folder[] = "/tmp/vlx_fuzz_XXXXXX";

void RemoveFolder() {
  if (chdir("/") != 0) return;
  std::remove((std::string(g_folder) + "/F.VUV").c_str());
  rmdir(g_folder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(g_folder) || chdir(g_folder) != 0) std::abort();
  std::atexit(RemoveFolder);
  SetFileAccessTable(nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t* body = data + 1;
  size_t n = size - 1;
  if ((data[0] & 1) == 0) {
    size_t capacity = n >= 4 ? (body[0] | (body[1] << 8) | (size_t(body[2] & 0x0F) << 16)) : 0;
    std::vector<uint8_t> out(capacity ? capacity : 1);
    DecodeArchiveData(body, n, out.data(), capacity);
    return 0;
  }
  std::vector<uint8_t> image(body, body + n);
  uint8_t key[ARCHIVE_KEY_SIZE];
  MakeArchiveKey(nullptr, key);
  ScrambleArchiveData(image.size(), image.data(), 0, key);
  FILE* f = std::fopen("F.VUV", "wb");
  if (!f) std::abort();
  std::fwrite(image.data(), 1, image.size(), f);
  std::fclose(f);

  InitializeArchiveLayer();
  ArchiveObject o = {};
  if (OpenArchive(&o, "F.VUV", nullptr) == 0) {
    for (const char* name : kNames) {
      ArchiveEntryCursor c;
      if (OpenArchiveEntry(&c, &o, name) == 0) {
        ReadAll(&c);
        CloseArchiveEntry(&c);
      }
      ArchiveSearchName last;
      ChangeArchiveDir(&o, name, data[0] & 2, &last);
      ChangeArchiveDir(&o, "..", 1, nullptr);
    }
    CloseArchive(&o);
  }
  for (const char* name : {"f\\PIC00.PNG", "F\\SUB\\TOP.TXT"}) {
    FileHandle h = FileOpen(name, 0);
    if (!h) continue;
    uint8_t buf[512];
    while (FileRead(buf, 3, 100, h) > 0) {
    }
    FileClose(h);
  }
  return 0;
}
