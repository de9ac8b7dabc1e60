// The tables dru builds from its input files and reads back from the
// driver: field names, types and sizes. The payment types, the Z reduction
// and its payment forms are the driver's own layouts (its data module's);
// the others are the fields the driver reads, typed as hosts keep them.
#pragma once
#include "json_input.h"

namespace dru::cli::layouts {

// Payment types (cdsRecebimento, cdsTipoRece): the data module's 33 fields.
const Layout& PaymentTypes();
// The sale's items (cdsVendas) and payment movements (cdsMovi).
const Layout& SaleItems();
const Layout& SaleMovements();
// The consumer balance tables of a sale.
const Layout& CreditBalances();  // cdsSaldCred
const Layout& FamilyBalances();  // cdsFamiliaSaldo
const Layout& Loans();           // cdsEmprestimo
// The products of a bill check (DADOS) and of the product report (cdsProdAux).
const Layout& BillProducts();
const Layout& SoldProducts();
// The movements of a credit purchase (cdsMovCaixaCred).
const Layout& CreditMovements();
// The cash closing's tables: closing amounts (cdsMovFechaAux), withdrawals
// (cdsSangriaAux), the operator (cdsOperSup) and the totals (cdsMovTotAux).
const Layout& ClosingAmounts();
const Layout& Withdrawals();
const Layout& Operators();
const Layout& MovementTotals();
// What ExportRedZ hands back: the reduction record and its payment forms.
const Layout& ReductionZ();
const Layout& ReductionPaymentForms();

// The rows of a table as JSON objects, for the fields of `layout` (null
// fields left out).
Json Rows(DruDataSet* ds, const Layout& layout);

}  // namespace dru::cli::layouts
