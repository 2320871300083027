#include "toolkit/application.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class ResetAfterEachTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override {
        toolkit::SetMessageBoxHandler({});
        toolkit::SetBeepHandler({});
        toolkit::FlushDeferredDeletes();
    }
};

} // namespace

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
