#include "toolkit/registry_ini_file.h"

#include "toolkit/exceptions.h"
#include "toolkit/win_ui.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace toolkit {

namespace {

// Closes a key handle at the end of a scope.
class KeyHolder {
public:
    explicit KeyHolder(HKEY key = nullptr) : key_(key) {}
    ~KeyHolder() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

} // namespace

TRegistryIniFile::TRegistryIniFile(const std::string& fileName) : fileName_(fileName) {
    HKEY key = nullptr;
    LSTATUS status =
        RegCreateKeyExA(HKEY_CURRENT_USER, Utf8ToCp1252(fileName).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        key_ = key;
    } else {
        std::fprintf(stderr,
                     "settings: the key \"%s\" cannot be opened (error %ld); defaults are used "
                     "and changes are not kept\n",
                     fileName.c_str(), static_cast<long>(status));
        reported_ = true;
    }
}

TRegistryIniFile::~TRegistryIniFile() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
    }
}

std::optional<TRegistryIniFile::Stored> TRegistryIniFile::query(const std::string& section,
                                                                const std::string& ident) const {
    if (key_ == nullptr) {
        return std::nullopt;
    }
    KeyHolder sub;
    if (RegOpenKeyExA(key_, Utf8ToCp1252(section).c_str(), 0, KEY_READ, sub.out()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string name = Utf8ToCp1252(ident);
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(sub.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The value may change between the two calls; ask again while the buffer is too small.
    std::vector<BYTE> buffer(size + 1);
    for (;;) {
        size = static_cast<DWORD>(buffer.size());
        LSTATUS status =
            RegQueryValueExA(sub.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(size + 1);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        break;
    }
    Stored stored;
    stored.type = type;
    if (type == REG_SZ) {
        const char* text = reinterpret_cast<const char*>(buffer.data());
        stored.data.assign(text, strnlen(text, size));
    } else {
        stored.data.assign(reinterpret_cast<const char*>(buffer.data()), size);
    }
    return stored;
}

void TRegistryIniFile::write(const std::string& section, const std::string& ident, DWORD type,
                             const std::string& data) {
    if (key_ == nullptr) {
        return;
    }
    KeyHolder sub;
    LSTATUS status =
        RegCreateKeyExA(key_, Utf8ToCp1252(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, sub.out(), nullptr);
    if (status != ERROR_SUCCESS) {
        reportDroppedWrite("its section cannot be created");
        return;
    }
    DWORD size = static_cast<DWORD>(type == REG_SZ ? data.size() + 1 : data.size());
    status = RegSetValueExA(sub.get(), Utf8ToCp1252(ident).c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(data.c_str()), size);
    if (status != ERROR_SUCCESS) {
        reportDroppedWrite("the store refused it");
    }
}

void TRegistryIniFile::reportDroppedWrite(const char* why) {
    if (reported_) {
        return;
    }
    reported_ = true;
    std::fprintf(stderr, "settings: a change under \"%s\" is not kept: %s\n", fileName_.c_str(),
                 why);
}

std::int32_t TRegistryIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                           std::int32_t defaultValue) const {
    std::optional<Stored> stored = query(section, ident);
    if (!stored) {
        return defaultValue;
    }
    if (stored->type == REG_DWORD && stored->data.size() == 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, stored->data.data(), 4);
        return static_cast<std::int32_t>(value);
    }
    if (stored->type == REG_SZ) {
        return StrToIntDef(Cp1252ToUtf8(stored->data), defaultValue);
    }
    return defaultValue;
}

void TRegistryIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                    std::int32_t value) {
    std::optional<Stored> stored = query(section, ident);
    if (stored && stored->type == REG_SZ) {
        write(section, ident, REG_SZ, IntToStr(value));
        return;
    }
    std::uint32_t raw = static_cast<std::uint32_t>(value);
    std::string data(4, '\0');
    std::memcpy(data.data(), &raw, 4);
    write(section, ident, REG_DWORD, data);
}

bool TRegistryIniFile::ReadBool(const std::string& section, const std::string& ident,
                                bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegistryIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    write(section, ident, REG_SZ, value ? "1" : "0");
}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& ident,
                                         const std::string& defaultValue) const {
    std::optional<Stored> stored = query(section, ident);
    if (!stored || stored->type != REG_SZ) {
        return defaultValue;
    }
    return Cp1252ToUtf8(stored->data);
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
    write(section, ident, REG_SZ, Utf8ToCp1252(value));
}

bool TRegistryIniFile::SectionExists(const std::string& section) const {
    if (key_ == nullptr) {
        return false;
    }
    KeyHolder sub;
    return RegOpenKeyExA(key_, Utf8ToCp1252(section).c_str(), 0, KEY_READ, sub.out()) ==
           ERROR_SUCCESS;
}

bool TRegistryIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    return query(section, ident).has_value();
}

} // namespace toolkit
