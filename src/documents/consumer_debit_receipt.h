// ImpDebito_Consumidor_IBM: a sale charged to the consumer's account, printed
// as one non-fiscal comment block (products, total, date and time, consumer,
// final balance, operator, password, footer).
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// False when the port does not open (nothing printed); on printer type "16"
// the outcome of the final reply check; otherwise true. Every row of
// `cdsVendas` is read first: a missing field raises the table's error, and a
// quantity text over 5 characters, a line total or total over 10, or an
// amount that is not a finite number raises EBadArgument naming the row and
// the field, before anything is sent. `IdImpSaldoCup` "2": no balance line.
bool ImpDebito_Consumidor_IBM(LinkContext& ctx, const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                              const std::string& stSenhaCupom, const std::string& stNmCons,
                              const std::string& operador, const std::string& stDsObsCupFis, double doSaldoDebito,
                              double doPrecoSubsidio, TClientDataSet& cdsVendas, const std::string& idtipoimpfis,
                              const std::string& IdImpSaldoCup);

}  // namespace dru
