// Forms in tests: components freed at the end of a test, forms made from a description given
// as a function, and a short way to let the application handle what is pending.
#pragma once

#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/windowing.h"

#include <functional>
#include <string>

namespace orv_test {

// Frees a component at the end of the scope, unless it is gone already.
template <typename T> class Owned {
public:
    explicit Owned(T* object) : object_(object) {}
    ~Owned() {
        if (object_ != nullptr) {
            object_->Free();
        }
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    T* operator->() const { return object_; }
    T* get() const { return object_; }
    // For code under test that frees the object and clears the caller's pointer.
    T*& ref() { return object_; }
    // The object was freed by the code under test.
    void forget() { object_ = nullptr; }

private:
    T* object_;
};

// Handles the posted messages and the backend's pending events.
inline void pump() {
    toolkit::Application->ProcessMessages();
    toolkit::Application->ProcessMessages();
}

// A form made with a description given as a function.
class TDescribedForm : public toolkit::TForm {
public:
    using Description = std::function<void(TDescribedForm&)>;
    TDescribedForm(toolkit::TComponent* owner, Description describe)
        : TForm(owner), describe_(std::move(describe)) {}

    template <typename C> C* Add(const std::string& name, toolkit::TWinControl* parent) {
        auto* c = new C(this);
        c->SetName(name);
        if (parent != nullptr) {
            c->SetParent(parent);
        }
        return c;
    }

protected:
    void Describe() override {
        if (describe_) {
            describe_(*this);
        }
    }

private:
    Description describe_;
};

inline TDescribedForm* makeForm(TDescribedForm::Description describe = {}) {
    return toolkit::TCustomForm::Create<TDescribedForm>(nullptr, std::move(describe));
}

} // namespace orv_test
