// The C entry point of the credit purchase voucher.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/credit_voucher.h"
#include "dru01000.h"
#include "module/module.h"

// Only the port, the movements, the balance before the purchase, the
// consumer, the deposit number and the family are read; the other arguments
// are the host's, and `stCupomDia` and `stContadorGNF` are left as they are.
extern "C" DRU_API bool DRU_CALL Compr_CredPessoal(
    const char* stCdPortaImpFis, const char* /*arg2*/, const char* /*arg3*/,
    const char* /*stCdFilial*/, const char* /*stCdCaixa*/, const char* /*stEsquemacor*/,
    DruText* /*stCupomDia*/, DruText* /*stContadorGNF*/, DruDataSet* cdsMovCaixaCred, double doSald,
    const char* stNmConsCred, const char* stNrDeposi, const char* /*stImpComCredPe*/,
    const char* /*stPaisIntegra*/, const char* /*stIdTipoImpNF1*/, const char* /*stCdPortImpNF1*/,
    const char* /*stNrVendaNFisc*/, const char* /*stNmRazSocFili*/, const char* /*stNmCaixa*/,
    const char* /*stDsEndeFili*/, const char* /*stNmMunicipio*/, const char* /*stCdInscMuni*/,
    const char* /*stNRSERIEECF*/, const char* /*stDsObsCupFis*/, bool /*boUtilizaImpFiscal*/,
    const char* stNmFamilia, const char* /*stCartao*/) {
    return dru::driving(false, [&] {
        constexpr const char* kCall = "Compr_CredPessoal";
        DruDataSet& movements = dru::Required(cdsMovCaixaCred, kCall, "cdsMovCaixaCred");
        dru::EntryCall call;
        return dru::Compr_CredPessoal(call.link(), dru::HostPath(stCdPortaImpFis), movements.table,
                                      doSald, dru::HostText(stNmConsCred),
                                      dru::HostText(stNrDeposi), dru::HostText(stNmFamilia));
    });
}
