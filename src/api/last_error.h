// dru_last_error(): the message of the platform error that ended the last
// entry point, kept until the next entry point starts. Every C entry point
// runs its body through `guarded`, so no exception crosses the C interface.
#pragma once
#include <exception>
#include <string>
#include <utility>

namespace dru {

void clear_last_error();
void set_last_error(std::string message);
const std::string& last_error();

// Runs `body` with the last error cleared; on an exception records its
// message and returns `initial` (outputs are the body's to leave untouched).
template <class R, class F>
R guarded(R initial, F&& body) noexcept {
    clear_last_error();
    try {
        return std::forward<F>(body)();
    } catch (const std::exception& e) {
        set_last_error(e.what());
    } catch (...) {
        set_last_error("unknown error");
    }
    return initial;
}

template <class F>
void guarded_void(F&& body) noexcept {
    clear_last_error();
    try {
        std::forward<F>(body)();
    } catch (const std::exception& e) {
        set_last_error(e.what());
    } catch (...) {
        set_last_error("unknown error");
    }
}

}  // namespace dru
