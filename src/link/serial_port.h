// The serial port as the link sees it. Three implementations: the termios
// port (real devices and the simulator's pseudo-terminal), the in-process
// simulator port, and scripted fakes in the tests.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace dru {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // The settings steps, in the order the printer port is set up; each
    // returns false when the platform refuses it.
    virtual bool get_state() = 0;                                  // read the current line settings
    virtual bool setup_queues(int rx_bytes, int tx_bytes) = 0;     // driver queues
    virtual bool set_state() = 0;                                  // 19200 baud, 8N1, raw
    virtual bool set_timeouts(int read_total_ms, int write_total_ms) = 0;
    // One write of all the bytes; returns the count written, or -1 on failure.
    virtual long write(std::string_view bytes) = 0;
    // One read: returns when `max` bytes have arrived or the read time-out has
    // passed; the bytes read (possibly none), or -1 when the read itself fails.
    virtual long read(char* buffer, std::size_t max) = 0;
    // Drops whatever the port received and nobody read yet (a late reply to
    // an earlier command), so that the next read is the answer to what is
    // written next. Sends nothing.
    virtual void discard_input() {}
    // Why the last settings step failed, in the system's words ("" when it
    // cannot tell).
    virtual std::string failure() const { return {}; }
};

// Owning handle: the port closes when the handle goes, on every way out.
using PortHandle = std::unique_ptr<SerialPort>;

class PortProvider {
public:
    virtual ~PortProvider() = default;
    // Opens the host's port name ("COM1", or a device path); nullptr when it
    // cannot be opened (missing, unknown name, held by anyone, this module included).
    virtual PortHandle open(std::string_view port_name) = 0;
    // Why the last open() gave nullptr: the device the name resolved to and
    // the system's reason ("" when it cannot tell).
    virtual std::string why_not_opened() const { return {}; }
};

}  // namespace dru
