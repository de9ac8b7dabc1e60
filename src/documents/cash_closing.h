// GeraReciboSangria: the cash closing. It copies the host's closing tables
// into the data module, prints the withdrawal receipt when asked, then asks
// the operator whether to open the register again and, if not, whether to
// print the Z reduction; on yes it runs the product report and the payment
// totals export and hands the Z tables back. It sends no command of its own
// and never performs the Z reduction.
#pragma once
#include <string>

#include "host/dataset.h"
#include "host/errors.h"
#include "module/session.h"

namespace dru {

// The host's tables. Which ones the call needs depends on its flags (see
// GeraReciboSangria); one it does not need may be null.
struct CashClosingTables {
    const TClientDataSet* cdsMovFechaAux = nullptr;  // copied into cdsMovFecha
    const TClientDataSet* cdsSangriaAux = nullptr;   // copied into cdsSangria
    const TClientDataSet* cdsProdAux = nullptr;      // handed to the product report
    const TClientDataSet* cdsOperSup = nullptr;      // copied into cdsOperadorSup
    const TClientDataSet* cdsMovTotAux = nullptr;    // copied into cdsMovTot
    const TClientDataSet* cdsTipoRece = nullptr;     // copied into cdsTipoReceAux
    TClientDataSet* cdsRedzAux = nullptr;            // receive the four Z tables
    TClientDataSet* cdsFormRedzAux = nullptr;
    TClientDataSet* cdsImpostoRedzAux = nullptr;
    TClientDataSet* cdsTotNFisAux = nullptr;
};

// What the closing reads of its arguments (the rest are not read).
struct CashClosing {
    std::string stCdPortaImpFis;
    std::string stECF;
    int idTipoImpFis = 0;
    std::string stEmiRelProd;
    std::string stIdEsquema;
    bool boImpRelSan = false;        // print the withdrawal receipt
    bool boSangria = false;          // ask no question
    bool boFechDiaAnterior = false;  // an earlier day's closing: copy nothing, ask nothing
    bool boAccessImpRedz = false;    // the operator may be offered the Z reduction
    CashClosingTables tables;
};

// True only when the operator chose to open the register again.
// `boReduziu` is set false, and true once the operator confirmed the Z
// question and the totals export ran. The withdrawal receipt is tried by the
// one retry rule, every attempt from the first closing amount.
//
// Everything the call needs is checked before anything is copied, asked or
// sent, and refused with `boReduziu` untouched: a needed table that is null
// (EBadArgument) or not open (EDatabaseError), and a receipt with no operator
// to print (EDatabaseError), which is what an earlier day's closing finds in
// a data module never loaded. The copied tables are needed unless
// boFechDiaAnterior; cdsProdAux and the four Z tables when the Z question can
// be asked.
//
// The product report's and the totals export's outcomes are not looked at:
// the first error either of them met (a report that refused its table, a
// reply that did not read) goes to `*swallowed`, and the closing goes on. A
// debug log that cannot be written during the report ends the closing.
bool GeraReciboSangria(Session& session, const CashClosing& closing, bool& boReduziu,
                       ErrorReport* swallowed = nullptr);

}  // namespace dru
