#include "sim_port.h"

#include <algorithm>
#include <cstring>

namespace dru::sim {

namespace {

// Lets the clock reach `target_ms` as the line's wait, not as a printer pause.
void wait_until(Clock& clock, std::int64_t target_ms) {
    const std::int64_t now = clock.steady_ms();
    if (target_ms > now) clock.wait_ms(target_ms - now);
}

}  // namespace

class SimPortProvider::Port final : public SerialPort {
public:
    explicit Port(SimPortProvider& owner) : owner_(owner) {}
    ~Port() override {
        owner_.model_.disconnect();
        owner_.held_ = false;
        ++owner_.closes_;
        owner_.calls_.push_back("close");
        owner_.record("close");
    }

    bool get_state() override { return step("get_state", owner_.faults_.get_state); }
    bool setup_queues(int rx_bytes, int tx_bytes) override {
        return step("setup_queues " + std::to_string(rx_bytes) + " " + std::to_string(tx_bytes),
                    owner_.faults_.setup_queues);
    }
    bool set_state() override { return step("set_state", owner_.faults_.set_state); }
    bool set_timeouts(int read_total_ms, int write_total_ms) override {
        const bool ok = step("set_timeouts " + std::to_string(read_total_ms) + " " + std::to_string(write_total_ms),
                             owner_.faults_.set_timeouts);
        if (ok) owner_.read_timeout_ms_ = read_total_ms;
        return ok;
    }

    long write(std::string_view bytes) override {
        owner_.calls_.push_back("write " + std::to_string(bytes.size()));
        const bool fails = owner_.faults_.write || owner_.hung_up();
        owner_.record(TraceCall("write " + TraceBytes(bytes), !fails));
        if (fails) return -1;
        ++owner_.writes_;
        owner_.model_.feed(bytes);
        return static_cast<long>(bytes.size());
    }

    // What came and nobody read: dropped, as the driver's purge drops it.
    void discard_input() override {
        unread_.clear();
        owner_.model_.take_output();
    }

    long read(char* buffer, std::size_t max) override {
        if (owner_.faults_.read || owner_.hung_up()) {
            owner_.calls_.push_back("read " + std::to_string(max) + " -> -1");
            owner_.record(TraceRead(max, -1, {}));
            return -1;
        }
        Clock& clock = owner_.clock_;
        const std::int64_t deadline = clock.steady_ms() + owner_.read_timeout_ms_;
        for (;;) {
            // Bytes beyond `max` stay queued for the next read, as in a driver queue.
            if (unread_.size() < max) unread_ += owner_.model_.take_output();
            if (unread_.size() >= max) break;
            const auto due = owner_.model_.next_output_due();
            if (!due || *due > deadline) {
                wait_until(clock, deadline);
                unread_ += owner_.model_.take_output();
                break;
            }
            wait_until(clock, *due);
        }
        const std::size_t n = std::min(max, unread_.size());
        std::memcpy(buffer, unread_.data(), n);
        unread_.erase(0, n);
        owner_.calls_.push_back("read " + std::to_string(max) + " -> " + std::to_string(n));
        owner_.record(TraceRead(max, static_cast<long>(n), {buffer, n}));
        return static_cast<long>(n);
    }

private:
    bool step(std::string name, bool fails) {
        owner_.record(TraceCall(name, !fails));
        owner_.calls_.push_back(std::move(name));
        return !fails;
    }

    SimPortProvider& owner_;
    std::string unread_;
};

PortHandle SimPortProvider::open(std::string_view port_name) {
    calls_.push_back("open " + std::string(port_name));
    const bool refused = faults_.refuse_open || hung_up() || held_ || (!only_name_.empty() && port_name != only_name_);
    record(TraceCall("open " + std::string(port_name), !refused));
    if (refused) return nullptr;
    held_ = true;
    ++opens_;
    read_timeout_ms_ = 0;
    return std::make_unique<Port>(*this);
}

}  // namespace dru::sim
