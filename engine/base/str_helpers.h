// Byte-string, memory and number helpers over Shift-JIS text (a lead byte 0x81-0x9F or 0xE0-0xFC
// starts a two-byte character).
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

constexpr int kIntToStrBufferSize = 34;   // 32 binary digits, a sign and the NUL

void StrCopy(char* dst, const char* src);
void StrAppend(char* dst, const char* src);
const char* StrFindCharMB(const char* text, int c);
int StrCompare(const char* a, const char* b);              // 0 equal, 1 otherwise
void StrToUpperMB(char* text);
int CountCharsMB(const char* text, int n);                 // characters in the first n bytes; stops at a NUL
int StrToInt(const char* text);                             // -1 without a digit or minus sign
int ParseIntAfterBlank(const char* line);                   // StrToInt after the first blank; -1 without one
int IntToStr(int value, char* out, int radix);              // 0; -1 for a radix outside 2..36
void MemFill(void* p, int byte, size_t n);
void MemCopy(void* dst, const void* src, size_t n);
void MemMove(void* dst, const void* src, size_t n);
int MemCompare(const void* a, const void* b, size_t n);     // 0 equal, 1 otherwise
int MemDiffersN(const void* a, const void* b, int n);       // 1 also for a negative n
void SinCosF(float angle, float* s, float* c);
int AbsInt(int v);
float AbsFloat(float v);
float SqrtF(float v);
int FormatString(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
int FormatStringV(char* buffer, const char* format, va_list args);
int FloatToInt(float v);
int DoubleToInt(double v);

// Truncation toward zero whatever the rounding mode; out-of-range values and NaN give the
// processor's "integer indefinite" INT_MIN instead of undefined behaviour.
inline int TruncToIntIndefinite(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int>(v);
}

void RectDoubleToInt(const double in[4], int out[4]);
