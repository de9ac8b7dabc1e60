// The debug log file on POSIX: opened O_APPEND per line, written, closed, so
// every line is on disk when the call returns.
//
// Only a regular file is ever written. The open neither follows a symbolic
// link (O_NOFOLLOW) nor waits (O_NONBLOCK: a FIFO with no reader fails at
// once, with one it opens), and what was opened is checked on the descriptor
// itself (fstat) before the first byte goes out, so a FIFO, device, folder or
// link put in the file's place is refused without a race. Writing to a
// regular file never raises SIGPIPE, so the host's signal handling is never
// touched.
#include <fcntl.h>
#include <sys/stat.h>
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
constexpr int kLogOpenFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;

[[noreturn]] void raise_io(const std::string& path, const std::string& why) {
    throw EInOutError("Cannot write the debug log " + path + ": " + why);
}

[[noreturn]] void raise_io(const std::string& path, int err) {
    // O_NOFOLLOW on a link fails with ELOOP, whose text speaks of loops.
    raise_io(path, err == ELOOP ? std::string("it is a symbolic link") : std::string(std::strerror(err)));
}

// The descriptor of the log file, refused unless it is a regular file.
UniqueFd OpenLogFile(const std::string& file) {
    UniqueFd fd(::open(file.c_str(), kLogOpenFlags, kLogFileMode));
    if (!fd) raise_io(file, errno);
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0) raise_io(file, errno);
    if (!S_ISREG(st.st_mode)) raise_io(file, "not a regular file");
    return fd;
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
    UniqueFd fd = OpenLogFile(file);
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
