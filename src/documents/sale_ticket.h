// ImprimeNaoFiscal: the non-fiscal ticket for the part of a sale paid with
// vouchers (payment classes "5" and "7").
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// True once the ticket was written; false when the port does not open. It
// never reads a reply. `cdsMovi`'s filter is changed and left switched off.
bool ImprimeNaoFiscal(LinkContext& ctx, double doMontoTic, const std::string& stCdPortaImpFis,
                      const std::string& stSenhaCupom, const std::string& stNrCupomFis,
                      const std::string& stNomeOperador, const std::string& stDsObsCupFisIbm, TClientDataSet& cdsMovi);

}  // namespace dru
