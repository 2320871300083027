// The program's command line: what Linux users expect of a desktop program. Without arguments
// the program starts as usual; --help and --version print and end; --install-autostart and
// --remove-autostart write or remove the current user's XDG autostart entry; anything else is
// rejected with a line on the error output and status 2.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace app {

constexpr int kRunProgram = -1;

// Handles the arguments (without the program name). kRunProgram when the program is to start,
// otherwise the exit status, after printing to out or err.
int HandleCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int HandleCommandLine(int argc, char** argv);

// The autostart entry of the current user: $XDG_CONFIG_HOME/autostart/orvane-manager.desktop.
std::filesystem::path AutostartEntryPath();
// The text of a desktop entry that starts the program at exec.
std::string AutostartEntryText(const std::filesystem::path& exec);
// An Exec value that runs exactly the program at path, quoted as desktop entries require.
std::string DesktopExecQuote(const std::string& path);

} // namespace app
