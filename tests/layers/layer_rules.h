// The layers of the source tree and what each may include. A file under src/<layer>/ may
// include its own layer and the layers below it, never one above; in src/, only the toolkit's
// Qt backend (src/toolkit/qt) includes Qt; no file reaches into another folder with "../".
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orv_test {

struct LayerViolation {
    std::string file; // relative to the tree's root
    int line = 0;
    std::string include; // as written, with its quotes or brackets
    std::string reason;
};

// The layer of a file, by its path relative to the root ("src/toolkit/qt/tray.cpp" ->
// "toolkit/qt"); empty for files outside src/.
std::string layerOf(const std::string& relativePath);

// Every include in the .h and .cpp files under root/src and root/tests that breaks the rules.
std::vector<LayerViolation> checkLayers(const std::filesystem::path& root);

std::string describe(const LayerViolation& v);

} // namespace orv_test
