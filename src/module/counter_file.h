// The last receipt counter read from each printer, kept across host restarts
// in the host folder's CONTADOR_CUPOM.txt: one line per port name,
// "PORT;COUNTER;SERIAL" (ASCII), rewritten whole (a temporary file renamed
// over it) each time a reply to 481 brings a counter. A file that cannot be
// read is no memory; one that cannot be written keeps the counter for the
// rest of the call only, so the next sale cannot vouch for its number: it
// returns none rather than a wrong one.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "link/counter_memory.h"

namespace dru {

inline constexpr std::string_view kCounterFileName = "CONTADOR_CUPOM.txt";

class CounterFile final : public CounterMemory {
public:
    explicit CounterFile(std::string folder) : folder_(std::move(folder)) {}

    std::optional<PrinterCounter> recall(std::string_view port) const override;
    void remember(std::string_view port, const PrinterCounter& counter) override;
    std::string path() const;

private:
    std::string folder_;
    InMemoryCounters this_call_;  // what this call read, whatever the file could take
};

}  // namespace dru
