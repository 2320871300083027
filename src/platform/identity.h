// Who the program is, as far as the platform layer needs to know: the names of its per-user
// folders and files, the prefix of its environment variables and of its messages. The
// application's build names the program (see the top-level CMakeLists.txt); an entry point may
// hand another identity before its first platform call.
#pragma once

#include <string>

namespace platform {

struct AppIdentity {
    // Folder names (<config>/<name>, <data>/<name>, runtime folder <name>-<uid>) and the tag
    // that starts the layer's messages on stderr.
    std::string name;
    // Environment variables are <envPrefix><VARIABLE>, e.g. <envPrefix>WOW16.
    std::string envPrefix;
    // The per-user settings store, in <config>/<name>.
    std::string storeFile;
    // The 16-bit global memory file, in the runtime folder.
    std::string memoryFile;
};

const AppIdentity& appIdentity();
void setAppIdentity(AppIdentity identity);
// The value of the environment variable <envPrefix><variable>; nullptr when unset or empty.
const char* appEnv(const char* variable);

} // namespace platform
