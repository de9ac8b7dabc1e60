// Error numbers the printer answers (the driver's error analysis acts on them).
#pragma once

namespace dru::sim::err {
inline constexpr int kBadCommand = 18;     // unknown command or malformed operands
inline constexpr int kWrongSequence = 19;  // command out of the receipt/comment order
inline constexpr int kPaperOut = 43;       // paper end or cover open
inline constexpr int kInSalesPeriod = 59;  // not allowed while the sales period is open
inline constexpr int kPeriodClosed = 60;   // the sales period is closed
inline constexpr int kTrainingMode = 64;   // not allowed in training mode
inline constexpr int kZRequired = 67;      // the printer demands a Z reduction first

// The receipt's own checks, under the numbers the printer reports them with.
// An amount that the receipt does not explain (an item total off its price ×
// quantity, a total off the items) is an operand the printer rejects.
inline constexpr int kAmountMismatch = kBadCommand;
// A payment code with no payment form behind it is a rejected operand too.
inline constexpr int kUnknownPaymentForm = kBadCommand;
// Ending the payments below the total: the receipt is not paid, so the end
// of payments (and whatever closes the receipt after it) is out of order.
inline constexpr int kPaymentsShort = kWrongSequence;
// A command that is not a comment line, a line feed or the 61 while a
// comment block is open: the document in progress makes it out of order.
inline constexpr int kBlockOpen = kWrongSequence;
}  // namespace dru::sim::err
