// The C entry point of the managerial product report.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/product_report.h"
#include "dru01000.h"
#include "module/module.h"

// The second to fifth arguments, `stCupomDia`, `stTribRelPro` and
// `boCtrlCupom` are not read (the by-reference ones may be NULL).
extern "C" DRU_API void DRU_CALL Relatorio_Produto(const char* stCdPortaImpFis, const char* /*arg2*/,
                                                   const char* /*arg3*/, const char* /*stCdFilial*/,
                                                   const char* /*stCdCaixa*/, DruText* /*stCupomDia*/,
                                                   DruDataSet* cdsProdAux, const char* stEmiRelProd,
                                                   const char* /*stTribRelPro*/, const char* stIdEsquema,
                                                   bool* /*boCtrlCupom*/) {
    dru::driving_void([&] {
        const DruDataSet& products = dru::Required(cdsProdAux, "Relatorio_Produto", "cdsProdAux");
        dru::EntryCall call;
        dru::Relatorio_Produto(call.session(), dru::HostPath(stCdPortaImpFis), products.table,
                               dru::HostText(stEmiRelProd), dru::HostText(stIdEsquema));
    });
}
