// `dru ports`: the serial devices present, with their stable names.
#include "ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "json_input.h"

namespace dru::cli {

namespace fs = std::filesystem;

namespace {

// Kernel names of serial devices: on-board UARTs, USB adapters, modems, boards.
const char* const kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"};

// An on-board ttyS port the kernel lists without a UART behind it has type 0.
bool HasUart(const std::string& sys, const std::string& name) {
    std::ifstream type(sys + "/class/tty/" + name + "/type");
    int value = 0;
    return type && (type >> value) && value != 0;
}

std::string ComNameOfDevice(const std::string& name) {
    if (!name.starts_with("ttyS")) return {};
    const std::string digits = name.substr(4);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return {};
    const int n = std::stoi(digits) + 1;
    return n <= kLastComPort ? "COM" + std::to_string(n) : std::string();
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices(const std::string& dev, const std::string& sys) {
    std::error_code ec;
    std::map<std::string, std::string> by_id;  // device -> stable name
    for (const auto& link : fs::directory_iterator(dev + "/serial/by-id", ec)) {
        const fs::path target =
            fs::weakly_canonical(link.path().parent_path() / fs::read_symlink(link.path(), ec), ec);
        if (!ec) by_id[fs::path(dev) / target.filename()] = link.path().string();
    }
    std::vector<SerialDevice> out;
    for (const auto& entry : fs::directory_iterator(dev, ec)) {
        const std::string name = entry.path().filename().string();
        if (std::none_of(std::begin(kPrefixes), std::end(kPrefixes),
                         [&](const char* p) { return name.starts_with(p); }))
            continue;
        const std::string device = entry.path().string();
        const auto id = by_id.find(device);
        if (name.starts_with("ttyS") && id == by_id.end() && !HasUart(sys, name)) continue;
        out.push_back({device, id == by_id.end() ? "" : id->second, ComNameOfDevice(name)});
    }
    std::sort(out.begin(), out.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.device < b.device; });
    return out;
}

void AddPortsCommand(CLI::App& app, Program& program) {
    CLI::App* sub = app.add_subcommand(
        "ports", "list the serial devices present, with their /dev/serial/by-id/ names");
    sub->footer(Example("dru ports"));
    sub->callback([&program] {
        program.action = [&program] {
            const std::vector<SerialDevice> devices = ListSerialDevices();
            std::ostream& out = program.console.out;
            if (program.options.json) {
                Json list = Json::array();
                for (const SerialDevice& d : devices)
                    list.push_back({{"device", d.device}, {"by_id", d.by_id}, {"com", d.com}});
                out << Json{{"command", "ports"}, {"ports", list}}.dump(2) << "\n";
                return static_cast<int>(kDone);
            }
            if (devices.empty()) out << "no serial device found\n";
            for (const SerialDevice& d : devices) {
                out << d.device;
                if (!d.com.empty()) out << "  (" << d.com << " by default)";
                if (!d.by_id.empty()) out << "  " << d.by_id;
                out << "\n";
            }
            return static_cast<int>(kDone);
        };
    });
}

}  // namespace dru::cli
