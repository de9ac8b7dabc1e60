// dru_last_error() and dru_last_error_code(): the kind and message of the
// platform error that ended the last call, kept until the next call that can
// fail starts. Every C entry point runs its body through `guarded`, so no
// exception crosses the C interface and every call holds the module's lock
// (ModuleLock) while it runs; nothing below src/api writes the last error.
// The report has a small lock of its own, so its readers never take the
// module's (and never wait for a document).
#pragma once
#include <exception>
#include <string>
#include <utility>

#include "host/errors.h"
#include "module/module.h"

namespace dru {

void clear_last_error();
void set_last_error(ErrorReport report);
ErrorReport last_error();  // a copy, taken under the report's lock
ErrorKind last_error_kind();

// A NULL handle or output the call needs: the bad-argument error naming the
// call and the argument.
// A table is named by them too, so a field it lacks is named with the call
// and the table ("ImpressaoVenda: cdsVendas: Field 'VRTXSERVICO' not found").
template <class H>
H& Required(H* handle, const char* call, const char* argument) {
    if (!handle) throw EBadArgument(std::string(call) + ": " + argument + " is NULL");
    if constexpr (requires { handle->table.SetName(std::string()); })
        handle->table.SetName(std::string(call) + ": " + argument);
    return *handle;
}

// Runs `body` inside the module's lock with the last error cleared; on an
// exception records its kind and message and returns `initial` (outputs are
// the body's to leave untouched).
template <class R, class F>
R guarded(R initial, F&& body) noexcept {
    const ModuleLock inside;
    clear_last_error();
    try {
        return std::forward<F>(body)();
    } catch (const std::exception& e) {
        set_last_error(ReportOf(e));
    } catch (...) {
        set_last_error({ErrorKind::Internal, "unknown error"});
    }
    return initial;
}

template <class F>
void guarded_void(F&& body) noexcept {
    guarded(0, [&] {
        std::forward<F>(body)();
        return 0;
    });
}

// The call's record emptied, before anything of it runs.
void BeginDrivingCall() noexcept;
// The call's verdict judged from its record and its last error; a port that
// did not open becomes the port error, unless another error ended the call.
void EndDrivingCall() noexcept;

// `guarded` for an entry point that drives the printer: it leaves a verdict
// (dru_last_verdict).
template <class R, class F>
R driving(R initial, F&& body) noexcept {
    const ModuleLock inside;
    BeginDrivingCall();
    const R result = guarded(initial, std::forward<F>(body));
    EndDrivingCall();
    return result;
}

template <class F>
void driving_void(F&& body) noexcept {
    driving(0, [&] {
        std::forward<F>(body)();
        return 0;
    });
}

}  // namespace dru
