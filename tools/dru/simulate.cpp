// `dru simulate [--state FILE] [--quiet]`: a printer for a whole day. The
// simulator runs in the foreground on a pseudo-terminal that other terminals
// point `dru --port` (or a host's DRU_PORT_COM1) at, starting in the middle
// of its day as the embedded one does, keeping its counters while it runs
// until Ctrl-C or SIGTERM, and with --state keeping them in FILE between
// runs: the file holds every command the printer has taken, played again at
// the next start. (The line and reply faults are printer_sim's options.)
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "host/clock.h"
#include "host/text.h"
#include "json_input.h"
#include "printer_model.h"
#include "pty_server.h"
#include "target.h"

namespace dru::cli {

namespace {

// The commands a state file holds (UTF-8, as the model records them).
std::vector<std::string> LoadState(const std::string& path) {
    if (path.empty() || !std::filesystem::exists(path)) return {};
    const std::string text = ReadInputFile(path);
    try {
        const Json state = Json::parse(text);
        return state.at("commands").get<std::vector<std::string>>();
    } catch (const Json::exception& e) {
        throw UsageError(path + ": not a simulator state file (" + std::string(e.what()) + ")");
    }
}

// Written whole to a temporary file, then renamed over the old one.
void SaveState(const std::string& path, const std::vector<std::string>& commands) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << Json{{"commands", commands}}.dump(1) << "\n";
        if (!out) throw std::runtime_error(temporary + ": cannot be written");
    }
    std::filesystem::rename(temporary, path);
}

// Blocks until SIGINT or SIGTERM (blocked by the caller before any thread starts).
void WaitForStop(const sigset_t& stop) {
    int signal = 0;
    while (sigwait(&stop, &signal) != 0) {
    }
}

int Simulate(Program& program, const std::string& state_file, bool quiet) {
    Console& console = program.console;
    const std::vector<std::string> earlier = LoadState(state_file);
    // The stop signals go to sigwait, on this thread only: blocked before the
    // server's thread starts, so it inherits the mask.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stop, &previous);
    struct Unblock {
        sigset_t mask;
        ~Unblock() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } unblock{previous};

    RealClock clock;
    sim::PrinterModel model(clock, sim::PrinterConfig{.type = program.options.type});
    if (earlier.empty())
        RingUpSale(model);
    else
        for (const std::string& command : earlier) model.execute(text::to_latin1(command));
    model.take_output();
    std::unique_ptr<sim::PtyServer> server;
    try {
        server = std::make_unique<sim::PtyServer>(model);
    } catch (const std::system_error& e) {
        throw std::runtime_error(std::string("the printer simulator could not start: ") + e.what());
    }
    const std::string& device = server->device_path();
    console.out << "printer simulator on " << device << " (type " << program.options.type << ", "
                << (earlier.empty() ? "in the middle of its day: one sale of 10000 counted"
                                    : "its day as " + state_file + " left it")
                << ")\n"
                << "  point dru at it:  dru --port " << device << " x\n"
                << "  or a host:        DRU_PORT_COM1=" << device << "\n"
                << "  stop it with Ctrl-C (or SIGTERM)"
                << (state_file.empty() ? "; its day ends with it"
                                       : "; its day is kept in " + state_file)
                << "\n"
                << std::flush;
    if (!quiet) {
        server->on_paper([&console](const sim::PaperLine& line) {
            console.err << (line.style ? "[" + std::to_string(line.style) + "] " : "") << line.text
                        << "\n"
                        << std::flush;
        });
    }
    WaitForStop(stop);
    std::vector<std::string> commands;
    server->with_model([&commands](sim::PrinterModel& m) { commands = m.frames(); });
    server.reset();
    if (!state_file.empty()) SaveState(state_file, commands);
    console.out << "printer simulator stopped"
                << (state_file.empty() ? "" : "; its day is in " + state_file) << "\n";
    return kDone;
}

}  // namespace

void AddSimulateCommand(CLI::App& app, Program& program) {
    auto state = std::make_shared<std::string>();
    auto quiet = std::make_shared<bool>(false);
    CLI::App* sub = app.add_subcommand(
        "simulate",
        "run a simulated printer for a day, which other terminals use with --port, until Ctrl-C");
    sub->add_option("--state", *state,
                    "keep the printer's day in FILE between runs (read at the start, written at "
                    "the stop)");
    sub->add_flag("--quiet", *quiet, "do not show the paper roll as it prints");
    sub->footer(Example(
        "dru simulate --state day.json   (then, in another terminal: dru --port <its path> x)\n"
        "Line and reply faults (a silent printer, a line that hangs up): printer_sim --help"));
    sub->callback([&program, state, quiet] {
        program.action = [&program, state, quiet] { return Simulate(program, *state, *quiet); };
    });
}

}  // namespace dru::cli
