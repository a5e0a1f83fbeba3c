// Which keys a key has under it: the subkey list, and whether a key without
// a row of its own exists through the keys below it.

#include "Registry.h"

#include "HiveConnection.h"
#include "RegistryText.h"

#include <sqlite3.h>

#include <algorithm>

namespace {

HiveConnection& Hive()
{
    return HiveConnection::OfProcess();
}

}  // namespace

bool TRegistry::HasKeyBelow(const std::string& path)
{
    sqlite3_stmt* st = Hive().Prepared(HiveConnection::FindKeyBelow);
    if (!st)
        throw ERegistryException("Failed to get data for '" + path + "'");
    BindText(st, 1, path + "\\");
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + path + "'");
    return rc == SQLITE_ROW;
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    std::vector<std::string> names;
    if (!open_)
        return names;
    if (scope_)
        return scope_->SubkeyNames(path_);
    sqlite3_stmt* st = Hive().Prepared(HiveConnection::ListKeys);
    const std::string prefix = path_ + "\\";
    int rc = SQLITE_DONE;
    while (st && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const std::string_view path = text ? text : "";
        if (path.size() <= prefix.size() || !SameTextAscii(path.substr(0, prefix.size()), prefix))
            continue;
        // Another writer may have created a deeper key without the one between.
        std::string_view rest = path.substr(prefix.size());
        std::string name(rest.substr(0, rest.find('\\')));
        if (name.empty())
            continue;
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameTextAscii(n, name); }))
            names.push_back(std::move(name));
    }
    if (st)
        sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + path_ + "'");
    std::sort(names.begin(), names.end(), LessTextAscii);
    return names;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info)
{
    if (!open_)
        return false;
    const std::vector<std::string> names = GetKeyNames();
    info.NumSubKeys = static_cast<int32_t>(names.size());
    info.MaxSubKeyLen = 0;
    for (const std::string& n : names)
        info.MaxSubKeyLen = std::max(info.MaxSubKeyLen, static_cast<int32_t>(n.size()));
    return true;
}
