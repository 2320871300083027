// The system's broadcasts as the windows receive them: every top-level window, hidden ones
// included, in creation order; combined answers; work queued from other threads; and what
// comes from outside the process (device changes, signals, the session manager's quit).
#include "support/forms.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/message_queue.h"
#include "toolkit/system_messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace toolkit;

namespace {

// A top-level window that notes what it receives and answers as told.
class TListener : public TForm {
public:
    TListener(TComponent* owner, std::vector<std::string>* log, std::string name)
        : TForm(owner), log_(log), name_(std::move(name)) {
        for (UINT msg : {WM_DEVICECHANGE, WM_ENDSESSION}) {
            SetMessageHandler(msg, [this](TMessage& m) {
                log_->push_back(name_ + ":" + std::to_string(m.Msg));
                m.Result = answer;
                if (onMessage) {
                    onMessage();
                }
            });
        }
    }
    LRESULT answer = TRUE;
    std::function<void()> onMessage;

private:
    std::vector<std::string>* log_;
    std::string name_;
};

class SystemMessagesTest : public ::testing::Test {
protected:
    void TearDown() override {
        StopSystemMessages();
        // The newest first: an owner frees its own windows, which are newer than it.
        while (!Application->Forms().empty()) {
            Application->Forms().back()->Free();
        }
        Application->ProcessMessages();
    }
    TListener* make(const std::string& name, TComponent* owner = nullptr) {
        return TCustomForm::Create<TListener>(owner, &log, name);
    }
    std::vector<std::string> log;
};

TEST_F(SystemMessagesTest, ABroadcastReachesEveryTopLevelWindowHiddenOrNotInCreationOrder) {
    TListener* a = make("a");
    TListener* b = make("b", a); // owned, but a window of its own all the same
    TListener* c = make("c");
    b->Show();
    EXPECT_EQ(BroadcastToTopLevelWindows(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), TRUE);
    EXPECT_EQ(log, (std::vector<std::string>{"a:537", "b:537", "c:537"}));

    // One refusal refuses for all; the others are asked all the same.
    log.clear();
    b->answer = BROADCAST_QUERY_DENY;
    EXPECT_EQ(BroadcastToTopLevelWindows(WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, 0),
              BROADCAST_QUERY_DENY);
    EXPECT_EQ(log.size(), 3u);

    // A window freed by an earlier window's handling is passed over.
    log.clear();
    b->answer = TRUE;
    a->onMessage = [&c] {
        c->Free();
        c = nullptr;
    };
    EXPECT_EQ(BroadcastToTopLevelWindows(WM_ENDSESSION, TRUE, 0), TRUE);
    EXPECT_EQ(log, (std::vector<std::string>{"a:22", "b:22"}));
}

TEST_F(SystemMessagesTest, TheSessionMayEndUnlessAWindowMayNotClose) {
    TListener* a = make("a");
    make("b");
    EXPECT_TRUE(QuerySessionEnd());
    a->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
    EXPECT_FALSE(QuerySessionEnd());
}

TEST_F(SystemMessagesTest, WorkQueuedFromAnotherThreadRunsOnThisOneInTurn) {
    TListener* a = make("a");
    std::thread::id ranOn;
    std::thread poster([&] {
        PostTask([&ranOn] { ranOn = std::this_thread::get_id(); });
        PostToTopLevelWindows(WM_ENDSESSION, TRUE, 0);
    });
    poster.join();
    EXPECT_TRUE(log.empty()); // nothing before the queue is served
    Application->ProcessMessages();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(log, (std::vector<std::string>{"a:22"}));
    (void)a;
}

TEST_F(SystemMessagesTest, TheSessionManagersQuitBecomesEndSessionAndQtKeepsItsWindows) {
    TListener* a = make("a");
    a->Show();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    Application->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"a:22"}));
    EXPECT_TRUE(a->Visible());
}

TEST_F(SystemMessagesTest, AnEndSignalArrivesAsEndSessionThroughTheQueue) {
    orv_test::TempDir dir;
    orv_test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path().string());
    make("a");
    std::string error;
    ASSERT_TRUE(StartSystemMessages(error)) << error;
    EXPECT_FALSE(StartSystemMessages(error)); // one reception per process
    ::raise(SIGHUP);
    ASSERT_TRUE(orv_test::waitUntil([] { return HasPostedMessages(); }));
    EXPECT_TRUE(log.empty()); // the handler did no work of its own
    Application->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"a:22"}));
}

} // namespace
