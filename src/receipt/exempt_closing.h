// Isento_Composto: the breakdown of a sale with items exempt from I.V.A
// (taxed, exempt, purchase total, change), three notice lines and the
// receipt footer; composite after a fiscal receipt, simple on its own.
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

struct ExemptSale {
    std::string stTotIsento;        // exempt total, printed as passed
    double doTotalTributado = 0;    // taxed total (composite only)
    double doTotalCompra = 0;       // purchase total
    double doTotalTroco = 0;        // change
    bool boCupomComposto = false;   // composite: the sale also has taxable items
};

// False when the port does not open or the final reply check fails; true
// otherwise. `doAcrescimo` and `doDesconto` are not used. A simple breakdown
// on printer type "30" is followed by nothing: no command 99.
bool Isento_Composto(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                     const std::string& stoperador, const std::string& stSenhaCupom,
                     const std::string& stDsObsCupFis, const ExemptSale& sale, double doAcrescimo,
                     double doDesconto, const std::string& idtipoimpfis);

}  // namespace dru
