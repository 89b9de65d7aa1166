// Fuzzes the text file: the input, scrambled as the game's data carries it, is written as
// "dat\vlx1.dat" in a private folder, loaded, and every record is decoded, put into a line and
// laid out into pages with every skip that can matter.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "game/framework/text.h"

namespace {

bool EnterFolder() {
  char tmpl[] = "/tmp/vlx_fuzz_text_XXXXXX";
  if (!mkdtemp(tmpl) || chdir(tmpl) != 0) return false;
  return mkdir("dat", 0755) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = EnterFolder();
  if (!ready) abort();
  std::vector<uint8_t> bytes(data, data + size);
  if (!bytes.empty()) DescrambleDataBuffer(bytes.data(), bytes.data(), 0, static_cast<int>(bytes.size()));
  FILE* f = fopen("dat/vlx1.dat", "wb");
  if (!f) abort();
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);

  LoadTextRecords();
  ClearTextLines();
  uint8_t record[kTextRecordMax];
  for (int r = -1; r <= kTextRecordCount; ++r) {
    DecodeTextRecord(r, record);
    SetTextLine(r & 31, r);
    for (int skip = 0; skip < 34; skip += 11) SplitTextPage(r, skip);
  }
  return 0;
}
