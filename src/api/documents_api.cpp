// The C++ interface of the non-fiscal documents of a sale (include/dru01000.hpp).
#include "api/c_handles.h"
#include "api/last_error.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/sale_ticket.h"
#include "dru01000.hpp"
#include "host/text.h"
#include "module/module.h"

namespace dru01000 {

using dru::text::from_host;

DRU_CXX_API bool DRU_CALL ImpDebito_Consumidor_IBM(const std::string& stEsquemaCor,
                                                   const std::string& stCdPortaImpFis,
                                                   const std::string& stSenhaCupom, const std::string& stNmCons,
                                                   const std::string& operador, const std::string& stDsObsCupFis,
                                                   double doSaldoDebito, double doPrecoSubsidio,
                                                   DruDataSet* cdsVendas, const std::string& idtipoimpfis,
                                                   const std::string& IdImpSaldoCup) {
    return dru::guarded(false, [&] {
        dru::TClientDataSet& vendas =
            dru::Required(cdsVendas, "ImpDebito_Consumidor_IBM", "cdsVendas").table;
        dru::EntryCall call;
        return dru::ImpDebito_Consumidor_IBM(
            call.link(), from_host(stEsquemaCor), from_host(stCdPortaImpFis),
            from_host(stSenhaCupom), from_host(stNmCons), from_host(operador),
            from_host(stDsObsCupFis), doSaldoDebito, doPrecoSubsidio, vendas,
            from_host(idtipoimpfis), from_host(IdImpSaldoCup));
    });
}

DRU_CXX_API bool DRU_CALL ImprimeNaoFiscal(double doMontoTic, const std::string& stCdPortaImpFis,
                                           const std::string& stSenhaCupom, const std::string& stNrCupomFis,
                                           const std::string& stNomeOperador,
                                           const std::string& stDsObsCupFisIbm, DruDataSet* cdsMovi) {
    return dru::guarded(false, [&] {
        dru::TClientDataSet& movi = dru::Required(cdsMovi, "ImprimeNaoFiscal", "cdsMovi").table;
        dru::EntryCall call;
        return dru::ImprimeNaoFiscal(call.link(), doMontoTic, from_host(stCdPortaImpFis),
                                     from_host(stSenhaCupom), from_host(stNrCupomFis),
                                     from_host(stNomeOperador), from_host(stDsObsCupFisIbm), movi);
    });
}

}  // namespace dru01000
