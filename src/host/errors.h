// Platform errors raised inside the module. They never cross the C interface:
// every entry point catches them and reports them through dru_last_error().
#pragma once
#include <stdexcept>
#include <string>

namespace dru {

// A value that does not convert (number or date text, error number of a reply).
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A table refused an operation: missing field, bad filter, bad packet, wrong state.
class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file (the debug log, a table file) cannot be opened, created or written.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace dru
