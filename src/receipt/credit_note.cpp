#include "receipt/credit_note.h"

#include <vector>

#include "host/format.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "print/retry.h"
#include "print/printed_figures.h"
#include "receipt/payment_classes.h"
#include "receipt/receipt_closing.h"

namespace dru {

namespace {

// The printer needs this long after each command of the credit note.
constexpr int kCommandPauseMs = 350;
constexpr int kCommandPauseType30Ms = 200;  // type "30" takes the commands faster
// Widths of the amount operands: item price and line total, receipt total, payment.
constexpr std::size_t kItemAmountWidth = 9;
constexpr std::size_t kTotalWidth = 10;
constexpr std::size_t kPaymentWidth = 10;
constexpr std::size_t kPaymentCodeWidth = 2;  // the printer's payment code
// The difference line: no product code, quantity 1.000, a fixed description.
constexpr std::string_view kDifferenceProduct = "0000000000000";
constexpr std::string_view kOneUnit = "000001000";
constexpr std::string_view kDifferenceText = "              DIFERENCIA MEDIO DE PAGO CIRCULAR 37";
// The difference line is the receipt's only item: its amounts are named as row 1.
constexpr int kDifferenceRow = 1;
constexpr std::string_view kCall = "Nota_Credito";
constexpr std::string_view kOpenLabel = "Abre Cupom000";
constexpr std::string_view kBoletaLabel = "Abre Boleta Caixa12";
constexpr std::string_view kTotalLabel = "Total da Compra Total 20";
constexpr std::string_view kChangeMovement = "S";

// Every frame of the credit note before its closing, built (and every amount
// checked) before the first one is sent.
struct CreditNoteFrames {
    std::string item;
    std::string total;
    std::vector<std::string> payments;
};

// The payments of the non-voucher forms, change rows left out, from the first row.
std::vector<std::string> PaymentFrames(TClientDataSet& cdsMovi, const FormatSettings& fs) {
    std::vector<std::string> frames;
    for (cdsMovi.First(); !cdsMovi.Eof(); cdsMovi.Next()) {
        if (cdsMovi.FieldByName("IDTIPOMOVIVE").AsString() == kChangeMovement) continue;
        if (IsVoucherClass(cdsMovi.FieldByName("IDTIPORECE").AsString())) continue;
        const double amount = cdsMovi.FieldByName("VRMOVIVEND").AsFloat();
        const std::string stAmount = CheckedOperand(kCall, cdsMovi.RecNo(), "VRMOVIVEND", amount,
                                                    Amount10(amount, fs), kPaymentWidth);
        const std::string code = CheckedCode(kCall, cdsMovi.RecNo(), "CDFPIMPFIS",
                                             cdsMovi.FieldByName("CDFPIMPFIS").AsString(), kPaymentCodeWidth);
        frames.push_back(Frame(cmd::kRegisterPayment, std::string(cmd::kPaymentPrefix) + code + stAmount));
    }
    return frames;
}

CreditNoteFrames BuildFrames(const std::string& stMontoDin, TClientDataSet& cdsMovi,
                             const FormatSettings& fs) {
    const double amount = StrToFloat(stMontoDin, fs);
    const std::string stValorProd = CheckedOperand(kCall, kDifferenceRow, "difference item", amount,
                                                   Amount9(amount, fs), kItemAmountWidth);
    const std::string stTotal =
        CheckedOperand(kCall, kDifferenceRow, "total", amount, Amount10(amount, fs), kTotalWidth);
    const std::string item = std::string(cmd::kItemDifference) + std::string(kDifferenceProduct) +
                             std::string(kOneUnit) + stValorProd + stValorProd +
                             std::string(kDifferenceText);
    return {Frame(cmd::kRegisterItem, item), Frame(cmd::kTotalReceipt, stTotal),
            PaymentFrames(cdsMovi, fs)};
}

// One command through its own exchange; the reply is not read.
void Send(LinkContext& ctx, const std::string& frame, const std::string& stCdPortaImpFis,
          const std::string& stEsquemaCor) {
    Comand_Porta(ctx, frame, kNoReplyExchange, stCdPortaImpFis, stEsquemaCor);
}

// Opening, difference item, total and payments, each followed by the pause.
void SendRegistration(LinkContext& ctx, const CreditNoteFrames& frames,
                      const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                      int inSleep) {
    Send(ctx, Frame(cmd::kOpenFiscalReceipt), stCdPortaImpFis, stEsquemaCor);
    ctx.log.ImpFisDebug(std::string(kOpenLabel));
    Pause(ctx, inSleep);
    Send(ctx, Frame(cmd::kOpenBoleta), stCdPortaImpFis, stEsquemaCor);
    ctx.log.ImpFisDebug(std::string(kBoletaLabel));
    Pause(ctx, inSleep);
    Send(ctx, frames.item, stCdPortaImpFis, stEsquemaCor);
    Pause(ctx, inSleep);
    Send(ctx, frames.total, stCdPortaImpFis, stEsquemaCor);
    ctx.log.ImpFisDebug(std::string(kTotalLabel));
    Pause(ctx, inSleep);
    for (const std::string& payment : frames.payments) {
        Send(ctx, payment, stCdPortaImpFis, stEsquemaCor);
        Pause(ctx, inSleep);
    }
}

}  // namespace

void Nota_Credito(LinkContext& ctx, const std::string& stCdPortaImpFis,
                  const std::string& stEsquemaCor, const std::string& stMontoDin,
                  TClientDataSet& cdsMovi, TClientDataSet& cdsVendas,
                  const std::string& stSenhaCupom, const std::string& stDsObsCupFis,
                  double doAcrescimo, double doDesconto, double doVrCons,
                  const std::string& idTipoImpFis, const std::string& stIdImpSaldoCupom) {
    const int inSleep = idTipoImpFis == printer_type::k30 ? kCommandPauseType30Ms : kCommandPauseMs;
    const CreditNoteFrames frames = BuildFrames(stMontoDin, cdsMovi, ctx.format);
    // The closing reads these at each attempt; a missing one refuses the note now.
    RequireFields(cdsVendas, kCall, "cdsVendas", {"NMOPERADOR", "CDLOJA"});

    SendRegistration(ctx, frames, stCdPortaImpFis, stEsquemaCor, inSleep);
    cdsMovi.SetFiltered(false);
    // No pause after the end of payments: type "16" pauses before its 98, and
    // the closing begins with a pause of its own.
    Send(ctx, Frame(cmd::kEndPayments, cmd::kEndPaymentsOperand), stCdPortaImpFis, stEsquemaCor);
    if (idTipoImpFis == printer_type::k16) {
        Pause(ctx, inSleep);
        Send(ctx, Frame(cmd::kCutPaper), stCdPortaImpFis, stEsquemaCor);
    }

    const ClosingSale sale{"", "", 0, 0, 0, doVrCons, stIdImpSaldoCupom};
    Retried(ctx, stEsquemaCor, kCall, [&] {
        const std::string operador = cdsVendas.FieldByName("NMOPERADOR").AsString();
        const std::string loja = cdsVendas.FieldByName("CDLOJA").AsString();
        return Final_Cupom(ctx, stEsquemaCor, stCdPortaImpFis, operador, loja, stSenhaCupom,
                           stDsObsCupFis, doAcrescimo, doDesconto, sale, BalanceTables{},
                           idTipoImpFis);
    });

    if (idTipoImpFis == printer_type::k30)
        Send(ctx, Frame(cmd::kCloseType30), stCdPortaImpFis, stEsquemaCor);
}

}  // namespace dru
