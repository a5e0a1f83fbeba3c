#pragma once
// Each test gets its own hive file in a fresh folder, and clean process-wide
// tables, so tests can run in any order and in parallel.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Actions.h"
#include "Events.h"
#include "Presets.h"
#include "Registry.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

// What the code under test writes to standard error while it lives (the
// reports that also go to the system log).
class CapturedStderr {
public:
    CapturedStderr()
    {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = dup(STDERR_FILENO);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~CapturedStderr()
    {
        Restore();
        std::fclose(file_);
    }
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;
    std::string Text()
    {
        Restore();
        std::rewind(file_);
        std::string text;
        for (int c; (c = std::fgetc(file_)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }

private:
    void Restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

inline size_t CountOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

class HiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tunzo-hive-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        hive = folder + "/registry.sqlite";
        setenv("TUNZO_REGISTRY", hive.c_str(), 1);
        TunerSettings = TTunerSettings{};
        Presets = {};
        EventTable = TEventTable{};
        ActionList = TActionList{};
        StoreVariant = TStoreVariant::Tunzo;
        SetRegistryWriteErrorHook([this](const std::string& text) { writeErrors.push_back(text); });
    }

    void TearDown() override
    {
        SetRegistryWriteErrorHook(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // Plants one value through TRegistry, creating the key.
    template <class Writer>
    void Plant(const std::string& key, Writer write)
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        write(reg);
        reg.CloseKey();
    }

    // Runs SQL on the hive directly, bypassing TRegistry.
    void RawSql(const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(hive.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        const std::string why = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << why;
    }

    // A value's kind and bytes as stored ("4|05000000"), or "" when absent.
    std::string StoredRow(const std::string& key, const std::string& name)
    {
        sqlite3* db = nullptr;
        std::string row;
        if (sqlite3_open_v2(hive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT v.kind || '|' || hex(v.data) FROM vals v JOIN keys k ON k.id = v.key"
                               " WHERE k.path = ?1 AND v.name = ?2",
                               -1, &st, nullptr);
            sqlite3_bind_text(st, 1, key.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW)
                row = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return row;
    }

    static std::string FileBytes(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder;
    std::string hive;
    std::vector<std::string> writeErrors;
};
