// C entry points of the payment-type loading and the payment totals export.
#include <stdexcept>

#include "api/c_handles.h"
#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.h"
#include "payments/payment_totals_export.h"
#include "payments/payment_type_loading.h"

namespace {

dru::TClientDataSet& Table(DruDataSet* ds, const char* entry, const char* name) {
    if (!ds) throw std::invalid_argument(std::string(entry) + ": no table " + name);
    return ds->table;
}

}  // namespace

extern "C" {

// A NULL table is refused (nothing is sent to the printer).
DRU_API void CarregaRecebimento(const char* stCdPortaImpFis, const char* stEsquemaCor, int32_t idTipoImpFis,
                                DruDataSet* cdsTipoRece1) {
    dru::guarded_void([&] {
        dru::TClientDataSet& tipos = Table(cdsTipoRece1, "CarregaRecebimento", "cdsTipoRece1");
        dru::EntryCall call;
        dru::CarregaRecebimento(call.session(), dru::HostText(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                idTipoImpFis, tipos);
    });
}

// NULL for the payment types or either result table is refused with false;
// the two tables the export accepts and never writes may be NULL. A table
// never created (no fields) loads as no rows.
DRU_API bool ExportRedZ(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* stECF,
                        int32_t idTipoImpFis, DruDataSet* cdsTipoRece, DruDataSet* cdsReducaoZ,
                        DruDataSet* cdsFormPgtoZ, DruDataSet* cdsImpostoRedz, DruDataSet* cdsTotNFiscRedZ) {
    return dru::guarded(false, [&] {
        dru::TClientDataSet& tipos = Table(cdsTipoRece, "ExportRedZ", "cdsTipoRece");
        dru::TClientDataSet& reducao = Table(cdsReducaoZ, "ExportRedZ", "cdsReducaoZ");
        dru::TClientDataSet& formas = Table(cdsFormPgtoZ, "ExportRedZ", "cdsFormPgtoZ");
        dru::TClientDataSet noImpostos, noTotais;  // never created: no rows
        dru::EntryCall call;
        return dru::ExportRedZ(call.session(), dru::HostText(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                               dru::HostText(stECF), idTipoImpFis, tipos, reducao, formas,
                               cdsImpostoRedz ? cdsImpostoRedz->table : noImpostos,
                               cdsTotNFiscRedZ ? cdsTotNFiscRedZ->table : noTotais);
    });
}

}  // extern "C"
