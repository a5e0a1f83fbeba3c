#include "Registry.h"

#include "HiveConnection.h"
#include "RegistryText.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace {

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

uint64_t GetLittleEndian(std::string_view data)
{
    uint64_t v = 0;
    for (size_t i = data.size(); i-- > 0;)
        v = (v << 8) | static_cast<unsigned char>(data[i]);
    return v;
}

HiveConnection& Hive()
{
    return HiveConnection::OfProcess();
}

// Room for the values of the key read most on its own: the main key.
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

TStoreMark StoreMark()
{
    return Hive().Mark();
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
    if (!canCreate)
        if (const TRegistryReadScope* scope = TRegistryReadScope::Covering(key))
            return OpenFromScope(*scope, key);
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

bool TRegistry::OpenFromScope(const TRegistryReadScope& scope, std::string_view path)
{
    const TRegistryReadScope::Key* held = scope.Find(path);
    if (!held)
        return false;
    open_ = true;
    scope_ = &scope;
    keyId_ = held->id;
    values_ = scope.ValuesOf(*held);
    valuesRead_ = true;
    path_.assign(path);
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
    if (!canCreate) {
        implied_ = HasKeyBelow(path);
        return implied_;
    }

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
    const bool lostWrites = !scope_ && !Hive().End() && wrote_;
    open_ = false;
    scope_ = nullptr;
    keyId_ = 0;
    implied_ = false;
    wrote_ = false;
    valuesRead_ = false;
    values_ = {};
    ownValues_.clear();
    if (lostWrites) {
        const std::string key = path_;
        path_.clear();
        throw ERegistryException("Failed to set data for '" + key + "'");
    }
    // Cleared, not released: a TRegistry opening key after key reuses it.
    path_.clear();
}

void TRegistry::DiscardKey()
{
    if (!open_)
        return;
    if (!scope_)
        Hive().Discard();
    // Nothing of it is kept, so nothing is lost: CloseKey has no commit to
    // report on.
    wrote_ = false;
    CloseKey();
}

bool TRegistry::DeleteKey(const std::string& path)
{
    const std::string key(TrimBackslashes(path));
    HiveConnection& hive = Hive();
    if (key.empty() || !hive.Begin(HiveConnection::Access::Write))
        return false;
    bool deleted = true;
    for (HiveConnection::Statement which : {HiveConnection::DeleteKeyValues, HiveConnection::DeleteKeys}) {
        sqlite3_stmt* st = hive.Prepared(which);
        if (!st) {
            deleted = false;
            break;
        }
        BindText(st, 1, key);
        BindText(st, 2, key + "\\");
        deleted = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
        if (!deleted)
            break;
    }
    // Half a removal (the values gone, the keys kept) is never committed.
    if (!deleted)
        hive.Discard();
    if (!hive.End() || !deleted)
        throw ERegistryException("Failed to set data for '" + key + "'");
    return true;
}

const TStoredValue* TRegistry::Fetch(std::string_view name)
{
    if (!open_)
        throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
    if (implied_)
        return nullptr;
    if (!valuesRead_) {
        sqlite3_stmt* st = Hive().Prepared(HiveConnection::ReadValues);
        if (!st)
            throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
        sqlite3_bind_int64(st, 1, keyId_);
        std::vector<StoredValuePlace> places;
        places.reserve(ValuesOfTheMainKey);
        ownBytes_.clear();
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            places.push_back(AppendStoredValue(st, 0, ownBytes_));
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
        ownValues_.clear();
        for (const StoredValuePlace& place : places)
            ownValues_.push_back(place.In(ownBytes_));
        values_ = ownValues_;
        valuesRead_ = true;
    }
    for (const TStoredValue& v : values_)
        if (SameTextAscii(v.name, name))
            return &v;
    return nullptr;
}

void TRegistry::Store(const std::string& name, RegistryValueType kind, const void* data, size_t size)
{
    sqlite3_stmt* st = open_ && !scope_ ? Hive().Prepared(HiveConnection::StoreValue) : nullptr;
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
    valuesRead_ = false;
    values_ = {};
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
        throw EInvalidDataType("Invalid data type for '" + std::string(name) + "'");
    // Writers that keep the C terminator still read as the text before it.
    return std::string(v->data.substr(0, v->data.find('\0')));
}

std::string_view TRegistry::FetchBytes(std::string_view name, RegistryValueType kind, size_t size)
{
    const TStoredValue* v = Fetch(name);
    if (!v)
        throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
    if (v->kind != static_cast<int32_t>(kind) || v->data.size() != size)
        throw EInvalidDataType("Invalid data type for '" + std::string(name) + "'");
    return v->data;
}

int32_t TRegistry::ReadInteger(std::string_view name)
{
    const std::string_view bytes = FetchBytes(name, RegistryValueType::Integer, sizeof(uint32_t));
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
