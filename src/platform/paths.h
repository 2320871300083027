// Where the platform layer keeps its per-user files.
#pragma once

#include <filesystem>

namespace platform {

// $XDG_RUNTIME_DIR, or /tmp/orvane-<uid> (created with mode 0700) when that is not set.
std::filesystem::path runtimeDir();
// $XDG_CONFIG_HOME, or ~/.config.
std::filesystem::path configDir();
// $XDG_DATA_HOME, or ~/.local/share.
std::filesystem::path dataDir();
// The folder of the running executable.
std::filesystem::path executableDir();

} // namespace platform
