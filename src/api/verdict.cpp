// The verdict of each call that drives the printer, and dru_last_verdict().
#include "api/c_handles.h"
#include "api/last_error.h"
#include "dru01000.h"
#include "link/call_record.h"
#include "module/module.h"

namespace {
using dru::VerdictKind;
static_assert(static_cast<int>(VerdictKind::None) == DRU_VERDICT_NONE &&
                  static_cast<int>(VerdictKind::Confirmed) == DRU_VERDICT_CONFIRMED &&
                  static_cast<int>(VerdictKind::Refused) == DRU_VERDICT_REFUSED &&
                  static_cast<int>(VerdictKind::NotSent) == DRU_VERDICT_NOT_SENT &&
                  static_cast<int>(VerdictKind::Unconfirmed) == DRU_VERDICT_UNCONFIRMED,
              "the C verdicts are the link's");

std::string Sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}
}  // namespace

namespace dru {

void BeginDrivingCall() noexcept {
    try {
        ModuleState& state = ModuleState::get();
        state.call_record() = {};
        state.last_verdict() = {};
    } catch (...) {  // out of memory building the module: the call reports it
    }
}

void EndDrivingCall() noexcept {
    try {
        ModuleState& state = ModuleState::get();
        const CallRecord& record = state.call_record();
        state.last_verdict() = Judge(record, last_error().message);
        if (last_error().kind == ErrorKind::None && !record.port_failure.empty())
            set_last_error({ErrorKind::Port, Sentence(record.port_failure)});
    } catch (...) {  // out of memory: the verdict stays as the call left it
    }
}

}  // namespace dru

// A reader: the last error stays as the call before left it.
extern "C" DRU_API int32_t DRU_CALL dru_last_verdict(DruText* detail) {
    const dru::ModuleLock inside;
    try {
        const dru::Verdict& v = dru::ModuleState::get().last_verdict();
        if (detail) detail->value = v.detail;
        return static_cast<int32_t>(v.kind);
    } catch (...) {  // out of memory copying the detail: the kind alone
        return static_cast<int32_t>(dru::ModuleState::get().last_verdict().kind);
    }
}
