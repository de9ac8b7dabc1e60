// Sangria: one cash withdrawal (money taken out of the drawer), printed as
// one non-fiscal comment block with its amount. The receipt of a cash
// closing's amounts by payment type is another document (withdrawal_receipt.h).
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

// False when the port does not open (nothing printed); otherwise the outcome
// of the printer's one reply after the block. Only that reply is logged.
// `doValor` that is not a finite number raises EBadArgument before anything
// is sent. The host's withdrawals table is not read, so it is not taken.
bool Sangria(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
             double doValor);

}  // namespace dru
