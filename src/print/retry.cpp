#include "print/retry.h"

namespace dru {

namespace {
constexpr std::string_view kGaveUpLog = "Impressora sem resposta apos 3 tentativas: ";
constexpr std::string_view kGaveUpKey = "IMP_SEM_RESPOSTA";
// When fewer attempts reached the printer, or the printer refused the last one.
constexpr std::string_view kFewerLog = "Impressora sem resposta apos ";  // + n + " tentativa(s): "
constexpr std::string_view kOneAttemptKey = "IMP_SEM_RESPOSTA1";
constexpr std::string_view kTwoAttemptsKey = "IMP_SEM_RESPOSTA2";
constexpr std::string_view kRefusedLog = "Impressora recusou o documento: ";
constexpr std::string_view kRefusedKey = "IMP_RECUSOU";
constexpr std::string_view kNotSentLog = "Documento nao enviado a impressora: ";
constexpr std::string_view kNotSentKey = "IMP_NAO_ENVIADO";

// How the attempts went: those that put bytes on the line, and whether the
// printer refused the last of them.
struct Attempts {
    int made = 0;
    bool last_refused = false;
};

void GiveUp(LinkContext& ctx, const std::string& stEsquemaCor, std::string_view what, const Attempts& a) {
    std::string log;
    std::string_view key;
    if (a.last_refused) {
        log = std::string(kRefusedLog);
        key = kRefusedKey;
    } else if (a.made == kMaxAttempts) {
        log = std::string(kGaveUpLog);
        key = kGaveUpKey;
    } else if (a.made == 0) {
        log = std::string(kNotSentLog);
        key = kNotSentKey;
    } else {
        log = std::string(kFewerLog) + std::to_string(a.made) + (a.made == 1 ? " tentativa: " : " tentativas: ");
        key = a.made == 1 ? kOneAttemptKey : kTwoAttemptsKey;
    }
    ctx.log.ImpFisDebug(log + std::string(what));
    ctx.dialog.Mensagem(ctx.messages.msgPadrao().Msg(key), "", "N", "N", TTipoMsg::Tipo3, "", stEsquemaCor, 0,
                        nullptr);
}

}  // namespace

static_assert(kMaxAttempts == 3, "the log lines and the notices say 3 attempts, or 1 or 2");

bool Retried(LinkContext& ctx, const std::string& stEsquemaCor, std::string_view what,
             const std::function<bool()>& attempt) {
    // An attempt that printed answers for the ones before it: their refusal
    // or silence is not this call's outcome.
    const CallRecord before = ctx.call ? *ctx.call : CallRecord{};
    Attempts attempts;
    for (int n = 1; n <= kMaxAttempts; ++n) {
        const int writes = ctx.call ? ctx.call->writes : 0;
        const int refusals = ctx.call ? ctx.call->refusals : 0;
        if (attempt()) {
            if (ctx.call) {
                ctx.call->refusal = before.refusal;
                ctx.call->failure = before.failure;
            }
            return true;
        }
        // Without a record every attempt counts as made.
        if (ctx.call && ctx.call->writes == writes) continue;  // nothing reached the printer
        ++attempts.made;
        attempts.last_refused = ctx.call && ctx.call->refusals > refusals;
    }
    GiveUp(ctx, stEsquemaCor, what, attempts);
    return false;
}

}  // namespace dru
