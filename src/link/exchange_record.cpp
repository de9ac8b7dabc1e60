#include "link/exchange_record.h"

#include "link/context.h"
#include "link/exchange.h"

namespace dru {

namespace {
void Record(LinkContext& ctx, ExchangeOutcome outcome, std::string reply = {}) {
    if (!ctx.last_exchange) return;
    ctx.last_exchange->outcome = outcome;
    ctx.last_exchange->reply = std::move(reply);
}
}  // namespace

void RecordPortFailed(LinkContext& ctx) {
    Record(ctx, ExchangeOutcome::PortFailed);
}

void RecordWrite(LinkContext& ctx, long written) {
    Record(ctx, written < 0 ? ExchangeOutcome::LineFailed : ExchangeOutcome::NotRead);
}

void RecordRead(LinkContext& ctx, const char* bytes, long count) {
    if (count < 0) return Record(ctx, ExchangeOutcome::LineFailed);
    if (count == 0) return Record(ctx, ExchangeOutcome::Silent);
    Record(ctx, ExchangeOutcome::Answered, ReplyText(bytes, count));
}

}  // namespace dru
