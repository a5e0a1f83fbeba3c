// The transactions on the process's connection: one open-to-close of a key
// is one transaction, readers never take the write lock, and after each
// write the log is emptied into the file.

#include "HiveConnection.h"

#include "HiveInternals.h"

using namespace HiveInternals;

void HiveConnection::UseWriteAheadLog()
{
    // Readers and the one writer then never wait for each other. The mode
    // stays in the file, so after the first time this only reads it.
    if (logChecked_)
        return;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA journal_mode=WAL", -1, &st, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    sqlite3_finalize(st);
    logChecked_ = rc == SQLITE_ROW;
    // With the log, NORMAL still keeps every commit whole when a process
    // dies; it only skips the flush to disk on each commit. (Set on a
    // writing connection only: it reads the schema, which would make a
    // reader wait for a locked hive twice.)
    if (logChecked_)
        Execute("PRAGMA synchronous=NORMAL");
}

HiveConnection::Schema HiveConnection::ReadSchema(Access access)
{
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr);
    int tables = 0;
    int ours = 0;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            ++tables;
            if (name && (sqlite3_stricmp(name, "keys") == 0 || sqlite3_stricmp(name, "vals") == 0))
                ++ours;
        }
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    if (rc == SQLITE_OK) {
        if (ours == 2)
            return Schema::Present;
        if (tables > 0)
            RaiseNotAHive(file_, "it holds other tables");
        return Schema::Missing;
    }
    const std::string why = sqlite3_errmsg(db_);
    if (IsDamagedHive(rc))
        RaiseNotAHive(file_, why);
    if (access == Access::Write)
        return Schema::Unreadable;
    if (Primary(rc) == SQLITE_BUSY)
        RaiseBusy(file_);
    RaiseUnreadable(file_, why);
}

bool HiveConnection::Begin(Access access)
{
    if (depth_ > 0) {
        ++depth_;
        return true;
    }
    if (!Connect(access))
        return false;
    if (access == Access::Write) {
        // On a hive already known to be ours the log's mode (and with it
        // the lighter flushing) is set before the first write rather than
        // after it: that write then commits into the log without a flush of
        // its own, which the checkpoint right after it makes anyway. A start
        // that publishes its handle spends most of its time on the disk.
        if (schemaPresent_)
            UseWriteAheadLogWithoutWaiting();
        // The write lock is taken at once: upgrading a read transaction
        // later could fail with "database is locked" instead of waiting.
        const int rc = Run(BeginWrite);
        if (IsDamagedHive(rc))
            RaiseNotAHive(file_, sqlite3_errmsg(db_));
        if (rc != SQLITE_DONE)
            return false;
    } else {
        // Deferred: in the log's mode a reader never waits for a writer.
        Run(BeginRead);
    }
    depth_ = 1;
    writing_ = access == Access::Write;
    if (schemaPresent_)
        return true;
    try {
        Schema schema = ReadSchema(access);
        if (schema == Schema::Missing && access == Access::Write && Execute(HiveSchema))
            schema = Schema::Present;
        if (schema != Schema::Present) {
            Abort();
            return false;
        }
    } catch (...) {
        Abort();
        throw;
    }
    schemaPresent_ = true;
    return true;
}

void HiveConnection::Abort()
{
    depth_ = 0;
    if (db_)
        Run(Rollback);
}

void HiveConnection::Discard()
{
    if (depth_ > 0)
        Abort();
}

bool HiveConnection::End()
{
    if (depth_ == 0 || --depth_ > 0)
        return true;
    if (!db_)
        return false;
    if (Run(Commit) != SQLITE_DONE) {
        Run(Rollback);
        return false;
    }
    if (writing_)
        TidyLogAfterWrite();
    return true;
}

void HiveConnection::UseWriteAheadLogWithoutWaiting()
{
    // When another program is in the way, the next write tries again.
    sqlite3_busy_timeout(db_, 0);
    UseWriteAheadLog();
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
}

void HiveConnection::TidyLogAfterWrite()
{
    sqlite3_busy_timeout(db_, 0);
    // Set only once the hive is known to be ours, so that another
    // program's file is never touched; the first write, which makes the
    // tables, still goes through the rollback journal.
    UseWriteAheadLog();
    // The connection stays open, and with it the log. Were the hive deleted
    // or replaced meanwhile (a user starting afresh, a backup copied back),
    // a log still holding pages would be laid over the next file at that
    // path. So the pages go into the file after each write, and the log is
    // emptied. Neither step is waited for: when a reader is in the way, the
    // next write tries again.
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
}
