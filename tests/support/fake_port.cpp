#include "support/fake_port.h"

#include <algorithm>
#include <cstring>

#include "host/text.h"

namespace dru::test {

namespace {

// The command text of a wire frame: the bytes between 0x87 and 0x88.
std::string command_of(std::string_view wire) {
    if (!wire.empty() && wire.front() == '\x87') wire.remove_prefix(1);
    if (!wire.empty() && wire.back() == '\x88') wire.remove_suffix(1);
    return std::string(wire);
}

}  // namespace

class FakePort final : public SerialPort {
public:
    explicit FakePort(FakePortProvider& line) : line_(line) {}
    ~FakePort() override { line_.closed(); }
    using Step = FakePortProvider::Step;

    bool get_state() override { return line_.step(Step::GetState, "get_state"); }
    bool setup_queues(int rx, int tx) override {
        return line_.step(Step::SetupQueues, "setup_queues " + std::to_string(rx) + " " + std::to_string(tx));
    }
    bool set_state() override { return line_.step(Step::SetState, "set_state"); }
    bool set_timeouts(int read_ms, int write_ms) override {
        line_.read_timeout_ms_ = read_ms;
        return line_.step(Step::SetTimeouts,
                          "set_timeouts " + std::to_string(read_ms) + " " + std::to_string(write_ms));
    }
    long write(std::string_view bytes) override { return line_.write(bytes); }
    long read(char* buffer, std::size_t max) override { return line_.read(buffer, max); }

private:
    FakePortProvider& line_;
};

PortHandle FakePortProvider::open(std::string_view port_name) {
    const bool ok = !fail_open && open_now() == 0;
    record(TraceCall("open " + std::string(port_name), ok));
    if (!ok) {
        ++failed_opens_;
        events_.push_back("open failed " + std::string(port_name));
        return nullptr;
    }
    ++opens_;
    events_.push_back("open " + std::string(port_name));
    return std::make_unique<FakePort>(*this);
}

bool FakePortProvider::step(Step s, std::string event) {
    const bool ok = fail_step != s;
    record(TraceCall(event, ok));
    events_.push_back(std::move(event));
    return ok;
}

void FakePortProvider::closed() {
    ++closes_;
    events_.push_back("close");
    record("close");
}

long FakePortProvider::write(std::string_view bytes) {
    const std::string code = command_of(bytes);
    events_.push_back("write " + code);
    record(TraceCall("write " + TraceBytes(bytes), !write_fails));
    if (write_fails) return -1;
    frames_.emplace_back(bytes);
    if (!queue_.empty() && code.starts_with(queue_.front().after)) {
        line_.push_back({std::move(queue_.front().bytes), queue_.front().read_fails});
        queue_.pop_front();
    }
    return static_cast<long>(bytes.size());
}

long FakePortProvider::read(char* buffer, std::size_t max) {
    events_.push_back("read " + std::to_string(max));
    if (!line_.empty() && line_.front().read_fails) {
        line_.pop_front();
        record(TraceRead(max, -1, {}));
        return -1;
    }
    std::size_t count = 0;
    if (!line_.empty()) {
        std::string& waiting = line_.front().bytes;
        count = std::min(max, waiting.size());
        std::memcpy(buffer, waiting.data(), count);
        waiting.erase(0, count);  // what did not fit stays on the line
        if (waiting.empty()) line_.pop_front();
    }
    if (count < max && clock != nullptr) clock->wait_ms(read_timeout_ms_);
    record(TraceRead(max, static_cast<long>(count), {buffer, count}));
    return static_cast<long>(count);
}

std::vector<std::string> FakePortProvider::frames_text() const {
    std::vector<std::string> out;
    for (const auto& f : frames_) out.push_back(text::from_latin1(f));
    return out;
}

void FakePortProvider::clear_record() {
    frames_.clear();
    events_.clear();
    opens_ -= closes_;  // a port still open stays counted
    closes_ = failed_opens_ = 0;
}

}  // namespace dru::test
