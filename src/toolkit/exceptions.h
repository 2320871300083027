// The toolkit's exceptions. An operation that ends with EAbort ends silently; every other
// exception that reaches the application's handler is shown to the user with its message.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace toolkit {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    explicit EAbort(std::string message) : Exception(std::move(message)) {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};
class ERangeError : public Exception {
    using Exception::Exception;
};
class EComponentError : public Exception {
    using Exception::Exception;
};
class EInvalidCast : public Exception {
public:
    EInvalidCast() : Exception("Invalid class typecast") {}
    using Exception::Exception;
};
class EListError : public Exception {
    using Exception::Exception;
};
class EInvalidOperation : public Exception {
    using Exception::Exception;
};

// Raises the silent abort.
[[noreturn]] void Abort();

// Decimal (optionally signed) or hexadecimal with a leading '$' or "0x", as the classic
// libraries accept it; leading blanks are skipped, trailing ones are not allowed. Raises
// EConvertError
// "'<text>' is not a valid integer value" for anything else, including values outside int32.
std::int32_t StrToInt(const std::string& text);
// As StrToInt, but returns the default instead of raising.
std::int32_t StrToIntDef(const std::string& text, std::int32_t defaultValue);
std::string IntToStr(std::int64_t value);

// Checked downcast of toolkit objects: raises EInvalidCast when the object is not a T.
template <typename T, typename U> T* As(U* object) {
    if (object == nullptr) {
        return nullptr;
    }
    if (auto* result = dynamic_cast<T*>(object)) {
        return result;
    }
    throw EInvalidCast();
}

} // namespace toolkit
