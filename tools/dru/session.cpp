#include "session.h"

#include <memory>
#include <optional>
#include <ostream>

#include "terminal.h"

namespace dru::cli {

namespace {

// The document run once, quietly, on the virtual clock: its schedule.
Schedule MeasureSchedule(Program& program, const CallSpec& spec) {
    HostFolder folder(program.options, /*temporary=*/true);
    std::unique_ptr<Target> preview = Target::Preview(program.options);
    preview->remember_counter(folder);
    Report scratch;
    OperatorDialog quiet(program.console, program.options, scratch, /*quiet=*/true);
    CallContext context{preview->port_name(), *preview, folder, program.options};
    spec.call(context, scratch);
    return preview->schedule();
}

bool WantsProgress(const Program& program, const CallSpec& spec) {
    const GlobalOptions& o = program.options;
    return spec.document && program.console.err_terminal && !o.json && !o.preview;
}

}  // namespace

int Finish(Program& program, const Report& report) {
    if (program.options.json)
        program.console.out << ToJson(report).dump(2) << "\n";
    else
        PrintHuman(report, program.console.out);
    return report.exit_code;
}

int RunCall(Program& program, const CallSpec& spec) {
    const GlobalOptions& o = program.options;
    if (!spec.irreversible.empty() && !o.preview &&
        !Confirm(program.console, o, spec.irreversible)) {
        program.console.err << "not confirmed: nothing was sent\n";
        return kBadUsage;
    }
    std::optional<Schedule> schedule;
    if (WantsProgress(program, spec)) {
        Schedule measured = MeasureSchedule(program, spec);
        if (measured.total_ms > kProgressThresholdMs) schedule = std::move(measured);
    }

    Report report;
    report.command = spec.command;
    HostFolder folder(o, /*temporary=*/o.preview);
    std::unique_ptr<Target> target = Target::Choose(o);
    target->remember_counter(folder);
    OperatorDialog dialog(program.console, o, report);
    {
        std::unique_ptr<ProgressBar> bar;
        if (schedule) {
            if (const std::atomic<int>* written = target->count_frames())
                bar = std::make_unique<ProgressBar>(program.console.err, *schedule, *written);
        }
        dialog.set_progress(bar.get());
        CallContext context{target->port_name(), *target, folder, o};
        // A preview has no printer to leave half-way.
        std::optional<InterruptNotice> notice;
        if (!o.preview) notice.emplace(InterruptNotice::Text(spec.command, spec.document));
        spec.call(context, report);
        dialog.set_progress(nullptr);
    }
    target->finish(report);
    return Finish(program, report);
}

}  // namespace dru::cli
