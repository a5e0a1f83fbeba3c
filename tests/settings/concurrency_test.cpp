// Several programs share one hive: these tests run real processes against it.
// Children are forked from the test and leave with _exit, so that nothing of
// GoogleTest runs twice.

#include <csignal>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "HiveFixture.h"

namespace {

// Runs `work` in a child process; the child's exit code is 0 when it returned
// true and nothing was thrown.
pid_t Spawn(const std::function<bool()>& work)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 1;
        try {
            code = work() ? 0 : 2;
        } catch (const std::exception& e) {
            fprintf(stderr, "child: %s\n", e.what());
        }
        _exit(code);
    }
    return pid;
}

int ExitCodeOf(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every saved value of one save is derived from the same number.
void SetAllFrom(int n)
{
    TunerSettings.CardPort = static_cast<uint16_t>(n);
    TunerSettings.CurrentFrequency = 80.0 + n;
    TunerSettings.TuneStep = n;
    TunerSettings.PresetScanDelay = n;
    TunerSettings.CardVolume = static_cast<int8_t>(n % 100);
    TunerSettings.IconsWhenShown = static_cast<int8_t>(n % 10);
    TunerSettings.IconsWhenMinimized = static_cast<int8_t>(n / 10 % 10);
}

bool AllFrom(int n)
{
    return TunerSettings.CardPort == n && TunerSettings.CurrentFrequency == 80.0 + n && TunerSettings.TuneStep == n &&
           TunerSettings.PresetScanDelay == n && TunerSettings.CardVolume == n % 100 &&
           TunerSettings.IconsWhenShown == n % 10 && TunerSettings.IconsWhenMinimized == n / 10 % 10;
}

}  // namespace

TEST_F(HiveTest, TwoProgramsWritingAndReadingAtOnceLoseNothing)
{
    constexpr int Rounds = 100;
    // Each program saves the main key (both write it: last writer wins), its
    // own preset (nobody else writes it: no write may be lost) and reads both
    // back in between; every 25th round it reads everything.
    auto program = [](int id) {
        return [id] {
            for (int i = 1; i <= Rounds; ++i) {
                if (i % 25 == 0)
                    InitialiseSettings();
                else
                    LoadSettings();
                if (TunerSettings.PresetScanDelay < 0 || TunerSettings.PresetScanDelay > 2000 + Rounds)
                    return false;
                TRegistry reg;
                if (i > 1 && (!reg.OpenKey(PresetKey(id), false) || reg.ReadFloat("Frequency") != 87.0 + (i - 1) * 0.1))
                    return false;
                reg.CloseKey();
                TunerSettings.PresetScanDelay = id * 1000 + i;
                SaveSettings();
                SavePreset(id, "program " + std::to_string(id), true, 87.0 + i * 0.1);
                TunerSettings.WindowHandle = id;
                PublishWindowHandle();
            }
            return true;
        };
    };
    const pid_t first = Spawn(program(1));
    const pid_t second = Spawn(program(2));
    EXPECT_EQ(ExitCodeOf(first), 0);
    EXPECT_EQ(ExitCodeOf(second), 0);
    EXPECT_TRUE(writeErrors.empty());

    InitialiseSettings();
    EXPECT_TRUE(TunerSettings.PresetScanDelay == 1000 + Rounds || TunerSettings.PresetScanDelay == 2000 + Rounds)
        << TunerSettings.PresetScanDelay;
    EXPECT_DOUBLE_EQ(Presets[0].Frequency, 87.0 + Rounds * 0.1);
    EXPECT_DOUBLE_EQ(Presets[1].Frequency, 87.0 + Rounds * 0.1);
    EXPECT_EQ(Presets[1].StationName, "program 2");
    const int32_t handle = ReadPublishedWindowHandle();
    EXPECT_TRUE(handle == 1 || handle == 2);
}

// In a child only: every connection counts the rows it writes and the process
// kills itself at the chosen one, which lands at a random point inside a save.
int rowsUntilKill = 0;

void CountRowAndMaybeDie(void*, int, const char*, const char*, sqlite3_int64)
{
    if (--rowsUntilKill == 0)
        raise(SIGKILL);
}

int InstallKillHook(sqlite3* db, char**, const sqlite3_api_routines*)
{
    sqlite3_update_hook(db, CountRowAndMaybeDie, nullptr);
    return SQLITE_OK;
}

TEST_F(HiveTest, AWriterKilledMidSaveLeavesEveryValueOldOrNew)
{
    std::mt19937 random(std::random_device{}());
    InitialiseSettings();
    // Save 0 would store tune steps of 0.0, which load corrected.
    SetAllFrom(1);
    SaveSettings();

    int last = 1;  // the last save known to be complete
    for (int round = 0; round < 12; ++round) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const int start = last + 1;
        // SaveSettings writes 20 rows; the kill may also hit the first row of a save.
        rowsUntilKill = std::uniform_int_distribution<int>(1, 20 * 5)(random);
        const pid_t writer = Spawn([&] {
            close(progress[0]);
            sqlite3_auto_extension(reinterpret_cast<void (*)()>(InstallKillHook));
            for (int n = start;; ++n) {
                SetAllFrom(n);
                SaveSettings();
                const char saved = 1;
                if (write(progress[1], &saved, 1) != 1)
                    return false;
            }
        });
        close(progress[1]);
        char saved = 0;
        while (read(progress[0], &saved, 1) == 1)
            ++last;
        close(progress[0]);
        EXPECT_EQ(ExitCodeOf(writer), -1) << "killed by its own signal";

        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(hive.c_str(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
        sqlite3_finalize(st);
        sqlite3_close(db);

        LoadSettings();
        // The save that was cut short is entirely absent.
        EXPECT_TRUE(AllFrom(last)) << "round " << round << ": expected every value from save " << last << ", found "
                                   << TunerSettings.PresetScanDelay << " among others";
    }
}
