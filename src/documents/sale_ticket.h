// ImprimeNaoFiscal: the non-fiscal ticket for the part of a sale paid with
// vouchers (payment classes "5" and "7").
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// True once the ticket was written; false when the port does not open. It
// never reads a reply. `cdsMovi`'s filter is changed and left switched off.
// The voucher rows are read first: a missing field raises the table's error,
// and a voucher amount over 13 characters or an amount that is not a finite
// number raises EBadArgument naming the row and the field, before anything
// is sent.
bool ImprimeNaoFiscal(LinkContext& ctx, double doMontoTic, const std::string& stCdPortaImpFis,
                      const std::string& stSenhaCupom, const std::string& stNrCupomFis,
                      const std::string& stNomeOperador, const std::string& stDsObsCupFisIbm, TClientDataSet& cdsMovi);

}  // namespace dru
