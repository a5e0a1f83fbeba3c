#pragma once
// Each test gets its own hive file in a fresh folder, and clean process-wide
// tables, so tests can run in any order and in parallel.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
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

    static std::string FileBytes(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder;
    std::string hive;
    std::vector<std::string> writeErrors;
};
