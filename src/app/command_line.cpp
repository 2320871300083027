#include "app/command_line.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <system_error>
#include <unistd.h>

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace app {
namespace {

constexpr char kProgram[] = "orvane-manager";

void printHelp(std::ostream& out) {
    out << "Usage: " << kProgram << " [OPTION]\n"
        << "The control manager of the Orvane ADAT sound card. It lives in the notification\n"
        << "area; double-click its icon to open the control window.\n"
        << "\n"
        << "  --install-autostart  start Orvane Manager with every session of this user\n"
        << "  --remove-autostart   no longer start it with the session\n"
        << "  --help               show this help and end\n"
        << "  --version            show the version and end\n"
        << "\n"
        << "Environment:\n"
        << "  ORVANE_SIMCARD=FILE  the description of the simulated card\n"
        << "  ORVANE_TRAY=window   hold the icon in a small window instead of the notification "
           "area\n";
}

// Reserved characters of an Exec argument: such an argument is written in double quotes.
bool needsQuotes(const std::string& s) {
    if (s.empty()) {
        return true;
    }
    for (char c : s) {
        if (std::strchr(" \t\n\"'\\><~|&;$*?#()`", c) != nullptr) {
            return true;
        }
    }
    return false;
}

bool writeFileAtomically(const std::filesystem::path& path, const std::string& text,
                         std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        error = path.parent_path().string() + ": " + ec.message();
        return false;
    }
    const auto temporary = path.string() + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        file.flush();
        if (!file) {
            error = temporary + ": " + std::strerror(errno);
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = path.string() + ": " + ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

int installAutostart(std::ostream& out, std::ostream& err) {
    const auto path = AutostartEntryPath();
    std::error_code ec;
    auto exec = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        err << kProgram << ": cannot tell where the program is: " << ec.message() << '\n';
        return 1;
    }
    std::string error;
    if (!writeFileAtomically(path, AutostartEntryText(exec), error)) {
        err << kProgram << ": cannot write the autostart entry: " << error << '\n';
        return 1;
    }
    out << "Orvane Manager now starts with the session: " << path.string() << '\n';
    return 0;
}

int removeAutostart(std::ostream& out, std::ostream& err) {
    const auto path = AutostartEntryPath();
    std::error_code ec;
    if (!std::filesystem::remove(path, ec)) {
        if (ec) {
            err << kProgram << ": cannot remove the autostart entry " << path.string() << ": "
                << ec.message() << '\n';
            return 1;
        }
        out << "Orvane Manager had no autostart entry: " << path.string() << '\n';
        return 0;
    }
    out << "Orvane Manager no longer starts with the session: " << path.string() << '\n';
    return 0;
}

} // namespace

std::filesystem::path AutostartEntryPath() {
    return platform::configDir() / "autostart" / (std::string(kProgram) + ".desktop");
}

std::string DesktopExecQuote(const std::string& path) {
    // Inside quotes, " ` $ and \ take a backslash; every backslash is then doubled once more,
    // because the whole value is a string with escapes of its own; % stands doubled.
    std::string quoted;
    const bool quote = needsQuotes(path);
    if (quote) {
        quoted += '"';
    }
    for (char c : path) {
        if (c == '%') {
            quoted += "%%";
        } else if (quote && (c == '"' || c == '`' || c == '$')) {
            quoted += "\\\\";
            quoted += c;
        } else if (c == '\\') {
            quoted += "\\\\\\\\";
        } else if (c == '\n') {
            quoted += "\\n";
        } else {
            quoted += c;
        }
    }
    if (quote) {
        quoted += '"';
    }
    return quoted;
}

std::string AutostartEntryText(const std::filesystem::path& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Orvane Manager\n"
           "Comment=Level meters and settings of the Orvane ADAT sound card\n"
           "Icon=orvane-manager\n"
           "Exec=" +
           DesktopExecQuote(exec.string()) +
           "\n"
           "Terminal=false\n"
           "Categories=AudioVideo;Audio;Mixer;\n"
           "X-GNOME-Autostart-enabled=true\n";
}

int HandleCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return kRunProgram;
    }
    const std::string& arg = args.front();
    if (args.size() > 1) {
        err << kProgram << ": one option at a time, not '" << args[1] << "'\n"
            << "Try '" << kProgram << " --help' for more information.\n";
        return 2;
    }
    if (arg == "--help" || arg == "-h") {
        printHelp(out);
        return 0;
    }
    if (arg == "--version") {
        out << "Orvane Manager " << ORVANE_VERSION << '\n';
        return 0;
    }
    if (arg == "--install-autostart") {
        return installAutostart(out, err);
    }
    if (arg == "--remove-autostart") {
        return removeAutostart(out, err);
    }
    if (!arg.empty() && arg[0] == '-') {
        err << kProgram << ": unknown option '" << arg << "'\n";
    } else {
        err << kProgram << ": unexpected argument '" << arg << "'\n";
    }
    err << "Try '" << kProgram << " --help' for more information.\n";
    return 2;
}

int HandleCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return HandleCommandLine(args, std::cout, std::cerr);
}

} // namespace app
