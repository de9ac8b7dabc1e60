#include "documents/cash_withdrawal.h"

#include "documents/cash_supply.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "Sangria";
// The printer needs this long after each line of the withdrawal.
constexpr int kWithdrawalPauseMs = 200;
// Before the end comment: the host's Delay(1), its shortest pause.
constexpr int kBeforeEndDelayMs = 1;
constexpr std::string_view kWithdrawalCaption = "Sangria de Efectivo  : $ ";

DocumentLine WithdrawalLine(std::string frame, int pause_after_ms = kWithdrawalPauseMs) {
    return {std::move(frame), 0, 0, pause_after_ms};
}

}  // namespace

bool Sangria(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
             double doValor) {
    const std::string amount = CashAmountFrame(kCall, kWithdrawalCaption, doValor, ctx.format);

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play({WithdrawalLine(Frame(cmd::kBeginComment)), WithdrawalLine(Frame(cmd::kLineFeed)),
              WithdrawalLine(amount), WithdrawalLine(Frame(cmd::kLineFeed), kBeforeEndDelayMs),
              WithdrawalLine(Frame(cmd::kEndComment), 0)});
    return out.final_reply_check();
}

}  // namespace dru
