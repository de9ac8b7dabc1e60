#include "documents/cash_closing.h"

#include <array>
#include <string_view>
#include <utility>

#include "documents/product_report.h"
#include "documents/withdrawal_receipt.h"
#include "host/dialog.h"
#include "payments/payment_totals_export.h"
#include "print/retry.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "GeraReciboSangria";
constexpr std::string_view kReceiptCall = "ImpReciboSangria_IBM";
// The operator's two questions.
constexpr std::string_view kOpenAgainKey = "AbreCaixa";
constexpr std::string_view kConfirmZKey = "ConfReducao";

// The flags decide what the closing reads, copies and asks.
bool CopiesTables(const CashClosing& c) {
    return !c.boFechDiaAnterior;
}
bool AsksQuestions(const CashClosing& c) {
    return !c.boSangria && !c.boFechDiaAnterior;
}
bool MayAskZ(const CashClosing& c) {
    return AsksQuestions(c) && c.boAccessImpRedz;
}

template <class T>
T& Needed(T* table, std::string_view name) {
    if (!table) throw EBadArgument(std::string(kCall) + ": " + std::string(name) + " is NULL");
    return *table;
}

const TClientDataSet& OpenSource(const TClientDataSet* table, std::string_view name) {
    const TClientDataSet& source = Needed(table, name);
    if (!source.Active())
        throw EDatabaseError(std::string(kCall) + ": " + std::string(name) + " is not open");
    return source;
}

// The operator the withdrawal receipt will print: the host's, or what an
// earlier call left in the data module.
void RequireReceiptOperator(const CashClosing& c, const TdtmImpressoraIBM& dm) {
    const TClientDataSet& operators = CopiesTables(c) ? *c.tables.cdsOperSup : dm.cdsOperadorSup;
    if (!operators.Active() || operators.IsEmpty())
        throw EDatabaseError(std::string(kCall) +
                             (CopiesTables(c)
                                  ? ": cdsOperSup holds no operator for the withdrawal receipt"
                                  : ": no earlier closing loaded the tables the withdrawal "
                                    "receipt prints from (cdsMovFecha, cdsOperadorSup)"));
}

// A host table and the data module's table it is copied into, or out of.
template <class Source>
struct TablePair {
    Source* host;
    std::string_view name;
    TClientDataSet TdtmImpressoraIBM::*module;
};

std::array<TablePair<const TClientDataSet>, 5> CopiedIn(const CashClosingTables& t) {
    return {{{t.cdsMovFechaAux, "cdsMovFechaAux", &TdtmImpressoraIBM::cdsMovFecha},
             {t.cdsSangriaAux, "cdsSangriaAux", &TdtmImpressoraIBM::cdsSangria},
             {t.cdsOperSup, "cdsOperSup", &TdtmImpressoraIBM::cdsOperadorSup},
             {t.cdsMovTotAux, "cdsMovTotAux", &TdtmImpressoraIBM::cdsMovTot},
             {t.cdsTipoRece, "cdsTipoRece", &TdtmImpressoraIBM::cdsTipoReceAux}}};
}

std::array<TablePair<TClientDataSet>, 4> HandedBack(const CashClosingTables& t) {
    return {{{t.cdsRedzAux, "cdsRedzAux", &TdtmImpressoraIBM::cdsRedzAux01},
             {t.cdsFormRedzAux, "cdsFormRedzAux", &TdtmImpressoraIBM::cdsFormRedzAux01},
             {t.cdsImpostoRedzAux, "cdsImpostoRedzAux", &TdtmImpressoraIBM::cdsImpostoRedzAux01},
             {t.cdsTotNFisAux, "cdsTotNFisAux", &TdtmImpressoraIBM::cdsTotNFisAux01}}};
}

// Every check that can refuse the closing, before it changes anything.
void CheckArguments(const CashClosing& c, const TdtmImpressoraIBM& dm) {
    if (CopiesTables(c))
        for (const auto& pair : CopiedIn(c.tables)) OpenSource(pair.host, pair.name);
    if (c.boImpRelSan) RequireReceiptOperator(c, dm);
    if (MayAskZ(c)) {
        Needed(c.tables.cdsProdAux, "cdsProdAux");
        for (const auto& pair : HandedBack(c.tables)) Needed(pair.host, pair.name);
    }
}

// In this order: closing amounts, withdrawals, operator, totals, payment types.
void CopyClosingTables(const CashClosingTables& t, TdtmImpressoraIBM& dm) {
    for (const auto& pair : CopiedIn(t)) (dm.*pair.module).CopyFrom(*pair.host);
}

// Every attempt lists all closing amounts, from the first.
void PrintWithdrawalReceipt(Session& session, const CashClosing& c) {
    TClientDataSet& closing_amounts = session.dm.get().cdsMovFecha;
    Retried(session.link, c.stIdEsquema, kReceiptCall, [&] {
        closing_amounts.First();
        return ImpReciboSangria_IBM(session, c.stIdEsquema, c.stCdPortaImpFis);
    });
}

bool OperatorSaysYes(Session& session, std::string_view key, const std::string& scheme) {
    LinkContext& ctx = session.link;
    return ctx.dialog.Mensagem(ctx.messages.msgPadrao().Msg(key), "", "N", "S", TTipoMsg::Tipo1, "",
                               scheme, 0, nullptr);
}

// How the product report refuses its table before printing: a figure that
// does not fit or does not convert, a field missing, the table not open.
bool RefusesItsTable(ErrorKind kind) {
    return kind == ErrorKind::BadArgument || kind == ErrorKind::Table ||
           kind == ErrorKind::Conversion;
}

// The product report's outcome is not looked at: a report that refuses its
// table does not keep the day totals from being read; its error is kept for
// the caller. Any other error (the debug log that cannot be written) ends
// the closing, as it ends every operation.
void ProductReport(Session& session, const CashClosing& c, ErrorReport* swallowed) {
    try {
        Relatorio_Produto(session, c.stCdPortaImpFis, *c.tables.cdsProdAux, c.stEmiRelProd,
                          c.stIdEsquema);
    } catch (const Error& e) {
        if (!RefusesItsTable(e.kind())) throw;
        if (swallowed) *swallowed = ReportOf(e);
    }
}

// The day totals into the data module's Z tables; an error the export
// swallows is kept unless the report's came first.
void ExportTotals(Session& session, const CashClosing& c, ErrorReport* swallowed) {
    TdtmImpressoraIBM& dm = session.dm.get();
    // The export leaves the payment forms as it found them when the reading
    // has no sales: this closing hands back its own figures only, never the
    // totals an earlier closing left in the module.
    if (dm.cdsFormRedzAux01.Active()) {
        dm.cdsFormRedzAux01.SetFiltered(false);
        dm.cdsFormRedzAux01.EmptyDataSet();
    }
    ErrorReport export_error;
    ExportRedZ(session, c.stCdPortaImpFis, c.stIdEsquema, c.stECF, c.idTipoImpFis,
               dm.cdsTipoReceAux, dm.cdsRedzAux01, dm.cdsFormRedzAux01, dm.cdsImpostoRedzAux01,
               dm.cdsTotNFisAux01, &export_error);
    if (swallowed && swallowed->kind == ErrorKind::None) *swallowed = std::move(export_error);
}

void HandBackZTables(const CashClosingTables& t, const TdtmImpressoraIBM& dm) {
    for (const auto& pair : HandedBack(t)) pair.host->CopyFrom(dm.*pair.module);
}

}  // namespace

bool GeraReciboSangria(Session& session, const CashClosing& c, bool& boReduziu,
                       ErrorReport* swallowed) {
    TdtmImpressoraIBM& dm = session.dm.get();
    CheckArguments(c, dm);
    if (CopiesTables(c)) CopyClosingTables(c.tables, dm);
    boReduziu = false;
    if (c.boImpRelSan) PrintWithdrawalReceipt(session, c);
    if (!AsksQuestions(c)) return false;
    if (OperatorSaysYes(session, kOpenAgainKey, c.stIdEsquema)) return true;
    if (!c.boAccessImpRedz || !OperatorSaysYes(session, kConfirmZKey, c.stIdEsquema)) return false;
    ProductReport(session, c, swallowed);
    ExportTotals(session, c, swallowed);
    boReduziu = true;
    HandBackZTables(c.tables, dm);
    return false;
}

}  // namespace dru
