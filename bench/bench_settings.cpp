// What loading and saving the settings cost on the SQLite hive, with a hive of
// 100 stored presets: InitialiseSettings (the main key and 100 preset keys,
// each opened and closed on its own) and SaveSettings, against the floors of
// reading the same file's bytes and of reading all its values in one query.
// Prints wall-clock microseconds per call, best of five runs, and the ratios.

#include "Presets.h"
#include "SettingsStore.h"
#include "TunerSettings.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

double MicrosecondsPerCall(const std::function<void()>& work, int calls)
{
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i)
            work();
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / calls);
    }
    return best;
}

volatile size_t sink = 0;

void ReadFileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    sink = sink + bytes.size();
}

void ReadAllValuesInOneQuery(const std::string& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT k.path, v.name, v.kind, v.data FROM vals v JOIN keys k ON k.id = v.key", -1, &st,
                       nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        sink = sink + static_cast<size_t>(sqlite3_column_bytes(st, 3));
    sqlite3_finalize(st);
    sqlite3_close(db);
}

}  // namespace

int main()
{
    char pattern[] = "/tmp/tunzo-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const std::string hive = folder + "/registry.sqlite";
    setenv("TUNZO_REGISTRY", hive.c_str(), 1);

    InitialiseSettings();
    SaveSettings();
    for (int slot = 1; slot <= PresetCount; ++slot)
        SavePreset(slot, "Station " + std::to_string(slot), slot % 2 == 0, 87.5 + slot * 0.2);

    const double initialise = MicrosecondsPerCall(InitialiseSettings, 20);
    const double save = MicrosecondsPerCall(SaveSettings, 50);
    const double fileRead = MicrosecondsPerCall([&] { ReadFileBytes(hive); }, 200);
    const double query = MicrosecondsPerCall([&] { ReadAllValuesInOneQuery(hive); }, 50);

    std::printf("hive: %s, %ju bytes, 100 presets\n", hive.c_str(),
                static_cast<uintmax_t>(std::filesystem::file_size(hive)));
    std::printf("InitialiseSettings        %10.1f us\n", initialise);
    std::printf("SaveSettings              %10.1f us\n", save);
    std::printf("floor: read file bytes    %10.1f us\n", fileRead);
    std::printf("floor: one query, all     %10.1f us\n", query);
    std::printf("InitialiseSettings / file read  %8.1fx\n", initialise / fileRead);
    std::printf("InitialiseSettings / one query  %8.1fx\n", initialise / query);
    std::printf("SaveSettings / file read        %8.1fx\n", save / fileRead);

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
