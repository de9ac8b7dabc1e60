// Every exported entry point that drives the printer, run the way its C
// export runs it (the operation on a session; the documents the export hands
// in), on valid host inputs of size `n` (items, products, closing amounts).
// Shared by the bounded-time test and the replies fuzz target.
//
//   for (const auto& [name, call] : dru::test::EntryPointCalls()) call(session, 2);
#pragma once
#include <map>
#include <string>

#include "day/date_check.h"
#include "day/day_operations.h"
#include "day/printer_startup.h"
#include "documents/bill_check.h"
#include "documents/cash_closing.h"
#include "documents/cash_supply.h"
#include "documents/cash_withdrawal.h"
#include "documents/consumer_debit_receipt.h"
#include "documents/credit_voucher.h"
#include "documents/product_report.h"
#include "documents/sale_ticket.h"
#include "module/session.h"
#include "payments/payment_totals_export.h"
#include "payments/payment_type_loading.h"
#include "receipt/sale_printing.h"
#include "support/operation_inputs.h"

namespace dru::test {

using EntryPointCall = void (*)(Session& s, int n);

inline constexpr const char* kCallPort = "COM1";

// The cash closing that goes furthest: the withdrawal receipt, then (when the
// operator declines to open again and confirms the Z) the product report
// and the day totals.
inline void RunCashClosing(Session& s, int n) {
    ClosingInput in(n, n);
    CashClosing c;
    c.stCdPortaImpFis = kCallPort;
    c.stECF = "0007";
    c.idTipoImpFis = 16;
    c.stEmiRelProd = "N";
    c.stIdEsquema = "Azul";
    c.boImpRelSan = true;
    c.boAccessImpRedz = true;
    c.tables = {&in.movFecha,     &in.sangria, &in.products, &in.operators,   &in.movTot,
                &in.paymentTypes, &in.redz,    &in.formRedz, &in.impostoRedz, &in.totNFis};
    bool reduced = false;
    GeraReciboSangria(s, c, reduced);
}

// By exported name.
inline const std::map<std::string, EntryPointCall>& EntryPointCalls() {
    static const std::map<std::string, EntryPointCall> calls = {
        {"Abre_Gaveta_Imp",
         [](Session& s, int) { Abre_Gaveta_Imp(s.link, kCallPort, "Azul", false); }},
        {"Leitura_X_Imp", [](Session& s, int) { Leitura_X_Imp(s.link, kCallPort, "Azul", ""); }},
        {"Reducao_Z_Imp", [](Session& s, int) { Reducao_Z_Imp(s.link, kCallPort, "Azul", ""); }},
        {"Nr_Cupom",
         [](Session& s, int) {
             std::string number;
             Nr_Cupom(s.link, kCallPort, "Azul", number);
         }},
        {"Carrega_Dados_Impressora",
         [](Session& s, int) {
             TParams params{{"CDPORTAIMPFIS", kCallPort}, {"ESQUEMA", "Azul"}, {"REDIMP", "41"}};
             Carrega_Dados_Impressora(s, params);
         }},
        {"StartImpFiscal",
         [](Session& s, int) {
             StartImpFiscal(s, TParams{{"CDPORTAIMPFIS", kCallPort}, {"ESQUEMA", "Azul"}});
         }},
        {"VerificaData",
         [](Session& s, int) {
             // DedOvor.cds as an earlier call loaded it: type 30, which may offer the Z.
             TClientDataSet config;
             FillTable(config, {{"PORTAFISCAL", FieldType::String}, {"IDTIPOIMPFIS", FieldType::Integer}},
                       {{kCallPort, "30"}});
             s.dm.get().cdsPorta.CopyFrom(config);
             TDateTime date = 0;
             VerificaData(s, "Azul", date, "", "", true);
         }},
        {"CarregaRecebimento",
         [](Session& s, int) {
             TClientDataSet types;
             FillPaymentTypes(types);
             CarregaRecebimento(s, kCallPort, "Azul", 16, types);
         }},
        {"ExportRedZ",
         [](Session& s, int) {
             TClientDataSet types, redz, forms, taxes, totals;
             FillPaymentTypes(types);
             ExportRedZ(s, kCallPort, "Azul", "0007", 16, types, redz, forms, taxes, totals);
         }},
        {"ImpressaoVenda",
         [](Session& s, int n) {
             SaleInput sale(kCallPort, n, 1);
             const SaleDocuments documents{&ImpDebito_Consumidor_IBM, &ImprimeNaoFiscal};
             ImpressaoVenda(s.link, sale.params, {sale.vendas, sale.movi, sale.receb, {}}, "0",
                            documents);
         }},
        {"Suprimento", [](Session& s, int) { Suprimento(s.link, kCallPort, "Azul", 15000, true); }},
        {"Sangria", [](Session& s, int) { Sangria(s.link, kCallPort, "Azul", 15000); }},
        {"Conferencia_Outras",
         [](Session& s, int n) {
             const BillCheck bill{"12", "4", "PEDRO", "08-12-2026", 0, 0, 0, 300, 3300};
             Conferencia_Outras(s, kCallPort, "Azul", bill, BillProducts(n), 16);
         }},
        {"Compr_CredPessoal",
         [](Session& s, int) {
             TClientDataSet movements;
             FillCreditMovements(movements, {"4500"});
             Compr_CredPessoal(s.link, kCallPort, movements, 500, "JUAN", "123", "PEREZ");
         }},
        {"Relatorio_Produto",
         [](Session& s, int n) {
             TClientDataSet products;
             FillProductsSold(products, n);
             Relatorio_Produto(s, kCallPort, products, "N", "Azul");
         }},
        {"GeraReciboSangria", &RunCashClosing},
    };
    return calls;
}

}  // namespace dru::test
