// ImpReciboSangria_IBM: the withdrawal receipt of a cash closing, printed as
// one non-fiscal comment block from the data module's closing tables: the
// title, one line per payment type with its closing amount, the operator, a
// hyphen line and the vendor line.
#pragma once
#include <string>

#include "module/session.h"

namespace dru {

// Prints the rows of cdsMovFecha from its current one to the end (the cursor
// is left at the end, also when the port does not open) and the operator of
// the current row of cdsOperadorSup. False when the port does not open;
// otherwise the outcome of the printer's one reply after the block.
//
// Both tables are read before the port opens. cdsOperadorSup without an
// operator row (the closing tables were never loaded) raises EDatabaseError,
// a missing field the table's error, and a closing amount that is not a
// finite number EBadArgument naming the row: nothing is sent or logged then.
bool ImpReciboSangria_IBM(Session& session, const std::string& stEsquemaCor,
                          const std::string& stCdPortaImpFis);

}  // namespace dru
