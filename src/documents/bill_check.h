// Conferencia_Outras: the partial bill of a table or tab ("PARCIAL CUENTA")
// as a non-fiscal document: header, every product with its quantity, unit
// price and amount, the adjustments with a sub-total, the total, the vendor
// lines and the notice "Doc. sin valor fiscal.". Long bills go out in
// several comment blocks.
#pragma once
#include <string>
#include <string_view>

#include "module/session.h"

namespace dru {

// What the bill prints besides its products. The host's other arguments
// (till, receipt of the day, sale type, persons, surcharge) are not read.
struct BillCheck {
    std::string stNrComanda;  // order (tab) number; none printed when it begins "RES"
    std::string stMesa;       // table, printed unchanged
    std::string stNmGarcom;   // waiter, printed unchanged
    std::string stEmissao;    // date of issue as the host formatted it
    double doVrDesc = 0;      // printed as "Acrecimo"
    double doConsMin = 0;     // minimum consumption
    double doCouver = 0;      // cover charge
    double doVrTxSer = 0;     // service, printed as "Propina Sugerida"
    double doTotal = 0;
};

// `DADOS` (the product table's XML data packet: NMPRODUTO, QTPRODCOMVEN,
// VRPRECCOMVEN) replaces the content of the data module's cdsParcProdutos,
// where it stays. Every row is read and every figure checked before the port
// opens: an empty packet raises EBadArgument, a packet that does not read or
// lacks a field raises the table's EDatabaseError, and an amount that is not
// a finite number or would be cut by its column raises EBadArgument naming
// the row and the field; nothing is sent then. `idtipoimpfis` 30 paces the
// lines at 80 ms, any other type at 200 ms.
//
// False when the port does not open or the printer never accepted the
// closing end-comment frame (after the one retry rule's attempts); true once
// it answered with anything but an error reply, or the error analysis
// accepted its error reply.
bool Conferencia_Outras(Session& session, const std::string& stCdPortaImpFis,
                        const std::string& stEsquemaCor, const BillCheck& bill,
                        std::string_view DADOS, int idtipoimpfis);

}  // namespace dru
