// The C entry point of the cash closing.
#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "documents/cash_closing.h"
#include "dru01000.h"
#include "module/module.h"

namespace {

const dru::TClientDataSet* Source(const DruDataSet* ds) {
    return ds ? &ds->table : nullptr;
}

}  // namespace

// `boReduziu` is written only when the call completes; an error the product
// report or the totals export met (the closing goes on) is left in
// dru_last_error() for diagnosis.
extern "C" DRU_API bool DRU_CALL GeraReciboSangria(
    const char* stCdPortaImpFis, const char* /*stNrSerie*/, const char* /*stCdFilial*/,
    const char* /*stCdCaixa*/, const char* stECF, int32_t idTipoImpFis, DruText* /*stCupomDia*/,
    DruDataSet* cdsMovFechaAux, DruDataSet* cdsSangriaAux, DruDataSet* cdsProdAux,
    DruDataSet* cdsOperSup, DruDataSet* cdsMovTotAux, DruDataSet* /*cdsMovAbertura*/,
    DruDataSet* /*cdsProdFechamento*/, DruDataSet* /*cdsExtratoCons*/, double /*dtAberCaixa*/,
    bool boImpRelSan, bool /*boImprimeRedZ*/, bool /*Reducao*/, DruDataSet* cdsRedzAux,
    DruDataSet* cdsFormRedzAux, DruDataSet* cdsImpostoRedzAux, DruDataSet* cdsTotNFisAux,
    bool* boReduziu, DruDataSet* cdsTipoRece, const char* stEmiRelProd,
    const char* /*stTribRelPro*/, const char* /*stImpLeituraX*/, const char* /*idImpEnvelope*/,
    const char* stIdEsquema, bool boSangria, bool boFechDiaAnterior, bool boAccessImpRedz,
    const char* /*stTipoSangria*/, const char* /*stDescSangria*/) {
    return dru::driving(false, [&] {
        bool& reduced_out = dru::Required(boReduziu, "GeraReciboSangria", "boReduziu");
        dru::CashClosing closing;
        closing.stCdPortaImpFis = dru::HostPath(stCdPortaImpFis);
        closing.stECF = dru::HostText(stECF);
        closing.idTipoImpFis = idTipoImpFis;
        closing.stEmiRelProd = dru::HostText(stEmiRelProd);
        closing.stIdEsquema = dru::HostText(stIdEsquema);
        closing.boImpRelSan = boImpRelSan;
        closing.boSangria = boSangria;
        closing.boFechDiaAnterior = boFechDiaAnterior;
        closing.boAccessImpRedz = boAccessImpRedz;
        closing.tables = {Source(cdsMovFechaAux),
                          Source(cdsSangriaAux),
                          Source(cdsProdAux),
                          Source(cdsOperSup),
                          Source(cdsMovTotAux),
                          Source(cdsTipoRece),
                          OptionalTable(cdsRedzAux),
                          OptionalTable(cdsFormRedzAux),
                          OptionalTable(cdsImpostoRedzAux),
                          OptionalTable(cdsTotNFisAux)};
        dru::EntryCall call;
        dru::ErrorReport swallowed;
        bool reduced = reduced_out;
        const bool reopen = dru::GeraReciboSangria(call.session(), closing, reduced, &swallowed);
        reduced_out = reduced;
        if (swallowed.kind != dru::ErrorKind::None) dru::set_last_error(std::move(swallowed));
        return reopen;
    });
}
