#pragma once

#include "MonitorInput.h"

#include <QList>
#include <QString>

#include <optional>

namespace InputSourceList {
/// More codes than a byte has values cannot come from one monitor.
inline constexpr qsizetype maxCodes = 256;

/// The input-source codes in the output of "get inputs": one line of decimal codes 0 to 255
/// without leading zeros, each once, single spaces between them and one line break at the end.
/// Anything else is no answer at all, so a helper gone wrong never narrows the inputs offered.
std::optional<QList<int>> parse(const QString& output);

/// The inputs that one of the codes selects, in MonitorInputs::allCases order.
QList<MonitorInput> inputsAmong(const QList<int>& codes);
} // namespace InputSourceList
