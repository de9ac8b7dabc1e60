// AnalisaErro: logs a printer error reply, tells the operator where needed,
// and sends the recovery commands that bring the printer back.
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

// `hPort` is the caller's port, still open. Branches that send recovery
// commands close it first; a recovery port left open takes its place, so the
// caller's final close releases whatever `hPort` holds on return.
bool AnalisaErro(LinkContext& ctx, const std::string& stCdPortaImpFis,
                 const std::string& stEsquemaCor, const std::string& Codigo, PortHandle& hPort);

}  // namespace dru
