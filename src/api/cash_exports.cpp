// C entry points of the cash supply and the cash withdrawal.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/cash_supply.h"
#include "documents/cash_withdrawal.h"
#include "dru01000.h"
#include "module/module.h"

extern "C" {

DRU_API bool DRU_CALL Suprimento(const char* stCdPortaImpFis, const char* stEsquemaCor, double doValor,
                                 bool boEntraCaixa) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        return dru::Suprimento(call.link(), dru::HostPath(stCdPortaImpFis),
                               dru::HostText(stEsquemaCor), doValor, boEntraCaixa);
    });
}

// `cdsSangria` is not read: any table or NULL.
DRU_API bool DRU_CALL Sangria(const char* stCdPortaImpFis, const char* stEsquemaCor, double doValor,
                              DruDataSet* /*cdsSangria*/) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        return dru::Sangria(call.link(), dru::HostPath(stCdPortaImpFis),
                            dru::HostText(stEsquemaCor), doValor);
    });
}

}  // extern "C"
