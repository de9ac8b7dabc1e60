#include "api/last_error.h"

#include "dru01000.h"

namespace dru {
namespace {
// Part of the module state, read and written under the module's lock.
ErrorReport& storage() {
    static ErrorReport report;
    return report;
}
}  // namespace

void clear_last_error() { storage() = {}; }
void set_last_error(ErrorReport report) { storage() = std::move(report); }
const ErrorReport& last_error() { return storage(); }

}  // namespace dru

extern "C" DRU_API const char* DRU_CALL dru_last_error(void) {
    const dru::ModuleLock inside;
    return dru::last_error().message.c_str();
}

extern "C" DRU_API int32_t DRU_CALL dru_last_error_code(void) {
    const dru::ModuleLock inside;
    return static_cast<int32_t>(dru::last_error().kind);
}
