// What a printer subcommand tells: the calls it made and what they returned,
// the outcome of the last exchange, the operator's messages and, on the
// simulator, the paper roll (and in a preview every frame and the time the
// printer would take). Printed for a person, or as one JSON object (--json).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "json_input.h"

namespace dru::cli {

struct Report {
    std::string command;             // the subcommand
    std::vector<std::string> calls;  // entry points, in call order
    Json result;                     // the last call's result (null: none)
    Json outputs = Json::object();   // output arguments by name
    std::optional<std::string> receipt_number;
    std::string last_error;
    int last_error_code = DRU_ERR_NONE;
    int exchange = DRU_EXCHANGE_NONE;
    std::string reply;
    // dru_last_verdict() after the last call that drove the printer.
    int verdict_kind = DRU_VERDICT_NONE;
    std::string verdict_detail;
    Json messages = Json::array();   // operator notices and questions
    std::vector<std::string> lines;  // what the subcommand shows a person
    std::string verdict;             // why the run failed ("the printer did not answer")
    // Filled in by the target after the calls.
    std::optional<std::string> paper;
    Json frames = Json::array();           // preview: {"at_ms", "sent"|"received"}
    std::optional<long long> schedule_ms;  // preview: the time on a real printer
    int pauses_ms = 0, waits_ms = 0;
    int exit_code = kDone;

    // After each C call: its name, dru_last_error(), dru_last_exchange() and
    // dru_last_verdict(); a call that drove the printer with any verdict but
    // "confirmed" fails the run (exit 1). False when it failed on a platform
    // error or the printer did not answer (the verdict and exit code are set
    // then).
    bool took(const std::string& entry);
    void line(std::string text) { lines.push_back(std::move(text)); }
};

// The name of a DRU_EXCHANGE_* outcome ("answered", "silent", ...).
const char* ExchangeName(int outcome);
// The name of a DRU_VERDICT_* ("confirmed", "refused", "not sent", "unconfirmed").
const char* VerdictName(int kind);

void PrintHuman(const Report& r, std::ostream& out);
Json ToJson(const Report& r);

// The Z tables for a person: one line per reduction record, one per payment form.
std::vector<std::string> ReductionLines(const Json& reductions, const Json& forms);

// What the markers [1] ... [6] of a paper roll mean.
extern const char* const kRollMarkers;

// A text for a terminal: control bytes shown as <0D>, frame bytes <87> <88>.
std::string Visible(const std::string& utf8);

}  // namespace dru::cli
