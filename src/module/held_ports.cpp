#include "module/held_ports.h"

#include <utility>

namespace dru {

HeldPorts::Id HeldPorts::hold(PortHandle port) {
    if (!port || ports_.size() >= kMaxHeld) return kNone;
    const Id id = next_id();
    ports_.emplace(id, std::move(port));
    return id;
}

PortHandle* HeldPorts::find(Id id) {
    const auto it = ports_.find(id);
    return it == ports_.end() ? nullptr : &it->second;
}

bool HeldPorts::release(Id id) { return ports_.erase(id) == 1; }

// Handle numbers count up, skipping kNone and numbers still held, so a
// released handle is not given out again until the count comes round.
HeldPorts::Id HeldPorts::next_id() {
    do {
        ++last_;
    } while (last_ == kNone || ports_.contains(last_));
    return last_;
}

}  // namespace dru
