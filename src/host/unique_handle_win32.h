// A Windows kernel handle with one owner, the counterpart of UniqueFd: it is
// closed when the owner goes, on every way out, unless handed over with
// release(). CreateFile's failure value is INVALID_HANDLE_VALUE, not NULL;
// both mean "no handle" here.
//
//   UniqueHandle file(::CreateFileW(path, ...));
//   if (!file) return nullptr;            // nothing to close
//   use(file.get());                      // a throw here closes it
//   if (!file.close()) report(::GetLastError());
#pragma once
#include <windows.h>

#include <utility>

namespace dru {

class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE handle) noexcept : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return valid(handle_); }

    [[nodiscard]] HANDLE release() noexcept { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

    // Closes the handle held (if any) and takes `handle` in its place; the
    // close's own result is dropped: use close() where it matters.
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) noexcept {
        const HANDLE old = std::exchange(handle_, handle);
        if (valid(old)) ::CloseHandle(old);
    }

    // Closes now; false (GetLastError says why) when CloseHandle failed. The
    // handle is gone either way. True when none is held.
    bool close() noexcept {
        const HANDLE old = release();
        return !valid(old) || ::CloseHandle(old) != 0;
    }

private:
    static bool valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace dru
