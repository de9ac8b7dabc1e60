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
