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

// How often --follow looks for new lines.
constexpr auto kFollowPoll = std::chrono::milliseconds(250);

// With --follow a log that is not there yet is waited for.
void WaitForLog(Program& program, LogReader& reader, std::vector<std::string>& lines,
                const std::string& path) {
    bool told = false;
    while (!reader.read(lines)) {
        if (!reader.missing()) throw UsageError(path + ": " + reader.reason());
        if (!told) program.console.err << "dru: waiting for " << path << " (Ctrl-C ends)\n";
        told = true;
        std::this_thread::sleep_for(kFollowPoll);
    }
}

int ShowLog(Program& program, const std::string& file, bool follow) {
    const std::string path =
        file.empty() ? ChosenHostFolder(program.options) + "/" + kDebugLogFile : file;
    LogReader reader(path);
    std::vector<std::string> lines;
    if (follow)
        WaitForLog(program, reader, lines, path);
    else if (!reader.read(lines))
        throw UsageError(path + ": cannot be read: " + reader.reason());
    if (!follow)
        if (std::string last = reader.take_partial(); !last.empty()) lines.push_back(last);
    if (!LooksLikeDebugLog(lines))
        throw UsageError(path +
                         ": not a debug log of the driver (no line reads \"date time - message\")");
    const bool json = program.options.json;
    std::ostream& out = program.console.out;
    if (json && !follow) {
        Json all = Json::array();
        for (const std::string& l : lines) all.push_back(EntryJson(ParseLogLine(l)));
        out << Json{{"command", "log"}, {"file", path}, {"lines", all}}.dump(2) << "\n";
        return kDone;
    }
    if (lines.empty() && !follow && !json) program.console.err << "dru: " << path << " is empty\n";
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
                    "the log (default: ANALISA_ERRO.txt of the host folder; Latin-1, CR LF or LF line ends)");
    sub->add_flag("--follow", *follow, "keep reading as lines arrive, waiting for the file if it is not there yet (Ctrl-C ends)");
    sub->footer(Example("dru log --host-folder /opt/till --follow"));
    sub->callback([&program, file, follow] {
        program.action = [&program, file, follow] { return ShowLog(program, *file, *follow); };
    });
}

}  // namespace dru::cli
