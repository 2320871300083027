// A program for the ShellExecuteA tests.
//   record <file> <args...>   writes its working folder and then each argument, one a line
//   sleep <ms>                sleeps, then ends with 0
//   exit <code>               ends with code
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

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
    if (mode == "exit" && argc > 2) {
        return std::atoi(argv[2]);
    }
    return 99;
}
