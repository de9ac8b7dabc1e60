// The serial ports of the system the library is built for. One backend file
// per operating system defines what is declared here, and the build takes
// the one of the target system: serial_termios.cpp (POSIX: termios, with an
// exclusive lock so the port is never shared, not even between two handles
// of this process); serial_win32.cpp (Windows: CreateFile with no sharing).
#pragma once
#include <string>
#include <string_view>

#include "host/clock.h"
#include "link/port_names.h"
#include "link/serial_port.h"

namespace dru {

// Opens the device a port name resolves to (see PortNames); nullptr when the
// name does not resolve, the device is missing or anyone holds it.
class SerialBackend final : public PortProvider {
public:
    // `names` and `clock` (the deadlines of reads and writes) must outlive
    // the backend and every port it opened.
    SerialBackend(const PortNames& names, const Clock& clock) : names_(names), clock_(clock) {}

    PortHandle open(std::string_view port_name) override;
    std::string why_not_opened() const override { return why_not_opened_; }

private:
    const PortNames& names_;
    std::string why_not_opened_;
    const Clock& clock_;
};

}  // namespace dru
