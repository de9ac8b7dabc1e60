#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <ostream>
#include <sstream>

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
    auto* yes = app.add_flag("--yes", o.yes,
                             "answer every question of the driver yes, and confirm z and closing");
    auto* no = app.add_flag("--no", o.no, "answer every question of the driver no");
    auto* answers = app.add_option("--answers", o.answers,
                                   "the driver's questions answered in order, y or n (n,y: the "
                                   "closing keeps the register shut and confirms the Z)")
                        ->delimiter(',')
                        ->check(CLI::IsMember({"y", "n", "Y", "N"}));
    app.add_flag("--confirm", o.confirm,
                 "confirm z and closing without answering the driver's questions");
    yes->excludes(no);
    yes->excludes(answers);
    no->excludes(answers);
    app.add_option("--type", o.type,
                   "printer type handed to the calls, and the simulator's (16 or 30)")
        ->check(CLI::IsMember({16, 30}));
    app.add_option("--host-folder", o.host_folder,
                   "folder of the debug log and DedOvor.cds (default: $DRU_HOST_FOLDER, else the "
                   "current one)");
    app.add_option("--scheme", o.scheme,
                   "colour scheme handed to the operator dialog (default Azul)");
}

// Edits between two words (the nearest known name to a mistyped one).
std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean "X"?)" for the known name nearest to `word`, when one is near enough.
std::string NearestHint(const std::string& word, const std::vector<std::string>& known) {
    const std::string* best = nullptr;
    std::size_t best_distance = 0;
    for (const std::string& k : known) {
        const std::size_t d = Distance(word, k);
        if (!best || d < best_distance) best = &k, best_distance = d;
    }
    const std::size_t allowed = std::max<std::size_t>(2, word.size() / 3);
    return best && best_distance <= allowed ? " (did you mean \"" + *best + "\"?)" : "";
}

// The long names of an app's options, and those that take a value.
void OptionNames(const CLI::App& app, std::vector<std::string>& names,
                 std::vector<std::string>& with_value) {
    for (const CLI::Option* o : app.get_options()) {
        for (const std::string& n : o->get_lnames()) {
            names.push_back("--" + n);
            if (o->get_items_expected_min() > 0) with_value.push_back("--" + n);
        }
        for (const std::string& n : o->get_snames()) names.push_back("-" + n);
    }
}

// What CLI11 would report as "A subcommand is required" or as extra
// arguments, said with the name it did not know and the nearest known one.
std::string DiagnoseArguments(CLI::App& app, const std::vector<std::string>& args) {
    std::vector<std::string> names, with_value, subcommands;
    OptionNames(app, names, with_value);
    for (const CLI::App* sub : app.get_subcommands({})) subcommands.push_back(sub->get_name());
    const CLI::App* chosen = nullptr;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") break;
        if (a.starts_with("-") && a.size() > 1) {
            const std::string name = a.substr(0, a.find('='));
            if (std::find(names.begin(), names.end(), name) == names.end())
                return "unknown option " + name + NearestHint(name, names) + "; --help lists the options";
            if (a.find('=') == std::string::npos &&
                std::find(with_value.begin(), with_value.end(), name) != with_value.end())
                ++i;  // its value
            continue;
        }
        if (chosen) continue;  // the subcommand's own arguments
        if (std::find(subcommands.begin(), subcommands.end(), a) == subcommands.end())
            return "unknown subcommand \"" + a + "\"" + NearestHint(a, subcommands) +
                   "; dru --help lists them";
        chosen = app.get_subcommand(a);
        OptionNames(*chosen, names, with_value);
    }
    return {};
}

// What a global option's value is called in the help.
std::string ValueName(const std::string& option) {
    if (option == "answers") return "y,n,...";
    if (option == "type") return "16|30";
    if (option == "host-folder") return "DIR";
    std::string upper;
    for (char c : option) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// What every subcommand's help ends with: the options dru takes before or
// after any subcommand.
std::string GlobalOptionsHelp(const CLI::App& app) {
    std::ostringstream text;
    text << "\nGlobal options (before or after the subcommand):\n";
    for (const CLI::Option* o : app.get_options()) {
        if (o->get_lnames().empty() || o->get_lnames().front() == "help" ||
            o->get_lnames().front() == "version")
            continue;
        const std::string& long_name = o->get_lnames().front();
        std::string name = "--" + long_name;
        if (o->get_items_expected_min() > 0) name += " " + ValueName(long_name);
        char line[64];
        std::snprintf(line, sizeof line, "  %-18s ", name.c_str());
        text << line << o->get_description() << "\n";
    }
    return text.str();
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

std::string ExamplesFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path installed = self.parent_path().parent_path() / DRU_INSTALLED_EXAMPLES;
        if (fs::is_directory(installed, ec)) return fs::weakly_canonical(installed, ec).string();
    }
    if (fs::is_directory(DRU_SOURCE_EXAMPLES, ec)) return DRU_SOURCE_EXAMPLES;
    return "examples";
}

std::string Example(const std::string& lines) {
    return "\nExample:\n  " + lines + "\n";
}

int Run(const std::vector<std::string>& args, Console& console,
        const std::vector<CommandGroup>& more) {
    Program program{console, {}, {}};
    CLI::App app{kDescription, "dru"};
    app.set_version_flag("--version", std::string("dru, driver library ") + dru_version());
    app.require_subcommand(1);
    app.fallthrough();  // global options also after the subcommand
    AddGlobalOptions(app, program.options);
    app.footer(Example("dru sale " + ExamplesFolder() + "/sale.json --preview") +
               "\nInput files to start from, one per document, and a sample C host (host/):\n  " +
               ExamplesFolder() + "\n");
    AddDayCommands(app, program);
    AddDocumentCommands(app, program);
    AddContractCommand(app, program);
    AddLogCommand(app, program);
    AddPortsCommand(app, program);
    AddSimulateCommand(app, program);
    for (CommandGroup group : more) group(app, program);
    const std::string global_help = GlobalOptionsHelp(app);
    for (CLI::App* sub : app.get_subcommands({})) sub->footer(sub->get_footer() + global_help);

    if (args.empty()) {  // bare dru: the help, as --help shows it
        console.out << app.help();
        return kDone;
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // the order CLI11 takes
        app.parse(reversed);
        program.options.port_given = app.get_option("--port")->count() > 0;
        if (program.options.port_given && program.options.port.empty())
            throw UsageError(
                "--port is empty: name the printer's port (COM1 ... COM12 or a device path), or "
                "leave --port out to run on the simulator");
        if (program.options.preview && program.options.port_given)
            throw UsageError("--preview runs on the simulator: leave out --port");
        return program.action ? program.action() : kDone;
    } catch (const CLI::Success& e) {
        return app.exit(e, console.out, console.err) == 0 ? kDone : kBadUsage;
    } catch (const CLI::ParseError& e) {
        if (const std::string why = DiagnoseArguments(app, args); !why.empty())
            return Refuse(program, why, kBadUsage);
        if (app.get_subcommands().empty()) {  // options alone: the help, and what is missing
            if (!program.options.json) console.out << app.help();
            return Refuse(program, "a subcommand is needed (dru --help lists them)", kBadUsage);
        }
        const int code = app.exit(e, console.out, console.err);
        return code == 0 ? kDone : kBadUsage;
    } catch (const UsageError& e) {
        return Refuse(program, e.what(), kBadUsage);
    } catch (const std::exception& e) {
        return Refuse(program, e.what(), kFailed);
    }
}

}  // namespace dru::cli
