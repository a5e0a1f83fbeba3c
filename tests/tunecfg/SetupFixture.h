#pragma once
// A store of its own per test (HiveTest), and a look at it from outside:
// what another program sees in the tables.

#include "HiveFixture.h"
#include "SetupValues.h"

#include <sqlite3.h>

#include <string>
#include <utility>

class SetupTest : public HiveTest {
protected:
    // Kind and bytes of a value as the tables hold it; kind 0 when missing.
    std::pair<int, std::string> Stored(const std::string& key, const std::string& name)
    {
        std::pair<int, std::string> found{0, {}};
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(hive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT kind, data FROM vals JOIN keys ON vals.key = keys.id"
                               " WHERE keys.path = ?1 AND vals.name = ?2",
                               -1, &st, nullptr);
            sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW)
                found = {sqlite3_column_int(st, 0),
                         std::string(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                                     static_cast<size_t>(sqlite3_column_bytes(st, 1)))};
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return found;
    }

    // Every key and value, one line each, for "nothing changed" checks.
    std::string Dump()
    {
        std::string text;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(hive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT keys.path, vals.name, vals.kind, hex(vals.data) FROM keys"
                               " LEFT JOIN vals ON vals.key = keys.id ORDER BY 1, 2",
                               -1, &st, nullptr);
            while (st && sqlite3_step(st) == SQLITE_ROW) {
                for (int c = 0; c < 4; ++c) {
                    const auto* cell = sqlite3_column_text(st, c);
                    text += cell ? reinterpret_cast<const char*>(cell) : "-";
                    text += c < 3 ? " | " : "\n";
                }
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return text;
    }

    void PlantEvent(const ScheduledEvent& e, int32_t years)
    {
        Plant(std::string(EventsKey) + "\\" + e.Name, [&](TRegistry& reg) {
            reg.WriteInteger("Years", years);
            reg.WriteString("Months", e.Months);
            reg.WriteString("Weekdays", e.Weekdays);
            reg.WriteInteger("Hours", e.Hours);
            reg.WriteInteger("Minutes", e.Minutes);
            reg.WriteInteger("Days of month", e.DaysOfMonth);
            reg.WriteString("Monthly days", e.MonthlyDays);
            reg.WriteString("Action", e.Action);
            reg.WriteBool("Active", e.Active);
        });
    }

    bool KeyExists(const std::string& key)
    {
        TRegistry reg;
        const bool open = reg.OpenKey(key, false);
        reg.CloseKey();
        return open;
    }

    // Another program holds the store's write lock until Release.
    void HoldWriteLock()
    {
        ASSERT_EQ(sqlite3_open(hive.c_str(), &locker), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(locker, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        SetRegistryBusyTimeout(ShortBusyTimeoutMs);
    }
    void ReleaseWriteLock()
    {
        sqlite3_exec(locker, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(locker);
        locker = nullptr;
        SetRegistryBusyTimeout(RegistryBusyTimeoutMs);
    }
    void TearDown() override
    {
        if (locker)
            ReleaseWriteLock();
        CloseRegistryConnection();
        HiveTest::TearDown();
    }

    static constexpr int ShortBusyTimeoutMs = 50;
    static constexpr const char* WakeKey = "SOFTWARE\\Velmar\\Tunzo\\Events\\Wake";
    sqlite3* locker = nullptr;
};
