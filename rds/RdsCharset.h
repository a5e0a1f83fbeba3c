#pragma once
// The RDS character table (EN 50067 / IEC 62106 Annex E, the basic G0 table)
// that station names and radio texts are sent in, to and from UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

// Control codes with a meaning in radio text.
constexpr uint8_t kRdsLineBreak = 0x0A;
constexpr uint8_t kRdsEndOfHeadline = 0x0B;
constexpr uint8_t kRdsEndOfText = 0x0D;
constexpr uint8_t kRdsSoftHyphen = 0x1F;

constexpr char32_t kRdsUnmapped = 0;
// What an RDS byte with no character (control codes, 0x7F, 0xFF) shows as,
// so that a name keeps its width.
constexpr char32_t kRdsUnmappedShownAs = U' ';
// What the encoder sends for a character the table does not have.
constexpr uint8_t kRdsSubstitute = '?';

// The Unicode code point of an RDS byte, or kRdsUnmapped.
char32_t RdsCodePoint(uint8_t rdsByte);

// RDS bytes to UTF-8, each byte to one character.
std::string RdsToUtf8(std::string_view rdsBytes);

// UTF-8 to RDS bytes, each character to one byte (kRdsSubstitute where the
// table has none; malformed UTF-8 bytes each become one substitute).
std::string Utf8ToRds(std::string_view utf8);

// One code point as UTF-8.
std::string Utf8FromCodePoint(char32_t codePoint);
