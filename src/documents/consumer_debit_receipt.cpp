#include "documents/consumer_debit_receipt.h"

#include "print/printed_figures.h"
#include "host/format.h"
#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/receipt_footer.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "ImpDebito_Consumidor_IBM";
// The printer needs this long before each line of the debit receipt.
constexpr int kDebitPauseMs = 200;
constexpr int kDebitPauseType30Ms = 160;  // type "30" takes comment lines faster
// Item and footer lines, and the blank line after them, take this much longer.
constexpr int kLongLineExtraMs = 50;
// Before the end comment the printer needs this much more to finish the block.
constexpr int kBeforeEndExtraMs = 210;
// An item line: quantity in 5 columns, name in 20, a gap, line total in 10.
constexpr int kQuantityWidth = 5;
constexpr int kNameWidth = 20;
constexpr int kAmountWidth = 10;
// The total line: the caption right-aligned in 25 columns, a gap, the total in 10.
constexpr int kTotalCaptionWidth = 25;
constexpr std::string_view kGap = "  ";
// The dashes before the consumer line and before the footer text.
constexpr int kRuleWidth = 39;
// IdImpSaldoCup "2": the consumer's balance is not printed.
constexpr std::string_view kNoBalanceLine = "2";

constexpr std::string_view kBeginLabel = "Inicia Comentario Isent_Simpl";
constexpr std::string_view kLineFeedLabel = "Salto de linha debito consumidor";
constexpr std::string_view kItemLabel = "imprimindo Produto Venda_Item";
constexpr std::string_view kTotalLabel = "imprime o total da venda";
constexpr std::string_view kDateLabel = "imprime a data e hora debito consumidor ";
constexpr std::string_view kConsumerLabel = "Nome do consumidor ImpDebito_Consumidor";
constexpr std::string_view kBalanceLabel = "Saldo do consumidor ImpDebito_Consumidor";
constexpr std::string_view kOperatorLabel = "Cajero: ImpDebito_Consumidor";
constexpr std::string_view kFooterLineLabel = "Imprime Mensagem Rodape (Linha ";
constexpr std::string_view kEndLabel = "Fim Comentario Isent_Simpl";

struct SaleLines {
    Document items;
    double total = 0;  // the sum of the line totals
};

// One item line per row, every row checked before anything is sent.
SaleLines ReadItems(TClientDataSet& cdsVendas, const FormatSettings& fs, int pause) {
    RequireFields(cdsVendas, kCall, "cdsVendas", {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "NMPRODUTO"});
    SaleLines sale;
    for (cdsVendas.First(); !cdsVendas.Eof(); cdsVendas.Next()) {
        const int row = cdsVendas.RecNo();
        const TField& quantity = cdsVendas.FieldByName("QTPRODCOMVEN");
        const double doPreco = cdsVendas.FieldByName("VRPRECCOMVEN").AsFloat() -
                               cdsVendas.FieldByName("VRDESCCOMVEN").AsFloat();
        const double line_total = Trunc2(doPreco * quantity.AsFloat());
        const std::string stQuant =
            FittedFigure(kCall, RowField(row, "QTPRODCOMVEN"), quantity.AsFloat(),
                         quantity.AsString(), kQuantityWidth);
        const std::string stProdTot = FittedFigure(kCall, RowField(row, "line total"), line_total,
                                                   FloatToStr(line_total, fs), kAmountWidth);
        const std::string text =
            TamFixo(stQuant, kQuantityWidth) +
            TamFixo(cdsVendas.FieldByName("NMPRODUTO").AsString(), kNameWidth) + std::string(kGap) +
            TamFixoR(stProdTot, kAmountWidth);
        sale.items.push_back({Frame(cmd::kCommentLine1, text), pause + kLongLineExtraMs, 0, 0,
                              std::string(kItemLabel)});
        sale.total += line_total;
    }
    return sale;
}

// From the begin comment to the line feed after the total.
Document HeadLines(const SaleLines& sale, const FormatSettings& fs, int p) {
    const std::string total =
        FittedFigure(kCall, "total", sale.total, FloatToStr(sale.total, fs), kAmountWidth);
    const DocumentLine line_feed{Frame(cmd::kLineFeed), p, 0, 0, std::string(kLineFeedLabel)};
    Document doc{{Frame(cmd::kBeginComment), p, 0, 0, std::string(kBeginLabel)}, line_feed};
    doc.insert(doc.end(), sale.items.begin(), sale.items.end());
    doc.push_back({Frame(cmd::kCommentLine3, TamFixoR("Total", kTotalCaptionWidth) +
                                                 std::string(kGap) + TamFixoR(total, kAmountWidth)),
                   p, 0, 0, std::string(kTotalLabel)});
    doc.push_back(line_feed);
    return doc;
}

// "113Fecha: ", the date, " Hora: ", the time, as the line is printed.
std::string DateFrame(TDateTime now, const FormatSettings& fs) {
    return Frame(cmd::kCommentLine3,
                 "Fecha: " + DateToStr(now, fs) + " Hora: " + TimeToStr(now, fs));
}

std::string RuleFrame() {
    return Frame(cmd::kCommentLine1, Replicate("-", kRuleWidth));
}

// The receipt footer with this document's pauses, labels and dashes.
FooterStyle FooterStyleFor(int p) {
    FooterStyle style{p, std::string(kOperatorLabel), p + kBeforeEndExtraMs,
                      std::string(kEndLabel)};
    style.observation_pause_ms = p + kLongLineExtraMs;
    style.observation_label = kFooterLineLabel;
    style.vendor_label = "";  // not logged here
    style.separator_code = cmd::kCommentLine1;
    style.separator_width = kRuleWidth;
    return style;
}

}  // namespace

bool ImpDebito_Consumidor_IBM(LinkContext& ctx, const std::string& stEsquemaCor,
                              const std::string& stCdPortaImpFis, const std::string& stSenhaCupom,
                              const std::string& stNmCons, const std::string& operador,
                              const std::string& stDsObsCupFis, double doSaldoDebito,
                              double doPrecoSubsidio, TClientDataSet& cdsVendas,
                              const std::string& idtipoimpfis, const std::string& IdImpSaldoCup) {
    const int p = idtipoimpfis == printer_type::k30 ? kDebitPauseType30Ms : kDebitPauseMs;
    const SaleLines sale = ReadItems(cdsVendas, ctx.format, p);
    const Document head = HeadLines(sale, ctx.format, p);

    Document tail{{RuleFrame(), p},
                  {Frame(cmd::kCommentLine1, "Consumidor : " + stNmCons), p, 0, 0,
                   std::string(kConsumerLabel)}};
    if (IdImpSaldoCup != kNoBalanceLine) {
        const double balance =
            FiniteAmount(kCall, "balance", doSaldoDebito - sale.total + doPrecoSubsidio);
        tail.push_back(
            {Frame(cmd::kCommentLine1, "Saldo Final :  " + FloatToStr(balance, ctx.format)), p, 0,
             0, std::string(kBalanceLabel)});
    }
    AppendReceiptFooter(
        tail, FooterStyleFor(p),
        {operador, stSenhaCupom, stDsObsCupFis, ctx.messages.msgPadrao().Msg("Korvane")});

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play(head);
    out.pause(p);  // the date and time are those of the moment the line is printed
    out.line({DateFrame(ctx.clock.now(), ctx.format), 0, 0, 0, std::string(kDateLabel)});
    out.play(tail);
    if (idtipoimpfis != printer_type::k16) return true;  // only type "16" answers the block
    return out.final_reply_check();
}

}  // namespace dru
