#include "Registry.h"

#include "HiveConnection.h"
#include "RegistryText.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace {

TRegistryReadScope* innermostScope = nullptr;

// Room for the values of most keys: a preset's three, and their names and
// data.
constexpr size_t ValuesOfAPreset = 3;
constexpr size_t BytesOfAPreset = 80;

}  // namespace

TRegistryReadScope::TRegistryReadScope(const std::string& path) : root_(TrimBackslashes(path))
{
    if (root_.empty() || Covering(root_))
        return;
    HiveConnection& hive = HiveConnection::OfProcess();
    if (!hive.Begin(HiveConnection::Access::Read))
        return;
    try {
        ReadKeys();
        ReadValues();
    } catch (...) {
        hive.End();
        throw;
    }
    // Everything is in memory: holding the snapshot open longer would only
    // keep writes made in the meantime from waiting for their lock.
    hive.End();
    active_ = true;
    outer_ = innermostScope;
    innermostScope = this;
}

TRegistryReadScope::~TRegistryReadScope()
{
    if (active_)
        innermostScope = outer_;
}

const TRegistryReadScope* TRegistryReadScope::Covering(std::string_view path)
{
    for (const TRegistryReadScope* scope = innermostScope; scope; scope = scope->outer_)
        if (scope->Covers(path))
            return scope;
    return nullptr;
}

bool TRegistryReadScope::Covers(std::string_view path) const
{
    return StartsWithTextAscii(path, root_) && (path.size() == root_.size() || path[root_.size()] == '\\');
}

std::string_view TRegistryReadScope::PathBelowRoot(std::string_view path) const
{
    return path.size() > root_.size() ? path.substr(root_.size() + 1) : std::string_view();
}

void TRegistryReadScope::ReadKeys()
{
    sqlite3_stmt* st = HiveConnection::OfProcess().Prepared(HiveConnection::ReadKeysInOrder);
    int rc = SQLITE_ERROR;
    while (st && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        const std::string_view path(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, 1)));
        // The keys beside the scope's that share its start ("Tunzo2" beside
        // "Tunzo") sort among its own.
        if (Covers(path))
            keys_.push_back(Key{sqlite3_column_int64(st, 0), std::string(PathBelowRoot(path))});
    }
    if (st)
        sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + root_ + "'");
    // The index gives this order, except where SQLite's comparison stops
    // short (at a zero byte another program put in a path); the searches
    // below need it exactly.
    auto byPath = [](const Key& a, const Key& b) { return LessTextAscii(a.below, b.below); };
    if (!std::is_sorted(keys_.begin(), keys_.end(), byPath))
        std::sort(keys_.begin(), keys_.end(), byPath);
}

void TRegistryReadScope::ReadValues()
{
    if (keys_.empty())
        return;
    std::vector<std::pair<int64_t, uint32_t>> byId;
    byId.reserve(keys_.size());
    for (uint32_t i = 0; i < keys_.size(); ++i)
        byId.emplace_back(keys_[i].id, i);
    std::sort(byId.begin(), byId.end());

    // The table comes in its own order, which interleaves the keys; each
    // value is kept with the index of its key and put in its key's place
    // once all are read, so that a key's values lie side by side.
    struct Arrival {
        uint32_t owner;
        StoredValuePlace place;
    };
    std::vector<Arrival> arrivals;
    arrivals.reserve(keys_.size() * ValuesOfAPreset);
    bytes_.reserve(keys_.size() * BytesOfAPreset);
    // A key's values were mostly written together and follow one another:
    // the key of the row before saves most of the searches.
    int64_t lastId = 0;
    const uint32_t* lastOwner = nullptr;
    sqlite3_stmt* st = HiveConnection::OfProcess().Prepared(HiveConnection::ReadAllValues);
    int rc = SQLITE_ERROR;
    while (st && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        const int64_t id = sqlite3_column_int64(st, 0);
        if (!lastOwner || id != lastId) {
            const auto it = std::lower_bound(byId.begin(), byId.end(), std::make_pair(id, uint32_t{0}));
            lastId = id;
            lastOwner = it != byId.end() && it->first == id ? &it->second : nullptr;
            if (!lastOwner)
                continue;
        }
        arrivals.push_back({*lastOwner, AppendStoredValue(st, 1, bytes_)});
        ++keys_[*lastOwner].valueCount;
    }
    if (st)
        sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + root_ + "'");

    uint32_t next = 0;
    for (Key& key : keys_) {
        key.firstValue = next;
        next += key.valueCount;
    }
    values_.resize(arrivals.size());
    std::vector<uint32_t> placed(keys_.size(), 0);
    for (const Arrival& arrival : arrivals)
        values_[keys_[arrival.owner].firstValue + placed[arrival.owner]++] = arrival.place.In(bytes_);
}

const TRegistryReadScope::Key* TRegistryReadScope::Find(std::string_view path) const
{
    const std::string_view below = PathBelowRoot(path);
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), below,
                                     [](const Key& key, std::string_view wanted) { return LessTextAscii(key.below, wanted); });
    if (it != keys_.end() && SameTextAscii(it->below, below))
        return &*it;
    // The keys under it, if any, follow where it would stand.
    if (below.empty())
        return keys_.empty() ? nullptr : &impliedKey_;
    const auto under = std::lower_bound(it, keys_.end(), std::string(below) + "\\",
                                        [](const Key& key, const std::string& wanted) { return LessTextAscii(key.below, wanted); });
    const bool hasKeyBelow = under != keys_.end() && StartsWithTextAscii(under->below, std::string(below) + "\\");
    return hasKeyBelow ? &impliedKey_ : nullptr;
}

std::span<const TStoredValue> TRegistryReadScope::ValuesOf(const Key& key) const
{
    return std::span<const TStoredValue>(values_).subspan(key.firstValue, key.valueCount);
}

std::vector<std::string> TRegistryReadScope::SubkeyNames(std::string_view path) const
{
    std::string prefix(PathBelowRoot(path));
    if (!prefix.empty())
        prefix += '\\';
    // A key's descendants lie side by side in the key order.
    auto it = std::lower_bound(keys_.begin(), keys_.end(), std::string_view(prefix),
                               [](const Key& key, std::string_view wanted) { return LessTextAscii(key.below, wanted); });
    std::vector<std::string> names;
    for (; it != keys_.end() && StartsWithTextAscii(it->below, prefix); ++it) {
        // Another writer may have created a deeper key without the one between.
        const std::string_view rest = std::string_view(it->below).substr(prefix.size());
        const std::string_view name = rest.substr(0, rest.find('\\'));
        if (!name.empty())
            names.emplace_back(name);
    }
    // A deeper key's name is met again after its siblings that sort between
    // "name" and "name\": "A", "A2", "A\B".
    std::stable_sort(names.begin(), names.end(), LessTextAscii);
    names.erase(std::unique(names.begin(), names.end(), SameTextAscii), names.end());
    return names;
}
