#pragma once
// What the settings store's connection and its transactions share, and
// nobody else needs: the schema the programs create in a new hive, how
// SQLite's result codes read, and the store's error texts.

#include "Registry.h"

#include <sqlite3.h>

#include <string>

namespace HiveInternals {

inline constexpr const char* HiveSchema =
    "CREATE TABLE keys (id INTEGER PRIMARY KEY,"
    " path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " kind INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY (key, name));";

inline int Primary(int rc)
{
    return rc & 0xff;
}

inline bool IsDamagedHive(int rc)
{
    return Primary(rc) == SQLITE_NOTADB || Primary(rc) == SQLITE_CORRUPT;
}

// A read-only folder keeps a reader from making the log's shared-memory file.
inline bool NeedsSharedMemoryItCannotMake(int rc)
{
    return Primary(rc) == SQLITE_READONLY || Primary(rc) == SQLITE_CANTOPEN;
}

[[noreturn]] inline void RaiseNotAHive(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' is damaged or not a Tunzo settings store (" + why +
                             "); it was left unchanged");
}

[[noreturn]] inline void RaiseUnreadable(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' cannot be read (" + why + ")");
}

[[noreturn]] inline void RaiseBusy(const std::string& file)
{
    throw ERegistryException("The settings store '" + file +
                             "' is locked by another program, so the settings could not be read; nothing was changed");
}

}  // namespace HiveInternals
