#include "link/counter_memory.h"

#include "host/text.h"
#include "link/commands.h"
#include "link/frames.h"

namespace dru {

std::string CounterKey(std::string_view port) {
    std::string key(port);
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

std::optional<PrinterCounter> CounterOf(std::string_view reply) {
    const std::string field = ReadField(reply, field481::kLastReceipt);
    if (field.empty() || field.size() > 18 || field.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return PrinterCounter{std::stoll(field), ReadField(reply, field481::kSerial)};
}

std::optional<PrinterCounter> InMemoryCounters::recall(std::string_view port) const {
    const auto it = counters_.find(CounterKey(port));
    if (it == counters_.end()) return std::nullopt;
    return it->second;
}

void InMemoryCounters::remember(std::string_view port, const PrinterCounter& counter) {
    counters_[CounterKey(port)] = counter;
}

}  // namespace dru
