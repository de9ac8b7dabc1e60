// The debug log file on POSIX: opened O_APPEND per line, written, closed, so
// every line is on disk when the call returns.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/errors.h"
#include "host/unique_fd.h"
#include "link/debug_log.h"

namespace dru {

namespace {

constexpr std::string_view kLogFileName = "ANALISA_ERRO.txt";
constexpr mode_t kLogFileMode = 0644;

[[noreturn]] void raise_io(const std::string& path, int err) {
    throw EInOutError("Cannot write the debug log " + path + ": " + std::strerror(err));
}

}  // namespace

std::string FileLogSink::path() const {
    std::string p = folder_;
    if (p.empty() || p.back() != '/') p += '/';
    p += kLogFileName;
    return p;
}

void FileLogSink::append(std::string_view line) {
    const std::string file = path();
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kLogFileMode));
    if (!fd) raise_io(file, errno);
    std::size_t done = 0;
    // Each pass writes at least one byte or fails, so the loop ends. On a
    // failed write the error reported is the write's: the descriptor closes
    // as the exception leaves, whatever that close says.
    while (done < line.size()) {
        const ssize_t n = ::write(fd.get(), line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) raise_io(file, n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    if (fd.close() != 0) raise_io(file, errno);
}

}  // namespace dru
