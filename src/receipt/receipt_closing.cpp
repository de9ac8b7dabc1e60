#include "receipt/receipt_closing.h"

#include "host/format.h"
#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/receipt_footer.h"

namespace dru {

namespace {

// The printer needs this long before each line of the closing block.
constexpr int kClosingPauseMs = 220;
constexpr int kClosingPauseType30Ms = 160;  // type "30" takes comment lines faster
// The family name takes exactly this many columns on the balance line.
constexpr int kFamilyNameWidth = 15;
constexpr std::string_view kFamilyGap = "  ";
constexpr std::string_view kFamilySale = "1";
constexpr std::string_view kDebitSale = "2";
constexpr std::string_view kBeginLabel = "inicio Comentario Final_Cupom";
constexpr std::string_view kOperatorLabel = "imprime Operador Final_Cupom";
constexpr std::string_view kEndLabel = "Finaliza Comentario Final_Cupom";

// The consumer and balance lines.
void AppendConsumerLines(Document& doc, LinkContext& ctx, const ClosingSale& sale,
                         const std::optional<FamilyBalance>& family, int p) {
    const TMessages& msg = ctx.messages.msgPadrao();
    const std::string consumer = msg.Msg("Consumidor") + " : " + sale.stNmCons;
    if (sale.stTipoVenda == kFamilySale) {
        doc.push_back({Frame(cmd::kCommentLine1, consumer), p});
        if (family)
            doc.push_back({Frame(cmd::kCommentLine1, TamFixo(family->name, kFamilyNameWidth) + std::string(kFamilyGap) +
                                                         FloatToStrFixed2(family->balance, ctx.format))});
    } else if (sale.stTipoVenda == kDebitSale) {
        const double balance = sale.doSaldoDebito - sale.doValorVenda + sale.doPrecoSubsidio;
        doc.push_back({Frame(cmd::kCommentLine1, consumer), p});
        doc.push_back({Frame(cmd::kCommentLine1, msg.Msg("Sald_Cons") + " " + FloatToStr(balance, ctx.format)), p});
    }
}

}  // namespace

bool Final_Cupom(LinkContext& ctx, const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                 const std::string& Operador, const std::string& /*Loja*/, const std::string& stSenhaCupom,
                 const std::string& stDsObsCupFis, double /*doAcrescimo*/, double /*doDesconto*/,
                 const ClosingSale& sale, const BalanceTables& balances, const std::string& IdTipoImpFis) {
    const int p = IdTipoImpFis == printer_type::k30 ? kClosingPauseType30Ms : kClosingPauseMs;
    std::optional<FamilyBalance> family;
    if (sale.stTipoVenda == kFamilySale) family = ComputeFamilyBalance(balances, sale.IdImpSaldoCup, sale.doValorCons);

    Document doc{{Frame(cmd::kBeginComment), p, 0, 0, std::string(kBeginLabel)}};
    AppendConsumerLines(doc, ctx, sale, family, p);
    AppendReceiptFooter(doc, {p, std::string(kOperatorLabel), p, std::string(kEndLabel)},
                        {Operador, stSenhaCupom, stDsObsCupFis, ctx.messages.msgPadrao().Msg("Korvane")});

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play(doc);
    if (IdTipoImpFis != printer_type::k16) return true;  // only type "16" answers the block
    out.pause(p);
    return out.final_reply_check();
}

}  // namespace dru
