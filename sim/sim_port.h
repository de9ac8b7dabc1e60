// The printer model behind the link's port interface, in-process: what the
// driver writes goes to the model, what it reads is the model's reply queue.
//
// Like a real port it is exclusive (a second open while one is held fails),
// replies that nobody read are lost when the port closes, and a read waits
// on the clock: it returns as soon as the requested count has arrived, and
// otherwise at its read time-out with whatever came. The wait is the clock's
// wait_ms: time passes without a printer pause.
//
// Given a trace, every call on the port is added to it in the trace's form
// ("open COM1", "write <87>481<88>", "read 4001 -> 1<0D>", "close").
//
// The provider must outlive every handle it gave out.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "host/clock.h"
#include "host/trace.h"
#include "link/serial_port.h"
#include "printer_model.h"

namespace dru::sim {

// Port-level faults, for the settings path of the link.
struct PortFaults {
    bool refuse_open = false;  // the device is missing
    bool get_state = false;    // reading the line settings fails
    bool setup_queues = false;
    bool set_state = false;
    bool set_timeouts = false;
    bool write = false;        // the write fails (-1)
    bool read = false;         // the read fails (-1)
    // Once this many writes have gone through, the line hangs up for good (the
    // printer unplugged): every later write and read fails, no open succeeds.
    std::optional<int> hang_up_after_writes = std::nullopt;
};

class SimPortProvider final : public PortProvider {
public:
    SimPortProvider(PrinterModel& model, Clock& clock) : model_(model), clock_(clock) {}
    SimPortProvider(const SimPortProvider&) = delete;
    SimPortProvider& operator=(const SimPortProvider&) = delete;

    // Opens when the name is one this port answers to (any name while
    // `only_name` is empty), the port is not held, and no fault refuses it.
    PortHandle open(std::string_view port_name) override;

    PrinterModel& model() { return model_; }
    PortFaults& faults() { return faults_; }
    void set_only_name(std::string name) { only_name_ = std::move(name); }
    // nullptr stops the tracing; the trace must outlive the provider's use of it.
    void set_trace(Trace* trace) { trace_ = trace; }

    int opens() const { return opens_; }    // successful opens
    int closes() const { return closes_; }
    bool is_open() const { return held_; }
    // Every call on the port in order ("open COM1", "get_state",
    // "setup_queues 256 256", "set_state", "set_timeouts 1000 1000",
    // "write <n>", "read <max> -> <n>", "close"), for the settings order.
    const std::vector<std::string>& calls() const { return calls_; }
    // Read time-out of the port now held (as last set).
    int read_timeout_ms() const { return read_timeout_ms_; }

private:
    class Port;
    friend class Port;
    void record(std::string entry) {
        if (trace_) trace_->add(std::move(entry));
    }

    PrinterModel& model_;
    Clock& clock_;
    PortFaults faults_;
    std::string only_name_;
    bool held_ = false;
    bool hung_up() const { return faults_.hang_up_after_writes && writes_ >= *faults_.hang_up_after_writes; }

    int opens_ = 0;
    int closes_ = 0;
    int writes_ = 0;
    int read_timeout_ms_ = 0;
    std::vector<std::string> calls_;
    Trace* trace_ = nullptr;
};

}  // namespace dru::sim
