// The operations that answer without the printer: they touch neither the
// printer nor the data module nor the log, read none of their inputs and
// leave every output as it was, except the results named here.
#include <cmath>

#include "api/c_handles.h"
#include "api/last_error.h"
#include "dru01000.h"
#include "module/module.h"

namespace {

// The printer's national code this module reports for every printer type.
constexpr const char* kNationalCode = "000000";
// The drawer state this module reports whatever the drawer's state.
constexpr const char* kDrawerState = "00";

void set_result(DruText* result, const char* call, const char* value) {
    dru::Required(result, call, "result").value = value;
}

}  // namespace

extern "C" {

DRU_API bool DRU_CALL VendaItem(DruParams*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL Atu_TotGeral(const DruParams*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL DataHoraGravacaoUsuarioSWBasicoMFAdicional(const char*, DruText*, DruText*, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL Versao_Software_Basico(const char*, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API void DRU_CALL Codigo_Nacional_ECF(int32_t, const char*, DruText* result) {
    dru::guarded_void([&] { set_result(result, "Codigo_Nacional_ECF", kNationalCode); });
}

DRU_API void DRU_CALL CarregaTotalizador(DruText*, DruText*, DruText*, DruText*, DruText*, const char*, int32_t,
                                         DruDataSet*) {
    dru::guarded_void([] {});
}

DRU_API void DRU_CALL CarregaAliquota(const char*, DruDataSet*) {
    dru::guarded_void([] {});
}

DRU_API bool DRU_CALL Cancela_Cupom_Imp(const char*, bool, bool, DruText*, bool) {
    return dru::guarded(false, [] { return false; });
}

// Today's date, time of day zero.
DRU_API double DRU_CALL DataMoviFiscal(const char*) {
    return dru::guarded(0.0, [] { return std::floor(dru::ModuleState::get().clock().now()); });
}

DRU_API bool DRU_CALL Estado_Imp(const char*, bool, bool) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL GeraCatGenerica(const char* const*, int32_t, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL DadosUltimaRedZ(const char* const*, int32_t, DruText*, DruDataSet*) {
    return dru::guarded(false, [] { return false; });
}

DRU_API bool DRU_CALL NumeroOperacoesNaoFiscais(const char*, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API void DRU_CALL Estado_Gaveta_Imp(const char*, DruText* result) {
    dru::guarded_void([&] { set_result(result, "Estado_Gaveta_Imp", kDrawerState); });
}

DRU_API bool DRU_CALL ImprimeMesasAbertas(const char*, const char*, const char*, const char*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL RegistroVenda(const char*, const char*, const char*, DruDataSet*, const char*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL Estado_HorVerao(const char*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL Muda_Horario(const char*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL Modelo_Impressora(const char*, DruText*, DruText*, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API bool DRU_CALL BuscaTotGer(const char*, DruText*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API void DRU_CALL CarregaRelatorioGer(DruText*, DruText*, DruText*, DruText*, DruText*, DruText*, const char*,
                                          int32_t) {
    dru::guarded_void([] {});
}

DRU_API bool DRU_CALL Conferencia_Formatada(const char*, const char*, const char*, const char*, const char*,
                                            DruText*, const char*) {
    return dru::guarded(false, [] { return true; });
}

DRU_API void DRU_CALL GravaDocumentosNaoFiscais(const char*, const char*, const char*, const char*, const char*) {
    dru::guarded_void([] {});
}

DRU_API bool DRU_CALL Imp_CompVenCred(const char*, const char*, const char*, double, const char*, const char*,
                                      const char*, const char*, const char*, const char*, double, double, double,
                                      const char*) {
    return dru::guarded(false, [] { return true; });
}

}  // extern "C"
