#include "os_services.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "host/unique_fd.h"

namespace dru::serve::os {

namespace {

// Held locked by the running service; its content means nothing.
constexpr const char* kLockFile = "lock";

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::generic_category().message(errno));
}

}  // namespace

bool CreateOwnerOnlyFile(const std::string& path, const std::string& text) {
    UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
        if (errno == EEXIST) return false;
        throw SystemError(path);
    }
    if (write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        fsync(fd.get()) != 0) {
        const std::runtime_error failure = SystemError(path);
        unlink(path.c_str());
        throw failure;
    }
    return true;
}

std::string ReadOwnerOnlyFile(const std::string& path, std::size_t max) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd || fstat(fd.get(), &st) != 0) throw SystemError(path);
    if (!S_ISREG(st.st_mode)) throw std::runtime_error(path + ": not a regular file");
    if (st.st_mode & (S_IRWXG | S_IRWXO))
        throw std::runtime_error(path + ": others may read it; make it its owner's only (chmod 600)");
    std::string text(max, '\0');
    const ssize_t n = read(fd.get(), text.data(), text.size());
    if (n < 0) throw SystemError(path);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

void WidenBacklog(int port) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const int fd = std::atoi(entry.path().filename().c_str());
        int listening = 0;
        socklen_t size = sizeof listening;
        sockaddr_storage address{};
        socklen_t address_size = sizeof address;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening) continue;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &address_size) != 0) continue;
        const int bound = address.ss_family == AF_INET6
                              ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
                              : ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
        if (bound == port) listen(fd, SOMAXCONN);
    }
}

void ListenAlone(int socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + "/" + kLockFile;
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) throw SystemError(path);
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        const std::runtime_error failure =
            held ? std::runtime_error("the data folder " + folder +
                                      " is in use by another dru serve: one service per folder")
                 : SystemError(path);
        close(fd_);
        throw failure;
    }
}

FolderLock::~FolderLock() {
    close(fd_);
}

StopSignals::StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
}

int StopSignals::wait() const {
    int signal = 0;
    sigwait(&set_, &signal);
    return signal;
}

std::tm UtcCalendar(std::time_t seconds) {
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return utc;
}

}  // namespace dru::serve::os
