// The serial port on a POSIX system: termios, with an exclusive lock so the
// port is never shared, not even between two handles of this process.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "host/clock.h"
#include "link/serial_port.h"

namespace dru {

// Opens the host's port names. "COM1" ... "COM12" (any letter case) resolve
// to, in this order: the device set with set_device, the environment variable
// DRU_PORT_COM<n>, or /dev/ttyS0 ... /dev/ttyS11. A name starting with "/" is
// a device path. Any other name fails to open, like a missing port.
class TermiosPortProvider final : public PortProvider {
public:
    // `clock` gives the deadlines of reads and writes; it must outlive the ports.
    explicit TermiosPortProvider(const Clock& clock) : clock_(clock) {}

    PortHandle open(std::string_view port_name) override;

    // Points a COM name at a device; an empty device drops the override.
    // False (nothing changed) for a name that is not COM1 ... COM12.
    bool set_device(std::string_view port_name, std::string_view device);

    // The device path a port name opens; empty when it does not resolve.
    std::string resolve(std::string_view port_name) const;

private:
    const Clock& clock_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> overrides_;  // by upper-cased COM name
};

}  // namespace dru
