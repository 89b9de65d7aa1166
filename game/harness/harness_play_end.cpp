// A play's state at its end, as text: one "name value..." line per field, so that a playback run in
// another process can be checked against its recording.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "game/harness/harness.h"

bool operator==(const HarnessPlayEnd& a, const HarnessPlayEnd& b) {
  return a.score == b.score && a.position == b.position && a.finalScore == b.finalScore &&
         a.areaScore0 == b.areaScore0 && a.areas == b.areas && a.fileSize == b.fileSize &&
         std::memcmp(a.values, b.values, sizeof a.values) == 0 && a.seed == b.seed &&
         a.drawsSinceSeed == b.drawsSinceSeed && a.drawHash == b.drawHash;
}

std::string FormatPlayEnd(const HarnessPlayEnd& e) {
  std::ostringstream o;
  o << "frame " << e.frame << "\n"
    << "score " << e.score << "\n"
    << "position " << e.position << "\n"
    << "header " << e.finalScore << " " << e.areaScore0 << " " << e.areas << " " << e.fileSize << "\n"
    << "values";
  for (int32_t v : e.values) o << " " << v;
  o << "\n"
    << "generator " << e.seed << " " << e.drawsSinceSeed << " " << e.drawHash << "\n";
  return o.str();
}

bool ParsePlayEnd(const std::string& text, HarnessPlayEnd* out) {
  HarnessPlayEnd e;
  std::istringstream lines(text);
  std::string line;
  unsigned seen = 0;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string name;
    if (!(words >> name)) continue;
    bool ok;
    if (name == "frame") {
      ok = static_cast<bool>(words >> e.frame);
      seen |= 1;
    } else if (name == "score") {
      ok = static_cast<bool>(words >> e.score);
      seen |= 2;
    } else if (name == "position") {
      ok = static_cast<bool>(words >> e.position);
      seen |= 4;
    } else if (name == "header") {
      ok = static_cast<bool>(words >> e.finalScore >> e.areaScore0 >> e.areas >> e.fileSize);
      seen |= 8;
    } else if (name == "values") {
      ok = true;
      for (int32_t& v : e.values) ok = ok && static_cast<bool>(words >> v);
      seen |= 16;
    } else if (name == "generator") {
      ok = static_cast<bool>(words >> e.seed >> e.drawsSinceSeed >> e.drawHash);
      seen |= 32;
    } else {
      return false;
    }
    std::string extra;
    if (!ok || (words >> extra)) return false;
  }
  if (seen != 63) return false;
  *out = e;
  return true;
}
