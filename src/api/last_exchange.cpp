// dru_last_exchange(): the record of the last exchange, as the module keeps it.
#include "api/c_handles.h"
#include "dru01000.h"
#include "link/exchange_record.h"
#include "module/module.h"

namespace {
using dru::ExchangeOutcome;
static_assert(static_cast<int>(ExchangeOutcome::None) == DRU_EXCHANGE_NONE &&
                  static_cast<int>(ExchangeOutcome::Answered) == DRU_EXCHANGE_ANSWERED &&
                  static_cast<int>(ExchangeOutcome::Silent) == DRU_EXCHANGE_SILENT &&
                  static_cast<int>(ExchangeOutcome::PortFailed) == DRU_EXCHANGE_PORT_FAILED &&
                  static_cast<int>(ExchangeOutcome::NotRead) == DRU_EXCHANGE_NOT_READ &&
                  static_cast<int>(ExchangeOutcome::LineFailed) == DRU_EXCHANGE_LINE_FAILED,
              "the C outcomes are the link's");
}  // namespace

// A reader: the last error stays as the call before left it. It takes the
// record's own small lock, never the module's, so it answers while another
// thread's document runs.
extern "C" DRU_API int32_t DRU_CALL dru_last_exchange(DruText* reply) {
    dru::ExchangeOutcome outcome = dru::ExchangeOutcome::None;
    try {
        dru::ExchangeRecord record = dru::Snapshot(dru::ModuleState::get().last_exchange());
        outcome = record.outcome;
        if (reply) reply->value = std::move(record.reply);
    } catch (...) {  // out of memory copying the reply: the outcome alone
    }
    return static_cast<int32_t>(outcome);
}
