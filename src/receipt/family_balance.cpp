#include "receipt/family_balance.h"

#include "host/errors.h"

namespace dru {

namespace {

constexpr std::string_view kPlainSum = "0";
constexpr std::string_view kByFamily = "1";
// Only the first two credit rows count in the family rule.
constexpr int kFamilyRowsCounted = 2;
constexpr std::string_view kDebitMovement = "D";
constexpr std::string_view kCreditMovement = "C";

// The loan movement of family `k` of the given type, if there is one.
std::optional<double> Movement(TClientDataSet& cdsEmprestimo, const std::string& k, std::string_view type) {
    if (!cdsEmprestimo.Locate("CDFAMILISALD;IDTPMOVEXT", {k, std::string(type)}, true)) return std::nullopt;
    return cdsEmprestimo.FieldByName("VRMOVEXTCONS").AsFloat();
}

// What one credit row adds to the family balance.
double FamilyShare(TClientDataSet& cdsFamiliaSaldo, TClientDataSet& cdsEmprestimo, double c, const std::string& k) {
    if (cdsFamiliaSaldo.Locate("CDFAMILISALD", {k}, true)) {
        const double committed = cdsFamiliaSaldo.FieldByName("VRSALDCONFAM").AsFloat();
        if (const auto debit = Movement(cdsEmprestimo, k, kDebitMovement)) return (c - committed) - *debit;
        if (const auto credit = Movement(cdsEmprestimo, k, kCreditMovement)) return (c - committed) + *credit;
        return c - committed;
    }
    if (const auto debit = Movement(cdsEmprestimo, k, kDebitMovement)) return c - *debit;
    return c;
}

double PlainSum(TClientDataSet& cdsSaldCred, double doValorCons) {
    if (cdsSaldCred.IsEmpty()) return 0;
    double sum = 0;
    for (cdsSaldCred.First(); !cdsSaldCred.Eof(); cdsSaldCred.Next())
        sum += cdsSaldCred.FieldByName("VRSALDCONFAM").AsFloat();
    return sum - doValorCons;
}

double ByFamily(const BalanceTables& t) {
    TClientDataSet& cred = *t.cdsSaldCred;
    if (cred.IsEmpty()) return 0;
    if (!t.cdsFamiliaSaldo || !t.cdsEmprestimo)
        throw EBadArgument(std::string("Final_Cupom: ") + (t.cdsFamiliaSaldo ? "cdsEmprestimo" : "cdsFamiliaSaldo") +
                           " is NULL");
    double doSaldo = 0;
    for (cred.First(); !cred.Eof(); cred.Next()) {
        const double c = cred.FieldByName("VRSALDCONFAM").AsFloat();
        if (c == 0 || cred.RecNo() > kFamilyRowsCounted) continue;
        const std::string k = cred.FieldByName("CDFAMILISALD").AsString();
        doSaldo += FamilyShare(*t.cdsFamiliaSaldo, *t.cdsEmprestimo, c, k);
    }
    return doSaldo;
}

}  // namespace

std::optional<FamilyBalance> ComputeFamilyBalance(const BalanceTables& tables, const std::string& IdImpSaldoCup,
                                                  double doValorCons) {
    if (!tables.cdsSaldCred || (IdImpSaldoCup != kPlainSum && IdImpSaldoCup != kByFamily)) return std::nullopt;
    const double balance =
        IdImpSaldoCup == kPlainSum ? PlainSum(*tables.cdsSaldCred, doValorCons) : ByFamily(tables);
    return FamilyBalance{tables.cdsSaldCred->FieldByName("NMFAMILISALD").AsString(), balance};
}

}  // namespace dru
