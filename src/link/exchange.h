// Comand_Porta: one complete exchange with the printer - open the port, write
// one frame, optionally wait, optionally read and check the reply, close.
#pragma once
#include <string>
#include <string_view>

#include "link/context.h"

namespace dru {

// How one exchange runs; the printer's own names are boFechaPort, boRetorno
// and boTime.
struct ExchangeOptions {
    bool close = true;  // close the port at the end (else hand it to the caller)
    bool read = true;   // read the reply and hand an error reply to the analysis
    bool wait = false;  // wait kSlowReplyPauseMs after the write, before reading
};
// Most commands: close, read the reply, no wait.
inline constexpr ExchangeOptions kCommandExchange{};
// A reply the printer builds slowly (the payment-forms list): wait, then read.
inline constexpr ExchangeOptions kSlowReplyExchange{.wait = true};
// A recovery command whose port stays open in the place of the caller's.
inline constexpr ExchangeOptions kKeepOpenExchange{.close = false};
// A command whose reply is not read.
inline constexpr ExchangeOptions kNoReplyExchange{.read = false};

// `Buffer` is a whole frame as text (U+0087 ... U+0088). Returns the reply text
// (empty when nothing was read). With `options.close` false the port is left
// open and handed to `*keep_open` (the error analysis's port hand-over) when
// given, and closed otherwise.
std::string Comand_Porta(LinkContext& ctx, const std::string& Buffer, ExchangeOptions options,
                         const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                         PortHandle* keep_open = nullptr);

// Opens a port with the printer port settings in their fixed order; nullptr
// when the opening or any settings step fails.
PortHandle OpenPrinterPort(LinkContext& ctx, const std::string& stCdPortaImpFis);

// The reply text of a read: bytes up to the first zero byte, less the last
// character, decoded from Latin-1.
std::string ReplyText(const char* bytes, long count);

// True when a reply is an error reply that the analysis must see. `command` is
// the command text that was answered (its code first): a data reply (the
// fields of 481, the list of 432) is never taken for an error reply.
bool IsErrorReply(const std::string& reply, std::string_view command, bool exempt_zero_colon);

// The command text of a frame: what follows the opening frame byte.
std::string_view CommandText(std::string_view frame);

}  // namespace dru
