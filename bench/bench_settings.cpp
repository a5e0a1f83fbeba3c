// What loading and saving the settings cost on the SQLite hive, with a hive of
// 100 stored presets, against the floor of reading the same values in one
// query. The goal: InitialiseSettings with 100 presets stored costs no more
// than 2x one query reading the same values.
//
// Two comparisons, since a store may keep its connection for the life of the
// process:
//  - warm: each call repeated in one process, best of five runs. The query
//    runs on a connection opened once and kept, as a store with one
//    connection per process would; InitialiseSettings does whatever the store
//    does (today one read of every key under the main key and its values, in
//    one snapshot, on the process's one connection).
//  - fresh process: the first call in a new process, timed inside it, median
//    of several processes. Here both pay for opening the hive once: the query
//    opens its own connection, and so does the store's first call.
// Also SaveSettings, and reading the file's bytes as the bare floor.
//   tunzo-bench-settings

#include "ProcessTiming.h"
#include "SettingsStore.h"
#include "StoreWithPresets.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr double InitialiseGoal = 2.0;
constexpr int FreshProcesses = 15;
constexpr const char* FirstCallOption = "--first-call";

const char* const AllValuesQuery = "SELECT k.path, v.name, v.kind, v.data FROM vals v JOIN keys k ON k.id = v.key";

double MicrosecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count();
}

double MicrosecondsPerCall(const std::function<void()>& work, int calls)
{
    double best = 1e30;
    for (int run = 0; run < 5; ++run)
        best = std::min(best, MicrosecondsOf([&] {
                            for (int i = 0; i < calls; ++i)
                                work();
                        }) / calls);
    return best;
}

volatile size_t sink = 0;

void ReadFileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    sink = sink + bytes.size();
}

sqlite3* OpenForReading(const std::string& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    return db;
}

void ReadAllValues(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, AllValuesQuery, -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        sink = sink + static_cast<size_t>(sqlite3_column_bytes(st, 3));
    sqlite3_finalize(st);
}

void ReadAllValuesOnItsOwnConnection(const std::string& file)
{
    sqlite3* db = OpenForReading(file);
    ReadAllValues(db);
    sqlite3_close(db);
}

// In a child: times the first call of `what` in this process and prints it.
int TimeFirstCall(const std::string& what)
{
    const double us = what == "initialise" ? MicrosecondsOf(InitialiseSettings)
                                           : MicrosecondsOf([] { ReadAllValuesOnItsOwnConnection(RegistryFilePath()); });
    std::printf("%f\n", us);
    return 0;
}

double MedianFirstCallUs(const std::string& what)
{
    const std::string command = std::filesystem::read_symlink("/proc/self/exe").string() + " " + FirstCallOption +
                                " " + what;
    std::vector<double> samples;
    for (int i = 0; i < FreshProcesses; ++i) {
        FILE* child = popen(command.c_str(), "r");
        double us = 0;
        if (!child || std::fscanf(child, "%lf", &us) != 1 || pclose(child) != 0) {
            std::fprintf(stderr, "tunzo-bench-settings: the %s child failed\n", what.c_str());
            std::exit(1);
        }
        samples.push_back(us);
    }
    return Median(samples);
}

void PrintMicroseconds(const char* label, double us)
{
    std::printf("  %-48s %10.1f us\n", label, us);
}

const char* Verdict(double ratio)
{
    return ratio <= InitialiseGoal ? "met" : "not met";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], FirstCallOption) == 0)
        return TimeFirstCall(argv[2]);

    char pattern[] = "/tmp/tunzo-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    const std::string hive = folder + "/registry.sqlite";
    setenv("TUNZO_REGISTRY", hive.c_str(), 1);
    WriteStoreWithPresets();

    const double initialise = MicrosecondsPerCall(InitialiseSettings, 20);
    const double save = MicrosecondsPerCall(SaveSettings, 50);
    const double fileRead = MicrosecondsPerCall([&] { ReadFileBytes(hive); }, 200);
    sqlite3* kept = OpenForReading(hive);
    const double query = MicrosecondsPerCall([&] { ReadAllValues(kept); }, 50);
    sqlite3_close(kept);
    const double queryOwnConnection = MicrosecondsPerCall([&] { ReadAllValuesOnItsOwnConnection(hive); }, 50);
    const double initialiseFresh = MedianFirstCallUs("initialise");
    const double queryFresh = MedianFirstCallUs("query");

    std::printf("hive: %s, %ju bytes, 100 presets\n", hive.c_str(),
                static_cast<uintmax_t>(std::filesystem::file_size(hive)));
    std::printf("warm, best of five runs in one process:\n");
    PrintMicroseconds("InitialiseSettings", initialise);
    PrintMicroseconds("SaveSettings", save);
    PrintMicroseconds("floor: one query, all values, kept connection", query);
    PrintMicroseconds("floor: one query, all values, own connection", queryOwnConnection);
    PrintMicroseconds("floor: read the file's bytes", fileRead);
    std::printf("fresh process, first call, median of %d processes:\n", FreshProcesses);
    PrintMicroseconds("InitialiseSettings", initialiseFresh);
    PrintMicroseconds("floor: one query, all values, opening the hive", queryFresh);
    std::printf("InitialiseSettings with 100 presets stored, against one query reading the same values:\n");
    std::printf("  warm           %8.1fx (goal %.0fx, %s)\n", initialise / query, InitialiseGoal,
                Verdict(initialise / query));
    std::printf("  fresh process  %8.1fx (goal %.0fx, %s)\n", initialiseFresh / queryFresh, InitialiseGoal,
                Verdict(initialiseFresh / queryFresh));
    std::printf("SaveSettings / file read: %.1fx\n", save / fileRead);

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
