// The fiscal date check: compares the printer's clock with the computer's,
// warns the operator when they differ by more than 15 minutes, hands back the
// printer's fiscal date and, on printer type 30, offers the overdue Z
// reduction. The port and printer type come from DedOvor.cds in the host folder.
#pragma once
#include <string>

#include "module/session.h"
#include "host/clock.h"

namespace dru {

// The printer configuration file, in the host folder.
inline constexpr std::string_view kPrinterConfigFile = "DedOvor.cds";

// Returns false when the operator was warned about the clocks, else true.
// `dtDate` gets the printer's date, or today's when the printer's date cannot
// be had. `stDataAtu` and `stData` are not used. `boSetaData` allows the
// overdue-Z question. Raises (nothing sent, nothing logged) when DedOvor.cds
// has never been loaded or cannot be read.
bool VerificaData(Session& session, const std::string& stEsquemaCor, TDateTime& dtDate,
                  const std::string& stDataAtu, const std::string& stData, bool boSetaData);

}  // namespace dru
