// Posted messages reaching the window system's event loop: one wake delivers what is queued in
// one round, in order; handlers that post again, fail, or run loops of their own (a message
// box, a modal form) leave no message behind and shut out no event of the window system; and
// posting and delivering allocate nothing once the queue has grown.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/message_queue.h"
#include "toolkit/win_ui.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <thread>
#include <vector>

// Allocations counted per thread (not under a sanitizer, which brings its own allocator).
#if defined(__SANITIZE_ADDRESS__)
#define ORV_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef ORV_COUNT_ALLOCATIONS
#define ORV_COUNT_ALLOCATIONS 1
#endif

namespace {
thread_local std::size_t tAllocations = 0;
} // namespace

#if ORV_COUNT_ALLOCATIONS
void* operator new(std::size_t size) {
    ++tAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#endif

namespace toolkit {
namespace {

using orv_test::makeForm;
using orv_test::Owned;
using orv_test::pump;
using orv_test::TDescribedForm;

constexpr UINT kPing = WM_USER + 21;

// Runs the Qt event loop once, as the program's loop does when no message is waiting.
void oneLoopPass() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Runs the Qt event loop until cond holds or five seconds pass.
bool loopUntil(const std::function<bool()>& cond) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!cond() && std::chrono::steady_clock::now() < end) {
        if (!QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return cond();
}

TEST(PostedMessages, OneWakeDeliversEveryQueuedMessageInOrderAcrossTheQueuesGrowth) {
    pump();
    Owned<TDescribedForm> form(makeForm());
    std::vector<WPARAM> seen;
    form->SetMessageHandler(kPing, [&](TMessage& m) { seen.push_back(m.WParam); });
    // Deliveries between posts move the queue's start, so it grows while it wraps around.
    WPARAM next = 0;
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 7 + 13 * round; ++i) {
            PostMessageA(form->Handle(), kPing, next++, 0);
        }
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(DeliverOnePostedMessage());
        }
    }
    oneLoopPass(); // a single pass of the loop: one wake, one round
    ASSERT_EQ(seen.size(), next);
    for (WPARAM i = 0; i < next; ++i) {
        ASSERT_EQ(seen[i], i) << "out of order";
    }
    EXPECT_FALSE(HasPostedMessages());
}

TEST(PostedMessages, AMessagePostedByAHandlerComesInALaterRoundAfterTheWindowSystemsEvents) {
    pump();
    Owned<TDescribedForm> form(makeForm());
    // Every message posts the next: without the bound on a round, the window system's events
    // would wait until this chain ended.
    int delivered = 0;
    int deliveredWhenTimerRan = -1;
    form->SetMessageHandler(kPing, [&](TMessage& m) {
        ++delivered;
        if (m.WParam < 200) {
            PostMessageA(form->Handle(), kPing, m.WParam + 1, 0);
        }
    });
    QTimer::singleShot(0, [&] { deliveredWhenTimerRan = delivered; });
    PostMessageA(form->Handle(), kPing, 0, 0);
    EXPECT_EQ(DeliverPostedMessagesOfThisWake(), 1u) << "a round delivers what was queued only";
    ASSERT_TRUE(loopUntil([&] { return delivered == 201; })) << delivered << " delivered";
    EXPECT_GE(deliveredWhenTimerRan, 0);
    EXPECT_LT(deliveredWhenTimerRan, 20) << "the chain of messages shut out the timer";
    EXPECT_FALSE(HasPostedMessages());
}

TEST(PostedMessages, AFailingHandlerLeavesTheRestOfTheRoundComing) {
    orv_test::MessageBoxLog boxes;
    pump();
    Owned<TDescribedForm> form(makeForm());
    std::vector<WPARAM> seen;
    form->SetMessageHandler(kPing, [&](TMessage& m) {
        seen.push_back(m.WParam);
        if (m.WParam == 2) {
            throw EConvertError("'x' is not a valid integer value");
        }
    });
    for (WPARAM i = 1; i <= 4; ++i) {
        PostMessageA(form->Handle(), kPing, i, 0);
    }
    EXPECT_EQ(DeliverPostedMessagesOfThisWake(), 4u);
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "'x' is not a valid integer value.");
}

TEST(PostedMessages, AMessageBoxShownByAHandlerDeliversTheRestOfItsRoundAndLaterPosts) {
    pump();
    Owned<TDescribedForm> form(makeForm());
    std::vector<WPARAM> seen;
    std::atomic<bool> restOfRoundSeen{false};
    bool posterWaitedInVain = false;
    bool boxReturned = false;
    bool rescued = false;
    std::thread poster;
    form->SetMessageHandler(kPing, [&](TMessage& m) {
        seen.push_back(m.WParam);
        if (m.WParam == 1) {
            // A real box with its own Qt loop. Messages 2 and 3 are queued already, in this
            // round, and nothing else wakes the loop; 4 comes from another thread once they
            // have come, and closes the box.
            HWND handle = form->Handle();
            poster = std::thread([handle, &restOfRoundSeen, &posterWaitedInVain] {
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
                while (!restOfRoundSeen && std::chrono::steady_clock::now() < end) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                posterWaitedInVain = !restOfRoundSeen;
                PostMessageA(handle, kPing, 4, 0);
            });
            QTimer rescue;
            rescue.setSingleShot(true);
            QObject::connect(&rescue, &QTimer::timeout, [&rescued] {
                if (QWidget* box = QApplication::activeModalWidget()) {
                    rescued = true;
                    box->close();
                }
            });
            rescue.start(4000);
            MessageBoxA(nullptr, "Text", "Caption", MB_OK);
            boxReturned = true;
        } else if (m.WParam == 3) {
            restOfRoundSeen = true;
        } else if (m.WParam == 4) {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->accept();
            }
        }
    });
    for (WPARAM i = 1; i <= 3; ++i) {
        PostMessageA(form->Handle(), kPing, i, 0);
    }
    ASSERT_TRUE(loopUntil([&] { return boxReturned; }));
    poster.join();
    EXPECT_FALSE(posterWaitedInVain) << "the box's loop left the rest of the round waiting";
    EXPECT_FALSE(rescued) << "the box's loop did not deliver a message posted meanwhile";
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3, 4}));
    pump();
}

TEST(PostedMessages, AModalFormShownByAHandlerIsEndedByALaterMessageOfTheSameRound) {
    pump();
    Owned<TDescribedForm> dialog(makeForm());
    Owned<TDescribedForm> form(makeForm());
    std::vector<WPARAM> seen;
    TModalResult result = mrNone;
    form->SetMessageHandler(kPing, [&](TMessage& m) {
        seen.push_back(m.WParam);
        if (m.WParam == 1) {
            result = dialog->ShowModal();
        } else if (m.WParam == 2) {
            dialog->SetModalResult(mrOk);
        }
    });
    for (WPARAM i = 1; i <= 3; ++i) {
        PostMessageA(form->Handle(), kPing, i, 0);
    }
    ASSERT_TRUE(loopUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3}));
}

TEST(PostedMessages, PostingAndDeliveringAllocateNothingOnceTheQueueHasGrown) {
    if (!ORV_COUNT_ALLOCATIONS) {
        GTEST_SKIP() << "allocations are not counted under a sanitizer";
    }
    pump();
    Owned<TDescribedForm> form(makeForm());
    int delivered = 0;
    form->SetMessageHandler(kPing, [&](TMessage&) { ++delivered; });
    HWND handle = form->Handle();
    auto burst = [handle] {
        for (int i = 0; i < 50; ++i) {
            PostMessageA(handle, kPing, 0, 0);
        }
    };
    burst();
    pump();
    ASSERT_EQ(delivered, 50);
    // From another thread, as the multimedia timers post: the thread's own allocations.
    std::size_t posterAllocations = 99;
    std::thread poster([&] {
        const std::size_t before = tAllocations;
        burst();
        posterAllocations = tAllocations - before;
    });
    poster.join();
    EXPECT_EQ(posterAllocations, 0u);
    const std::size_t before = tAllocations;
    ASSERT_TRUE(loopUntil([&] { return delivered == 100; }));
    burst();
    ASSERT_TRUE(loopUntil([&] { return delivered == 150; }));
    EXPECT_EQ(tAllocations - before, 0u) << "allocations on the user-interface thread";
}

} // namespace
} // namespace toolkit
