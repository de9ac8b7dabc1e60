// How a C string argument of the host reads inside the module.
#pragma once
#include <string>

#include "host/text.h"

namespace dru {

// NULL is the empty text; text that is not UTF-8 is read as Latin-1.
inline std::string HostText(const char* s) { return s ? text::from_host(s) : std::string(); }

// A path (a folder, a device, a port name that may be a device path): on
// POSIX the host's bytes exactly as given, so a folder named in Latin-1 is
// the folder the host means; on Windows UTF-8 (read as HostText reads it),
// which the module opens as UTF-16. NULL is the empty path.
inline std::string HostPath(const char* s) {
#if defined(_WIN32)
    return HostText(s);
#else
    return s ? std::string(s) : std::string();
#endif
}

}  // namespace dru
