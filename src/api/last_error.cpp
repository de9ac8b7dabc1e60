#include "api/last_error.h"

#include <mutex>

#include "api/reader_texts.h"
#include "dru01000.h"

namespace dru {
namespace {
// Part of the module state. Written by the calls (inside the module's lock)
// and read by dru_last_error() from any thread, under its own small lock,
// so a reader never waits for another thread's document.
std::mutex& storage_mutex() {
    static std::mutex mutex;
    return mutex;
}

ErrorReport& storage() {
    static ErrorReport report;
    return report;
}
}  // namespace

void clear_last_error() { set_last_error({}); }

void set_last_error(ErrorReport report) {
    const std::lock_guard lock(storage_mutex());
    std::swap(storage(), report);  // the old message is freed outside the lock
}

ErrorReport last_error() {
    const std::lock_guard lock(storage_mutex());
    return storage();
}

ErrorKind last_error_kind() {
    const std::lock_guard lock(storage_mutex());
    return storage().kind;
}

}  // namespace dru

// The message is copied for the calling thread: the pointer stays valid
// whatever other threads do, until this thread asks again.
extern "C" DRU_API const char* DRU_CALL dru_last_error(void) {
    try {
        return dru::ReaderText(nullptr, dru::Reader::LastError, 0, dru::last_error().message);
    } catch (...) {  // no memory for the copy
        return "";
    }
}

extern "C" DRU_API int32_t DRU_CALL dru_last_error_code(void) {
    return static_cast<int32_t>(dru::last_error_kind());
}
