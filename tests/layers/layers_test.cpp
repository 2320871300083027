// The build's layers: the source tree keeps its dependency direction, and the check finds the
// faults it is there for.
#include "layer_rules.h"
#include "support/build_paths.h"
#include "support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace orv_test {
namespace {

namespace fs = std::filesystem;

TEST(Layers, TheSourceTreeIncludesOnlyLayersBelowItsOwn) {
    const auto violations = checkLayers(sourceDir());
    std::string report;
    for (const auto& v : violations) {
        report += "  " + describe(v) + "\n";
    }
    EXPECT_TRUE(violations.empty()) << "layer violations:\n" << report;
}

class LayerCheck : public ::testing::Test {
protected:
    void write(const std::string& rel, const std::string& text) {
        fs::create_directories((dir_.path() / rel).parent_path());
        std::ofstream(dir_.path() / rel) << text;
    }
    std::vector<std::string> found() {
        std::vector<std::string> out;
        for (const auto& v : checkLayers(dir_.path())) {
            out.push_back(describe(v));
        }
        return out;
    }
    TempDir dir_;
};

TEST_F(LayerCheck, FindsALayerAboveItsOwnAndQtOutsideTheBackend) {
    write("src/platform/paths.h", "#include \"toolkit/control.h\"\n");
    write("src/toolkit/control.cpp", "#include \"platform/paths.h\"\n#include <QWidget>\n");
    write("src/toolkit/qt/peers.cpp", "#include <QWidget>\n#include <QtCore/QObject>\n"
                                      "#include \"toolkit/control.h\"\n");
    write("src/controls/slider.cpp", "#include \"toolkit/qt/peers.h\"\n#include <vector>\n");
    write("src/driver/devices.cpp", "  #  include \"controls/slider.h\"\n");
    write("src/simcard/levels.cpp", "#include \"toolkit/types.h\"\n");
    write("src/app/main.cpp", "#include \"simcard/install.h\"\n#include \"settings/dialog.h\"\n");
    const std::vector<std::string> expected = {
        "src/controls/slider.cpp:1: #include \"toolkit/qt/peers.h\": layer controls may not "
        "include layer toolkit/qt",
        "src/driver/devices.cpp:1: #include \"controls/slider.h\": layer driver may not include "
        "layer controls",
        "src/platform/paths.h:1: #include \"toolkit/control.h\": layer platform may not include "
        "layer toolkit",
        "src/simcard/levels.cpp:1: #include \"toolkit/types.h\": layer simcard may not include "
        "layer toolkit",
        "src/toolkit/control.cpp:2: #include <QWidget>: Qt is included only by the toolkit's Qt "
        "backend (src/toolkit/qt)",
    };
    EXPECT_EQ(found(), expected);
}

TEST_F(LayerCheck, FindsIncludesAcrossFoldersAndUnknownLayers) {
    write("tests/driver/channel_test.cpp", "#include \"../simcard/env.h\"\n");
    write("tests/app/program_test.cpp", "#include <QEvent>\n#include \"support/x.h\"\n");
    write("src/widgets/thing.cpp", "#include \"toolkit/control.h\"\n");
    const std::vector<std::string> expected = {
        "src/widgets/thing.cpp: the folder is no known layer: add it to the layer table",
        "tests/driver/channel_test.cpp:1: #include \"../simcard/env.h\": reaches into another "
        "folder with ../",
    };
    EXPECT_EQ(found(), expected);
}

TEST(Layers, FilesBelongToTheLayerOfTheirFolder) {
    EXPECT_EQ(layerOf("src/toolkit/qt/tray.cpp"), "toolkit/qt");
    EXPECT_EQ(layerOf("src/toolkit/forms.cpp"), "toolkit");
    EXPECT_EQ(layerOf("src/app/main.cpp"), "app");
    EXPECT_EQ(layerOf("tests/app/startup_test.cpp"), "");
    EXPECT_EQ(layerOf("src/CMakeLists.txt"), "");
}

} // namespace
} // namespace orv_test
