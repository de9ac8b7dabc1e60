// C entry points of the payment-type loading and the payment totals export.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.h"
#include "payments/payment_totals_export.h"
#include "payments/payment_type_loading.h"

extern "C" {

// A NULL table is refused (nothing is sent to the printer).
DRU_API void DRU_CALL CarregaRecebimento(const char* stCdPortaImpFis, const char* stEsquemaCor, int32_t idTipoImpFis,
                                         DruDataSet* cdsTipoRece1) {
    dru::driving_void([&] {
        dru::TClientDataSet& tipos = dru::Required(cdsTipoRece1, "CarregaRecebimento", "cdsTipoRece1").table;
        dru::EntryCall call;
        dru::CarregaRecebimento(call.session(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                idTipoImpFis, tipos);
    });
}

// NULL for the payment types or either result table is refused with false;
// the two tables the export accepts and never writes may be NULL. A table
// never created (no fields) loads as no rows.
DRU_API bool DRU_CALL ExportRedZ(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* stECF,
                                 int32_t idTipoImpFis, DruDataSet* cdsTipoRece, DruDataSet* cdsReducaoZ,
                                 DruDataSet* cdsFormPgtoZ, DruDataSet* cdsImpostoRedz, DruDataSet* cdsTotNFiscRedZ) {
    return dru::driving(false, [&] {
        dru::TClientDataSet& tipos = dru::Required(cdsTipoRece, "ExportRedZ", "cdsTipoRece").table;
        dru::TClientDataSet& reducao = dru::Required(cdsReducaoZ, "ExportRedZ", "cdsReducaoZ").table;
        dru::TClientDataSet& formas = dru::Required(cdsFormPgtoZ, "ExportRedZ", "cdsFormPgtoZ").table;
        dru::TClientDataSet noImpostos, noTotais;  // never created: no rows
        dru::EntryCall call;
        dru::ErrorReport swallowed;
        const bool ok = dru::ExportRedZ(call.session(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                        dru::HostText(stECF), idTipoImpFis, tipos, reducao, formas,
                                        cdsImpostoRedz ? cdsImpostoRedz->table : noImpostos,
                                        cdsTotNFiscRedZ ? cdsTotNFiscRedZ->table : noTotais, &swallowed);
        // The result stays true; what went wrong is kept for diagnosis.
        if (swallowed.kind != dru::ErrorKind::None) dru::set_last_error(std::move(swallowed));
        return ok;
    });
}

}  // extern "C"
