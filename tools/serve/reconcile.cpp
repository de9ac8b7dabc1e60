#include "reconcile.h"

#include "json_input.h"
#include "operations.h"
#include "receipt/payment_classes.h"

namespace dru::serve {

namespace {

using cli::Upper;

// A JSON member as the driver reads it: a text, or a number's digits.
std::string Text(const cli::Json& row, const char* name) {
    if (!row.is_object() || !row.contains(name)) return {};
    const cli::Json& v = row[name];
    return v.is_string() ? v.get<std::string>() : v.dump();
}

// A sale the counter does not count, by the driver's own choice of document:
// a consumer debit receipt (a movement of kind "T"), or a voucher sale (a
// voucher-class payment whose type is among the payment types handed over).
bool Uncounted(const std::string& body) {
    const cli::Json sale = cli::Json::parse(body, nullptr, false);
    if (!sale.is_object()) return true;
    const cli::Json movements = sale.value("cdsMovi", cli::Json::array());
    const cli::Json types = sale.value("cdsRecebimento", cli::Json::array());
    for (const cli::Json& m : movements)
        if (Upper(Text(m, "IDTIPOMOVIVE")) == "T") return true;
    for (const cli::Json& m : movements) {
        if (!IsVoucherClass(Text(m, "IDTIPORECE"))) continue;
        for (const cli::Json& t : types)
            if (Text(t, "CDTIPORECE") == Text(m, "CDTIPORECE")) return true;
    }
    return false;
}

Reconciliation Sale(const JobRecord& job, const Counter& now) {
    if (!job.counter_before || !now.receipt)
        return {kUnknown, "no receipt counter was known before the sale: check the paper", {}};
    if (!job.serial_before.empty() && now.serial != job.serial_before)
        return {kUnknown,
                "another printer (serial " + now.serial + ", not " + job.serial_before +
                    ") answers on the port now: check the paper",
                {}};
    const long long before = *job.counter_before, after = *now.receipt;
    const std::string moved = "the printer's receipt counter moved from " +
                              std::to_string(before) + " to " + std::to_string(after);
    if (after == before + 1)
        return {kPrinted, moved + ": the receipt was printed and counted", ReceiptNumberText(after)};
    if (after == before && Uncounted(job.body))
        return {kUnknown,
                "the receipt counter is still " + std::to_string(after) +
                    ", and this sale is a debit or voucher document, which it does not count: "
                    "check the paper",
                {}};
    if (after == before)
        return {kNotPrinted,
                "the receipt counter is still " + std::to_string(after) +
                    ": no receipt was counted (an unfinished receipt is not a fiscal receipt; the "
                    "printer ends it with the next document)",
                {}};
    return {kUnknown, moved + ": not one step, so it does not tell this sale's: check the paper", {}};
}

}  // namespace

bool NeedsCounter(const JobRecord& job) {
    return job.state == kRunning && job.operation == "sale";
}

Reconciliation Reconcile(const JobRecord& job, const std::optional<Counter>& now,
                         const std::string& unread) {
    if (job.state == kQueued)
        return {kNotPrinted, "the service stopped before the job reached the printer", {}};
    if (!cli::OperationPrints(job.operation))
        return {kNotPrinted, "the " + job.operation + " prints nothing", {}};
    if (job.operation != "sale")
        return {kUnknown,
                "the " + job.operation +
                    " was cut off on the line, and it leaves no counter that tells whether it "
                    "printed: check the paper",
                {}};
    if (!now)
        return {kUnknown, "the printer's receipt counter could not be read (" + unread +
                              "): check the paper",
                {}};
    return Sale(job, *now);
}

}  // namespace dru::serve
