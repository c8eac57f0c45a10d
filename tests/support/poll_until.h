#pragma once

#include <chrono>
#include <thread>

// Asks `probe` until its answer is truthy or `timeout` has passed; that answer, or an empty one.
// Tests wait for a condition this way rather than sleeping a fixed time, so a loaded machine
// makes them slower but not wrong. Limits are generous: they only bound a test that fails.
template <typename Probe>
auto PollUntil(std::chrono::milliseconds timeout, Probe probe,
               std::chrono::milliseconds interval = std::chrono::milliseconds(25)) -> decltype(probe()) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto found = probe()) return found;
        if (std::chrono::steady_clock::now() >= deadline) return {};
        std::this_thread::sleep_for(interval);
    }
}
