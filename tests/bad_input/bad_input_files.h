// The damaged files of the bad-input program: for each group a valid file made here, and from it
// an empty file, zeros, random bytes, the file cut at each of its chunk boundaries, a valid header
// that states absurd sizes, and (one group) files of 1.5 GB that take no disk space.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace badinput {

using Bytes = std::vector<uint8_t>;

struct BadFile {
  std::string name;         // file name in the case folder; its extension is what a user would give
  Bytes bytes;
  int64_t sparseSize = 0;   // > 0: the file is this long, bytes at its start and holes after them
  bool archive = false;     // the file is the archive "pack.dat"; the loads name files inside it
};

// Groups in a fixed order; the names are those of the registered tests.
const std::vector<std::string>& GroupNames();
// The cases of a group; empty for a name that is not a group.
std::vector<BadFile> MakeGroup(const std::string& group);

}  // namespace badinput
