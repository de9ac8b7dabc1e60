// One printer subcommand's run: the host folder, the target, the operator
// dialog, the calls, and the report at the end.
//
//   CallSpec spec{.command = "drawer", .call = [](CallContext& c, Report& r) {
//       r.result = Abre_Gaveta_Imp(c.port.c_str(), c.options.scheme.c_str(), false);
//       r.took("Abre_Gaveta_Imp");
//   }};
//   return RunCall(program, spec);
#pragma once
#include <functional>
#include <string>

#include "cli.h"
#include "report.h"
#include "target.h"

namespace dru::cli {

// What a call runs on.
struct CallContext {
    const std::string port;  // the target's port name
    Target& target;
    const HostFolder& folder;
    const GlobalOptions& options;
};

struct CallSpec {
    std::string command;
    // Runs the calls and fills the report; it may run twice, the first time
    // on a quiet preview that measures a document's schedule, so it builds
    // its tables afresh each time.
    std::function<void(CallContext& context, Report& report)> call;
    bool document = false;          // a progress bar when it lasts more than two seconds
    std::string irreversible = {};  // non-empty: what is confirmed first ("The Z reduction (...)")
};

// Documents that last longer than this on their schedule show a progress bar.
inline constexpr long long kProgressThresholdMs = 2000;

int RunCall(Program& program, const CallSpec& spec);

// Prints the report as the options ask; its exit code.
int Finish(Program& program, const Report& report);

}  // namespace dru::cli
