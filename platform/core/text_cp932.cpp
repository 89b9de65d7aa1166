// CP932 <-> Unicode with glibc iconv ("CP932": its 0x5C and 0x7E are the ASCII backslash and tilde,
// as file names and escapes need). Decoding goes through a table built once from iconv, so a bad
// byte is replaced at a known place and never passed on.
#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/text.h"

namespace plat {
namespace {

constexpr uint16_t kNone = 0xFFFD;
uint16_t g_toUnicode[65536];  // single bytes at their value, pairs at lead << 8 | trail
std::once_flag g_tableOnce;

bool IsCp932Trail(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// One CP932 character (1 or 2 bytes) through iconv; kNone when it does not map to one code point.
uint16_t DecodeOne(iconv_t cd, const char* bytes, size_t n) {
  char* in = const_cast<char*>(bytes);
  size_t inLeft = n;
  unsigned char out[8];
  char* outPtr = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof(out);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) return kNone;
  if (sizeof(out) - outLeft != 4) return kNone;
  const uint32_t cp = out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24;
  return cp <= 0xFFFF ? uint16_t(cp) : kNone;
}

void BuildTable() {
  for (auto& v : g_toUnicode) v = kNone;
  iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (cd == iconv_t(-1)) {
    for (int b = 0; b < 0x80; b++) g_toUnicode[b] = uint16_t(b);  // ASCII still decodes
    return;
  }
  for (int b = 0; b < 0x100; b++) {
    if (IsCp932Lead(uint8_t(b))) continue;
    const char c = char(b);
    g_toUnicode[b] = DecodeOne(cd, &c, 1);
  }
  for (int lead = 0x81; lead <= 0xFC; lead++) {
    if (!IsCp932Lead(uint8_t(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; trail++) {
      if (!IsCp932Trail(uint8_t(trail))) continue;
      const char pair[2] = {char(lead), char(trail)};
      g_toUnicode[lead << 8 | trail] = DecodeOne(cd, pair, 2);
    }
  }
  iconv_close(cd);
}

const uint16_t* Table() {
  std::call_once(g_tableOnce, BuildTable);
  return g_toUnicode;
}

void AppendUtf8(std::string& s, uint32_t cp) {
  if (cp < 0x80) {
    s += char(cp);
  } else if (cp < 0x800) {
    s += char(0xC0 | cp >> 6);
    s += char(0x80 | (cp & 0x3F));
  } else {
    s += char(0xE0 | cp >> 12);
    s += char(0x80 | (cp >> 6 & 0x3F));
    s += char(0x80 | (cp & 0x3F));
  }
}

// Bytes of the (possibly broken) UTF-8 sequence at p, at least 1.
size_t Utf8SkipLength(const unsigned char* p, size_t left) {
  size_t len = 1;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) len = 2;
  else if (p[0] >= 0xE0 && p[0] <= 0xEF) len = 3;
  else if (p[0] >= 0xF0 && p[0] <= 0xF4) len = 4;
  size_t n = 1;
  while (n < len && n < left && (p[n] & 0xC0) == 0x80) n++;
  return n;
}

// UTF-8 through an open descriptor; a character the target cannot hold, or a broken sequence,
// becomes one '?'.
std::string FromUtf8(iconv_t cd, std::string_view utf8) {
  std::string out;
  if (cd == iconv_t(-1)) {
    for (unsigned char c : utf8) out += c < 0x80 ? char(c) : '?';
    return out;
  }
  out.reserve(utf8.size());
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[256];
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof(buf);
    const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buf, sizeof(buf) - oLeft);
    if (r != size_t(-1)) continue;
    if (errno == E2BIG) continue;
    out += '?';
    const size_t skip = Utf8SkipLength(reinterpret_cast<unsigned char*>(in), inLeft);
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Shift sequences back to the initial state, for stateful targets.
  char tail[16];
  char* o = tail;
  size_t oLeft = sizeof(tail);
  if (iconv(cd, nullptr, nullptr, &o, &oLeft) != size_t(-1)) out.append(tail, sizeof(tail) - oLeft);
  return out;
}

bool IsUtf8Name(const char* codeset) {
  return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0;
}

// One open conversion per thread, kept while the target stays the same.
struct CodesetEncoder {
  std::string codeset;
  iconv_t cd = iconv_t(-1);
  ~CodesetEncoder() {
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
  iconv_t For(const char* name) {
    if (codeset != name) {
      if (cd != iconv_t(-1)) iconv_close(cd);
      codeset = name;
      cd = iconv_open(name, "UTF-8");
    }
    return cd;
  }
};

}  // namespace

bool IsCp932Lead(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

uint32_t Cp932CharToUnicode(uint32_t code) {
  if (code > 0xFFFF) return kNone;
  if (code <= 0xFF && IsCp932Lead(uint8_t(code))) return kNone;  // half a character
  return Table()[code];
}

std::string Cp932ToUtf8(std::string_view cp932) {
  const uint16_t* t = Table();
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const size_t n = cp932.size();
  for (size_t i = 0; i < n;) {
    const uint8_t b = p[i];
    if (IsCp932Lead(b)) {
      if (i + 1 < n && IsCp932Trail(p[i + 1])) {
        AppendUtf8(out, t[b << 8 | p[i + 1]]);
        i += 2;
      } else {
        AppendUtf8(out, kNone);  // a lead byte without its trail; the next byte stands alone
        i += 1;
      }
    } else {
      AppendUtf8(out, t[b]);
      i += 1;
    }
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  // Its own descriptor, so terminal output between calls does not reopen this one.
  thread_local CodesetEncoder enc;
  return FromUtf8(enc.For("CP932"), utf8);
}

std::string UserLocaleCodeset() {
  // The user's choice as the C library reads it (LC_ALL, LC_CTYPE, LANG), without switching the
  // program's own locale; remembered while those settings stay the same.
  thread_local std::string key = "\x01", codeset;
  std::string now;
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    now += v ? v : "";
    now += '\0';
  }
  if (now == key) return codeset;
  key = now;
  codeset = "ANSI_X3.4-1968";
  locale_t loc = newlocale(LC_CTYPE_MASK, "", locale_t(0));
  if (loc != locale_t(0)) {
    const char* name = nl_langinfo_l(CODESET, loc);
    if (name && *name) codeset = name;
    freelocale(loc);
  }
  return codeset;
}

std::string Cp932ToCodeset(std::string_view cp932, const char* codeset) {
  std::string utf8 = Cp932ToUtf8(cp932);
  if (!codeset || IsUtf8Name(codeset)) return utf8;
  thread_local CodesetEncoder enc;
  return FromUtf8(enc.For(codeset), utf8);
}

std::string Cp932ToTerminal(std::string_view cp932) { return Cp932ToCodeset(cp932, UserLocaleCodeset().c_str()); }

}  // namespace plat
