#pragma once

#include <QString>

#include <optional>

// The case whose raw value is exactly `raw` (case-sensitive), for any enumeration that has
// a rawValue() overload and a list of its cases.
template <class Cases>
auto caseFromRawValue(const Cases& cases, const QString& raw) -> std::optional<typename Cases::value_type> {
    for (const auto candidate : cases) {
        if (rawValue(candidate) == raw)
            return candidate;
    }
    return std::nullopt;
}
