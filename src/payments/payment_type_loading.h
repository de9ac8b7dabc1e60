// CarregaRecebimento: gives the host's payment types the printer's payment
// codes, from the printer's own list of payment forms (command 432) or, when
// the printer gives no usable list, from a fixed mapping by payment class.
#pragma once
#include <string>
#include <vector>

#include "module/session.h"
#include "host/dataset.h"

namespace dru {

// Asks the printer for its payment forms and writes CDFPIMPFIS and IDEMIVALE
// into `cdsTipoRece1` (payment-type layout; NMTIPORECE, IDTIPORECE,
// IDTPBUTTON, CDFPIMPFIS and IDEMIVALE are used). The table is left filtered
// by "IDTPBUTTON = '5'" with filtering on, also when an error is raised on
// the way; the records then come back as they were handed in. (A table
// without IDTPBUTTON cannot be filtered so: it is left with filtering off.)
// A table lacking one of the five fields raises EDatabaseError naming it
// before the printer is asked.
void CarregaRecebimento(Session& s, const std::string& stCdPortaImpFis,
                        const std::string& stEsquemaCor, int idTipoImpFis,
                        TClientDataSet& cdsTipoRece1);

// The reply to command 432 cut into lines: printer type 16 ends its lines with
// CR, type 30 with LF; other types give one line. Each piece loses its last
// character (its terminator, or the last character of an unterminated piece).
std::vector<std::string> CutPaymentFormLines(const std::string& stFormaPg, int idTipoImpFis);

}  // namespace dru
