#include "toolkit/application.h"

#include "platform/winmm.h"
#include "toolkit/exceptions.h"
#include "toolkit/message_queue.h"
#include "toolkit/peer.h"
#include "toolkit/win_control.h"
#include "toolkit/win_ui.h"

#include <algorithm>
#include <cstdio>

namespace toolkit {

TApplication* Application = nullptr;

TApplication::TApplication() : TComponent(nullptr) {
    // The wave API's messages to windows join the application's message queue.
    winmmSetWindowMessagePoster(&PostMessageA);
}

TApplication::~TApplication() {
    // The forms go first, while the application still answers them.
    DestroyComponents();
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::ProcessMessages() {
    WindowingBackend* backend = GetWindowingBackend();
    TWinControl::FlushDeferredRepaints();
    do {
        while (HasPostedMessages()) {
            Guard([] { DeliverOnePostedMessage(); });
        }
        if (backend != nullptr) {
            backend->processEvents(false);
        }
    } while (HasPostedMessages());
}

void TApplication::HandleMessage() {
    if (HasPostedMessages()) {
        // A repaint round of its own, as a wake's: what the message changed is painted once it
        // is done (and its failure handled).
        TWinControl::RepaintRound round;
        Guard([] { DeliverOnePostedMessage(); });
        return;
    }
    TWinControl::FlushDeferredRepaints();
    if (WindowingBackend* backend = GetWindowingBackend()) {
        backend->processEvents(true);
    }
}

void TApplication::HandleException(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // silent
    } catch (const std::exception& e) {
        try {
            if (OnException) {
                OnException(this, e);
            } else {
                ShowException(e);
            }
        } catch (...) {
            std::fprintf(stderr, "%s: error while reporting an error: %s\n", title_.c_str(),
                         e.what());
        }
    } catch (...) {
        std::fprintf(stderr, "%s: unknown exception\n", title_.c_str());
    }
}

void TApplication::ShowException(const std::exception& error) {
    // As the classic libraries do: a period is added unless the text already ends in one
    // (or in a character before it, such as '!' or ')').
    std::string message = error.what();
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        message += '.';
    }
    MessageBoxA(nullptr, Utf8ToCp1252(message).c_str(), Utf8ToCp1252(title_).c_str(),
                MB_OK | MB_ICONSTOP);
}

void TApplication::SetActive(bool active) {
    if (active == active_) {
        return;
    }
    active_ = active;
    if (active) {
        OnActivate(this);
    } else {
        OnDeactivate(this);
    }
}

void TApplication::FormCreated(TCustomForm* form) {
    if (std::find(forms_.begin(), forms_.end(), form) == forms_.end()) {
        forms_.push_back(form);
    }
}

void TApplication::FormDestroyed(TCustomForm* form) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    if (mainForm_ == form) {
        mainForm_ = nullptr;
    }
}

namespace {
int guardDepth = 0; // user-interface thread only
} // namespace

void Guard(const std::function<void()>& fn) {
    struct Depth {
        Depth() { ++guardDepth; }
        ~Depth() {
            // An event of the window system has been handled: its repaints go out.
            if (--guardDepth == 0) {
                TWinControl::FlushDeferredRepaints();
            }
        }
    } depth;
    try {
        fn();
    } catch (...) {
        HandleCurrentException();
    }
}

bool InsideGuard() {
    return guardDepth > 0;
}

void HandleCurrentException() {
    if (Application != nullptr) {
        Application->HandleException(std::current_exception());
        return;
    }
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unhandled error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unhandled error\n");
    }
}

} // namespace toolkit
