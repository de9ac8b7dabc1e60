// MoveOverFile on POSIX: rename replaces the target in one step.
#include "host/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dru {

bool MoveOverFile(const std::string& from, const std::string& to, std::string& reason) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

}  // namespace dru
