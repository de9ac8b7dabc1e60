#include "documents/cash_supply.h"

#include "print/printed_figures.h"
#include "link/commands.h"
#include "link/frames.h"
#include "host/text.h"
#include "print/document_writer.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "Suprimento";
// The printer needs this long after each line of the supply, and before the first.
constexpr int kSupplyPauseMs = 180;
// Whole units with the thousands separated; the "$" belongs to the caption.
constexpr std::string_view kCashAmountMask = "#,##0";
constexpr std::string_view kSupplyCaption = "Ingresso de Efectivo  : $ ";
constexpr std::string_view kDateCaption = "      Fecha: ";  // six blanks indent the line
constexpr std::string_view kTimeCaption = " Hora: ";
constexpr std::string_view kTimeFormat = "hh:mm:ss";

constexpr std::string_view kBeginLabel = "Inicio Comentario Suprimento";
constexpr std::string_view kLineFeedLabel = "Salto Linha Suprimento";
constexpr std::string_view kAmountLabel = "Escrito Comentario Suprimento";
constexpr std::string_view kEndLabel = "Fim Comentario Suprimento";

DocumentLine SupplyLine(std::string frame, std::string_view label) {
    return {std::move(frame), 0, 0, kSupplyPauseMs, std::string(label)};
}

// The date and time of the moment the line is printed; not logged.
DocumentLine DateTimeLine(TDateTime now, const FormatSettings& fs) {
    return SupplyLine(Frame(cmd::kCommentLine1, std::string(kDateCaption) + DateToStr(now, fs) +
                                                    std::string(kTimeCaption) +
                                                    FormatDateTime(kTimeFormat, now, fs)),
                      "");
}

}  // namespace

std::string CashAmountFrame(std::string_view call, std::string_view caption, double doValor,
                            const FormatSettings& fs) {
    const double amount = FiniteAmount(call, "doValor", doValor);
    // The caption and the amount share one printed line: an amount it cannot
    // hold is refused, never cut to another figure.
    const int room = static_cast<int>(kPrintedLineChars - text::length(caption));
    return Frame(cmd::kCommentLine6,
                 std::string(caption) +
                     FittedFigure(call, "doValor", amount, FormatFloat(kCashAmountMask, amount, fs), room));
}

bool Suprimento(LinkContext& ctx, const std::string& stCdPortaImpFis,
                const std::string& stEsquemaCor, double doValor, bool /*boEntraCaixa*/) {
    const std::string amount = CashAmountFrame(kCall, kSupplyCaption, doValor, ctx.format);
    const DocumentLine line_feed = SupplyLine(Frame(cmd::kLineFeed), kLineFeedLabel);

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    DocumentLine begin = SupplyLine(Frame(cmd::kBeginComment), kBeginLabel);
    begin.pause_before_ms = kSupplyPauseMs;  // the printer settles after the port opens
    out.play({begin, line_feed});
    out.line(DateTimeLine(ctx.clock.now(), ctx.format));
    out.play({SupplyLine(amount, kAmountLabel),
              line_feed,
              {Frame(cmd::kEndComment), 0, 0, 0, std::string(kEndLabel)}});
    return out.final_reply_check();
}

}  // namespace dru
