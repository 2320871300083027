// Opening the settings store: checking the file, moving a bad one aside, creating a new store.
//
// Programs opening the same file take an exclusive lock on "<file>.lock" for the duration of the
// open, so that two of them never both decide to move the file aside or create the schema.
//
// A file is taken for a store when its SQLite application id and user version are ours, its
// schema is exactly the one this code creates, the root key exists and the integrity check passes.
// A file without any content (new, or empty) becomes a new store; so does a database without
// tables, but only when it is whole pages that pass the integrity check (a store cut short can
// look empty). Anything else is moved aside, as is a file on which the schema cannot be created
// because it is damaged. The schema is created before the file is switched to WAL, so a file that
// turns out bad has not been written to. Errors that say nothing about the file (busy, locked, no
// permission, I/O) leave it alone, as does something other than a regular file in its place.
#include "platform/identity.h"
#include "platform/paths.h"
#include "platform/registry/registry_store.h"
#include "platform/store_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
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

Check integrityCheck(Database& db) {
    Statement integrity(db, "PRAGMA integrity_check(1)");
    if (int rc = integrity.step(); rc != SQLITE_ROW) {
        return failure(rc, db);
    }
    if (std::string result = integrity.columnText(0); result != "ok") {
        return {Verdict::Broken, "damaged: " + result};
    }
    return {Verdict::Good, {}};
}

// A database without tables is a store yet to be made if it has no bytes at all, or whole pages
// that pass the integrity check. SQLite reads a file cut below its page size as empty.
Check checkEmpty(Database& db, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return {Verdict::Unavailable, std::strerror(errno)};
    }
    if (st.st_size == 0) {
        return {Verdict::Empty, {}};
    }
    int rc = SQLITE_OK;
    auto pageSize = pragmaInt(db, "PRAGMA page_size", rc);
    if (!pageSize) {
        return failure(rc, db);
    }
    if (*pageSize <= 0 || st.st_size < *pageSize || st.st_size % *pageSize != 0) {
        return {Verdict::Broken, "not a whole number of pages: " + std::to_string(st.st_size) +
                                     " bytes in pages of " + std::to_string(*pageSize)};
    }
    Check integrity = integrityCheck(db);
    return integrity.verdict == Verdict::Good ? Check{Verdict::Empty, {}} : integrity;
}

Check checkFile(Database& db, const std::string& path) {
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
        return checkEmpty(db, path);
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
    if (Check integrity = integrityCheck(db); integrity.verdict != Verdict::Good) {
        return integrity;
    }
    Statement root(db, "SELECT 1 FROM keys WHERE id = 1");
    if ((rc = root.step()) != SQLITE_ROW) {
        return rc == SQLITE_DONE ? Check{Verdict::Broken, "no root key"} : failure(rc, db);
    }
    return {Verdict::Good, {}};
}

// Creates the tables and the root key in one transaction; on failure, error has SQLite's reason.
int createSchema(Database& db, std::string& error) {
    const std::string sql = std::string("BEGIN IMMEDIATE;") + kSchema +
                            "INSERT INTO keys(id, parent, name) VALUES(1, 0, '');"
                            "PRAGMA application_id = " +
                            std::to_string(RegistryStore::kApplicationId) +
                            ";"
                            "PRAGMA user_version = " +
                            std::to_string(RegistryStore::kSchemaVersion) + ";COMMIT;";
    const int rc = db.exec(sql.c_str());
    if (rc != SQLITE_OK) {
        error = db.errorMessage(); // before the rollback, which replaces it
        if (sqlite3_get_autocommit(db.handle()) == 0) {
            db.exec("ROLLBACK");
        }
    }
    return rc;
}

// Moves a bad store aside with its WAL; the WAL index goes (it is rebuilt from the WAL).
std::optional<std::string> moveStoreAside(const std::string& path) {
    auto movedTo = platform::moveAside(path, {"-wal"});
    if (movedTo) {
        std::error_code ec;
        fs::remove(path + "-shm", ec);
    }
    return movedTo;
}

// Opens the connection; kNotARegularFile for a FIFO, device or folder, which SQLite is not let at.
int openConnection(Database& db, const std::string& path) {
    // Created with owner-only permissions; SQLite gives its WAL files the same.
    const int fd = platform::openRegularFile(path, O_RDWR | O_CREAT);
    if (fd == platform::kNotARegularFile) {
        return fd;
    }
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
    platform::FileLock lock(path); // without a lock file (read-only folder) the open goes on
    std::unique_ptr<RegistryStore> store(new RegistryStore);
    store->path_ = path;
    Database& db = store->db_;
    bool movedOnce = false;
    for (;;) {
        if (int rc = openConnection(db, path); rc != SQLITE_OK) {
            error = "cannot open " + path + ": " +
                    (rc == platform::kNotARegularFile ? "not a regular file" : sqlite3_errstr(rc));
            return nullptr;
        }
        Check check = checkFile(db, path);
        if (check.verdict == Verdict::Empty) {
            // Synchronous before the first write; WAL only once the schema is in the file.
            db.exec("PRAGMA synchronous = FULL");
            std::string reason;
            if (int rc = createSchema(db, reason); rc != SQLITE_OK) {
                if (!meansDamaged(rc)) {
                    error = "cannot create a store in " + path + ": " + reason;
                    return nullptr;
                }
                check = {Verdict::Broken, "cannot create the tables: " + reason};
            }
        }
        if (check.verdict == Verdict::Unavailable) {
            error = "cannot read " + path + ": " + check.reason;
            return nullptr;
        }
        if (check.verdict == Verdict::Broken) {
            db.close();
            std::optional<std::string> movedTo;
            if (movedOnce || !(movedTo = moveStoreAside(path))) {
                error = path + " is not a usable settings store (" + check.reason +
                        ") and could not be moved aside";
                return nullptr;
            }
            std::fprintf(stderr,
                         "%s: the settings store %s is not usable (%s); moved it to %s and "
                         "started a new, empty store\n",
                         appIdentity().name.c_str(), path.c_str(), check.reason.c_str(),
                         movedTo->c_str());
            movedOnce = true;
            continue;
        }
        // WAL: readers never wait for a writer, and a commit is one append. A file system without
        // shared memory keeps the rollback journal, which is just as safe.
        db.exec("PRAGMA journal_mode = WAL");
        db.exec("PRAGMA synchronous = FULL");
        // From now on, the last connection to close writes the WAL back into the file.
        sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
        return store;
    }
}

} // namespace platform::registry
