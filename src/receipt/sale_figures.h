// The figures of a sale that ImpressaoVenda works out from the host's tables
// before and while it prints: payment sums, the voucher scan, the exempt
// items, and the check of every figure bound for a fixed-width field.
#pragma once
#include <string>

#include "host/dataset.h"
#include "host/format.h"
#include "receipt/payment_classes.h"

namespace dru {

// The filters the sale sets on the host's tables (exact texts).
inline constexpr std::string_view kTaxableItems = "IDTPIMPOSFIS <> 'I'";
inline constexpr std::string_view kExemptItems = "IDTPIMPOSFIS = 'I'";
inline constexpr std::string_view kItemsNotOfKindT = "IDTPIMPOSFIS <> 'T'";
inline constexpr std::string_view kPaymentMovements = "IDTIPOMOVIVE = 'E'OR IDTIPOMOVIVE = 'T'";


// The voucher scan: from the first movement until one of a voucher class
// whose type is among the payment types; `doValorCons` sums the
// balance-class movements before it.
struct VoucherScan {
    bool boPagtoVale = false;
    double doValorCons = 0;
};
VoucherScan ScanForVoucher(TClientDataSet& cdsMovi, TClientDataSet& cdsRecebimento);

// Payment received ("E", and "T" in an ordinary sale) and change ("S").
struct PaymentSums {
    double doTotalPago = 0;
    double doTotalTroco = 0;
    double doMontoTic = 0;  // voucher sale: received in voucher classes
    double doMontoDin = 0;  // voucher sale: received in every other class
};
PaymentSums OrdinaryPayments(TClientDataSet& cdsMovi);
PaymentSums VoucherPayments(TClientDataSet& cdsMovi);

// The exempt items, through the exempt filter, which is left switched off.
struct ExemptTotals {
    double doAcrescimo = 0;
    double doDesconto = 0;
    double doTotIsento = 0;
    std::string stTotIsento;  // "#,##0"
};
ExemptTotals SumExemptItems(TClientDataSet& cdsVendas, const FormatSettings& fs);

// Refuse, before anything is sent, a figure that would not fit its field:
// the taxable items and the total of an ordinary receipt with its payments,
// or the credit note's amount and its payments. Each walk looks at every
// row, whatever the host's filter, and leaves the filter and the cursor as
// they were (also when it refuses a figure).
// Whether a row passes the taxable filter, whatever the host's filter.
bool HasTaxableItem(TClientDataSet& cdsVendas);
// Whether a row passes "IDTPIMPOSFIS <> 'T'", which refuses a voucher sale.
bool HasItemNotOfKindT(TClientDataSet& cdsVendas);
void CheckOrdinarySale(TClientDataSet& cdsVendas, TClientDataSet& cdsMovi, const FormatSettings& fs);
// Every amount and quantity of the sale's rows that the tables hold
// (quantity, price, discount, surcharge and service of each item, amount of
// each movement) must be a finite number, also where no fixed field takes
// it: otherwise EBadArgument naming the row and the field. Each table is
// walked whatever the host's filter; its filter and cursor are put back.
void CheckFiniteFigures(TClientDataSet& cdsVendas, TClientDataSet& cdsMovi);
void CheckCreditNote(double amount, TClientDataSet& cdsMovi, const FormatSettings& fs);

}  // namespace dru
