#pragma once

// The one shape of failure across the platform seam and the engines: a
// result holds a value or an Error, and neither may be dropped unread.

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace tw {

inline const QString kCocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
inline const QString kPosixErrorDomain = QStringLiteral("NSPOSIXErrorDomain");
inline const QString kAppErrorDomain = QStringLiteral("Sweepline");
// A service that cannot run here at all: no such tool, no scripting
// service, no way to ask for a password.
inline const QString kUnavailableErrorDomain = QStringLiteral("tw.unavailable");
// A script or an elevated command that ran and failed: the code is its error
// number (0 when it gave none), the description its own message (empty when
// it gave none).
inline const QString kScriptErrorDomain = QStringLiteral("tw.script");

// A failure as the platform reports it: a domain, a code and a sentence for the user.
struct Error {
    QString domain;
    int code = 0;
    QString description;

    // errno as a POSIX error, described by the C library.
    static Error posix(int err);
    static Error unavailable() { return {kUnavailableErrorDomain, 0, {}}; }
    bool isUnavailable() const { return domain == kUnavailableErrorDomain; }

    friend bool operator==(const Error&, const Error&) = default;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T& value() const& { return std::get<0>(m); }
    T& value() & { return std::get<0>(m); }
    T&& value() && { return std::get<0>(std::move(m)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Only when !ok().
    const Error& error() const { return std::get<1>(m); }

    friend bool operator==(const Result&, const Result&) = default;

private:
    std::variant<T, Error> m;
};

// Success without a value, or the Error.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m(std::move(error)) {}

    bool ok() const { return !m; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *m; }
    // The error as an optional, for code that keeps the failure as data.
    const std::optional<Error>& failure() const { return m; }

    friend bool operator==(const Result&, const Result&) = default;

private:
    std::optional<Error> m;
};

using Status = Result<void>;

} // namespace tw
