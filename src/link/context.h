// What every printer exchange needs, handed in by the caller: the port
// provider, the clock, the debug log, the operator dialog, the message texts
// and the regional settings. Tests build one from fakes.
#pragma once
#include "host/clock.h"
#include "host/dialog.h"
#include "host/format.h"
#include "host/messages.h"
#include "link/call_record.h"
#include "link/counter_memory.h"
#include "link/debug_log.h"
#include "link/exchange_record.h"
#include "link/serial_port.h"

namespace dru {

struct LinkContext {
    PortProvider& ports;
    Clock& clock;
    DebugLog& log;
    Dialog& dialog;
    MessageTables& messages;
    const FormatSettings& format;
    // Depth of nested error analysis (a recovery exchange's own error reply).
    int analysis_depth = 0;
    // Where the outcome of each exchange step goes; none when null.
    ExchangeRecord* last_exchange = nullptr;
    // What the call came to, for its verdict; none when null.
    CallRecord* call = nullptr;
    // The last receipt counter read from each printer; none when null (a
    // sale then returns the receipt number as read, without vouching for it).
    CounterMemory* counters = nullptr;
};

}  // namespace dru
