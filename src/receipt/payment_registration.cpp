#include "receipt/payment_registration.h"

#include <vector>

#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/printed_figures.h"

namespace dru {

namespace {

// The printer needs this long before the first payment and after each frame.
constexpr int kPaymentPauseMs = 200;
constexpr std::size_t kAmountWidth = 10;
constexpr std::size_t kPaymentCodeWidth = 2;  // the printer's payment code
constexpr std::string_view kPaymentLabel = "imprimindo Forma de Pagamento Total";
constexpr std::string_view kEndLabel = "Fim de Forma de Pagamento Total";

std::string PaymentFrame(TClientDataSet& cdsMovi, const FormatSettings& fs) {
    const double doMontoPago = cdsMovi.FieldByName("VRMOVIVEND").AsFloat();
    const std::string stMontoPago = CheckedOperand("Pagamento", cdsMovi.RecNo(), "VRMOVIVEND", doMontoPago,
                                                   Amount10(doMontoPago, fs), kAmountWidth);
    const std::string stTipoPago = CheckedCode("Pagamento", cdsMovi.RecNo(), "CDFPIMPFIS",
                                               cdsMovi.FieldByName("CDFPIMPFIS").AsString(), kPaymentCodeWidth);
    return Frame(cmd::kRegisterPayment, std::string(cmd::kPaymentPrefix) + stTipoPago + stMontoPago);
}

}  // namespace

bool Pagamento(LinkContext& ctx, const std::string& stCdPortaImpFis, TClientDataSet& cdsMovi,
               double /*doTxServ*/) {
    Document doc;
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next())
        doc.push_back({PaymentFrame(cdsMovi, ctx.format), 0, 0, kPaymentPauseMs, std::string(kPaymentLabel)});
    doc.push_back({Frame(cmd::kEndPayments, cmd::kEndPaymentsOperand), 0, 0, kPaymentPauseMs, std::string(kEndLabel)});

    DocumentWriter out(ctx, stCdPortaImpFis, "");
    if (!out.is_open()) return true;
    out.pause(kPaymentPauseMs);
    out.play(doc);
    return true;
}

}  // namespace dru
