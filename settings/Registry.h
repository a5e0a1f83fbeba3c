#pragma once
// TRegistry: the registry-access object of the settings code, on the SQLite
// hive. Every open-to-close of a key is one transaction, so a process that dies
// half-way through a save leaves each value as it was before that save.
//
// The hive's schema, kinds and byte layouts are shared with other programs
// (a setup tool, a scheduler), so they are fixed:
//   keys(id, path)                 path like 'SOFTWARE\Velmar\Tunzo\Presets\7'
//   vals(key, name, kind, data)    kind 1 string (UTF-8, no terminator),
//                                  3 binary (a float: 8-byte little-endian double),
//                                  4 DWORD (4 bytes little-endian)
// Paths and value names compare without regard to case.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

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

// "'%s' is not a valid integer value"
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// $TUNZO_REGISTRY when set, else $XDG_CONFIG_HOME/tunzo/registry.sqlite,
// else ~/.config/tunzo/registry.sqlite.
std::string RegistryFilePath();

// Key paths are relative to this root; the hive holds only HKEY_LOCAL_MACHINE.
enum class RegistryRoot { LocalMachine };

struct TRegKeyInfo {
    int32_t NumSubKeys = 0;
    int32_t MaxSubKeyLen = 0;  // bytes of the longest subkey name
};

class TRegistry {
public:
    TRegistry() = default;
    ~TRegistry();  // closes (and commits) a key left open
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRootKey(RegistryRoot root) { RootKey = root; }

    // With canCreate the key (and its parents) is created when missing and the
    // key is opened for writing: false when the hive cannot be created or
    // written. Without it the key is opened for reading: false when the hive
    // file or the key does not exist. A hive file that is corrupt, foreign or
    // unreadable raises ERegistryException naming the file; it is never
    // overwritten.
    bool OpenKey(const std::string& path, bool canCreate);
    // Ends the key's transaction. Raises "Failed to set data for '<key>'" when
    // the writes of this open could not be made durable.
    void CloseKey();
    const std::string& CurrentPath() const { return path_; }

    bool ValueExists(const std::string& name);
    std::string ReadString(const std::string& name);  // "" when missing
    int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name);  // any non-zero DWORD is true
    double ReadFloat(const std::string& name);

    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value);
    void WriteFloat(const std::string& name, double value);

    bool GetKeyInfo(TRegKeyInfo& info);
    // Names of the direct subkeys, in name order without regard to case.
    std::vector<std::string> GetKeyNames();

    RegistryRoot RootKey = RegistryRoot::LocalMachine;

private:
    struct StoredValue {
        bool found = false;
        int32_t kind = 0;
        std::string data;
    };

    enum class HiveSchemaState { Present, Missing, Unreadable };

    bool OpenHive(const std::string& file, bool canCreate);
    bool BeginKey(const std::string& file, bool canCreate);
    HiveSchemaState ReadSchema(const std::string& file, bool canCreate);
    bool FindKey(const std::string& path, bool canCreate);
    StoredValue Fetch(const std::string& name);
    void Store(const std::string& name, RegistryValueType kind, const void* data, size_t size);
    sqlite3_stmt* Prepared(sqlite3_stmt*& cache, const char* sql);
    void Release();

    sqlite3* db_ = nullptr;
    int64_t keyId_ = 0;
    std::string path_;
    bool wrote_ = false;
    sqlite3_stmt* readStmt_ = nullptr;
    sqlite3_stmt* writeStmt_ = nullptr;
};
