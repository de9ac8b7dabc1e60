// ImpDebito_Consumidor_IBM: a sale charged to the consumer's account, printed
// as one non-fiscal comment block (products, total, date and time, consumer,
// final balance, operator, password, footer).
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// False when the port does not open (nothing printed); on printer type "16"
// the outcome of the final reply check; otherwise true.
bool ImpDebito_Consumidor_IBM(LinkContext& ctx, const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                              const std::string& stSenhaCupom, const std::string& stNmCons,
                              const std::string& operador, const std::string& stDsObsCupFis, double doSaldoDebito,
                              double doPrecoSubsidio, TClientDataSet& cdsVendas, const std::string& idtipoimpfis,
                              const std::string& IdImpSaldoCup);

}  // namespace dru
