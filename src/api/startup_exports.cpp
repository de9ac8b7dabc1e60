// C entry points of the printer start-up, the printer data and the fiscal
// date check.
#include "api/c_handles.h"
#include "day/date_check.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "module/module.h"
#include "day/printer_startup.h"
#include "dru01000.h"

extern "C" {

// The array is replaced only when the whole call succeeds.
DRU_API bool DRU_CALL Carrega_Dados_Impressora(DruParams* Params) {
    return dru::driving(false, [&] {
        DruParams& array = dru::Required(Params, "Carrega_Dados_Impressora", "Params");
        dru::EntryCall call;
        dru::TParams params = array.params;
        const bool ok = dru::Carrega_Dados_Impressora(call.session(), params);
        array.params.replace(std::move(params));
        return ok;
    });
}

DRU_API bool DRU_CALL StartImpFiscal(const DruParams* Params) {
    return dru::driving(false, [&] {
        const DruParams& array = dru::Required(Params, "StartImpFiscal", "Params");
        dru::EntryCall call;
        return dru::StartImpFiscal(call.session(), array.params);
    });
}

// `dtDate` is written only when the call ends without a platform error; NULL
// is allowed (the date is then not handed back).
DRU_API bool DRU_CALL VerificaData(const char* stEsquemaCor, double* dtDate, const char* stDataAtu, const char* stData,
                                   bool boSetaData) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        dru::TDateTime date = dtDate ? *dtDate : 0.0;
        const bool ok = dru::VerificaData(call.session(), dru::HostText(stEsquemaCor), date, dru::HostText(stDataAtu),
                                          dru::HostText(stData), boSetaData);
        if (dtDate) *dtDate = date;
        return ok;
    });
}

}  // extern "C"
