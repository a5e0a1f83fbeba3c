#pragma once
// Key paths and value names as the registry compares them: without regard to
// case, in the order of SQLite's NOCASE collation (ASCII letters folded, then
// bytes compared), which is the order of the hive's path index.

#include <algorithm>
#include <string_view>

inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Each compares the bytes as they are first: a name is nearly always written
// as it is stored, and folding every character is what lookups would
// otherwise spend their time on.
inline bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a == b)
        return true;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

inline bool LessTextAscii(std::string_view a, std::string_view b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i] == b[i])
            continue;
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

inline bool StartsWithTextAscii(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

inline std::string_view TrimBackslashes(std::string_view path)
{
    const size_t first = path.find_first_not_of('\\');
    if (first == std::string_view::npos)
        return {};
    return path.substr(first, path.find_last_not_of('\\') - first + 1);
}
