#include "report.h"

#include <cstdio>
#include <ostream>
#include <sstream>

namespace dru::cli {

namespace {

// A longer reply (the counters, the payment-forms list) is cut for a person; --json has it whole.
constexpr std::size_t kShownReplyBytes = 72;

// What a person reads for an exchange that did not go through.
std::string ExchangeVerdict(int outcome) {
    switch (outcome) {
        case DRU_EXCHANGE_SILENT:
            return "the printer did not answer";
        case DRU_EXCHANGE_PORT_FAILED:
            return "the port could not be opened";
        case DRU_EXCHANGE_LINE_FAILED:
            return "the port failed during the exchange (a write or a read)";
        default:
            return {};
    }
}

// "The printer refused it: the printer refused command 98 with error 19 (...)."
std::string VerdictSentence(const Report& r) {
    std::string head;
    switch (r.verdict_kind) {
        case DRU_VERDICT_CONFIRMED:
            head = "Confirmed";
            break;
        case DRU_VERDICT_REFUSED:
            head = "Refused by the printer";
            break;
        case DRU_VERDICT_NOT_SENT:
            head = "Not sent";
            break;
        default:
            head = "Unconfirmed (it may have printed: check the paper before trying again)";
            break;
    }
    return head + (r.verdict_detail.empty() ? "" : ": " + r.verdict_detail) + ".";
}

std::string Seconds(long long ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(ms) / 1000.0);
    return text;
}

}  // namespace

const char* const kRollMarkers =
    "  [n]: a comment line sent in print style n (command 11n; the printer sets each style's "
    "look):\n"
    "       1 ordinary text, 2 separators and labels, 3 totals and the footer, 4 the bill's "
    "titles,\n"
    "       5 totals and titles, 6 amounts and report titles. A line without a mark is the "
    "printer's own.\n";

std::vector<std::string> ReductionLines(const Json& reductions, const Json& forms) {
    std::vector<std::string> lines;
    if (reductions.empty()) lines.push_back("  no reduction record: the printer reports no sales");
    for (const Json& z : reductions) {
        char text[160];
        std::snprintf(text, sizeof text, "  Z %s  receipts %s to %s  gross %.2f  net %.2f",
                      z.value("NRREDREDZ", "").c_str(), z.value("NRPRIMCFREDZ", "").c_str(),
                      z.value("NRULTCFREDZ", "").c_str(), z.value("VRVENBRUREDZ", 0.0),
                      z.value("VRVENLIQREDZ", 0.0));
        lines.push_back(text);
    }
    for (const Json& f : forms) {
        char text[160];
        std::snprintf(text, sizeof text, "  payment type %-4s (printer form %s)  %.2f",
                      f.value("CDTIPORECE", "").c_str(), f.value("CDTPRECEORIG", "").c_str(),
                      f.value("VRFORMPGTORZ", 0.0));
        lines.push_back(text);
    }
    return lines;
}

const char* ExchangeName(int outcome) {
    switch (outcome) {
        case DRU_EXCHANGE_ANSWERED:
            return "answered";
        case DRU_EXCHANGE_SILENT:
            return "silent";
        case DRU_EXCHANGE_PORT_FAILED:
            return "port failed";
        case DRU_EXCHANGE_NOT_READ:
            return "not read";
        case DRU_EXCHANGE_LINE_FAILED:
            return "line failed";
        default:
            return "none";
    }
}

const char* VerdictName(int kind) {
    switch (kind) {
        case DRU_VERDICT_CONFIRMED:
            return "confirmed";
        case DRU_VERDICT_REFUSED:
            return "refused";
        case DRU_VERDICT_NOT_SENT:
            return "not sent";
        case DRU_VERDICT_UNCONFIRMED:
            return "unconfirmed";
        default:
            return "none";
    }
}

bool Report::took(const std::string& entry) {
    calls.push_back(entry);
    last_error = dru_last_error();
    last_error_code = dru_last_error_code();
    DruText* text = dru_text_new(nullptr);
    exchange = dru_last_exchange(text);
    reply = dru_text_get(text);
    verdict_kind = dru_last_verdict(text);
    verdict_detail = dru_text_get(text);
    dru_text_free(text);
    // Only a confirmed document is done; the others may need the paper checked.
    if (verdict_kind != DRU_VERDICT_NONE && verdict_kind != DRU_VERDICT_CONFIRMED) exit_code = kFailed;
    if (!last_error.empty()) {
        verdict = entry + ": " + last_error;
        // The driver refused the input before sending anything: bad input.
        const bool refused =
            last_error_code == DRU_ERR_BAD_ARGUMENT && exchange == DRU_EXCHANGE_NONE;
        exit_code = refused ? kBadUsage : kFailed;
        return false;
    }
    if (const std::string v = ExchangeVerdict(exchange); !v.empty()) {
        verdict = v;
        exit_code = kFailed;
        return false;
    }
    return true;
}

std::string Visible(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        // U+0080 ... U+009F (the frame bytes among them) arrive as C2 80 ... C2 9F.
        if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned char>(utf8[++i]));
            out += hex;
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void PrintHuman(const Report& r, std::ostream& out) {
    for (const std::string& l : r.lines) out << l << "\n";
    if (r.exchange == DRU_EXCHANGE_ANSWERED && r.verdict.empty()) {
        std::string reply = Visible(r.reply);
        if (reply.size() > kShownReplyBytes) reply = reply.substr(0, kShownReplyBytes) + "...";
        out << "last reply from the printer: \"" << reply << "\"\n";
    }
    if (!r.verdict.empty()) out << r.verdict << "\n";
    if (r.verdict_kind != DRU_VERDICT_NONE) out << VerdictSentence(r) << "\n";
    if (!r.frames.empty()) {
        out << "\nFrames (time on the printer's schedule):\n";
        for (const Json& f : r.frames) {
            char at[32];
            std::snprintf(at, sizeof at, "%9.3f s  ", f["at_ms"].get<double>() / 1000.0);
            out << at
                << (f.contains("sent") ? "> " + f["sent"].get<std::string>()
                                       : "< " + f["received"].get<std::string>())
                << "\n";
        }
    }
    if (r.paper) {
        out << "\nPaper roll:\n";
        std::istringstream roll(*r.paper);
        bool marked = false;
        for (std::string l; std::getline(roll, l);) {
            out << "  | " << l << "\n";
            marked = marked || (l.size() > 3 && l[0] == '[' && l[2] == ']');
        }
        if (r.paper->empty()) out << "  (nothing printed)\n";
        if (marked) out << kRollMarkers;
    }
    if (r.schedule_ms)
        out << "\nOn a real printer this takes " << Seconds(*r.schedule_ms) << " (pauses "
            << Seconds(r.pauses_ms) << ", read time-outs " << Seconds(r.waits_ms) << ").\n";
}

Json ToJson(const Report& r) {
    Json j;
    j["command"] = r.command;
    j["calls"] = r.calls;
    j["result"] = r.result;
    j["outputs"] = r.outputs;
    if (r.receipt_number) j["receipt_number"] = *r.receipt_number;
    j["last_error"] = r.last_error;
    j["last_error_code"] = r.last_error_code;
    j["exchange"] = {{"outcome", ExchangeName(r.exchange)}, {"reply", r.reply}};
    j["verdict"] = {{"kind", VerdictName(r.verdict_kind)}, {"detail", r.verdict_detail}};
    j["messages"] = r.messages;
    if (!r.verdict.empty()) j["failure"] = r.verdict;
    if (r.paper) j["paper"] = *r.paper;
    if (!r.frames.empty()) j["frames"] = r.frames;
    if (r.schedule_ms) {
        j["schedule_ms"] = *r.schedule_ms;
        j["pauses_ms"] = r.pauses_ms;
        j["read_timeouts_ms"] = r.waits_ms;
    }
    j["exit_code"] = r.exit_code;
    return j;
}

}  // namespace dru::cli
