#include "layouts.h"

namespace dru::cli::layouts {

namespace {
constexpr FieldKind kText = FieldKind::Text;
constexpr FieldKind kFloat = FieldKind::Float;
constexpr FieldKind kDate = FieldKind::DateTime;
constexpr const char* kPaymentClass =
    "payment class: \"5\" and \"7\" vouchers, \"9\" and \"A\" charged to the consumer's "
    "balance, others ordinary payments";
}  // namespace

const Layout& PaymentTypes() {
    static const Layout layout = {
        {"CDFILIAL", kText, 4},      {"CDTIPORECE", kText, 3, true, "the host's payment type code"},
        {"NMTIPORECE", kText, 40, false, "the name, looked up in the printer's list of payment forms"},
        {"VRTAXAADMI", kFloat, 0},   {"VRMINCARTAO", kFloat, 0},     {"CDTIPOTROCO", kText, 3},
        {"NRORDTROCO", kText, 3},    {"IDEMIVALE", kText, 1, false, "written: \"S\" for a voucher class, else \"N\""},        {"IDVALE", kText, 1},
        {"IDDEBCLIE", kText, 1},     {"CDFPIMPFIS", kText, 10, false, "written: the printer's payment code (\"01\" ...), empty when none"},
        {"IDTIPORECE", kText, 1, false, kPaymentClass},
        {"CDTPINDICE", kText, 1},    {"IDPERVALOR", kText, 1},       {"CDINDICE", kText, 4},
        {"NRCONFTELA", kText, 5},    {"IDTPBUTTON", kText, 1, false, "button kind: \"5\" a payment button (the only ones coded)"},       {"NRBUTTON", kText, 5},
        {"NRPGCONFTELA", kText, 2},  {"IDTPBUTONAUX", kText, 1},     {"NRBUTTONAUX", kText, 5},
        {"NRPGCONFTAUX", kText, 2},  {"CDIDENTBUTON", kText, 10},    {"DSBUTTON", kText, 40},
        {"NRCOLORTEXT", kFloat, 0},  {"NRCOLORBACK", kFloat, 0},     {"DSMESSAGEBUT", kText, 300},
        {"DSIMAGEMBUT", kText, 200}, {"DSIMPFISCAL", kText, 50},     {"CDADMINCART", kText, 20},
        {"CDBANCARTCR", kText, 10},  {"IDMOSTRARECE", kText, 1},     {"IDDESABTEF", kText, 1},
    };
    return layout;
}

const Layout& SaleItems() {
    static const Layout layout = {
        {"IDTPIMPOSFIS", kText, 1, true, "tax kind: \"I\" exempt, \"T\" (or any other) taxed"},
        {"QTPRODCOMVEN", kFloat, 0, true, "quantity (at most 6 whole digits, 3 decimals)"},
        {"VRPRECCOMVEN", kFloat, 0, true, "unit price (at most 9 digits)"},
        {"VRACRCOMANDA", kFloat, 0, false, "surcharge on the item (null reads 0)"},
        {"VRDESCCOMVEN", kFloat, 0, false, "discount on the unit price (null reads 0)"},
        {"VRTXSERVICO", kFloat, 0, false, "service charge, read from the current row (null reads 0)"},
        {"CDARVPROD", kText, 20, false,
         "product code, sent in 13 digits (an empty one leaves the item short: the printer "
         "refuses the item)"},
        {"NMPRODUTO", kText, 40, true, "product name, printed on the item line"},
        {"NMOPERADOR", kText, 30, false, "operator's name, printed in the footer"},
        {"CDLOJA", kText, 4, false, "shop code"},
    };
    return layout;
}

const Layout& SaleMovements() {
    static const Layout layout = {
        {"IDTIPOMOVIVE", kText, 1, true,
         "movement: \"E\" payment received, \"S\" change given back, \"T\" consumer debit"},
        {"IDTIPORECE", kText, 1, false, kPaymentClass},
        {"CDTIPORECE", kText, 3, false, "payment type code (a voucher's is looked up in cdsRecebimento)"},
        {"VRMOVIVEND", kFloat, 0, true, "amount (at most 10 digits)"},
        {"CDFPIMPFIS", kText, 10, false, "the printer's payment code (\"01\" ...), sent unchanged"},
        {"DSIMPFISCAL", kText, 50, false, "payment name printed on a voucher ticket"},
    };
    return layout;
}

const Layout& CreditBalances() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true, "family code"},
                                  {"NMFAMILISALD", kText, 40, false, "family name, printed"},
                                  {"VRSALDCONFAM", kFloat, 0, true, "family balance"}};
    return layout;
}

const Layout& FamilyBalances() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true, "family code"},
                                  {"VRSALDCONFAM", kFloat, 0, true, "balance already committed"}};
    return layout;
}

const Layout& Loans() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true, "family code"},
                                  {"IDTPMOVEXT", kText, 1, true, "movement kind"},
                                  {"VRMOVEXTCONS", kFloat, 0, true, "amount lent"}};
    return layout;
}

const Layout& BillProducts() {
    static const Layout layout = {{"NMPRODUTO", kText, 40, true, "product name (cut to the line)"},
                                  {"QTPRODCOMVEN", kFloat, 0, true, "quantity"},
                                  {"VRPRECCOMVEN", kFloat, 0, true, "unit price"}};
    return layout;
}

const Layout& SoldProducts() {
    static const Layout layout = {
        {"CDPRODUTO", kText, 20, true, "product code (the report's order)"},
        {"NMPRODUTO", kText, 40, true, "product name"},
        {"QTPRODVEND", kFloat, 0, true, "quantity sold (at most 6 columns)"},
        {"VRTOTAL", kFloat, 0, true, "amount sold (at most 9 columns)"},
        {"IDTPIMPOSFIS", kText, 1, false, "tax kind (not read)"},
        {"VRPEALIMPFIS", kFloat, 0, false, "tax rate (not read)"},
    };
    return layout;
}

const Layout& CreditMovements() {
    static const Layout layout = {{"VRMOVIVEND", kFloat, 0, true, "amount paid, summed"}};
    return layout;
}

const Layout& ReductionZ() {
    static const Layout layout = {
        {"NRECFREDZ", kText, 4},     {"DTREDUCAOZ", kDate, 0},    {"NRREINIREDZ", kText, 10},
        {"NRREDREDZ", kText, 10},    {"NRLEITREDZ", kText, 10},   {"NRGERCNFREDZ", kText, 10},
        {"NRCANCFREDZ", kText, 10},  {"NRPRIMCFREDZ", kText, 10}, {"NRULTCFREDZ", kText, 10},
        {"VRGTREDZ", kFloat, 0},     {"VRVENBRUREDZ", kFloat, 0}, {"VRISSREDZ", kFloat, 0},
        {"VRTOTCANREDZ", kFloat, 0}, {"VRTOTDESREDZ", kFloat, 0}, {"VRVENLIQREDZ", kFloat, 0},
        {"VRTOTACRREDZ", kFloat, 0}, {"VRSTRIBREDZ", kFloat, 0},  {"VRISENCREDZ", kFloat, 0},
        {"VRNINCIDREDZ", kFloat, 0}, {"QTTEMLIGREDZ", kText, 6},  {"QTTEMPCFREDZ", kText, 6},
        {"QTMEMRESREDZ", kFloat, 0}, {"IDORIGEMREDZ", kText, 3},  {"DSMODMARCAECF", kText, 30},
        {"NRUSUARIOMFD", kText, 10}, {"CDMFADICIONAL", kText, 5}, {"DTGRAVSBECF", kDate, 0},
    };
    return layout;
}

const Layout& ReductionPaymentForms() {
    static const Layout layout = {{"NRECFREDZ", kText, 4},
                                  {"DTREDUCAOZ", kDate, 0},
                                  {"CDTIPORECE", kText, 3},
                                  {"VRFORMPGTORZ", kFloat, 0},
                                  {"CDTPRECEORIG", kText, 3}};
    return layout;
}

const Layout& ClosingAmounts() {
    static const Layout layout = {
        {"CDTIPORECE", kText, 3, false, "payment type code"},
        {"NMTIPORECE", kText, 40, true, "payment type name, printed"},
        {"DTABERCAIX", kDate, 0, false, "when the register was opened"},
        {"VRFECHAINF", kFloat, 0, true, "amount the operator counted, printed"},
        {"VRFECHADIG", kFloat, 0, false, "amount typed"},
        {"NRENVELOPE", kText, 6, false, "envelope number"}};
    return layout;
}

const Layout& Withdrawals() {
    static const Layout layout = {{"CDTIPORECE", kText, 3, false, "payment type code"},
                                  {"NMTIPORECE", kText, 40, false, "payment type name"},
                                  {"VRSANGRIA", kFloat, 0, false, "amount withdrawn"},
                                  {"CDCLIENTE", kText, 21, false, "customer code"}};
    return layout;
}

const Layout& Operators() {
    static const Layout layout = {{"CDOPERADOR", kText, 10, true, "operator code, printed"},
                                  {"NMOPERADOR", kText, 60, true, "operator name, printed"}};
    return layout;
}

const Layout& MovementTotals() {
    static const Layout layout = {{"IDTIPOREG", kText, 1, false, "record kind"},
                                  {"CDTIPORECE", kText, 3, false, "payment type code"},
                                  {"NMTIPORECE", kText, 40, false, "payment type name"},
                                  {"VRSAIDA", kFloat, 0, false, "amount out"}};
    return layout;
}

Json Rows(DruDataSet* ds, const Layout& layout) {
    Json rows = Json::array();
    for (dru_dataset_first(ds); !dru_dataset_eof(ds); dru_dataset_next(ds)) {
        Json row = Json::object();
        for (const Field& f : layout) {
            if (dru_dataset_is_null(ds, f.name.c_str())) continue;
            if (f.kind == FieldKind::Float)
                row[f.name] = dru_dataset_get_number(ds, f.name.c_str());
            else
                row[f.name] = dru_dataset_get_text(ds, f.name.c_str());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace dru::cli::layouts
