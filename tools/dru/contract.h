// The input contracts of the entry points dru calls, as text, as a
// template input file and as the reference page docs/input-contract.md.
#pragma once
#include <string>
#include <vector>

#include "json_input.h"

namespace dru::cli {

// Every entry point dru calls, in the order of its help.
std::vector<InputFile> Contracts();
// The contract of a subcommand or entry point (any letter case); null when none.
const InputFile* FindContract(const std::vector<InputFile>& contracts, const std::string& name);
// A complete input file: every argument, parameter and field the call reads.
Json Template(const InputFile& contract);
// One entry point's contract for a terminal.
std::string ContractText(const InputFile& contract);
// The reference page of every entry point (Markdown).
std::string ReferencePage();

}  // namespace dru::cli
