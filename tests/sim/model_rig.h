// The printer model fed frames as the driver writes them, for the model tests.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "host/clock.h"
#include "host/text.h"
#include "link/frames.h"
#include "printer_model.h"

namespace dru::sim::test {

struct Printer {
    explicit Printer(PrinterConfig c = {}) : m(clock, std::move(c)) {}
    // Writes the frames as the driver does (Latin-1 on the wire) and returns the replies.
    std::string send(const std::vector<std::string>& commands) {
        for (const auto& c : commands) m.feed(text::to_latin1(Frame(c)));
        return m.take_output();
    }
    std::string counter(int field) {
        std::string reply = send({"481"});
        reply.pop_back();  // the terminator
        return ReadField(reply, field);
    }
    VirtualClock clock;
    PrinterModel m;
};

inline std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace dru::sim::test
