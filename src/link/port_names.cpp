#include "link/port_names.h"

#include <cstdlib>

#include "host/text.h"

namespace dru {

namespace {

constexpr int kComPorts = 12;  // COM1 ... COM12
constexpr std::size_t kMaxComDigits = 2;
constexpr std::string_view kComPrefix = "COM";
// The environment names a device as DRU_PORT_COM3=/dev/ttyUSB0.
constexpr std::string_view kEnvPrefix = "DRU_PORT_";

// The COM number of an upper-cased port name (1 ... 12), or 0 when it is
// none. "COM01" is not COM1: the host never writes a leading zero.
int com_number(std::string_view upper) {
    if (!upper.starts_with(kComPrefix)) return 0;
    const std::string_view digits = upper.substr(kComPrefix.size());
    if (digits.empty() || digits.size() > kMaxComDigits || digits[0] == '0') return 0;
    int n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= kComPorts ? n : 0;
}

}  // namespace

std::string PortNames::resolve(std::string_view port_name) const {
    if (port_name.starts_with('/')) return std::string(port_name);
    const std::string upper = text::upper_ascii(port_name);
    const int n = com_number(upper);
    if (n == 0) return {};
    {
        std::lock_guard lock(mutex_);
        if (const auto it = overrides_.find(upper); it != overrides_.end()) return it->second;
    }
    const std::string variable = std::string(kEnvPrefix) + upper;
    if (const char* env = std::getenv(variable.c_str()); env != nullptr && *env != '\0') return env;
    return DefaultComDevice(n);
}

bool PortNames::set_device(std::string_view port_name, std::string_view device) {
    const std::string upper = text::upper_ascii(port_name);
    if (com_number(upper) == 0) return false;
    std::lock_guard lock(mutex_);
    if (device.empty())
        overrides_.erase(upper);
    else
        overrides_[upper] = std::string(device);
    return true;
}

}  // namespace dru
