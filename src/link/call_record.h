// What one call that drives the printer came to, as the host must be told it:
// the verdict. The link notes what it sees while the call runs (a port that
// did not open and why, bytes that reached the line, an error reply, a line
// that failed, the printer's acceptance of what was written) into the call's
// record; at the end the record is judged. An operation that can tell more
// (the sale, by its receipt counter) decides the verdict itself.
//
// Nothing here changes what goes on the wire, except that a line that failed
// ends the call's printing: no later port is opened, no later pause taken.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace dru {

struct LinkContext;

// The values are those of DRU_VERDICT_* in dru01000.h.
enum class VerdictKind {
    None = 0,         // the call had nothing to print (or has not run yet)
    Confirmed = 1,    // the printer accepted the document
    Refused = 2,      // the printer answered with an error
    NotSent = 3,      // nothing reached the printer
    Unconfirmed = 4,  // written, with no trustworthy answer: it may have printed
};

struct Verdict {
    VerdictKind kind = VerdictKind::None;
    std::string detail;  // one sentence for the host (English)
};

struct CallRecord {
    bool written = false;            // some bytes reached the line
    int writes = 0;                  // writes that put bytes on the line
    int refusals = 0;                // error replies seen
    int recovered = 0;               // refused commands the error analysis sent again and got taken
    std::string port_failure = {};   // the first port that did not open, and why
    std::string refusal = {};        // the first error reply, as a sentence
    std::string failure = {};        // what left the call unconfirmed (a failed line, a give-up)
    bool line_failed = false;        // the line failed: the call prints nothing more
    bool accepted = false;           // the printer accepted what was last written
    std::optional<Verdict> decided = {};  // the operation's own verdict
};

// ---- Notes of the link, each a no-op when the context keeps no record ----
// A port that did not open: `why` names the port, its device and the reason.
void NotePortFailure(LinkContext& ctx, const std::string& why);
// A write of `size` bytes that returned `written`. True when the line took
// them all; otherwise the line has failed (noted, logged once).
bool NoteWrite(LinkContext& ctx, long written, std::size_t size);
// A read that failed (the line hung up): the line has failed.
void NoteReadFailed(LinkContext& ctx);
// An error reply of the printer (the first one is kept).
void NoteRefusal(LinkContext& ctx, long long error, std::string_view command);
// A reply that is not an error, to what the call itself wrote (not to a
// recovery command of the error analysis).
void NoteAccepted(LinkContext& ctx);
// The error analysis sent the refused command again and the printer took it
// (an X reading after the sales period was opened for it): that refusal no
// longer stands against the document.
void NoteRecovered(LinkContext& ctx);
// A document that was not confirmed, said in `what` (the first one is kept).
void NoteUnconfirmed(LinkContext& ctx, const std::string& what);
// The operation's own verdict, which the judging then keeps.
void Decide(LinkContext& ctx, VerdictKind kind, std::string detail);

// True once the line failed in this call: nothing more is sent.
bool LineFailed(const LinkContext& ctx);
// The operations' pause between frames: none once the line has failed.
void Pause(LinkContext& ctx, int ms);

// The verdict of a call from its record. `platform_error` is the message of
// an error that ended the call ("" when it ran to its end).
Verdict Judge(const CallRecord& record, const std::string& platform_error = {});

// What an error number means, in a few words ("" for a number the module
// does not know).
std::string_view ErrorMeaning(long long error);

}  // namespace dru
