// ImpressaoVenda: the one place where the document for a finished sale is
// chosen and printed: a consumer debit receipt, a refusal, a voucher sale
// (ticket, after a credit note or an exempt breakdown when the voucher does
// not cover the purchase), an ordinary fiscal receipt, or an exempt breakdown
// alone.
#pragma once
#include <functional>
#include <string>

#include "host/dataset.h"
#include "host/params.h"
#include "link/context.h"
#include "receipt/family_balance.h"

namespace dru {

// The host's tables of the sale. The balance tables may be missing.
struct SaleTables {
    TClientDataSet& cdsVendas;       // the items
    TClientDataSet& cdsMovi;         // the payment movements
    TClientDataSet& cdsRecebimento;  // the payment types (searched for vouchers)
    BalanceTables balances;          // handed to the receipt closing
};

// The non-fiscal documents a sale can end in. They live above this folder,
// so the caller hands them in (the C boundary gives the module's own).
struct SaleDocuments {
    std::function<bool(LinkContext&, const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                       const std::string& stSenhaCupom, const std::string& stNmCons, const std::string& operador,
                       const std::string& stDsObsCupFis, double doSaldoDebito, double doPrecoSubsidio,
                       TClientDataSet& cdsVendas, const std::string& idtipoimpfis, const std::string& IdImpSaldoCup)>
        consumer_debit_receipt;
    std::function<bool(LinkContext&, double doMontoTic, const std::string& stCdPortaImpFis,
                       const std::string& stSenhaCupom, const std::string& stNrCupomFis,
                       const std::string& stNomeOperador, const std::string& stDsObsCupFisIbm, TClientDataSet& cdsMovi)>
        sale_ticket;
};

// The receipt number read back (10 digits), "Erro" for a refused voucher
// sale, or empty. The figures that go into fixed-width fields (taxable items,
// payments, the total, the credit note's amount) are checked before anything
// is sent, the drawer included: one that does not fit refuses the sale with
// EBadArgument naming the row and the field.
std::string ImpressaoVenda(LinkContext& ctx, const TParams& Params, const SaleTables& tables,
                           const std::string& IdImpSaldoCup, const SaleDocuments& documents);

}  // namespace dru
