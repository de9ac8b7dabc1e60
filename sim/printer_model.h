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
// which is the one reply a document reads. A fiscal receipt that opens (000
// taken) starts with nothing remembered, so that reply is the receipt's own.
//
// The fiscal receipt (boleta): 000 then 12 open it, 13 adds items, 20 totals
// it, 26 registers payments and 27 ends them (fiscal_receipt.h has the
// operands and the checks). It closes at the first of:
//   - 98 or 99 after 27 (the paper-cut of type 16, the end of type 30);
//   - the 61 that ends a comment block begun while it was open.
// Closing counts it: the receipt number (481 field 2) goes up by one and the
// sale adds to the day's gross sales and totals by payment form (fields 3 to
// 8). A receipt that met an error since its 000, or whose payments were not
// ended, is voided instead: printed as void, not counted, its number unused.
// After 98 the comment block that follows (before any other command but a
// line feed) is the boleta's footer: its lines print before the receipt
// number line, and its 61 reply reports the receipt's first error. 99 right
// after a receipt closed by its block is the end of the receipt on type 30.
//
// Comment blocks (60 ... 61): one begun inside a receipt is its closing
// block, one begun after 98 the boleta's footer, any other a non-fiscal
// document (a bill check, a report, a voucher). A block left open holds the
// printer: until its 61 it takes comment lines (111 to 116), line feeds (30)
// and the 61, and refuses every other command, a second 60 included, with
// error 19 (err::kBlockOpen). A refused command is not carried out: nothing
// prints, nothing counts, no receipt opens, and the block stays open taking
// lines. Refused, a silent command (60, 000, 12, 13, 20, 26, 27, 98, 99, an
// unknown code) has its error reported by the block's 61 like any other
// first error; an answering one (01, 021, 18, 32, 34, 35, 432, 481) answers
// "019" and its code at once ("01948"). A silent command refused inside a
// receipt's closing block is an error of the receipt, voided at the block's
// 61; inside the footer the receipt is already counted, and the footer's 61
// only reports the error. The 61 of a block break answers as every 61
// does; its reply waits on the line, and the document's one read after its
// last 61 takes it together with that one ("1\r1\r").
//
// The paper roll shows the boleta as the customer gets it: the printer's
// header, the items (name; quantity x unit price, item total), the total, the
// payments by form name, the change ("Vuelto"), the footer lines, the
// receipt number line.
//
// A non-fiscal block prints as one slip: its lines in their styles, a line
// feed as an empty line. The slip is cut (kCutLine) when the paper moves on
// for the next command, as a boleta cut by 98 ends when what follows is not
// its footer; the roll's last slip is still in the printer and shows no cut
// yet. A block that printed nothing leaves no slip. A document sent in
// several blocks (a block break: 61 then 60) shows as that many slips, each
// but the last ended by the cut line.
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

#include "fiscal_receipt.h"
#include "host/clock.h"
#include "printer_errors.h"

namespace dru::sim {

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
// The cash form ("01", EFECTIVO): the change of a receipt goes back out of it.
inline constexpr int kCashForm = 1;
// What the knife leaves on the roll: the end of a boleta or of a slip.
inline constexpr std::string_view kCutLine = "-------- corte --------";

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
    // The printer's own header, printed at the top of every boleta.
    std::vector<std::string> header = {"COMERCIAL EJEMPLO LTDA.", "RUT 76.000.000-0"};
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
    ReceiptPhase receipt_phase() const { return receipt_.phase(); }
    // The open receipt, or the last one until the next 000.
    const FiscalReceipt& receipt() const { return receipt_; }
    const std::vector<ReceiptItem>& items() const { return receipt_.items(); }
    long long receipt_total() const { return receipt_.total_amount(); }
    // Payments of the receipt: form number (1 = "01") -> amount.
    const std::map<int, long long>& payments() const { return receipt_.payments(); }
    bool comment_open() const { return block_ != Block::None; }
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
    // The open comment block, by what its 61 ends.
    enum class Block {
        None,
        Closing,   // begun inside a receipt: its 61 closes the receipt
        Footer,    // begun after 98: its 61 ends the boleta's paper
        Document,  // a non-fiscal document: its 61 ends a slip
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
    Outcome end_payments(std::string_view operands);
    Outcome close_receipt(std::string_view code);
    void settle_receipt();
    void end_boleta_paper();
    void cut_slip();
    void remember_error(int error, std::string_view code);
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
    FiscalReceipt receipt_;
    int open_receipt_number_ = 0;
    Block block_ = Block::None;
    bool slip_printed_ = false;          // the open document block has printed a line
    bool slip_cut_due_ = false;          // a printed slip waits for the next command to be cut
    bool footer_due_ = false;            // closed by 98: the boleta ends after its footer block
    std::string number_line_;            // the boleta's last line, printed when its paper ends
    bool end_allowed_ = false;           // 99 may end the receipt just closed (type 30)
    bool receipt_fault_ = false;         // a command of the open receipt was refused: it is voided
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
