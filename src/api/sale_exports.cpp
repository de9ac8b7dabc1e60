// The C entry point of the sale printing.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/sale_ticket.h"
#include "dru01000.h"
#include "module/module.h"
#include "receipt/sale_printing.h"

// `result` is written only when the whole call succeeds.
extern "C" DRU_API void DRU_CALL ImpressaoVenda(const DruParams* Params, DruDataSet* cdsVendas, DruDataSet* cdsMovi,
                                                DruDataSet* cdsRecebimento, DruDataSet* /*cdsAliqImpFis*/,
                                                DruDataSet* cdsSaldCred, DruDataSet* cdsFamiliaSaldo,
                                                DruDataSet* cdsEmprestimo, const char* IdImpSaldoCup, DruText* result) {
    dru::driving_void([&] {
        constexpr const char* kCall = "ImpressaoVenda";
        const DruParams& params = dru::Required(Params, kCall, "Params");
        DruText& out = dru::Required(result, kCall, "result");
        const dru::SaleTables tables{dru::Required(cdsVendas, kCall, "cdsVendas").table,
                                     dru::Required(cdsMovi, kCall, "cdsMovi").table,
                                     dru::Required(cdsRecebimento, kCall, "cdsRecebimento").table,
                                     {OptionalTable(cdsSaldCred, kCall, "cdsSaldCred"),
                                      OptionalTable(cdsFamiliaSaldo, kCall, "cdsFamiliaSaldo"),
                                      OptionalTable(cdsEmprestimo, kCall, "cdsEmprestimo")}};
        // The documents of the sale that live beside the receipt, not below it.
        const dru::SaleDocuments documents{&dru::ImpDebito_Consumidor_IBM, &dru::ImprimeNaoFiscal};
        dru::EntryCall call;
        out.value = dru::ImpressaoVenda(call.link(), params.params, tables, dru::HostText(IdImpSaldoCup), documents);
    });
}
