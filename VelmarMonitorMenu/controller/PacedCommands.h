#pragma once

#include "async/Cancellation.h"
#include "async/Pause.h"
#include "monitor/Result.h"

#include <QCoro/QCoroTask>

#include <chrono>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

// What a failed monitor command does to the rest of a paced sequence.
enum class OnFailure {
    stop,    // the remaining commands are not sent (Night Mode, scenes)
    carryOn, // every command is tried (a refresh, a colour preset)
};

namespace paced_detail {
template <class> struct TaskValue;
template <class T> struct TaskValue<QCoro::Task<Result<T>>> { using type = T; };
} // namespace paced_detail

/// Sends one monitor command per item, in order, `gap` apart on the monotonic clock (no pause
/// before the first): cheap monitors drop a command that follows another too closely.
/// `command(item)` starts the command and returns its task; after each command that succeeds,
/// `onSuccess(item)` or `onSuccess(item, value)` runs. Returns the first failure. Once
/// `lifetime` is cancelled (the owner is going away) the sequence ends, reporting
/// `cancelled`, and neither `command` nor `onSuccess` is called again.
template <class Item, class Command, class OnSuccess>
QCoro::Task<std::optional<ClientError>> runPaced(std::vector<Item> items, std::chrono::milliseconds gap,
                                                 OnFailure onFailure, CancelToken lifetime, Command command,
                                                 OnSuccess onSuccess) {
    using Value = typename paced_detail::TaskValue<std::invoke_result_t<Command&, const Item&>>::type;
    std::optional<ClientError> firstFailure;
    bool first = true;
    for (const auto& item : items) {
        if (!std::exchange(first, false) && gap.count() > 0)
            co_await pause(gap, lifetime); // cut short only by the owner going away, checked below
        if (lifetime->isCancelled())
            co_return ClientError::cancelled();
        const auto result = co_await command(item);
        if (lifetime->isCancelled())
            co_return ClientError::cancelled();
        if (!result) {
            if (!firstFailure)
                firstFailure = result.error();
            if (onFailure == OnFailure::stop)
                break;
            continue;
        }
        if constexpr (std::is_void_v<Value>)
            onSuccess(item);
        else
            onSuccess(item, result.value());
    }
    co_return firstFailure;
}
