// How a C string argument of the host reads inside the module.
#pragma once
#include <string>

#include "host/text.h"

namespace dru {

// NULL is the empty text; text that is not UTF-8 is read as Latin-1.
inline std::string HostText(const char* s) { return s ? text::from_host(s) : std::string(); }

}  // namespace dru
