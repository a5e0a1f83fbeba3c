// The hive as other programs and the file system leave it: locked by a
// writer, locked against readers, in a folder this user may not write, or
// replaced while the connection is open.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "HiveFixture.h"
#include "RadioDriver.h"

namespace {

constexpr int ShortBusyTimeoutMs = 300;

// Another program's connection that takes a lock and keeps it until told to
// let go, or until `limit` has passed.
class OtherProgram {
public:
    OtherProgram(const std::string& hive, const char* begin, std::chrono::milliseconds limit)
    {
        sqlite3_open(hive.c_str(), &db_);
        locked_ = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
        holder_ = std::thread([this, limit] {
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait_for(lock, limit, [this] { return released_; });
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        });
    }
    ~OtherProgram()
    {
        LetGo();
        sqlite3_close(db_);
    }
    void LetGo()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = true;
        }
        done_.notify_one();
        if (holder_.joinable())
            holder_.join();
    }
    bool locked() const { return locked_; }

private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
    std::mutex mutex_;
    std::condition_variable done_;
    bool released_ = false;
    std::thread holder_;
};

void PlantUsersCard()
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, true));
    reg.WriteInteger("Adapter", 4);
    reg.WriteInteger("IO Port", 0x350);
    reg.WriteFloat("DefaultStation", 94.2);
    reg.CloseKey();
}

}  // namespace

TEST_F(HiveTest, AWriterHoldingTheLockNeitherDelaysNorOverwritesALoad)
{
    PlantUsersCard();
    SetRegistryBusyTimeout(ShortBusyTimeoutMs);
    RadioDriver::SoundOn = false;
    {
        // Held past one busy timeout but not two: a load that waited for it
        // would find it free again on a second try, and write over the card.
        OtherProgram writer(hive, "BEGIN IMMEDIATE", std::chrono::milliseconds(ShortBusyTimeoutMs * 3 / 2));
        ASSERT_TRUE(writer.locked());
        InitialiseSettings();
        writer.LetGo();
    }
    SetRegistryBusyTimeout(RegistryBusyTimeoutMs);
    EXPECT_EQ(TunerSettings.Adapter, 4);
    EXPECT_EQ(TunerSettings.CardPort, 0x350);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2);
    EXPECT_TRUE(RadioDriver::SoundOn) << "the card is taken to be audible after every initialisation";

    TunerSettings = TTunerSettings{};
    LoadSettings();
    EXPECT_EQ(TunerSettings.CardPort, 0x350) << "the stored port was written over";
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2) << "the stored frequency was written over";
}

TEST_F(HiveTest, AStoreLockedAgainstReadersIsAnErrorAndIsNotSavedOver)
{
    PlantUsersCard();
    CloseRegistryConnection();
    // A hive kept by another program in the rollback journal's mode, whose
    // exclusive lock keeps readers out too.
    RawSql("PRAGMA journal_mode=DELETE");
    SetRegistryBusyTimeout(ShortBusyTimeoutMs);
    {
        OtherProgram writer(hive, "BEGIN EXCLUSIVE", std::chrono::seconds(30));
        ASSERT_TRUE(writer.locked());
        const auto start = std::chrono::steady_clock::now();
        try {
            InitialiseSettings();
            ADD_FAILURE() << "a locked store was taken for a missing key";
        } catch (const ERegistryException& e) {
            EXPECT_NE(std::string(e.what()).find("'" + hive + "' is locked"), std::string::npos) << e.what();
        }
        // Not a speed limit: a second wait for the same lock would double it.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ShortBusyTimeoutMs * 2))
            << "the load waited for the lock more than once";
        EXPECT_EQ(TunerSettings.Adapter, 1) << "nothing was read";
        EXPECT_EQ(TunerSettings.CardPort, 0x30C) << "the card is looked for where a first start looks";
    }
    SetRegistryBusyTimeout(RegistryBusyTimeoutMs);

    // The initial values in memory are not the user's: a save at exit must
    // not put them in the store, even once the lock is gone.
    EXPECT_THROW(SaveSettings(), ERegistryException);
    LoadSettings();
    EXPECT_EQ(TunerSettings.CardPort, 0x350);
    SaveSettings();  // a good load allows saving again
}

TEST_F(HiveTest, AStoreInAFolderThisUserMayNotWriteIsRead)
{
    PlantUsersCard();
    CloseRegistryConnection();  // the last connection removes the log's files
    ASSERT_FALSE(std::filesystem::exists(hive + "-wal"));
    ASSERT_EQ(chmod(hive.c_str(), 0644), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    // Root may write anywhere: the reader runs as another user then.
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        try {
            InitialiseSettings();
        } catch (const std::exception& e) {
            fprintf(stderr, "reader: %s\n", e.what());
            _exit(2);
        }
        _exit(TunerSettings.CardPort == 0x350 && TunerSettings.Adapter == 4 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder.c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: wrong values, 2: an error, 3: could not change user";
}

// What the reader in a child process found: 0 the station the store
// holds, 1 another (a silent wrong value), 2 a refusal that names the log.
static int ReadAsAnotherUser(const std::string& log)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        try {
            InitialiseSettings();
        } catch (const std::exception& e) {
            fprintf(stderr, "reader: %s\n", e.what());
            _exit(std::string(e.what()).find(log) != std::string::npos ? 2 : 4);
        }
        _exit(TunerSettings.CurrentFrequency == 94.2 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HiveTest, AStoreInAFolderThisUserMayNotWriteIsReadWithItsLogOrRefused)
{
    struct Row {
        const char* what;
        mode_t fileMode;
        bool changesLeftInLog;
        std::vector<int> allowed;  // what the reader may find
    };
    const std::vector<Row> rows = {
        {"a file the user may write", 0666, false, {0}},
        {"another program's log of changes, without its shared memory", 0644, true, {0, 2}},
        {"the same, in a file the user may write", 0666, true, {0, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        chmod(folder.c_str(), 0700);
        std::filesystem::remove(hive);
        std::filesystem::remove(hive + "-wal");
        std::filesystem::remove(hive + "-shm");
        PlantUsersCard();  // DefaultStation 94.2
        CloseRegistryConnection();
        if (row.changesLeftInLog) {
            // Another program's last write sits in the log, not yet in the
            // file: the file alone still says 88.0.
            RawSql("UPDATE vals SET data = x'0000000000005640' WHERE name = 'DefaultStation'");
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(hive.c_str(), &db), SQLITE_OK);
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
            ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_checkpoint(TRUNCATE);"
                                       "UPDATE vals SET data = x'CDCCCCCCCC8C5740' WHERE name = 'DefaultStation';",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
            sqlite3_close(db);
            std::filesystem::remove(hive + "-shm");
            ASSERT_GT(std::filesystem::file_size(hive + "-wal"), 0u);
        }
        ASSERT_EQ(chmod(hive.c_str(), row.fileMode), 0);
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        const int found = ReadAsAnotherUser(hive + "-wal");
        chmod(folder.c_str(), 0700);
        EXPECT_TRUE(std::find(row.allowed.begin(), row.allowed.end(), found) != row.allowed.end())
            << "found " << found << ": 1 a value the store no longer holds, 2 a refusal naming the log, 4 another error";
    }
}

TEST_F(HiveTest, AStoreReplacedWhileTheProgramRunsIsTheOneUsed)
{
    // Someone starts afresh (or copies a backup back) while the program runs:
    // what it saves then goes into the file that is there now, and nothing of
    // the old file's log is laid over the new one.
    PlantUsersCard();
    LoadSettings();
    std::filesystem::remove(hive);
    TunerSettings.CurrentFrequency = 101.1;
    SaveSettings();
    TunerSettings = TTunerSettings{};
    CloseRegistryConnection();
    LoadSettings();
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 101.1);

    std::filesystem::remove(hive);
    std::ofstream(hive) << "a note that happens to sit where the store was";
    EXPECT_THROW(LoadSettings(), ERegistryException);
}

TEST_F(HiveTest, StartUpWaitsForAnotherProgramsLockToMakeAMissingMainKey)
{
    // Another program removed the main key and everything under it (a key
    // with a preset under it would still be there). Start-up makes the key:
    // that write waits for a writer that holds the lock for a moment rather
    // than give up.
    SavePreset(5, "Five", true, 99.5);
    RawSql("DELETE FROM keys WHERE path LIKE 'SOFTWARE\\Velmar\\Tunzo%'");
    // The companion writes its first values into the new key, which shows
    // that the write went in.
    StoreVariant = TStoreVariant::Companion;
    {
        OtherProgram writer(hive, "BEGIN IMMEDIATE", std::chrono::milliseconds(ShortBusyTimeoutMs));
        ASSERT_TRUE(writer.locked());
        InitialiseSettings();
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(MainKey, false)) << "the main key was not made";
    EXPECT_DOUBLE_EQ(reg.ReadFloat("DefaultStation"), 103.3);
    EXPECT_EQ(reg.ReadInteger("IO Port"), 0x30C);
}
