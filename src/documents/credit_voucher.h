// Compr_CredPessoal: the voucher of a consumer's purchase of credit (a deposit
// into the consumer's account), one non-fiscal comment block printed twice.
#pragma once
#include <string>

#include "host/dataset.h"
#include "link/context.h"

namespace dru {

// Prints both copies on one open port and never reads the printer's reply:
// true once both were written, false when the port does not open (nothing
// printed). The amount bought is the sum of `VRMOVIVEND` over every row of
// `cdsMovCaixaCred`; the final balance is that sum plus `doSald`. A table
// that is not open or lacks `VRMOVIVEND` raises EDatabaseError, and an amount
// that is not a finite number raises EBadArgument naming the row, before the
// port is opened.
bool Compr_CredPessoal(LinkContext& ctx, const std::string& stCdPortaImpFis,
                       TClientDataSet& cdsMovCaixaCred, double doSald,
                       const std::string& stNmConsCred, const std::string& stNrDeposi,
                       const std::string& stNmFamilia);

}  // namespace dru
