// The registry calls: argument checks, key handles, and the process's connection to the store.
// One recursive lock serialises every call (and spans a RegistryBatch).
#include "platform/identity.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/registry/registry_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

namespace {

using platform::registry::KeyId;
using platform::registry::KeyPath;
using platform::registry::RegistryStore;
using platform::registry::StoredValue;

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr std::size_t kMaxValueSize = 1 << 20;

struct OpenKey {
    KeyId key;
    REGSAM access;
};

enum class Use { Read, Write };

class Registry;
Registry& registryState();

class Registry {
public:
    std::recursive_mutex mutex;
    unsigned long generation = 0; // grows whenever the store is closed

    // The store, opened on first use; null (reported on stderr) when it cannot be opened.
    RegistryStore* store() {
        if (!store_) {
            std::string error;
            store_ = RegistryStore::open(platform::registryStorePath(), error);
            if (!store_ && reported_.insert(error).second) {
                std::fprintf(stderr, "%s: settings store unavailable: %s\n",
                             platform::appIdentity().name.c_str(), error.c_str());
            }
            if (store_ && !closesAtExit_) {
                closesAtExit_ = true;
                std::atexit(closeAtExit);
            }
        }
        return store_.get();
    }

    void close() {
        store_.reset();
        handles_.clear();
        ++generation;
    }

private:
    // Closing the connection writes the WAL back into the store file, so that the file alone
    // holds every setting once the program has ended. Key handles stay valid (a registry call
    // made later in the exit opens the store again); a batch still open is rolled back.
    static void closeAtExit() {
        Registry& reg = registryState();
        if (reg.mutex.try_lock()) { // never wait at exit for another thread's batch
            reg.store_.reset();
            ++reg.generation;
            reg.closesAtExit_ = false;
            reg.mutex.unlock();
        }
    }

public:
    // Resolves a handle with the access a call needs.
    LSTATUS resolve(HKEY hKey, REGSAM needed, KeyId& key) {
        if (hKey == HKEY_CURRENT_USER) {
            key = RegistryStore::kRootKey;
            return ERROR_SUCCESS;
        }
        auto it = handles_.find(reinterpret_cast<std::uintptr_t>(hKey));
        if (it == handles_.end()) {
            return ERROR_INVALID_HANDLE;
        }
        if ((it->second.access & needed) != needed) {
            return ERROR_ACCESS_DENIED;
        }
        key = it->second.key;
        return ERROR_SUCCESS;
    }

    HKEY addHandle(KeyId key, REGSAM access) {
        const std::uintptr_t handle = nextHandle_;
        nextHandle_ += 4;
        handles_.emplace(handle, OpenKey{key, (access & MAXIMUM_ALLOWED) ? ~REGSAM{0} : access});
        return reinterpret_cast<HKEY>(handle);
    }

    bool closeHandle(HKEY hKey) { return handles_.erase(reinterpret_cast<std::uintptr_t>(hKey)); }

private:
    std::unique_ptr<RegistryStore> store_;
    std::unordered_map<std::uintptr_t, OpenKey> handles_;
    std::uintptr_t nextHandle_ = 0x1000; // far from HKEY_CURRENT_USER's 0x80000001
    std::set<std::string> reported_;
    bool closesAtExit_ = false;
};

// Lives for the whole process, so registry calls made during static destruction stay safe.
Registry& registryState() {
    static Registry* instance = new Registry;
    return *instance;
}

LSTATUS unavailable(Use use) {
    return use == Use::Read ? ERROR_CANTREAD : ERROR_CANTWRITE;
}

// Splits a backslash-separated path; empty components are skipped.
// Runs fn(registry, store, key) under the registry's lock on the key of a handle that has the
// access asked for; without a store, the read or write error of the use.
template <typename Fn> LSTATUS onKey(HKEY hKey, REGSAM access, Use use, Fn&& fn) {
    Registry& reg = registryState();
    std::lock_guard lock(reg.mutex);
    KeyId key = 0;
    if (LSTATUS rc = reg.resolve(hKey, access, key); rc != ERROR_SUCCESS) {
        return rc;
    }
    RegistryStore* store = reg.store();
    if (!store) {
        return unavailable(use);
    }
    return fn(reg, *store, key);
}

LSTATUS parsePath(LPCSTR text, KeyPath& path) {
    path.clear();
    if (!text) {
        return ERROR_SUCCESS;
    }
    const char* p = text;
    while (*p) {
        const char* end = std::strchr(p, '\\');
        const std::size_t length = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
        if (length > kMaxKeyNameLength) {
            return ERROR_INVALID_PARAMETER;
        }
        if (length > 0) {
            path.emplace_back(p, length);
        }
        p += length;
        if (*p == '\\') {
            ++p;
        }
    }
    return ERROR_SUCCESS;
}

std::string_view valueName(LPCSTR name) {
    return name ? std::string_view(name) : "";
}

// Copies a name into a caller's buffer of *capacity characters (with the terminating zero).
LSTATUS copyName(const std::string& name, LPSTR buffer, DWORD* capacity) {
    if (name.size() + 1 > *capacity) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *capacity = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// Hands a value's type and data to a caller, with the size rules of RegQueryValueExA.
LSTATUS copyData(const StoredValue& value, DWORD* type, BYTE* data, DWORD* size) {
    if (type) {
        *type = value.type;
    }
    const auto needed = static_cast<DWORD>(value.data.size());
    if (!data) {
        if (size) {
            *size = needed;
        }
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::copy(value.data.begin(), value.data.end(), data);
    *size = needed;
    return ERROR_SUCCESS;
}

} // namespace

namespace platform {

std::string registryStorePath() {
    if (const char* path = appEnv("REGISTRY")) {
        return path;
    }
    return (configDir() / appIdentity().name / appIdentity().storeFile).string();
}

void registryCloseStore() {
    std::lock_guard lock(registryState().mutex);
    registryState().close();
}

RegistryBatch::RegistryBatch() : active_(false) {
    registryState().mutex.lock(); // held until the batch ends: other threads' calls wait
    storeGeneration_ = registryState().generation;
    if (RegistryStore* store = registryState().store()) {
        active_ = store->beginBatch() == ERROR_SUCCESS;
    }
}

RegistryBatch::~RegistryBatch() {
    if (active_ && storeGeneration_ == registryState().generation) {
        registryState().store()->rollbackBatch();
    }
    registryState().mutex.unlock();
}

LSTATUS RegistryBatch::commit() {
    if (!active_ || storeGeneration_ != registryState().generation) {
        active_ = false;
        return ERROR_CANTWRITE;
    }
    active_ = false;
    return registryState().store()->commitBatch();
}

} // namespace platform

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, void* lpSecurityAttributes, PHKEY phkResult,
                        DWORD* lpdwDisposition) {
    if (!phkResult) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    if (!lpSubKey || dwOptions != REG_OPTION_NON_VOLATILE) {
        return ERROR_INVALID_PARAMETER;
    }
    KeyPath path;
    if (LSTATUS rc = parsePath(lpSubKey, path); rc != ERROR_SUCCESS) {
        return rc;
    }
    Registry& reg = registryState();
    std::lock_guard lock(reg.mutex);
    KeyId base = 0;
    if (LSTATUS rc = reg.resolve(hKey, 0, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    RegistryStore* store = reg.store();
    if (!store) {
        return unavailable(Use::Write);
    }
    KeyId key = 0;
    bool created = false;
    LSTATUS rc = store->openKey(base, path, key);
    if (rc == ERROR_FILE_NOT_FOUND) {
        // Creating needs the right to create subkeys of the handle's key.
        KeyId unused = 0;
        if (rc = reg.resolve(hKey, KEY_CREATE_SUB_KEY, unused); rc != ERROR_SUCCESS) {
            return rc;
        }
        rc = store->createKey(base, path, key, created);
    }
    if (rc != ERROR_SUCCESS) {
        return rc == ERROR_CANTREAD ? ERROR_CANTWRITE : rc;
    }
    *phkResult = reg.addHandle(key, samDesired);
    if (lpdwDisposition) {
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult) {
    if (!phkResult) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    KeyPath path;
    if (LSTATUS rc = parsePath(lpSubKey, path); rc != ERROR_SUCCESS) {
        return rc;
    }
    return onKey(hKey, 0, Use::Read, [&](Registry& reg, RegistryStore& store, KeyId key) {
        if (LSTATUS rc = store.openKey(key, path, key); rc != ERROR_SUCCESS) {
            return rc;
        }
        *phkResult = reg.addHandle(key, samDesired);
        return ERROR_SUCCESS;
    });
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    std::lock_guard lock(registryState().mutex);
    return registryState().closeHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType,
                         BYTE* lpData, DWORD* lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) {
        return ERROR_INVALID_PARAMETER;
    }
    return onKey(hKey, KEY_QUERY_VALUE, Use::Read, [&](Registry&, RegistryStore& store, KeyId key) {
        StoredValue value;
        if (LSTATUS rc = store.queryValue(key, valueName(lpValueName), value);
            rc != ERROR_SUCCESS) {
            return rc;
        }
        return copyData(value, lpType, lpData, lpcbData);
    });
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData) {
    const std::string_view name = valueName(lpValueName);
    if (name.size() > kMaxValueNameLength || (!lpData && cbData > 0) || cbData > kMaxValueSize) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<BYTE> data;
    if (dwType == REG_SZ) {
        const BYTE* end = lpData ? std::find(lpData, lpData + cbData, BYTE{0}) : lpData;
        data.assign(lpData, end);
        data.push_back(0);
    } else if (dwType == REG_DWORD && cbData == sizeof(DWORD)) {
        data.assign(lpData, lpData + cbData);
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    return onKey(hKey, KEY_SET_VALUE, Use::Write, [&](Registry&, RegistryStore& store, KeyId key) {
        return store.setValue(key, name, dwType, data);
    });
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return onKey(hKey, KEY_SET_VALUE, Use::Write, [&](Registry&, RegistryStore& store, KeyId key) {
        return store.deleteValue(key, valueName(lpValueName));
    });
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (!lpSubKey) {
        return ERROR_INVALID_PARAMETER;
    }
    KeyPath path;
    if (LSTATUS rc = parsePath(lpSubKey, path); rc != ERROR_SUCCESS) {
        return rc;
    }
    return onKey(hKey, 0, Use::Write, [&](Registry&, RegistryStore& store, KeyId key) {
        return store.deleteKey(key, path);
    });
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved,
                      LPSTR lpClass, DWORD* lpcchClass, void* lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string name;
    LSTATUS found = onKey(hKey, KEY_ENUMERATE_SUB_KEYS, Use::Read,
                          [&](Registry&, RegistryStore& store, KeyId key) {
                              return store.subkeyAt(key, dwIndex, name);
                          });
    if (found != ERROR_SUCCESS) {
        return found;
    }
    if (LSTATUS rc = copyName(name, lpName, lpcchName); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (lpClass && *lpcchClass > 0) {
        lpClass[0] = '\0'; // keys have no class here
        *lpcchClass = 0;
    }
    if (lpftLastWriteTime) {
        std::memset(lpftLastWriteTime, 0, 8); // a FILETIME; write times are not kept
    }
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName,
                      DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string name;
    StoredValue value;
    LSTATUS found =
        onKey(hKey, KEY_QUERY_VALUE, Use::Read, [&](Registry&, RegistryStore& store, KeyId key) {
            return store.valueAt(key, dwIndex, name, value);
        });
    if (found != ERROR_SUCCESS) {
        return found;
    }
    if (LSTATUS rc = copyName(name, lpValueName, lpcchValueName); rc != ERROR_SUCCESS) {
        return rc;
    }
    return copyData(value, lpType, lpData, lpcbData);
}
