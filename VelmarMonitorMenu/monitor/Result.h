#pragma once

#include "ClientError.h"

#include <optional>
#include <utility>
#include <variant>

// A value or the ClientError that prevented it. Errors travel as values: nothing
// is thrown across the event loop.
template <class T> class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(ClientError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<T>(m_state); }
    const ClientError& error() const { return std::get<ClientError>(m_state); }

private:
    std::variant<T, ClientError> m_state;
};

template <> class Result<void> {
public:
    Result() = default;
    Result(ClientError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const ClientError& error() const { return *m_error; }

private:
    std::optional<ClientError> m_error;
};
