#pragma once
// TRegistry: the registry-access object of the settings code, on the SQLite
// hive. Every open-to-close of a key is one transaction on the process's one
// connection, so a process that dies half-way through a save leaves each value
// as it was before that save. Reading takes no write lock and never waits for
// a writer; a busy or unreadable hive is an error, never a missing key.
//
// The hive's schema, kinds and byte layouts are shared with other programs
// (a setup tool, a scheduler), so they are fixed:
//   keys(id, path)                 path like 'SOFTWARE\Velmar\Tunzo\Presets\7'
//   vals(key, name, kind, data)    kind 1 string (UTF-8, no terminator),
//                                  3 binary (a float: 8-byte little-endian double),
//                                  4 DWORD (4 bytes little-endian)
// Paths and value names compare without regard to case.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

enum class RegistryValueType : int32_t {
    String = 1,   // REG_SZ
    Binary = 3,   // REG_BINARY
    Integer = 4,  // REG_DWORD
};

// The registry layer's errors: "Invalid data type for '%s'", "Failed to get
// data for '%s'", "Failed to set data for '%s'", and a hive file that exists
// but cannot be used (named in the text).
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Invalid data type for '%s'": the value is there, but of another kind or
// size than the one read. Only that value is wrong, not the store.
class EInvalidDataType : public ERegistryException {
public:
    using ERegistryException::ERegistryException;
};

// "'%s' is not a valid integer value"
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// $TUNZO_REGISTRY when set, else $XDG_CONFIG_HOME/tunzo/registry.sqlite,
// else ~/.config/tunzo/registry.sqlite.
std::string RegistryFilePath();

// How long a write waits for another program's write lock; a save takes
// milliseconds, so this is only reached when something hangs.
inline constexpr int RegistryBusyTimeoutMs = 10000;
// Shorter waits where a program cannot wait long (the end of a session), and
// in tests. Applies to every key open from now on.
void SetRegistryBusyTimeout(int ms);
int RegistryBusyTimeout();
// Closes the process's connection; the next key open makes a new one.
void CloseRegistryConnection();

// While it lives, a key open for writing that would wait for another
// program's lock fails at once instead: for writes that can be tried again
// later rather than hold up the window.
class TRegistryNoWait {
public:
    TRegistryNoWait() : previous_(RegistryBusyTimeout()) { SetRegistryBusyTimeout(0); }
    ~TRegistryNoWait() { SetRegistryBusyTimeout(previous_); }
    TRegistryNoWait(const TRegistryNoWait&) = delete;
    TRegistryNoWait& operator=(const TRegistryNoWait&) = delete;

private:
    int previous_;
};

// The hive as this process last saw it. A later mark differs when another
// program has written the hive since (SQLite's data_version), or the file was
// replaced or appeared; this process's own writes leave it as it was. Cheap,
// as no table is read: for noticing other programs' changes. Raises as
// OpenKey when the file cannot be read.
struct TStoreMark {
    uint64_t connection = 0;  // 0: no hive to read
    int64_t version = 0;
    bool operator==(const TStoreMark&) const = default;
};
TStoreMark StoreMark();

// Key paths are relative to this root; the hive holds only HKEY_LOCAL_MACHINE.
enum class RegistryRoot { LocalMachine };

struct TRegKeyInfo {
    int32_t NumSubKeys = 0;
    int32_t MaxSubKeyLen = 0;  // bytes of the longest subkey name
};

// A value as the hive holds it: its kind and its bytes. Name and data lie in
// the buffer of the TRegistry or read scope that read them, one buffer for
// all their values rather than two strings each.
struct TStoredValue {
    std::string_view name;
    int32_t kind = 0;
    std::string_view data;
};

class TRegistryReadScope;

class TRegistry {
public:
    TRegistry() = default;
    ~TRegistry();  // closes (and commits) a key left open
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(RegistryRoot root) { RootKey = root; }

    // With canCreate the key (and its parents) is created when missing and the
    // key is opened for writing: false when the hive cannot be created or
    // written, or another program holds its write lock for the whole busy
    // timeout. Without it the key is opened for reading: false when the hive
    // file or the key does not exist. A hive file that is corrupt, foreign,
    // unreadable or locked against readers raises ERegistryException naming
    // the file; it is never overwritten.
    bool OpenKey(const std::string& path, bool canCreate);
    // Ends the key's transaction. Raises "Failed to set data for '<key>'" when
    // the writes of this open could not be made durable.
    void CloseKey();
    // Ends the key's transaction without keeping what was written in it: the
    // writes of the keys opened within it are undone too. For writes to
    // several keys that must land together or not at all.
    void DiscardKey();
    const std::string& CurrentPath() const { return path_; }

    bool ValueExists(std::string_view name);
    std::string ReadString(std::string_view name);  // "" when missing
    int32_t ReadInteger(std::string_view name);
    bool ReadBool(std::string_view name);  // any non-zero DWORD is true
    double ReadFloat(std::string_view name);

    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);
    void WriteFloat(const std::string& name, double value);

    // Removes the key, its values and every key under it, in the open key's
    // transaction when one is open (else in one of its own). False when the
    // hive cannot be written; a key that is not there is no error.
    bool DeleteKey(const std::string& path);

    bool GetKeyInfo(TRegKeyInfo& info);
    // Names of the direct subkeys, in name order without regard to case.
    std::vector<std::string> GetKeyNames();

    RegistryRoot RootKey = RegistryRoot::LocalMachine;

private:
    bool FindKey(const std::string& path, bool canCreate);
    // A key without a row of its own exists while a key under it does: a
    // writer may have added only the deepest key of a path.
    bool HasKeyBelow(const std::string& path);
    // Serves the key from the read scope that holds it; false when a scope
    // answers for the path but the key is not stored.
    bool OpenFromScope(const TRegistryReadScope& scope, std::string_view path);
    // The open key's values, read in one query at the first use (or taken
    // from the read scope that holds them).
    const TStoredValue* Fetch(std::string_view name);
    // The bytes of a value that must be of `kind` and `size` bytes long.
    std::string_view FetchBytes(std::string_view name, RegistryValueType kind, size_t size);
    void Store(const std::string& name, RegistryValueType kind, const void* data, size_t size);

    bool open_ = false;
    // The scope serving this key, or none when it was opened in the hive.
    const TRegistryReadScope* scope_ = nullptr;
    int64_t keyId_ = 0;
    // Open, but known only from the keys under it: it holds no values.
    bool implied_ = false;
    std::string path_;
    bool wrote_ = false;
    bool valuesRead_ = false;
    std::span<const TStoredValue> values_;
    std::vector<TStoredValue> ownValues_;
    std::string ownBytes_;
};

// The keys at and under one path, read with all their values in one snapshot
// of the hive and then held in memory, so that the hundred preset keys cost
// one pass over the tables instead of two hundred queries. While it lives,
// keys under that path opened for reading are served from it, subkey lists
// included; a scope made inside one that already covers its path reads
// nothing itself. It is for reading: a key opened for writing meanwhile goes
// to the hive, and the scope does not see what it writes. Its read
// transaction ends as soon as it has read, so writes made meanwhile wait for
// other programs' locks as any write does. Raises as OpenKey.
class TRegistryReadScope {
public:
    explicit TRegistryReadScope(const std::string& path);
    ~TRegistryReadScope();
    TRegistryReadScope(const TRegistryReadScope&) = delete;
    TRegistryReadScope& operator=(const TRegistryReadScope&) = delete;

private:
    friend class TRegistry;
    struct Key {
        int64_t id = 0;
        // What follows the scope's path and its backslash, as stored; empty
        // for the scope's own key.
        std::string below;
        uint32_t firstValue = 0;
        uint32_t valueCount = 0;
    };

    // The innermost living scope that answers for `path`, or none.
    static const TRegistryReadScope* Covering(std::string_view path);
    bool Covers(std::string_view path) const;
    // nullptr when the key is not stored and no key under it is.
    const Key* Find(std::string_view path) const;
    std::span<const TStoredValue> ValuesOf(const Key& key) const;
    std::vector<std::string> SubkeyNames(std::string_view path) const;
    void ReadKeys();
    void ReadValues();
    std::string_view PathBelowRoot(std::string_view path) const;

    bool active_ = false;
    std::string root_;
    // In the hive's key order: names without regard to case.
    std::vector<Key> keys_;
    // Grouped by key, each key's at its firstValue.
    std::vector<TStoredValue> values_;
    std::string bytes_;
    TRegistryReadScope* outer_ = nullptr;
    // What a key known only from the keys under it reads as: no values.
    Key impliedKey_;
};
