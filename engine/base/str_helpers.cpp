#include "engine/base/str_helpers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

void StrCopy(char* dst, const char* src) { memcpy(dst, src, strlen(src) + 1); }

void StrAppend(char* dst, const char* src) { StrCopy(dst + strlen(dst), src); }

const char* StrFindCharMB(const char* text, int c) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (IsLead(*p)) {
      if (!p[1]) break;
      ++p;
      continue;
    }
    if (*p == static_cast<unsigned char>(c)) return reinterpret_cast<const char*>(p);
  }
  return nullptr;
}

int StrCompare(const char* a, const char* b) { return strcmp(a, b) == 0 ? 0 : 1; }

void StrToUpperMB(char* text) {
  for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
    if (IsLead(*p)) {
      if (!p[1]) break;
      ++p;
    } else if (*p >= 'a' && *p <= 'z') {
      *p = static_cast<unsigned char>(*p - 'a' + 'A');
    }
  }
}

int CountCharsMB(const char* text, int n) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  int count = 0;
  for (int i = 0; i < n && p[i]; ++count) i += IsLead(p[i]) && p[i + 1] ? 2 : 1;
  return count;
}

int StrToInt(const char* text) {
  const char* p = text;
  while (*p && *p != '-' && !(*p >= '0' && *p <= '9')) ++p;
  if (!*p) return -1;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  // At most 32 digits are collected; a longer run is read to its end but not used.
  char digits[32];
  int n = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (n < 32) digits[n++] = *p;
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v * 10u + static_cast<uint32_t>(digits[i] - '0');
  if (negative) v = 0u - v;
  return static_cast<int>(v);
}

int ParseIntAfterBlank(const char* line) {
  const char* blank = strchr(line, ' ');
  return blank ? StrToInt(blank + 1) : -1;
}

int IntToStr(int value, char* out, int radix) {
  if (radix < 2 || radix > 36) {
    if (out) out[0] = 0;
    return -1;
  }
  if (value == 0) {
    out[0] = '0';
    out[1] = 0;
    return 0;
  }
  char digits[32];
  int n = 0;
  uint32_t mag = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  while (mag && n < 32) {
    uint32_t d = mag % static_cast<uint32_t>(radix);
    digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
    mag /= static_cast<uint32_t>(radix);
  }
  int o = 0;
  if (value < 0) out[o++] = '-';
  while (n) out[o++] = digits[--n];
  out[o] = 0;
  return 0;
}

void MemFill(void* p, int byte, size_t n) { memset(p, byte, n); }

void MemCopy(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  for (size_t i = 0; i < n; ++i) d[i] = s[i];
}

void MemMove(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  if (s < d) {
    for (size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  } else {
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
  }
}

int MemCompare(const void* a, const void* b, size_t n) { return memcmp(a, b, n) == 0 ? 0 : 1; }

int MemDiffersN(const void* a, const void* b, int n) {
  if (n < 0) return 1;
  return memcmp(a, b, static_cast<size_t>(n)) == 0 ? 0 : 1;
}

void SinCosF(float angle, float* s, float* c) {
  if (s) *s = sinf(angle);
  if (c) *c = cosf(angle);
}

int AbsInt(int v) { return v < 0 ? static_cast<int>(0u - static_cast<uint32_t>(v)) : v; }
float AbsFloat(float v) { return fabsf(v); }
float SqrtF(float v) { return sqrtf(v); }

int FormatString(char* buffer, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vsprintf(buffer, format, ap);
  va_end(ap);
  return 0;
}

int FormatStringV(char* buffer, const char* format, va_list args) { return vsprintf(buffer, format, args); }

int FloatToInt(float v) { return TruncToIntIndefinite(static_cast<double>(v)); }
int DoubleToInt(double v) { return TruncToIntIndefinite(v); }

void RectDoubleToInt(const double in[4], int out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = TruncToIntIndefinite(in[i]);
}
