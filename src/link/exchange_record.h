// What the last exchange with the printer came to: the printer answered (and
// what), stayed silent, or the port failed. The link writes it at each step
// that can tell (opening, write, read); the module keeps one for the host to
// ask after a call whose result does not say (the drawer, X and Z return true
// whatever the printer does).
#pragma once
#include <string>

namespace dru {

// The values are those of DRU_EXCHANGE_* in dru01000.h.
enum class ExchangeOutcome {
    None = 0,        // no exchange yet in this call
    Answered = 1,    // a read brought bytes (the reply)
    Silent = 2,      // a read waited out its time-out and got no byte
    PortFailed = 3,  // the port did not open, or a settings step failed
    NotRead = 4,     // the frame was written and its reply is not read
    LineFailed = 5,  // a write or a read on the open port failed
};

struct ExchangeRecord {
    ExchangeOutcome outcome = ExchangeOutcome::None;
    std::string reply;  // the reply text when answered, else empty
};

struct LinkContext;

// The record copied, or emptied, under the small lock every writer of a
// record takes: a host thread that asks for the last exchange while another
// one's document runs waits for one record's update at most, never for the
// document.
ExchangeRecord Snapshot(const ExchangeRecord& record);
void Reset(ExchangeRecord& record);

// Each records into the context's record, when it has one; the last step wins.
void RecordPortFailed(LinkContext& ctx);
// `written` is what the port's write returned.
void RecordWrite(LinkContext& ctx, long written);
// `count` is what the port's read returned, of `bytes`.
void RecordRead(LinkContext& ctx, const char* bytes, long count);

}  // namespace dru
