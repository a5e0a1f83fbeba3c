// The scheduled-event loader over a hostile hive: event keys and values that
// another program (the scheduler) could have written, with the wrong kinds
// and lengths, huge and invalid UTF-8 strings, negative numbers, names with
// control characters and backslashes, and more keys than the table holds;
// then the due check of every loaded event at a time the input chooses.
//
// The hive is built through SQLite itself, with the public schema, since
// that is how another program writes it. Store errors (ERegistryException,
// EConvertError) are what such a hive may rightly cause; any other
// exception, a crash or a sanitizer report is a fault.

#include "FuzzSupport.h"

#include "Events.h"
#include "Registry.h"
#include "TunerSettings.h"

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The hive's public schema, as other programs create it.
const char* const HiveSchema =
    "CREATE TABLE keys (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE, kind INTEGER NOT NULL, data BLOB NOT NULL,"
    " PRIMARY KEY (key, name));";

const std::array<const char*, 13> EventValueNames = {
    "Years", "Months", "Days of month", "Weekdays", "Hours", "Minutes", "Duration",
    "Action", "Monthly days", "Action after event", "Active", "Recurrency", "Every X days"};

// Kinds as stored: string, DWORD, binary, the registry's expandable string,
// and a kind no writer should use.
const std::array<int32_t, 5> StoredKinds = {1, 4, 3, 2, 0};

constexpr int MostValuesPerKey = 15;
// Huge strings grow in steps of this many bytes, up to 255 steps.
constexpr size_t HugeStep = 1024;
// A choice byte below this picks one of the value names the loader reads;
// above it the name comes from the input.
constexpr uint8_t KnownNameChoices = 13 * 16;

// How a value's data is stored: SQLite keeps whatever type it is given, and
// another program may give it any.
enum class DataForm { FourBytes, ShortBlob, HugeBlob, Text, Integer, Real, Count };

// The hive lives in a folder made once per process; each input empties its
// tables and fills them afresh.
class Hive {
public:
    Hive()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tunzo-fuzz-events-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        folder_ = pattern;
        const std::string file = folder_ + "/registry.sqlite";
        setenv("TUNZO_REGISTRY", file.c_str(), 1);
        FUZZ_CHECK(sqlite3_open(file.c_str(), &db_) == SQLITE_OK);
        Exec(HiveSchema);
        // The hive's own mode; nothing here needs to survive a power cut.
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;");
    }

    ~Hive()
    {
        sqlite3_close(db_);
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    void Begin() { Exec("BEGIN; DELETE FROM vals; DELETE FROM keys;"); }
    void Commit() { Exec("COMMIT;"); }

    // The key's id; a path that differs from an existing one only in case
    // is that key, as in the registry.
    int64_t AddKey(const std::string& path)
    {
        sqlite3_stmt* st = Prepare("INSERT OR IGNORE INTO keys (path) VALUES (?1)");
        sqlite3_bind_text(st, 1, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
        Finish(st);
        st = Prepare("SELECT id FROM keys WHERE path = ?1");
        sqlite3_bind_text(st, 1, path.data(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
        FUZZ_CHECK(sqlite3_step(st) == SQLITE_ROW);
        const int64_t id = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return id;
    }

    void AddValue(int64_t key, const std::string& name, int32_t kind, FuzzInput& in)
    {
        sqlite3_stmt* st = Prepare("INSERT OR REPLACE INTO vals (key, name, kind, data) VALUES (?1, ?2, ?3, ?4)");
        sqlite3_bind_int64(st, 1, key);
        sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 3, kind);
        BindData(st, 4, in);
        Finish(st);
    }

private:
    static void BindData(sqlite3_stmt* st, int column, FuzzInput& in)
    {
        const auto form = static_cast<DataForm>(in.Byte() % static_cast<int>(DataForm::Count));
        std::string bytes;
        switch (form) {
        case DataForm::FourBytes:
            bytes = in.Bytes(4);
            break;
        case DataForm::ShortBlob:
            bytes = in.ShortText();
            break;
        case DataForm::HugeBlob: {
            const size_t size = in.Byte() * HugeStep;
            const std::string pattern = in.ShortText();
            while (!pattern.empty() && bytes.size() < size)
                bytes += pattern;
            break;
        }
        case DataForm::Text:
            bytes = in.ShortText();
            sqlite3_bind_text(st, column, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
            return;
        case DataForm::Integer:
            sqlite3_bind_int64(st, column, in.Int32());
            return;
        case DataForm::Real:
            sqlite3_bind_double(st, column, static_cast<double>(in.Int32()) / 7.0);
            return;
        case DataForm::Count:
            break;
        }
        // An empty blob, not NULL, which the schema refuses.
        sqlite3_bind_blob(st, column, bytes.empty() ? "" : bytes.data(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
    }

    void Exec(const char* sql)
    {
        char* error = nullptr;
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
        if (rc != SQLITE_OK)
            std::fprintf(stderr, "hive: %s\n", error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        FUZZ_CHECK(rc == SQLITE_OK);
    }

    sqlite3_stmt* Prepare(const char* sql)
    {
        sqlite3_stmt* st = nullptr;
        FUZZ_CHECK(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) == SQLITE_OK);
        return st;
    }

    static void Finish(sqlite3_stmt* st)
    {
        FUZZ_CHECK(sqlite3_step(st) == SQLITE_DONE);
        sqlite3_finalize(st);
    }

    std::string folder_;
    sqlite3* db_ = nullptr;
};

std::string ValueName(FuzzInput& in)
{
    const uint8_t choice = in.Byte();
    return choice < KnownNameChoices ? EventValueNames[choice % EventValueNames.size()] : in.ShortText();
}

int32_t ValueKind(FuzzInput& in)
{
    const uint8_t choice = in.Byte();
    return choice < StoredKinds.size() * 40 ? StoredKinds[choice % StoredKinds.size()] : in.Int32();
}

void WriteEvents(Hive& hive, FuzzInput& in)
{
    const uint8_t flags = in.Byte();
    const bool withEventsKey = (flags & 1) == 0;
    const int keys = in.Byte();
    hive.Begin();
    if (withEventsKey)
        hive.AddKey(EventsKey);
    for (int i = 0; i < keys; ++i) {
        // Once the input runs out, the keys still come, named and empty.
        std::string name = in.Empty() ? "event " + std::to_string(i) : in.ShortText();
        const int64_t key = hive.AddKey(std::string(EventsKey) + "\\" + name);
        const int values = in.Byte() % (MostValuesPerKey + 1);
        for (int v = 0; v < values; ++v) {
            const std::string valueName = ValueName(in);
            const int32_t kind = ValueKind(in);
            hive.AddValue(key, valueName, kind, in);
        }
    }
    hive.Commit();
}

bool Trimmed(const std::string& name)
{
    auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    return name.empty() || (!blankOrControl(name.front()) && !blankOrControl(name.back()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Hive hive;
    FuzzInput in(data, size);

    // The moment of the due check comes first, so that it stays put while
    // the hive behind it changes.
    const int hour = static_cast<int8_t>(in.Byte());
    const int minute = static_cast<int8_t>(in.Byte());
    const int weekday = static_cast<int8_t>(in.Byte());
    const std::chrono::year_month_day date{std::chrono::year{2000 + static_cast<int8_t>(in.Byte())},
                                           std::chrono::month{in.Byte()}, std::chrono::day{in.Byte()}};

    WriteEvents(hive, in);

    TunerSettings = TTunerSettings{};
    AssignInitialValues(TunerSettings);
    EventTable = TEventTable{};
    try {
        LoadEvents();
    } catch (const ERegistryException&) {
    } catch (const EConvertError&) {
    }

    FUZZ_CHECK(EventTable.Count >= 0 && EventTable.Count <= EventCapacity);
    for (int i = 0; i < EventTable.Count; ++i) {
        const ScheduledEvent& event = EventTable.Events[static_cast<size_t>(i)];
        FUZZ_CHECK(Trimmed(event.Name));
        EventDue(event, hour, minute, weekday, date);
    }
    return 0;
}
