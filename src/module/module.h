// The module state: everything the library keeps between entry point calls.
// Nothing here exists until an entry point first asks for it (loading the
// library opens nothing, creates no data module and writes no log line), and
// nothing is released before the process ends.
//
//   dru::EntryCall call;                       // at the top of an entry point
//   return dru::Reducao_Z_Imp(call.link(), port, scheme, "");
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "module/data_module.h"
#include "module/counter_file.h"
#include "module/held_ports.h"
#include "module/session.h"
#include "dru01000.h"
#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/exchange_record.h"
#include "link/link_services.h"
#include "link/port_names.h"
#include "link/serial_backend.h"

namespace dru {

// The port-name table. Constant; no operation reads it.
inline constexpr std::array<std::string_view, 14> Portas{
    "",     "COM1", "COM2", "COM3",  "COM4",  "COM5",  "COM6",
    "COM7", "COM8", "COM9", "COM10", "COM11", "COM12", "LPT1"};

// The operator dialog as the host provides it: the handler registered with
// dru_set_message_handler. Without a handler a notice is dropped and a
// question is answered "no". The module never hands a table to the dialog,
// so the handler's table argument is always NULL.
class HostDialog final : public Dialog {
public:
    void set_handler(DruMessageHandler handler, void* user);
    bool Mensagem(const std::string& text, const std::string& arg2, const std::string& arg3,
                  const std::string& question, TTipoMsg kind, const std::string& arg6,
                  const std::string& scheme, int arg8, const TClientDataSet* table) override;

private:
    DruMessageHandler handler_ = nullptr;
    void* user_ = nullptr;
};

// The clock and the serial ports the module's calls run on: its own, or a
// stand-in set by a program that runs the same calls on the in-process
// simulator (a preview on a virtual clock, a count of the frames written).
// Not reachable through the C interface.
class SwitchedClock final : public Clock {
public:
    void use(Clock* stand_in) { stand_in_ = stand_in; }  // nullptr: the real clock again
    TDateTime now() const override { return current().now(); }
    std::int64_t steady_ms() const override { return current().steady_ms(); }
    void sleep_ms(int ms) override { current().sleep_ms(ms); }
    void wait_ms(std::int64_t ms) override { current().wait_ms(ms); }

private:
    Clock& current() const { return stand_in_ ? *stand_in_ : real_; }
    mutable RealClock real_;
    Clock* stand_in_ = nullptr;
};

class SwitchedPorts final : public PortProvider {
public:
    explicit SwitchedPorts(PortProvider& own) : own_(own) {}
    void use(PortProvider* stand_in) { stand_in_ = stand_in; }  // nullptr: the module's own again
    PortHandle open(std::string_view port_name) override {
        return (stand_in_ ? *stand_in_ : own_).open(port_name);
    }
    std::string why_not_opened() const override { return (stand_in_ ? *stand_in_ : own_).why_not_opened(); }

private:
    PortProvider& own_;
    PortProvider* stand_in_ = nullptr;
};

// The module's long-lived services, created on first use.
class ModuleState {
public:
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;

    // The one instance; created by the first entry point that needs it.
    static ModuleState& get();

    DataModuleSlot& data_module() { return dm_; }
    PortNames& port_names() { return port_names_; }
    PortProvider& ports() { return switched_ports_; }
    // The serial devices themselves, whatever stand-in the calls run on.
    PortProvider& serial_ports() { return ports_; }
    HeldPorts& held_ports() { return held_ports_; }
    Clock& clock() { return clock_; }
    void use_clock(Clock* stand_in) { clock_.use(stand_in); }
    void use_ports(PortProvider* stand_in) { switched_ports_.use(stand_in); }
    // The outcome of the last exchange of the last call that used the link.
    ExchangeRecord& last_exchange() { return last_exchange_; }
    // What the call that drives the printer saw so far, and the verdict of
    // the last one that ended.
    CallRecord& call_record() { return call_record_; }
    Verdict& last_verdict() { return last_verdict_; }
    HostDialog& dialog() { return dialog_; }
    const FormatSettings& format() const { return format_; }
    void set_format(const FormatSettings& fs) { format_ = fs; }

    // Where ANALISA_ERRO.txt and DedOvor.cds live: the folder set with
    // dru_set_host_folder, else DRU_HOST_FOLDER, else the executable's folder.
    std::string host_folder() const;
    // An empty folder drops the override.
    void set_host_folder(std::string folder);

private:
    ModuleState();

    SwitchedClock clock_;
    FormatSettings format_;  // assigned in place: the data module's tables keep its address
    DataModuleSlot dm_{format_, clock_};
    PortNames port_names_;
    SerialBackend ports_{port_names_, clock_};
    SwitchedPorts switched_ports_{ports_};
    HeldPorts held_ports_;  // declared after the clock its ports read: they close first
    HostDialog dialog_;
    std::optional<std::string> host_folder_;
    ExchangeRecord last_exchange_;
    CallRecord call_record_;
    Verdict last_verdict_;
};

// The folder of the running executable (without a trailing "/"); "." when it
// cannot be read.
std::string ExecutableFolder();

// Entry points serialise on the module: while one call runs in it, a call
// from another thread waits at the door. The thread inside may call in again
// (the host's dialog handler, called from inside an operation, may). The
// host's contract is one thread at a time; this keeps a host that breaks it
// from corrupting the module. Every entry point holds one for its whole run
// (`guarded` in src/api takes it), the last error included.
class ModuleLock {
public:
    ModuleLock();
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

// What one entry point call runs on: the module's services, with the debug
// log writing to ANALISA_ERRO.txt of the host folder as it is when the call
// starts, and the last exchange's record, emptied when it starts. Build one
// per call, on the stack.
class EntryCall {
public:
    EntryCall();
    EntryCall(const EntryCall&) = delete;
    EntryCall& operator=(const EntryCall&) = delete;

    LinkContext& link() { return services_.ctx; }
    Session& session() { return session_; }

private:
    ModuleState& state_;
    std::string folder_;
    FileLogSink sink_;
    CounterFile counters_;
    LinkServices services_;
    Session session_;
};

}  // namespace dru
