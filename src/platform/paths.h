// Where the platform layer keeps its per-user files.
#pragma once

#include <filesystem>

namespace platform {

// $XDG_RUNTIME_DIR; when that is not set, a folder of this user's alone (owned by the user, mode
// 0700, no link), created if need be: /dev/shm/orvane-<uid> (memory-backed), else the next of
// orvane-<uid>-1, -2, ... there or in /tmp that is, or can be made, such a folder. A folder of
// ours with a wider mode is restricted to 0700. Empty (reported once on stderr) when none is.
std::filesystem::path runtimeDir();
// Makes dir a folder of the user's alone as runtimeDir() describes; false when it is not.
bool privateFolder(const std::filesystem::path& dir);
// $XDG_CONFIG_HOME, or ~/.config.
std::filesystem::path configDir();
// $XDG_DATA_HOME, or ~/.local/share.
std::filesystem::path dataDir();
// The folder of the running executable.
std::filesystem::path executableDir();

} // namespace platform
