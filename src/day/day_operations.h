// The day operations: open the cash drawer, X reading, Z reduction, and the
// number of the last receipt. Each sends one fixed command through the serial
// exchange; a printer error is analysed (logged, shown, recovered) inside it.
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

// Command 34: opens the cash drawer. `boParam1` is part of the host's call and
// changes nothing. True whatever the printer answers.
bool Abre_Gaveta_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                     const std::string& stEsquemaCor, bool boParam1);

// Command 01: prints the X reading. The third argument is not used. Always true.
bool Leitura_X_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                   const std::string& stEsquemaCor, const std::string& stParam3);

// Command 021: prints the Z reduction. The third argument is not used. Always true.
bool Reducao_Z_Imp(LinkContext& ctx, const std::string& stCdPortaImpFis,
                   const std::string& stEsquemaCor, const std::string& stParam3);

// A receipt counter as the host gets a receipt number: zero-filled to 10
// digits ("1002" -> "0000001002").
std::string ReceiptNumber(const std::string& counter);

// Command 481: the number of the last receipt (field 2 of the reply) zero-filled
// to 10 digits, written into `result` only when a number was read; otherwise
// `result` keeps what it held.
void Nr_Cupom(LinkContext& ctx, const std::string& stCdPortaImpFis,
              const std::string& stEsquemaCor, std::string& result);

}  // namespace dru
