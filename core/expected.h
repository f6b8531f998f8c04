#pragma once
// A value or the text of what went wrong: the result of reading untrusted input.

#include <string>
#include <utility>
#include <variant>

namespace dovrix {

struct Error {
    std::string message;
};

template <typename T>
class Expected {
public:
    Expected(T value) : state_(std::move(value)) {}
    Expected(Error error) : state_(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<T>(state_); }
    T& value() & { return std::get<T>(state_); }
    T&& value() && { return std::get<T>(std::move(state_)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const std::string& error() const { return std::get<Error>(state_).message; }

private:
    std::variant<T, Error> state_;
};

} // namespace dovrix
