// What the parts of dru share: the console it talks to, the global options,
// the exit codes and the way a subcommand hands its work to the program.
// Each group of subcommands is one file (day.cpp, documents.cpp, log.cpp,
// ports.cpp, simulate.cpp) with one Add...Commands function.
#pragma once
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

// CLI11 is compiled where subcommands are registered, not by every user of
// this header: its definitions are most of what a file of dru costs to build.
namespace CLI {
class App;
}

namespace dru::cli {

// 0 done; 1 the printer or the platform reported a failure; 2 bad usage or input.
enum ExitCode { kDone = 0, kFailed = 1, kBadUsage = 2 };

// Where dru reads and writes: the process's standard streams, or a test's.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool in_terminal = false;   // questions can be asked (stdin and stderr are a terminal)
    bool err_terminal = false;  // a progress bar can be drawn on stderr
};

// Bad usage or input, found before anything is sent: exit code 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The options every printer subcommand takes.
struct GlobalOptions {
    std::string port;         // --port: COMn or a device; empty: the in-process simulator
    bool port_given = false;  // --port was on the command line (an empty one is refused)
    bool preview = false;     // --preview: the simulator on the virtual clock
    bool json = false;        // --json: one JSON object on stdout
    bool yes = false;         // --yes: every question answered yes, z confirmed
    bool no = false;          // --no: every question answered no
    bool confirm = false;     // --confirm: z and closing confirmed, questions left alone
    std::vector<std::string> answers;  // --answers n,y: the driver's questions, in order
    int type = 16;            // --type: the printer type handed to the calls, and the simulator's
    std::string host_folder;  // --host-folder: where the debug log and DedOvor.cds live
    std::string scheme = "Azul";  // --scheme: the colour scheme handed to the dialog
};

// What the subcommands are registered with; the chosen one leaves its work
// in `action`, run once the whole command line has been read.
struct Program {
    Console& console;
    GlobalOptions options;
    std::function<int()> action;
};

void AddDayCommands(CLI::App& app, Program& program);
void AddDocumentCommands(CLI::App& app, Program& program);
void AddContractCommand(CLI::App& app, Program& program);
void AddLogCommand(CLI::App& app, Program& program);
void AddPortsCommand(CLI::App& app, Program& program);
void AddSimulateCommand(CLI::App& app, Program& program);

// A group of subcommands added from above dru's own (dru serve).
using CommandGroup = void (*)(CLI::App& app, Program& program);

// Runs dru with `args` (without the program name) on `console`, with the
// `more` groups beside its own; the exit code.
int Run(const std::vector<std::string>& args, Console& console,
        const std::vector<CommandGroup>& more = {});

// The folder of the example input files and the sample host: installed
// beside dru (PREFIX/share/dru01000/examples), else the sources' examples/.
std::string ExamplesFolder();

// A subcommand's footer: its example line(s).
std::string Example(const std::string& lines);

}  // namespace dru::cli
