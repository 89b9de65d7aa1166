#include "game/framework/game_math.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "game/framework/engine_entries.h"
#include "platform/files.h"

namespace {

struct PlayfieldBounds {
  int left = -16, top = -16, right = 656, bottom = 496;
};
PlayfieldBounds g_bounds;

uint32_t g_keystream = 0;
uint32_t g_xorshift[4] = {123456789u, 362436069u, 521288629u, 88675123u};
int g_runStart = 0;
int g_sessionStart = 0;
int g_writeError = 0;   // errno of the last failed WriteWholeFile

constexpr int kWobble16[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, -1, -2, -3, -3, -2, -1, 0};
constexpr int kWobble32[32] = {0,  3,  5,  7,  8,  9,  10,  11,  11,  11,  10,
                               9,  8,  7,  5,  3,  0,  -3,  -5,  -7,  -8,  -9,
                               -10, -11, -11, -11, -10, -9, -8, -7, -5, -3};

}  // namespace

int NormalizeAngle(int a) {
  return static_cast<int>((static_cast<int64_t>(a) + 21600) % 21600);
}

float AngleToRadians(int angle) {
  return static_cast<float>(static_cast<double>(angle) * static_cast<double>(3.1415927f) / 10800.0);
}

double SinOfFloat(float r) { return std::sin(static_cast<double>(r)); }
double CosOfFloat(float r) { return std::cos(static_cast<double>(r)); }

int TrigTimes(double trig, int length) {
  const float product = static_cast<float>(trig * static_cast<double>(length));
  if (!(product > -2147483648.0f)) return product != product ? 0 : INT32_MIN;
  if (product >= 2147483648.0f) return INT32_MAX;
  return static_cast<int>(product);
}

int ScriptSin(int n, float d, int f) {
  const float r = static_cast<float>(n) * 3.1415927f / d;
  return TrigTimes(SinOfFloat(r), f);
}

int ScriptCos(int n, float d, int f) {
  const float r = static_cast<float>(n) * 3.1415927f / d;
  return TrigTimes(CosOfFloat(r), f);
}

void PolarToXY(int* dx, int* dy, int angle, int length) {
  const float r = AngleToRadians(angle);
  *dx = TrigTimes(CosOfFloat(r), length);
  *dy = TrigTimes(SinOfFloat(r), length);
}

void AddPolarToXY(int* x, int* y, int angle, int length) {
  int dx, dy;
  PolarToXY(&dx, &dy, angle, length);
  *x = static_cast<int>(static_cast<uint32_t>(*x) + static_cast<uint32_t>(dx));
  *y = static_cast<int>(static_cast<uint32_t>(*y) + static_cast<uint32_t>(dy));
}

int AngleBetween(int x0, int y0, int x1, int y1) {
  const double dy = static_cast<double>(y1) - static_cast<double>(y0);
  const double dx = static_cast<double>(x1) - static_cast<double>(x0);
  const double a = std::atan2(dy, dx) * 10800.0 / 3.1415927410125732;
  return NormalizeAngle(static_cast<int>(std::trunc(a)));
}

int TurnAngleToward(int angle, int target, int n) {
  int a = NormalizeAngle(angle);
  for (int i = 0; i < n; ++i) {
    const int64_t d = static_cast<int64_t>(target) - a;
    const int64_t size = d < 0 ? -d : d;
    if (size >= 10800) {
      a += d < 0 ? 1 : -1;
    } else if (d != 0) {
      a += d < 0 ? -1 : 1;
    }
  }
  return NormalizeAngle(a);
}

int MirrorAngleVertical(int a) {
  const int n = NormalizeAngle(a);
  return n < 10800 ? 10800 - n : 32400 - n;
}

int DistanceSq(int x0, int y0, int x1, int y1) {
  const uint32_t dx = static_cast<uint32_t>(x0) - static_cast<uint32_t>(x1);
  const uint32_t dy = static_cast<uint32_t>(y0) - static_cast<uint32_t>(y1);
  return static_cast<int>(dx * dx + dy * dy);
}

int BitIndexOfPowerOfTwo(uint32_t v) {
  if (v == 0 || (v & (v - 1)) != 0) return -1;
  int n = 0;
  while (v > 1) {
    v >>= 1;
    ++n;
  }
  return n;
}

int GetWobble16(int i) { return kWobble16[static_cast<uint32_t>(i) & 15u]; }
int GetWobble32(int i) { return kWobble32[static_cast<uint32_t>(i) & 31u]; }

bool RectsOverlap(int x0, int y0, int w0, int h0, int x1, int y1, int w1, int h1) {
  const int64_t ax = x0, ay = y0, bx = x1, by = y1;
  return ax + w0 > bx && ay + h0 > by && bx + w1 > ax && by + h1 > ay;
}

int IntLog(int base, int v) {
  uint32_t p = 1;
  for (int n = 0; n < 16; ++n) {
    if (static_cast<int>(p) == v) return n;
    p *= static_cast<uint32_t>(base);
  }
  return -1;
}

bool TestBit(uint32_t v, int n) { return ((v >> (static_cast<uint32_t>(n) & 31u)) & 1u) != 0; }

void SetPlayfieldBounds(int left, int top, int right, int bottom) {
  g_bounds = {left, top, right, bottom};
}

bool IsOutsidePlayfield(int x, int y) {
  return x < g_bounds.left || x > g_bounds.right || y < g_bounds.top || y > g_bounds.bottom;
}

void SeedDataKeystream(uint32_t seed) { g_keystream = seed; }

uint32_t NextDataKeystream() {
  g_keystream = g_keystream * 1103515245u + 13245u;
  return g_keystream & 0xFFFFu;
}

void SeedXorShift(uint32_t v) { g_xorshift[0] = v; }

uint32_t NextXorShift() {
  const uint32_t x = g_xorshift[0];
  const uint32_t t = x ^ (x << 11);
  g_xorshift[0] = g_xorshift[1];
  g_xorshift[1] = g_xorshift[2];
  g_xorshift[2] = g_xorshift[3];
  uint32_t w = g_xorshift[3];
  w = w ^ (w >> 19) ^ t ^ (t >> 8);
  g_xorshift[3] = w;
  return w;
}

int WriteWholeFile(const char* name, const void* buffer, int n) {
  if (!name || n < 0 || (!buffer && n > 0)) return -1;
  // A read-only target is replaced, as the player expects a save to work.
  if (plat::FileExists(name)) plat::FileMakeWritable(name);
  const std::string temp = std::string(name) + ".tmp";
  // The reason is taken at the failing step: the clean-up after it may change errno.
  errno = 0;
  plat::File* f = plat::FileOpen(temp.c_str(), plat::OpenMode::WriteTruncate);
  if (!f) {
    g_writeError = errno ? errno : EISDIR;   // opens fail without errno only on a non-file
    return -1;
  }
  const bool written = plat::FileWrite(f, buffer, n) == n;
  int error = written ? 0 : errno ? errno : ENOSPC;
  const bool closed = plat::FileCloseChecked(f);
  if (!closed && !error) error = errno ? errno : EIO;
  if (!error && !plat::FileRename(temp.c_str(), name)) error = errno ? errno : EISDIR;
  if (error) {
    g_writeError = error;
    plat::FileDelete(temp.c_str());
    return -1;
  }
  return n;
}

int ReadFileToBuffer(const char* name, void* buffer, int n) {
  if (!name || n < 0 || (!buffer && n > 0)) return -1;
  plat::File* f = plat::FileOpen(name, plat::OpenMode::ReadExisting);
  if (!f) return -1;
  const int64_t got = plat::FileRead(f, buffer, n);
  plat::FileClose(f);
  return got < 0 ? 0 : static_cast<int>(got);
}

int64_t GetFileSizeByName(const char* name) { return name ? plat::FileSizeByName(name) : -1; }

const char* WholeFileWriteError() { return std::strerror(g_writeError); }

std::string CurrentFolderPath() {
  // Of any length: the start-up check measures a folder deeper than the system's limit with it.
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return ".";
  std::string here = cwd;
  std::free(cwd);
  return here;
}

void SayDataFileUnreadable(const char* name, bool archived) {
  std::string path = name ? name : "";
  for (char& c : path)
    if (c == '\\') c = '/';
  const std::string here = CurrentFolderPath();
  const size_t slash = path.find('/');
  if (archived && slash != std::string::npos) {
    const std::string folder = path.substr(0, slash);
    std::fprintf(stderr, "velmarondix: %s is missing or damaged (looked for in %s/%s.dat and in %s/%s/)\n",
                 path.c_str(), here.c_str(), folder.c_str(), here.c_str(), folder.c_str());
  } else {
    std::fprintf(stderr, "velmarondix: %s/%s is missing or damaged\n", here.c_str(), path.c_str());
  }
}

void InitGameTimers() {
  g_runStart = g_Engine.GetMillisecondCountLocked();
  g_sessionStart = 0;
  SetPlayfieldBounds(-8, -8, 648, 488);
}

int GetRunStartTime() { return g_runStart; }
void SetRunStartTime(int ms) { g_runStart = ms; }
int GetSessionStartTime() { return g_sessionStart; }
void SetSessionStartTime(int ms) { g_sessionStart = ms; }
