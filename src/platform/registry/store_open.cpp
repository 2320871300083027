// Opening the settings store: checking the file, moving a bad one aside, creating a new store.
//
// Programs opening the same file take an exclusive lock on "<file>.lock" for the duration of the
// open, so that two of them never both decide to move the file aside or create the schema.
//
// A file is taken for a store when its SQLite application id and user version are ours, its
// schema is exactly the one this code creates, the root key exists and the integrity check passes.
// A file without any content (new, or empty) becomes a new store. Anything else is moved aside.
// Errors that say nothing about the file (busy, locked, no permission, I/O) leave it alone.
#include "platform/identity.h"
#include "platform/paths.h"
#include "platform/registry/registry_store.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

namespace platform::registry {
namespace {

namespace fs = std::filesystem;

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL, "
    "name TEXT NOT NULL COLLATE NOCASE, UNIQUE(parent, name));"
    "CREATE TABLE vals(key INTEGER NOT NULL, name TEXT NOT NULL COLLATE NOCASE, "
    "type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;";

constexpr const char* kSchemaQuery =
    "SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_schema ORDER BY name";

// Holds an exclusive advisory lock on a file beside the store while it is opened.
class OpenLock {
public:
    explicit OpenLock(const std::string& storePath) {
        fd_ = ::open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~OpenLock() {
        if (fd_ >= 0) {
            ::close(fd_); // releases the lock
        }
    }
    OpenLock(const OpenLock&) = delete;
    OpenLock& operator=(const OpenLock&) = delete;

private:
    int fd_ = -1; // without a lock file (read-only folder) the open goes on unlocked
};

enum class Verdict { Good, Empty, Broken, Unavailable };

struct Check {
    Verdict verdict;
    std::string reason;
};

// SQLite codes that mean the file's content is not a usable database.
bool meansDamaged(int rc) {
    return rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT;
}

Check failure(int rc, const Database& db) {
    return {meansDamaged(rc) ? Verdict::Broken : Verdict::Unavailable, db.errorMessage()};
}

std::optional<std::int64_t> pragmaInt(Database& db, const char* sql, int& rc) {
    Statement query(db, sql);
    rc = query.step();
    if (rc != SQLITE_ROW) {
        return std::nullopt;
    }
    rc = SQLITE_OK;
    return query.columnInt(0);
}

using SchemaRows = std::vector<std::string>;

int readSchema(Database& db, SchemaRows& rows) {
    Statement query(db, kSchemaQuery);
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        rows.push_back(query.columnText(0) + '|' + query.columnText(1) + '|' + query.columnText(2) +
                       '|' + query.columnText(3));
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// What sqlite_schema holds for a store made by this code, as SQLite itself records it.
const SchemaRows& expectedSchema() {
    static const SchemaRows rows = [] {
        Database db;
        SchemaRows result;
        if (db.open(":memory:") == SQLITE_OK && db.exec(kSchema) == SQLITE_OK) {
            readSchema(db, result);
        }
        return result;
    }();
    return rows;
}

Check checkFile(Database& db) {
    int rc = SQLITE_OK;
    SchemaRows schema;
    if ((rc = readSchema(db, schema)) != SQLITE_OK) {
        return failure(rc, db);
    }
    auto appId = pragmaInt(db, "PRAGMA application_id", rc);
    if (!appId) {
        return failure(rc, db);
    }
    auto version = pragmaInt(db, "PRAGMA user_version", rc);
    if (!version) {
        return failure(rc, db);
    }
    if (schema.empty() && *appId == 0 && *version == 0) {
        return {Verdict::Empty, {}};
    }
    if (*appId != RegistryStore::kApplicationId) {
        return {Verdict::Broken, "not a settings store"};
    }
    if (*version != RegistryStore::kSchemaVersion) {
        return {Verdict::Broken, "store version " + std::to_string(*version) + ", expected " +
                                     std::to_string(RegistryStore::kSchemaVersion)};
    }
    if (schema != expectedSchema()) {
        return {Verdict::Broken, "unexpected tables"};
    }
    Statement integrity(db, "PRAGMA integrity_check(1)");
    if ((rc = integrity.step()) != SQLITE_ROW) {
        return failure(rc, db);
    }
    if (std::string result = integrity.columnText(0); result != "ok") {
        return {Verdict::Broken, "damaged: " + result};
    }
    Statement root(db, "SELECT 1 FROM keys WHERE id = 1");
    if ((rc = root.step()) != SQLITE_ROW) {
        return rc == SQLITE_DONE ? Check{Verdict::Broken, "no root key"} : failure(rc, db);
    }
    return {Verdict::Good, {}};
}

int createSchema(Database& db) {
    const std::string sql = std::string("BEGIN IMMEDIATE;") + kSchema +
                            "INSERT INTO keys(id, parent, name) VALUES(1, 0, '');"
                            "PRAGMA application_id = " +
                            std::to_string(RegistryStore::kApplicationId) +
                            ";"
                            "PRAGMA user_version = " +
                            std::to_string(RegistryStore::kSchemaVersion) + ";COMMIT;";
    int rc = db.exec(sql.c_str());
    if (rc != SQLITE_OK && sqlite3_get_autocommit(db.handle()) == 0) {
        db.exec("ROLLBACK");
    }
    return rc;
}

std::string timeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames the file (and its WAL) to a free "<path>.broken-<time>[-n]" name; never overwrites.
bool moveAside(const std::string& path, std::string& movedTo) {
    const std::string stem = path + ".broken-" + timeStamp();
    std::error_code ec;
    for (int n = 0; n < 100; ++n) {
        std::string target = n == 0 ? stem : stem + "-" + std::to_string(n);
        if (fs::exists(target, ec) || fs::exists(target + "-wal", ec)) {
            continue;
        }
        if (::rename(path.c_str(), target.c_str()) != 0) {
            return false;
        }
        if (fs::exists(path + "-wal", ec)) {
            ::rename((path + "-wal").c_str(), (target + "-wal").c_str());
        }
        fs::remove(path + "-shm", ec); // the WAL index is rebuilt from the WAL when needed
        movedTo = target;
        return true;
    }
    return false;
}

int openConnection(Database& db, const std::string& path) {
    // Created with owner-only permissions; SQLite gives its WAL files the same.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
    int rc = db.open(path);
    if (rc != SQLITE_OK) {
        return rc;
    }
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    // While the file is checked, closing must not checkpoint a WAL into a file that may be bad.
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return SQLITE_OK;
}

} // namespace

std::unique_ptr<RegistryStore> RegistryStore::open(const std::string& path, std::string& error) {
    std::error_code ec;
    if (fs::path parent = fs::path(path).parent_path();
        !parent.empty() && !fs::exists(parent, ec)) {
        makePrivateFolders(parent);
    }
    OpenLock lock(path);
    std::unique_ptr<RegistryStore> store(new RegistryStore);
    Database& db = store->db_;
    bool movedOnce = false;
    for (;;) {
        if (int rc = openConnection(db, path); rc != SQLITE_OK) {
            error = "cannot open " + path + ": " + sqlite3_errstr(rc);
            return nullptr;
        }
        Check check = checkFile(db);
        if (check.verdict == Verdict::Unavailable) {
            error = "cannot read " + path + ": " + check.reason;
            return nullptr;
        }
        if (check.verdict == Verdict::Broken) {
            db.close();
            std::string movedTo;
            if (movedOnce || !moveAside(path, movedTo)) {
                error = path + " is not a usable settings store (" + check.reason +
                        ") and could not be moved aside";
                return nullptr;
            }
            std::fprintf(stderr,
                         "%s: the settings store %s is not usable (%s); moved it to %s and "
                         "started a new, empty store\n",
                         appIdentity().name.c_str(), path.c_str(), check.reason.c_str(),
                         movedTo.c_str());
            movedOnce = true;
            continue;
        }
        // WAL: readers never wait for a writer, and a commit is one append. A file system without
        // shared memory keeps the rollback journal, which is just as safe.
        db.exec("PRAGMA journal_mode = WAL");
        db.exec("PRAGMA synchronous = FULL");
        if (check.verdict == Verdict::Empty) {
            if (int rc = createSchema(db); rc != SQLITE_OK) {
                error = "cannot create a store in " + path + ": " + db.errorMessage();
                return nullptr;
            }
        }
        sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
        return store;
    }
}

} // namespace platform::registry
