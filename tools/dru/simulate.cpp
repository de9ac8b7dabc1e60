// `dru simulate [OPTIONS]`: the printer simulator in the foreground. It is
// printer_sim itself, installed beside dru, run in dru's place with the
// options given: it prints its device path first, then serves until Ctrl-C
// or the end of its input.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli.h"

namespace dru::cli {

namespace {

constexpr const char* kSimulator = "printer_sim";

// printer_sim in the folder of the running program.
std::string SimulatorPath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(kSimulator) : (self.parent_path() / kSimulator).string();
}

int Simulate(Program& program, const std::vector<std::string>& options) {
    const std::string path = SimulatorPath();
    if (access(path.c_str(), X_OK) != 0) {
        program.console.err << "dru: " << path
                            << " not found: simulate runs the printer_sim installed beside dru\n";
        return kFailed;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kSimulator));
    for (const std::string& o : options) argv.push_back(const_cast<char*>(o.c_str()));
    argv.push_back(nullptr);
    program.console.out.flush();
    execv(path.c_str(), argv.data());
    program.console.err << "dru: " << path << " could not be run\n";
    return kFailed;
}

}  // namespace

void AddSimulateCommand(CLI::App& app, Program& program) {
    CLI::App* sub = app.add_subcommand("simulate",
                                       "run the printer simulator in the foreground; prints its "
                                       "device path (printer_sim's options)");
    // Every argument after it is printer_sim's, --help included.
    sub->prefix_command();
    sub->allow_extras();
    sub->fallthrough(false);
    sub->set_help_flag();
    sub->footer(Example("dru simulate --type 30   (then, elsewhere: dru --port <its path> x)"));
    sub->callback([&program, sub] {
        program.action = [&program, options = sub->remaining()] {
            return Simulate(program, options);
        };
    });
}

}  // namespace dru::cli
