// Key and value operations of the settings store. Opening and recovery: store_open.cpp.
#include "platform/registry/registry_store.h"

#include "platform/identity.h"

#include <cstdio>

namespace platform::registry {

// One write (or a consistent read of several statements): a transaction of its own, or a
// savepoint inside a batch. Rolled back unless committed.
class Transaction {
public:
    enum class Kind { Read, Write };

    Transaction(RegistryStore& store, Kind kind) : db_(store.db_), nested_(store.inBatch()) {
        if (nested_ && !store.batchAlive()) {
            return; // the batch's transaction is gone; write nothing outside it
        }
        const char* begin = nested_               ? "SAVEPOINT op"
                            : kind == Kind::Write ? "BEGIN IMMEDIATE"
                                                  : "BEGIN";
        active_ = db_.exec(begin) == SQLITE_OK;
    }

    ~Transaction() {
        if (active_ && sqlite3_get_autocommit(db_.handle()) == 0) {
            db_.exec(nested_ ? "ROLLBACK TO op; RELEASE op" : "ROLLBACK");
        }
    }

    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool active() const { return active_; }

    bool commit() {
        if (!active_) {
            return false;
        }
        if (db_.exec(nested_ ? "RELEASE op" : "COMMIT") != SQLITE_OK) {
            return false; // the destructor rolls back
        }
        active_ = false;
        return true;
    }

private:
    Database& db_;
    bool nested_;
    bool active_ = false;
};

namespace {

using Kind = Transaction::Kind;

StoredValue readValue(const Statement& row, int typeColumn, int dataColumn) {
    StoredValue value;
    value.type = static_cast<DWORD>(row.columnInt(typeColumn));
    auto data = row.columnBlob(dataColumn);
    value.data.assign(data.begin(), data.end());
    if (value.type == REG_SZ && (value.data.empty() || value.data.back() != 0)) {
        value.data.push_back(0);
    }
    return value;
}

} // namespace

LSTATUS RegistryStore::keyExists(KeyId key) {
    Statement query(db_, "SELECT 1 FROM keys WHERE id = ?");
    switch (query.bind(1, key).step()) {
    case SQLITE_ROW:
        return ERROR_SUCCESS;
    case SQLITE_DONE:
        return ERROR_KEY_DELETED;
    default:
        return ERROR_CANTREAD;
    }
}

LSTATUS RegistryStore::findChild(KeyId parent, const std::string& name, KeyId& child,
                                 LSTATUS readError) {
    Statement query(db_, "SELECT id FROM keys WHERE parent = ? AND name = ?");
    switch (query.bind(1, parent).bind(2, name).step()) {
    case SQLITE_ROW:
        child = query.columnInt(0);
        return ERROR_SUCCESS;
    case SQLITE_DONE:
        return ERROR_FILE_NOT_FOUND;
    default:
        return readError;
    }
}

LSTATUS RegistryStore::openKey(KeyId base, const KeyPath& path, KeyId& key) {
    Transaction tx(*this, Kind::Read);
    if (!tx.active()) {
        return ERROR_CANTREAD;
    }
    if (LSTATUS rc = keyExists(base); rc != ERROR_SUCCESS) {
        return rc;
    }
    KeyId current = base;
    for (const std::string& component : path) {
        if (LSTATUS rc = findChild(current, component, current, ERROR_CANTREAD);
            rc != ERROR_SUCCESS) {
            return rc;
        }
    }
    key = current;
    return tx.commit() ? ERROR_SUCCESS : ERROR_CANTREAD;
}

LSTATUS RegistryStore::createKey(KeyId base, const KeyPath& path, KeyId& key, bool& created) {
    Transaction tx(*this, Kind::Write);
    if (LSTATUS rc = beginWrite(tx, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    KeyId current = base;
    created = false;
    for (const std::string& component : path) {
        LSTATUS rc = findChild(current, component, current, ERROR_CANTWRITE);
        if (rc == ERROR_FILE_NOT_FOUND) {
            Statement insert(db_, "INSERT INTO keys(parent, name) VALUES(?, ?)");
            if (insert.bind(1, current).bind(2, component).step() != SQLITE_DONE) {
                return writeFailed();
            }
            current = sqlite3_last_insert_rowid(db_.handle());
            created = true;
        } else if (rc != ERROR_SUCCESS) {
            return rc;
        } else {
            created = false;
        }
    }
    if (!tx.commit()) {
        return writeFailed();
    }
    key = current;
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::deleteKey(KeyId base, const KeyPath& path) {
    Transaction tx(*this, Kind::Write);
    if (LSTATUS rc = beginWrite(tx, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    KeyId key = base;
    for (const std::string& component : path) {
        if (LSTATUS rc = findChild(key, component, key, ERROR_CANTWRITE); rc != ERROR_SUCCESS) {
            return rc;
        }
    }
    if (key == kRootKey) {
        return ERROR_ACCESS_DENIED;
    }
    Statement children(db_, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
    switch (children.bind(1, key).step()) {
    case SQLITE_ROW:
        return ERROR_ACCESS_DENIED; // only keys without subkeys are deleted
    case SQLITE_DONE:
        break;
    default:
        return writeFailed();
    }
    Statement values(db_, "DELETE FROM vals WHERE key = ?");
    Statement self(db_, "DELETE FROM keys WHERE id = ?");
    if (values.bind(1, key).step() != SQLITE_DONE || self.bind(1, key).step() != SQLITE_DONE) {
        return writeFailed();
    }
    return tx.commit() ? ERROR_SUCCESS : writeFailed();
}

LSTATUS RegistryStore::queryValue(KeyId key, std::string_view name, StoredValue& value) {
    Statement query(db_, "SELECT type, data FROM vals WHERE key = ? AND name = ?");
    switch (query.bind(1, key).bind(2, name).step()) {
    case SQLITE_ROW:
        value = readValue(query, 0, 1);
        return ERROR_SUCCESS;
    case SQLITE_DONE: {
        LSTATUS rc = keyExists(key);
        return rc == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : rc;
    }
    default:
        return ERROR_CANTREAD;
    }
}

LSTATUS RegistryStore::setValue(KeyId key, std::string_view name, DWORD type,
                                std::span<const BYTE> data) {
    Transaction tx(*this, Kind::Write);
    if (LSTATUS rc = beginWrite(tx, key); rc != ERROR_SUCCESS) {
        return rc;
    }
    // The name keeps the case of its first writing, as a registry value's name does.
    Statement upsert(db_, "INSERT INTO vals(key, name, type, data) VALUES(?, ?, ?, ?) "
                          "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                          "data = excluded.data");
    upsert.bind(1, key).bind(2, name).bind(3, static_cast<std::int64_t>(type)).bindBlob(4, data);
    if (upsert.step() != SQLITE_DONE) {
        return writeFailed();
    }
    return tx.commit() ? ERROR_SUCCESS : writeFailed();
}

LSTATUS RegistryStore::deleteValue(KeyId key, std::string_view name) {
    Transaction tx(*this, Kind::Write);
    if (LSTATUS rc = beginWrite(tx, key); rc != ERROR_SUCCESS) {
        return rc;
    }
    Statement erase(db_, "DELETE FROM vals WHERE key = ? AND name = ?");
    if (erase.bind(1, key).bind(2, name).step() != SQLITE_DONE) {
        return writeFailed();
    }
    if (sqlite3_changes(db_.handle()) == 0) {
        LSTATUS rc = keyExists(key);
        return rc == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : rc;
    }
    return tx.commit() ? ERROR_SUCCESS : writeFailed();
}

LSTATUS RegistryStore::subkeyAt(KeyId key, DWORD index, std::string& name) {
    Statement query(db_, "SELECT name FROM keys WHERE parent = ? ORDER BY name LIMIT 1 OFFSET ?");
    switch (query.bind(1, key).bind(2, static_cast<std::int64_t>(index)).step()) {
    case SQLITE_ROW:
        name = query.columnText(0);
        return ERROR_SUCCESS;
    case SQLITE_DONE: {
        LSTATUS rc = keyExists(key);
        return rc == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : rc;
    }
    default:
        return ERROR_CANTREAD;
    }
}

LSTATUS RegistryStore::valueAt(KeyId key, DWORD index, std::string& name, StoredValue& value) {
    Statement query(db_, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY name "
                         "LIMIT 1 OFFSET ?");
    switch (query.bind(1, key).bind(2, static_cast<std::int64_t>(index)).step()) {
    case SQLITE_ROW:
        name = query.columnText(0);
        value = readValue(query, 1, 2);
        return ERROR_SUCCESS;
    case SQLITE_DONE: {
        LSTATUS rc = keyExists(key);
        return rc == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : rc;
    }
    default:
        return ERROR_CANTREAD;
    }
}

LSTATUS RegistryStore::beginBatch() {
    if (batchDepth_ > 0 && !batchAlive()) {
        return ERROR_CANTWRITE;
    }
    if (db_.exec(batchDepth_ == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT batch") != SQLITE_OK) {
        return writeFailed();
    }
    ++batchDepth_;
    return ERROR_SUCCESS;
}

LSTATUS RegistryStore::commitBatch() {
    if (batchDepth_ == 0) {
        return ERROR_CANTWRITE;
    }
    if (!batchAlive()) {
        --batchDepth_;
        return ERROR_CANTWRITE;
    }
    if (batchDepth_ > 1) {
        --batchDepth_;
        return db_.exec("RELEASE batch") == SQLITE_OK ? ERROR_SUCCESS : writeFailed();
    }
    batchDepth_ = 0;
    if (db_.exec("COMMIT") == SQLITE_OK) {
        return ERROR_SUCCESS;
    }
    const LSTATUS failed = writeFailed();
    if (sqlite3_get_autocommit(db_.handle()) == 0) {
        db_.exec("ROLLBACK");
    }
    return failed;
}

void RegistryStore::rollbackBatch() {
    if (batchDepth_ == 0) {
        return;
    }
    if (batchAlive()) {
        db_.exec(batchDepth_ > 1 ? "ROLLBACK TO batch; RELEASE batch" : "ROLLBACK");
    }
    --batchDepth_;
}

LSTATUS RegistryStore::beginWrite(const Transaction& tx, KeyId key) {
    if (!tx.active()) {
        return writeFailed();
    }
    LSTATUS rc = keyExists(key);
    return rc == ERROR_CANTREAD ? writeFailed() : rc;
}

LSTATUS RegistryStore::writeFailed() {
    const int code = sqlite3_errcode(db_.handle());
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) {
        return ERROR_CANTWRITE; // nothing new to say: the batch already failed
    }
    const bool readOnly = code == SQLITE_READONLY || sqlite3_db_readonly(db_.handle(), "main") == 1;
    const std::string reason = readOnly ? "read-only" : db_.errorMessage();
    if (reported_.insert(reason).second) {
        if (readOnly) {
            std::fprintf(stderr, "%s: the settings store %s is read-only; changes are not saved\n",
                         appIdentity().name.c_str(), path_.c_str());
        } else {
            std::fprintf(stderr, "%s: cannot save to the settings store %s: %s\n",
                         appIdentity().name.c_str(), path_.c_str(), reason.c_str());
        }
    }
    return ERROR_CANTWRITE;
}

// SQLite ends a transaction by itself after some errors (a full disk, an I/O error). The batch is
// then lost as a whole, and later writes must not slip into the store one by one.
bool RegistryStore::batchAlive() const {
    return sqlite3_get_autocommit(db_.handle()) == 0;
}

} // namespace platform::registry
