// The last receipt counter read from each printer (field 2 of every reply to
// 481 the link reads, with the printer's serial number, field 42), so that a
// sale can tell whether the counter it reads at its end moved to its own
// receipt without sending anything more. The module keeps it across host
// restarts (module/counter_file.h); tests keep it in memory.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace dru {

struct PrinterCounter {
    long long receipt = 0;  // the last receipt counted
    std::string serial;     // the printer that counted it
    bool operator==(const PrinterCounter&) const = default;
};

class CounterMemory {
public:
    virtual ~CounterMemory() = default;
    // The last counter read through the host's port name; nullopt when none.
    virtual std::optional<PrinterCounter> recall(std::string_view port) const = 0;
    virtual void remember(std::string_view port, const PrinterCounter& counter) = 0;
};

class InMemoryCounters final : public CounterMemory {
public:
    std::optional<PrinterCounter> recall(std::string_view port) const override;
    void remember(std::string_view port, const PrinterCounter& counter) override;

private:
    std::map<std::string, PrinterCounter, std::less<>> counters_;
};

// The port's key: the host's name, upper-cased ("com1" and "COM1" are one port).
std::string CounterKey(std::string_view port);

// The counter a reply to 481 carries; nullopt when its field 2 is not a number.
std::optional<PrinterCounter> CounterOf(std::string_view reply);

}  // namespace dru
