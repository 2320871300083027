// The settings store behind the registry calls: keys and values in one SQLite database file.
//
// Keys form a tree in table `keys` (the root, id 1, stands for HKEY_CURRENT_USER); values live in
// table `vals`, one row per (key, name). Key and value names compare without regard to ASCII case
// and keep the case they were created with. Key ids are never reused, so a key that another call
// or program deleted is noticed (ERROR_KEY_DELETED) instead of being confused with a newer key.
//
// Every write is one transaction (BEGIN IMMEDIATE, waiting for other writers up to the busy
// timeout); inside a batch it is a savepoint of the batch's transaction. The file is in WAL mode
// with full synchronisation, so a committed write survives a crash of the program or the machine;
// closing the store writes the WAL back into the file. A write that fails for a reason of the
// file (read-only, full disk, locked too long) is reported on stderr, once for each reason.
// Not thread-safe: the registry calls serialise access.
#pragma once

#include "platform/registry.h"
#include "platform/registry/sqlite_db.h"

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

class Transaction;
using KeyId = std::int64_t;
using KeyPath = std::vector<std::string>; // the components of a backslash-separated path

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data; // a REG_SZ value always ends with its terminating zero
};

class RegistryStore {
public:
    static constexpr KeyId kRootKey = 1;
    static constexpr std::uint32_t kApplicationId = 0x4F52564D; // "ORVM"
    static constexpr std::uint32_t kSchemaVersion = 1;

    // Opens the store at path, creating it when missing. A file that is not a store of this
    // version, or fails the integrity check, is renamed to path + ".broken-<time>" (its WAL file
    // with it), reported on stderr, and replaced by a new store. Returns null, with a reason in
    // error, when no store can be opened (the bad file is then left where it is).
    static std::unique_ptr<RegistryStore> open(const std::string& path, std::string& error);

    LSTATUS keyExists(KeyId key);
    LSTATUS openKey(KeyId base, const KeyPath& path, KeyId& key);
    LSTATUS createKey(KeyId base, const KeyPath& path, KeyId& key, bool& created);
    // Deletes base\path (base itself for an empty path) with its values, if it has no subkeys.
    LSTATUS deleteKey(KeyId base, const KeyPath& path);

    LSTATUS queryValue(KeyId key, std::string_view name, StoredValue& value);
    LSTATUS setValue(KeyId key, std::string_view name, DWORD type, std::span<const BYTE> data);
    LSTATUS deleteValue(KeyId key, std::string_view name);

    // Enumeration in name order (ASCII case ignored); ERROR_NO_MORE_ITEMS past the end.
    LSTATUS subkeyAt(KeyId key, DWORD index, std::string& name);
    LSTATUS valueAt(KeyId key, DWORD index, std::string& name, StoredValue& value);

    // A batch: one transaction around the writes until commitBatch or rollbackBatch. Batches
    // nest (inner ones are savepoints); only the outermost commit reaches the file. A batch whose
    // transaction SQLite abandoned after an error fails every later write and its commit.
    LSTATUS beginBatch();
    LSTATUS commitBatch();
    void rollbackBatch();
    bool inBatch() const { return batchDepth_ > 0; }

    Database& database() { return db_; }

private:
    friend class Transaction;
    RegistryStore() = default;

    LSTATUS findChild(KeyId parent, const std::string& name, KeyId& child, LSTATUS readError);
    // The start of every write on a key: its transaction begun and the key still there.
    LSTATUS beginWrite(const Transaction& tx, KeyId key);
    // ERROR_CANTWRITE, after reporting SQLite's reason for it (once for each reason).
    LSTATUS writeFailed();
    bool batchAlive() const;

    std::string path_;
    Database db_;
    std::set<std::string> reported_;
    int batchDepth_ = 0;
};

} // namespace platform::registry
