#include "print/retry.h"

namespace dru {

namespace {
constexpr std::string_view kGaveUpLog = "Impressora sem resposta apos 3 tentativas: ";
constexpr std::string_view kGaveUpKey = "IMP_SEM_RESPOSTA";
}  // namespace

static_assert(kMaxAttempts == 3, "the log line and the notice say 3 attempts");

bool Retried(LinkContext& ctx, const std::string& stEsquemaCor, std::string_view what,
             const std::function<bool()>& attempt) {
    for (int n = 1; n <= kMaxAttempts; ++n)
        if (attempt()) return true;
    ctx.log.ImpFisDebug(std::string(kGaveUpLog) + std::string(what));
    ctx.dialog.Mensagem(ctx.messages.msgPadrao().Msg(kGaveUpKey), "", "N", "N", TTipoMsg::Tipo3, "", stEsquemaCor, 0,
                        nullptr);
    return false;
}

}  // namespace dru
