// The application object: the program's title, the forms it owns (destroyed at the end), the
// message loop's single steps and the handling of exceptions that reach the top.
#pragma once

#include "toolkit/component.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TCustomForm;

using TExceptionEvent = TEvent<TObject*, const std::exception&>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    // The first form created through CreateForm.
    TCustomForm* MainForm() const { return mainForm_; }
    // Creates a form owned by the application; the first becomes the main form.
    template <typename F, typename... A> F* CreateForm(F*& reference, A&&... args);

    bool Terminated() const { return terminated_; }
    void Terminate() { terminated_ = true; }

    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    // Waits for a message and handles it: one posted message if one is queued, otherwise the
    // next batch of window-system events.
    void HandleMessage();

    // The top of the error handling: EAbort is silent; any other exception shows its message
    // in a message box titled with the application's title (or goes to OnException).
    void HandleException(std::exception_ptr error);
    void ShowException(const std::exception& error);
    TExceptionEvent OnException;

    // Activation of the application as a whole.
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    void SetActive(bool active);
    bool Active() const { return active_; }

    // Forms report their creation and destruction.
    void FormCreated(TCustomForm* form);
    void FormDestroyed(TCustomForm* form);
    const std::vector<TCustomForm*>& Forms() const { return forms_; }

private:
    std::string title_;
    TCustomForm* mainForm_ = nullptr;
    std::vector<TCustomForm*> forms_;
    bool terminated_ = false;
    bool active_ = false;
};

// The one application object; created by the program (or the test main) before any form.
extern TApplication* Application;

// Runs fn and hands any exception to the application's handler: what every entry from the
// windowing backend goes through, so that no exception crosses its event loop.
void Guard(const std::function<void()>& fn);
// True while a call that Guard runs is under way: an event of a native widget may then be
// running, whose control the call may have freed.
bool InsideGuard();
// Hands the exception being handled to the application's handler.
void HandleCurrentException();

} // namespace toolkit

#include "toolkit/forms.h"

namespace toolkit {

template <typename F, typename... A> F* TApplication::CreateForm(F*& reference, A&&... args) {
    reference = nullptr;
    F* form = new F(this, std::forward<A>(args)...);
    reference = form;
    if (mainForm_ == nullptr) {
        mainForm_ = form;
    }
    try {
        static_cast<TCustomForm*>(form)->InitializeForm();
    } catch (...) {
        if (mainForm_ == form) {
            mainForm_ = nullptr;
        }
        reference = nullptr;
        form->Free();
        throw;
    }
    return form;
}

} // namespace toolkit
