#include "platform/paths.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::filesystem::path homeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/tmp";
}

std::filesystem::path fromEnv(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    return (value && *value == '/') ? std::filesystem::path(value) : fallback;
}

} // namespace

std::filesystem::path runtimeDir() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir == '/') {
        return dir;
    }
    std::filesystem::path dir = "/tmp/orvane-" + std::to_string(getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

std::filesystem::path configDir() { return fromEnv("XDG_CONFIG_HOME", homeDir() / ".config"); }

std::filesystem::path dataDir() { return fromEnv("XDG_DATA_HOME", homeDir() / ".local/share"); }

std::filesystem::path executableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

} // namespace platform
