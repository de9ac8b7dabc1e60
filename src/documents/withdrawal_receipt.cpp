#include "documents/withdrawal_receipt.h"

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

constexpr std::string_view kCall = "ImpReciboSangria_IBM";
// The printer needs this long after each line of the receipt.
constexpr int kReceiptPauseMs = 200;
// Before the end comment: the host's Delay(1), its shortest pause.
constexpr int kBeforeEndDelayMs = 1;
// The title is centred in this many columns.
constexpr int kTitleWidth = 42;
// A payment line: the name padded to 25 columns, a blank, the amount.
constexpr int kPaymentNameWidth = 25;
// The operator line is cut to what the printer's line takes.
constexpr std::size_t kOperatorLineWidth = 48;
constexpr int kRuleWidth = 44;

constexpr std::string_view kBeginLabel = "Inicio Comentario ImpReciboSangria_IBM";
constexpr std::string_view kLineFeedLabel = "Salto Linha ImpReciboSangria_IBM";
constexpr std::string_view kPaymentLabel = "TIpo Recebimento ImpReciboSangria_IBM";
constexpr std::string_view kLastLineFeedLabel = "Salto de Linha ImpReciboSangria_IBM";
constexpr std::string_view kOperatorLabel = "Inicio Operador ImpReciboSangria_IBM";
constexpr std::string_view kVendorLabel = "KORVANE ImpReciboSangria_IBM";
constexpr std::string_view kEndLabel = "Fim Comentario ImpReciboSangria_IBM";

DocumentLine ReceiptLine(std::string frame, std::string_view label,
                         int pause_after_ms = kReceiptPauseMs) {
    return {std::move(frame), 0, 0, pause_after_ms, std::string(label)};
}

// One line per row from the current one to the end; the cursor ends there.
Document PaymentLines(TClientDataSet& cdsMovFecha, const FormatSettings& fs) {
    RequireFields(cdsMovFecha, kCall, "cdsMovFecha", {"VRFECHAINF", "NMTIPORECE"});
    Document lines;
    for (; !cdsMovFecha.Eof(); cdsMovFecha.Next()) {
        const double amount = FiniteAmount(kCall, RowField(cdsMovFecha.RecNo(), "VRFECHAINF"),
                                           cdsMovFecha.FieldByName("VRFECHAINF").AsFloat());
        const std::string name = cdsMovFecha.FieldByName("NMTIPORECE").AsString();
        lines.push_back(ReceiptLine(
            Frame(cmd::kCommentLine5, PadR(name, kPaymentNameWidth) + " " + FloatToStr(amount, fs)),
            kPaymentLabel));
    }
    return lines;
}

// "Operador : <code> <name>" of the current row, cut to the printer's line.
// A table the cash closing never loaded has no row (and no fields) to read.
std::string OperatorText(const TClientDataSet& cdsOperadorSup, const std::string& caption) {
    if (cdsOperadorSup.IsEmpty())
        throw EDatabaseError(
            std::string(kCall) +
            ": cdsOperadorSup holds no operator (the cash closing tables are not loaded)");
    RequireFields(cdsOperadorSup, kCall, "cdsOperadorSup", {"CDOPERADOR", "NMOPERADOR"});
    const std::string text = caption + " : " + cdsOperadorSup.FieldByName("CDOPERADOR").AsString() +
                             " " + cdsOperadorSup.FieldByName("NMOPERADOR").AsString();
    return text::substr(text, 0, kOperatorLineWidth);
}

}  // namespace

bool ImpReciboSangria_IBM(Session& session, const std::string& stEsquemaCor,
                          const std::string& stCdPortaImpFis) {
    LinkContext& ctx = session.link;
    TdtmImpressoraIBM& dm = session.dm.get();
    const TMessages& messages = ctx.messages.msgPadrao();
    const std::string operator_text = OperatorText(dm.cdsOperadorSup, messages.Msg("Operador"));
    const Document payments = PaymentLines(dm.cdsMovFecha, ctx.format);

    const DocumentLine line_feed = ReceiptLine(Frame(cmd::kLineFeed), kLineFeedLabel);
    Document doc{
        ReceiptLine(Frame(cmd::kBeginComment), kBeginLabel), line_feed,
        ReceiptLine(Frame(cmd::kCommentLine5, Centraliza(messages.Msg("Rel_Sangria"), kTitleWidth)),
                    ""),
        line_feed};
    doc.insert(doc.end(), payments.begin(), payments.end());
    doc.push_back(ReceiptLine(Frame(cmd::kLineFeed), kLastLineFeedLabel));
    doc.push_back(ReceiptLine(Frame(cmd::kCommentLine3, operator_text), kOperatorLabel));
    doc.push_back(ReceiptLine(Frame(cmd::kCommentLine2, Replicate("-", kRuleWidth)), ""));
    doc.push_back(ReceiptLine(Frame(cmd::kCommentLine3, messages.Msg("Korvane")), kVendorLabel,
                              kBeforeEndDelayMs));
    doc.push_back(ReceiptLine(Frame(cmd::kEndComment), kEndLabel, 0));

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play(doc);
    return out.final_reply_check();
}

}  // namespace dru
