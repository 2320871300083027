// The per-user settings store in the place of HKEY_CURRENT_USER: keys with subkeys, values of kind
// DWORD or string, reached through the registry calls of the Windows API.
//
// The store is one SQLite database per user, by default $XDG_CONFIG_HOME/<name>/<storeFile>, with
// the identity's names (identity.h); the environment variable <envPrefix>REGISTRY names another
// file.
// Every write is its own transaction, so two programs writing at once and a crash in the middle
// of a save lose nothing; when the program ends, the file itself holds every setting. A file that
// is not a store, or is damaged or cut short, is moved aside (its name gets ".broken-<time>",
// never replacing an earlier one) and reported once on stderr; a new, empty store takes its
// place. A write that fails (a read-only store, a full disk) is reported once on stderr.
#pragma once

#include "platform/win_types.h"

#include <string>

struct HKEY__ {
    int unused;
};
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using LSTATUS = LONG;
using REGSAM = DWORD;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_OUTOFMEMORY = 14;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_CANTREAD = 1012;
constexpr LSTATUS ERROR_CANTWRITE = 1013;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_DWORD = 4;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000; // every access the key allows: all of them here

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Key paths are separated by backslashes and compared without regard to ASCII case.
LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, void* lpSecurityAttributes, PHKEY phkResult,
                        DWORD* lpdwDisposition);
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult);
LSTATUS RegCloseKey(HKEY hKey);
// lpType receives REG_DWORD or REG_SZ; a REG_SZ value's data ends with its terminating zero.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType,
                         BYTE* lpData, DWORD* lpcbData);
LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData);
LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
// Deletes a key that has no subkeys, with its values.
LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved,
                      LPSTR lpClass, DWORD* lpcchClass, void* lpftLastWriteTime);
LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName,
                      DWORD* lpReserved, DWORD* lpType, BYTE* lpData, DWORD* lpcbData);

// Behaviour in detail:
// - Handles: HKEY_CURRENT_USER and the handles RegCreateKeyExA / RegOpenKeyExA return (never
//   reused within a run). Any other value, or a closed handle, gives ERROR_INVALID_HANDLE; a
//   handle on a key that was deleted since (here or by another program) gives ERROR_KEY_DELETED.
//   A handle refuses calls its access mask does not allow (KEY_QUERY_VALUE, KEY_SET_VALUE,
//   KEY_CREATE_SUB_KEY, KEY_ENUMERATE_SUB_KEYS) with ERROR_ACCESS_DENIED.
// - Paths: empty components are ignored ("a\\\\b\\" is "a\\b"). A key name is at most 255
//   characters, a value name at most 16383, a value at most 1 MiB; longer gives
//   ERROR_INVALID_PARAMETER. A null or empty value name is the key's default value.
// - RegSetValueExA takes REG_SZ (kept up to its first zero, stored with a terminating zero) and
//   REG_DWORD (exactly 4 bytes); other types give ERROR_INVALID_PARAMETER. The store keeps the
//   type it is given; RegQueryValueExA and RegEnumValueA report it.
// - RegQueryValueExA / RegEnumValueA: with a null data pointer, *lpcbData receives the size; with
//   a buffer that is too small, ERROR_MORE_DATA and *lpcbData the size needed. A name buffer of
//   the enumerations that is too small gives ERROR_MORE_DATA and is left as it was; on success
//   its size receives the name's length without the terminating zero.
// - When the store cannot be opened at all, reads give ERROR_CANTREAD and writes ERROR_CANTWRITE;
//   the reason is reported on stderr (once for each reason), and the next call tries again.

namespace platform {

// The file the store uses: $<envPrefix>REGISTRY if set, else configDir()/<name>/<storeFile>.
std::string registryStorePath();

// Closes the store; the next registry call opens it again, reading <envPrefix>REGISTRY anew. Every
// key handle open until then becomes invalid. For tests and tools.
void registryCloseStore();

// Makes the registry writes of the calling thread one transaction until commit() or the end of
// the batch's life: either all of them reach the store or none does, so a save of values that
// belong together is never found half done, and no other program's write falls in between.
// Reads inside the batch see its writes. While a batch is open, registry calls of other threads
// wait for it (so keep it short, and do not wait in it for another thread that uses the
// registry). Batches nest; only the outermost one commits to the file. A call that fails inside a
// batch leaves no trace of itself; the batch's other writes are kept.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch(); // rolls back unless committed
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // ERROR_SUCCESS when every write of the batch reached the store (for the outermost batch)
    // or was kept for the outer batch; otherwise none of them did (ERROR_CANTWRITE).
    LSTATUS commit();

private:
    bool active_;
    unsigned long storeGeneration_;
};

} // namespace platform
