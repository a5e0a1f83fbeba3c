#include "RdsCharset.h"

#include <array>

namespace {

// Rows 0x80-0xFF, sixteen a line. 0xFF has no character.
constexpr std::array<char32_t, 128> kUpperHalf = {
    U'á', U'à', U'é', U'è', U'í', U'ì', U'ó', U'ò', U'ú', U'ù', U'Ñ', U'Ç', U'Ş', U'ß', U'¡', U'Ĳ',
    U'â', U'ä', U'ê', U'ë', U'î', U'ï', U'ô', U'ö', U'û', U'ü', U'ñ', U'ç', U'ş', U'ğ', U'ı', U'ĳ',
    U'ª', U'α', U'©', U'‰', U'Ğ', U'ě', U'ň', U'ő', U'π', U'€', U'£', U'$', U'←', U'↑', U'→', U'↓',
    U'º', U'¹', U'²', U'³', U'±', U'İ', U'ń', U'ű', U'µ', U'¿', U'÷', U'°', U'¼', U'½', U'¾', U'§',
    U'Á', U'À', U'É', U'È', U'Í', U'Ì', U'Ó', U'Ò', U'Ú', U'Ù', U'Ř', U'Č', U'Š', U'Ž', U'Ð', U'Ŀ',
    U'Â', U'Ä', U'Ê', U'Ë', U'Î', U'Ï', U'Ô', U'Ö', U'Û', U'Ü', U'ř', U'č', U'š', U'ž', U'đ', U'ŀ',
    U'Ã', U'Å', U'Æ', U'Œ', U'ŷ', U'Ý', U'Õ', U'Ø', U'Þ', U'Ŋ', U'Ŕ', U'Ć', U'Ś', U'Ź', U'Ŧ', U'ð',
    U'ã', U'å', U'æ', U'œ', U'ŵ', U'ý', U'õ', U'ø', U'þ', U'ŋ', U'ŕ', U'ć', U'ś', U'ź', U'ŧ', kRdsUnmapped,
};

constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kDelete = 0x7F;
constexpr uint8_t kFirstUpper = 0x80;

// Where the lower half parts from ASCII.
char32_t LowerHalfCodePoint(uint8_t rdsByte)
{
    switch (rdsByte) {
    case 0x24: return U'¤';  // the dollar sign lives at 0xAB
    case 0x5E: return U'―';
    case 0x60: return U'‖';
    case 0x7E: return U'¯';
    default: return rdsByte;
    }
}

// Reads one UTF-8 character from `text` at `pos`, moving past it; a malformed
// sequence gives kRdsUnmapped and moves one byte.
char32_t NextCodePoint(std::string_view text, size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || pos + extra >= text.size()) {
        ++pos;
        return kRdsUnmapped;
    }
    char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kRdsUnmapped;
        }
        code = code << 6 | (next & 0x3F);
    }
    pos += extra + 1;
    return code;
}

uint8_t RdsByteFor(char32_t code)
{
    if (code == kRdsUnmapped)
        return kRdsSubstitute;
    for (int b = 0; b < 256; ++b) {
        if (RdsCodePoint(static_cast<uint8_t>(b)) == code)
            return static_cast<uint8_t>(b);
    }
    return kRdsSubstitute;
}

}  // namespace

char32_t RdsCodePoint(uint8_t rdsByte)
{
    if (rdsByte == kRdsSoftHyphen)
        return U'\u00AD';
    if (rdsByte < kFirstPrintable || rdsByte == kDelete)
        return kRdsUnmapped;
    if (rdsByte >= kFirstUpper)
        return kUpperHalf[rdsByte - kFirstUpper];
    return LowerHalfCodePoint(rdsByte);
}

std::string Utf8FromCodePoint(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string RdsToUtf8(std::string_view rdsBytes)
{
    std::string out;
    out.reserve(rdsBytes.size());
    for (char b : rdsBytes) {
        const char32_t code = RdsCodePoint(static_cast<uint8_t>(b));
        out += Utf8FromCodePoint(code == kRdsUnmapped ? kRdsUnmappedShownAs : code);
    }
    return out;
}

std::string Utf8ToRds(std::string_view utf8)
{
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size())
        out += static_cast<char>(RdsByteFor(NextCodePoint(utf8, pos)));
    return out;
}
