// Venda_Item: the sold items of an open fiscal receipt, one item frame
// (command 13) per row of the items table, on one open port.
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// Sends every row of `cdsVendas` from the first to the end and returns the
// sum of the item totals Trunc2(price x quantity); 0 when the port does not
// open. Every row is checked before the port opens: a quantity, price or
// item total that does not fit its fixed field (negative, too large, not a
// number) refuses the whole call with EBadArgument naming the row and the
// field, before anything is sent or logged. `doTotal` is not used.
double Venda_Item(LinkContext& ctx, const std::string& stCdPortaImpFis, TClientDataSet& cdsVendas,
                  double doTotal, const std::string& idtipoimpfis);

}  // namespace dru
