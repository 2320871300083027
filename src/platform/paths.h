// Where the platform layer keeps its per-user files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// $XDG_RUNTIME_DIR; when that is not set, a folder of this user's alone (owned by the user, mode
// 0700, no link), created if need be: /dev/shm/<name>-<uid> (memory-backed, <name> from the
// identity), else the next of <name>-<uid>-1, -2, ... there or in /tmp that is, or can be made,
// such a folder. A folder of
// ours with a wider mode is restricted to 0700. Empty (reported once on stderr) when none is.
std::filesystem::path runtimeDir();
// Makes dir a folder of the user's alone as runtimeDir() describes; false when it is not.
bool privateFolder(const std::filesystem::path& dir);
// The first of base/name, base/name-1, ... (for each base in turn) that privateFolder accepts;
// empty when none does.
std::filesystem::path firstPrivateFolder(const std::vector<std::filesystem::path>& bases,
                                         const std::string& name);
// Creates dir and its missing parents with mode 0700, as the XDG base directory rules ask; an
// existing dir of ours is restricted to its owner, existing parents are left alone. False when
// dir is not a folder afterwards.
bool makePrivateFolders(const std::filesystem::path& dir);
// $XDG_CONFIG_HOME, or ~/.config.
std::filesystem::path configDir();
// $XDG_DATA_HOME, or ~/.local/share.
std::filesystem::path dataDir();
// The folder of the running executable.
std::filesystem::path executableDir();

} // namespace platform
