#include "Registry.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Long enough that a writer never gives up while another program saves; a
// save takes milliseconds, so this is only reached when something hangs.
constexpr int BusyTimeoutMs = 10000;

const char* const HiveSchema =
    "CREATE TABLE keys (id INTEGER PRIMARY KEY,"
    " path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " kind INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY (key, name));";

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// The order of SQLite's NOCASE collation, which is what the registry's
// case-insensitive name order means here.
bool LessTextAscii(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

std::string TrimBackslashes(const std::string& path)
{
    size_t first = path.find_first_not_of('\\');
    if (first == std::string::npos)
        return {};
    size_t last = path.find_last_not_of('\\');
    return path.substr(first, last - first + 1);
}

bool IsDamagedHive(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

[[noreturn]] void RaiseNotAHive(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' is damaged or not a Tunzo settings store (" + why +
                             "); it was left unchanged");
}

[[noreturn]] void RaiseUnreadable(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' cannot be read (" + why + ")");
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

bool MakeParentFolder(const std::string& file)
{
    const std::filesystem::path parent = std::filesystem::path(file).parent_path();
    if (parent.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    return !ec;
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

TRegistry::~TRegistry()
{
    try {
        CloseKey();
    } catch (...) {
        // A destructor cannot report; CloseKey has already rolled back.
    }
}

void TRegistry::Release()
{
    sqlite3_finalize(readStmt_);
    sqlite3_finalize(writeStmt_);
    readStmt_ = nullptr;
    writeStmt_ = nullptr;
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    keyId_ = 0;
    path_.clear();
    wrote_ = false;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate)
{
    CloseKey();
    const std::string key = TrimBackslashes(path);
    if (key.empty())
        return false;
    const std::string file = RegistryFilePath();
    if (!OpenHive(file, canCreate))
        return false;
    try {
        if (!BeginKey(file, canCreate) || !FindKey(key, canCreate)) {
            Release();
            return false;
        }
    } catch (...) {
        Release();
        throw;
    }
    path_ = key;
    return true;
}

bool TRegistry::OpenHive(const std::string& file, bool canCreate)
{
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (!exists && (!canCreate || !MakeParentFolder(file)))
        return false;

    const int flags = SQLITE_OPEN_READWRITE | (canCreate ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        Release();
        if (exists && !canCreate)
            RaiseUnreadable(file, why);
        return false;
    }
    sqlite3_busy_timeout(db_, BusyTimeoutMs);
    // SQLite quietly opens a file we may not write read-only.
    if (canCreate && sqlite3_db_readonly(db_, "main") == 1) {
        Release();
        return false;
    }
    return true;
}

bool TRegistry::BeginKey(const std::string& file, bool canCreate)
{
    // The schema is checked before anything is written, so that a file of
    // another program is left exactly as it was.
    HiveSchemaState schema = ReadSchema(file, canCreate);
    if (schema == HiveSchemaState::Unreadable || (schema == HiveSchemaState::Missing && !canCreate))
        return false;

    if (canCreate) {
        // Readers and the one writer then never wait for each other; the mode
        // stays in the file, so this costs nothing once set.
        const int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        if (IsDamagedHive(rc))
            RaiseNotAHive(file, sqlite3_errmsg(db_));
        // With the log, NORMAL still keeps every commit whole when a process
        // dies; it only skips the flush to disk on each commit.
        sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    }

    // A write-open takes the write lock at once: upgrading a read transaction
    // later could fail with "database is locked" instead of waiting.
    const int rc = sqlite3_exec(db_, canCreate ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        if (IsDamagedHive(rc))
            RaiseNotAHive(file, sqlite3_errmsg(db_));
        return false;
    }
    if (schema == HiveSchemaState::Present)
        return true;
    // Under the write lock now: another program may have created it meanwhile.
    schema = ReadSchema(file, canCreate);
    if (schema == HiveSchemaState::Present)
        return true;
    return schema == HiveSchemaState::Missing && sqlite3_exec(db_, HiveSchema, nullptr, nullptr, nullptr) == SQLITE_OK;
}

TRegistry::HiveSchemaState TRegistry::ReadSchema(const std::string& file, bool canCreate)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr);
    int tables = 0;
    int ours = 0;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            const std::string_view table = name ? name : "";
            ++tables;
            if (SameTextAscii(table, "keys") || SameTextAscii(table, "vals"))
                ++ours;
        }
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_OK) {
        const std::string why = sqlite3_errmsg(db_);
        if (IsDamagedHive(rc))
            RaiseNotAHive(file, why);
        if (!canCreate)
            RaiseUnreadable(file, why);
        return HiveSchemaState::Unreadable;
    }
    if (ours == 2)
        return HiveSchemaState::Present;
    if (tables > 0)
        RaiseNotAHive(file, "it holds other tables");
    return HiveSchemaState::Missing;
}

bool TRegistry::FindKey(const std::string& path, bool canCreate)
{
    auto lookUp = [&]() -> bool {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT id FROM keys WHERE path = ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            keyId_ = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw ERegistryException("Failed to get data for '" + path + "'");
        return rc == SQLITE_ROW;
    };
    if (lookUp())
        return true;
    if (!canCreate)
        return false;

    // As in the registry, creating a key creates the keys above it.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "INSERT OR IGNORE INTO keys (path) VALUES (?1)", -1, &st, nullptr);
    bool ok = st != nullptr;
    for (size_t end = path.find('\\'); ok; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        sqlite3_bind_text(st, 1, prefix.data(), static_cast<int>(prefix.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
        if (end == std::string::npos)
            break;
    }
    sqlite3_finalize(st);
    return ok && lookUp();
}

void TRegistry::CloseKey()
{
    if (!db_)
        return;
    const bool wrote = wrote_;
    const std::string key = path_;
    sqlite3_finalize(readStmt_);
    sqlite3_finalize(writeStmt_);
    readStmt_ = nullptr;
    writeStmt_ = nullptr;
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    Release();
    if (rc != SQLITE_OK && wrote)
        throw ERegistryException("Failed to set data for '" + key + "'");
}

sqlite3_stmt* TRegistry::Prepared(sqlite3_stmt*& cache, const char* sql)
{
    if (!cache)
        sqlite3_prepare_v2(db_, sql, -1, &cache, nullptr);
    else
        sqlite3_reset(cache);
    if (cache)
        sqlite3_clear_bindings(cache);
    return cache;
}

TRegistry::StoredValue TRegistry::Fetch(const std::string& name)
{
    StoredValue v;
    sqlite3_stmt* st = db_ ? Prepared(readStmt_, "SELECT kind, data FROM vals WHERE key = ?1 AND name = ?2") : nullptr;
    if (!st)
        throw ERegistryException("Failed to get data for '" + name + "'");
    sqlite3_bind_int64(st, 1, keyId_);
    sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        v.found = true;
        v.kind = sqlite3_column_int(st, 0);
        const void* bytes = sqlite3_column_blob(st, 1);
        const int size = sqlite3_column_bytes(st, 1);
        if (bytes && size > 0)
            v.data.assign(static_cast<const char*>(bytes), static_cast<size_t>(size));
    }
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + name + "'");
    return v;
}

void TRegistry::Store(const std::string& name, RegistryValueType kind, const void* data, size_t size)
{
    sqlite3_stmt* st = db_ ? Prepared(writeStmt_,
                                      "INSERT INTO vals (key, name, kind, data) VALUES (?1, ?2, ?3, ?4)"
                                      " ON CONFLICT (key, name) DO UPDATE SET kind = excluded.kind, data = excluded.data")
                           : nullptr;
    if (!st)
        throw ERegistryException("Failed to set data for '" + name + "'");
    sqlite3_bind_int64(st, 1, keyId_);
    sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 3, static_cast<int>(kind));
    // A null pointer would bind NULL; an empty string is an empty blob.
    sqlite3_bind_blob(st, 4, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to set data for '" + name + "'");
    wrote_ = true;
}

bool TRegistry::ValueExists(const std::string& name)
{
    return Fetch(name).found;
}

std::string TRegistry::ReadString(const std::string& name)
{
    StoredValue v = Fetch(name);
    if (!v.found)
        return {};
    // Kind 2 is the registry's expandable string; other writers may use it.
    if (v.kind != static_cast<int32_t>(RegistryValueType::String) && v.kind != 2)
        throw ERegistryException("Invalid data type for '" + name + "'");
    // Writers that keep the C terminator still read as the text before it.
    const size_t end = v.data.find('\0');
    if (end != std::string::npos)
        v.data.resize(end);
    return v.data;
}

int32_t TRegistry::ReadInteger(const std::string& name)
{
    const StoredValue v = Fetch(name);
    if (!v.found)
        throw ERegistryException("Failed to get data for '" + name + "'");
    if (v.kind != static_cast<int32_t>(RegistryValueType::Integer) || v.data.size() != 4)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return static_cast<int32_t>(static_cast<uint32_t>(GetLittleEndian(v.data)));
}

bool TRegistry::ReadBool(const std::string& name)
{
    return ReadInteger(name) != 0;
}

double TRegistry::ReadFloat(const std::string& name)
{
    const StoredValue v = Fetch(name);
    if (!v.found)
        throw ERegistryException("Failed to get data for '" + name + "'");
    if (v.kind != static_cast<int32_t>(RegistryValueType::Binary) || v.data.size() != 8)
        throw ERegistryException("Invalid data type for '" + name + "'");
    const uint64_t bits = GetLittleEndian(v.data);
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
    if (!db_)
        return names;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "SELECT path FROM keys", -1, &st, nullptr);
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
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw ERegistryException("Failed to get data for '" + path_ + "'");
    std::sort(names.begin(), names.end(), LessTextAscii);
    return names;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info)
{
    if (!db_)
        return false;
    const std::vector<std::string> names = GetKeyNames();
    info.NumSubKeys = static_cast<int32_t>(names.size());
    info.MaxSubKeyLen = 0;
    for (const std::string& n : names)
        info.MaxSubKeyLen = std::max(info.MaxSubKeyLen, static_cast<int32_t>(n.size()));
    return true;
}
