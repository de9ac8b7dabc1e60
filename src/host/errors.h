// Platform errors raised inside the module: one closed set of kinds. They
// never cross the C interface: the boundary (src/api) catches them and turns
// each into dru_last_error() and dru_last_error_code().
//
// Raise the class of the kind; never a bare std:: exception. Printer errors
// are not platform errors: they are analysed, logged and shown.
#pragma once
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

namespace dru {

// The kinds, numbered as dru01000.h publishes them (DRU_ERR_*).
enum class ErrorKind {
    None = 0,
    BadArgument = 1,  // the caller's mistake: a NULL handle, a value out of range, an unknown name
    Table = 2,        // a table refused an operation: missing field, bad filter, bad packet, wrong state
    Conversion = 3,   // a value that does not convert (number or date text, error number of a reply)
    InputOutput = 4,  // a file (the debug log, a table file) cannot be opened, read or written
    Port = 5,         // the serial port or its platform calls failed where the caller must know
    Unsupported = 6,  // the request is understood and not supported here
    Internal = 7,     // a fault of the module itself (out of memory, an unexpected exception)
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind kind() const { return kind_; }

private:
    ErrorKind kind_;
};

// One class per kind, so a handler can catch a kind by its type.
template <ErrorKind K>
class KindError : public Error {
public:
    explicit KindError(const std::string& message) : Error(K, message) {}
};

using EBadArgument = KindError<ErrorKind::BadArgument>;
using EDatabaseError = KindError<ErrorKind::Table>;
using EConvertError = KindError<ErrorKind::Conversion>;
using EInOutError = KindError<ErrorKind::InputOutput>;
using EPortError = KindError<ErrorKind::Port>;
using EUnsupported = KindError<ErrorKind::Unsupported>;

// What an error leaves for the host to read: its kind and its message.
struct ErrorReport {
    ErrorKind kind = ErrorKind::None;
    std::string message;
};

// The report of a caught exception; one outside the set is an internal fault.
inline ErrorReport ReportOf(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Error*>(&e)) return {own->kind(), own->what()};
    if (dynamic_cast<const std::bad_alloc*>(&e)) return {ErrorKind::Internal, "out of memory"};
    return {ErrorKind::Internal, e.what()};
}

}  // namespace dru
