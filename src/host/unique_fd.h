// A POSIX file descriptor with one owner: it is closed when the owner goes,
// on every way out (return, early return, exception), unless it was handed
// over with release().
//
//   UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
//   if (!fd) return nullptr;           // nothing to close
//   use(fd.get());                     // a throw here closes it
//   if (fd.close() != 0) report(errno);  // a writer that must know the close worked
#pragma once
#include <unistd.h>

#include <utility>

namespace dru {

class UniqueFd {
public:
    UniqueFd() noexcept = default;
    // Takes ownership of `fd`; a negative value means no descriptor.
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    // The descriptor, still owned here; -1 when there is none.
    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Hands the descriptor over to the caller, who closes it from now on.
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held (if any) and takes `fd` in its place. The
    // close's own result is dropped: use close() where it matters.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0) ::close(old);
    }

    // Closes now and returns what ::close returned (0, or -1 with errno set),
    // for a writer whose data is only known to be written once the close has
    // succeeded. The descriptor is gone either way (Linux never keeps it
    // after a failed close, so it is not tried twice). 0 when none is held.
    int close() noexcept {
        const int old = release();
        return old >= 0 ? ::close(old) : 0;
    }

private:
    int fd_ = -1;
};

}  // namespace dru
