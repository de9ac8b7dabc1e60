// One fiscal receipt (boleta) as the printer keeps it: the operands of the
// commands that build it (13 items, 20 total, 26 payments, 27 end of
// payments), the checks the printer makes on them and the running sums.
//
// Each command returns the printer's error number (0: taken); a refused
// command changes nothing, so the receipt goes on as if it had not come.
// The fiscal state around the receipt (sales period, counters, the paper)
// is the printer model's.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dru::sim {

enum class ReceiptPhase { None, Opened, Items, Totaled, Paying, PaidOut };

struct ReceiptItem {
    std::string sub_code;  // "112" sale, "111" difference line
    std::string product;   // 13 characters
    long long quantity_milli = 0;
    long long unit_price = 0;
    long long line_total = 0;
    std::string description;  // UTF-8
};

class FiscalReceipt {
  public:
    ReceiptPhase phase() const { return phase_; }
    bool under_way() const { return phase_ != ReceiptPhase::None; }

    // 000: a new, empty receipt (what the last one held is dropped).
    int open();
    // 12: the boleta at the cash register; items may follow.
    int open_boleta();
    // 13 with its fixed positions: sub-code 3, product code 13, quantity in
    // thousandths 9, unit price 9, item total 9, then the name (Latin-1).
    int add_item(std::string_view operands);
    // 20: with no operand the printer totals the items itself; a 10-digit
    // amount must agree with the items.
    int total(std::string_view operands);
    // 26: "11", the 2-digit payment code (1 = "01" ... up to `known_forms`),
    // the 10-digit amount.
    int pay(std::string_view operands, int known_forms);
    // 27 with its fixed operand: the payments must reach the total.
    int end_payments(std::string_view operands);
    // The receipt is over (closed or voided); its content stays readable
    // until the next 000.
    void finish() { phase_ = ReceiptPhase::None; }

    const std::vector<ReceiptItem>& items() const { return items_; }
    long long total_amount() const { return total_; }
    // Payments by form number (1 = "01"); several payments of a form add up.
    const std::map<int, long long>& payments() const { return payments_; }
    long long paid() const;
    // What the customer gets back: the payments above the total.
    long long change() const;
    // The payment of the last accepted 26: form and amount.
    int last_form() const { return last_form_; }
    long long last_amount() const { return last_amount_; }

  private:
    long long items_sum() const;

    ReceiptPhase phase_ = ReceiptPhase::None;
    std::vector<ReceiptItem> items_;
    long long total_ = 0;
    std::map<int, long long> payments_;
    int last_form_ = 0;
    long long last_amount_ = 0;
};

}  // namespace dru::sim
