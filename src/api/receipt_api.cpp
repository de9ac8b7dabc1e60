// The C++ interface of the fiscal receipt (include/dru01000.hpp).
#include "api/c_handles.h"
#include "api/last_error.h"
#include "dru01000.hpp"
#include "host/text.h"
#include "module/module.h"
#include "receipt/credit_note.h"
#include "receipt/exempt_closing.h"
#include "receipt/item_registration.h"
#include "receipt/payment_registration.h"
#include "receipt/receipt_closing.h"

namespace {
using dru::text::from_host;
}  // namespace

namespace dru01000 {

DRU_CXX_API double DRU_CALL Venda_Item(const std::string& stCdPortaImpFis, DruDataSet* cdsVendas, double doTotal,
                                       const std::string& idtipoimpfis) {
    return dru::guarded(0.0, [&] {
        dru::TClientDataSet& vendas = dru::Required(cdsVendas, "Venda_Item", "cdsVendas").table;
        dru::EntryCall call;
        return dru::Venda_Item(call.link(), from_host(stCdPortaImpFis), vendas, doTotal, from_host(idtipoimpfis));
    });
}

DRU_CXX_API bool DRU_CALL Pagamento(const std::string& stCdPortaImpFis, DruDataSet* cdsMovi, double doTxServ) {
    return dru::guarded(false, [&] {
        dru::TClientDataSet& movi = dru::Required(cdsMovi, "Pagamento", "cdsMovi").table;
        dru::EntryCall call;
        return dru::Pagamento(call.link(), from_host(stCdPortaImpFis), movi, doTxServ);
    });
}

DRU_CXX_API bool DRU_CALL Final_Cupom(const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                                      const std::string& Operador, const std::string& Loja, const std::string& stSenhaCupom,
                                      const std::string& stDsObsCupFis, double doAcrescimo, double doDesconto,
                                      const std::string& stTipoVenda, const std::string& stNmCons, DruDataSet* cdsSaldCred,
                                      DruDataSet* cdsFamiliaSaldo, DruDataSet* cdsEmprestimo, double doSaldoDebito,
                                      double doPrecoSubsidio, double doValorVenda, double doValorCons,
                                      const std::string& IdTipoImpFis, const std::string& IdImpSaldoCup) {
    return dru::guarded(false, [&] {
        const dru::ClosingSale sale{from_host(stTipoVenda), from_host(stNmCons), doSaldoDebito, doPrecoSubsidio,
                                    doValorVenda,           doValorCons,         from_host(IdImpSaldoCup)};
        const dru::BalanceTables balances{OptionalTable(cdsSaldCred), OptionalTable(cdsFamiliaSaldo), OptionalTable(cdsEmprestimo)};
        dru::EntryCall call;
        return dru::Final_Cupom(call.link(), from_host(stEsquemaCor), from_host(stCdPortaImpFis), from_host(Operador),
                                from_host(Loja), from_host(stSenhaCupom), from_host(stDsObsCupFis), doAcrescimo,
                                doDesconto, sale, balances, from_host(IdTipoImpFis));
    });
}

DRU_CXX_API bool DRU_CALL Isento_Composto(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                          const std::string& stTotIsento, const std::string& stoperador,
                                          const std::string& stSenhaCupom, const std::string& stDsObsCupFis,
                                          double doTotalTributado, double doTotalCompra, double doTotalTroco,
                                          double doAcrescimo, double doDesconto, bool boCupomComposto,
                                          const std::string& idtipoimpfis) {
    return dru::guarded(false, [&] {
        const dru::ExemptSale sale{from_host(stTotIsento), doTotalTributado, doTotalCompra, doTotalTroco,
                                   boCupomComposto};
        dru::EntryCall call;
        return dru::Isento_Composto(call.link(), from_host(stCdPortaImpFis), from_host(stEsquemaCor),
                                    from_host(stoperador), from_host(stSenhaCupom), from_host(stDsObsCupFis), sale,
                                    doAcrescimo, doDesconto, from_host(idtipoimpfis));
    });
}

DRU_CXX_API void DRU_CALL Nota_Credito(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                       const std::string& stMontoDin, DruDataSet* cdsMovi, DruDataSet* cdsVendas,
                                       const std::string& stSenhaCupom, const std::string& stDsObsCupFis, double doAcrescimo,
                                       double doDesconto, double doVrCons, const std::string& idTipoImpFis,
                                       const std::string& stIdImpSaldoCupom) {
    dru::guarded_void([&] {
        dru::TClientDataSet& movi = dru::Required(cdsMovi, "Nota_Credito", "cdsMovi").table;
        dru::TClientDataSet& vendas = dru::Required(cdsVendas, "Nota_Credito", "cdsVendas").table;
        dru::EntryCall call;
        dru::Nota_Credito(call.link(), from_host(stCdPortaImpFis), from_host(stEsquemaCor), from_host(stMontoDin),
                          movi, vendas, from_host(stSenhaCupom), from_host(stDsObsCupFis), doAcrescimo, doDesconto,
                          doVrCons, from_host(idTipoImpFis), from_host(stIdImpSaldoCupom));
    });
}

}  // namespace dru01000
