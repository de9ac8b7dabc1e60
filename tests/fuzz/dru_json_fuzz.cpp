// The JSON input files of the dru command: the input's first byte picks the
// file (the documents' and the day's, in their listed order), the rest is
// its text. A file the check refuses gets an input error; a file it accepts
// must then build into its tables, packets and parameter arrays without a
// single refusal, since dru sends nothing until the check has passed and
// must not stop halfway through a call's arguments.
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"
#include "json_input.h"

namespace dru::fuzz {
namespace {

using cli::Input;
using cli::InputError;
using cli::InputFile;
using cli::Member;

const std::vector<InputFile>& Files() {
    static const std::vector<InputFile> files = [] {
        std::vector<InputFile> all = cli::DocumentInputFiles();
        for (InputFile& f : cli::DayInputFiles()) all.push_back(std::move(f));
        return all;
    }();
    return files;
}

// Every member as the call's arguments would take it.
void Build(const Input& in, const cli::Schema& schema) {
    for (const Member& m : schema) {
        switch (m.type) {
            case Member::Type::Text: in.text(m.name); break;
            case Member::Type::Number: in.number(m.name); break;
            case Member::Type::Flag: in.flag(m.name); break;
            case Member::Type::Table: in.table(m.name), in.packet(m.name); break;
            case Member::Type::Params: in.params(m.name, {{"CDPORTAIMPFIS", "COM1"}}); break;
        }
    }
}

}  // namespace

int dru_json(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const InputFile& file = Files()[data[0] % Files().size()];
    const std::string text(Bytes(data + 1, size - 1));
    std::optional<Input> in;
    try {
        in.emplace(Input::Parse(text, file.subcommand + ".json", file.schema));
    } catch (const InputError& e) {
        if (std::string(e.what()).empty()) Finding("an input error with no text");
        return 0;
    } catch (const std::exception& e) {
        Finding(std::string("the check raised something other than an input error: ") + e.what());
    }
    try {
        Build(*in, file.schema);
    } catch (const std::exception& e) {
        Finding("a checked " + file.subcommand + " file failed while its arguments were built: " +
                e.what());
    }
    return 0;
}

}  // namespace dru::fuzz
