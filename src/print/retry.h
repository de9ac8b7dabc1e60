// The one retry rule: a document the printer did not confirm is tried again
// exactly as it was tried, at most kMaxAttempts times in all; when the last
// attempt fails the operator is told and the caller goes on as after a
// failure. No repetition of the module is unbounded.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "link/context.h"

namespace dru {

// Attempts in all, the first one included.
inline constexpr int kMaxAttempts = 3;

// Runs `attempt` until it reports success or kMaxAttempts attempts have
// failed. After the last failure: one log line naming `what`, then a notice
// of msgPadrao through the host's dialog saying what happened: the printer
// refused the last attempt that reached it ("IMP_RECUSOU"), no attempt reached
// it ("IMP_NAO_ENVIADO"), or it did not confirm the attempts that reached it
// ("IMP_SEM_RESPOSTA" for all 3, "IMP_SEM_RESPOSTA1", "IMP_SEM_RESPOSTA2").
// An attempt reached the printer when it put bytes on the line (the call's
// record tells; without one every attempt counts). A success clears the
// refusal and silence of the attempts before it from the call's record.
// Returns the last attempt's result.
bool Retried(LinkContext& ctx, const std::string& stEsquemaCor, std::string_view what,
             const std::function<bool()>& attempt);

}  // namespace dru
