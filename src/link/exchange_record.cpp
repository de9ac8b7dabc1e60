#include "link/exchange_record.h"

#include <mutex>

#include "link/context.h"
#include "link/exchange.h"

namespace dru {

namespace {
std::mutex& RecordMutex() {
    static std::mutex mutex;
    return mutex;
}

void Record(LinkContext& ctx, ExchangeOutcome outcome, std::string reply = {}) {
    if (!ctx.last_exchange) return;
    const std::lock_guard lock(RecordMutex());
    ctx.last_exchange->outcome = outcome;
    ctx.last_exchange->reply.swap(reply);  // the old reply is freed outside the lock
}
}  // namespace

ExchangeRecord Snapshot(const ExchangeRecord& record) {
    const std::lock_guard lock(RecordMutex());
    return record;
}

void Reset(ExchangeRecord& record) {
    ExchangeRecord empty;
    const std::lock_guard lock(RecordMutex());
    std::swap(record, empty);
}

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
