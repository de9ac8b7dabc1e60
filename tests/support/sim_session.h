// A Session over the in-process printer simulator, on the virtual clock.
#pragma once
#include "module/data_module.h"
#include "module/session.h"
#include "host/clock.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "printer_model.h"
#include "sim_port.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

namespace dru::test {

// The simulated printer on the virtual clock, the log in memory, a dialog
// that records its calls and the real data module.
struct SimSession {
    explicit SimSession(TDateTime now, sim::PrinterConfig config = {}) : clock(now), printer(clock, config) {}
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    VirtualClock clock;
    sim::PrinterModel printer;
    sim::SimPortProvider ports{printer, clock};
    MemoryLogSink sink;
    FormatSettings format;
    DebugLog log{sink, clock, format};
    RecordingDialog dialog;
    DataModuleSlot dm{format, clock};
    LinkContext link{ports, clock, log, dialog, dm, format};
    TempFolder folder;
    Session session{link, dm, folder.path()};
};

}  // namespace dru::test
