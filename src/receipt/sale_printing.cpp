#include "receipt/sale_printing.h"

#include "day/day_operations.h"
#include "host/routines.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "print/retry.h"
#include "receipt/credit_note.h"
#include "receipt/exempt_closing.h"
#include "receipt/item_registration.h"
#include "receipt/payment_registration.h"
#include "receipt/receipt_closing.h"
#include "receipt/sale_figures.h"

namespace dru {

namespace {

// The printer needs this long between the sale's own commands.
constexpr int kSalePauseMs = 350;
constexpr int kSalePauseType30Ms = 150;  // type "30" takes commands faster
// After the total and before the closing commands the pause is shorter by this.
constexpr int kShorterPauseMs = 100;
// After the paper cut that precedes an exempt breakdown on type "16".
constexpr int kAfterCutPauseMs = 150;
constexpr std::string_view kStartLine = "%%%%%%%%%%%%%%%VENDA DE PRODUTO%%%%%%%%%%%%%%%%%%";
constexpr std::string_view kOpenReceiptLine = "Abre Cupom 000";
constexpr std::string_view kOpenBoletaLine = "Abre Boleta Caixa 12";
constexpr std::string_view kTotalLine = "Comando \"20\" para totalizar o cupom";
constexpr std::string_view kCall = "ImpressaoVenda";
constexpr std::string_view kRefused = "Erro";
constexpr std::string_view kRefusalKey = "OPE_FORMA_N_PERM";
constexpr std::string_view kFamilySale = "1";  // TIPOVENDA of a sale on a family's balance

// The named parameters of the sale, read in their order.
struct SaleParams {
    std::string stTotParcCV, stCdFilial, stCdCaixa, stNrLaudo;  // read, not used
    std::string stEsquemaCor, stSenhaCupom, stTipoVenda, stNmCons, stDsObsCupFis;
    double doSaldoDebito = 0, doPrecoSubsidio = 0;
    std::string stCdPortaImpFis, stIdTipoImpFis;
};

// A number parameter: a missing or blank one is 0.
double NumberParam(const TParams& Params, std::string_view name, const FormatSettings& fs) {
    const std::string text = RecebeParams(Params, name);
    return EmptyString(text) ? 0 : StrToFloat(text, fs);
}

SaleParams ReadSaleParams(const TParams& P, const FormatSettings& fs) {
    SaleParams s;
    s.stTotParcCV = RecebeParams(P, "TOTPARCCV");
    s.stCdFilial = RecebeParams(P, "CDFILIAL");
    s.stCdCaixa = RecebeParams(P, "CDCAIXA");
    s.stNrLaudo = RecebeParams(P, "NRLAUDO");
    s.stEsquemaCor = RecebeParams(P, "ESQUEMACOR");
    s.stSenhaCupom = RecebeParams(P, "SENHACUPOM");
    s.stTipoVenda = RecebeParams(P, "TIPOVENDA");
    s.stNmCons = RecebeParams(P, "NMCONSUMIDOR");
    s.stDsObsCupFis = RecebeParams(P, "DSOBSCUPFIS");
    s.doSaldoDebito = NumberParam(P, "SALDODEBITO", fs);
    s.doPrecoSubsidio = NumberParam(P, "PRECOSUBSIDIO", fs);
    s.stCdPortaImpFis = RecebeParams(P, "CDPORTAIMPFIS");
    s.stIdTipoImpFis = RecebeParams(P, "IDTIPOIMPFIS");
    return s;
}

// One sale being printed: its settings, tables and running figures.
class Sale {
public:
    Sale(LinkContext& ctx, const SaleParams& p, const SaleTables& t, const std::string& IdImpSaldoCup,
         const SaleDocuments& docs)
        : ctx_(ctx), p_(p), t_(t), saldo_(IdImpSaldoCup), docs_(docs),
          inSleep_(p.stIdTipoImpFis == printer_type::k30 ? kSalePauseType30Ms : kSalePauseMs) {}

    std::string run();

private:
    bool type30() const { return p_.stIdTipoImpFis == printer_type::k30; }
    bool type16() const { return p_.stIdTipoImpFis == printer_type::k16; }
    void pause(int ms) { Pause(ctx_, ms); }  // none once the line failed
    void send(std::string_view code, std::string_view operands = {}) {
        Comand_Porta(ctx_, Frame(code, operands), kNoReplyExchange, p_.stCdPortaImpFis, p_.stEsquemaCor);
    }
    std::string operador() { return t_.cdsVendas.FieldByName("NMOPERADOR").AsString(); }
    void read_receipt_number() { Nr_Cupom(ctx_, p_.stCdPortaImpFis, p_.stEsquemaCor, result_); }
    std::string vouched();

    void CheckReceiptInputs();
    std::string consumer_debit();
    std::string ordinary();
    void close_taxable(const ExemptTotals& exempt);
    std::string exempt_only(const ExemptTotals& exempt);
    std::string voucher();
    bool exempt_breakdown(const ExemptTotals& exempt, const std::string& stOperador);

    LinkContext& ctx_;
    const SaleParams& p_;
    const SaleTables& t_;
    const std::string& saldo_;  // IdImpSaldoCup
    const SaleDocuments& docs_;
    const int inSleep_;
    std::string result_;
    std::optional<PrinterCounter> before_;  // the printer's receipt counter as last read, before the sale
    VoucherScan scan_;
    PaymentSums sums_;
    double dototalSomaItems_ = 0;
};

std::string Sale::run() {
    TClientDataSet& movi = t_.cdsMovi;
    // What the sale is decides which fields and figures it reads; they are
    // checked before the drawer opens.
    const bool debit = movi.Locate("IDTIPOMOVIVE", {"T"}, true);
    if (!debit) scan_ = ScanForVoucher(movi, t_.cdsRecebimento);
    if (debit) {
        RequireFields(t_.cdsVendas, kCall, "cdsVendas",
                      {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "NMPRODUTO", "NMOPERADOR"});
    } else if (!scan_.boPagtoVale) {
        CheckReceiptInputs();
        CheckOrdinarySale(t_.cdsVendas, movi, ctx_.format);
    } else if (!HasItemNotOfKindT(t_.cdsVendas)) {  // a refused voucher sale prints nothing
        RequireFields(t_.cdsVendas, kCall, "cdsVendas", {"NMOPERADOR"});
        RequireFields(movi, kCall, "cdsMovi", {"DSIMPFISCAL"});  // the ticket's voucher lines
        const PaymentSums v = VoucherPayments(movi);
        const double compra = v.doTotalPago - v.doTotalTroco;
        if (compra > v.doMontoTic && HasTaxableItem(t_.cdsVendas)) {
            RequireFields(t_.cdsVendas, kCall, "cdsVendas", {"CDLOJA"});  // the credit note's closing
            CheckCreditNote(compra - v.doMontoTic, movi, ctx_.format);
        }
    }
    CheckFiniteFigures(t_.cdsVendas, movi);  // the figures no fixed field takes too

    if (ctx_.counters) before_ = ctx_.counters->recall(p_.stCdPortaImpFis);
    Abre_Gaveta_Imp(ctx_, p_.stCdPortaImpFis, p_.stEsquemaCor, false);
    if (debit) return consumer_debit();
    return scan_.boPagtoVale ? voucher() : ordinary();
}

// What an ordinary sale reads once its fiscal receipt is open, checked
// before the drawer opens: a missing field or balance table found later
// would leave the receipt open in the printer.
void Sale::CheckReceiptInputs() {
    TClientDataSet& vendas = t_.cdsVendas;
    RequireFields(vendas, kCall, "cdsVendas", {"NMOPERADOR"});  // also the exempt breakdown's
    if (!HasTaxableItem(vendas)) return;  // no fiscal receipt opens
    RequireFields(vendas, kCall, "cdsVendas", {"CDARVPROD", "NMPRODUTO", "CDLOJA", "VRTXSERVICO"});
    RequireFields(t_.cdsMovi, kCall, "cdsMovi", {"CDFPIMPFIS"});
    if (p_.stTipoVenda != kFamilySale) return;
    // The closing block's family balance, worked out now as the footer will:
    // a NULL balance table or a missing field refuses the sale here.
    const ExemptTotals exempt = SumExemptItems(vendas, ctx_.format);
    if (exempt.doTotIsento == 0) ComputeFamilyBalance(t_.balances, saldo_, scan_.doValorCons);
}

std::string Sale::consumer_debit() {
    docs_.consumer_debit_receipt(ctx_, p_.stEsquemaCor, p_.stCdPortaImpFis, p_.stSenhaCupom, p_.stNmCons, operador(),
                                 p_.stDsObsCupFis, p_.doSaldoDebito, p_.doPrecoSubsidio, t_.cdsVendas,
                                 p_.stIdTipoImpFis, saldo_);
    read_receipt_number();
    return vouched();
}

std::string Sale::ordinary() {
    TClientDataSet& vendas = t_.cdsVendas;
    sums_ = OrdinaryPayments(t_.cdsMovi);
    SetTableFilter(vendas, kTaxableItems);
    const bool boExisteProdTributado = !vendas.IsEmpty();
    if (boExisteProdTributado) {
        ctx_.log.ImpFisDebug(kOpenReceiptLine);
        send(cmd::kOpenFiscalReceipt);
        pause(inSleep_);
        ctx_.log.ImpFisDebug(kOpenBoletaLine);
        send(cmd::kOpenBoleta);
        pause(inSleep_);
        dototalSomaItems_ = Venda_Item(ctx_, p_.stCdPortaImpFis, vendas, sums_.doTotalPago - sums_.doTotalTroco,
                                       p_.stIdTipoImpFis);
    }
    const ExemptTotals exempt = SumExemptItems(vendas, ctx_.format);
    if (!boExisteProdTributado) return exempt_only(exempt);
    if (LineFailed(ctx_)) return {};  // the receipt ends where the line failed
    close_taxable(exempt);
    read_receipt_number();
    return vouched();
}

// Total, payments, then the closing block or the exempt breakdown.
void Sale::close_taxable(const ExemptTotals& exempt) {
    const double doTotalComt = sums_.doTotalPago - sums_.doTotalTroco;
    const double doTotalTributado = doTotalComt - exempt.doTotIsento;
    send(cmd::kTotalReceipt, Amount10(dototalSomaItems_, ctx_.format));
    ctx_.log.ImpFisDebug(kTotalLine);
    pause(inSleep_ - kShorterPauseMs);

    SetTableFilter(t_.cdsMovi, kPaymentMovements);
    Pagamento(ctx_, p_.stCdPortaImpFis, t_.cdsMovi, t_.cdsVendas.FieldByName("VRTXSERVICO").AsFloat());
    t_.cdsMovi.SetFiltered(false);
    if (LineFailed(ctx_)) return;  // the receipt ends where the line failed

    if (exempt.doTotIsento == 0) {
        pause(inSleep_ - kShorterPauseMs);
        send(type30() ? cmd::kLineFeed : cmd::kCutPaper);
        const ClosingSale sale{p_.stTipoVenda,     p_.stNmCons,   p_.doSaldoDebito, p_.doPrecoSubsidio,
                               doTotalTributado,   scan_.doValorCons, saldo_};
        Final_Cupom(ctx_, p_.stEsquemaCor, p_.stCdPortaImpFis, operador(),
                    t_.cdsVendas.FieldByName("CDLOJA").AsString(), p_.stSenhaCupom, p_.stDsObsCupFis,
                    exempt.doAcrescimo, exempt.doDesconto, sale, t_.balances, p_.stIdTipoImpFis);
        pause(inSleep_);
        if (type30()) send(cmd::kCloseType30);
        return;
    }
    pause(inSleep_);
    if (type16()) {
        send(cmd::kCutPaper);
        pause(kAfterCutPauseMs);
    }
    const ExemptSale sale{exempt.stTotIsento, doTotalTributado, doTotalComt, sums_.doTotalTroco, true};
    Isento_Composto(ctx_, p_.stCdPortaImpFis, p_.stEsquemaCor, operador(), p_.stSenhaCupom, p_.stDsObsCupFis, sale,
                    exempt.doAcrescimo, exempt.doDesconto, p_.stIdTipoImpFis);
    if (type30()) {
        pause(inSleep_);
        send(cmd::kCloseType30);
    }
}

bool Sale::exempt_breakdown(const ExemptTotals& exempt, const std::string& stOperador) {
    const ExemptSale sale{exempt.stTotIsento, 0, exempt.doTotIsento, sums_.doTotalTroco, false};
    return Isento_Composto(ctx_, p_.stCdPortaImpFis, p_.stEsquemaCor, stOperador, p_.stSenhaCupom, p_.stDsObsCupFis,
                           sale, exempt.doAcrescimo, exempt.doDesconto, p_.stIdTipoImpFis);
}

// No fiscal receipt was opened: the breakdown alone, tried again while the
// printer does not confirm it, within the one retry rule.
std::string Sale::exempt_only(const ExemptTotals& exempt) {
    if (!EmptyString(exempt.stTotIsento)) {
        const std::string stOperador = operador();
        Retried(ctx_, p_.stEsquemaCor, "Isento_Composto", [&] { return exempt_breakdown(exempt, stOperador); });
    }
    return {};
}

std::string Sale::voucher() {
    TClientDataSet& vendas = t_.cdsVendas;
    SetTableFilter(vendas, kItemsNotOfKindT);
    if (!vendas.IsEmpty()) {
        ctx_.dialog.Mensagem(ctx_.messages.msgPadrao().Msg(kRefusalKey), "", "N", "N", TTipoMsg::Tipo3, "",
                             p_.stEsquemaCor, 0, nullptr);
        Decide(ctx_, VerdictKind::NotSent,
               "the sale was refused: a voucher cannot pay for items that are not of tax kind T; nothing was printed");
        return std::string(kRefused);
    }
    vendas.SetFiltered(false);
    const std::string stNomeOperador = operador();
    sums_ = VoucherPayments(t_.cdsMovi);
    const double doTotalCompra = sums_.doTotalPago - sums_.doTotalTroco;
    // The credit note is worth what the vouchers leave of the purchase, not
    // the other payments before the change given back.
    const std::string stMontoDin = Amount10(doTotalCompra - sums_.doMontoTic, ctx_.format);
    std::string number;  // the credit note's receipt number, when it is this sale's
    if (doTotalCompra > sums_.doMontoTic) {
        const ExemptTotals exempt = SumExemptItems(vendas, ctx_.format);
        SetTableFilter(vendas, kTaxableItems);
        if (!vendas.IsEmpty()) {
            Nota_Credito(ctx_, p_.stCdPortaImpFis, p_.stEsquemaCor, stMontoDin, t_.cdsMovi, vendas, p_.stSenhaCupom,
                         p_.stDsObsCupFis, exempt.doAcrescimo, exempt.doDesconto, scan_.doValorCons,
                         p_.stIdTipoImpFis, saldo_);
            read_receipt_number();
            number = vouched();
        } else if (!EmptyString(exempt.stTotIsento)) {
            exempt_breakdown(exempt, stNomeOperador);
            result_.clear();
        }
    }
    // The ticket prints the number as it was read: its bytes stay as they are.
    docs_.sale_ticket(ctx_, sums_.doMontoTic, p_.stCdPortaImpFis, p_.stSenhaCupom, result_, stNomeOperador,
                      p_.stDsObsCupFis, t_.cdsMovi);
    return number;
}

// The receipt number read back, only when it is this sale's: the counter
// read at the end is one past the counter last read before the sale, from the
// same printer, and nothing of the sale was refused or lost on the line.
// Otherwise "" and the verdict says why.
std::string Sale::vouched() {
    if (!ctx_.counters) return result_;  // a link that keeps no counters cannot tell: the number as read
    if (LineFailed(ctx_)) return {};  // the verdict names the line's failure
    const std::string refusal = ctx_.call ? ctx_.call->refusal : std::string();
    auto unconfirmed = [&](std::string why) {
        Decide(ctx_, VerdictKind::Unconfirmed, std::move(why));
        return std::string();
    };
    if (!refusal.empty()) {
        Decide(ctx_, VerdictKind::Refused, refusal + "; the receipt number read back may be another receipt's");
        return {};
    }
    if (result_.empty()) return unconfirmed("the receipt number could not be read back");
    const std::optional<PrinterCounter> after =
        ctx_.counters ? ctx_.counters->recall(p_.stCdPortaImpFis) : std::nullopt;
    if (!before_ || !after || before_->serial != after->serial)
        return unconfirmed("receipt " + result_ + " was read back, but no earlier reading of this printer's "
                           "receipt counter is kept, so it cannot be told to be this sale's");
    if (after->receipt == before_->receipt)
        return unconfirmed("the receipt counter did not move from " + result_ +
                           ": the printer did not count a receipt for this sale (voided or not printed)");
    if (after->receipt != before_->receipt + 1)
        return unconfirmed("the receipt counter moved from " + std::to_string(before_->receipt) + " to " +
                           std::to_string(after->receipt) + ": more than this sale's receipt was counted");
    Decide(ctx_, VerdictKind::Confirmed, "receipt " + result_ + " was counted for this sale");
    return result_;
}

}  // namespace

std::string ImpressaoVenda(LinkContext& ctx, const TParams& Params, const SaleTables& tables,
                           const std::string& IdImpSaldoCup, const SaleDocuments& documents) {
    const SaleParams p = ReadSaleParams(Params, ctx.format);
    ctx.log.ImpFisDebug(kStartLine);
    Sale sale(ctx, p, tables, IdImpSaldoCup, documents);
    return sale.run();
}

}  // namespace dru
