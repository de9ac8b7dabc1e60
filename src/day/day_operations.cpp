#include "day/day_operations.h"

#include "host/routines.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {

namespace {

// The host's receipt numbers are 10 digits with leading zeros.
constexpr int kReceiptNumberWidth = 10;

// One exchange that closes its port, reads the reply and does not wait first.
std::string SendDayCommand(LinkContext& ctx, const std::string& frame,
                           const std::string& stCdPortaImpFis, const std::string& stEsquemaCor) {
    return Comand_Porta(ctx, frame, kCommandExchange, stCdPortaImpFis, stEsquemaCor);
}

}  // namespace

bool Abre_Gaveta_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                     const std::string& stEsquemaCor, bool /*boParam1*/) {
    SendDayCommand(ctx, Frame(cmd::kOpenDrawer, cmd::kDrawerOperand), stCdPortaImpFis, stEsquemaCor);
    return true;
}

bool Leitura_X_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                   const std::string& stEsquemaCor, const std::string& /*stParam3*/) {
    SendDayCommand(ctx, Frame(cmd::kReadingX), stCdPortaImpFis, stEsquemaCor);
    return true;
}

bool Reducao_Z_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                   const std::string& stEsquemaCor, const std::string& /*stParam3*/) {
    SendDayCommand(ctx, Frame(cmd::kReductionZ), stCdPortaImpFis, stEsquemaCor);
    return true;
}

std::string ReceiptNumber(const std::string& counter) {
    return AjustaZero(counter, kReceiptNumberWidth);
}

void Nr_Cupom(LinkContext& ctx, const std::string& stCdPortaImpFis,
              const std::string& stEsquemaCor, std::string& result) {
    const std::string stRetorno =
        SendDayCommand(ctx, Frame(cmd::kReadCounters), stCdPortaImpFis, stEsquemaCor);
    std::string number = ReceiptNumber(ReadField(stRetorno, field481::kLastReceipt));
    if (!number.empty()) result = std::move(number);
}

}  // namespace dru
