// pack-archive: packs a folder into an archive that the engine reads in the folder's place.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/common/archive_writer.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: pack-archive [-v VERSION] [-k KEYSTRING] [-x EXTENSION] [-s] FOLDER [ARCHIVE]\n"
               "  -v  archive version 0 to 3 (default 3; 0 and 1 store every entry)\n"
               "  -k  key string that scrambles the archive (default: none)\n"
               "  -x  extension of the default archive name FOLDER.EXTENSION (default dat)\n"
               "  -s  store every entry instead of packing those that shrink\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ArchiveWriteOptions options;
  std::string extension = "dat";
  const char* folder = nullptr;
  const char* archive = nullptr;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (std::strcmp(a, "-v") == 0 && i + 1 < argc) {
      char* end = nullptr;
      long v = std::strtol(argv[++i], &end, 10);
      if (*end || v < 0 || v > 3) return Usage();
      options.version = int(v);
    } else if (std::strcmp(a, "-k") == 0 && i + 1 < argc) {
      options.keyString = argv[++i];
    } else if (std::strcmp(a, "-x") == 0 && i + 1 < argc) {
      extension = argv[++i];
    } else if (std::strcmp(a, "-s") == 0) {
      options.packing = ArchivePacking::Stored;
    } else if (a[0] == '-') {
      return Usage();
    } else if (!folder) {
      folder = a;
    } else if (!archive) {
      archive = a;
    } else {
      return Usage();
    }
  }
  if (!folder) return Usage();
  std::string folderName = folder;
  while (folderName.size() > 1 && folderName.back() == '/') folderName.pop_back();
  std::string archivePath = archive ? archive : folderName + "." + extension;
  std::string error;
  if (!PackFolderToArchive(folderName.c_str(), archivePath.c_str(), options, &error)) {
    std::fprintf(stderr, "pack-archive: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", archivePath.c_str());
  return 0;
}
