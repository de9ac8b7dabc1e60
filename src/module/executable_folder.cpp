// The folder of the running executable on POSIX, from /proc/self/exe.
#include <unistd.h>

#include <string>

#include "module/module.h"

namespace dru {

namespace {
constexpr std::size_t kMaxPathBytes = 4096;  // PATH_MAX on Linux
}

std::string ExecutableFolder() {
    std::string path(kMaxPathBytes, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return ".";
    path.resize(static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace dru
