#include <algorithm>
#include <exception>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "json_input.h"

namespace dru::cli {

namespace {

constexpr const char* kDescription =
    "dru: every operation of the fiscal-printer driver from a terminal.\n"
    "Without --port it runs on the printer simulator, started in this process.";

void AddGlobalOptions(CLI::App& app, GlobalOptions& o) {
    app.add_option("--port", o.port,
                   "the printer: COM1 ... COM12 or a device (default: the simulator)");
    app.add_flag(
        "--preview", o.preview,
        "run on the simulator's virtual clock: at once, with every frame and the printer's time");
    app.add_flag("--json", o.json, "print one JSON object instead of text");
    auto* yes = app.add_flag("--yes", o.yes, "answer every question yes, and confirm z");
    auto* no = app.add_flag("--no", o.no, "answer every question no");
    yes->excludes(no);
    app.add_option("--type", o.type,
                   "printer type handed to the calls, and the simulator's (16 or 30)")
        ->check(CLI::IsMember({16, 30}));
    app.add_option("--host-folder", o.host_folder,
                   "folder of the debug log and DedOvor.cds (default: $DRU_HOST_FOLDER, else the "
                   "current one)");
    app.add_option("--scheme", o.scheme,
                   "colour scheme handed to the operator dialog (default Azul)");
}

// A run that ended before its report: the error on stderr and, with
// --json, as the one object on stdout.
int Refuse(Program& program, const std::string& why, int code) {
    program.console.err << "dru: " << why << "\n";
    if (program.options.json)
        program.console.out << Json{{"failure", why}, {"exit_code", code}}.dump(2) << "\n";
    return code;
}

}  // namespace

std::string Example(const std::string& lines) {
    return "\nExample:\n  " + lines + "\n";
}

int Run(const std::vector<std::string>& args, Console& console) {
    Program program{console, {}, {}};
    CLI::App app{kDescription, "dru"};
    app.set_version_flag("--version", std::string("dru, driver library ") + dru_version());
    app.require_subcommand(1);
    app.fallthrough();  // global options also after the subcommand
    AddGlobalOptions(app, program.options);
    app.footer(Example("dru sale examples/sale.json --preview"));
    AddDayCommands(app, program);
    AddDocumentCommands(app, program);
    AddLogCommand(app, program);
    AddPortsCommand(app, program);
    AddSimulateCommand(app, program);

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // the order CLI11 takes
        app.parse(reversed);
        if (program.options.preview && !program.options.port.empty())
            throw UsageError("--preview runs on the simulator: leave out --port");
        return program.action ? program.action() : kDone;
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, console.out, console.err);
        return code == 0 ? kDone : kBadUsage;
    } catch (const UsageError& e) {
        return Refuse(program, e.what(), kBadUsage);
    } catch (const std::exception& e) {
        return Refuse(program, e.what(), kFailed);
    }
}

}  // namespace dru::cli
