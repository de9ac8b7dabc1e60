// ExportRedZ: reads the printer's day totals (command 481) and hands the host
// the Z-reduction record and one record per payment form. It only reads: it
// prints nothing and performs no reduction.
#pragma once
#include <string>
#include <string_view>

#include "module/session.h"
#include "host/dataset.h"
#include "host/errors.h"

namespace dru {

// Always returns true; no error raised from the loading of the working tables
// on escapes (an error after the reply was read still hands back the result
// tables as far as they were built, an unfinished record dropped). The message
// of the last swallowed error is written to `*swallowed_error` (when given)
// for diagnosis.
// `idTipoImpFis`, `cdsImpostoRedz` and `cdsTotNFiscRedZ` are accepted and not
// written.
bool ExportRedZ(Session& s, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                const std::string& stECF, int idTipoImpFis, TClientDataSet& cdsTipoRece,
                TClientDataSet& cdsReducaoZ, TClientDataSet& cdsFormPgtoZ,
                TClientDataSet& cdsImpostoRedz, TClientDataSet& cdsTotNFiscRedZ,
                ErrorReport* swallowed_error = nullptr);

// An amount field of the printer's reply as a number: an optional "-", digits,
// and at most one decimal point written "." or "," (the printer's own
// notation, whatever the regional settings); blanks around it are ignored.
// Anything else raises EConvertError naming the text.
double AmountFromReply(std::string_view field);

}  // namespace dru
