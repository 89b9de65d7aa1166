// Shared small routines of the game: angles in 1/60 degree (21600 a turn, 0 right, 5400 down),
// polar steps, distances, wobble tables, the playfield bounds, the text file's keystream, the
// unused xorshift generator, whole-file helpers and the game's timers.
#pragma once
#include <cstdint>
#include <string>

// 32-bit arithmetic that wraps, for the values defined on 32 bits (signed overflow is undefined).
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
// Milliseconds from one reading of the wrapping millisecond clock to a later one.
inline int32_t ElapsedMs(int32_t from, int32_t to) { return WrapSub(to, from); }
// A colour channel's value held to 0..255.
inline int32_t ClampByte(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int32_t>(v); }

// Angles.
int NormalizeAngle(int a);                       // (a + 21600) % 21600, right for a >= -21600
float AngleToRadians(int angle);                 // float(angle x (double)3.1415927f / 10800.0)
double SinOfFloat(float r);
double CosOfFloat(float r);
// The one trig x length step: the product rounded to single precision, then truncated toward
// zero (saturated to the int range). Every trig x length of play goes through it.
int TrigTimes(double trig, int length);
void PolarToXY(int* dx, int* dy, int angle, int length);
// trunc(sin(float(n) x pi / d) x f) and the cosine, the angle taken in single precision.
int ScriptSin(int n, float d, int f);
int ScriptCos(int n, float d, int f);
void AddPolarToXY(int* x, int* y, int angle, int length);
int AngleBetween(int x0, int y0, int x1, int y1);
int TurnAngleToward(int angle, int target, int n);
int MirrorAngleVertical(int a);
int DistanceSq(int x0, int y0, int x1, int y1);  // 32-bit wrapping
int BitIndexOfPowerOfTwo(uint32_t v);            // n for v = 2^n, else -1
int GetWobble16(int i);
int GetWobble32(int i);
bool RectsOverlap(int x0, int y0, int w0, int h0, int x1, int y1, int w1, int h1);
int IntLog(int base, int v);                     // n in 0..15 with base^n = v, else -1
bool TestBit(uint32_t v, int n);

// Playfield bounds; points on the edges are inside.
void SetPlayfieldBounds(int left, int top, int right, int bottom);
bool IsOutsidePlayfield(int x, int y);

// The text file's keystream (an LCG of its own; nothing in play draws from it).
void SeedDataKeystream(uint32_t seed);
uint32_t NextDataKeystream();                    // 0..65535

// The xorshift generator that replays seed and nothing draws from.
void SeedXorShift(uint32_t v);
uint32_t NextXorShift();

// Whole-file helpers on the game's own files (never through archives). WriteWholeFile writes a
// temporary file beside the target and renames it over, so a failed write leaves the old file:
// n, or -1 when anything failed. ReadFileToBuffer returns the bytes read (at most n), or -1
// when the file does not open.
int WriteWholeFile(const char* name, const void* buffer, int n);
int ReadFileToBuffer(const char* name, void* buffer, int n);
int64_t GetFileSizeByName(const char* name);     // -1 when missing
const char* WholeFileWriteError();               // why the last failed WriteWholeFile failed

// Messages about the game's files: the current folder as an absolute path, and one stderr line
// for a data file that could not be read, naming where it was looked for (a file the engine
// reads through the archive layer may also come from the archive standing for its folder).
std::string CurrentFolderPath();
void SayDataFileUnreadable(const char* name, bool archived);
inline int WriteWholeFile2(const char* name, const void* buffer, int n) {
  return WriteWholeFile(name, buffer, n);
}
inline int ReadFileToBuffer2(const char* name, void* buffer, int n) {
  return ReadFileToBuffer(name, buffer, n);
}

// Timers: the run start (start-up time) and the session start (0: no session timed).
void InitGameTimers();
int GetRunStartTime();
void SetRunStartTime(int ms);
int GetSessionStartTime();
void SetSessionStartTime(int ms);
