// What became of a job the journal shows cut off (the service or the machine
// died while it was queued or on the line). It is never run again by
// itself: the printer's receipt counter, read on the next start, tells
// whether a sale's receipt was counted, by the rule a sale's own number
// follows (exactly one past the counter known before it, same printer).
#pragma once
#include <optional>
#include <string>

#include "journal.h"
#include "printer.h"

namespace dru::serve {

inline constexpr const char* kPrinted = "printed";
inline constexpr const char* kNotPrinted = "not printed";
inline constexpr const char* kUnknown = "unknown";

struct Reconciliation {
    std::string outcome;  // kPrinted, kNotPrinted or kUnknown
    std::string reason;   // one sentence
    std::optional<std::string> receipt_number;
};

// `now`: the counter read on this start; nullopt when it could not be read,
// `unread` saying why.
Reconciliation Reconcile(const JobRecord& job, const std::optional<Counter>& now,
                         const std::string& unread);

// True when the job's counter must be read to reconcile it.
bool NeedsCounter(const JobRecord& job);

}  // namespace dru::serve
