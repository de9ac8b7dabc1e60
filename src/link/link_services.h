// The debug log and the link context over the services a caller holds: how
// an entry point call and every test fixture put the link together.
//
//   LinkServices services{sink, clock, ports, dialog, messages, format};
//   Abre_Gaveta_Imp(services.ctx, "COM1", "Azul", false);
//
// The services handed in must outlive it. It is neither copied nor moved:
// the context refers to the log inside it.
#pragma once
#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/serial_port.h"

namespace dru {

struct LinkServices {
    LinkServices(LogSink& sink, Clock& clock, PortProvider& ports, Dialog& dialog, MessageTables& messages,
                 const FormatSettings& format)
        : log(sink, clock, format), ctx{ports, clock, log, dialog, messages, format} {}
    LinkServices(const LinkServices&) = delete;
    LinkServices& operator=(const LinkServices&) = delete;

    DebugLog log;  // dates its lines on the link's clock, in the link's settings
    LinkContext ctx;
};

}  // namespace dru
