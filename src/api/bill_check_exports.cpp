// The C entry point of the bill check.
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/bill_check.h"
#include "dru01000.h"
#include "module/module.h"

// The till, the receipt of the day, the sale type, the persons and the
// surcharge are the host's and are not read; `stCupomDia` is left as it is.
extern "C" DRU_API bool DRU_CALL Conferencia_Outras(
    const char* stCdPortaImpFis, const char* stEsquemaCor, const char* /*arg3*/,
    const char* /*stCdCaixa*/, DruText* /*stCupomDia*/, const char* /*stTipoVenda*/,
    const char* stNrComanda, const char* stMesa, const char* stNmGarcom, const char* stEmissao,
    const char* DADOS, double doVrDesc, double doConsMin, double doCouver, double doVrTxSer,
    double /*doQtPessoas*/, double doTotal, double /*doAcre*/, int32_t idtipoimpfis) {
    return dru::driving(false, [&] {
        const dru::BillCheck bill{dru::HostText(stNrComanda),
                                  dru::HostText(stMesa),
                                  dru::HostText(stNmGarcom),
                                  dru::HostText(stEmissao),
                                  doVrDesc,
                                  doConsMin,
                                  doCouver,
                                  doVrTxSer,
                                  doTotal};
        dru::EntryCall call;
        // The packet is XML: read as it came, not as host text.
        return dru::Conferencia_Outras(call.session(), dru::HostPath(stCdPortaImpFis),
                                       dru::HostText(stEsquemaCor), bill, DADOS ? DADOS : "",
                                       idtipoimpfis);
    });
}
