// The managerial product report: every product of the host's table of
// products sold, in ascending product code, with its quantity and total, in
// comment blocks of at most 27 product lines, then the grand total.
#pragma once
#include <string>

#include "host/dataset.h"
#include "module/session.h"

namespace dru {

// Copies `cdsProdAux` (fields and records) into the data module's
// cdsProdVend, then by `stEmiRelProd`: "N" prints, "S" asks "ConfRelProds"
// first and prints on a yes, any other value prints nothing. An empty table
// prints nothing (after the question). The report is tried by the one retry
// rule; afterwards cdsProdVend is closed (inactive, no data). A figure that
// does not fit its column raises EBadArgument before anything is sent (the
// table then stays open).
void Relatorio_Produto(Session& session, const std::string& stCdPortaImpFis,
                       const TClientDataSet& cdsProdAux, const std::string& stEmiRelProd,
                       const std::string& stIdEsquema);

// Prints cdsProdVend (CDPRODUTO, NMPRODUTO, QTPRODVEND, VRTOTAL) sorted by
// product code; its index name is empty afterwards. Every row is read and
// every figure checked before the port opens: a closed table (never copied
// in, or closed after the last report) raises EDatabaseError, as does a
// missing field; a quantity over 6 or a total over 9 printed characters, or
// a grand total over 13, raises EBadArgument naming the row and field.
// False when the port does not open or the printer gave no reply; otherwise
// the final reply check's verdict.
bool ImpRelGerencial_IBM(Session& session, const std::string& stEsquemaCor,
                         const std::string& stCdPortaImpFis);

}  // namespace dru
