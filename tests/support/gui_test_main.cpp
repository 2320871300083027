// The main of the GUI suites: starts the windowing backend, fails a test that makes the backend
// print a warning, and leaves no test hook behind a test.
#include "toolkit/menus.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class ResetAfterEachTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        toolkit::SetMessageBoxHandler({});
        toolkit::SetBeepHandler({});
        toolkit::SetPopupMenuHandler({});
        toolkit::FlushDeferredDeletes();
    }
};

} // namespace

// Fontconfig keeps (and loses) a little memory of its configuration parse for the life of the
// process; that is no leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Headless unless told otherwise.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    toolkit::InitializeWindowing();
    toolkit::SetWarningHandler(
        [](const std::string& message) { ADD_FAILURE() << "backend warning: " << message; });
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResetAfterEachTest);
    int result = RUN_ALL_TESTS();
    toolkit::FlushDeferredDeletes();
    return result;
}
