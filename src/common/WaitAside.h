// Work that would hold the GUI thread, such as asking a helper program and waiting up to seconds for its
// answer, runs on a thread of its own while the caller waits with its events going on: the windows keep
// painting, timers and sockets are served, and the user's input waits until the answer is in, as it did
// when the thread itself waited. The caller gets the answer where it asked, as from a plain call.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace hy::common {

// Runs work on a thread of its own and returns once it has finished, letting the calling thread's events
// through meanwhile (the user's input excepted). An exception that ends the work comes out here.
void RunAside(const std::function<void()>& work);

// RunAside for work that answers: its answer.
template <typename Work> auto WaitAside(Work&& work) -> std::invoke_result_t<Work&>
{
    using Result = std::invoke_result_t<Work&>;
    if constexpr (std::is_void_v<Result>) {
        RunAside(work);
    } else {
        std::optional<Result> result;
        RunAside([&]() { result.emplace(work()); });
        return std::move(*result);
    }
}

} // namespace hy::common
