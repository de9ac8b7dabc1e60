// `dru log [FILE] [--follow]`: the debug log for a person.
#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

#include <CLI/CLI.hpp>

#include "cli.h"
#include "debug_log.h"
#include "target.h"

namespace dru::cli {

namespace {

constexpr const char* kLogFile = "ANALISA_ERRO.txt";
// How often --follow looks for new lines.
constexpr auto kFollowPoll = std::chrono::milliseconds(250);

int ShowLog(Program& program, const std::string& file, bool follow) {
    const std::string path =
        file.empty() ? ChosenHostFolder(program.options) + "/" + kLogFile : file;
    LogReader reader(path);
    std::vector<std::string> lines;
    if (!reader.read(lines)) throw UsageError(path + ": cannot be read");
    const bool json = program.options.json;
    std::ostream& out = program.console.out;
    if (json && !follow) {
        Json all = Json::array();
        for (const std::string& l : lines) all.push_back(EntryJson(ParseLogLine(l)));
        out << Json{{"command", "log"}, {"file", path}, {"lines", all}}.dump(2) << "\n";
        return kDone;
    }
    // Followed, each line is printed as it arrives (one JSON object a line with --json).
    for (;;) {
        for (const std::string& l : lines) {
            const LogEntry e = ParseLogLine(l);
            out << (json ? EntryJson(e).dump() : FormatEntry(e)) << "\n";
        }
        out << std::flush;
        if (!follow) return kDone;
        lines.clear();
        std::this_thread::sleep_for(kFollowPoll);
        reader.read(lines);
    }
}

}  // namespace

void AddLogCommand(CLI::App& app, Program& program) {
    auto file = std::make_shared<std::string>();
    auto follow = std::make_shared<bool>(false);
    CLI::App* sub = app.add_subcommand(
        "log", "show a debug log readably: time, sent or received, command, operands");
    sub->add_option("FILE", *file,
                    "the log (default: ANALISA_ERRO.txt of the host folder, Latin-1)");
    sub->add_flag("--follow", *follow, "keep reading as lines arrive (Ctrl-C ends)");
    sub->footer(Example("dru log --host-folder /opt/till --follow"));
    sub->callback([&program, file, follow] {
        program.action = [&program, file, follow] { return ShowLog(program, *file, *follow); };
    });
}

}  // namespace dru::cli
