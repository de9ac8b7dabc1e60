#include "api/last_error.h"

#include "dru01000.h"

namespace dru {
namespace {
// Part of the module state: one host thread at a time uses the module.
std::string& storage() {
    static std::string message;
    return message;
}
}  // namespace

void clear_last_error() { storage().clear(); }
void set_last_error(std::string message) { storage() = std::move(message); }
const std::string& last_error() { return storage(); }

}  // namespace dru

extern "C" DRU_API const char* dru_last_error(void) { return dru::last_error().c_str(); }
