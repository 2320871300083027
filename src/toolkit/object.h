// The root of the toolkit's classes, and events as method references: a function together with
// the object it is called on, copied by value, so that two controls can share one handler.
#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace toolkit {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
    // The class name without namespace, e.g. "TPanel".
    std::string ClassName() const;
};

template <typename... Args> class TEvent {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}

    // A method of an object: the usual way to bind a handler.
    template <typename C> TEvent(C* receiver, void (C::*method)(Args...)) {
        receiver_ = receiver;
        static_assert(sizeof(method) <= sizeof(identity_));
        std::memcpy(identity_.data(), &method, sizeof(method));
        fn_ = [receiver, method](Args... args) { (receiver->*method)(args...); };
    }

    // Any callable (tests, small glue); two such events never compare equal.
    template <typename F>
    requires std::is_invocable_v<F, Args...> &&
        (!std::is_same_v<std::decay_t<F>, TEvent>)TEvent(F&& fn)
        : fn_(std::forward<F>(fn)) {}

    explicit operator bool() const { return static_cast<bool>(fn_); }
    void operator()(Args... args) const {
        if (fn_) {
            fn_(args...);
        }
    }
    const void* Receiver() const { return receiver_; }

    // Equal when both name the same method of the same object (or both are unassigned).
    bool operator==(const TEvent& other) const {
        if (!fn_ || !other.fn_) {
            return !fn_ && !other.fn_;
        }
        return receiver_ != nullptr && receiver_ == other.receiver_ && identity_ == other.identity_;
    }

private:
    std::function<void(Args...)> fn_;
    const void* receiver_ = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> identity_{};
};

using TNotifyEvent = TEvent<TObject*>;

} // namespace toolkit
