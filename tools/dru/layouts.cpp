#include "layouts.h"

namespace dru::cli::layouts {

namespace {
constexpr FieldKind kText = FieldKind::Text;
constexpr FieldKind kFloat = FieldKind::Float;
constexpr FieldKind kDate = FieldKind::DateTime;
}  // namespace

const Layout& PaymentTypes() {
    static const Layout layout = {
        {"CDFILIAL", kText, 4},      {"CDTIPORECE", kText, 3, true}, {"NMTIPORECE", kText, 40},
        {"VRTAXAADMI", kFloat, 0},   {"VRMINCARTAO", kFloat, 0},     {"CDTIPOTROCO", kText, 3},
        {"NRORDTROCO", kText, 3},    {"IDEMIVALE", kText, 1},        {"IDVALE", kText, 1},
        {"IDDEBCLIE", kText, 1},     {"CDFPIMPFIS", kText, 10},      {"IDTIPORECE", kText, 1},
        {"CDTPINDICE", kText, 1},    {"IDPERVALOR", kText, 1},       {"CDINDICE", kText, 4},
        {"NRCONFTELA", kText, 5},    {"IDTPBUTTON", kText, 1},       {"NRBUTTON", kText, 5},
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
        {"IDTPIMPOSFIS", kText, 1, true},  {"QTPRODCOMVEN", kFloat, 0, true},
        {"VRPRECCOMVEN", kFloat, 0, true}, {"VRACRCOMANDA", kFloat, 0},
        {"VRDESCCOMVEN", kFloat, 0},       {"VRTXSERVICO", kFloat, 0},
        {"CDARVPROD", kText, 20},          {"NMPRODUTO", kText, 40, true},
        {"NMOPERADOR", kText, 30},         {"CDLOJA", kText, 4},
    };
    return layout;
}

const Layout& SaleMovements() {
    static const Layout layout = {
        {"IDTIPOMOVIVE", kText, 1, true}, {"IDTIPORECE", kText, 1},  {"CDTIPORECE", kText, 3},
        {"VRMOVIVEND", kFloat, 0, true},  {"CDFPIMPFIS", kText, 10}, {"DSIMPFISCAL", kText, 50},
    };
    return layout;
}

const Layout& CreditBalances() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true},
                                  {"NMFAMILISALD", kText, 40},
                                  {"VRSALDCONFAM", kFloat, 0, true}};
    return layout;
}

const Layout& FamilyBalances() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true},
                                  {"VRSALDCONFAM", kFloat, 0, true}};
    return layout;
}

const Layout& Loans() {
    static const Layout layout = {{"CDFAMILISALD", kText, 10, true},
                                  {"IDTPMOVEXT", kText, 1, true},
                                  {"VRMOVEXTCONS", kFloat, 0, true}};
    return layout;
}

const Layout& BillProducts() {
    static const Layout layout = {{"NMPRODUTO", kText, 40, true},
                                  {"QTPRODCOMVEN", kFloat, 0, true},
                                  {"VRPRECCOMVEN", kFloat, 0, true}};
    return layout;
}

const Layout& SoldProducts() {
    static const Layout layout = {
        {"CDPRODUTO", kText, 20, true},  {"NMPRODUTO", kText, 40, true},
        {"QTPRODVEND", kFloat, 0, true}, {"VRTOTAL", kFloat, 0, true},
        {"IDTPIMPOSFIS", kText, 1},      {"VRPEALIMPFIS", kFloat, 0},
    };
    return layout;
}

const Layout& CreditMovements() {
    static const Layout layout = {{"VRMOVIVEND", kFloat, 0, true}};
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
    static const Layout layout = {{"CDTIPORECE", kText, 3},   {"NMTIPORECE", kText, 40, true},
                                  {"DTABERCAIX", kDate, 0},   {"VRFECHAINF", kFloat, 0, true},
                                  {"VRFECHADIG", kFloat, 0},  {"NRENVELOPE", kText, 6}};
    return layout;
}

const Layout& Withdrawals() {
    static const Layout layout = {{"CDTIPORECE", kText, 3},
                                  {"NMTIPORECE", kText, 40},
                                  {"VRSANGRIA", kFloat, 0},
                                  {"CDCLIENTE", kText, 21}};
    return layout;
}

const Layout& Operators() {
    static const Layout layout = {{"CDOPERADOR", kText, 10, true}, {"NMOPERADOR", kText, 60, true}};
    return layout;
}

const Layout& MovementTotals() {
    static const Layout layout = {{"IDTIPOREG", kText, 1},
                                  {"CDTIPORECE", kText, 3},
                                  {"NMTIPORECE", kText, 40},
                                  {"VRSAIDA", kFloat, 0}};
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
