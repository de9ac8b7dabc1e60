// C entry points of the printer start-up, the printer data and the fiscal
// date check.
#include <stdexcept>

#include "api/c_handles.h"
#include "day/date_check.h"
#include "api/last_error.h"
#include "module/module.h"
#include "day/printer_startup.h"
#include "dru01000.h"

extern "C" {

// The array is replaced only when the whole call succeeds.
DRU_API bool Carrega_Dados_Impressora(DruParams* Params) {
    return dru::guarded(false, [&] {
        if (!Params) throw std::invalid_argument("Carrega_Dados_Impressora: no parameter array");
        dru::EntryCall call;
        dru::TParams params = Params->params;
        const bool ok = dru::Carrega_Dados_Impressora(call.session(), params);
        Params->params.replace(std::move(params));
        return ok;
    });
}

// A NULL array reads as an empty one.
DRU_API bool StartImpFiscal(const DruParams* Params) {
    return dru::guarded(false, [&] {
        dru::EntryCall call;
        return dru::StartImpFiscal(call.session(), Params ? Params->params : dru::TParams{});
    });
}

// `dtDate` is written only when the call ends without a platform error; NULL
// is allowed (the date is then not handed back).
DRU_API bool VerificaData(const char* stEsquemaCor, double* dtDate, const char* stDataAtu, const char* stData,
                          bool boSetaData) {
    return dru::guarded(false, [&] {
        dru::EntryCall call;
        dru::TDateTime date = dtDate ? *dtDate : 0.0;
        const bool ok = dru::VerificaData(call.session(), dru::HostText(stEsquemaCor), date, dru::HostText(stDataAtu),
                                          dru::HostText(stData), boSetaData);
        if (dtDate) *dtDate = date;
        return ok;
    });
}

}  // extern "C"
