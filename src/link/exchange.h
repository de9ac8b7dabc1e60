// Comand_Porta: one complete exchange with the printer - open the port, write
// one frame, optionally wait, optionally read and check the reply, close.
#pragma once
#include <string>

#include "link/context.h"

namespace dru {

// `Buffer` is a whole frame as text (U+0087 ... U+0088). Returns the reply text
// (empty when nothing was read). With boFechaPort false the port is left open
// and handed to `*keep_open` (the error analysis's port hand-over); it must then
// be non-null.
std::string Comand_Porta(LinkContext& ctx, const std::string& Buffer, bool boFechaPort,
                         bool boRetorno, bool boTime, const std::string& stCdPortaImpFis,
                         const std::string& stEsquemaCor, PortHandle* keep_open = nullptr);

// Opens a port with the printer port settings in their fixed order; nullptr
// when the opening or any settings step fails.
PortHandle OpenPrinterPort(LinkContext& ctx, const std::string& stCdPortaImpFis);

// The reply text of a read: bytes up to the first zero byte, less the last
// character, decoded from Latin-1.
std::string ReplyText(const char* bytes, long count);

// True when a reply is an error reply that the analysis must see. `frame` is
// the frame that was answered: a data reply (the fields of command 481) is
// never taken for an error reply.
bool IsErrorReply(const std::string& reply, const std::string& frame, bool exempt_zero_colon);

}  // namespace dru
