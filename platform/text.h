// Text conversion at the edges of the system: engine strings are CP932 bytes; the desktop, file
// names and fonts want UTF-8 or Unicode code points. Bytes that do not decode are replaced, never
// passed through.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);   // characters without a CP932 form become '?'
uint32_t Cp932CharToUnicode(uint32_t code);       // code: byte, or lead << 8 | trail; 0xFFFD if none
bool IsCp932Lead(uint8_t byte);                    // 0x81-0x9F or 0xE0-0xFC

// The character set of the user's locale ("UTF-8", "EUC-JP", ...; "ANSI_X3.4-1968" for the C
// locale), read without changing the program's own locale.
std::string UserLocaleCodeset();
// CP932 text in another character set (an iconv name); what it cannot hold becomes '?'.
std::string Cp932ToCodeset(std::string_view cp932, const char* codeset);
// CP932 text for the terminal: in the user's locale's character set.
std::string Cp932ToTerminal(std::string_view cp932);

}  // namespace plat
