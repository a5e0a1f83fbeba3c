#include "HiveConnection.h"

#include "Registry.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const HiveSchema =
    "CREATE TABLE keys (id INTEGER PRIMARY KEY,"
    " path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " kind INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " PRIMARY KEY (key, name));";

const char* const StatementText[HiveConnection::StatementCount] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT id FROM keys WHERE path = ?1",
    "INSERT OR IGNORE INTO keys (path) VALUES (?1)",
    "SELECT name, kind, data FROM vals WHERE key = ?1",
    ("INSERT INTO vals (key, name, kind, data) VALUES (?1, ?2, ?3, ?4)"
     " ON CONFLICT (key, name) DO UPDATE SET kind = excluded.kind, data = excluded.data"),
    "SELECT path FROM keys",
    // Straight through the path's index, which is in this order: cheaper
    // than bounding it by a range that is compared without case at each row,
    // and the hive holds little besides the program's own keys.
    "SELECT id, path FROM keys ORDER BY path COLLATE NOCASE",
    // In the order of the table: reading it straight through is cheaper than
    // looking each key's values up through the index.
    "SELECT key, name, kind, data FROM vals",
    // A key and everything under it: ?1 the path, ?2 the path and a backslash.
    ("DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE path = ?1"
     " OR substr(path, 1, length(?2)) = ?2 COLLATE NOCASE)"),
    "DELETE FROM keys WHERE path = ?1 OR substr(path, 1, length(?2)) = ?2 COLLATE NOCASE",
};

int Primary(int rc)
{
    return rc & 0xff;
}

bool IsDamagedHive(int rc)
{
    return Primary(rc) == SQLITE_NOTADB || Primary(rc) == SQLITE_CORRUPT;
}

// A read-only folder keeps a reader from making the log's shared-memory file.
bool NeedsSharedMemoryItCannotMake(int rc)
{
    return Primary(rc) == SQLITE_READONLY || Primary(rc) == SQLITE_CANTOPEN;
}

[[noreturn]] void RaiseNotAHive(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' is damaged or not a Tunzo settings store (" + why +
                             "); it was left unchanged");
}

[[noreturn]] void RaiseUnreadable(const std::string& file, const std::string& why)
{
    throw ERegistryException("The settings store '" + file + "' cannot be read (" + why + ")");
}

[[noreturn]] void RaiseBusy(const std::string& file)
{
    throw ERegistryException("The settings store '" + file +
                             "' is locked by another program, so the settings could not be read; nothing was changed");
}

bool MakeParentFolder(const std::string& file)
{
    const std::filesystem::path parent = std::filesystem::path(file).parent_path();
    if (parent.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    return !ec;
}

// "file:" URIs take the path with its reserved characters escaped.
std::string FileUri(const std::string& path)
{
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static const char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[static_cast<unsigned char>(c) >> 4];
            uri += hex[static_cast<unsigned char>(c) & 0xF];
        } else {
            uri += c;
        }
    }
    return uri;
}

}  // namespace

void BindText(sqlite3_stmt* st, int index, std::string_view text)
{
    sqlite3_bind_text(st, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

StoredValuePlace AppendStoredValue(sqlite3_stmt* st, int firstColumn, std::string& bytes)
{
    // Each column is fetched once and its text and size taken from the
    // value: the column calls are most of what reading a row costs here.
    // (Safe as the connection has one thread.)
    sqlite3_value* name = sqlite3_column_value(st, firstColumn);
    sqlite3_value* data = sqlite3_column_value(st, firstColumn + 2);
    StoredValuePlace place;
    place.kind = sqlite3_column_int(st, firstColumn + 1);
    const auto* nameText = reinterpret_cast<const char*>(sqlite3_value_text(name));
    place.nameAt = static_cast<uint32_t>(bytes.size());
    place.nameSize = nameText ? static_cast<uint32_t>(sqlite3_value_bytes(name)) : 0;
    bytes.append(nameText ? nameText : "", place.nameSize);
    const auto* dataBytes = static_cast<const char*>(sqlite3_value_blob(data));
    place.dataAt = static_cast<uint32_t>(bytes.size());
    place.dataSize = dataBytes ? static_cast<uint32_t>(sqlite3_value_bytes(data)) : 0;
    bytes.append(dataBytes ? dataBytes : "", place.dataSize);
    return place;
}

HiveConnection& HiveConnection::OfProcess()
{
    static HiveConnection connection;
    return connection;
}

void HiveConnection::SetBusyTimeout(int ms)
{
    busyTimeoutMs_ = ms;
    if (db_)
        sqlite3_busy_timeout(db_, ms);
}

sqlite3_stmt* HiveConnection::Prepared(Statement which)
{
    sqlite3_stmt*& st = statements_[which];
    if (!st)
        sqlite3_prepare_v3(db_, StatementText[which], -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (st) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
    return st;
}

int HiveConnection::Run(Statement which)
{
    sqlite3_stmt* st = Prepared(which);
    if (!st)
        return sqlite3_errcode(db_);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    return rc;
}

bool HiveConnection::Execute(const char* sql)
{
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void HiveConnection::Close()
{
    if (db_ && owner_ != getpid()) {
        Abandon();
        return;
    }
    FinalizeStatements();
    sqlite3_close_v2(db_);
    ForgetConnection();
}

void HiveConnection::Abandon()
{
    // The parent's connection, inherited by fork: closing it here could
    // checkpoint or remove the log under the parent's feet, so it is left
    // as it is and this process opens its own.
    statements_.fill(nullptr);
    ForgetConnection();
}

void HiveConnection::FinalizeStatements()
{
    for (sqlite3_stmt*& st : statements_) {
        sqlite3_finalize(st);
        st = nullptr;
    }
}

void HiveConnection::ForgetConnection()
{
    db_ = nullptr;
    depth_ = 0;
    schemaPresent_ = false;
    logChecked_ = false;
}

bool HiveConnection::Open(const std::string& file, int flags)
{
    // A store of a few hundred small rows, a handful of statements at a
    // time: SQLite's lookaside slots (120 KB a connection) and its page
    // cache's bulk start would cost each program more memory than the store
    // holds. Only possible before SQLite's first use; were it set up earlier
    // by someone else, its settings stand.
    static const bool smallFootprint = [] {
        sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        return true;
    }();
    (void)smallFootprint;
    // One thread uses the connection: SQLite need not lock around each call.
    const int rc = sqlite3_open_v2(file.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        if (flags & SQLITE_OPEN_CREATE)
            return false;
        RaiseUnreadable(file_, why);
    }
    owner_ = getpid();
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
    return true;
}

void HiveConnection::ReopenImmutable()
{
    // A hive in the write-ahead-log mode, in a folder this user may not
    // write: SQLite cannot set up the log's shared memory and refuses even
    // to read. Nobody can write it there either, so reading it as it stands
    // on disk is safe.
    Close();
    Open(FileUri(file_) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    readOnly_ = true;
}

bool HiveConnection::Connect(Access access)
{
    if (db_ && owner_ != getpid())
        Abandon();
    const std::string file = RegistryFilePath();
    struct stat st {};
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (db_ && (file != file_ || !exists || st.st_dev != device_ || st.st_ino != inode_))
        Close();
    if (!db_) {
        file_ = file;
        if (!exists && (access == Access::Read || !MakeParentFolder(file)))
            return false;
        if (exists && !S_ISREG(st.st_mode)) {
            if (access == Access::Write)
                return false;
            RaiseUnreadable(file, "it is not a file");
        }
        const int flags = SQLITE_OPEN_READWRITE | (access == Access::Write ? SQLITE_OPEN_CREATE : 0);
        if (!Open(file, flags))
            return false;
        if (!exists && ::stat(file.c_str(), &st) != 0) {
            Close();
            return false;
        }
        device_ = st.st_dev;
        inode_ = st.st_ino;
        if (readOnly_ && NeedsSharedMemoryItCannotMake(sqlite3_exec(db_, "SELECT 1 FROM sqlite_master LIMIT 1",
                                                                   nullptr, nullptr, nullptr)))
            ReopenImmutable();
    }
    return access == Access::Read || !readOnly_;
}

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
