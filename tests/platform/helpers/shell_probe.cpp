// A program for the ShellExecuteA tests.
//   record <file> <args...>   writes its working folder and then each argument, one a line
//   sleep <ms>                sleeps, then ends with 0
//   exit <code>               ends with code
//   pidfile <file> <ms>       writes its pid to file, then sleeps
//   parent <folder>           writes its pid to folder/parent, starts "pidfile folder/child
//                             600000" of its own through ShellExecuteA, then sleeps for ever
#include "platform/shell.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void writePid(const std::string& file) {
    {
        std::ofstream out(file + ".tmp");
        out << ::getpid() << '\n';
    }
    std::filesystem::rename(file + ".tmp", file);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "record" && argc > 2) {
        std::ofstream out(argv[2] + std::string(".tmp"));
        out << std::filesystem::current_path().string() << '\n';
        for (int i = 3; i < argc; ++i) {
            out << argv[i] << '\n';
        }
        out.close();
        std::filesystem::rename(argv[2] + std::string(".tmp"), argv[2]);
        return 0;
    }
    if (mode == "sleep" && argc > 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "pidfile" && argc > 3) {
        writePid(argv[2]);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        return 0;
    }
    if (mode == "parent" && argc > 2) {
        const std::string folder = argv[2];
        const std::string params = "pidfile " + folder + "/child 600000";
        if (reinterpret_cast<std::uintptr_t>(ShellExecuteA(
                nullptr, nullptr, "/proc/self/exe", params.c_str(), "", SW_SHOWDEFAULT)) <= 32) {
            return 3;
        }
        writePid(folder + "/parent");
        for (;;) {
            ::pause();
        }
    }
    if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    }
    return 99;
}
