// The host's port names and the devices they open, apart from the serial
// backend that opens them (the rules are the same on every system; only the
// default device differs).
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace dru {

// "COM1" ... "COM12" (any letter case) resolve to, in this order: the device
// set with set_device, the environment variable DRU_PORT_COM<n>, or the
// backend's default device for COM<n> (/dev/ttyS0 ... /dev/ttyS11 on POSIX).
// A name starting with "/" is a device path. Any other name resolves to
// nothing, and fails to open like a missing port. Safe to call from several
// threads at once.
class PortNames {
public:
    // Points a COM name at a device; an empty device drops the override.
    // False (nothing changed) for a name that is not COM1 ... COM12.
    bool set_device(std::string_view port_name, std::string_view device);

    // The device path a port name opens; empty when it does not resolve.
    std::string resolve(std::string_view port_name) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::string> overrides_;  // by upper-cased COM name
};

// The device COM<com> (1 ... 12) opens when neither the host nor the
// environment names one. Defined by the serial backend of the system the
// library is built for.
std::string DefaultComDevice(int com);

}  // namespace dru
