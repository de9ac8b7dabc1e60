#include "receipt/sale_figures.h"

#include <functional>
#include <initializer_list>

#include "host/routines.h"
#include "link/frames.h"
#include "print/printed_figures.h"

namespace dru {

namespace {

constexpr std::size_t kAmountWidth = 10;
constexpr std::size_t kItemFieldWidth = 9;
// The payment command takes the printer's payment code in two characters.
constexpr std::size_t kPaymentCodeWidth = 2;
constexpr std::string_view kCall = "ImpressaoVenda";
constexpr std::string_view kReceived = "E";
constexpr std::string_view kChange = "S";
constexpr std::string_view kDebit = "T";
constexpr std::string_view kExemptKind = "I";
constexpr std::string_view kVoucherItemKind = "T";  // the only item kind a voucher may pay for

std::string Text(TClientDataSet& ds, std::string_view field) { return ds.FieldByName(field).AsString(); }
double Number(TClientDataSet& ds, std::string_view field) { return ds.FieldByName(field).AsFloat(); }

// Where a table's view and cursor stand, so that a walk made before the sale
// prints leaves the table as the host handed it in: what the sale then reads
// from "the current row" (the debit receipt's operator) is the host's row.
class TablePlace {
public:
    explicit TablePlace(TClientDataSet& ds)
        : ds_(ds), filter_(ds.Filter()), on_(ds.Filtered()), recNo_(ds.RecNo()), eof_(ds.Eof()) {}

    void restore() {
        SetTableFilter(ds_, filter_, on_);
        ds_.First();
        for (int n = 1; n < recNo_; ++n) ds_.Next();
        if (eof_ && !ds_.Eof()) ds_.Next();  // Eof stands on the last row
    }

private:
    TClientDataSet& ds_;
    const std::string filter_;
    const bool on_;
    const int recNo_;
    const bool eof_;
};

// Every row, the host's filter switched off for the walk; the filter and the
// cursor are put back after, also when a figure is refused.
void EachRow(TClientDataSet& ds, const std::function<void()>& body) {
    TablePlace place(ds);
    ds.SetFiltered(false);
    try {
        for (ds.First(); !ds.Eof(); ds.Next()) body();
    } catch (...) {
        place.restore();
        throw;
    }
    place.restore();
}

// As a filter "IDTPIMPOSFIS <> '<kind>'" sees a row: a null kind fails it too.
bool IsItemNotOfKind(TClientDataSet& cdsVendas, std::string_view kind) {
    const TField& field = cdsVendas.FieldByName("IDTPIMPOSFIS");
    return !field.IsNull() && field.AsString() != kind;
}

bool IsTaxableRow(TClientDataSet& cdsVendas) { return IsItemNotOfKind(cdsVendas, kExemptKind); }

bool HasItemNotOfKind(TClientDataSet& cdsVendas, std::string_view kind) {
    bool found = false;
    EachRow(cdsVendas, [&] { found = found || IsItemNotOfKind(cdsVendas, kind); });
    return found;
}

}  // namespace

bool HasTaxableItem(TClientDataSet& cdsVendas) { return HasItemNotOfKind(cdsVendas, kExemptKind); }

bool HasItemNotOfKindT(TClientDataSet& cdsVendas) { return HasItemNotOfKind(cdsVendas, kVoucherItemKind); }

VoucherScan ScanForVoucher(TClientDataSet& cdsMovi, TClientDataSet& cdsRecebimento) {
    VoucherScan scan;
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next()) {
        const std::string idTipoRece = Text(cdsMovi, "IDTIPORECE");
        if (IsVoucherClass(idTipoRece) && cdsRecebimento.Locate("CDTIPORECE", {Text(cdsMovi, "CDTIPORECE")})) {
            scan.boPagtoVale = true;
            return scan;
        }
        if (IsBalanceClass(idTipoRece)) scan.doValorCons += Number(cdsMovi, "VRMOVIVEND");
    }
    return scan;
}

PaymentSums OrdinaryPayments(TClientDataSet& cdsMovi) {
    PaymentSums s;
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next()) {
        const std::string type = Text(cdsMovi, "IDTIPOMOVIVE");
        if (type == kChange) s.doTotalTroco += Number(cdsMovi, "VRMOVIVEND");
        if (type == kReceived || type == kDebit) s.doTotalPago += Number(cdsMovi, "VRMOVIVEND");
    }
    return s;
}

PaymentSums VoucherPayments(TClientDataSet& cdsMovi) {
    PaymentSums s;
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next()) {
        const std::string type = Text(cdsMovi, "IDTIPOMOVIVE");
        if (type == kChange) s.doTotalTroco += Number(cdsMovi, "VRMOVIVEND");
        if (type != kReceived) continue;
        const double amount = Number(cdsMovi, "VRMOVIVEND");
        s.doTotalPago += amount;
        (IsVoucherClass(Text(cdsMovi, "IDTIPORECE")) ? s.doMontoTic : s.doMontoDin) += amount;
    }
    return s;
}

ExemptTotals SumExemptItems(TClientDataSet& cdsVendas, const FormatSettings& fs) {
    ExemptTotals t;
    SetTableFilter(cdsVendas, kExemptItems);
    for (cdsVendas.First(); !cdsVendas.Eof(); cdsVendas.Next()) {
        const double acrescimo = Number(cdsVendas, "VRACRCOMANDA");
        const double desconto = Number(cdsVendas, "VRDESCCOMVEN");
        t.doAcrescimo += acrescimo;
        t.doDesconto += desconto;
        t.doTotIsento += (Number(cdsVendas, "VRPRECCOMVEN") + acrescimo - desconto) * Number(cdsVendas, "QTPRODCOMVEN");
    }
    t.stTotIsento = FormatFloat("#,##0", t.doTotIsento, fs);
    cdsVendas.SetFiltered(false);
    return t;
}

void CheckFiniteFigures(TClientDataSet& cdsVendas, TClientDataSet& cdsMovi) {
    const auto check = [](TClientDataSet& ds, std::initializer_list<std::string_view> fields) {
        EachRow(ds, [&] {
            for (std::string_view field : fields)
                if (ds.HasField(field)) FiniteAmount(kCall, RowField(ds.RecNo(), field), Number(ds, field));
        });
    };
    check(cdsVendas, {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "VRACRCOMANDA", "VRTXSERVICO"});
    check(cdsMovi, {"VRMOVIVEND"});
}

void CheckOrdinarySale(TClientDataSet& cdsVendas, TClientDataSet& cdsMovi, const FormatSettings& fs) {
    double total = 0;
    bool taxable = false;
    EachRow(cdsVendas, [&] {
        if (!IsTaxableRow(cdsVendas)) return;
        taxable = true;
        const int row = cdsVendas.RecNo();
        const double qty = Number(cdsVendas, "QTPRODCOMVEN");
        const double price = Number(cdsVendas, "VRPRECCOMVEN") - Number(cdsVendas, "VRDESCCOMVEN");
        const double item = Trunc2(price * qty);
        CheckedOperand(kCall, row, "QTPRODCOMVEN", qty, Quantity9(qty, fs), kItemFieldWidth);
        CheckedOperand(kCall, row, "VRPRECCOMVEN", price, Amount9(price, fs), kItemFieldWidth);
        CheckedOperand(kCall, row, "item total", item, Amount9(item, fs), kItemFieldWidth);
        total += item;
    });
    if (!taxable) return;  // no fiscal receipt: no total and no payment frames are sent
    CheckedOperand(kCall, 0, "receipt total", total, Amount10(total, fs), kAmountWidth);
    EachRow(cdsMovi, [&] {
        const std::string type = Text(cdsMovi, "IDTIPOMOVIVE");
        if (type != kReceived && type != kDebit) return;
        const double amount = Number(cdsMovi, "VRMOVIVEND");
        CheckedOperand(kCall, cdsMovi.RecNo(), "VRMOVIVEND", amount, Amount10(amount, fs), kAmountWidth);
        CheckedCode(kCall, cdsMovi.RecNo(), "CDFPIMPFIS", Text(cdsMovi, "CDFPIMPFIS"), kPaymentCodeWidth);
    });
}

void CheckCreditNote(double amount, TClientDataSet& cdsMovi, const FormatSettings& fs) {
    // The amount goes into the difference item's 9-digit fields as well as the total's 10.
    CheckedOperand(kCall, 0, "credit note amount", amount, Amount9(amount, fs), kItemFieldWidth);
    // The credit note pays every row that is neither change nor a voucher.
    EachRow(cdsMovi, [&] {
        if (Text(cdsMovi, "IDTIPOMOVIVE") == kChange || IsVoucherClass(Text(cdsMovi, "IDTIPORECE"))) return;
        const double paid = Number(cdsMovi, "VRMOVIVEND");
        CheckedOperand(kCall, cdsMovi.RecNo(), "VRMOVIVEND", paid, Amount10(paid, fs), kAmountWidth);
        CheckedCode(kCall, cdsMovi.RecNo(), "CDFPIMPFIS", Text(cdsMovi, "CDFPIMPFIS"), kPaymentCodeWidth);
    });
}

}  // namespace dru
