// The printer's command set and the fixed figures of its serial link. Every
// code, operand, pause, size and time-out the module uses is named here once.
#pragma once
#include <cstddef>
#include <string_view>

namespace dru {

// ---- Command codes (the digits that open a frame's command text) -----------
namespace cmd {
inline constexpr std::string_view kOpenFiscalReceipt = "000";  // opens the fiscal receipt
inline constexpr std::string_view kReadingX = "01";            // prints the X reading
inline constexpr std::string_view kReductionZ = "021";         // prints the Z reduction (closes the fiscal day)
inline constexpr std::string_view kOpenBoleta = "12";          // opens the boleta at the cash register
inline constexpr std::string_view kRegisterItem = "13";        // registers one receipt line
inline constexpr std::string_view kRepeat = "18";              // repeats the print after a printing error
inline constexpr std::string_view kTotalReceipt = "20";        // totals the receipt
inline constexpr std::string_view kRegisterPayment = "26";     // registers one payment
inline constexpr std::string_view kEndPayments = "27";         // ends the payment phase
inline constexpr std::string_view kLineFeed = "30";            // feeds one line
inline constexpr std::string_view kOpenSalesPeriod = "32";     // opens the sales period
inline constexpr std::string_view kOpenDrawer = "34";          // opens the cash drawer
inline constexpr std::string_view kPrinterState = "35";        // reports the printer's state after start-up
inline constexpr std::string_view kPaymentForms = "432";       // lists the printer's payment forms
inline constexpr std::string_view kReadCounters = "481";       // reads the printer's counters and data
inline constexpr std::string_view kBeginComment = "60";        // begins a free-text (comment) block
inline constexpr std::string_view kEndComment = "61";          // ends the comment block; its reply is the block's result
inline constexpr std::string_view kCutPaper = "98";            // cuts the paper
inline constexpr std::string_view kCloseType30 = "99";         // ends a receipt on printer type "30"
// Comment lines: the last digit picks the print style the printer defines.
inline constexpr std::string_view kCommentLine1 = "111";  // ordinary lines
inline constexpr std::string_view kCommentLine2 = "112";  // separators and labels
inline constexpr std::string_view kCommentLine3 = "113";  // totals, password and footer lines
inline constexpr std::string_view kCommentLine4 = "114";  // bill-check title lines
inline constexpr std::string_view kCommentLine5 = "115";  // totals and titles
inline constexpr std::string_view kCommentLine6 = "116";  // amount lines and report titles

// ---- Fixed operands --------------------------------------------------------
inline constexpr std::string_view kItemSale = "112";                // command 13: a sale item line
inline constexpr std::string_view kItemDifference = "111";          // command 13: the credit note's difference line
inline constexpr std::string_view kPaymentPrefix = "11";            // command 26: precedes the payment code
inline constexpr std::string_view kEndPaymentsOperand = "1000000000";  // command 27: the printer's fixed operand
inline constexpr std::string_view kDrawerOperand = "255255";        // command 34: pulse for the drawer
}  // namespace cmd

// ---- Printer types (the host's IDTIPOIMPFIS, as text) ---------------------------
namespace printer_type {
inline constexpr std::string_view k16 = "16";  // answers a document's comment block with one reply
inline constexpr std::string_view k30 = "30";  // takes lines faster; no reply after a block
}  // namespace printer_type

// ---- Printed widths -----------------------------------------------------------
// The printer prints at most this many characters on a line of the roll (the
// withdrawal receipt's operator line is cut to it); a comment line's text,
// and any host text in it, is cut to it so every frame leaves whole within
// the write time-out (a frame of 60 bytes takes 31 ms at 19200 baud).
inline constexpr std::size_t kPrintedLineChars = 48;
// The item frame's product name prints on one such line.
inline constexpr std::size_t kItemNameChars = kPrintedLineChars;

// ---- Pauses ----------------------------------------------------------------
// The printer needs this long after a command whose reply it builds slowly
// (the payment-forms list) before the reply is read.
inline constexpr int kSlowReplyPauseMs = 800;
// After a mid-document block break the printer needs this long before the
// next comment block takes lines.
inline constexpr int kBlockBreakPauseMs = 800;

// ---- Buffers and driver queues -----------------------------------------------
// One read of an exchange takes at most this many bytes: room for the longest
// reply (the counters of 481, the payment-forms list of 432).
inline constexpr std::size_t kReplyBufferBytes = 4001;
// The one reply at the end of a comment block is short; this bounds its read.
inline constexpr std::size_t kFinalReplyBufferBytes = 1001;
// Driver queues the port is set up with: the printer's frames and replies fit.
inline constexpr int kRxQueueBytes = 256;
inline constexpr int kTxQueueBytes = 256;

// ---- Line settings and time-outs -------------------------------------------------
// The printer talks at 19200 baud, 8 data bits, no parity, one stop bit.
inline constexpr int kBaudRate = 19200;
// One read returns when the count has arrived or this long after it began:
// the printer has answered by then.
inline constexpr int kReadTotalTimeoutMs = 1000;
// A write that the printer does not take within this time is given up.
inline constexpr int kWriteTotalTimeoutMs = 1000;

// ---- Fields of the reply to 481 (counted from 0) --------------------------------
namespace field481 {
inline constexpr int kLastZ = 0;            // number of the last Z reduction
inline constexpr int kFirstReceipt = 1;     // first receipt of the day
inline constexpr int kLastReceipt = 2;      // last receipt: the receipt number
inline constexpr int kGrossSales = 3;       // gross sales; "0" means nothing sold
// Fields 4 to 8: amounts of the five payment forms, after the gross sales.
inline constexpr int kPrinterNumber = 30;   // printer (ECF) number
inline constexpr int kSerial = 42;          // serial number behind a 4-character tag
inline constexpr int kDate = 44;            // printer date DDMMCCYY
inline constexpr int kTime = 45;            // printer time, HHMM first
inline constexpr int kOverdueZ = 48;        // "3" or above (as text): a Z reduction is overdue
}  // namespace field481

// ---- Error replies ---------------------------------------------------------
// An error reply names the failed command by the first two characters of its
// code ("02" for 021); the analysis compares those.
constexpr std::string_view ReportedCode(std::string_view code) { return code.substr(0, 2); }
namespace reported {
inline constexpr std::string_view kOpenFiscalReceipt = ReportedCode(cmd::kOpenFiscalReceipt);  // "00"
inline constexpr std::string_view kReadingX = ReportedCode(cmd::kReadingX);                    // "01"
inline constexpr std::string_view kReductionZ = ReportedCode(cmd::kReductionZ);                // "02"
inline constexpr std::string_view kRegisterItem = ReportedCode(cmd::kRegisterItem);            // "13"
inline constexpr std::string_view kEndPayments = ReportedCode(cmd::kEndPayments);              // "27"
inline constexpr std::string_view kBeginComment = ReportedCode(cmd::kBeginComment);            // "60"
inline constexpr std::string_view kCutPaper = ReportedCode(cmd::kCutPaper);                    // "98"
// A command this module never sends; refused in training mode, the refusal
// is put to the operator as a question.
inline constexpr std::string_view kTrainingQuestion = "37";
}  // namespace reported

// The printer's error numbers the analysis acts on.
namespace printer_error {
inline constexpr long long kNotResponding = 13;     // the printer does not answer
inline constexpr long long kError18 = 18;           // shown to the operator only
inline constexpr long long kBadSequence = 19;       // command out of sequence
inline constexpr long long kPaperOrCover = 43;      // paper out or cover open
inline constexpr long long kInSalesPeriod = 59;     // not allowed during the sales period
inline constexpr long long kPeriodClosed = 60;      // the sales period is closed
inline constexpr long long kTrainingMode = 64;      // not allowed in training mode
inline constexpr long long kReductionDue = 67;      // a Z reduction must be printed first
inline constexpr long long kReductionWarning = 68;  // a Z reduction will soon be due
inline constexpr long long kPrinting80 = 80;        // printing error: repeat
inline constexpr long long kPrinting82 = 82;        // printing error: repeat
}  // namespace printer_error

// ---- Error analysis --------------------------------------------------------
// A recovery command's own error reply is analysed once more (depth 1); an
// error reply deeper than that is only logged, so a printer that keeps
// answering recovery with errors cannot make the analysis recurse without end.
inline constexpr int kMaxNestedAnalysis = 1;

}  // namespace dru
