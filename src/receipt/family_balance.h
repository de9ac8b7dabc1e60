// The family balance line of a consumer's receipt: which family and what
// balance it shows, from the host's balance tables.
#pragma once
#include <optional>
#include <string>

#include "host/dataset.h"

namespace dru {

struct FamilyBalance {
    std::string name;  // NMFAMILISALD of the row the cursor stands on at the end
    double balance = 0;
};

// The balance tables as the host hands them in; any may be missing.
struct BalanceTables {
    TClientDataSet* cdsSaldCred = nullptr;
    TClientDataSet* cdsFamiliaSaldo = nullptr;
    TClientDataSet* cdsEmprestimo = nullptr;
};

// `IdImpSaldoCup` "0": the credit balances summed, less `doValorCons`;
// "1": the family balance rule over the three tables; anything else, or no
// credit-balance table: no line (nullopt). The credit-balance table's cursor
// ends on its last row. The rule needs the other two tables when there are
// credit rows: a missing one raises EBadArgument; a missing field raises the
// table's error.
std::optional<FamilyBalance> ComputeFamilyBalance(const BalanceTables& tables, const std::string& IdImpSaldoCup,
                                                  double doValorCons);

}  // namespace dru
