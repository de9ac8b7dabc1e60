#include "receipt/exempt_closing.h"

#include "host/format.h"
#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/receipt_footer.h"

namespace dru {

namespace {

// The printer needs this long before each line of the breakdown block.
constexpr int kExemptPauseMs = 200;
constexpr int kExemptPauseType30Ms = 160;  // type "30" takes comment lines faster
// Before the end comment: the host's Delay(1), its shortest pause.
constexpr int kBeforeEndDelayMs = 1;
// A breakdown line: the label in 15 columns, the amount right-aligned in 10.
constexpr int kLabelWidth = 15;
constexpr int kValueWidth = 10;
constexpr std::string_view kAmountMask = "#,##0";
constexpr std::string_view kBeginLabel = "Inicia Comentario Isento_Composto";
constexpr std::string_view kDateLabel = "Data e Hora: Isent_Simpl";
constexpr std::string_view kEndLabel = "Fim Comentario Isento_Composto";
constexpr std::string_view kNotices[] = {"Su compra contiene productos exentos de",
                                         "I.V.A por lo cual su boleta tiene un", "desglose adicional"};

std::string BreakdownFrame(std::string_view label, const std::string& value) {
    return Frame(cmd::kCommentLine6, PadR(label, kLabelWidth) + PadL(value, kValueWidth));
}

// The amounts; the date line of a simple breakdown follows them.
Document AmountLines(const ExemptSale& sale, const FormatSettings& fs, int p) {
    Document doc{{Frame(cmd::kBeginComment), p, 0, 0, std::string(kBeginLabel)}};
    if (sale.boCupomComposto)
        doc.push_back({BreakdownFrame("Total Afecto:", FormatFloat(kAmountMask, sale.doTotalTributado, fs)), p});
    doc.push_back({BreakdownFrame("Exento:", sale.stTotIsento), p});
    doc.push_back({BreakdownFrame("Total Compra:", FormatFloat(kAmountMask, sale.doTotalCompra, fs)), p});
    if (sale.doTotalTroco != 0 || sale.boCupomComposto)
        doc.push_back({BreakdownFrame("Vuelto:", FormatFloat(kAmountMask, sale.doTotalTroco, fs)), p});
    return doc;
}

// "111", eight blanks, "Fecha:", the date, four blanks, "Hora:", the time.
std::string DateFrame(TDateTime now, const FormatSettings& fs) {
    return Frame(cmd::kCommentLine1, "        Fecha:" + DateToStr(now, fs) + "    Hora:" + TimeToStr(now, fs));
}

}  // namespace

bool Isento_Composto(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                     const std::string& stoperador, const std::string& stSenhaCupom,
                     const std::string& stDsObsCupFis, const ExemptSale& sale, double /*doAcrescimo*/,
                     double /*doDesconto*/, const std::string& idtipoimpfis) {
    const int p = idtipoimpfis == printer_type::k30 ? kExemptPauseType30Ms : kExemptPauseMs;
    Document rest;
    for (std::string_view notice : kNotices) rest.push_back({Frame(cmd::kCommentLine1, notice), p});
    AppendReceiptFooter(rest, {p, "", kBeforeEndDelayMs, std::string(kEndLabel)},
                        {stoperador, stSenhaCupom, stDsObsCupFis, ctx.messages.msgPadrao().Msg("Korvane")});

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play(AmountLines(sale, ctx.format, p));
    if (!sale.boCupomComposto) {
        out.pause(p);  // the date and time are those of the moment the line is printed
        out.line({DateFrame(ctx.clock.now(), ctx.format), 0, 0, 0, std::string(kDateLabel)});
    }
    out.play(rest);
    if (idtipoimpfis != printer_type::k16) return true;
    return out.final_reply_check();
}

}  // namespace dru
