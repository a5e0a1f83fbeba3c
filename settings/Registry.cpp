#include "Registry.h"

#include "HiveConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

// The order of SQLite's NOCASE collation, which is what the registry's
// case-insensitive name order means here.
bool LessTextAscii(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

std::string_view TrimBackslashes(std::string_view path)
{
    const size_t first = path.find_first_not_of('\\');
    if (first == std::string_view::npos)
        return {};
    return path.substr(first, path.find_last_not_of('\\') - first + 1);
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

void PutLittleEndian(uint64_t v, unsigned char* out, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t GetLittleEndian(const std::string& data)
{
    uint64_t v = 0;
    for (size_t i = data.size(); i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(data[i]);
    return v;
}

void BindText(sqlite3_stmt* st, int index, const std::string& text)
{
    sqlite3_bind_text(st, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

HiveConnection& Hive()
{
    return HiveConnection::OfProcess();
}

// Paths compare without regard to case; the read scope keeps them lowered.
std::string LowerAscii(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

TStoredValue ValueAt(sqlite3_stmt* st, int firstColumn)
{
    TStoredValue v;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, firstColumn));
    if (text)
        v.name.assign(text, static_cast<size_t>(sqlite3_column_bytes(st, firstColumn)));
    v.kind = sqlite3_column_int(st, firstColumn + 1);
    const void* bytes = sqlite3_column_blob(st, firstColumn + 2);
    const int size = sqlite3_column_bytes(st, firstColumn + 2);
    if (bytes && size > 0)
        v.data.assign(static_cast<const char*>(bytes), static_cast<size_t>(size));
    return v;
}

TRegistryReadScope* innermostScope = nullptr;

// Room for the values of the keys read most: a preset's, and the main key's.
constexpr size_t ValuesOfAPreset = 3;
constexpr size_t ValuesOfTheMainKey = 40;

}  // namespace

std::string RegistryFilePath()
{
    if (const char* file = std::getenv("TUNZO_REGISTRY"); file && *file)
        return file;
    std::string base;
    // XDG says a relative XDG_CONFIG_HOME is invalid and to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        base = config;
    else
        base = HomeFolder() + "/.config";
    return base + "/tunzo/registry.sqlite";
}

void SetRegistryBusyTimeout(int ms)
{
    Hive().SetBusyTimeout(ms);
}

int RegistryBusyTimeout()
{
    return Hive().BusyTimeout();
}

void CloseRegistryConnection()
{
    Hive().Close();
}

TRegistry::~TRegistry()
{
    try {
        CloseKey();
    } catch (...) {
        // A destructor cannot report; CloseKey has already rolled back.
    }
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate)
{
    CloseKey();
    const std::string_view key = TrimBackslashes(path);
    if (key.empty())
        return false;
    if (!canCreate && innermostScope) {
        bool covered = false;
        const TRegistryReadScope::Key* held = innermostScope->Find(key, covered);
        if (covered) {
            if (!held)
                return false;
            open_ = true;
            fromScope_ = true;
            keyId_ = held->id;
            values_ = &held->values;
            path_.assign(key);
            return true;
        }
    }
    HiveConnection& hive = Hive();
    if (!hive.Begin(canCreate ? HiveConnection::Access::Write : HiveConnection::Access::Read))
        return false;
    path_.assign(key);
    try {
        if (!FindKey(path_, canCreate)) {
            hive.End();
            path_.clear();
            return false;
        }
    } catch (...) {
        hive.End();
        path_.clear();
        throw;
    }
    open_ = true;
    return true;
}

bool TRegistry::FindKey(const std::string& path, bool canCreate)
{
    HiveConnection& hive = Hive();
    auto lookUp = [&]() -> bool {
        sqlite3_stmt* st = hive.Prepared(HiveConnection::FindKey);
        if (!st)
            throw ERegistryException("Failed to get data for '" + path + "'");
        BindText(st, 1, path);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            keyId_ = sqlite3_column_int64(st, 0);
        sqlite3_reset(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw ERegistryException("Failed to get data for '" + path + "'");
        return rc == SQLITE_ROW;
    };
    if (lookUp())
        return true;
    if (!canCreate)
        return false;

    // As in the registry, creating a key creates the keys above it.
    sqlite3_stmt* st = hive.Prepared(HiveConnection::InsertKey);
    bool ok = st != nullptr;
    for (size_t end = path.find('\\'); ok; end = path.find('\\', end + 1)) {
        BindText(st, 1, path.substr(0, end));
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
        if (end == std::string::npos)
            break;
    }
    return ok && lookUp();
}

void TRegistry::CloseKey()
{
    if (!open_)
        return;
    const bool wrote = wrote_;
    const bool fromScope = fromScope_;
    const std::string key = path_;
    open_ = false;
    fromScope_ = false;
    keyId_ = 0;
    path_.clear();
    wrote_ = false;
    values_ = nullptr;
    ownValues_.clear();
    if (!fromScope && !Hive().End() && wrote)
        throw ERegistryException("Failed to set data for '" + key + "'");
}

const TStoredValue* TRegistry::Fetch(std::string_view name)
{
    if (!open_)
        throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
    if (!values_) {
        sqlite3_stmt* st = Hive().Prepared(HiveConnection::ReadValues);
        if (!st)
            throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
        sqlite3_bind_int64(st, 1, keyId_);
        int rc;
        ownValues_.reserve(ValuesOfTheMainKey);
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            ownValues_.push_back(ValueAt(st, 0));
        sqlite3_reset(st);
        if (rc != SQLITE_DONE) {
            ownValues_.clear();
            throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
        }
        values_ = &ownValues_;
    }
    for (const TStoredValue& v : *values_)
        if (SameTextAscii(v.name, name))
            return &v;
    return nullptr;
}

void TRegistry::Store(const std::string& name, RegistryValueType kind, const void* data, size_t size)
{
    sqlite3_stmt* st = open_ && !fromScope_ ? Hive().Prepared(HiveConnection::StoreValue) : nullptr;
    if (!st)
        throw ERegistryException("Failed to set data for '" + name + "'");
    sqlite3_bind_int64(st, 1, keyId_);
    BindText(st, 2, name);
    sqlite3_bind_int(st, 3, static_cast<int>(kind));
    // A null pointer would bind NULL; an empty string is an empty blob.
    sqlite3_bind_blob(st, 4, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to set data for '" + name + "'");
    wrote_ = true;
    // Read again at the next use: the stored name keeps the case it had.
    values_ = nullptr;
    ownValues_.clear();
}

bool TRegistry::ValueExists(std::string_view name)
{
    return Fetch(name) != nullptr;
}

std::string TRegistry::ReadString(std::string_view name)
{
    const TStoredValue* v = Fetch(name);
    if (!v)
        return {};
    // Kind 2 is the registry's expandable string; other writers may use it.
    if (v->kind != static_cast<int32_t>(RegistryValueType::String) && v->kind != 2)
        throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    // Writers that keep the C terminator still read as the text before it.
    return v->data.substr(0, v->data.find('\0'));
}

const std::string& TRegistry::FetchBytes(std::string_view name, RegistryValueType kind, size_t size)
{
    const TStoredValue* v = Fetch(name);
    if (!v)
        throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
    if (v->kind != static_cast<int32_t>(kind) || v->data.size() != size)
        throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
    return v->data;
}

int32_t TRegistry::ReadInteger(std::string_view name)
{
    const std::string& bytes = FetchBytes(name, RegistryValueType::Integer, sizeof(uint32_t));
    return static_cast<int32_t>(static_cast<uint32_t>(GetLittleEndian(bytes)));
}

bool TRegistry::ReadBool(std::string_view name)
{
    return ReadInteger(name) != 0;
}

double TRegistry::ReadFloat(std::string_view name)
{
    const uint64_t bits = GetLittleEndian(FetchBytes(name, RegistryValueType::Binary, sizeof(double)));
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    Store(name, RegistryValueType::String, value.data(), value.size());
}

void TRegistry::WriteInteger(const std::string& name, int32_t value)
{
    unsigned char bytes[4];
    PutLittleEndian(static_cast<uint32_t>(value), bytes, 4);
    Store(name, RegistryValueType::Integer, bytes, sizeof bytes);
}

void TRegistry::WriteBool(const std::string& name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteFloat(const std::string& name, double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char bytes[8];
    PutLittleEndian(bits, bytes, 8);
    Store(name, RegistryValueType::Binary, bytes, sizeof bytes);
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    std::vector<std::string> names;
    if (!open_)
        return names;
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

TRegistryReadScope::TRegistryReadScope(const std::string& path) : root_(TrimBackslashes(path))
{
    HiveConnection& hive = Hive();
    active_ = hive.Begin(HiveConnection::Access::Read);
    if (!active_)
        return;
    try {
        ReadKeys(root_);
    } catch (...) {
        hive.End();
        throw;
    }
    outer_ = innermostScope;
    innermostScope = this;
}

void TRegistryReadScope::ReadKeys(const std::string& path)
{
    HiveConnection& hive = Hive();
    std::vector<std::pair<int64_t, Key*>> byId;
    sqlite3_stmt* st = hive.Prepared(HiveConnection::ReadKeysUnder);
    int rc = SQLITE_ERROR;
    if (st) {
        BindText(st, 1, root_);
        BindText(st, 2, root_ + "\\");
        BindText(st, 3, root_ + "]");
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            const std::string_view below = PathBelowRoot(text ? text : "");
            Key& key = keys_[LowerAscii(std::string(below))];
            key.id = sqlite3_column_int64(st, 0);
            key.values.reserve(ValuesOfAPreset);
            byId.emplace_back(key.id, &key);
        }
        sqlite3_reset(st);
    }
    std::sort(byId.begin(), byId.end());
    if (rc == SQLITE_DONE && !byId.empty() && (st = hive.Prepared(HiveConnection::ReadAllValues))) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const std::pair<int64_t, Key*> wanted(sqlite3_column_int64(st, 0), nullptr);
            const auto it = std::lower_bound(byId.begin(), byId.end(), wanted);
            if (it != byId.end() && it->first == wanted.first)
                it->second->values.push_back(ValueAt(st, 1));
        }
        sqlite3_reset(st);
    }
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + path + "'");
}

std::string_view TRegistryReadScope::PathBelowRoot(std::string_view path) const
{
    return path.size() > root_.size() ? path.substr(root_.size() + 1) : std::string_view();
}

TRegistryReadScope::~TRegistryReadScope()
{
    if (!active_)
        return;
    innermostScope = outer_;
    Hive().End();
}

const TRegistryReadScope::Key* TRegistryReadScope::Find(std::string_view path, bool& covered) const
{
    covered = path.size() >= root_.size() && SameTextAscii(path.substr(0, root_.size()), root_) &&
              (path.size() == root_.size() || path[root_.size()] == '\\');
    if (!covered)
        return nullptr;
    const auto it = keys_.find(LowerAscii(std::string(PathBelowRoot(path))));
    return it == keys_.end() ? nullptr : &it->second;
}
