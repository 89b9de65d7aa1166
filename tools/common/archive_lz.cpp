// LZ encoder for packed archive entries. Literals are bytes other than the escape byte (the
// least frequent byte of the data, so escaped literals are rare); a match is the escape, a code
// byte and its length and distance bytes. Greedy parse over hash chains, with the cheap "previous
// distance + 1" form tried first.
#include <cstring>

#include "engine/base/archive.h"
#include "tools/common/archive_writer.h"

namespace {

constexpr int kHashBits = 16;
constexpr int kChainDepth = 48;
constexpr size_t kMaxDistance = size_t(1) << 24;

inline uint32_t Hash4(const uint8_t* p) {
  uint32_t v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  return (v * 2654435761u) >> (32 - kHashBits);
}

inline size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t limit) {
  size_t n = 0;
  while (n < limit && a[n] == b[n]) n++;
  return n;
}

// Bytes a match costs in the code stream.
inline size_t MatchCost(size_t length, unsigned kind) {
  return 2 + (length - ARCHIVE_MATCH_MIN >= 32 ? 1 : 0) + (kind == 3 ? 0 : kind + 1);
}

inline unsigned KindFor(size_t distance, size_t previous) {
  if (previous != 0 && distance == previous + 1) return 3;
  size_t v = distance - 1;
  return v < 0x100 ? 0 : v < 0x10000 ? 1 : 2;
}

void Put32(std::vector<uint8_t>* out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) (*out)[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> ArchiveLzPack(const uint8_t* data, size_t size) {
  size_t counts[256] = {};
  for (size_t i = 0; i < size; i++) counts[data[i]]++;
  unsigned escape = 0;
  for (unsigned b = 1; b < 256; b++)
    if (counts[b] < counts[escape]) escape = b;

  std::vector<uint8_t> out(ARCHIVE_PACK_HEADER_SIZE);
  out.reserve(size / 2 + 64);
  out[8] = uint8_t(escape);
  std::vector<int32_t> head(size_t(1) << kHashBits, -1);
  std::vector<int32_t> chain(size, -1);
  auto insert = [&](size_t at) {
    if (at + 4 > size) return;
    uint32_t h = Hash4(data + at);
    chain[at] = head[h];
    head[h] = int32_t(at);
  };

  size_t previous = 0;
  size_t i = 0;
  while (i < size) {
    size_t bestLength = 0, bestDistance = 0;
    long bestGain = 0;
    size_t limit = size - i < ARCHIVE_MATCH_MAX ? size - i : ARCHIVE_MATCH_MAX;
    if (limit >= ARCHIVE_MATCH_MIN) {
      auto consider = [&](size_t distance) {
        size_t n = MatchLength(data + i - distance, data + i, limit);
        if (n < ARCHIVE_MATCH_MIN) return;
        long gain = long(n) - long(MatchCost(n, KindFor(distance, previous)));
        if (gain > bestGain) {
          bestGain = gain;
          bestLength = n;
          bestDistance = distance;
        }
      };
      if (previous != 0 && previous + 1 <= i) consider(previous + 1);
      int32_t at = head[Hash4(data + i)];
      for (int depth = 0; at >= 0 && depth < kChainDepth; depth++, at = chain[size_t(at)]) {
        size_t distance = i - size_t(at);
        if (distance > kMaxDistance) break;
        consider(distance);
        if (bestLength == limit) break;
      }
    }
    if (bestLength == 0) {
      out.push_back(data[i]);
      if (data[i] == escape) out.push_back(uint8_t(escape));
      insert(i);
      i++;
      continue;
    }
    unsigned kind = KindFor(bestDistance, previous);
    size_t extra = bestLength - ARCHIVE_MATCH_MIN;
    unsigned code = unsigned((extra & 31) << 3) | kind;
    if (extra >= 32) code |= 4;
    if (code == 255) {   // the one code byte the format cannot carry: spell the distance out
      kind = (bestDistance - 1) < 0x100 ? 0 : (bestDistance - 1) < 0x10000 ? 1 : 2;
      code = unsigned((extra & 31) << 3) | 4 | kind;
    }
    out.push_back(uint8_t(escape));
    out.push_back(uint8_t(code >= escape ? code + 1 : code));
    if (extra >= 32) out.push_back(uint8_t(extra >> 5));
    if (kind != 3)
      for (unsigned b = 0; b <= kind; b++) out.push_back(uint8_t((bestDistance - 1) >> (8 * b)));
    previous = bestDistance;
    for (size_t k = 0; k < bestLength; k++) insert(i + k);
    i += bestLength;
  }
  Put32(&out, 0, uint32_t(size));
  Put32(&out, 4, uint32_t(out.size()));
  return out;
}
