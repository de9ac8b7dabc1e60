#include "module/data_module.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace dru {

namespace {

struct FieldSpec {
    const char* name;
    FieldType type;
    int size;
};

constexpr FieldType kText = FieldType::String;
constexpr FieldType kFloat = FieldType::Float;
constexpr FieldType kDateTime = FieldType::DateTime;

// Payment types as the host keeps them (layout A).
constexpr std::array<FieldSpec, 33> kPaymentTypeLayout{{
    {"CDFILIAL", kText, 4},      {"CDTIPORECE", kText, 3},     {"NMTIPORECE", kText, 40},
    {"VRTAXAADMI", kFloat, 0},   {"VRMINCARTAO", kFloat, 0},   {"CDTIPOTROCO", kText, 3},
    {"NRORDTROCO", kText, 3},    {"IDEMIVALE", kText, 1},      {"IDVALE", kText, 1},
    {"IDDEBCLIE", kText, 1},     {"CDFPIMPFIS", kText, 10},    {"IDTIPORECE", kText, 1},
    {"CDTPINDICE", kText, 1},    {"IDPERVALOR", kText, 1},     {"CDINDICE", kText, 4},
    {"NRCONFTELA", kText, 5},    {"IDTPBUTTON", kText, 1},     {"NRBUTTON", kText, 5},
    {"NRPGCONFTELA", kText, 2},  {"IDTPBUTONAUX", kText, 1},   {"NRBUTTONAUX", kText, 5},
    {"NRPGCONFTAUX", kText, 2},  {"CDIDENTBUTON", kText, 10},  {"DSBUTTON", kText, 40},
    {"NRCOLORTEXT", kFloat, 0},  {"NRCOLORBACK", kFloat, 0},   {"DSMESSAGEBUT", kText, 300},
    {"DSIMAGEMBUT", kText, 200}, {"DSIMPFISCAL", kText, 50},   {"CDADMINCART", kText, 20},
    {"CDBANCARTCR", kText, 10},  {"IDMOSTRARECE", kText, 1},   {"IDDESABTEF", kText, 1},
}};

// The Z reduction record; IDORIGEMREDZ only in the table handed back to the host.
constexpr const char* kOriginField = "IDORIGEMREDZ";
constexpr std::array<FieldSpec, 27> kReductionZLayout{{
    {"NRECFREDZ", kText, 4},      {"DTREDUCAOZ", kDateTime, 0}, {"NRREINIREDZ", kText, 10},
    {"NRREDREDZ", kText, 10},     {"NRLEITREDZ", kText, 10},    {"NRGERCNFREDZ", kText, 10},
    {"NRCANCFREDZ", kText, 10},   {"NRPRIMCFREDZ", kText, 10},  {"NRULTCFREDZ", kText, 10},
    {"VRGTREDZ", kFloat, 0},      {"VRVENBRUREDZ", kFloat, 0},  {"VRISSREDZ", kFloat, 0},
    {"VRTOTCANREDZ", kFloat, 0},  {"VRTOTDESREDZ", kFloat, 0},  {"VRVENLIQREDZ", kFloat, 0},
    {"VRTOTACRREDZ", kFloat, 0},  {"VRSTRIBREDZ", kFloat, 0},   {"VRISENCREDZ", kFloat, 0},
    {"VRNINCIDREDZ", kFloat, 0},  {"QTTEMLIGREDZ", kText, 6},   {"QTTEMPCFREDZ", kText, 6},
    {"QTMEMRESREDZ", kFloat, 0},  {kOriginField, kText, 3},     {"DSMODMARCAECF", kText, 30},
    {"NRUSUARIOMFD", kText, 10},  {"CDMFADICIONAL", kText, 5},  {"DTGRAVSBECF", kDateTime, 0},
}};

constexpr std::array<FieldSpec, 5> kPaymentFormLayout{{
    {"NRECFREDZ", kText, 4},
    {"DTREDUCAOZ", kDateTime, 0},
    {"CDTIPORECE", kText, 3},
    {"VRFORMPGTORZ", kFloat, 0},
    {"CDTPRECEORIG", kText, 3},
}};

constexpr std::array<FieldSpec, 7> kTaxLayout{{
    {"NRECFREDZ", kText, 4},
    {"DTREDUCAOZ", kDateTime, 0},
    {"CDALIQIMPRZ", kText, 10},
    {"VRALIQIMPRZ", kFloat, 0},
    {"VRBCALCIMPRZ", kFloat, 0},
    {"VRIMPOSTORZ", kFloat, 0},
    {"IDTPIMPREDZ", kText, 1},
}};

constexpr std::array<FieldSpec, 6> kNonFiscalTotalsLayout{{
    {"NRECFREDZ", kText, 4},
    {"DTREDUCAOZ", kDateTime, 0},
    {"NRTOTNFISCRZ", kText, 10},
    {"DSTOTNFISCRZ", kText, 50},
    {"NRCONTOTNFIS", kText, 10},
    {"VRACUTOTNFIS", kFloat, 0},
}};

constexpr std::array<FieldSpec, 6> kCashClosingLayout{{
    {"CDTIPORECE", kText, 3},
    {"NMTIPORECE", kText, 40},
    {"DTABERCAIX", kDateTime, 0},
    {"VRFECHAINF", kFloat, 0},
    {"VRFECHADIG", kFloat, 0},
    {"NRENVELOPE", kText, 6},
}};

constexpr std::array<FieldSpec, 4> kWithdrawalLayout{{
    {"CDTIPORECE", kText, 3},
    {"NMTIPORECE", kText, 40},
    {"VRSANGRIA", kFloat, 0},
    {"CDCLIENTE", kText, 21},
}};

constexpr std::array<FieldSpec, 4> kMovementTotalsLayout{{
    {"IDTIPOREG", kText, 1},
    {"CDTIPORECE", kText, 3},
    {"NMTIPORECE", kText, 40},
    {"VRSAIDA", kFloat, 0},
}};

// The cash closing shows the counted amount with two decimals and grouping.
constexpr const char* kCountedAmountFormat = "#,##0.00";

template <std::size_t N>
void AddFields(TClientDataSet& ds, const std::array<FieldSpec, N>& layout) {
    for (const auto& f : layout) ds.AddFieldDef(f.name, f.type, f.size);
}

IndexDef AscendingIndex(std::string name, std::string fields) {
    IndexDef def;
    def.name = std::move(name);
    def.fields = std::move(fields);
    return def;
}

}  // namespace

void AddPaymentTypeFields(TClientDataSet& ds, int field_count) {
    const int n = std::min<int>(std::max(field_count, 0), kPaymentTypeLayout.size());
    for (int i = 0; i < n; ++i) {
        const auto& f = kPaymentTypeLayout[i];
        ds.AddFieldDef(f.name, f.type, f.size);
    }
}

void AddReductionZFields(TClientDataSet& ds, bool with_origin) {
    for (const auto& f : kReductionZLayout) {
        if (!with_origin && std::string_view(f.name) == kOriginField) continue;
        ds.AddFieldDef(f.name, f.type, f.size);
    }
}

// Tables with a stored layout start active and empty, ready to be filled or
// recreated by the operations; tables without one take their structure from
// the data copied or loaded into them.
TdtmImpressoraIBM::TdtmImpressoraIBM(const FormatSettings& fs, const Clock& clock)
    : msgPadrao(DefaultMsgPadrao()), msgPadrao2(DefaultMsgPadrao2()) {
    for (TClientDataSet* ds : {&cdsPorta, &cdsMovFecha, &cdsSangria, &cdsOperadorSup, &cdsMovTot, &cdsParcProdutos,
                               &cdsProdVend, &cdsTipoReceImp, &cdsTipoReceAux, &cdsTipoReceIBM, &cdsReducaoZImp,
                               &cdsRedzAux01, &cdsFormPgtoRedZImp, &cdsFormRedzAux01, &cdsImpostoRedZImp,
                               &cdsImpostoRedzAux01, &cdsTotNFiscRedZImp, &cdsTotNFisAux01})
        ds->Bind(fs, clock);

    AddFields(cdsMovFecha, kCashClosingLayout);
    cdsMovFecha.CreateDataSet();
    cdsMovFecha.SetDisplayFormat("VRFECHADIG", kCountedAmountFormat);

    AddFields(cdsSangria, kWithdrawalLayout);
    cdsSangria.CreateDataSet();

    AddFields(cdsMovTot, kMovementTotalsLayout);
    cdsMovTot.CreateDataSet();

    // The product report sorts by code; the tax order serves the host's summary.
    cdsProdVend.AddIndex(AscendingIndex("IDXCDPRODUTO", "CDPRODUTO"));
    cdsProdVend.AddIndex(AscendingIndex("idxTributacao", "IDTPIMPOSFIS;VRPEALIMPFIS"));

    for (TClientDataSet* ds : {&cdsTipoReceImp, &cdsTipoReceAux}) {
        AddPaymentTypeFields(*ds);
        ds->CreateDataSet();
    }
    // The printer's search copy leaves out the last four (screen and card) fields.
    AddPaymentTypeFields(cdsTipoReceIBM, 29);
    cdsTipoReceIBM.CreateDataSet();

    AddReductionZFields(cdsReducaoZImp, true);
    cdsReducaoZImp.CreateDataSet();
    AddReductionZFields(cdsRedzAux01, false);
    cdsRedzAux01.CreateDataSet();

    for (TClientDataSet* ds : {&cdsFormPgtoRedZImp, &cdsFormRedzAux01}) {
        AddFields(*ds, kPaymentFormLayout);
        ds->CreateDataSet();
    }
    for (TClientDataSet* ds : {&cdsImpostoRedZImp, &cdsImpostoRedzAux01}) {
        AddFields(*ds, kTaxLayout);
        ds->CreateDataSet();
    }
    for (TClientDataSet* ds : {&cdsTotNFiscRedZImp, &cdsTotNFisAux01}) {
        AddFields(*ds, kNonFiscalTotalsLayout);
        ds->CreateDataSet();
    }
}

TdtmImpressoraIBM& DataModuleSlot::get() {
    std::call_once(once_, [this] {
        module_ = std::make_unique<TdtmImpressoraIBM>(format_, clock_);
        created_.store(true, std::memory_order_release);
    });
    return *module_;
}

bool DataModuleSlot::exists() const { return created_.load(std::memory_order_acquire); }

}  // namespace dru
