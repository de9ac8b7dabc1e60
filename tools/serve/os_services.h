// What the service needs of the operating system, in one place, so that a
// Windows build adds an os_services_win32.cpp beside this POSIX one: files
// its owner alone may read, the listening socket's backlog, the stop
// signals and the UTC calendar.
#pragma once
#include <csignal>
#include <cstddef>
#include <ctime>
#include <string>

namespace dru::serve::os {

// Creates `path` holding `text`, readable by its owner only, synced to
// disk; false when it exists already. Raises std::runtime_error with the
// system's reason.
bool CreateOwnerOnlyFile(const std::string& path, const std::string& text);

// Reads at most `max` bytes of `path`; raises std::runtime_error when it
// cannot, when it is not a regular file, or when others may read it.
std::string ReadOwnerOnlyFile(const std::string& path, std::size_t max);

// The HTTP library listens with a backlog of 5: a burst of clients (a
// restaurant's tablets after a network hiccup) would have connections
// dropped before they are accepted. Gives the socket listening on `port`
// the system's maximum.
void WidenBacklog(int port);

// The listening socket's options: a restarted service may bind while the
// last one's connections linger, but a second service never binds a port
// one listens on (the HTTP library's default shares it, and the system
// would deal requests to both, each with its own journal).
void ListenAlone(int socket);

// The data folder held by one service: a second one on the same folder
// would settle the first one's running jobs as cut off. Released when the
// process ends, a crash included.
class FolderLock {
  public:
    // Raises std::runtime_error when another service holds `folder`.
    explicit FolderLock(const std::string& folder);
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

  private:
    int fd_ = -1;
};

// SIGINT and SIGTERM held back from the calling thread and the threads it
// starts afterwards, so that they arrive only where wait() takes them.
class StopSignals {
  public:
    StopSignals();
    // Blocks until one arrives; its number.
    int wait() const;

  private:
    sigset_t set_;
};

std::tm UtcCalendar(std::time_t seconds);

}  // namespace dru::serve::os
