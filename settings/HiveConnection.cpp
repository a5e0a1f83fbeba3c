#include "HiveConnection.h"

#include "HiveInternals.h"
#include "Registry.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace HiveInternals;

namespace {

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
    // Any key under ?1, the path and a backslash.
    "SELECT 1 FROM keys WHERE substr(path, 1, length(?1)) = ?1 COLLATE NOCASE LIMIT 1",
};

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
    ++connections_;
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
    return true;
}

void HiveConnection::ReopenImmutable()
{
    // A hive in the write-ahead-log mode, in a folder this user may not
    // write: SQLite cannot set up the log's shared memory and refuses even
    // to read. Nobody can write it there either, so reading it as it stands
    // on disk is safe, unless another program left changes in its log: read
    // without them, the store would give older values than it holds.
    struct stat log {};
    if (::stat((file_ + "-wal").c_str(), &log) == 0 && log.st_size > 0) {
        const std::string file = file_;
        Close();
        RaiseUnreadable(file, "the changes in its log '" + file + "-wal' cannot be read, as its folder cannot be "
                              "written; let the program that wrote it end, or make the folder writable");
    }
    Close();
    Open(FileUri(file_) + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    readOnly_ = true;
}

namespace {
// Differs from every version SQLite gives, and from itself at the next look.
int64_t unknownVersions = 0;
}  // namespace

TStoreMark HiveConnection::Mark()
{
    // Within a transaction the connection must stay the one it began on.
    if (depth_ == 0 && !Connect(Access::Read))
        return {};
    if (!db_)
        return {};
    // Never waits: a hive locked now reads as changed, and is read (and
    // waited for) by whoever asked.
    sqlite3_busy_timeout(db_, 0);
    sqlite3_stmt* st = nullptr;
    TStoreMark mark{connections_, --unknownVersions};
    if (sqlite3_prepare_v2(db_, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        mark.version = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_busy_timeout(db_, busyTimeoutMs_);
    return mark;
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
        // Whether the file may be written or not, a folder this user may not
        // write keeps SQLite from making the log's shared memory. Not waited
        // for: a lock held now is met, and waited for, by the read itself.
        sqlite3_busy_timeout(db_, 0);
        const int probe = sqlite3_exec(db_, "SELECT 1 FROM sqlite_master LIMIT 1", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(db_, busyTimeoutMs_);
        if (NeedsSharedMemoryItCannotMake(probe))
            ReopenImmutable();
    }
    return access == Access::Read || !readOnly_;
}

