// Nota_Credito: a fiscal receipt (boleta) for the part of a voucher sale paid
// with other payment forms: one difference item line, the total, the
// non-voucher payments, the end of payments and the receipt closing.
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// No result. The closing is tried again by the one retry rule when the
// printer does not confirm it.
void Nota_Credito(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                  const std::string& stMontoDin, TClientDataSet& cdsMovi, TClientDataSet& cdsVendas,
                  const std::string& stSenhaCupom, const std::string& stDsObsCupFis, double doAcrescimo,
                  double doDesconto, double doVrCons, const std::string& idTipoImpFis,
                  const std::string& stIdImpSaldoCupom);

}  // namespace dru
