#include "printer_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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
// Command 13 operand widths: sub-code, product code, quantity, unit price, line total.
constexpr std::size_t kItemSub = 3, kItemProduct = 13, kItemNumber = 9;
constexpr std::size_t kAmountDigits = 10;  // commands 20 and 26
constexpr std::size_t kPaymentCodeDigits = 2;

bool contains(auto const& list, std::string_view code) {
    return std::find(list.begin(), list.end(), code) != list.end();
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long long to_number(std::string_view digits) {
    long long v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
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
        if (outcome.error != 0 && block_error_ == 0) {
            block_error_ = outcome.error;
            block_error_code_ = std::string(code);
        }
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
    return phase_ == ReceiptPhase::None && !comment_open_ ? 0 : err::kWrongSequence;
}

PrinterModel::Outcome PrinterModel::run(std::string_view code, std::string_view operands) {
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
    if (code == cmd::kEndPayments) return end_payments();
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
    phase_ = ReceiptPhase::Opened;
    items_.clear();
    payments_.clear();
    receipt_total_ = 0;
    return {};
}

PrinterModel::Outcome PrinterModel::open_boleta() {
    if (int e = require_period()) return {e, {}};
    if (phase_ != ReceiptPhase::Opened) return {err::kWrongSequence, {}};
    phase_ = ReceiptPhase::Items;
    open_receipt_number_ = receipt_count_ + 1;
    print("BOLETA NRO " + padded(open_receipt_number_, 10));
    print(date_text());
    return {};
}

PrinterModel::Outcome PrinterModel::register_item(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (phase_ != ReceiptPhase::Items) return {err::kWrongSequence, {}};
    const std::size_t numbers_at = kItemSub + kItemProduct;
    if (op.size() < numbers_at + 3 * kItemNumber) return {err::kBadCommand, {}};
    const std::string_view qty = op.substr(numbers_at, kItemNumber);
    const std::string_view price = op.substr(numbers_at + kItemNumber, kItemNumber);
    const std::string_view total = op.substr(numbers_at + 2 * kItemNumber, kItemNumber);
    if (!all_digits(op.substr(0, kItemSub)) || !all_digits(qty) || !all_digits(price) || !all_digits(total))
        return {err::kBadCommand, {}};
    ReceiptItem item{std::string(op.substr(0, kItemSub)), std::string(op.substr(kItemSub, kItemProduct)),
                     to_number(qty), to_number(price), to_number(total),
                     text::from_latin1(op.substr(numbers_at + 3 * kItemNumber))};
    char qty_text[32];
    std::snprintf(qty_text, sizeof qty_text, "%lld.%03lld x %lld", item.quantity_milli / 1000,
                  item.quantity_milli % 1000, item.unit_price);
    print(item.description);
    print(label_value(std::string("  ") + qty_text, item.line_total));
    items_.push_back(std::move(item));
    return {};
}

PrinterModel::Outcome PrinterModel::total_receipt(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (phase_ != ReceiptPhase::Items) return {err::kWrongSequence, {}};
    if (op.size() != kAmountDigits || !all_digits(op)) return {err::kBadCommand, {}};
    receipt_total_ = to_number(op);
    phase_ = ReceiptPhase::Totaled;
    print(label_value("TOTAL", receipt_total_));
    return {};
}

PrinterModel::Outcome PrinterModel::register_payment(std::string_view op) {
    if (int e = require_period()) return {e, {}};
    if (phase_ != ReceiptPhase::Totaled && phase_ != ReceiptPhase::Paying) return {err::kWrongSequence, {}};
    const std::size_t prefix = cmd::kPaymentPrefix.size();
    if (op.size() != prefix + kPaymentCodeDigits + kAmountDigits || op.substr(0, prefix) != cmd::kPaymentPrefix)
        return {err::kBadCommand, {}};
    const std::string_view form_code = op.substr(prefix, kPaymentCodeDigits);
    const std::string_view amount = op.substr(prefix + kPaymentCodeDigits);
    if (!all_digits(form_code) || !all_digits(amount)) return {err::kBadCommand, {}};
    const int form = static_cast<int>(to_number(form_code));
    if (form < 1 || form > static_cast<int>(config_.payment_forms.size())) return {err::kBadCommand, {}};
    payments_[form] += to_number(amount);
    phase_ = ReceiptPhase::Paying;
    print(label_value(config_.payment_forms[form - 1], to_number(amount)));
    return {};
}

PrinterModel::Outcome PrinterModel::end_payments() {
    if (int e = require_period()) return {e, {}};
    if (phase_ != ReceiptPhase::Totaled && phase_ != ReceiptPhase::Paying) return {err::kWrongSequence, {}};
    long long paid = 0;
    for (const auto& [form, amount] : payments_) paid += amount;
    if (paid > receipt_total_) print(label_value("VUELTO", paid - receipt_total_));
    phase_ = ReceiptPhase::PaidOut;
    return {};
}

// 98 cuts the paper and 99 ends the receipt on type 30; either closes a paid
// receipt. A cut with no receipt under way is a plain cut; a close in the
// middle of a receipt, or 99 with none, is out of sequence.
PrinterModel::Outcome PrinterModel::close_receipt(std::string_view code) {
    if (int e = require_period()) return {e, {}};
    const bool cut = code == cmd::kCutPaper;
    if (phase_ == ReceiptPhase::None && !comment_open_ && cut) {
        print("-------- corte --------");
        return {};
    }
    if (phase_ != ReceiptPhase::PaidOut || comment_open_) return {err::kWrongSequence, {}};
    receipt_count_ = open_receipt_number_;
    if (first_receipt_ == 0) first_receipt_ = receipt_count_;
    gross_ += receipt_total_;
    for (const auto& [form, amount] : payments_)
        if (form <= kReportedForms) form_totals_[form - 1] += amount;
    phase_ = ReceiptPhase::None;
    print("FIN BOLETA NRO " + padded(receipt_count_, 10));
    if (cut) print("-------- corte --------");
    return {};
}

PrinterModel::Outcome PrinterModel::begin_comment() {
    if (int e = require_period()) return {e, {}};
    const bool receipt_ready = phase_ == ReceiptPhase::None || phase_ == ReceiptPhase::PaidOut;
    if (comment_open_ || !receipt_ready) return {err::kWrongSequence, {}};
    comment_open_ = true;
    return {};
}

PrinterModel::Outcome PrinterModel::end_comment() {
    // The one reply of a block: the first error met since the last such reply.
    if (block_error_ != 0) {
        const std::string reply = error_reply(block_error_, block_error_code_);
        block_error_ = 0;
        comment_open_ = false;
        return {0, reply};
    }
    if (!comment_open_) return {err::kWrongSequence, {}};
    comment_open_ = false;
    return {0, std::string(kSuccessReply)};
}

PrinterModel::Outcome PrinterModel::comment_line(int style, std::string_view text) {
    if (int e = require_period()) return {e, {}};
    if (style < 1 || style > 6) return {err::kBadCommand, {}};
    if (!comment_open_) return {err::kWrongSequence, {}};
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

void PrinterModel::print(std::string text, int style) { paper_.push_back({style, std::move(text)}); }

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
