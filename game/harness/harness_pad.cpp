// The pad of a window run: SDL's virtual joystick, its state read from a control file that
// another process appends to while the game runs (a line "BUTTONS X Y" per change: the buttons as
// a bit mask, decimal or 0x-hexadecimal, bit n for button n; the stick's axes -32768..32767).
#include "game/harness/harness_pad.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/input/sdl/virtual_pad.h"

namespace {

int g_fd = -1;
std::string g_pending;   // bytes after the last complete line

// A bad line is reported and leaves the pad as it was.
void ApplyLine(const std::string& line) {
  const char* p = line.c_str();
  char* end = nullptr;
  errno = 0;
  const unsigned long buttons = std::strtoul(p, &end, 0);
  if (end == p || errno != 0 || buttons > 0xFFFFul) {
    std::fprintf(stderr, "game-harness: pad control line \"%s\" ignored\n", line.c_str());
    return;
  }
  p = end;
  const long x = std::strtol(p, &end, 10);
  const bool hasX = end != p;
  p = end;
  const long y = std::strtol(p, &end, 10);
  const bool hasY = end != p;
  p = end;
  while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
  if (hasX != hasY || *p != '\0' || x < -32768 || x > 32767 || y < -32768 || y > 32767) {
    std::fprintf(stderr, "game-harness: pad control line \"%s\" ignored\n", line.c_str());
    return;
  }
  plat::VirtualPadSet(static_cast<uint32_t>(buttons), hasX ? int(x) : 0, hasY ? int(y) : 0);
}

}  // namespace

bool HarnessPadOpen(const std::string& path) {
  if (g_fd >= 0) return false;
  g_fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (g_fd < 0) {
    std::fprintf(stderr, "game-harness: cannot read the pad control file %s\n", path.c_str());
    return false;
  }
  if (!plat::VirtualPadAttach()) {
    std::fprintf(stderr, "game-harness: no virtual pad could be attached\n");
    close(g_fd);
    g_fd = -1;
    return false;
  }
  g_pending.clear();
  return true;
}

void HarnessPadPoll() {
  if (g_fd < 0) return;
  char buf[4096];
  ssize_t n;
  // A plain file reads 0 at its current end and goes on once more is appended.
  while ((n = read(g_fd, buf, sizeof buf)) > 0) g_pending.append(buf, size_t(n));
  size_t start = 0, nl;
  while ((nl = g_pending.find('\n', start)) != std::string::npos) {
    std::string line = g_pending.substr(start, nl - start);
    start = nl + 1;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    if (line.find_first_not_of(" \t\r") != std::string::npos) ApplyLine(line);
  }
  g_pending.erase(0, start);
  // A writer that never ends its line must not make the buffer grow without end.
  if (g_pending.size() > 1024) g_pending.clear();
}

void HarnessPadClose() {
  if (g_fd < 0) return;
  close(g_fd);
  g_fd = -1;
  g_pending.clear();
  plat::VirtualPadDetach();
}
