// C entry points of the day operations.
#include "api/c_handles.h"
#include "day/day_operations.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.h"

extern "C" {

DRU_API bool DRU_CALL Abre_Gaveta_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, bool boParam1) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        return dru::Abre_Gaveta_Imp(call.link(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                    boParam1);
    });
}

DRU_API bool DRU_CALL Leitura_X_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* arg3) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        return dru::Leitura_X_Imp(call.link(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                  dru::HostText(arg3));
    });
}

DRU_API bool DRU_CALL Reducao_Z_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* arg3) {
    return dru::driving(false, [&] {
        dru::EntryCall call;
        return dru::Reducao_Z_Imp(call.link(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor),
                                  dru::HostText(arg3));
    });
}

// `result` keeps its text unless a receipt number was read; it is written
// only when the whole call succeeds.
DRU_API void DRU_CALL Nr_Cupom(const char* stCdPortaImpFis, const char* stEsquemaCor, DruText* result) {
    dru::driving_void([&] {
        DruText& out = dru::Required(result, "Nr_Cupom", "result");
        dru::EntryCall call;
        std::string number = out.value;
        dru::Nr_Cupom(call.link(), dru::HostPath(stCdPortaImpFis), dru::HostText(stEsquemaCor), number);
        out.value = std::move(number);
    });
}

}  // extern "C"
