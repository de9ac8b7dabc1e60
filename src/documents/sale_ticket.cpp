#include "documents/sale_ticket.h"

#include "print/printed_figures.h"
#include "host/format.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/receipt_footer.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "ImprimeNaoFiscal";
// The printer needs this long after every frame of the ticket, whatever its type.
constexpr int kTicketPauseMs = 150;
// The ticket's cash desk is always the first.
constexpr std::string_view kCashDesk = "Caja: 0001";
constexpr std::string_view kSaleCaption = "Venta: ";
constexpr std::string_view kSaleGap =
    "           ";  // 11 blanks between the receipt number and the desk
// The dashes after the sale line and before the footer text.
constexpr int kRuleWidth = 38;
// The TOTAL line ends its amount in this column (counted after "TOTAL").
constexpr int kTotalAmountEnd = 33;
// A voucher line: its description in 25 columns, its amount right-aligned in 13.
constexpr int kVoucherNameWidth = 25;
constexpr int kVoucherAmountWidth = 13;
constexpr std::string_view kAmountMask = ",##0";
constexpr std::string_view kVoucherFilter = "IDTIPORECE = 5 OR IDTIPORECE = 7";
constexpr std::string_view kTimeFormat = "hh:mm:ss";

DocumentLine TicketLine(std::string frame) {
    return {std::move(frame), 0, kTicketPauseMs};
}

std::string SaleLine(const std::string& stNrCupomFis) {
    if (EmptyString(stNrCupomFis)) return Frame(cmd::kCommentLine1, kCashDesk);
    return Frame(cmd::kCommentLine1, std::string(kSaleCaption) + stNrCupomFis +
                                         std::string(kSaleGap) + std::string(kCashDesk));
}

std::string RuleFrame() {
    return Frame(cmd::kCommentLine2, Replicate("-", kRuleWidth));
}

// "TOTAL", blanks, the amount ending in its column (or right after "TOTAL"
// when it is longer); an amount the printed line cannot hold is refused.
std::string TotalFrame(double doMontoTic, const FormatSettings& fs) {
    constexpr std::string_view kTotalCaption = "TOTAL";
    const double monto = FiniteAmount(kCall, "doMontoTic", doMontoTic);
    const std::string amount = FittedFigure(kCall, "doMontoTic", monto, FormatFloat(kAmountMask, monto, fs),
                                            static_cast<int>(kPrintedLineChars - kTotalCaption.size()));
    const int blanks = kTotalAmountEnd - static_cast<int>(text::length(amount));
    return Frame(cmd::kCommentLine3, std::string(kTotalCaption) + Replicate(" ", blanks) + amount);
}

// Filtering off after the walk, also when a row is refused.
struct FilterOffOnExit {
    TClientDataSet& ds;
    ~FilterOffOnExit() { ds.SetFiltered(false); }
};

// One line per voucher payment, every row checked before anything is sent.
Document VoucherLines(TClientDataSet& cdsMovi, const FormatSettings& fs) {
    RequireFields(cdsMovi, kCall, "cdsMovi", {"VRMOVIVEND", "DSIMPFISCAL"});
    Document lines;
    SetTableFilter(cdsMovi, kVoucherFilter);
    const FilterOffOnExit filter_off{cdsMovi};
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next()) {
        const double amount = cdsMovi.FieldByName("VRMOVIVEND").AsFloat();
        const std::string text =
            FittedFigure(kCall, RowField(cdsMovi.RecNo(), "VRMOVIVEND"), amount,
                         FormatFloat(kAmountMask, amount, fs), kVoucherAmountWidth);
        lines.push_back(TicketLine(
            Frame(cmd::kCommentLine1,
                  TamFixo(cdsMovi.FieldByName("DSIMPFISCAL").AsString(), kVoucherNameWidth) +
                      TamFixoR(text, kVoucherAmountWidth))));
    }
    return lines;
}

// Six blanks, "Fecha: ", the date, " Hora: ", the time, as the line is printed.
std::string DateFrame(TDateTime now, const FormatSettings& fs) {
    return Frame(cmd::kCommentLine1, "      Fecha: " + DateToStr(now, fs) +
                                         " Hora: " + FormatDateTime(kTimeFormat, now, fs));
}

}  // namespace

bool ImprimeNaoFiscal(LinkContext& ctx, double doMontoTic, const std::string& stCdPortaImpFis,
                      const std::string& stSenhaCupom, const std::string& stNrCupomFis,
                      const std::string& stNomeOperador, const std::string& stDsObsCupFisIbm,
                      TClientDataSet& cdsMovi) {
    Document head{TicketLine(Frame(cmd::kBeginComment)), TicketLine(SaleLine(stNrCupomFis)),
                  TicketLine(RuleFrame()), TicketLine(TotalFrame(doMontoTic, ctx.format)),
                  TicketLine(Frame(cmd::kLineFeed))};
    const Document vouchers = VoucherLines(cdsMovi, ctx.format);
    head.insert(head.end(), vouchers.begin(), vouchers.end());
    head.push_back(TicketLine(Frame(cmd::kLineFeed)));

    // Only the observation lines of the ticket are logged.
    FooterStyle style{0, "", 0, ""};
    style.pause_after_write_ms = kTicketPauseMs;
    style.password_always = true;
    style.password_label = "";
    style.vendor_label = "";
    style.separator_width = kRuleWidth;
    Document tail;
    AppendReceiptFooter(
        tail, style,
        {stNomeOperador, stSenhaCupom, stDsObsCupFisIbm, ctx.messages.msgPadrao().Msg("Korvane")});

    DocumentWriter out(ctx, stCdPortaImpFis,
                       "");  // no reply is read, so nothing is shown to the operator
    if (!out.is_open()) return false;
    out.play(head);
    out.line(TicketLine(DateFrame(ctx.clock.now(), ctx.format)));
    out.play(tail);
    return true;
}

}  // namespace dru
