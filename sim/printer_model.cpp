#include "printer_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "digits.h"
#include "host/format.h"
#include "host/text.h"
#include "link/commands.h"

namespace dru::sim {

namespace {

constexpr char kFrameStart = '\x87';
constexpr char kFrameEnd = '\x88';
// Codes of three digits; every other command code has two.
constexpr std::array<std::string_view, 10> kThreeDigitCodes = {
    cmd::kOpenFiscalReceipt, cmd::kReductionZ, cmd::kPaymentForms, cmd::kReadCounters,
    cmd::kCommentLine1,      cmd::kCommentLine2, cmd::kCommentLine3, cmd::kCommentLine4,
    cmd::kCommentLine5,      cmd::kCommentLine6};
// Commands that answer; the driver reads their replies.
constexpr std::array<std::string_view, 9> kAnsweringCodes = {
    cmd::kReadingX,  cmd::kReductionZ,    cmd::kRepeat,       cmd::kOpenSalesPeriod, cmd::kOpenDrawer,
    cmd::kPrinterState, cmd::kPaymentForms, cmd::kReadCounters, cmd::kEndComment};
// What a command that went well answers (before the terminator).
constexpr std::string_view kSuccessReply = "1";
// Width of the printed receipt and report lines.
constexpr int kPaperWidth = 40;
// Printed after the number of a voided receipt.
constexpr std::string_view kVoidMark = "ANULADA";
// Width of the receipt number on the boleta.
constexpr int kReceiptNumberWidth = 10;

bool contains(auto const& list, std::string_view code) {
    return std::find(list.begin(), list.end(), code) != list.end();
}

// Commands that keep a boleta closed by 98 waiting for its footer block.
bool keeps_footer_due(std::string_view code) {
    return code == cmd::kLineFeed || code == cmd::kBeginComment || code == cmd::kEndComment;
}

// What an open comment block takes: its lines, line feeds and its end.
bool taken_in_block(std::string_view code) {
    const bool comment_line = code.size() == 3 && code.substr(0, 2) == "11";
    return comment_line || code == cmd::kLineFeed || code == cmd::kEndComment;
}

std::string two_digits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

std::string padded(long long n, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, n);
    return buf;
}

// "LABEL ........ value" over the paper width.
std::string label_value(std::string_view label, long long value) {
    std::string v = std::to_string(value);
    std::string line(label);
    const std::size_t room = kPaperWidth > static_cast<int>(line.size() + v.size())
                                 ? kPaperWidth - line.size() - v.size()
                                 : 1;
    line.append(room, ' ');
    return line + v;
}

std::string error_reply(int error, std::string_view code) {
    return "0" + two_digits(error) + std::string(code.substr(0, 2));
}

}  // namespace

PrinterModel::PrinterModel(const Clock& clock, PrinterConfig config)
    : clock_(clock),
      config_(std::move(config)),
      period_open_(config_.sales_period_open),
      z_count_(config_.z_count),
      receipt_count_(config_.receipt_count) {
    period_opened_at_ = printer_time();
}

// ---- Bytes in, bytes out -----------------------------------------------------------

void PrinterModel::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == kFrameStart) {  // a new frame start drops any half frame
            in_frame_ = true;
            pending_frame_.clear();
        } else if (!in_frame_) {
            continue;  // noise between frames
        } else if (c == kFrameEnd) {
            in_frame_ = false;
            execute(pending_frame_);
            pending_frame_.clear();
        } else if (pending_frame_.size() >= kMaxFrameBytes) {
            in_frame_ = false;
            pending_frame_.clear();
        } else {
            pending_frame_.push_back(c);
        }
    }
}

std::string PrinterModel::take_output() {
    std::string out;
    const std::int64_t now = clock_.steady_ms();
    while (!output_.empty() && output_.front().due_ms <= now) {
        out += output_.front().bytes;
        output_.pop_front();
    }
    return out;
}

std::optional<std::int64_t> PrinterModel::next_output_due() const {
    if (output_.empty()) return std::nullopt;
    return output_.front().due_ms;
}

void PrinterModel::disconnect() {
    output_.clear();
    in_frame_ = false;
    pending_frame_.clear();
}

std::string PrinterModel::execute(std::string_view command) {
    const std::string_view code =
        command.size() >= 3 && contains(kThreeDigitCodes, command.substr(0, 3)) ? command.substr(0, 3)
                                                                                : command.substr(0, 2);
    const std::string_view operands = command.substr(code.size());
    frames_.push_back(text::from_latin1(command));

    const bool targeted = knobs_.only_command.empty() || knobs_.only_command == code;
    if (knobs_.silent && targeted) return {};  // switched off: nothing runs, nothing answers

    Outcome outcome;
    if (auto once = knobs_.errors_once.find(std::string(code)); once != knobs_.errors_once.end()) {
        outcome.error = once->second;
        knobs_.errors_once.erase(once);
    } else if (auto forced = knobs_.errors.find(std::string(code)); forced != knobs_.errors.end()) {
        outcome.error = forced->second;
    } else {
        outcome = run(code, operands);
    }

    const bool answers = contains(kAnsweringCodes, code);
    if (!answers) {
        if (outcome.error != 0) remember_error(outcome.error, code);
        return {};
    }
    std::string reply = outcome.error != 0 ? error_reply(outcome.error, code)
                        : outcome.data.empty() ? std::string(kSuccessReply)
                                               : outcome.data;
    reply.push_back(kReplyTerminator);
    replies_.emplace_back(std::string(code), text::from_latin1(reply));
    output_.push_back({shape(code, reply), clock_.steady_ms() + knobs_.late_ms});
    return reply;
}

std::string PrinterModel::shape(std::string_view code, std::string reply) const {
    if (!knobs_.only_command.empty() && knobs_.only_command != code) return reply;
    if (knobs_.garbage) reply = *knobs_.garbage;
    if (knobs_.zero_at) reply.insert(std::min(*knobs_.zero_at, reply.size()), 1, '\0');
    if (knobs_.pad_to && reply.size() < *knobs_.pad_to) {
        // Filler goes before the terminator, after the last ":", so no field changes.
        const std::size_t at = reply.empty() ? 0 : reply.size() - 1;
        reply.insert(at, *knobs_.pad_to - reply.size(), '#');
    }
    if (knobs_.partial) reply.resize(std::min(*knobs_.partial, reply.size()));
    return reply;
}

// ---- The guard and the commands ------------------------------------------------------

int PrinterModel::require_period() const { return period_open_ ? 0 : err::kPeriodClosed; }

int PrinterModel::require_no_document() const {
    return !receipt_.under_way() && block_ == Block::None ? 0 : err::kWrongSequence;
}

void PrinterModel::remember_error(int error, std::string_view code) {
    if (receipt_.under_way()) receipt_fault_ = true;
    if (block_error_ != 0) return;
    block_error_ = error;
    block_error_code_ = std::string(code);
}

PrinterModel::Outcome PrinterModel::run(std::string_view code, std::string_view operands) {
    // Anything but the footer block (or a line feed before it) ends a boleta closed by 98.
    if (footer_due_ && block_ == Block::None && !keeps_footer_due(code)) end_boleta_paper();
    // The paper moves on: the slip before is cut.
    if (slip_cut_due_) cut_slip();
    if (block_ != Block::None && !taken_in_block(code)) return {err::kBlockOpen, {}};
    if (code == cmd::kReadingX) return reading_x();
    if (code == cmd::kReductionZ) return reduction_z();
    if (code == cmd::kRepeat) return {};
    if (code == cmd::kOpenSalesPeriod) return open_period();
    if (code == cmd::kOpenDrawer) {
        print("(gaveta abierta)");
        return {};
    }
    if (code == cmd::kPrinterState) return printer_state();
    if (code == cmd::kPaymentForms) return {0, payment_form_list()};
    if (code == cmd::kReadCounters) return {0, counters()};
    if (code == cmd::kOpenFiscalReceipt) return open_receipt();
    if (code == cmd::kOpenBoleta) return open_boleta();
    if (code == cmd::kRegisterItem) return register_item(operands);
    if (code == cmd::kTotalReceipt) return total_receipt(operands);
    if (code == cmd::kRegisterPayment) return register_payment(operands);
    if (code == cmd::kEndPayments) return end_payments(operands);
    if (code == cmd::kCutPaper || code == cmd::kCloseType30) return close_receipt(code);
    if (code == cmd::kBeginComment) return begin_comment();
    if (code == cmd::kEndComment) return end_comment();
    if (code == cmd::kLineFeed) return line_feed();
    if (code.size() == 3 && code.substr(0, 2) == "11") return comment_line(code[2] - '0', operands);
    return {err::kBadCommand, {}};
}

PrinterModel::Outcome PrinterModel::reading_x() {
    if (int e = require_period()) return {e, {}};
    if (int e = require_no_document()) return {e, {}};
    print("LECTURA X");
    print(date_text());
    print_totals();
    return {};
}

PrinterModel::Outcome PrinterModel::reduction_z() {
    if (config_.training) return {err::kTrainingMode, {}};
    if (int e = require_period()) return {e, {}};
    if (int e = require_no_document()) return {e, {}};
    ++z_count_;
    print("REDUCCION Z NRO " + padded(z_count_, 4));
    print(date_text());
    print_totals();
    first_receipt_ = 0;
    gross_ = 0;
    form_totals_.fill(0);
    period_open_ = false;
    overdue_override_.reset();
    return {};
}

PrinterModel::Outcome PrinterModel::open_period() {
    if (period_open_) return {err::kInSalesPeriod, {}};
    set_sales_period_open(true);
    print("APERTURA PERIODO DE VENTAS");
    print(date_text());
    return {};
}

void PrinterModel::set_sales_period_open(bool open) {
    if (open && !period_open_) period_opened_at_ = printer_time();
    period_open_ = open;
}

PrinterModel::Outcome PrinterModel::printer_state() {
    if (int e = require_period()) return {e, {}};
    return {0, "00"};
}

PrinterModel::Outcome PrinterModel::open_receipt() {
    if (int e = require_period()) return {e, {}};
    if (int e = require_no_document()) return {e, {}};
    const std::string overdue = overdue_indicator();
    if (all_digits(overdue) && to_number(overdue) >= kZOverdueDays) return {err::kZRequired, {}};
    receipt_.open();
    // The receipt's verdict is its own: what stray commands left is forgotten.
    block_error_ = 0;
    block_error_code_.clear();
    receipt_fault_ = false;
    end_allowed_ = false;
    return {};
}

PrinterModel::Outcome PrinterModel::open_boleta() {
    if (int e = require_period()) return {e, {}};
    if (int e = receipt_.open_boleta()) return {e, {}};
    open_receipt_number_ = receipt_count_ + 1;
    for (const auto& line : config_.header) print(line);
    print("BOLETA NRO " + padded(open_receipt_number_, kReceiptNumberWidth));
    print(date_text());
    return {};
}

PrinterModel::Outcome PrinterModel::register_item(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (int e = receipt_.add_item(op)) return {e, {}};
    const ReceiptItem& item = receipt_.items().back();
    char qty_text[64];
    std::snprintf(qty_text, sizeof qty_text, "  %lld.%03lld x %lld", item.quantity_milli / 1000,
                  item.quantity_milli % 1000, item.unit_price);
    print(item.description);
    print(label_value(qty_text, item.line_total));
    return {};
}

PrinterModel::Outcome PrinterModel::total_receipt(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (int e = receipt_.total(op)) return {e, {}};
    print(label_value("TOTAL", receipt_.total_amount()));
    return {};
}

PrinterModel::Outcome PrinterModel::register_payment(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (int e = receipt_.pay(op, static_cast<int>(config_.payment_forms.size()))) return {e, {}};
    print(label_value(config_.payment_forms[receipt_.last_form() - 1], receipt_.last_amount()));
    return {};
}

PrinterModel::Outcome PrinterModel::end_payments(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (int e = receipt_.end_payments(op)) return {e, {}};
    if (receipt_.change() > 0) print(label_value("Vuelto", receipt_.change()));
    return {};
}

// 98 cuts the paper and 99 ends the receipt on type 30; either closes a paid
// receipt. A cut with no receipt under way is a plain cut; 99 is taken with
// none only right after a receipt closed by its comment block. A close in
// the middle of a receipt or of a block is out of sequence.
PrinterModel::Outcome PrinterModel::close_receipt(std::string_view code) {
    if (int e = require_period()) return {e, {}};
    const bool cut = code == cmd::kCutPaper;
    if (receipt_.phase() == ReceiptPhase::PaidOut) {
        settle_receipt();
        if (cut) {
            footer_due_ = true;
        } else {
            end_allowed_ = false;
            print(number_line_);
            print(std::string(kCutLine));
        }
        return {};
    }
    if (receipt_.under_way()) return {err::kWrongSequence, {}};
    if (!cut) {
        if (!end_allowed_) return {err::kWrongSequence, {}};
        end_allowed_ = false;
    }
    print(std::string(kCutLine));
    return {};
}

// The receipt is over: counted when it is paid out and met no error,
// voided otherwise. Its number line waits for the end of its paper.
void PrinterModel::settle_receipt() {
    const bool good = !receipt_fault_ && receipt_.phase() == ReceiptPhase::PaidOut;
    if (good) {
        receipt_count_ = open_receipt_number_;
        if (first_receipt_ == 0) first_receipt_ = receipt_count_;
        gross_ += receipt_.total_amount();
        // The totals by form count what stayed in the drawer: the change goes
        // back out of the cash form when the receipt took cash, else out of
        // the last form paid.
        const auto& paid = receipt_.payments();
        const int change_form = paid.contains(kCashForm) ? kCashForm : receipt_.last_form();
        for (const auto& [form, amount] : paid)
            if (form <= kReportedForms)
                form_totals_[form - 1] += amount - (form == change_form ? receipt_.change() : 0);
        number_line_ = "FIN BOLETA NRO " + padded(receipt_count_, kReceiptNumberWidth);
    } else {
        number_line_ = "BOLETA NRO " + padded(open_receipt_number_, kReceiptNumberWidth) + " " + std::string(kVoidMark);
    }
    receipt_.finish();
    end_allowed_ = true;
}

// The paper of a boleta closed by 98 ends: its number line, then the cut.
void PrinterModel::end_boleta_paper() {
    footer_due_ = false;
    print(number_line_);
    print(std::string(kCutLine));
}

// A non-fiscal slip leaves the printer.
void PrinterModel::cut_slip() {
    slip_cut_due_ = false;
    print(std::string(kCutLine));
}

// A block begun inside a receipt is its closing block: the 61 that ends it
// closes the receipt. One begun before the payments were ended is out of
// order; it still runs, and the receipt is voided at its end. (A 60 inside
// an open block never gets here: the open block refuses it.)
PrinterModel::Outcome PrinterModel::begin_comment() {
    if (int e = require_period()) return {e, {}};
    if (receipt_.under_way()) {
        block_ = Block::Closing;
        if (receipt_.phase() != ReceiptPhase::PaidOut)
            remember_error(err::kWrongSequence, cmd::kBeginComment);
    } else if (footer_due_) {
        block_ = Block::Footer;
    } else {
        block_ = Block::Document;
        slip_printed_ = false;
    }
    return {};
}

PrinterModel::Outcome PrinterModel::end_comment() {
    const Block ended = block_;
    block_ = Block::None;
    if (ended == Block::Closing) {
        settle_receipt();
        print(number_line_);
    } else if (ended == Block::Footer) {
        end_boleta_paper();
    } else if (ended == Block::Document) {
        slip_cut_due_ = slip_printed_;
    }
    // The one reply of a block: the first error met since the last such reply.
    if (block_error_ != 0) {
        const std::string reply = error_reply(block_error_, block_error_code_);
        block_error_ = 0;
        return {0, reply};
    }
    if (ended == Block::None) return {err::kWrongSequence, {}};
    return {0, std::string(kSuccessReply)};
}

PrinterModel::Outcome PrinterModel::comment_line(int style, std::string_view text) {
    if (int e = require_period()) return {e, {}};
    if (style < 1 || style > 6) return {err::kBadCommand, {}};
    if (block_ == Block::None) return {err::kWrongSequence, {}};
    print(text::from_latin1(text), style);
    return {};
}

PrinterModel::Outcome PrinterModel::line_feed() {
    if (int e = require_period()) return {e, {}};
    print("");
    return {};
}

// ---- Readings ----------------------------------------------------------------

std::string PrinterModel::counters() const {
    std::vector<std::string> f(kCounterFields, "0");
    f[0] = knobs_.z_number_width ? padded(z_count_, *knobs_.z_number_width) : std::to_string(z_count_);
    f[1] = std::to_string(first_receipt_);
    f[2] = std::to_string(receipt_count_);
    f[3] = std::to_string(gross_);
    for (int k = 0; k < kReportedForms; ++k) f[4 + k] = std::to_string(form_totals_[k]);
    f[30] = config_.ecf_number;
    f[42] = "SN" + two_digits(config_.type) + config_.serial;  // 4-character model tag, then the serial
    int y, mo, d, h, mi, s, ms;
    DecodeDate(printer_time(), y, mo, d);
    DecodeTime(printer_time(), h, mi, s, ms);
    f[44] = two_digits(d) + two_digits(mo) + padded(y, 4);
    f[45] = two_digits(h) + two_digits(mi);
    f[48] = overdue_indicator();
    std::string out;
    for (const auto& field : f) out += text::to_latin1(field) + ":";
    return out;
}

// The header, three lines per payment form (number and name, amount, voids),
// and the closing dash line: from column 1 on type 16, column 2 on 30. The
// list must not begin with "0": the driver would take it for an error reply.
std::string PrinterModel::payment_form_list() const {
    const char eol = config_.type == 30 ? '\n' : '\r';
    std::string out;
    auto line = [&](const std::string& l) { out += text::to_latin1(l) + eol; };
    line("TOTALES POR FORMA DE PAGO");
    for (std::size_t i = 0; i < config_.payment_forms.size(); ++i) {
        const long long total = i < kReportedForms ? form_totals_[i] : 0;
        line(two_digits(static_cast<int>(i + 1)) + " " + config_.payment_forms[i]);
        line(label_value("   MONTO", total));
        line(label_value("   ANULACIONES", 0));
    }
    line((config_.type == 30 ? " " : "") + std::string(kPaperWidth - 1, '-'));
    return out;
}

std::string PrinterModel::overdue_indicator() const {
    if (overdue_override_) return *overdue_override_;
    if (!period_open_) return "0";
    const long long days = static_cast<long long>(std::floor(printer_time())) -
                           static_cast<long long>(std::floor(period_opened_at_));
    return std::to_string(std::max(0LL, days));
}

long long PrinterModel::form_total(int form) const {
    return form >= 1 && form <= kReportedForms ? form_totals_[form - 1] : 0;
}

TDateTime PrinterModel::printer_time() const { return clock_.now() + clock_offset_days_; }

void PrinterModel::set_printer_time(TDateTime t) {
    // The period keeps its opening date, so moving the clock on ages an open period.
    clock_offset_days_ = t - clock_.now();
}

// ---- Paper ----------------------------------------------------------------

void PrinterModel::print(std::string text, int style) {
    if (block_ == Block::Document) slip_printed_ = true;
    paper_.push_back({style, std::move(text)});
}

void PrinterModel::print_totals() {
    print(label_value("PRIMERA BOLETA", first_receipt_));
    print(label_value("ULTIMA BOLETA", receipt_count_));
    print(label_value("VENTA BRUTA", gross_));
    for (int k = 0; k < kReportedForms && k < static_cast<int>(config_.payment_forms.size()); ++k)
        print(label_value(config_.payment_forms[k], form_totals_[k]));
}

std::string PrinterModel::date_text() const {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(printer_time(), y, mo, d);
    DecodeTime(printer_time(), h, mi, s, ms);
    return two_digits(d) + "/" + two_digits(mo) + "/" + padded(y, 4) + " " + two_digits(h) + ":" + two_digits(mi);
}

std::string PrinterModel::paper_text() const {
    std::string out;
    for (const auto& l : paper_) {
        if (l.style != 0) out += "[" + std::to_string(l.style) + "] ";
        out += l.text + "\n";
    }
    return out;
}

}  // namespace dru::sim
