#include "operations.h"

#include <algorithm>
#include <sstream>

#include "terminal.h"

namespace dru::cli {

namespace {

// The operations that read or set something and print nothing.
const std::vector<std::string> kSilentOperations = {"printer-data", "date-check",   "receipt-number",
                                                    "payment-types", "day-totals"};

std::vector<std::string> Answers(const Json& answers) {
    if (!answers.is_array())
        throw InputError("body: $.answers: expected an array of \"y\" and \"n\"", "$.answers");
    std::vector<std::string> out;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const Json& a = answers[i];
        const std::string path = "$.answers[" + std::to_string(i) + "]";
        if (a.is_boolean()) {
            out.push_back(a.get<bool>() ? "y" : "n");
        } else if (a.is_string() && (Upper(a.get<std::string>()) == "Y" || Upper(a.get<std::string>()) == "N")) {
            out.push_back(a.get<std::string>());
        } else {
            throw InputError("body: " + path + ": expected \"y\" or \"n\"", path);
        }
    }
    return out;
}

}  // namespace

const std::vector<std::string>& OperationNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all = DocumentNames();
        for (std::string& n : DayNames()) all.push_back(std::move(n));
        return all;
    }();
    return names;
}

bool OperationPrints(const std::string& name) {
    return std::find(kSilentOperations.begin(), kSilentOperations.end(), name) ==
           kSilentOperations.end();
}

std::optional<PreparedCall> PrepareOperation(const std::string& name, const Json& body) {
    const auto& names = OperationNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) return std::nullopt;
    Json own = body.is_null() ? Json::object() : body;
    PreparedCall prepared;
    bool confirmed = false;
    if (own.is_object()) {
        if (own.contains("answers")) prepared.answers = Answers(own["answers"]), own.erase("answers");
        if (own.contains("confirm")) {
            if (!own["confirm"].is_boolean())
                throw InputError("body: $.confirm: expected true or false", "$.confirm");
            confirmed = own["confirm"].get<bool>();
            own.erase("confirm");
        }
    }
    std::optional<CallSpec> spec = DocumentCall(name, own);
    if (!spec) spec = DayCall(name, own);
    // A closing's own questions decide whether it ends in the Z tables: its
    // answers are its confirmation, and unanswered ones are "no".
    if (!spec->irreversible.empty() && name != "closing" && !confirmed)
        throw InputError("body: $.confirm: " + spec->irreversible +
                             " cannot be undone: send \"confirm\": true to run it",
                         "$.confirm");
    prepared.spec = std::move(*spec);
    return prepared;
}

Report RunPrepared(Target& target, const GlobalOptions& options, const PreparedCall& call) {
    GlobalOptions o = options;
    o.json = true;  // notices stay in the report
    o.yes = o.no = o.confirm = false;
    o.answers = call.answers;
    std::istringstream in;
    std::ostringstream out, err;
    Console console{in, out, err, false, false};
    Report report;
    report.command = call.spec.command;
    HostFolder folder(o, /*temporary=*/false);
    OperatorDialog dialog(console, o, report);
    CallContext context{target.port_name(), target, folder, o};
    call.spec.call(context, report);
    target.finish(report);
    return report;
}

}  // namespace dru::cli
