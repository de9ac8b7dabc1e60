// The serial devices present, for `dru ports`.
#pragma once
#include <string>
#include <vector>

namespace dru::cli {

// The driver names COM1 to COM12.
inline constexpr int kLastComPort = 12;

struct SerialDevice {
    std::string device;  // "/dev/ttyUSB0"
    std::string by_id;   // its stable name under /dev/serial/by-id/, or empty
    std::string com;  // the COM name whose default device it is ("COM1" for /dev/ttyS0), or empty
};

// The serial devices under `dev` ("/dev"), as `sys` ("/sys") tells which
// ttyS ports have a UART behind them; sorted by device.
std::vector<SerialDevice> ListSerialDevices(const std::string& dev = "/dev",
                                            const std::string& sys = "/sys");

}  // namespace dru::cli
