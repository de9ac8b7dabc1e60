#include "fiscal_receipt.h"

#include <cstdlib>

#include "digits.h"
#include "host/text.h"
#include "link/commands.h"
#include "printer_errors.h"

namespace dru::sim {

namespace {

// Command 13 operand widths: sub-code, product code, quantity, unit price, item total.
constexpr std::size_t kItemSub = 3, kItemProduct = 13, kItemNumber = 9;
constexpr std::size_t kAmountDigits = 10;  // commands 20 and 26
constexpr std::size_t kPaymentCodeDigits = 2;
// Quantities come in thousandths.
constexpr long long kMilli = 1000;
// The driver rounds the item total (price × quantity, cut to two decimals)
// to whole units: an item total may be off the exact product by this much.
constexpr long long kItemTolerance = 1;

// |price × quantity − total| within the tolerance, in thousandths so that
// nothing is rounded here (9 + 9 digits fit a long long).
bool item_total_agrees(const ReceiptItem& item) {
    const long long exact_milli = item.unit_price * item.quantity_milli;
    return std::llabs(exact_milli - item.line_total * kMilli) <= kItemTolerance * kMilli;
}

}  // namespace

int FiscalReceipt::open() {
    if (under_way()) return err::kWrongSequence;
    *this = FiscalReceipt{};
    phase_ = ReceiptPhase::Opened;
    return 0;
}

int FiscalReceipt::open_boleta() {
    if (phase_ != ReceiptPhase::Opened) return err::kWrongSequence;
    phase_ = ReceiptPhase::Items;
    return 0;
}

int FiscalReceipt::add_item(std::string_view op) {
    if (phase_ != ReceiptPhase::Items) return err::kWrongSequence;
    const std::size_t numbers_at = kItemSub + kItemProduct;
    if (op.size() < numbers_at + 3 * kItemNumber) return err::kBadCommand;
    const std::string_view sub = op.substr(0, kItemSub);
    const std::string_view qty = op.substr(numbers_at, kItemNumber);
    const std::string_view price = op.substr(numbers_at + kItemNumber, kItemNumber);
    const std::string_view total = op.substr(numbers_at + 2 * kItemNumber, kItemNumber);
    if (!all_digits(sub) || !all_digits(qty) || !all_digits(price) || !all_digits(total))
        return err::kBadCommand;
    ReceiptItem item{std::string(sub), std::string(op.substr(kItemSub, kItemProduct)),
                     to_number(qty),   to_number(price),
                     to_number(total), text::from_latin1(op.substr(numbers_at + 3 * kItemNumber))};
    if (!item_total_agrees(item)) return err::kAmountMismatch;
    items_.push_back(std::move(item));
    return 0;
}

// Each item total was rounded to whole units on its own and the total once
// more, so the total may be off the sum of the item totals by half a unit
// per item and half a unit of its own: 2 × |difference| <= items + 1.
int FiscalReceipt::total(std::string_view op) {
    if (phase_ != ReceiptPhase::Items) return err::kWrongSequence;
    const long long sum = items_sum();
    long long amount = sum;
    if (!op.empty()) {
        if (op.size() != kAmountDigits || !all_digits(op)) return err::kBadCommand;
        amount = to_number(op);
        if (2 * std::llabs(amount - sum) > static_cast<long long>(items_.size()) + 1)
            return err::kAmountMismatch;
    }
    total_ = amount;
    phase_ = ReceiptPhase::Totaled;
    return 0;
}

int FiscalReceipt::pay(std::string_view op, int known_forms) {
    if (phase_ != ReceiptPhase::Totaled && phase_ != ReceiptPhase::Paying)
        return err::kWrongSequence;
    const std::size_t prefix = cmd::kPaymentPrefix.size();
    if (op.size() != prefix + kPaymentCodeDigits + kAmountDigits ||
        op.substr(0, prefix) != cmd::kPaymentPrefix)
        return err::kBadCommand;
    const std::string_view form_code = op.substr(prefix, kPaymentCodeDigits);
    const std::string_view amount = op.substr(prefix + kPaymentCodeDigits);
    if (!all_digits(form_code) || !all_digits(amount)) return err::kBadCommand;
    const int form = static_cast<int>(to_number(form_code));
    if (form < 1 || form > known_forms) return err::kUnknownPaymentForm;
    last_form_ = form;
    last_amount_ = to_number(amount);
    payments_[form] += last_amount_;
    phase_ = ReceiptPhase::Paying;
    return 0;
}

int FiscalReceipt::end_payments(std::string_view op) {
    if (phase_ != ReceiptPhase::Totaled && phase_ != ReceiptPhase::Paying)
        return err::kWrongSequence;
    if (op != cmd::kEndPaymentsOperand) return err::kBadCommand;
    if (paid() < total_) return err::kPaymentsShort;
    phase_ = ReceiptPhase::PaidOut;
    return 0;
}

long long FiscalReceipt::paid() const {
    long long sum = 0;
    for (const auto& [form, amount] : payments_) sum += amount;
    return sum;
}

long long FiscalReceipt::change() const {
    return paid() > total_ ? paid() - total_ : 0;
}

long long FiscalReceipt::items_sum() const {
    long long sum = 0;
    for (const auto& item : items_) sum += item.line_total;
    return sum;
}

}  // namespace dru::sim
