#include "link/call_record.h"

#include "link/commands.h"
#include "link/context.h"

namespace dru {

namespace {

// Logged once, when the line fails: the document ends there.
constexpr std::string_view kLineFailedLine = "Falha na linha da impressora: documento encerrado";

void LineFailure(LinkContext& ctx, std::string what) {
    if (CallRecord* r = ctx.call) {
        if (r->line_failed) return;  // said once
        r->line_failed = true;
        r->accepted = false;
        if (r->failure.empty()) r->failure = std::move(what);
    }
    ctx.log.ImpFisDebug(kLineFailedLine);
}

}  // namespace

std::string_view ErrorMeaning(long long error) {
    switch (error) {
        case printer_error::kNotResponding: return "the printer does not respond";
        case printer_error::kError18: return "the printer refused the command";
        case printer_error::kBadSequence: return "command out of sequence";
        case printer_error::kPaperOrCover: return "paper out or cover open";
        case printer_error::kInSalesPeriod: return "not allowed during the sales period";
        case printer_error::kPeriodClosed: return "the sales period is closed";
        case printer_error::kTrainingMode: return "not allowed in training mode";
        case printer_error::kReductionDue: return "a Z reduction must be printed first";
        case printer_error::kReductionWarning: return "a Z reduction will soon be due";
        case printer_error::kPrinting80:
        case printer_error::kPrinting82: return "printing error";
        default: return {};
    }
}

void NotePortFailure(LinkContext& ctx, const std::string& why) {
    if (ctx.call && ctx.call->port_failure.empty()) ctx.call->port_failure = why;
}

bool NoteWrite(LinkContext& ctx, long written, std::size_t size) {
    if (ctx.call && written > 0) {
        ctx.call->written = true;
        ++ctx.call->writes;
    }
    if (ctx.call && ctx.analysis_depth == 0) ctx.call->accepted = false;
    if (written >= 0 && static_cast<std::size_t>(written) == size) return true;
    LineFailure(ctx, written < 0 ? "the line failed while a frame was written"
                                 : "the printer stopped taking bytes (a frame was not taken within the write time-out)");
    return false;
}

void NoteReadFailed(LinkContext& ctx) { LineFailure(ctx, "the line failed while the printer's answer was read"); }

void NoteRefusal(LinkContext& ctx, long long error, std::string_view command) {
    if (!ctx.call) return;
    ++ctx.call->refusals;
    if (!ctx.call->refusal.empty()) return;
    std::string s = "the printer refused command " + std::string(command) + " with error " + std::to_string(error);
    if (const std::string_view meaning = ErrorMeaning(error); !meaning.empty()) s += " (" + std::string(meaning) + ")";
    ctx.call->refusal = std::move(s);
}

void NoteAccepted(LinkContext& ctx) {
    if (ctx.call && ctx.analysis_depth == 0) ctx.call->accepted = true;
}

void NoteRecovered(LinkContext& ctx) {
    if (!ctx.call) return;
    ++ctx.call->recovered;
    ctx.call->accepted = true;
}

void NoteUnconfirmed(LinkContext& ctx, const std::string& what) {
    if (ctx.call && ctx.call->failure.empty()) ctx.call->failure = what;
}

void Decide(LinkContext& ctx, VerdictKind kind, std::string detail) {
    if (ctx.call) ctx.call->decided = Verdict{kind, std::move(detail)};
}

bool LineFailed(const LinkContext& ctx) { return ctx.call && ctx.call->line_failed; }

void Pause(LinkContext& ctx, int ms) {
    if (!LineFailed(ctx)) ctx.clock.sleep_ms(ms);
}

Verdict Judge(const CallRecord& r, const std::string& platform_error) {
    if (!r.written) {
        if (!platform_error.empty()) return {VerdictKind::NotSent, "nothing was sent: " + platform_error};
        if (!r.port_failure.empty()) return {VerdictKind::NotSent, "nothing was sent: " + r.port_failure};
        if (r.decided) return *r.decided;
        return {VerdictKind::None, "nothing was to be printed"};  // the operator declined, an empty table
    }
    if (r.decided) return *r.decided;
    if (!platform_error.empty())
        return {VerdictKind::Unconfirmed, "the call ended on an error after printing began: " + platform_error};
    if (!r.refusal.empty() && r.refusals > r.recovered) return {VerdictKind::Refused, r.refusal};
    if (!r.failure.empty()) return {VerdictKind::Unconfirmed, r.failure};
    if (r.accepted) return {VerdictKind::Confirmed, "the printer accepted it"};
    if (!r.port_failure.empty()) return {VerdictKind::Unconfirmed, r.port_failure};
    return {VerdictKind::Unconfirmed, "written; the printer's answer was not read or did not come"};
}

}  // namespace dru
