// One whole fiscal receipt of 100 items and 3 payments on printer type "16".
//
// Pty/Receipt100: the real serial code over a pseudo-terminal to the
//   printer_sim program (a child process, found beside this program), with
//   the real clock and the debug log written to a temporary folder.
// Pty/Sale100: the same items and payments as one sale through ImpressaoVenda
//   (drawer, 000 and 12, items, 20, payments, 98, closing, receipt number),
//   its own pauses between the steps included.
// InProcess/Receipt100: the same receipt on the in-process simulator port
//   and the virtual clock: no waiting, so the time is the driver's own work
//   per receipt with the model's (both on this thread), caches warm.
//
// The receipt: 000 and 12 (open), Venda_Item (100 rows), 20 (total),
// Pagamento (3 rows covering the total), 98 without reading, Final_Cupom.
// Only the pacing of these operations is counted; the sale driver's own
// pauses between its steps are not part of this receipt.
//
// Counters, per receipt (Pty):
//   wall_ms      the receipt's wall time;
//   schedule_ms  what these operations mandate, counted from what was
//                actually done: every clock pause (sleep_ms) plus the whole
//                read time-out for each read that got less than it asked for
//                (the printer answers 000, 12 and 20 with nothing and the
//                block's end with two bytes, so each such read waits it out);
//   ratio        wall_ms / schedule_ms;
//   user_ms, system_ms  the same split into the driver's own code and the
//                kernel's work on its behalf (sleeps, port, log file);
//   cpu_ms       the driver thread's CPU time (the simulator runs in its own
//                process, so none of its work is in it);
//   pauses       the clock pauses taken; frames: the frames written.
// Nearly all of cpu_ms goes with the pauses, not with the frames: each pause
// is a sleep and a wake-up, and the little work between two pauses (one
// frame, one log line) then runs on cold caches, several times slower than
// back to back, as InProcess/Receipt100 shows it.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include "host/clock.h"
#include "host/dataset.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/commands.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "module/data_module.h"
#include "printer_model.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/sale_ticket.h"
#include "receipt/item_registration.h"
#include "receipt/payment_registration.h"
#include "receipt/receipt_closing.h"
#include "receipt/sale_printing.h"
#include "sim_port.h"

namespace {

constexpr int kItemCount = 100;
constexpr int kPaymentCount = 3;
// The simulator prints its device path within this time, or it did not start.
constexpr int kSimStartTimeoutMs = 5000;
const std::string kPort = "COM1";
const std::string kType16{dru::printer_type::k16};

// The real clock, adding up the pauses it is asked for.
class PauseCountingClock final : public dru::Clock {
  public:
    dru::TDateTime now() const override { return real_.now(); }
    std::int64_t steady_ms() const override { return real_.steady_ms(); }
    void sleep_ms(int ms) override {
        paused_ms_ += ms;
        ++pauses_;
        real_.sleep_ms(ms);
    }
    void wait_ms(std::int64_t ms) override { real_.wait_ms(ms); }
    std::int64_t paused_ms() const { return paused_ms_; }
    long pauses() const { return pauses_; }

  private:
    dru::RealClock real_;
    std::int64_t paused_ms_ = 0;
    long pauses_ = 0;
};

// What the counting ports have seen, over every port they opened.
struct LineCounts {
    long frames = 0;           // writes: one frame each
    long timed_out_reads = 0;  // reads that got less than they asked for
};

// A serial port that counts its writes and the reads that waited out their
// time-out, and forwards everything to the real port.
class CountingPort final : public dru::SerialPort {
  public:
    CountingPort(dru::PortHandle real, LineCounts& counts)
        : real_(std::move(real)), counts_(counts) {}
    bool get_state() override { return real_->get_state(); }
    bool setup_queues(int rx, int tx) override { return real_->setup_queues(rx, tx); }
    bool set_state() override { return real_->set_state(); }
    bool set_timeouts(int read_ms, int write_ms) override {
        return real_->set_timeouts(read_ms, write_ms);
    }
    long write(std::string_view bytes) override {
        ++counts_.frames;
        return real_->write(bytes);
    }
    long read(char* buffer, std::size_t max) override {
        const long got = real_->read(buffer, max);
        if (got >= 0 && static_cast<std::size_t>(got) < max) ++counts_.timed_out_reads;
        return got;
    }

  private:
    dru::PortHandle real_;
    LineCounts& counts_;
};

class CountingPorts final : public dru::PortProvider {
  public:
    explicit CountingPorts(dru::PortProvider& real) : real_(real) {}
    dru::PortHandle open(std::string_view name) override {
        dru::PortHandle port = real_.open(name);
        if (!port) return nullptr;
        return std::make_unique<CountingPort>(std::move(port), counts);
    }
    LineCounts counts;

  private:
    dru::PortProvider& real_;
};

class DefaultMessages final : public dru::MessageTables {
  public:
    const dru::TMessages& msgPadrao() override { return padrao_; }
    const dru::TMessages& msgPadrao2() override { return padrao2_; }

  private:
    dru::TMessages padrao_ = dru::TdtmImpressoraIBM::DefaultMsgPadrao();
    dru::TMessages padrao2_ = dru::TdtmImpressoraIBM::DefaultMsgPadrao2();
};

// A fresh folder for the debug log, removed with its contents at the end.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "dru_receipt_bench_XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string SiblingProgram(const char* name) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(name) : (self.parent_path() / name).string();
}

// printer_sim as a child process: it prints its device path first and stops
// at the end of its stdin, which the destructor closes.
class SimProcess {
  public:
    explicit SimProcess(const std::string& program) {
        int to_child[2], from_child[2];
        if (::pipe(to_child) != 0) return;
        if (::pipe(from_child) != 0) {
            ::close(to_child[0]);
            ::close(to_child[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to_child[0], STDIN_FILENO);
            ::dup2(from_child[1], STDOUT_FILENO);
            for (int fd : {to_child[0], to_child[1], from_child[0], from_child[1]}) ::close(fd);
            ::execl(program.c_str(), program.c_str(), "--type", "16", "--quiet",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(to_child[0]);
        ::close(from_child[1]);
        stdin_ = to_child[1];
        if (pid_ > 0) read_path(from_child[0]);
        ::close(from_child[0]);
    }
    ~SimProcess() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    // Empty when the simulator did not start.
    const std::string& device_path() const { return path_; }

  private:
    void read_path(int fd) {
        pollfd p{fd, POLLIN, 0};
        char c;
        while (::poll(&p, 1, kSimStartTimeoutMs) > 0 && ::read(fd, &c, 1) == 1 && c != '\n')
            path_ += c;
    }

    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string path_;
};

void MakeItems(dru::TClientDataSet& ds) {
    ds.AddFieldDef("QTPRODCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRPRECCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRDESCCOMVEN", dru::FieldType::Float);
    ds.AddFieldDef("VRACRCOMANDA", dru::FieldType::Float);
    ds.AddFieldDef("CDARVPROD", dru::FieldType::String, 20);
    ds.AddFieldDef("NMPRODUTO", dru::FieldType::String, 40);
    // What the sale driver reads besides: taxable items of one operator.
    ds.AddFieldDef("IDTPIMPOSFIS", dru::FieldType::String, 1);
    ds.AddFieldDef("VRTXSERVICO", dru::FieldType::Float);
    ds.AddFieldDef("NMOPERADOR", dru::FieldType::String, 30);
    ds.AddFieldDef("CDLOJA", dru::FieldType::String, 4);
    ds.CreateDataSet();
    for (int i = 1; i <= kItemCount; ++i) {
        ds.Append();
        ds.FieldByName("IDTPIMPOSFIS").SetAsString("T");
        ds.FieldByName("VRTXSERVICO").SetAsFloat(0);
        ds.FieldByName("NMOPERADOR").SetAsString("MARIA");
        ds.FieldByName("CDLOJA").SetAsString("1");
        ds.FieldByName("QTPRODCOMVEN").SetAsFloat(1 + i % 3);
        ds.FieldByName("VRPRECCOMVEN").SetAsFloat(500 + 10 * i);
        ds.FieldByName("VRDESCCOMVEN").SetAsFloat(i % 5 == 0 ? 50 : 0);
        ds.FieldByName("VRACRCOMANDA").SetAsFloat(0);
        ds.FieldByName("CDARVPROD").SetAsString(std::to_string(7800000000000LL + i));
        ds.FieldByName("NMPRODUTO").SetAsString("PRODUCTO " + std::to_string(i));
        ds.Post();
    }
}

// Three payments that cover `total` exactly: two thirds and the rest.
void MakePayments(dru::TClientDataSet& ds, double total) {
    ds.AddFieldDef("IDTIPOMOVIVE", dru::FieldType::String, 1);
    ds.AddFieldDef("VRMOVIVEND", dru::FieldType::Float);
    ds.AddFieldDef("CDFPIMPFIS", dru::FieldType::String, 10);
    ds.AddFieldDef("IDTIPORECE", dru::FieldType::String, 1);  // cash, cheque, card: no voucher
    ds.AddFieldDef("CDTIPORECE", dru::FieldType::String, 3);
    ds.CreateDataSet();
    const double third = static_cast<double>(static_cast<long long>(total / kPaymentCount));
    const char* codes[kPaymentCount] = {"01", "02", "03"};
    for (int i = 0; i < kPaymentCount; ++i) {
        ds.Append();
        ds.FieldByName("IDTIPOMOVIVE").SetAsString("E");
        ds.FieldByName("VRMOVIVEND").SetAsFloat(i + 1 < kPaymentCount ? third : total - 2 * third);
        ds.FieldByName("CDFPIMPFIS").SetAsString(codes[i]);
        ds.FieldByName("IDTIPORECE").SetAsString(std::to_string(i + 1));
        ds.FieldByName("CDTIPORECE").SetAsString("00" + std::to_string(i + 1));
        ds.Post();
    }
}

// The sum of the item totals, as Venda_Item returns it: the figures are whole
// units, so its truncation to cents changes nothing.
double ItemsTotal(dru::TClientDataSet& items) {
    double total = 0;
    for (items.First(); !items.Eof(); items.Next()) {
        const double price = items.FieldByName("VRPRECCOMVEN").AsFloat() -
                             items.FieldByName("VRDESCCOMVEN").AsFloat();
        total += price * items.FieldByName("QTPRODCOMVEN").AsFloat();
    }
    return total;
}

// The driver thread's user and system CPU so far, in ms.
struct CpuSplit {
    double user = 0, system = 0;
};
CpuSplit ThreadCpuSplit() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
    return {ms(u.ru_utime), ms(u.ru_stime)};
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// How many times `line` stands in the file at `path`.
long CountLines(const std::string& path, const std::string& line) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    long n = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size()))
        ++n;
    return n;
}

// Everything a receipt needs besides the port and the clock.
struct Host {
    Host(const dru::Clock& clock, const std::string& folder)
        : sink(folder), log(sink, clock, format) {}
    dru::FileLogSink sink;
    dru::FormatSettings format;
    dru::DebugLog log;
    dru::NoDialog dialog;
    DefaultMessages messages;
};

// One receipt; false when Final_Cupom fails (no port, or an error reply).
bool RunReceipt(dru::LinkContext& ctx, dru::TClientDataSet& items, dru::TClientDataSet& payments) {
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kOpenFiscalReceipt), dru::kCommandExchange, kPort,
                      "");
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kOpenBoleta), dru::kCommandExchange, kPort, "");
    const double total = dru::Venda_Item(ctx, kPort, items, 0, kType16);
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kTotalReceipt, dru::Amount10(total, ctx.format)),
                      dru::kCommandExchange, kPort, "");
    dru::Pagamento(ctx, kPort, payments, 0);
    dru::Comand_Porta(ctx, dru::Frame(dru::cmd::kCutPaper), dru::kNoReplyExchange, kPort, "");
    const dru::ClosingSale sale{"3", "", 0, 0, 0, 0, ""};
    return dru::Final_Cupom(ctx, "", kPort, "MARIA", "LOJA1", "4821",
                            "Gracias por su visita\r\nVuelva pronto", 0, 0, sale,
                            dru::BalanceTables{}, kType16);
}

// One receipt through the sale driver, as the host prints a finished sale:
// the drawer, the receipt, the closing and the receipt number read back.
bool RunSale(dru::LinkContext& ctx, dru::TClientDataSet& items, dru::TClientDataSet& payments) {
    dru::TClientDataSet types;  // the payment types: no voucher among them
    types.AddFieldDef("CDTIPORECE", dru::FieldType::String, 3);
    types.CreateDataSet();
    const dru::TParams params{{"ESQUEMACOR", ""},           {"SENHACUPOM", "4821"},
                              {"TIPOVENDA", "3"},           {"DSOBSCUPFIS", "Gracias por su visita\r\nVuelva pronto"},
                              {"CDPORTAIMPFIS", kPort},     {"IDTIPOIMPFIS", kType16}};
    const dru::SaleDocuments documents{&dru::ImpDebito_Consumidor_IBM, &dru::ImprimeNaoFiscal};
    return !dru::ImpressaoVenda(ctx, params, {items, payments, types, {}}, "0", documents).empty();
}

using RunFn = bool (*)(dru::LinkContext&, dru::TClientDataSet&, dru::TClientDataSet&);

void OverPty(benchmark::State& state, RunFn run, const char* what) {
    SimProcess sim(SiblingProgram("printer_sim"));
    if (sim.device_path().empty()) {
        state.SkipWithError("printer_sim did not start (it is built beside this program)");
        return;
    }
    TempFolder folder;
    PauseCountingClock clock;
    dru::PortNames names;
    names.set_device(kPort, sim.device_path());
    dru::SerialBackend serial(names, clock);
    CountingPorts ports(serial);
    Host host(clock, folder.path());
    dru::LinkContext ctx{ports, clock, host.log, host.dialog, host.messages, host.format};

    dru::TClientDataSet items, payments;
    MakeItems(items);
    MakePayments(payments, ItemsTotal(items));

    double wall_ms = 0, cpu_ms = 0, user_ms = 0, system_ms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu_start = ThreadCpuMs();
        const CpuSplit split_start = ThreadCpuSplit();
        const bool ok = run(ctx, items, payments);
        cpu_ms += ThreadCpuMs() - cpu_start;
        const CpuSplit split_end = ThreadCpuSplit();
        user_ms += split_end.user - split_start.user;
        system_ms += split_end.system - split_start.system;
        wall_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!ok) state.SkipWithError("the printer did not accept the receipt");
    }
    // Every receipt's closing block must have been answered with success.
    if (CountLines(host.sink.path(), " - Resultado : 1\r\n") != state.iterations())
        state.SkipWithError("a closing block was not answered with success");

    const auto n = static_cast<double>(state.iterations());
    const double schedule_ms =
        static_cast<double>(clock.paused_ms() +
                            ports.counts.timed_out_reads * dru::kReadTotalTimeoutMs) /
        n;
    const double per_wall = wall_ms / n, per_cpu = cpu_ms / n;
    state.counters["wall_ms"] = per_wall;
    state.counters["schedule_ms"] = schedule_ms;
    state.counters["ratio"] = per_wall / schedule_ms;
    state.counters["cpu_ms"] = per_cpu;
    state.counters["user_ms"] = user_ms / n;      // the driver's own code
    state.counters["system_ms"] = system_ms / n;  // the kernel on its behalf: sleeps, port, log file
    state.counters["pauses"] = static_cast<double>(clock.pauses()) / n;
    state.counters["frames"] = static_cast<double>(ports.counts.frames) / n;
    std::printf(
        "%s of %d items, %d payments: wall %.1f ms, schedule %.0f ms (%.0f pauses, %.0f ms; "
        "%.0f reads waiting out %d ms), ratio %.4f, driver CPU %.2f ms, %.0f frames\n",
        what, kItemCount, kPaymentCount, per_wall, schedule_ms, static_cast<double>(clock.pauses()) / n,
        static_cast<double>(clock.paused_ms()) / n,
        static_cast<double>(ports.counts.timed_out_reads) / n, dru::kReadTotalTimeoutMs,
        per_wall / schedule_ms, per_cpu, static_cast<double>(ports.counts.frames) / n);
}

void PtyReceipt(benchmark::State& state) { OverPty(state, RunReceipt, "receipt"); }
void PtySale(benchmark::State& state) { OverPty(state, RunSale, "sale"); }

void InProcessReceipt(benchmark::State& state) {
    TempFolder folder;
    dru::VirtualClock clock;
    dru::sim::PrinterModel model(clock);
    dru::sim::SimPortProvider sim_ports(model, clock);
    CountingPorts ports(sim_ports);
    Host host(clock, folder.path());
    dru::LinkContext ctx{ports, clock, host.log, host.dialog, host.messages, host.format};
    dru::TClientDataSet items, payments;
    MakeItems(items);
    MakePayments(payments, ItemsTotal(items));
    for (auto _ : state) {
        if (!RunReceipt(ctx, items, payments))
            state.SkipWithError("the printer did not accept the receipt");
        // The log would grow by a receipt's lines each time: start afresh.
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove(host.sink.path(), ignored);
        state.ResumeTiming();
    }
    state.counters["frames"] =
        static_cast<double>(ports.counts.frames) / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(PtyReceipt)
    ->Name("Pty/Receipt100")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PtySale)
    ->Name("Pty/Sale100")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(InProcessReceipt)->Name("InProcess/Receipt100")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
