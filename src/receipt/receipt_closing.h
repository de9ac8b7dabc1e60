// Final_Cupom: the closing comment block of a fiscal receipt whose items,
// total and payments are registered: consumer and balance lines, then the
// receipt footer; on printer type "16" the printer's one reply is judged.
#pragma once
#include <string>

#include "link/context.h"
#include "receipt/family_balance.h"

namespace dru {

// What the closing prints besides the footer.
struct ClosingSale {
    std::string stTipoVenda;    // "1" family balance, "2" debit balance, else no consumer lines
    std::string stNmCons;       // consumer name
    double doSaldoDebito = 0;   // debit balance before the sale
    double doPrecoSubsidio = 0; // subsidised price
    double doValorVenda = 0;    // value of the sale
    double doValorCons = 0;     // the part charged to the consumer's balance
    std::string IdImpSaldoCup;  // "0" plain sum, "1" family rule, else no family line
};

// False when the port does not open or the final reply check fails; true
// otherwise. `Loja`, `doAcrescimo` and `doDesconto` are not used. The family
// balance is worked out before the port opens, so a table error prints nothing.
bool Final_Cupom(LinkContext& ctx, const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                 const std::string& Operador, const std::string& Loja, const std::string& stSenhaCupom,
                 const std::string& stDsObsCupFis, double doAcrescimo, double doDesconto, const ClosingSale& sale,
                 const BalanceTables& balances, const std::string& IdTipoImpFis);

}  // namespace dru
