// A Session over the in-process printer simulator, on the virtual clock.
#pragma once
#include "module/data_module.h"
#include "module/session.h"
#include "host/clock.h"
#include "host/format.h"
#include "link/context.h"
#include "link/debug_log.h"
#include "link/link_services.h"
#include "printer_model.h"
#include "sim_port.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

namespace dru::test {

// The simulated printer on the virtual clock, the log in memory, a dialog
// that records its calls and the real data module; the port, the clock, the
// log and the dialog add to `trace` (`format` and `clock` come before `dm`).
struct SimSession : FakeHost {
    explicit SimSession(TDateTime now, sim::PrinterConfig config = {})
        : FakeHost(now), printer(clock, std::move(config)) {
        ports.set_trace(&trace);
    }

    sim::PrinterModel printer;
    sim::SimPortProvider ports{printer, clock};
    DataModuleSlot dm{format, clock};
    LinkServices services{sink, clock, ports, dialog, dm, format};
    LinkContext& link = services.ctx;
    DebugLog& log = services.log;
    TempFolder folder;
    Session session{link, dm, folder.path()};
};

}  // namespace dru::test
