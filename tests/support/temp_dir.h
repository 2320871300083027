// A temporary folder removed with its contents at the end of its scope, and an environment
// variable set for a scope.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orv_test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
public:
    // A value of nullopt unsets the variable.
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A file's whole contents; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

} // namespace orv_test
