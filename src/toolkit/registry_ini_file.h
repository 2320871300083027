// An ini file kept in the per-user registry: the file name is a key path under the current
// user's root (for example "software\Vendor\program.ini"), a section is a subkey of that key and
// a value is a named registry value in it. The key is opened with full access, and created when
// missing, when the object is made; a section's subkey is created on its first write.
//
// Value kinds:
// - integers are written as DWORD values, unless a string value of that name already exists,
//   which then gets the decimal text; they read a DWORD as is and a string as decimal text;
// - booleans are written as the strings "1" and "0" and read as integers (true when not 0);
// - strings are string values.
// A missing section or value, a string that is no number, and a value of the other kind (a DWORD
// read as a string) read as the default.
//
// A key that cannot be opened or created leaves the object usable: every read gives its default
// and every write is dropped; one line on stderr says so. Texts are UTF-8 here and code page 1252
// in the registry.
#pragma once

#include "platform/registry.h"
#include "toolkit/object.h"

#include <cstdint>
#include <optional>
#include <string>

namespace toolkit {

class TRegistryIniFile : public TObject {
public:
    explicit TRegistryIniFile(const std::string& fileName);
    ~TRegistryIniFile() override;

    const std::string& FileName() const { return fileName_; }
    // Whether the key could be opened (or created).
    bool IsOpen() const { return key_ != nullptr; }

    std::int32_t ReadInteger(const std::string& section, const std::string& ident,
                             std::int32_t defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

private:
    struct Stored {
        DWORD type = REG_NONE;
        std::string data; // the string without its terminating zero, or the DWORD's 4 bytes
    };
    std::optional<Stored> query(const std::string& section, const std::string& ident) const;
    void write(const std::string& section, const std::string& ident, DWORD type,
               const std::string& data);
    void reportDroppedWrite(const char* why);

    std::string fileName_;
    HKEY key_ = nullptr;
    bool reported_ = false;
};

} // namespace toolkit
