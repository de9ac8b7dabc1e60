#include "documents/credit_voucher.h"

#include <algorithm>

#include "print/printed_figures.h"
#include "host/errors.h"
#include "host/format.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "Compr_CredPessoal";
constexpr std::string_view kAmountField = "VRMOVIVEND";
// The printer needs this long before each line of the voucher, whatever its type.
constexpr int kVoucherPauseMs = 200;
// Before the end comment: the host's Delay(1), its shortest pause.
constexpr int kBeforeEndDelay = 1;
// Amounts in the currency format with two decimals.
constexpr int kCurrencyDigits = 2;
// The rule under the title.
constexpr int kRuleWidth = 27;
// Blank lines that leave room to tear the copy off.
constexpr int kTrailingBlankLines = 3;
// One copy for the consumer, one for the cash desk.
constexpr int kCopies = 2;

constexpr std::string_view kBeginLabel = "Inicia Comentario Isento_Composto";
constexpr std::string_view kEndLabel = "Fim Comentario Isento_Composto";

// The sum of the amounts of every row, each checked before anything is sent.
double AmountBought(TClientDataSet& cdsMovCaixaCred) {
    if (!cdsMovCaixaCred.Active())
        throw EDatabaseError(std::string(kCall) + ": cdsMovCaixaCred is not open");
    RequireFields(cdsMovCaixaCred, kCall, "cdsMovCaixaCred", {kAmountField});
    double doPago = 0;
    for (cdsMovCaixaCred.First(); !cdsMovCaixaCred.Eof(); cdsMovCaixaCred.Next())
        doPago += FiniteAmount(kCall, RowField(cdsMovCaixaCred.RecNo(), kAmountField),
                               cdsMovCaixaCred.FieldByName(kAmountField).AsFloat());
    return doPago;
}

DocumentLine VoucherLine(std::string_view code, const std::string& text = {},
                         std::string_view label = {}) {
    return {Frame(code, text), kVoucherPauseMs, 0, 0, std::string(label)};
}

}  // namespace

bool Compr_CredPessoal(LinkContext& ctx, const std::string& stCdPortaImpFis,
                       TClientDataSet& cdsMovCaixaCred, double doSald,
                       const std::string& stNmConsCred, const std::string& stNrDeposi,
                       const std::string& stNmFamilia) {
    const double doPago = AmountBought(cdsMovCaixaCred);
    const double balance = FiniteAmount(kCall, "final balance", doPago + doSald);
    const TMessages& messages = ctx.messages.msgPadrao();
    // A caption and its amount share one printed line: an amount the line
    // cannot hold is refused before anything is sent, never cut.
    const auto amount_line = [&](const std::string& caption, std::string_view where, double value) {
        const int room = static_cast<int>(kPrintedLineChars) - static_cast<int>(text::length(caption));
        return caption + FittedFigure(kCall, where, value, FloatToCurrency(value, kCurrencyDigits, ctx.format),
                                      std::max(room, 0));
    };

    Document copy{
        VoucherLine(cmd::kBeginComment, {}, kBeginLabel),
        VoucherLine(cmd::kCommentLine6, messages.Msg("ComprCredito")),
        VoucherLine(cmd::kCommentLine6, Replicate("-", kRuleWidth)),
        VoucherLine(cmd::kCommentLine1, messages.Msg("Nr_Deposito") + stNrDeposi),
        VoucherLine(cmd::kCommentLine1),
        VoucherLine(cmd::kCommentLine1, messages.Msg("NmCons") + stNmConsCred),
        VoucherLine(cmd::kCommentLine1, messages.Msg("NmFami") + stNmFamilia),
        VoucherLine(cmd::kCommentLine1, amount_line(messages.Msg("VrCupom"), "amount bought", doPago)),
        VoucherLine(cmd::kCommentLine1, amount_line(messages.Msg("VrSaldo"), "final balance", balance)),
    };
    copy.insert(copy.end(), kTrailingBlankLines, VoucherLine(cmd::kCommentLine1));

    DocumentWriter out(ctx, stCdPortaImpFis, "");  // no reply is read, so nothing is analysed
    if (!out.is_open()) return false;
    for (int i = 0; i < kCopies; ++i) {
        out.play(copy);
        Pause(ctx, kBeforeEndDelay);
        out.line({Frame(cmd::kEndComment), 0, 0, 0, std::string(kEndLabel)});
    }
    return out.is_open();  // false when the line failed on the way
}

}  // namespace dru
