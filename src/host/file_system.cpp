// MoveOverFile and ReadRegularFile on POSIX.
#include "host/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/errors.h"
#include "host/unique_fd.h"

namespace dru {

namespace {

// Read-only, never waiting for a writer (a FIFO) nor a line (a terminal), and
// never taking a terminal as the process's controlling one.
constexpr int kReadOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

[[noreturn]] void RefuseRead(const std::string& path, const std::string& why) {
    throw EInOutError("Cannot read file \"" + path + "\": " + why);
}

}  // namespace

bool MoveOverFile(const std::string& from, const std::string& to, std::string& reason) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t max_bytes) {
    UniqueFd fd(::open(path.c_str(), kReadOpenFlags));
    if (!fd && errno == ENOENT) return std::nullopt;
    if (!fd) throw EInOutError("Cannot open file \"" + path + "\": " + std::strerror(errno));
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0) RefuseRead(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode)) RefuseRead(path, "not a regular file");
    const auto too_large = [&] { RefuseRead(path, "larger than " + std::to_string(max_bytes) + " bytes"); };
    if (static_cast<std::uintmax_t>(st.st_size) > max_bytes) too_large();
    // Sized once from the file; a file that grows meanwhile is read one byte
    // past the bound at most, and then refused.
    std::string data(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == data.size()) {
            if (data.size() > max_bytes) too_large();
            data.resize(std::min(data.size() * 2, max_bytes + 1));
        }
        const ssize_t n = ::read(fd.get(), data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RefuseRead(path, std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    return data;
}

}  // namespace dru
