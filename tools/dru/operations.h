// dru's printer operations prepared from a JSON body instead of the command
// line, for programs that take requests (dru serve): the body is what the
// operation's input file holds ({"amount": 20000} for a supply or
// withdrawal, {} for an operation without input), checked in full before
// anything is sent, plus two members every operation takes:
//   "answers": ["n", "y"]  the driver's questions, in order (the rest: no)
//   "confirm": true        needed by an irreversible operation (z)
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "json_input.h"
#include "session.h"

namespace dru::cli {

struct PreparedCall {
    CallSpec spec;
    std::vector<std::string> answers;  // "y" or "n", as --answers takes them
};

// The operations, in the order dru's help lists them.
const std::vector<std::string>& OperationNames();

// True when the operation puts anything on paper or moves the drawer.
bool OperationPrints(const std::string& name);

// The call of operation `name` for `body`; nullopt when there is no such
// operation. Raises InputError (with the JSON path) for a body it does not take.
std::optional<PreparedCall> PrepareOperation(const std::string& name, const Json& body);

// Runs a prepared call on `target`, which outlives it: nothing is asked or
// shown on a terminal; the questions take the call's answers, then "no".
// Raises UsageError or std::runtime_error as the call does.
Report RunPrepared(Target& target, const GlobalOptions& options, const PreparedCall& call);

// The calls behind OperationNames (documents.cpp, day.cpp).
std::optional<CallSpec> DocumentCall(const std::string& name, const Json& body);
std::optional<CallSpec> DayCall(const std::string& name, const Json& body);
std::vector<std::string> DocumentNames();
std::vector<std::string> DayNames();

}  // namespace dru::cli
