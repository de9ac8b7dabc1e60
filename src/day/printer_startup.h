// Printer start-up (open the sales period) and the printer's data (number,
// serial, date and time), both driven by named-parameter arrays.
#pragma once
#include "module/session.h"
#include "host/params.h"

namespace dru {

// Opens the sales period (command 32) and asks the printer's state (command
// 35). Reads "CDPORTAIMPFIS" and "ESQUEMA". True when the state reply begins "00".
bool StartImpFiscal(Session& session, const TParams& Params);

// Reads the printer's data (command 481) and replaces `Params` with exactly
// five pairs, in this order: "DATAATUIMP" (DDMMYY then the printer time),
// "ECFIMP" (printer number in 4 digits), "REDIMP" (the input value, unchanged),
// "SERIEIMP" (serial number less its first 4 characters), "DATAIMP" (DDMMYY).
// Always true; a silent printer gives values built from empty fields.
bool Carrega_Dados_Impressora(Session& session, TParams& Params);

// The printer date DDMMCCYY (field 44 of the reply to 481) as DDMMYY: its
// characters 5 and 6, the century, removed.
std::string PrinterDateDDMMYY(const std::string& field44);

}  // namespace dru
