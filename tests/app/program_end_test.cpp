// The program's end by the system's word, end to end: the card tool's removal query from
// another process, the end-of-session signals, the session manager's quit.
#include "program_test_env.h"
#include "toolkit/message_queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <atomic>
#include <csignal>
#include <thread>

using namespace app;

namespace {

class ProgramEndTest : public orv_test::ProgramTest {};

TEST_F(ProgramEndTest, TheCardToolsRemovalQueryEndsTheRunningProgram) {
    start("cards 2\n");
    orv_test::ProcessResult query;
    std::thread sender;
    std::vector<toolkit::TrayIconInfo> iconsWhileRunning;
    runProgram([&] {
        iconsWhileRunning = toolkit::TrayIcons();
        sender = std::thread([&] { query = orv_test::runProcess({tool(), "remove-query", "1"}); });
    });
    sender.join();
    EXPECT_EQ(iconsWhileRunning.size(), 1u);
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(MixControlWnd, nullptr);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
    EXPECT_EQ(query.exitCode, 0) << query.err;
    EXPECT_NE(query.out.find(std::to_string(::getpid()) + ": removal allowed"), std::string::npos)
        << query.out;
    EXPECT_EQ(simcard::readInt32(storedConfig(), 0), -1);

    // The tool shows what the removal wrote: card 0's notice, the rest untouched.
    auto shown = orv_test::runProcess({tool(), "show"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out.rfind("Card 0\n  RemovalNotice      -1\n", 0), 0u) << shown.out;
    EXPECT_NE(shown.out.find("Card 1\n  RemovalNotice      0\n"), std::string::npos);
    EXPECT_NE(shown.out.find("  DefaultRate        44100\n"), std::string::npos);
}

TEST_F(ProgramEndTest, AQueryForADeviceNodeOfNoCardLeavesTheProgramRunning) {
    start("cards 2\n");
    orv_test::ProcessResult query;
    bool runningAfter = false;
    runProgram([&] {
        // The answer needs the loop, so the tool runs beside this work, which serves the loop
        // until the tool is done.
        std::atomic<bool> done{false};
        std::thread sender([&] {
            query = orv_test::runProcess({tool(), "remove-query", "--devnode", "0x77"});
            done = true;
            toolkit::PostTask([] {}); // wakes the loop
        });
        while (!done) {
            toolkit::Application->HandleMessage();
        }
        sender.join();
        runningAfter = !ExitRequested && MixControlWnd != nullptr;
        ExitRequested = true;
    });
    EXPECT_TRUE(runningAfter);
    EXPECT_EQ(query.exitCode, 0) << query.err;
    EXPECT_EQ(simcard::readInt32(storedConfig(), 0), 0);
}

TEST_F(ProgramEndTest, SigtermEndsTheProgramThroughTheMainWindow) {
    start("cards 1\n");
    int controlCloses = 0;
    runProgram([&] {
        MixControlWnd->OnClose = [&](toolkit::TObject*, toolkit::TCloseAction&) {
            ++controlCloses;
        };
        ::raise(SIGTERM);
    });
    EXPECT_TRUE(ExitRequested);
    EXPECT_EQ(controlCloses, 1);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
    // Outside the loop the signals are the system's again: the handlers are gone.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST_F(ProgramEndTest, TheSessionManagersQuitEndsTheProgram) {
    start("cards 1\n");
    runProgram([] {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    });
    EXPECT_TRUE(ExitRequested);
    EXPECT_TRUE(toolkit::TrayIcons().empty());
}

} // namespace
