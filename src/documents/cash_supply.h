// Suprimento: a cash supply (money put into the drawer), printed as one
// non-fiscal comment block with the date and time and the amount. Also the
// amount line it shares with the cash withdrawal.
#pragma once
#include <string>
#include <string_view>

#include "host/format.h"
#include "link/context.h"

namespace dru {

// False when the port does not open (nothing printed or logged); otherwise
// the outcome of the printer's one reply after the block. `doValor` that is
// not a finite number raises EBadArgument before anything is sent.
// `boEntraCaixa` is not read.
bool Suprimento(LinkContext& ctx, const std::string& stCdPortaImpFis,
                const std::string& stEsquemaCor, double doValor, bool boEntraCaixa);

// The amount line of a cash supply or withdrawal (command 116): `caption`
// and the amount in whole units, thousands separated ("#,##0"). An amount
// that is not a finite number raises EBadArgument naming `call`.
std::string CashAmountFrame(std::string_view call, std::string_view caption, double doValor,
                            const FormatSettings& fs);

}  // namespace dru
