#include "layer_rules.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace orv_test {
namespace {

namespace fs = std::filesystem;

// Each layer with the layers it may include besides itself; the dependency direction is
// app -> settings -> meters -> controls, driver -> toolkit -> platform, the Qt backend on the
// toolkit's core, and the simulated card on the platform alone. The program entry in app/
// installs the simulated card's driver.
const std::map<std::string, std::set<std::string>>& layerTable() {
    static const std::map<std::string, std::set<std::string>> table = {
        {"platform", {}},
        {"simcard", {"platform"}},
        {"toolkit", {"platform"}},
        {"toolkit/qt", {"toolkit", "platform"}},
        {"controls", {"toolkit", "platform"}},
        {"driver", {"toolkit", "platform"}},
        {"meters", {"controls", "driver", "toolkit", "platform"}},
        {"settings", {"meters", "controls", "driver", "toolkit", "platform"}},
        {"app", {"settings", "meters", "controls", "driver", "toolkit", "platform", "simcard"}},
    };
    return table;
}

// The layer an include names: its first folder, or "toolkit/qt" for the backend's headers;
// empty for includes that name no layer (system and library headers, local files).
std::string layerOfInclude(const std::string& path) {
    if (path.rfind("toolkit/qt/", 0) == 0) {
        return "toolkit/qt";
    }
    auto slash = path.find('/');
    if (slash == std::string::npos) {
        return {};
    }
    std::string first = path.substr(0, slash);
    return layerTable().count(first) != 0 ? first : std::string();
}

bool isQtHeader(const std::string& path) {
    static const std::regex qt(R"(^Qt[A-Za-z]*/|^Q[A-Z][A-Za-z]*$|^Qt[A-Z][A-Za-z]*$)");
    return std::regex_search(path, qt);
}

void checkFile(const fs::path& root, const fs::path& file, std::vector<LayerViolation>& out) {
    const std::string rel = fs::relative(file, root).generic_string();
    const std::string layer = layerOf(rel);
    const bool inSrc = rel.rfind("src/", 0) == 0;
    if (inSrc && layerTable().count(layer) == 0) {
        out.push_back({rel, 0, "", "the folder is no known layer: add it to the layer table"});
        return;
    }
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::ifstream in(file);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        std::smatch m;
        if (!std::regex_search(text, m, include)) {
            continue;
        }
        const bool quoted = m[1] == "\"";
        const std::string path = m[2];
        const std::string written = quoted ? "\"" + path + "\"" : "<" + path + ">";
        auto add = [&](const std::string& reason) {
            out.push_back({rel, number, written, reason});
        };
        if (path.find("../") != std::string::npos) {
            add("reaches into another folder with ../");
            continue;
        }
        if (!quoted) {
            // Tests may drive the backend with Qt's own events; the program's code may not.
            if (inSrc && isQtHeader(path) && layer != "toolkit/qt") {
                add("Qt is included only by the toolkit's Qt backend (src/toolkit/qt)");
            }
            continue;
        }
        if (!inSrc) {
            continue;
        }
        const std::string target = layerOfInclude(path);
        if (target.empty() || target == layer) {
            continue;
        }
        if (layerTable().at(layer).count(target) == 0) {
            add("layer " + layer + " may not include layer " + target);
        }
    }
}

} // namespace

std::string layerOf(const std::string& relativePath) {
    if (relativePath.rfind("src/", 0) != 0) {
        return {};
    }
    std::string rest = relativePath.substr(4);
    if (rest.rfind("toolkit/qt/", 0) == 0) {
        return "toolkit/qt";
    }
    auto slash = rest.find('/');
    return slash == std::string::npos ? std::string() : rest.substr(0, slash);
}

std::vector<LayerViolation> checkLayers(const fs::path& root) {
    std::vector<fs::path> files;
    for (const char* top : {"src", "tests"}) {
        if (!fs::is_directory(root / top)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const auto ext = entry.path().extension();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<LayerViolation> out;
    for (const auto& file : files) {
        checkFile(root, file, out);
    }
    return out;
}

std::string describe(const LayerViolation& v) {
    std::string where = v.file + (v.line > 0 ? ":" + std::to_string(v.line) : "");
    return where + (v.include.empty() ? "" : ": #include " + v.include) + ": " + v.reason;
}

} // namespace orv_test
