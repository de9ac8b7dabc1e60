#include "printer.h"

#include "day/day_operations.h"
#include "module/counter_file.h"

namespace dru::serve {

std::string ReceiptNumberText(long long counter) {
    return ReceiptNumber(std::to_string(counter));
}

Printer::Printer(const cli::GlobalOptions& options)
    : options_(options), target_(cli::Target::Choose(options)), simulator_(options.port.empty()) {
    if (simulator_) {
        // The simulator's till read its counter when it rang up the day's
        // first sale, so the sales the service prints are counted from there.
        cli::HostFolder folder(options_, /*temporary=*/false);
        target_->remember_counter(folder);
    }
    paper_ = target_->paper_roll();
}

cli::Report Printer::run(const cli::PreparedCall& call) {
    cli::Report report = cli::RunPrepared(*target_, options_, call);
    std::optional<std::string> roll = target_->paper_roll();
    std::lock_guard lock(mutex_);
    paper_ = std::move(roll);
    return report;
}

Counter Printer::counter() const {
    const std::optional<PrinterCounter> c =
        CounterFile(options_.host_folder).recall(target_->port_name());
    if (!c) return {};
    return {c->receipt, c->serial};
}

cli::Json Printer::status() const {
    const Counter c = counter();
    cli::Json last = c.receipt ? cli::Json(ReceiptNumberText(*c.receipt)) : cli::Json();
    return {{"port", target_->port_name()},       {"device", target_->device()},
            {"type", options_.type},              {"simulator", simulator_},
            {"preview", options_.preview},        {"last_receipt_number", last}};
}

std::optional<std::string> Printer::paper() const {
    std::lock_guard lock(mutex_);
    return paper_;
}

}  // namespace dru::serve
