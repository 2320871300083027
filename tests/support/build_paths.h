// Where the tests find the build's programs and the source tree.
#pragma once

#include <filesystem>
#include <string>

namespace orv_test {

// The folder of the build's programs (the program, rundll, the helper programs): the folder
// of the running test program, where every program of the build lands.
std::filesystem::path binDir();
// A program of the build by name, e.g. program("rundll").
std::string program(const std::string& name);
// The source tree.
std::filesystem::path sourceDir();

} // namespace orv_test
