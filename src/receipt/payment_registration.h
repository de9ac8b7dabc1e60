// Pagamento: the payments of an open, totalled fiscal receipt, one payment
// frame (command 26) per row, then the end of the payment phase (command 27).
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// Sends every row of `cdsMovi` from the first to the end (each payment on its
// own, in table order) and the end-of-payments frame. Always true. Every
// amount is checked before the port opens: one that does not fit its ten
// digits refuses the whole call with EBadArgument naming the row, before
// anything is sent or logged. `doTxServ` is not used.
bool Pagamento(LinkContext& ctx, const std::string& stCdPortaImpFis, TClientDataSet& cdsMovi, double doTxServ);

}  // namespace dru
