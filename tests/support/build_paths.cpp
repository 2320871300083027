#include "support/build_paths.h"

#include "source_dir.h"

namespace orv_test {

std::filesystem::path binDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::string program(const std::string& name) {
    return (binDir() / name).string();
}

std::filesystem::path sourceDir() {
    return ORV_TEST_SOURCE_DIR;
}

} // namespace orv_test
