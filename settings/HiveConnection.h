#pragma once
// The process's one connection to the hive, shared by every TRegistry. It is
// opened on first use and closed at exit; a key open is a transaction on it.
// Opening a connection costs far more than a key open (the schema is read,
// the write-ahead log and its shared memory are set up), so start-up, which
// opens a hundred keys, must not pay it per key.
//
// The connection follows the file: when $TUNZO_REGISTRY names another file,
// or the file was deleted or replaced since, the next operation opens the
// file that is there now. A child process made by fork never uses its
// parent's connection.

#include "Registry.h"

#include <sqlite3.h>
#include <sys/types.h>

#include <array>
#include <string>
#include <string_view>

// Binds text that SQLite copies, so that it may be a temporary.
void BindText(sqlite3_stmt* st, int index, std::string_view text);
// Where a value read from a row lies in a buffer of bytes. The buffer grows
// while rows are read, so a value is kept as positions until the last row.
struct StoredValuePlace {
    int32_t kind = 0;
    uint32_t nameAt = 0;
    uint32_t nameSize = 0;
    uint32_t dataAt = 0;
    uint32_t dataSize = 0;

    TStoredValue In(std::string_view bytes) const
    {
        return {bytes.substr(nameAt, nameSize), kind, bytes.substr(dataAt, dataSize)};
    }
};
// Appends the name and data of the row's columns name, kind, data (starting
// at `firstColumn`) to `bytes`.
StoredValuePlace AppendStoredValue(sqlite3_stmt* st, int firstColumn, std::string& bytes);

class HiveConnection {
public:
    enum class Access { Read, Write };
    enum Statement {
        BeginRead,
        BeginWrite,
        Commit,
        Rollback,
        FindKey,
        InsertKey,
        ReadValues,
        StoreValue,
        ListKeys,
        ReadKeysInOrder,
        ReadAllValues,
        DeleteKeyValues,
        DeleteKeys,
        FindKeyBelow,
        StatementCount
    };

    static HiveConnection& OfProcess();
    ~HiveConnection() { Close(); }

    // Begins a transaction of `access`, or joins the one already open (keys
    // opened while another key or a read scope is open share its
    // transaction). False when there is nothing to read (no file, no tables
    // yet) or the hive cannot be written (no write access, or another
    // program has held its write lock for the whole busy timeout). Raises
    // ERegistryException, naming the file, when it is damaged, foreign,
    // unreadable or locked against readers.
    bool Begin(Access access);
    // Leaves the transaction; the outermost one commits. False when the
    // commit failed (the transaction is then rolled back).
    bool End();
    // Rolls the open transaction back, however deep, so that nothing written
    // in it since the outermost Begin is kept; the Ends still to come do
    // nothing.
    void Discard();

    sqlite3* db() const { return db_; }
    const std::string& file() const { return file_; }
    // A prepared statement, reset and with its bindings cleared.
    sqlite3_stmt* Prepared(Statement which);

    // The hive as this process sees it now (see StoreMark in Registry.h).
    TStoreMark Mark();

    void SetBusyTimeout(int ms);
    int BusyTimeout() const { return busyTimeoutMs_; }
    void Close();

private:
    enum class Schema { Present, Missing, Unreadable };

    HiveConnection() = default;
    bool Connect(Access access);
    bool Open(const std::string& file, int flags);
    void ReopenImmutable();
    void Abandon();
    void FinalizeStatements();
    // The state that belongs to one open connection, back to none.
    void ForgetConnection();
    void UseWriteAheadLog();
    void UseWriteAheadLogWithoutWaiting();
    Schema ReadSchema(Access access);
    bool Execute(const char* sql);
    // Steps a statement that returns no rows: SQLITE_DONE when it ran.
    int Run(Statement which);
    // Rolls the open transaction back, however deep.
    void Abort();
    void TidyLogAfterWrite();

    sqlite3* db_ = nullptr;
    std::string file_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    pid_t owner_ = 0;
    bool readOnly_ = false;
    bool schemaPresent_ = false;
    bool logChecked_ = false;
    int depth_ = 0;
    bool writing_ = false;
    int busyTimeoutMs_ = RegistryBusyTimeoutMs;
    // Counts the connections opened, so that a mark taken on another
    // connection (another file) never equals one taken on this.
    uint64_t connections_ = 0;
    std::array<sqlite3_stmt*, StatementCount> statements_{};
};
