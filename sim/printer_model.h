// A model of the fiscal printer, for tests and for the printer_sim program.
//
// Feed it the bytes the driver writes (Latin-1); it cuts them into frames
// (0x87 ... 0x88), runs each command against its fiscal state and queues the
// reply bytes for the commands whose replies the driver reads.
//
// Wire form of the replies (every reply ends with one terminator byte, CR,
// which the driver drops as the last character of the text it read):
//   success of a plain command   "1"                       e.g. "1\r"
//   error                        "0" + 2-digit error number + 2-digit command
//                                code (first two characters of the command's
//                                code: "01998" is error 19 on command 98,
//                                "06002" error 60 on command 021); never ":"
//   state (35)                   "00" when the printer is ready for sales
//   counters (481)               at least 49 fields, each followed by ":"
//   payment forms (432)          the printer's list, lines ended by CR (type
//                                16) or LF (type 30)
// Commands whose replies the driver does not read (000, 12, 13, 20, 26, 27,
// 30, 60, 98, 99, the comment lines) answer nothing; the first error among
// them is remembered and reported by the reply to the next end-comment (61),
// which is the one reply a document reads.
//
// The model is not thread-safe: the pseudo-terminal server guards it.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/clock.h"

namespace dru::sim {

// Error numbers the printer answers (the driver's error analysis acts on them).
namespace err {
inline constexpr int kBadCommand = 18;         // unknown command or malformed operands
inline constexpr int kWrongSequence = 19;      // command out of the receipt/comment order
inline constexpr int kPaperOut = 43;           // paper end or cover open
inline constexpr int kInSalesPeriod = 59;      // not allowed while the sales period is open
inline constexpr int kPeriodClosed = 60;       // the sales period is closed
inline constexpr int kTrainingMode = 64;       // not allowed in training mode
inline constexpr int kZRequired = 67;          // the printer demands a Z reduction first
}  // namespace err

// The byte that ends every reply.
inline constexpr char kReplyTerminator = '\r';
// Frames longer than this are noise, not commands: the printer drops them.
inline constexpr std::size_t kMaxFrameBytes = 1024;
// Fields in the reply to 481 (the driver reads up to field 48).
inline constexpr int kCounterFields = 50;
// Field 48 at or above this (days the sales period has been open) makes the
// printer refuse to open a fiscal receipt until the Z reduction is printed.
inline constexpr int kZOverdueDays = 3;
// The five payment forms whose totals 481 reports (fields 4 to 8).
inline constexpr int kReportedForms = 5;

struct PrinterConfig {
    int type = 16;                  // printer type: 16 or 30 (line ends and dash column of 432)
    bool sales_period_open = true;  // a printer in the middle of its day
    bool training = false;          // training mode: fiscal-memory commands refused (64)
    int z_count = 41;               // number of the last Z reduction
    int receipt_count = 1000;       // number of the last receipt
    std::string ecf_number = "7";   // printer (ECF) number, field 30
    std::string serial = "A1234567"; // serial number; field 42 is a 4-character model tag + this
    // The printer's payment forms by number (1 = "01" ...); the first five are
    // the ones 481 totals.
    std::vector<std::string> payment_forms = {"EFECTIVO",       "CHEQUE",         "TARJETA CREDITO",
                                              "TARJETA DEBITO", "TARJETA PROPIA", "VALE",
                                              "TICKET"};
};

// Misbehaviour: set any of these to make the printer answer badly. The
// reply-shaping ones act on every reply, or only on replies to `only_command`
// when that is set.
struct Knobs {
    bool silent = false;                  // answers nothing at all
    std::map<std::string, int> errors;    // command code -> error number answered (state untouched)
    std::map<std::string, int> errors_once;  // the same, for the next such command only
    std::optional<std::string> garbage;   // these bytes instead of each reply
    std::optional<std::size_t> partial;   // only the first N bytes of each reply (1: a one-byte reply)
    std::optional<std::size_t> zero_at;   // a zero byte inserted at this offset
    std::optional<std::size_t> pad_to;    // reply padded to this many bytes, terminator included
    int late_ms = 0;                      // each reply leaves this long after its command
    std::optional<int> z_number_width;    // field 0 of 481 zero-padded to this width ("067")
    std::string only_command;             // when set, the shaping knobs touch only this command
};

// One line of the paper roll: style 0 for the printer's own lines, 1 to 6 for
// comment lines of commands 111 to 116.
struct PaperLine {
    int style = 0;
    std::string text;  // UTF-8
    bool operator==(const PaperLine&) const = default;
};

struct ReceiptItem {
    std::string sub_code;     // "112" sale, "111" difference line
    std::string product;      // 13 characters
    long long quantity_milli = 0;
    long long unit_price = 0;
    long long line_total = 0;
    std::string description;  // UTF-8
};

enum class ReceiptPhase { None, Opened, Items, Totaled, Paying, PaidOut };

class PrinterModel {
public:
    // `clock` gives the printer's clock (its date and time, settable as an
    // offset) and the steady time that late replies are held against.
    explicit PrinterModel(const Clock& clock, PrinterConfig config = {});

    // Bytes from the host; complete frames run at once, replies queue.
    void feed(std::string_view bytes);
    // Runs one command text (without the frame bytes, Latin-1) and returns
    // the reply it queues, before misbehaviour (empty: no reply).
    std::string execute(std::string_view command);

    // Reply bytes due by now (late replies wait); removes them from the queue.
    std::string take_output();
    // Steady time at which the next held reply is due; nullopt when none waits.
    std::optional<std::int64_t> next_output_due() const;
    // The port was closed: replies nobody read are lost, half frames dropped.
    void disconnect();

    Knobs& knobs() { return knobs_; }
    const Clock& clock() const { return clock_; }

    // ---- State, for tests --------------------------------------------------------
    int type() const { return config_.type; }
    bool sales_period_open() const { return period_open_; }
    void set_sales_period_open(bool open);
    void set_training(bool on) { config_.training = on; }
    ReceiptPhase receipt_phase() const { return phase_; }
    const std::vector<ReceiptItem>& items() const { return items_; }
    long long receipt_total() const { return receipt_total_; }
    // Payments of the open receipt: form number (1 = "01") -> amount.
    const std::map<int, long long>& payments() const { return payments_; }
    bool comment_open() const { return comment_open_; }
    int z_count() const { return z_count_; }
    int receipt_count() const { return receipt_count_; }
    int first_receipt_of_day() const { return first_receipt_; }
    long long gross_sales() const { return gross_; }
    long long form_total(int form) const;  // day total of a payment form (1-based)
    // The printer's clock; setting it moves it away from the host clock.
    TDateTime printer_time() const;
    void set_printer_time(TDateTime t);
    // Field 48: days the sales period has been open, unless overridden.
    std::string overdue_indicator() const;
    void set_overdue_indicator(std::optional<std::string> text) { overdue_override_ = std::move(text); }

    // Every frame received (command text, UTF-8), in order.
    const std::vector<std::string>& frames() const { return frames_; }
    const std::vector<PaperLine>& paper() const { return paper_; }
    // The paper roll as text: comment lines carry their style as "[n] ".
    std::string paper_text() const;
    // Command codes sent with a reply, in order, with the reply text.
    const std::vector<std::pair<std::string, std::string>>& replies() const { return replies_; }

private:
    struct Reply {
        std::string bytes;
        std::int64_t due_ms;
    };
    struct Outcome {
        int error = 0;           // 0: success
        std::string data;        // success body of a reading command (before the terminator)
    };

    void on_frame(std::string_view command);
    Outcome run(std::string_view code, std::string_view operands);
    std::string shape(std::string_view code, std::string reply) const;

    // The guard: checks the state a command needs before it changes anything.
    int require_period() const;
    int require_no_document() const;

    Outcome reading_x();
    Outcome reduction_z();
    Outcome open_period();
    Outcome printer_state();
    Outcome open_receipt();
    Outcome open_boleta();
    Outcome register_item(std::string_view operands);
    Outcome total_receipt(std::string_view operands);
    Outcome register_payment(std::string_view operands);
    Outcome end_payments();
    Outcome close_receipt(std::string_view code);
    Outcome begin_comment();
    Outcome end_comment();
    Outcome comment_line(int style, std::string_view text);
    Outcome line_feed();
    std::string counters() const;
    std::string payment_form_list() const;

    void print(std::string text, int style = 0);
    void print_totals();
    std::string date_text() const;  // DD/MM/YYYY HH:MM of the printer clock

    const Clock& clock_;
    PrinterConfig config_;
    Knobs knobs_;

    std::string pending_frame_;
    bool in_frame_ = false;
    std::deque<Reply> output_;

    bool period_open_;
    TDateTime period_opened_at_ = 0;
    double clock_offset_days_ = 0;
    std::optional<std::string> overdue_override_;
    ReceiptPhase phase_ = ReceiptPhase::None;
    int open_receipt_number_ = 0;
    std::vector<ReceiptItem> items_;
    long long receipt_total_ = 0;
    std::map<int, long long> payments_;
    bool comment_open_ = false;
    int block_error_ = 0;            // first error of a silent command since the last 61 reply
    std::string block_error_code_;
    int z_count_;
    int receipt_count_;
    int first_receipt_ = 0;
    long long gross_ = 0;
    std::array<long long, kReportedForms> form_totals_{};

    std::vector<std::string> frames_;
    std::vector<PaperLine> paper_;
    std::vector<std::pair<std::string, std::string>> replies_;
};

}  // namespace dru::sim
