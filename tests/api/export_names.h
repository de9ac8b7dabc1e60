// The plain names libdru01000.so.1 exports, in one place: the dlopen test finds
// each of them and the symbol test checks that nothing else is exported
// under a plain name. A new entry point is added here and in
// cmake/dru01000.map.
#pragma once
#include <string>
#include <vector>

namespace dru::test {

// Host-side helpers and module settings of the C contract.
inline const std::vector<std::string> kHelperExports = {
    "dru_text_new", "dru_text_get", "dru_text_set", "dru_text_free",
    "dru_params_new", "dru_params_free", "dru_params_add_text", "dru_params_add_number",
    "dru_params_count", "dru_params_name", "dru_params_text",
    "dru_dataset_new", "dru_dataset_free", "dru_dataset_add_field", "dru_dataset_create",
    "dru_dataset_append", "dru_dataset_edit", "dru_dataset_post", "dru_dataset_set_text",
    "dru_dataset_set_number", "dru_dataset_set_null", "dru_dataset_first", "dru_dataset_next",
    "dru_dataset_eof", "dru_dataset_record_count", "dru_dataset_get_text", "dru_dataset_get_number",
    "dru_dataset_is_null", "dru_dataset_set_filter", "dru_dataset_set_data", "dru_dataset_get_data",
    "dru_dataset_load_from_file", "dru_dataset_save_to_file",
    "dru_set_host_folder", "dru_set_port_device", "dru_set_message", "dru_set_format_settings",
    "dru_set_message_handler", "dru_last_error", "dru_last_error_code", "dru_version",
    "dru_last_exchange", "dru_last_verdict",
};

// Day operations, printer start-up and data, fiscal date check.
inline const std::vector<std::string> kDriverExports = {
    "Abre_Gaveta_Imp", "Leitura_X_Imp", "Reducao_Z_Imp", "Nr_Cupom",
    "Carrega_Dados_Impressora", "StartImpFiscal", "VerificaData",
};

// Payment-type loading and the payment totals export.
inline const std::vector<std::string> kPaymentExports = {"CarregaRecebimento", "ExportRedZ"};

// Sale printing.
inline const std::vector<std::string> kSaleExports = {"ImpressaoVenda"};

// Cash supply and cash withdrawal.
inline const std::vector<std::string> kCashExports = {"Suprimento", "Sangria"};

// Bill check.
inline const std::vector<std::string> kBillCheckExports = {"Conferencia_Outras"};

// Credit purchase voucher.
inline const std::vector<std::string> kCreditVoucherExports = {"Compr_CredPessoal"};

// Managerial product report.
inline const std::vector<std::string> kProductReportExports = {"Relatorio_Produto"};

// Cash closing.
inline const std::vector<std::string> kCashClosingExports = {"GeraReciboSangria"};

// The operations with a fixed answer.
inline const std::vector<std::string> kFixedAnswerExports = {
    "VendaItem", "Atu_TotGeral", "DataHoraGravacaoUsuarioSWBasicoMFAdicional", "Versao_Software_Basico",
    "Codigo_Nacional_ECF", "CarregaTotalizador", "CarregaAliquota", "Cancela_Cupom_Imp", "DataMoviFiscal",
    "Estado_Imp", "GeraCatGenerica", "DadosUltimaRedZ", "NumeroOperacoesNaoFiscais", "Estado_Gaveta_Imp",
    "ImprimeMesasAbertas", "RegistroVenda", "Estado_HorVerao", "Muda_Horario", "Modelo_Impressora",
    "BuscaTotGer", "CarregaRelatorioGer", "Conferencia_Formatada", "GravaDocumentosNaoFiscais",
    "Imp_CompVenCred",
};

// Every plain name the library exports.
inline std::vector<std::string> AllExportedNames() {
    std::vector<std::string> all;
    for (const auto* group : {&kHelperExports, &kDriverExports, &kPaymentExports, &kSaleExports, &kCashExports,
                              &kBillCheckExports, &kCreditVoucherExports, &kProductReportExports, &kCashClosingExports,
                              &kFixedAnswerExports})
        all.insert(all.end(), group->begin(), group->end());
    return all;
}

}  // namespace dru::test
